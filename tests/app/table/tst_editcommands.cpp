#include "app/grid/gridview.h"
#include "app/table/datatoolcommands.h"
#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "support/gui/tablewindowfixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

#include <functional>

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
    // Clip text on one line: cells end at '|', lines at '/' (a CR) and '^' (an LF).
    static QString escaped(QString text) { return text.replace(u'\t', u'|').replace(u'\r', u'/').replace(u'\n', u'^'); }
    GridView *view(const char *name) const { return named<GridView>(*m_window, name); }

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

    // One observation of the window by name: "rows", "cols", "counter", "selected", "save", "changed",
    // "form" (the Form panel's lines), "font", "grid", "alternate", "h<row>" (a row height),
    // "<row>,<col>" (a cell), "fb <line>" (a Form panel value), "bold|italic|underline|align|back <row>,<col>"
    // (a cell's format; "fb" in place of the cell for the Form panel's current value), "key <name>"
    // (a toolbar key pressed), "clip" (the clipboard, see escaped()).
    QString probe(const QString &what)
    {
        const QString arg = what.section(u' ', 1);
        const CellFormat f = arg == u"fb"
            ? fb().cellFormat(fb().row(), 1)
            : fa().cellFormat(arg.section(u',', 0, 0).toInt(), arg.section(u',', 1).toInt());
        const QMap<QString, std::function<QString()>> probes {
            { u"rows"_s, [&] { return QString::number(fa().rows()); } },
            { u"cols"_s, [&] { return QString::number(fa().cols()); } },
            { u"counter"_s, [&] { return panel(6); } },
            { u"save"_s, [&] { return QString::number(m_window->table().saveEnabled()); } },
            { u"changed"_s, [&] { return QString::number(m_window->table().changed()); } },
            { u"form"_s, [&] { return QString::number(fb().rows()); } },
            { u"font"_s, [&] { return QString::number(fa().fontSize()); } },
            { u"grid"_s, [&] { return QString::number(fa().gridLines()); } },
            { u"alternate"_s, [&] { return fa().alternateRowColor().name(); } },
            { u"fb"_s, [&] { return fb().text(arg.toInt(), 1); } },
            { u"bold"_s, [&] { return QString::number(f.bold); } },
            { u"italic"_s, [&] { return QString::number(f.italic); } },
            { u"underline"_s, [&] { return QString::number(f.underline); } },
            { u"align"_s, [&] { return QString::number(int(f.alignment)); } },
            { u"back"_s, [&] { return f.hasBack ? QColor::fromRgb(f.back).name() : u"none"_s; } },
            { u"key"_s, [&] { return QString::number(key(arg)->isChecked()); } },
            { u"clip"_s, [&] { return escaped(clipboard()); } },
            { u"selected"_s,
                [&]() -> QString {
                    QStringList rows;
                    for (int r : fa().selectedRows())
                        rows << QString::number(r);
                    return rows.join(u' ') + (fa().selection().right == fa().cols() - 1 ? u" whole"_s : QString());
                } },
        };
        const QString name = what.section(u' ', 0, 0);
        if (probes.contains(name))
            return probes[name]();
        if (name.startsWith(u'h'))
            return QString::number(fa().rowHeight(name.mid(1).toInt()));
        return fa().text(name.section(u',', 0, 0).toInt(), name.section(u',', 1).toInt());
    }

    // Sets the window up from "word=value" tokens: rows=<data rows> (6), untitled, marks=<rows> (Row mode,
    // the cursor on the last), block=<top,left[,bottom,right]>, owner=form|none (the record table),
    // line=<Form panel line>, answer=yes|no, color=<name>, cell=<row,col> (emptied first),
    // dup=<row> (a copy of row 1), phones (two phones in row 1 of a table 15 columns wide),
    // cols=<columns>, clip=<clipboard text, see escaped()>.
    void setUp(const QString &setup)
    {
        QMap<QString, QString> with;
        for (const QString &token : setup.split(u' ', Qt::SkipEmptyParts))
            with.insert(token.section(u'=', 0, 0), token.section(u'=', 1));
        fillTable(with.value(u"rows"_s, u"6"_s).toInt());
        fa().setRowHeight(2, 720);
        fa().setRowHeight(3, 480);
        if (with.contains(u"cols"_s))
            fa().setCols(with.value(u"cols"_s).toInt());
        if (with.contains(u"clip"_s))
            QGuiApplication::clipboard()->setText(
                with.value(u"clip"_s).replace(u'|', u'\t').replace(u'/', u'\r').replace(u'^', u'\n'));
        if (with.contains(u"dup"_s))
            for (int c = 0; c < fa().cols(); ++c)
                fa().setText(with.value(u"dup"_s).toInt(), c, fa().text(1, c));
        if (with.contains(u"phones"_s)) {
            fa().setCols(15);
            fa().setText(1, 5, u"555-1234; 555-9876 (fax)"_s);
        }
        if (!with.contains(u"untitled"_s))
            useNamedFile();
        m_window->table().MakeModified(false);
        auto numbers = [&](const QString &name) {
            Rows out;
            for (const QString &n : with.value(name).split(u',', Qt::SkipEmptyParts))
                out << n.toInt();
            return out;
        };
        if (with.contains(u"block"_s))
            selectSample(true, numbers(u"block"_s));
        else if (with.contains(u"marks"_s))
            selectSample(false, numbers(u"marks"_s));
        if (with.contains(u"cell"_s))
            fa().setText(numbers(u"cell"_s)[0], numbers(u"cell"_s)[1], {});
        if (with.contains(u"line"_s)) {
            m_window->fa_Click();
            fb().setCursor(with.value(u"line"_s).toInt(), 1);
        }
        const QString owner = with.value(u"owner"_s);
        m_window->setFocusOwner(owner == u"form" ? FocusOwner::FormPanel
                : owner == u"none"               ? FocusOwner::None
                                                 : FocusOwner::RecordTable);
        if (with.contains(u"answer"_s))
            m_prompts->answers
                = { with.value(u"answer"_s) == u"yes" ? UserPrompts::Answer::Yes : UserPrompts::Answer::No };
        if (with.contains(u"color"_s))
            m_prompts->colors = { QColor(with.value(u"color"_s)) };
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->findChild<DataToolCommands *>()->setClock(
            [] { return QDateTime(QDate(2026, 3, 4), QTime(9, 5, 7)); });
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

    // One row per command of the record table's menus and keys: each reaches its rule (checked in the core).
    void tableCommands_data()
    {
        QTest::addColumn<QString>("command"); // an action, or "key:<toolbar key>"
        QTest::addColumn<QString>("setup"); // see setUp()
        QTest::addColumn<QStringList>("seen"); // probe=expected, see probe()
        auto row = [](const char *name, const char *command, const char *setup, const char *seen) {
            QTest::newRow(name) << QString::fromUtf8(command) << QString::fromUtf8(setup)
                                << QString::fromUtf8(seen).split(u';');
        };
        row("Copy in Row mode takes scattered rows without those between", "mnuEditCopy", "cols=3 marks=2,5 clip=stale",
            "clip=r2c0|r2c1|r2c2/r5c0|r5c1|r5c2;changed=0");
        row("Copy in Block mode takes the block", "mnuEditCopy", "block=2,1,3,2", "clip=r2c1|r2c2/r3c1|r3c2");
        row("Copy before either grid had the focus copies nothing", "mnuEditCopy", "owner=none marks=2,3 clip=stale",
            "clip=");
        row("Cut in Row mode empties scattered rows but keeps them", "mnuEditCut", "cols=3 marks=1,5",
            "clip=r1c0|r1c1|r1c2/r5c0|r5c1|r5c2;rows=7;1,0=;1,2=;5,1=;2,0=r2c0;4,2=r4c2;0,0=Name;save=1");
        row("Cut in Block mode empties the block only", "mnuEditCut", "block=2,1,3,2",
            "clip=r2c1|r2c2/r3c1|r3c2;2,1=;3,2=;2,0=r2c0;3,3=r3c3;4,1=r4c1;1,1=r1c1");
        row("Paste of a block into one cell fills that cell only", "mnuEditPaste", "block=2,1 clip=a|b|c/d|e|f",
            "2,1=a;2,2=r2c2;3,1=r3c1;rows=7;cols=13;save=1");
        row("Paste in Row mode puts lines into scattered rows in order", "mnuEditPaste", "marks=1,4 clip=a/^b/^",
            "1,0=a;4,0=b;2,0=r2c0;1,1=r1c1");
        row("Insert Row puts a blank row above the current row and selects it", "mnuInsertRow", "rows=8 marks=5",
            "rows=10;5,0=;6,0=r5c0;counter=5 / 9;selected=5 whole;save=1");
        row("Add Row on a title-only table makes row 1 without offering Save", "mnuEditAddRow", "rows=0 marks=0",
            "rows=2;counter=1 / 1;0,0=Name;changed=1;save=0");
        row("Delete Row removes exactly the marked rows", "mnuDeleteRow", "rows=10 marks=3,7,9",
            "rows=8;3,0=r4c0;6,0=r8c0;7,0=r10c0;save=1");
        row("Delete Row in Block mode takes the current row", "mnuDeleteRow", "rows=4 block=2,3", "rows=4;2,0=r3c0");
        row("Delete Column takes the current column", "mnuDeleteCol", "rows=3 block=2,8",
            "cols=12;1,8=r1c9;form=13;save=1");
        row("Insert Column puts an untitled column at the current column", "mnuInsertCol", "rows=3 block=2,1",
            "cols=14;1,1=;0,1=;0,2=Street;form=15;save=1");
        row("Row Height Increase steps the marked rows without offering Save", "mnuRowHeightInc", "marks=2,3",
            "h2=960;h3=720;h4=285;h0=285;changed=1;save=0");
        row("Row Height Decrease steps them back", "mnuRowHeightDec", "marks=2,3", "h2=480;h3=240");
        row("Row Height Reset resets every data row", "mnuRowHeightReset", "marks=5", "h2=240;h3=240;h5=240");
        row("Cut on the untitled table leaves Save off", "mnuEditCut", "untitled marks=2", "2,0=;changed=1;save=0");
        row("Bold in Row mode styles the marked rows and stays pressed", "key:Bold", "marks=2,3",
            "bold 2,12=1;bold 3,0=1;bold 4,0=0;key Bold=1;save=1");
        row("Italic in Block mode styles the block", "key:Italic", "block=2,1,3,2",
            "italic 3,2=1;italic 3,3=0;italic 2,0=0;key Italic=1");
        row("Underline on the untitled table leaves Save off", "key:Underline", "untitled marks=4",
            "underline 4,5=1;changed=1;save=0");
        row("Background Colour colours the block", "mnuBkColor", "block=2,1,3,2 color=#0a141e",
            "back 3,2=#0a141e;back 3,3=none;save=1");
        row("the Flood key colours the block too", "key:Flood", "block=2,1,3,2 color=#0a141e", "back 2,1=#0a141e");
        row("Background Colour on the Form panel colours its value only", "mnuBkColor",
            "owner=form line=4 color=#0a141e", "back fb=#0a141e;back 1,3=none;changed=0");
        row("Center on a block changes without offering Save", "mnuAlignCenter", "block=2,1,3,2",
            "align 3,2=4;align 3,3=0;changed=1;save=0");
        row("Left with the Form panel focused aligns the record table", "mnuAlignLeft", "owner=form block=2,1",
            "align 2,1=1;align 3,1=0");
        row("Right with no grid focused yet aligns the record table", "mnuAlignRight", "owner=none marks=2",
            "align 2,4=7");
        row("Fonts makes every cell 12 points and offers Save", "mnuFonts", "", "font=12;save=1");
        row("the Grid entry turns the lines off", "mnuGrid", "", "grid=0;changed=0");
        row("the Alternate Color key turns the colour off", "key:AlternateColor", "", "alternate=#ffffff");
        row("Delete Duplicates answered Yes removes the copy", "mnuDelDup", "dup=4 answer=yes",
            "rows=6;4,0=r5c0;save=1");
        row("Delete Duplicates answered No changes nothing", "mnuDelDup", "dup=4 answer=no", "rows=7;changed=0");
        row("Parse Phone Column answered Yes splits the phones", "mnuParsePhoneCol", "phones answer=yes",
            "cols=13;1,9=555-9876;save=1");
        row("Parse Phone Column answered No changes nothing", "mnuParsePhoneCol", "phones answer=no",
            "cols=15;1,9=r1c9;changed=0");
        row("Date/Time Now stamps the empty current cell by the window's clock", "mnuDateTimeNow", "block=3,8 cell=3,8",
            "3,8= 3/4/2026 9:05:07 AM;changed=1");
    }

    void tableCommands()
    {
        QFETCH(QString, command);
        QFETCH(QString, setup);
        setUp(setup);
        (command.startsWith(u"key:"_s) ? key(command.mid(4)) : action(command))->trigger();
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
