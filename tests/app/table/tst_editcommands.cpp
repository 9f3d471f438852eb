#include "app/grid/gridview.h"
#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "support/gui/tablewindowfixture.h"

#include <QFile>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTabWidget>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;
using Rows = QList<int>;

class TestEditCommands : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    EditCommands &edit() { return *m_window->findChild<EditCommands *>(); }
    QAction *key(const QString &name) const { return m_window->toolbarButton(0, name); }
    QString panel(int index) const { return m_window->panel(index)->text(); }
    static QString clipboard() { return QGuiApplication::clipboard()->text(); }

    static QString row(int r, int cols)
    {
        QStringList cells;
        for (int c = 0; c < cols; ++c)
            cells << u"r%1c%2"_s.arg(r).arg(c);
        return cells.join(QLatin1Char('\t'));
    }

    void markRows(const Rows &rows)
    {
        fa().setCursor(rows.last(), 0);
        fa().setSelectedRows(std::vector<int>(rows.begin(), rows.end()));
    }

    // Block mode: rows holds top, left, bottom, right; Row mode: the marked rows.
    void selectSample(bool blockMode, const Rows &rows)
    {
        if (!blockMode)
            return markRows(rows);
        m_window->enterBlockMode();
        fa().select(rows[0], rows[1], rows[2], rows[3]);
    }

