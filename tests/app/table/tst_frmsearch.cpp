#include "app/grid/gridview.h"
#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "app/table/frmsearch.h"
#include "support/gui/tablewindowfixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;
using Cell = QPoint; // x = row, y = column
using Cells = QList<QPoint>;
using Answer = UserPrompts::Answer;

class TestFrmSearch : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    EditCommands &edit() { return *m_window->findChild<EditCommands *>(); }
    Cell current() { return Cell(fa().row(), fa().col()); }

    frmSearch *openSearch()
    {
        action(u"mnuEditFind"_s)->trigger();
        return edit().findDialog();
    }

    frmSearch *openShownSearch(const QString &text)
    {
        if (!showWindow())
            return nullptr;
        frmSearch *dialog = openSearch();
        dialog->txtSearched->setText(text);
        return dialog;
    }

    // Six data rows; "smith" in four spellings spread over three columns.
    void fillTable()
    {
        fa().setRows(7);
        fa().setText(2, 0, u"SMITH"_s);
        fa().setText(5, 0, u"Smith"_s);
        fa().setText(3, 2, u"blacksmith"_s);
        fa().setText(1, 4, u"smith & co"_s);
        fa().setText(4, 4, u"Jones"_s);
        fa().setCursor(1, 0);
    }

    void clickCell(int row, int col)
    {
        const QPoint at = named<GridView>(*m_window, "fa")->visualRect(fa().index(row, col)).center();
        QTest::mouseClick(named<GridView>(*m_window, "fa")->viewport(), Qt::LeftButton, {}, at);
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->showTab(frmMain::kTabResults);
        fillTable();
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void openingSwitchesToSingleCellsAndTheFindKeyReopens()
    {
        QCOMPARE(fa().selectionMode(), GridModel::SelectionMode::ListBox);
        frmSearch *first = openSearch();
        QVERIFY(!first->isModal());
        QCOMPARE(fa().selectionMode(), GridModel::SelectionMode::Free);
        QCOMPARE(m_window->mouseMode(), MouseMode::Row);
        m_window->toolbarButton(0, u"Find"_s)->trigger();
        QCOMPARE(edit().findDialog(), first);
        QVERIFY(first->isVisible());
    }

    void hitsComeColumnByColumnThenThePassEnds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<Cells>("hits");
        QTest::newRow("without Match case every spelling is found")
            << "smith" << false << Cells { { 2, 0 }, { 5, 0 }, { 3, 2 }, { 1, 4 } };
        QTest::newRow("with Match case only the same letters") << "smith" << true << Cells { { 3, 2 }, { 1, 4 } };
    }

    void hitsComeColumnByColumnThenThePassEnds()
    {
        QFETCH(QString, text);
        QFETCH(bool, matchCase);
        QFETCH(Cells, hits);
        frmSearch *dialog = openSearch();
        dialog->txtSearched->setText(text);
        dialog->chkMatchCase->setChecked(matchCase);
        for (const Cell &hit : hits) {
            QTest::mouseClick(dialog->cmdNext, Qt::LeftButton);
            QCOMPARE(current(), hit);
            QCOMPARE(fa().selection(), (GridRange { hit.x(), hit.y(), hit.x(), hit.y() }));
            QCOMPARE(m_window->panel(6)->text(), u"%1 / 6"_s.arg(hit.x()));
            QCOMPARE(edit().formPanel().grid().text(hit.y() + 1, 1), fa().text(hit.x(), hit.y()));
        }
        QVERIFY(m_prompts->asked.isEmpty());
        m_prompts->answers = { Answer::Ok, Answer::Ok };
        QTest::mouseClick(dialog->cmdNext, Qt::LeftButton);
        QTest::mouseClick(dialog->cmdNext, Qt::LeftButton);
        QCOMPARE(m_prompts->messages(),
            (QStringList {
                u"The document has been searched.\r\n%1 found."_s.arg(hits.size()), u"Search text is not found."_s }));
        QCOMPARE(m_prompts->asked.at(0).title, u"Dirquill"_s);
        QCOMPARE(m_prompts->asked.at(0).icon, UserPrompts::Icon::Warning);
        QCOMPARE(current(), hits.last());
    }

    void enterInTheTextBoxFindsOnce()
    {
        frmSearch *dialog = openShownSearch({});
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        dialog->txtSearched->setFocus();
        QTest::keyClicks(dialog->txtSearched, u"smith"_s);
        QTest::keyClick(dialog->txtSearched, Qt::Key_Return);
        QCOMPARE(current(), Cell(2, 0));
        QCOMPARE(dialog->finder().hitCount(), 1);
        QTest::keyClick(dialog->txtSearched, Qt::Key_Enter);
        QCOMPARE(current(), Cell(5, 0));
        QCOMPARE(dialog->finder().hitCount(), 2);
        QVERIFY(dialog->isVisible());
    }

    void focusInTheTextBoxSelectsItsText()
    {
        frmSearch *dialog = openShownSearch(u"smith"_s);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        dialog->cmdNext->setFocus();
        dialog->txtSearched->deselect();
        dialog->txtSearched->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(dialog->txtSearched->selectedText(), u"smith"_s);
    }

    // The rules of where a search goes on are the finder's; the window passes on clicks and the tick.
    void aClickMovesTheStart()
    {
        frmSearch *dialog = openShownSearch(u"smith"_s);
        QVERIFY(dialog);
        dialog->findNext();
        QCOMPARE(current(), Cell(2, 0));
        clickCell(4, 1);
        dialog->findNext();
        QCOMPARE(current(), Cell(3, 2));
    }

    void fromTheBeginningRestartsAfterTheEnd()
    {
        frmSearch *dialog = openSearch();
        dialog->txtSearched->setText(u"jones"_s);
        dialog->chkFromBeginning->setChecked(true);
        dialog->findNext();
        m_prompts->answers = { Answer::Ok };
        dialog->findNext();
        QCOMPARE(m_prompts->messages().size(), 1);
        dialog->findNext();
        QCOMPARE(m_prompts->messages().size(), 1);
        QCOMPARE(current(), Cell(4, 4));
    }

    void closingLosesTheSearchState()
    {
        QPointer<frmSearch> dialog = openSearch();
        dialog->txtSearched->setText(u"smith"_s);
        dialog->findNext();
        QCOMPARE(dialog->finder().hitCount(), 1);
        QTest::mouseClick(dialog->cmdClose, Qt::LeftButton);
        QTRY_VERIFY(dialog.isNull());
        QVERIFY(!edit().findDialog());
        frmSearch *again = openSearch();
        QCOMPARE(again->finder().hitCount(), 0);
        QCOMPARE(again->finder().nextRow(), 1);
        QCOMPARE(again->finder().nextCol(), 0);
        QCOMPARE(again->txtSearched->text(), QString());
    }
};

QTEST_MAIN(TestFrmSearch)
#include "tst_frmsearch.moc"
