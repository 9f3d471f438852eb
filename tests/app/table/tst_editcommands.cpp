#include "app/grid/gridview.h"
#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "support/gui/tablewindowfixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;
using Rows = QList<int>;

// The Edit menu's commands reach their rules (the rules themselves are checked in the core).
class TestEditCommands : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    GridModel &fb() { return m_window->findChild<EditCommands *>()->formPanel().grid(); }
    QAction *key(const QString &name) const { return m_window->toolbarButton(0, name); }
    QString panel(int index) const { return m_window->panel(index)->text(); }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }
    GridView *view(const char *name) const { return named<GridView>(*m_window, name); }

    static QString row(int r)
    {
        QStringList cells;
        for (int c = 0; c < 13; ++c)
            cells << u"r%1c%2"_s.arg(r).arg(c);
        return cells.join(u'\t');
    }

    // Block mode: rows holds top, left, bottom, right; Row mode: the marked rows.
    void selectSample(bool blockMode, const Rows &rows)
    {
        if (blockMode) {
            m_window->enterBlockMode();
            fa().select(rows[0], rows[1], rows.value(2, rows[0]), rows.value(3, rows[1]));
        } else {
            fa().setCursor(rows.last(), 0);
            fa().setSelectedRows(std::vector<int>(rows.begin(), rows.end()));
        }
    }

    // One observation of the window by name: "rows", "cols", "counter", "selected", "save",
    // "form" (the Form panel's lines), "h<row>" (a row height) or "<row>,<col>" (a cell).
    QString probe(const QString &what)
    {
        if (what == u"rows")
            return QString::number(fa().rows());
        if (what == u"cols")
            return QString::number(fa().cols());
        if (what == u"counter")
            return panel(6);
        if (what == u"save")
            return QString::number(m_window->table().saveEnabled());
        if (what == u"form")
            return QString::number(fb().rows());
        if (what == u"selected") {
            QStringList rows;
            for (int r : fa().selectedRows())
                rows << QString::number(r);
            return rows.join(u' ') + (fa().selection().right == fa().cols() - 1 ? u" whole"_s : QString());
        }
        if (what.startsWith(u'h'))
            return QString::number(fa().rowHeight(what.mid(1).toInt()));
        return fa().text(what.section(u',', 0, 0).toInt(), what.section(u',', 1).toInt());
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->showTab(frmMain::kTabResults);
        QGuiApplication::clipboard()->clear();
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void modesSwitchFromMenuAndKeys_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<bool>("rowMode");
        QTest::newRow("the window starts in Row mode") << "" << true;
        QTest::newRow("the Block menu entry") << "mnuMouseMode_1" << false;
        QTest::newRow("the Block key") << "key:BlockMode" << false;
        QTest::newRow("the Row menu entry") << "mnuMouseMode_0" << true;
        QTest::newRow("the Row key") << "key:RowMode" << true;
    }

    void modesSwitchFromMenuAndKeys()
    {
        QFETCH(QString, trigger);
        QFETCH(bool, rowMode);
        QAction *a = trigger.isEmpty()      ? nullptr
            : trigger.startsWith(u"key:"_s) ? key(trigger.mid(4))
                                            : action(trigger);
        for (int twice = 0; a && twice < 2; ++twice) {
            if (twice == 0) // start from the other mode, so the switch is seen
                rowMode ? m_window->enterBlockMode() : m_window->enterRowMode();
            a->trigger(); // used again, the pressed key stays pressed
        }
        QCOMPARE(m_window->mouseMode(), rowMode ? MouseMode::Row : MouseMode::Block);
        QCOMPARE(panel(3), rowMode ? u"ROW"_s : u"BLOCK"_s);
        QCOMPARE(action(u"mnuMouseMode_0"_s)->isChecked(), rowMode);
        QCOMPARE(action(u"mnuMouseMode_1"_s)->isChecked(), !rowMode);
        QCOMPARE(key(u"RowMode"_s)->isChecked(), rowMode);
        QCOMPARE(key(u"BlockMode"_s)->isChecked(), !rowMode);
        QCOMPARE(fa().selectionMode(), rowMode ? GridModel::SelectionMode::ListBox : GridModel::SelectionMode::Free);
        QVERIFY(!key(u"DragMode"_s)->isChecked());
        QCOMPARE(panel(4), u"US"_s);
    }

    void modeSwitchesKeepTheCurrentCell()
    {
        fillTable(10);
        fa().select(4, 2, 4, 2);
        fa().setSelectedRows({ 3, 4, 5 });
        m_window->enterBlockMode();
        QCOMPARE(fa().selection(), (GridRange { 4, 2, 4, 2 }));
        QCOMPARE(fa().selectedRowCount(), 1);
        fa().select(6, 3, 8, 4);
        m_window->enterRowMode();
        QCOMPARE(fa().selectedRows(), std::vector<int>({ 6 }));
        QCOMPARE(fa().selection(), (GridRange { 6, 0, 6, fa().cols() - 1 }));
    }

    void dragModeFollowsMenuAndKey()
    {
        QAction *dragKey = key(u"DragMode"_s);
        QAction *entry = action(u"mnuDragDrop"_s);
        for (QAction *used : { dragKey, dragKey, entry, entry }) {
            const bool on = !fa().dragEnabled();
            used->trigger();
            QCOMPARE(fa().dragEnabled(), on);
            QCOMPARE(entry->isChecked(), on);
            QCOMPARE(dragKey->isChecked(), on);
            QCOMPARE(panel(4), on ? u"DRAG"_s : QString());
        }
        QVERIFY(!m_window->table().changed()); // a way of selecting is no change
    }

    void clipCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("blockMode");
        QTest::addColumn<int>("owner");
        QTest::addColumn<Rows>("rows"); // Row mode: marked rows; Block mode: top, left, bottom, right
        QTest::addColumn<QString>("clipIn");
        QTest::addColumn<QString>("clipOut");
        QTest::addColumn<QStringList>("changes"); // "row,col=text"; "row,*=" empties the row
        QTest::newRow("Copy in Row mode takes scattered rows without those between")
            << "mnuEditCopy" << false << 1 << Rows { 2, 5 } << "stale" << row(2) + u"\r"_s + row(5) << QStringList();
        QTest::newRow("Copy in Block mode takes the block")
            << "mnuEditCopy" << true << 1 << Rows { 2, 1, 3, 2 } << "stale"
            << "r2c1\tr2c2\rr3c1\tr3c2" << QStringList();
        QTest::newRow("Copy before either grid had the focus copies nothing")
            << "mnuEditCopy" << false << 0 << Rows { 2, 3 } << "stale"
            << "" << QStringList();
        QTest::newRow("Cut in Row mode empties scattered rows but keeps them")
            << "mnuEditCut" << false << 1 << Rows { 1, 5 } << "" << row(1) + u"\r"_s + row(5)
            << QStringList { u"1,*="_s, u"5,*="_s };
        QTest::newRow("Cut in Block mode empties the block only")
            << "mnuEditCut" << true << 1 << Rows { 2, 1, 3, 2 } << ""
            << "r2c1\tr2c2\rr3c1\tr3c2" << QStringList { u"2,1="_s, u"2,2="_s, u"3,1="_s, u"3,2="_s };
        QTest::newRow("Paste of a block into one cell fills that cell only")
            << "mnuEditPaste" << true << 1 << Rows { 2, 1 } << "a\tb\tc\rd\te\tf"
            << "a\tb\tc\rd\te\tf" << QStringList { u"2,1=a"_s };
        QTest::newRow("Paste in Row mode puts lines into scattered rows in order")
            << "mnuEditPaste" << false << 1 << Rows { 1, 4 } << "a\r\nb\r\n"
            << "a\r\nb\r\n"
            << QStringList { u"1,0=a"_s, u"4,0=b"_s };
    }

    void clipCommands()
    {
        QFETCH(QString, command);
        QFETCH(int, owner);
        QFETCH(Rows, rows);
        QFETCH(QString, clipIn);
        QFETCH(QStringList, changes);
        fillTable(6);
        useNamedFile();
        QGuiApplication::clipboard()->setText(clipIn);
        QFETCH(bool, blockMode);
        selectSample(blockMode, rows);
        m_window->setFocusOwner(FocusOwner(owner));
        action(command)->trigger();
        QTEST(clipboard(), "clipOut");
        QCOMPARE(fa().rows(), 7);
        for (int r = 0; r <= 6; ++r)
            for (int c = 0; c < 13; ++c) {
                QString expected = r == 0 ? fa().text(0, c) : u"r%1c%2"_s.arg(r).arg(c);
                for (const QString &change : changes)
                    if (change.startsWith(u"%1,%2="_s.arg(r).arg(c)) || change.startsWith(u"%1,*="_s.arg(r)))
                        expected = change.section(u'=', 1);
                QCOMPARE(fa().text(r, c), expected);
            }
        QCOMPARE(m_window->table().saveEnabled(), !changes.isEmpty());
    }

    void tableCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("dataRows");
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("blockMode");
        QTest::addColumn<Rows>("rows"); // as in clipCommands
        QTest::addColumn<QStringList>("seen"); // probe=expected
        QTest::newRow("Insert Row puts a blank row above the current row and selects it")
            << "mnuInsertRow" << 8 << true << false << Rows { 5 }
            << QStringList { u"rows=10"_s, u"5,0="_s, u"6,0=r5c0"_s, u"counter=5 / 9"_s, u"selected=5 whole"_s,
                   u"save=1"_s };
        QTest::newRow("Add Row on a title-only table makes row 1 without offering Save")
            << "mnuEditAddRow" << 0 << true << false << Rows { 0 }
            << QStringList { u"rows=2"_s, u"counter=1 / 1"_s, u"0,0=Name"_s, u"save=0"_s };
        QTest::newRow("Delete Row removes exactly the marked rows")
            << "mnuDeleteRow" << 10 << true << false << Rows { 3, 7, 9 }
            << QStringList { u"rows=8"_s, u"3,0=r4c0"_s, u"6,0=r8c0"_s, u"7,0=r10c0"_s, u"save=1"_s };
        QTest::newRow("Delete Row in Block mode takes the current row")
            << "mnuDeleteRow" << 4 << true << true << Rows { 2, 3 } << QStringList { u"rows=4"_s, u"2,0=r3c0"_s };
        QTest::newRow("Delete Column takes the current column")
            << "mnuDeleteCol" << 3 << true << true << Rows { 2, 8 }
            << QStringList { u"cols=12"_s, u"1,8=r1c9"_s, u"form=13"_s, u"save=1"_s };
        QTest::newRow("Insert Column puts an untitled column at the current column")
            << "mnuInsertCol" << 3 << true << true << Rows { 2, 1 }
            << QStringList { u"cols=14"_s, u"1,1="_s, u"0,1="_s, u"0,2=Street"_s, u"form=15"_s, u"save=1"_s };
        QTest::newRow("Row Height Increase steps the marked rows without offering Save")
            << "mnuRowHeightInc" << 6 << true << false << Rows { 2, 3 }
            << QStringList { u"h2=960"_s, u"h3=720"_s, u"h4=285"_s, u"save=0"_s };
        QTest::newRow("Row Height Decrease steps them back")
            << "mnuRowHeightDec" << 6 << true << false << Rows { 2, 3 } << QStringList { u"h2=480"_s, u"h3=240"_s };
        QTest::newRow("Row Height Reset resets every data row")
            << "mnuRowHeightReset" << 6 << true << false << Rows { 5 }
            << QStringList { u"h2=240"_s, u"h3=240"_s, u"h5=240"_s };
        QTest::newRow("Cut on the untitled table leaves Save off")
            << "mnuEditCut" << 6 << false << false << Rows { 2 } << QStringList { u"2,0="_s, u"save=0"_s };
    }

    void tableCommands()
    {
        QFETCH(QString, command);
        QFETCH(int, dataRows);
        QFETCH(Rows, rows);
        fillTable(dataRows);
        fa().setRowHeight(2, 720);
        fa().setRowHeight(3, 480);
        QFETCH(bool, named);
        if (named)
            useNamedFile();
        m_window->table().MakeModified(false);
        QFETCH(bool, blockMode);
        blockMode ? fa().setCursor(rows[0], rows[1]) : selectSample(false, rows);
        if (blockMode)
            m_window->enterBlockMode();
        m_window->setFocusOwner(FocusOwner::RecordTable);
        const int titleHeight = fa().rowHeight(0);
        action(command)->trigger();
        QVERIFY(m_window->table().changed());
        QCOMPARE(fa().rowHeight(0), titleHeight);
        QFETCH(QStringList, seen);
        for (const QString &s : seen)
            QCOMPARE(s.section(u'=', 0, 0) + u'=' + probe(s.section(u'=', 0, 0)), s);
    }

    void selectAllTakesTheRecordTable()
    {
        fillTable(4);
        m_window->setFocusOwner(FocusOwner::FormPanel);
        action(u"mnuSelectAll"_s)->trigger();
        QCOMPARE(m_window->focusOwner(), FocusOwner::RecordTable);
        QCOMPARE(panel(5), u"4 Sel"_s);
        m_window->enterBlockMode();
        action(u"mnuSelectAll"_s)->trigger();
        QCOMPARE(fa().selection(), (GridRange { 1, 0, 4, 12 }));
    }

    void theFormPanelCopiesItsLinesAndTakesRowHeightsButNoCutOrPaste()
    {
        fillTable(3);
        fa().setCursor(2, 0);
        m_window->fa_Click();
        fb().setCursor(1, 1);
        fb().setSelectedRows({ 1, 6 });
        m_window->setFocusOwner(FocusOwner::FormPanel);
        key(u"Copy"_s)->trigger();
        QCOMPARE(clipboard(), u"Name\tr2c0\rPhone\tr2c5"_s);
        QGuiApplication::clipboard()->setText(u"X"_s);
        action(u"mnuEditCut"_s)->trigger();
        action(u"mnuEditPaste"_s)->trigger();
        QCOMPARE(fa().text(2, 0), u"r2c0"_s);
        QCOMPARE(fb().text(1, 1), u"r2c0"_s);
        QCOMPARE(clipboard(), u"X"_s);
        const int before = fb().rowHeight(6);
        const int record = fa().rowHeight(2);
        action(u"mnuRowHeightInc"_s)->trigger();
        QCOMPARE(fb().rowHeight(6), before + 240);
        QCOMPARE(fa().rowHeight(2), record);
    }

    void editEntriesFollowTheFocusOwner_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("withFormPanel");
        for (const char *name : { "mnuEditCut", "mnuEditPaste", "mnuSelectAll", "mnuEditFind", "mnuSpace101",
                 "mnuSpace102", "mnuEditColAttr", "mnuEditColTitle", "mnuAlignAction", "mnuSpace221", "mnuSpace222" })
            QTest::addRow("%s is for the record table only", name) << QString::fromLatin1(name) << false;
        QTest::newRow("Copy serves both grids") << "mnuEditCopy" << true;
        QTest::newRow("Background colour serves both grids") << "mnuBkColor" << true;
    }

    void editEntriesFollowTheFocusOwner()
    {
        QFETCH(QString, name);
        QVERIFY(named<QMenu>(*m_window, "mnuEdit")->actions().contains(action(name)));
        m_window->setFocusOwner(FocusOwner::FormPanel);
        QTEST(action(name)->isVisible(), "withFormPanel");
        m_window->setFocusOwner(FocusOwner::RecordTable);
        QVERIFY(action(name)->isVisible());
    }

    void rightClickShowsTheEditMenu_data()
    {
        QTest::addColumn<bool>("blockMode");
        QTest::addColumn<bool>("formPanel");
        QTest::addColumn<bool>("rowHeights");
        QTest::newRow("the table in Row mode offers Row Height") << false << false << true;
        QTest::newRow("the table in Block mode hides Row Height") << true << false << false;
        QTest::newRow("the Form panel offers Row Height after the table hid it") << true << true << true;
    }

    void rightClickShowsTheEditMenu()
    {
        QFETCH(bool, blockMode);
        QFETCH(bool, formPanel);
        fillTable(5);
        QVERIFY(showWindow());
        if (blockMode)
            m_window->enterBlockMode();
        QMenu *menu = named<QMenu>(*m_window, "mnuEdit");
        for (const char *grid : { "fa", "fb" }) {
            if (grid == std::string_view("fb") && !formPanel)
                break;
            QTest::mouseClick(view(grid)->viewport(), Qt::RightButton, {},
                view(grid)->visualRect(view(grid)->model()->index(2, 1)).center());
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
        }
        QAction *rowHeight = named<QMenu>(*m_window, "mnuRowHeight")->menuAction();
        QTEST(rowHeight->isVisible() && rowHeight->isEnabled(), "rowHeights");
    }

    void doubleClickEditsTheCellInEitherMode()
    {
        fillTable(5);
        QVERIFY(showWindow());
        for (bool blockMode : { false, true }) {
            blockMode ? m_window->enterBlockMode() : m_window->enterRowMode();
            const QPoint at = view("fa")->visualRect(fa().index(3, 2)).center();
            QTest::mouseClick(view("fa")->viewport(), Qt::LeftButton, {}, at); // a double click starts with a click
            QTest::mouseDClick(view("fa")->viewport(), Qt::LeftButton, {}, at);
            QTRY_VERIFY(view("fa")->isEditing());
            QCOMPARE(fa().row(), 3);
            QCOMPARE(fa().col(), 2);
            QTest::keyClick(view("fa")->focusWidget(), Qt::Key_Escape);
            QTRY_VERIFY(!view("fa")->isEditing());
        }
    }

    void activatingTheWindowReappliesTheMode()
    {
        fillTable(5);
        fa().setSelectedRows({ 4 });
        // The Find dialog leaves the table selecting single cells.
        view("fa")->setSelectionMode(GridModel::SelectionMode::Free);
        fa().setCursor(2, 3);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(m_window.get(), &activate);
        QCOMPARE(fa().selectionMode(), GridModel::SelectionMode::ListBox);
        QCOMPARE(fa().selectedRows(), std::vector<int>({ 2 }));
        QCOMPARE(panel(6), u"2 / 5"_s);
        // Rows the user marked survive a visit to another window.
        fa().setCursor(3, 0);
        fa().setSelectedRows({ 1, 2, 3 });
        QCoreApplication::sendEvent(m_window.get(), &activate);
        QCOMPARE(fa().selectedRowCount(), 3);
    }

    // A newcomer's slip: Delete Duplicates on a saved list, taken back with Ctrl+Z.
    void aMenuCommandIsOneNamedStepBackToTheSavedState()
    {
        fillTable(4);
        for (int c = 0; c < fa().cols(); ++c)
            fa().setText(3, c, fa().text(1, c));
        useNamedFile();
        QAction *undo = action(u"mnuEditUndo"_s);
        QAction *redo = action(u"mnuEditRedo"_s);
        QTRY_COMPARE(undo->text(), u"&Undo Typing"_s);
        m_prompts->answers = { UserPrompts::Answer::Yes };
        action(u"mnuDelDup"_s)->trigger();
        QCOMPARE(fa().rows(), 4);
        QTRY_COMPARE(undo->text(), u"&Undo Delete Duplicates"_s);
        undo->trigger();
        QCOMPARE(fa().rows(), 5);
        QCOMPARE(fa().text(3, 0), u"r1c0"_s);
        QVERIFY(!m_window->table().changed());
        QCOMPARE(redo->text(), u"&Redo Delete Duplicates"_s);
        redo->trigger();
        QCOMPARE(fa().rows(), 4);
        QVERIFY(m_window->table().changed());
        m_prompts->answers = { UserPrompts::Answer::No }; // New: do not save
        action(u"mnuNew"_s)->trigger();
        QVERIFY(!undo->isEnabled());
        QCOMPARE(undo->text(), u"&Undo"_s);
    }
};

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