private slots:
    void init()
    {
        QVERIFY(openWindow());
        m_window->showTab(frmMain::kTabResults);
        QGuiApplication::clipboard()->clear();
    }

    void cleanup() { QCOMPARE(closeWindow(), 0); }

    void theWindowStartsInRowModeWithDragOff()
    {
        QVERIFY(action(u"mnuMouseMode_0"_s)->isChecked());
        QVERIFY(!action(u"mnuMouseMode_1"_s)->isChecked());
        QVERIFY(key(u"RowMode"_s)->isChecked());
        QVERIFY(!key(u"BlockMode"_s)->isChecked());
        QVERIFY(!key(u"DragMode"_s)->isChecked());
        QCOMPARE(panel(3), u"ROW"_s);
        QCOMPARE(panel(4), u"US"_s);
        QCOMPARE(fa().selectionMode(), GridModel::SelectionMode::ListBox);
        QCOMPARE(m_window->focusOwner(), FocusOwner::None);
    }

    void modesSwitchFromMenuAndKeys_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<bool>("rowMode");
        QTest::newRow("the Block menu entry") << "mnuMouseMode_1" << false;
        QTest::newRow("the Block key") << "key:BlockMode" << false;
        QTest::newRow("the Row menu entry") << "mnuMouseMode_0" << true;
        QTest::newRow("the Row key") << "key:RowMode" << true;
    }

    void modesSwitchFromMenuAndKeys()
    {
        QFETCH(QString, trigger);
        QFETCH(bool, rowMode);
        // Start from the other mode, so the switch is seen.
        if (rowMode)
            m_window->enterBlockMode();
        else
            m_window->enterRowMode();
        QAction *a = trigger.startsWith(u"key:"_s) ? key(trigger.mid(4)) : action(trigger);
        a->trigger();
        QCOMPARE(m_window->mouseMode(), rowMode ? MouseMode::Row : MouseMode::Block);
        QCOMPARE(panel(3), rowMode ? u"ROW"_s : u"BLOCK"_s);
        QCOMPARE(action(u"mnuMouseMode_0"_s)->isChecked(), rowMode);
        QCOMPARE(action(u"mnuMouseMode_1"_s)->isChecked(), !rowMode);
        QCOMPARE(key(u"RowMode"_s)->isChecked(), rowMode);
        QCOMPARE(key(u"BlockMode"_s)->isChecked(), !rowMode);
        QCOMPARE(fa().selectionMode(), rowMode ? GridModel::SelectionMode::ListBox : GridModel::SelectionMode::Free);
        // Used again, the pressed key stays pressed.
        a->trigger();
        QCOMPARE(key(u"RowMode"_s)->isChecked(), rowMode);
        QCOMPARE(key(u"BlockMode"_s)->isChecked(), !rowMode);
    }

    void blockModeKeepsTheCurrentCellAndDropsARowSelection()
    {
        fillTable(10);
        markRows({ 3, 4, 5 });
        fa().select(4, 2, 4, 2);
        fa().setSelectedRows({ 3, 4, 5 });
        m_window->enterBlockMode();
        QCOMPARE(fa().row(), 4);
        QCOMPARE(fa().col(), 2);
        QCOMPARE(fa().selection(), (GridRange { 4, 2, 4, 2 }));
        QCOMPARE(fa().selectedRowCount(), 1);
    }

    void rowModeSelectsTheWholeCurrentRow()
    {
        fillTable(10);
        m_window->enterBlockMode();
        fa().select(6, 3, 8, 4);
        m_window->enterRowMode();
        QCOMPARE(fa().selectedRows(), std::vector<int>({ 6 }));
        QCOMPARE(fa().selection(), (GridRange { 6, 0, 6, fa().cols() - 1 }));
    }

    void dragModeFollowsMenuAndKey()
    {
        QAction *dragKey = key(u"DragMode"_s);
        QAction *entry = action(u"mnuDragDrop"_s);
        // Key on, key off, entry on, entry off: both show the state either way.
        for (QAction *used : { dragKey, dragKey, entry, entry }) {
            const bool on = !fa().dragEnabled();
            used->trigger();
            QCOMPARE(fa().dragEnabled(), on);
            QCOMPARE(entry->isChecked(), on);
            QCOMPARE(dragKey->isChecked(), on);
            QCOMPARE(panel(4), on ? u"DRAG"_s : QString());
        }
        // A way of selecting is no change to the table.
        m_window->enterBlockMode();
        QVERIFY(!m_window->table().changed());
    }

    void copyPutsTheSelectionAsSeen_data()
    {
        QTest::addColumn<bool>("blockMode");
        QTest::addColumn<int>("owner");
        QTest::addColumn<Rows>("rows"); // Row mode: marked rows; Block mode: top, left, bottom, right
        QTest::addColumn<QString>("expected");
        const int cols = 13;
        QTest::newRow("Row mode copies scattered rows without those between")
            << false << 1 << Rows { 2, 5 } << row(2, cols) + u"\r"_s + row(5, cols);
        QTest::newRow("Block mode copies the block") << true << 1 << Rows { 2, 1, 3, 2 } << u"r2c1\tr2c2\rr3c1\tr3c2"_s;
        QTest::newRow("before either grid had the focus nothing is copied") << false << 0 << Rows { 2, 3 } << QString();
    }

    void copyPutsTheSelectionAsSeen()
    {
        QFETCH(bool, blockMode);
        QFETCH(int, owner);
        QFETCH(Rows, rows);
        fillTable(6);
        QGuiApplication::clipboard()->setText(u"stale"_s);
        selectSample(blockMode, rows);
        if (owner != 0)
            m_window->setFocusOwner(FocusOwner(owner));
        action(u"mnuEditCopy"_s)->trigger();
        QTEST(clipboard(), "expected");
    }

    void copyFromTheFormPanelTakesItsSelectedLines()
    {
        fillTable(3);
        fa().setCursor(2, 0);
        m_window->fa_Click();
        GridModel &fb = edit().formPanel().grid();
        fb.setCursor(1, 1);
        fb.setSelectedRows({ 1, 6 });
        m_window->setFocusOwner(FocusOwner::FormPanel);
        key(u"Copy"_s)->trigger();
        QCOMPARE(clipboard(), u"Name\tr2c0\rPhone\tr2c5"_s);
        // Cut and Paste leave both grids alone while the Form panel owns the focus.
        QGuiApplication::clipboard()->setText(u"X"_s);
        action(u"mnuEditCut"_s)->trigger();
        action(u"mnuEditPaste"_s)->trigger();
        QCOMPARE(fa().text(2, 0), u"r2c0"_s);
        QCOMPARE(fb.text(1, 1), u"r2c0"_s);
        QCOMPARE(clipboard(), u"X"_s);
    }

    void cutEmptiesCellsButKeepsRows_data()
    {
        QTest::addColumn<bool>("blockMode");
        QTest::addColumn<Rows>("rows"); // Row mode: marked rows; Block mode: top, left, bottom, right
        QTest::addColumn<QString>("clip");
        QTest::newRow("Row mode empties scattered rows only")
            << false << Rows { 1, 5 } << QStringList { row(1, 13), row(5, 13) }.join(u'\r');
        QTest::newRow("Block mode empties the block only")
            << true << Rows { 2, 1, 3, 2 } << u"r2c1\tr2c2\rr3c1\tr3c2"_s;
    }

    void cutEmptiesCellsButKeepsRows()
    {
        QFETCH(bool, blockMode);
        QFETCH(Rows, rows);
        fillTable(6);
        selectSample(blockMode, rows);
        m_window->setFocusOwner(FocusOwner::RecordTable);
        action(u"mnuEditCut"_s)->trigger();
        QTEST(clipboard(), "clip");
        QCOMPARE(fa().rows(), 7);
        for (int r = 1; r <= 6; ++r) {
            for (int c = 0; c < fa().cols(); ++c) {
                const bool gone
                    = blockMode ? GridRange { rows[0], rows[1], rows[2], rows[3] }.contains(r, c) : rows.contains(r);
                QCOMPARE(fa().text(r, c), gone ? QString() : u"r%1c%2"_s.arg(r).arg(c));
            }
        }
        QCOMPARE(fa().text(0, 0), u"Name"_s);
    }

    // One row per mode; the paste rules themselves are the core's.
    void pasteIsBoundedByTheSelection_data()
    {
        QTest::addColumn<bool>("blockMode");
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QStringList>("changed"); // "row,col=text"
        QTest::newRow("a two-by-three block into one cell fills that cell only")
            << true << Rows { 2, 1, 2, 1 } << "a\tb\tc\rd\te\tf" << QStringList { u"2,1=a"_s };
        QTest::newRow("lines go into scattered rows in order") << false << Rows { 1, 4 } << "a\r\nb\r\n"
                                                               << QStringList { u"1,0=a"_s, u"4,0=b"_s };
    }

    void pasteIsBoundedByTheSelection()
    {
        QFETCH(bool, blockMode);
        QFETCH(Rows, rows);
        QFETCH(QString, clip);
        QFETCH(QStringList, changed);
        fillTable(5);
        selectSample(blockMode, rows);
        QGuiApplication::clipboard()->setText(clip);
        m_window->setFocusOwner(FocusOwner::RecordTable);
        action(u"mnuEditPaste"_s)->trigger();
        QCOMPARE(fa().rows(), 6);
        QCOMPARE(fa().cols(), 13);
        for (int r = 1; r <= 5; ++r) {
            for (int c = 0; c < fa().cols(); ++c) {
                QString expected = u"r%1c%2"_s.arg(r).arg(c);
                for (const QString &cell : changed)
                    if (cell.section(QLatin1Char('='), 0, 0) == u"%1,%2"_s.arg(r).arg(c))
                        expected = cell.section(QLatin1Char('='), 1);
                QCOMPARE(fa().text(r, c), expected);
            }
        }
    }

    void selectAllTakesNoTitles()
    {
        fillTable(4);
        m_window->setFocusOwner(FocusOwner::FormPanel);
        action(u"mnuSelectAll"_s)->trigger();
        QCOMPARE(m_window->focusOwner(), FocusOwner::RecordTable);
        QCOMPARE(panel(5), u"4 Sel"_s);
        action(u"mnuEditCopy"_s)->trigger();
        QVERIFY(!clipboard().contains(u"Name"_s));
        QCOMPARE(clipboard().split(QLatin1Char('\r')).size(), 4);
        QVERIFY(clipboard().startsWith(u"r1c0\t"_s));
        QVERIFY(clipboard().endsWith(u"r4c12"_s));

        m_window->enterBlockMode();
        action(u"mnuSelectAll"_s)->trigger();
        QCOMPARE(fa().selection(), (GridRange { 1, 0, 4, 12 }));
    }

    void editsMarkTheTableAsTheirRuleSays_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("named");
        QTest::addColumn<bool>("saveEnabled");
        // Every change asks to be saved; Save comes on only for the commands that count as
        // structural changes (the untitled table's rule is the core's: one row here).
        for (const char *cmd :
            { "mnuEditCut", "mnuEditPaste", "mnuInsertRow", "mnuInsertCol", "mnuDeleteCol", "mnuDeleteRow" })
            QTest::addRow("%s on a named file enables Save", cmd) << QString::fromLatin1(cmd) << true << true;
        QTest::newRow("Cut on the untitled table leaves Save off") << "mnuEditCut" << false << false;
        QTest::newRow("Add Row on a named file leaves Save off") << "mnuEditAddRow" << true << false;
        QTest::newRow("a row height on a named file leaves Save off") << "mnuRowHeightInc" << true << false;
    }

    void editsMarkTheTableAsTheirRuleSays()
    {
        QFETCH(QString, command);
        QFETCH(bool, named);
        fillTable(5);
        if (named)
            useNamedFile();
        else
            m_window->table().MakeModified(false);
        QVERIFY(!m_window->table().changed());
        markRows({ 2 });
        m_window->setFocusOwner(FocusOwner::RecordTable);
        QGuiApplication::clipboard()->setText(u"pasted"_s);
        action(command)->trigger();
        QVERIFY(m_window->table().changed());
        QTEST(m_window->table().saveEnabled(), "saveEnabled");
    }

    void insertRowPutsABlankRowAboveTheCurrentRow()
    {
        fillTable(8);
        markRows({ 5 });
        action(u"mnuInsertRow"_s)->trigger();
        QCOMPARE(fa().rows(), 10);
        QCOMPARE(fa().rowTexts(5), QStringList(13, QString()));
        QCOMPARE(fa().text(6, 0), u"r5c0"_s);
        QCOMPARE(fa().text(4, 0), u"r4c0"_s);
        QCOMPARE(fa().row(), 5);
        QCOMPARE(panel(6), u"5 / 9"_s);
    }

    void addRowOnATitleOnlyTableMakesRowOne()
    {
        fa().setRows(1);
        action(u"mnuEditAddRow"_s)->trigger();
        QCOMPARE(fa().rows(), 2);
        QCOMPARE(fa().row(), 1);
        QCOMPARE(fa().text(0, 0), u"Name"_s);
        QCOMPARE(panel(6), u"1 / 1"_s);
    }

    void deleteRowsRemovesExactlyTheMarkedRows()
    {
        fillTable(10);
        markRows({ 3, 7, 9 });
        action(u"mnuDeleteRow"_s)->trigger();
        QCOMPARE(fa().rows(), 8);
        QStringList firsts;
        for (int r = 1; r < fa().rows(); ++r)
            firsts << fa().text(r, 0);
        QCOMPARE(
            firsts, (QStringList { u"r1c0"_s, u"r2c0"_s, u"r4c0"_s, u"r5c0"_s, u"r6c0"_s, u"r8c0"_s, u"r10c0"_s }));
        // Row mode: the new current row is selected whole.
        QCOMPARE(fa().selectedRowCount(), 1);
        QCOMPARE(fa().selection().right, fa().cols() - 1);
    }

    void deleteRowsWithoutMarksTakesTheCurrentRow()
    {
        fillTable(4);
        m_window->enterBlockMode();
        fa().setCursor(2, 3);
        action(u"mnuDeleteRow"_s)->trigger();
        QCOMPARE(fa().rows(), 4);
        QCOMPARE(fa().text(2, 0), u"r3c0"_s);
    }

    void columnsAreInsertedAndDeletedAtTheCurrentColumn()
    {
        fillTable(3);
        m_window->enterBlockMode();
        fa().setCursor(2, 8);
        action(u"mnuDeleteCol"_s)->trigger();
        QCOMPARE(fa().cols(), 12);
        QCOMPARE(fa().text(1, 8), u"r1c9"_s);
        QCOMPARE(edit().formPanel().grid().rows(), 13);

        fa().setCursor(2, 1);
        action(u"mnuInsertCol"_s)->trigger();
        QCOMPARE(fa().cols(), 13);
        QCOMPARE(fa().text(1, 1), QString());
        QCOMPARE(fa().text(0, 1), QString());
        QCOMPARE(fa().text(0, 2), u"Street"_s);
        QCOMPARE(edit().formPanel().grid().text(3, 0), u"Street"_s);
        QCOMPARE(edit().formPanel().grid().rows(), 14);
    }

    void rowHeightsStepOnTheSelectedRows()
    {
        fillTable(6);
        m_window->setFocusOwner(FocusOwner::RecordTable);
        markRows({ 2, 3 });
        action(u"mnuRowHeightReset"_s)->trigger();
        QCOMPARE(fa().rowHeight(2), 240);
        // At the standard height Decrease changes nothing.
        action(u"mnuRowHeightDec"_s)->trigger();
        QCOMPARE(QList<int>({ fa().rowHeight(2), fa().rowHeight(3) }), QList<int>({ 240, 240 }));
        action(u"mnuRowHeightInc"_s)->trigger();
        QCOMPARE(
            QList<int>({ fa().rowHeight(2), fa().rowHeight(3), fa().rowHeight(4) }), QList<int>({ 480, 480, 240 }));
        action(u"mnuRowHeightInc"_s)->trigger();
        action(u"mnuRowHeightDec"_s)->trigger();
        QCOMPARE(fa().rowHeight(2), 480);
        const int title = fa().rowHeight(0);
        action(u"mnuRowHeightReset"_s)->trigger();
        for (int r = 1; r < fa().rows(); ++r)
            QCOMPARE(fa().rowHeight(r), 240);
        QCOMPARE(fa().rowHeight(0), title);
    }

    void rowHeightsGoToTheFormPanelWhenItHadTheFocus()
    {
        fillTable(3);
        GridModel &fb = edit().formPanel().grid();
        fb.setCursor(2, 1);
        fb.setSelectedRows({ 2 });
        m_window->setFocusOwner(FocusOwner::FormPanel);
        const int before = fb.rowHeight(2);
        const int record = fa().rowHeight(fa().row());
        action(u"mnuRowHeightInc"_s)->trigger();
        QCOMPARE(fb.rowHeight(2), before + 240);
        QCOMPARE(fa().rowHeight(fa().row()), record);
    }

    void theFocusDecidesTheOwnerAndTheEditEntries()
    {
        QVERIFY(showWindow());
        named<GridView>(*m_window, "fa")->setFocus();
        QTRY_COMPARE(m_window->focusOwner(), FocusOwner::RecordTable);
        const QStringList recordOnly { u"mnuEditCut"_s, u"mnuEditPaste"_s, u"mnuSelectAll"_s, u"mnuEditFind"_s,
            u"mnuSpace101"_s, u"mnuSpace102"_s };
        for (const QString &name : recordOnly)
            QVERIFY2(action(name)->isVisible(), qPrintable(name));
        named<GridView>(*m_window, "fb")->setFocus();
        QTRY_COMPARE(m_window->focusOwner(), FocusOwner::FormPanel);
        for (const QString &name : recordOnly)
            QVERIFY2(!action(name)->isVisible(), qPrintable(name));
        QVERIFY(action(u"mnuEditCopy"_s)->isVisible());
        named<GridView>(*m_window, "fa")->setFocus();
        QTRY_COMPARE(m_window->focusOwner(), FocusOwner::RecordTable);
        QVERIFY(action(u"mnuEditCut"_s)->isVisible());
    }

    void rightClickShowsTheEditMenu_data()
    {
        QTest::addColumn<bool>("blockMode");
        QTest::addColumn<bool>("formPanel");
        QTest::addColumn<bool>("rowHeights");
        QTest::newRow("the table in Row mode offers Row Height") << false << false << true;
        QTest::newRow("the table in Block mode hides Row Height") << true << false << false;
        QTest::newRow("the Form panel always offers Row Height") << true << true << true;
    }

    void rightClickShowsTheEditMenu()
    {
        QFETCH(bool, blockMode);
        QFETCH(bool, formPanel);
        fillTable(5);
        QVERIFY(showWindow());
        if (blockMode)
            m_window->enterBlockMode();
        if (formPanel) {
            // The table in Block mode has just hidden Row Height.
            QTest::mouseClick(named<GridView>(*m_window, "fa")->viewport(), Qt::RightButton, {},
                named<GridView>(*m_window, "fa")->visualRect(fa().index(2, 1)).center());
            QTRY_VERIFY(named<QMenu>(*m_window, "mnuEdit")->isVisible());
            named<QMenu>(*m_window, "mnuEdit")->hide();
        }
        GridView *grid = formPanel ? named<GridView>(*m_window, "fb") : named<GridView>(*m_window, "fa");
        const QPoint at = grid->visualRect(grid->model()->index(2, 1)).center();
        QTest::mouseClick(grid->viewport(), Qt::RightButton, {}, at);
        QTRY_VERIFY(named<QMenu>(*m_window, "mnuEdit")->isVisible());
        QAction *rowHeight = m_window->findChild<QMenu *>(u"mnuRowHeight"_s)->menuAction();
        QTEST(rowHeight->isVisible() && rowHeight->isEnabled(), "rowHeights");
        named<QMenu>(*m_window, "mnuEdit")->hide();
    }

    void doubleClickEditsTheCellInEitherMode_data()
    {
        QTest::addColumn<bool>("blockMode");
        QTest::newRow("Row mode") << false;
        QTest::newRow("Block mode") << true;
    }

    void doubleClickEditsTheCellInEitherMode()
    {
        QFETCH(bool, blockMode);
        fillTable(5);
        QVERIFY(showWindow());
        if (blockMode)
            m_window->enterBlockMode();
        const QPoint at = named<GridView>(*m_window, "fa")->visualRect(fa().index(3, 2)).center();
        // A user's double click starts with a click.
        QTest::mouseClick(named<GridView>(*m_window, "fa")->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(named<GridView>(*m_window, "fa")->viewport(), Qt::LeftButton, {}, at);
        QTRY_VERIFY(named<GridView>(*m_window, "fa")->isEditing());
        QCOMPARE(fa().row(), 3);
        QCOMPARE(fa().col(), 2);
    }

    void activatingTheWindowReappliesTheMode()
    {
        fillTable(5);
        markRows({ 4 });
        // The Find dialog leaves the table selecting single cells.
        named<GridView>(*m_window, "fa")->setSelectionMode(GridModel::SelectionMode::Free);
        fa().setCursor(2, 3);
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(m_window.get(), &activate);
        QCOMPARE(fa().selectionMode(), GridModel::SelectionMode::ListBox);
        QCOMPARE(fa().selectedRows(), std::vector<int>({ 2 }));
        QCOMPARE(panel(6), u"2 / 5"_s);

        // Rows the user marked survive a visit to another window.
        markRows({ 1, 2, 3 });
        fa().setCursor(3, 0);
        fa().setSelectedRows({ 1, 2, 3 });
        QCoreApplication::sendEvent(m_window.get(), &activate);
        QCOMPARE(fa().selectedRowCount(), 3);
    }

    void theOpenDropDownLoadsItsKindAndReturnsToRowMode_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("comma text") << "OPEN_CSV"
                                    << "list.csv" << QByteArray("Name,City\nAcme,Springfield\n");
        QTest::newRow("tab text") << "OPEN_TXT"
                                  << "list.txt" << QByteArray("Name\tCity\nAcme\tSpringfield\n");
    }

    void theOpenDropDownLoadsItsKindAndReturnsToRowMode()
    {
        QFETCH(QString, entry);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        const QString path = m_home + QLatin1Char('/') + file;
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
        out.close();
        m_window->enterBlockMode();
        m_prompts->fileNames = { path };
        auto *dropEntry = m_window->findChild<QAction *>(u"Toolbar_0_"_s + entry);
        QVERIFY(dropEntry);
        dropEntry->trigger();
        QCOMPARE(fa().cols(), 2);
        QCOMPARE(fa().text(1, 1), u"Springfield"_s);
        QCOMPARE(m_window->mouseMode(), MouseMode::Row);
        QCOMPARE(panel(3), u"ROW"_s);
        QVERIFY(action(u"mnuMouseMode_0"_s)->isChecked());
        // The Form panel follows the opened table's columns.
        QCOMPARE(edit().formPanel().grid().rows(), 3);
        QCOMPARE(edit().formPanel().grid().text(2, 0), u"City"_s);
        QCOMPARE(edit().formPanel().grid().text(2, 1), u"Springfield"_s);
    }
};

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
