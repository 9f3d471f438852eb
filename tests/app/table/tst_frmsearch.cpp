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

// The Find dialog passes its text, ticks and the table's clicks to the finder (whose rules and
// messages tst_finder decides) and shows each hit in the table, the counter and the Form panel.
class TestFrmSearch : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    EditCommands &edit() { return *m_window->findChild<EditCommands *>(); }
    Cell current() { return Cell(fa().row(), fa().col()); }

    frmSearch *openSearch(const QString &text)
    {
        action(u"mnuEditFind"_s)->trigger();
        frmSearch *dialog = edit().findDialog();
        dialog->txtSearched->setText(text);
        return dialog;
    }

private slots:
    // Six data rows; "smith" in four spellings spread over three columns.
    void init()
    {
        QVERIFY(openWindow());
        m_window->showTab(frmMain::kTabResults);
        fa().setRows(7);
        fa().setText(2, 0, u"SMITH"_s);
        fa().setText(5, 0, u"Smith"_s);
        fa().setText(3, 2, u"blacksmith"_s);
        fa().setText(1, 4, u"smith & co"_s);
        fa().setText(4, 4, u"Jones"_s);
        fa().setCursor(1, 0);
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void openingSwitchesToSingleCellsAndTheFindKeyReopens()
    {
        frmSearch *first = openSearch({});
        QVERIFY(!first->isModal());
        QCOMPARE(fa().selectionMode(), GridModel::SelectionMode::Free);
        QCOMPARE(m_window->mouseMode(), MouseMode::Row);
        m_window->toolbarButton(0, u"Find"_s)->trigger();
        QCOMPARE(edit().findDialog(), first);
        QVERIFY(first->isVisible());
    }

    void hitsShowInTheTableTheCounterAndTheFormPanel_data()
    {
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<Cells>("hits");
        QTest::newRow("without Match case every spelling") << false << Cells { { 2, 0 }, { 5, 0 }, { 3, 2 }, { 1, 4 } };
        QTest::newRow("with Match case only the same letters") << true << Cells { { 3, 2 }, { 1, 4 } };
    }

    void hitsShowInTheTableTheCounterAndTheFormPanel()
    {
        QFETCH(bool, matchCase);
        QFETCH(Cells, hits);
        frmSearch *dialog = openSearch(u"smith"_s);
        dialog->chkMatchCase->setChecked(matchCase);
        for (const Cell &hit : hits) {
            QTest::mouseClick(dialog->cmdNext, Qt::LeftButton);
            QCOMPARE(fa().selection(), (GridRange { hit.x(), hit.y(), hit.x(), hit.y() }));
            QCOMPARE(m_window->panel(6)->text(), u"%1 / 6"_s.arg(hit.x()));
            QCOMPARE(edit().formPanel().grid().text(hit.y() + 1, 1), fa().text(hit.x(), hit.y()));
        }
        m_prompts->answers = { Answer::Ok, Answer::Ok };
        QTest::mouseClick(dialog->cmdNext, Qt::LeftButton);
        QTest::mouseClick(dialog->cmdNext, Qt::LeftButton);
        QCOMPARE(m_prompts->messages().size(), 2); // searched, then not found
        QCOMPARE(current(), hits.last());
    }

    void enterInTheTextBoxFindsOnceAndFocusSelectsTheText()
    {
        QVERIFY(showWindow());
        frmSearch *dialog = openSearch({});
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        dialog->txtSearched->setFocus();
        QTest::keyClicks(dialog->txtSearched, u"smith"_s);
        QTest::keyClick(dialog->txtSearched, Qt::Key_Return);
        QCOMPARE(current(), Cell(2, 0));
        QTest::keyClick(dialog->txtSearched, Qt::Key_Enter);
        QCOMPARE(current(), Cell(5, 0));
        QCOMPARE(dialog->finder().hitCount(), 2);
        dialog->cmdNext->setFocus();
        dialog->txtSearched->deselect();
        dialog->txtSearched->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(dialog->txtSearched->selectedText(), u"smith"_s);
    }

    void aClickMovesTheStart()
    {
        QVERIFY(showWindow());
        frmSearch *dialog = openSearch(u"smith"_s);
        dialog->findNext();
        const QPoint at = named<GridView>(*m_window, "fa")->visualRect(fa().index(4, 1)).center();
        QTest::mouseClick(named<GridView>(*m_window, "fa")->viewport(), Qt::LeftButton, {}, at);
        dialog->findNext();
        QCOMPARE(current(), Cell(3, 2));
    }

    void fromTheBeginningRestartsAfterTheEnd()
    {
        frmSearch *dialog = openSearch(u"jones"_s);
        dialog->chkFromBeginning->setChecked(true);
        m_prompts->answers = { Answer::Ok };
        for (int i = 0; i < 3; ++i)
            dialog->findNext();
        QCOMPARE(m_prompts->messages().size(), 1);
        QCOMPARE(current(), Cell(4, 4));
    }

    void closingLosesTheSearchState()
    {
        QPointer<frmSearch> dialog = openSearch(u"smith"_s);
        dialog->findNext();
        QTest::mouseClick(dialog->cmdClose, Qt::LeftButton);
        QTRY_VERIFY(dialog.isNull());
        action(u"mnuEditFind"_s)->trigger();
        frmSearch *again = edit().findDialog();
        QCOMPARE(again->finder().hitCount(), 0);
        QCOMPARE(again->finder().nextRow(), 1);
        QCOMPARE(again->txtSearched->text(), QString());
    }
};

QTEST_MAIN(TestFrmSearch)
#include "tst_frmsearch.moc"
