#include "app/grid/gridview.h"
#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "app/table/frmdeldialog.h"
#include "support/gui/tablewindowfixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;

class TestFormPanel : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    FormPanel &form() { return m_window->findChild<EditCommands *>()->formPanel(); }
    GridModel &fb() { return form().grid(); }
    QString counter() const { return m_window->panel(6)->text(); }
    QLabel *button(int i) const { return m_window->findChild<QLabel *>(u"imgBtn_%1"_s.arg(i)); }

    // Record 2 of 3 shown, its column 9 holding money stored as "1234.5".
    bool showMoneyRecord()
    {
        fillTable(3);
        fa().setColumnDataType(9, DataType::Currency);
        fa().setColumnFormat(9, u"$#,###.00"_s);
        fa().setText(2, 9, u"1234.5"_s);
        goTo(2);
        return showWindow();
    }

    void goTo(int row)
    {
        fa().setCursor(row, 0);
        m_window->fa_Click();
    }

    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    // The editor open in view now (a closed one may linger until it is deleted).
    static QLineEdit *openEditor(GridView *view)
    {
        const QList<QLineEdit *> editors = view->viewport()->findChildren<QLineEdit *>();
        for (QLineEdit *e : editors)
            if (e->isVisible())
                return e;
        return nullptr;
    }

    // Opens the editor of the Form panel's value cell of line.
    QLineEdit *startFormEdit(int line)
    {
        fb().setCursor(line, 1);
        fb().startEdit();
        return openEditor(named<GridView>(*m_window, "fb"));
    }

    // Types text into the Form panel's value cell of line through its editor.
    void typeIntoForm(int line, const QString &text)
    {
        QLineEdit *editor = startFormEdit(line);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->showTab(frmMain::kTabResults);
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void thePanelListsEveryColumnUnderAGreenTitleRow()
    {
        QVERIFY(named<QTabWidget>(*m_window, "tabForm")->isAncestorOf(named<GridView>(*m_window, "fb")));
        QCOMPARE(named<QTabWidget>(*m_window, "tabForm")->tabText(0), u"Form"_s);
        QCOMPARE(fb().rows(), 14);
        QCOMPARE(fb().text(0, 0), u"Column"_s);
        QCOMPARE(fb().text(0, 1), u"Value"_s);
        for (int c : { 0, 1 }) {
            const CellFormat f = fb().cellFormat(0, c);
            QVERIFY(f.bold);
            QCOMPARE(QColor::fromRgb(f.fore), QColor(Qt::white));
            QCOMPARE(QColor::fromRgb(f.back), QColor(0, 128, 0));
            QCOMPARE(f.alignment, Alignment::CenterCenter);
        }
        QCOMPARE(fb().columnAlignment(0), Alignment::RightCenter);
        const QStringList titles { u"Name"_s, u"Street"_s, u"City"_s, u"State"_s, u"Zip Code"_s, u"Phone"_s };
        for (int n = 0; n < titles.size(); ++n)
            QCOMPARE(fb().text(n + 1, 0), titles[n]);
        QCOMPARE(fb().selectionMode(), GridModel::SelectionMode::ListBox);
    }

    void hoveringMovesTheFrame()
    {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(button(3), &enter);
        QCOMPARE(button(3)->frameShape(), QFrame::Box);
        QCOMPARE(form().hoveredButton(), 3);
        QCoreApplication::sendEvent(button(4), &enter);
        QCOMPARE(button(3)->frameShape(), QFrame::NoFrame);
        QCOMPARE(button(4)->frameShape(), QFrame::Box);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(button(4), &leave);
        QCOMPARE(button(4)->frameShape(), QFrame::NoFrame);
        QCOMPARE(form().hoveredButton(), -1);
    }

    void navigationStopsAtBothEnds_data()
    {
        QTest::addColumn<int>("dataRows");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("expected");
        QTest::newRow("first goes to row 1") << 5 << 4 << 2 << 1;
        QTest::newRow("up goes one row up") << 5 << 4 << 3 << 3;
        QTest::newRow("up on row 1 does nothing") << 5 << 1 << 3 << 1;
        QTest::newRow("down goes one row down") << 5 << 4 << 4 << 5;
        QTest::newRow("down on the last row does nothing") << 5 << 5 << 4 << 5;
        QTest::newRow("last goes to the last row") << 5 << 2 << 5 << 5;
        QTest::newRow("down on a title-only table does nothing") << 0 << 0 << 4 << 0;
        QTest::newRow("up on a title-only table does nothing") << 0 << 0 << 3 << 0;
        QTest::newRow("first on a title-only table does nothing") << 0 << 0 << 2 << 0;
        QTest::newRow("last on a title-only table does nothing") << 0 << 0 << 5 << 0;
    }

    void navigationStopsAtBothEnds()
    {
        QFETCH(int, dataRows);
        QFETCH(int, start);
        QFETCH(int, button);
        QFETCH(int, expected);
        fillTable(dataRows);
        goTo(start);
        click(this->button(button));
        QCOMPARE(fa().row(), expected);
        QCOMPARE(fa().rows(), dataRows + 1);
        QCOMPARE(counter(), u"%1 / %2"_s.arg(expected).arg(dataRows));
        // The panel shows the record it went to (nothing on a title-only table).
        QCOMPARE(fb().text(1, 1), expected > 0 ? u"r%1c0"_s.arg(expected) : QString());
        if (expected != start)
            QCOMPARE(fa().selectedRows(), std::vector<int>({ expected }));
    }

    void addOneRecordOnATitleOnlyTable()
    {
        fa().setRows(1);
        fa().setCursor(0, 0);
        m_window->fa_Click();
        click(button(1));
        QCOMPARE(fa().rows(), 2);
        QCOMPARE(fa().row(), 1);
        QCOMPARE(counter(), u"1 / 1"_s);
        for (int line = 1; line < fb().rows(); ++line)
            QCOMPARE(fb().text(line, 1), QString());
        QCOMPARE(fb().row(), 1);
        QCOMPARE(fb().col(), 1);
        QCOMPARE(fa().text(0, 0), u"Name"_s);
    }

    void addOneRecordEmptiesThePanelAndUntickesChecks()
    {
        fillTable(3);
        fa().setColumnDataType(9, DataType::Boolean);
        fa().updateFormats({ 2, 9, 2, 9 }, [](CellFormat &f) { f.check = CheckBox::Checked; });
        goTo(2);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Checked);
        click(button(1));
        QCOMPARE(fa().rows(), 5);
        QCOMPARE(fa().row(), 4);
        QCOMPARE(fb().text(1, 1), QString());
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Unchecked);
        QCOMPARE(fb().cellFormat(1, 1).check, CheckBox::None);
    }

    void typingInThePanelChangesTheRecord()
    {
        QVERIFY(showMoneyRecord());
        // The editor starts from the stored value, not the shown one.
        QLineEdit *editor = startFormEdit(10);
        QVERIFY(editor);
        QCOMPARE(editor->text(), u"1234.5"_s);
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_COMPARE(fb().text(10, 1), u"$1,234.50"_s);

        typeIntoForm(1, u"Acme Tools"_s);
        QTRY_COMPARE(fa().text(2, 0), u"Acme Tools"_s);
        typeIntoForm(10, u"99"_s);
        QTRY_COMPARE(fa().text(2, 9), u"99"_s);
        QCOMPARE(fb().text(10, 1), u"$99.00"_s);
        QCOMPARE(fa().text(1, 0), u"r1c0"_s);
        QCOMPARE(fa().text(3, 0), u"r3c0"_s);
    }

    void aLineBeingTypedIntoKeepsTheUsersText()
    {
        QVERIFY(showMoneyRecord());
        QLineEdit *editor = startFormEdit(10);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, u"77"_s);
        // Rows arriving meanwhile (a harvest) refresh the panel around the open editor.
        fa().appendRows({ QStringList { u"new"_s } });
        QCOMPARE(editor->text(), u"77"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(fa().text(2, 9), u"77"_s);
        QTRY_COMPARE(fb().text(10, 1), u"$77.00"_s);
    }

    void titlesInThePanelCannotBeEdited()
    {
        fillTable(2);
        goTo(1);
        QVERIFY(showWindow());
        fb().setCursor(1, 0);
        fb().startEdit();
        QVERIFY(!named<GridView>(*m_window, "fb")->isEditing());
    }

    void formEditsFollowTheChangedFlagRule_data()
    {
        QTest::addColumn<bool>("named");
        QTest::newRow("a named file gets Save") << true;
    }

    void formEditsFollowTheChangedFlagRule()
    {
        QFETCH(bool, named);
        fillTable(2);
        if (named)
            m_window->table().setCurrentFile(m_home + u"/list.tsy"_s);
        m_window->table().MakeModified(false);
        goTo(1);
        QVERIFY(showWindow());
        typeIntoForm(2, u"Main St"_s);
        QTRY_COMPARE(fa().text(1, 1), u"Main St"_s);
        QVERIFY(m_window->table().changed());
        QCOMPARE(m_window->table().saveEnabled(), named);
    }

    void checkBoxesTickBothWays()
    {
        fillTable(3);
        fa().setColumnDataType(9, DataType::Boolean);
        fa().setText(2, 9, u"-1"_s); // a value from a file, not yet a check box
        goTo(2);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Checked);
        QCOMPARE(fb().text(10, 1), QString());

        // Ticked off in the panel, as a click does it.
        fb().setData(fb().index(10, 1), Qt::Unchecked, Qt::CheckStateRole);
        QCOMPARE(fa().cellFormat(2, 9).check, CheckBox::Unchecked);
        QCOMPARE(fa().cellFormat(1, 9).check, CheckBox::None);

        // Ticked in the record table: the panel follows at once.
        fa().setData(fa().index(2, 9), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Checked);
        QVERIFY(m_window->table().changed());

        goTo(1);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Unchecked);
    }

    void recordTableEditsReachThePanelAndTheChangedFlag_data()
    {
        QTest::addColumn<bool>("named");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<bool>("saveEnabled");
        QTest::newRow("an edit of a saved named file enables Save") << true << "Zed" << true << true;
        QTest::newRow("an edit that changes nothing marks nothing") << true << "" << false << false;
    }

    void recordTableEditsReachThePanelAndTheChangedFlag()
    {
        QFETCH(bool, named);
        QFETCH(QString, typed);
        fillTable(3);
        if (named)
            m_window->table().setCurrentFile(m_home + u"/list.tsy"_s);
        m_window->table().MakeModified(false);
        QVERIFY(showWindow());
        m_window->enterBlockMode();
        goTo(2);
        fa().setCursor(2, 3);
        fa().startEdit();
        QLineEdit *editor = openEditor(test::named<GridView>(*m_window, "fa"));
        QVERIFY(editor);
        if (!typed.isEmpty()) {
            editor->selectAll();
            QTest::keyClicks(editor, typed);
        }
        QSignalSpy after(test::named<GridView>(*m_window, "fa"), &GridView::afterEdit);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(after.count(), 1);
        const QString expected = typed.isEmpty() ? u"r2c3"_s : typed;
        QCOMPARE(fa().text(2, 3), expected);
        QCOMPARE(fb().text(4, 1), expected);
        QTEST(m_window->table().changed(), "changed");
        QTEST(m_window->table().saveEnabled(), "saveEnabled");
    }

    void thePanelFollowsColumnChangesAtOnce()
    {
        fillTable(2);
        goTo(2);
        fa().insertColumn(13);
        QCOMPARE(fb().rows(), 15);
        fa().setText(0, 13, u"Notes"_s);
        QCOMPARE(fb().text(14, 0), u"Notes"_s);
        fa().removeColumn(0);
        QCOMPARE(fb().rows(), 14);
        QCOMPARE(fb().text(1, 0), u"Street"_s);
        QCOMPARE(fb().text(1, 1), u"r2c1"_s);
        fa().setCols(3);
        QCOMPARE(fb().rows(), 4);
        QCOMPARE(fb().text(3, 0), u"State"_s);
        m_window->table().buildNewTable();
        QCOMPARE(fb().rows(), 14);
        QCOMPARE(fb().text(6, 0), u"Phone"_s);
    }

    void thePanelFollowsChangesToTheCurrentRecordAtOnce()
    {
        fillTable(4);
        goTo(2);
        fa().setClip({ 2, 0, 2, 1 }, u"Pasted\tBlock"_s);
        QCOMPARE(fb().text(1, 1), u"Pasted"_s);
        QCOMPARE(fb().text(2, 1), u"Block"_s);
        fa().setColumnDataType(1, DataType::Double);
        fa().setText(2, 1, u"7"_s);
        fa().setColumnFormat(1, u"0.0"_s);
        QCOMPARE(fb().text(2, 1), u"7.0"_s);
        // Rows moving under the cursor bring another record to it.
        fa().insertRow(1);
        QCOMPARE(fb().text(1, 1), u"r1c0"_s);
        fa().sort(0, 0, Qt::DescendingOrder);
        QCOMPARE(fb().text(1, 1), fa().text(2, 0));
        // Changes to other records leave the panel alone.
        fa().setText(4, 0, u"elsewhere"_s);
        QCOMPARE(fb().text(1, 1), fa().text(2, 0));
    }

    void aMovedColumnShowsInItsNewPlace()
    {
        fillTable(2);
        goTo(1);
        fa().moveColumn(2, 0);
        m_window->fa_Click();
        QCOMPARE(fb().text(1, 0), u"City"_s);
        QCOMPARE(fb().text(2, 0), u"Name"_s);
        QCOMPARE(fb().text(1, 1), u"r1c2"_s);
    }

    void theCloseBoxHidesThePanelAndF2BringsItBack()
    {
        fillTable(4);
        goTo(1);
        QAction *entry = m_window->findChild<QAction *>(u"mnuViewFb"_s);
        QVERIFY(entry->isChecked());
        click(m_window->findChild<QLabel *>(u"imgClose"_s));
        QVERIFY(named<QTabWidget>(*m_window, "tabForm")->isHidden());
        QVERIFY(!entry->isChecked());
        // While hidden the counter still follows; the panel catches up when shown.
        goTo(3);
        QCOMPARE(counter(), u"3 / 4"_s);
        QCOMPARE(fb().text(1, 1), u"r1c0"_s);
        entry->trigger();
        QVERIFY(!named<QTabWidget>(*m_window, "tabForm")->isHidden());
        QCOMPARE(fb().text(1, 1), u"r3c0"_s);
    }

    void navigationKeysInTheTableRefreshThePanel()
    {
        fillTable(5);
        QVERIFY(showWindow());
        goTo(2);
        named<GridView>(*m_window, "fa")->setFocus();
        QTest::keyClick(named<GridView>(*m_window, "fa"), Qt::Key_Down);
        QTRY_COMPARE(counter(), u"3 / 5"_s);
        QCOMPARE(fb().text(1, 1), u"r3c0"_s);
    }

    void rowHeightButtonsChangeThePanelRows()
    {
        fillTable(2);
        goTo(1);
        fb().setCursor(3, 1);
        fb().setSelectedRows({ 3 });
        const int before = fb().rowHeight(3);
        const int record = fa().rowHeight(1);
        click(button(6));
        QCOMPARE(fb().rowHeight(3), before + 240);
        click(button(7));
        QCOMPARE(fb().rowHeight(3), before);
        QCOMPARE(fa().rowHeight(1), record);
        // Never below the standard height.
        click(button(7));
        click(button(7));
        QCOMPARE(fb().rowHeight(3), 240);
    }

    void deleteOnATitleOnlyTableAsksNothing()
    {
        fa().setRows(1);
        goTo(0);
        click(button(0));
        QCOMPARE(fa().rows(), 1);
        QCOMPARE(fa().text(0, 0), u"Name"_s);
        QVERIFY(m_window->findChild<frmDelDialog *>() == nullptr || !form().deleteDialog().isVisible());
    }
};

QTEST_MAIN(TestFormPanel)
#include "tst_formpanel.moc"
