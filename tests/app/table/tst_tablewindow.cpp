#include "app/grid/gridview.h"
#include "app/table/datatoolcommands.h"
#include "app/table/editcommands.h"
#include "app/table/formpanel.h"
#include "app/table/frmcoldef.h"
#include "app/table/frmdeldialog.h"
#include "app/table/frmsearch.h"
#include "app/table/pancolor.h"
#include "app/table/sortarrows.h"
#include "app/table/stylecommands.h"
#include "core/grid/gridfile.h"
#include "core/table/filecommands.h"
#include "core/table/longjobs.h"
#include "support/casetable.h"
#include "support/gridtext.h"
#include "support/gui/tablewindowfixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QToolButton>

#include <functional>

using namespace dq;
using dq::test::named;
using namespace Qt::StringLiterals;
using Rows = QList<int>;
using Cell = QPoint; // x = row, y = column
using Cells = QList<QPoint>;
using Answer = UserPrompts::Answer;

// The record table's window: its commands reach their rules (checked in the core); the style keys'
// own state, the palette, look switches and sort arrows; the Form panel, the Find and Column dialogs;
// and what the user sees of the table through the views.
class TestTableWindow : public QObject, test::TableWindowFixture
{
    Q_OBJECT

    GridModel &fb() { return form().grid(); }
    FormPanel &form() { return m_window->findChild<EditCommands *>()->formPanel(); }
    QString counter() const { return m_window->panel(6)->text(); }
    QLabel *button(int i) const { return named<QLabel>(*m_window, u"imgBtn_%1"_s.arg(i)); }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }

    void goTo(int row)
    {
        fa().setCursor(row, 0);
        m_window->fa_Click();
    }

    // The editor open in a view now (a closed one may linger until it is deleted).
    QLineEdit *startEdit(const char *viewName, GridModel &grid, int row, int col)
    {
        grid.setCursor(row, col);
        grid.startEdit();
        for (QLineEdit *e : named<GridView>(*m_window, viewName)->viewport()->findChildren<QLineEdit *>())
            if (e->isVisible())
                return e;
        return nullptr;
    }

    EditCommands &edit() { return *m_window->findChild<EditCommands *>(); }
    Cell current() { return Cell(fa().row(), fa().col()); }

    frmSearch *openSearch(const QString &text)
    {
        action(u"mnuEditFind"_s)->trigger();
        frmSearch *dialog = edit().findDialog();
        dialog->txtSearched->setText(text);
        return dialog;
    }

    // Six data rows; "smith" in four spellings spread over three columns.
    void fillSearchTable()
    {
        fa().setRows(7);
        fa().setText(2, 0, u"SMITH"_s);
        fa().setText(5, 0, u"Smith"_s);
        fa().setText(3, 2, u"blacksmith"_s);
        fa().setText(1, 4, u"smith & co"_s);
        fa().setText(4, 4, u"Jones"_s);
        fa().setCursor(1, 0);
    }

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

    // One observation of the window by name: "rows", "cols", "save", "changed", "form" (the Form
    // panel's lines), "font", "grid", "alternate", "drag", "listbox" (Row mode's selecting),
    // "owner" (the focus owner), "selection" (top,left,bottom,right), "selected" (the marked rows),
    // "counter", "panel <i>" (a status panel), "h<row>" (a row height), "<row>,<col>" (a cell),
    // "fb <line>" (a Form panel value), "bold|italic|underline|align|back <row>,<col>" (a cell's
    // format; "fb" for the Form panel's current value), "fh<line>" (a Form panel line's height),
    // "checked <trigger>", "visible <action>",
    // "clip" (the clipboard, see escaped()).
    QString probe(const QString &what)
    {
        const QString arg = what.section(u' ', 1);
        const CellFormat f = arg == u"fb"
            ? fb().cellFormat(fb().row(), 1)
            : fa().cellFormat(arg.section(u',', 0, 0).toInt(), arg.section(u',', 1).toInt());
        const auto n = [](auto v) { return QString::number(v); };
        const QMap<QString, std::function<QString()>> probes {
            { u"rows"_s, [&] { return n(fa().rows()); } },
            { u"cols"_s, [&] { return n(fa().cols()); } },
            { u"counter"_s, [&] { return panel(6); } },
            { u"panel"_s, [&] { return panel(arg.toInt()); } },
            { u"save"_s, [&] { return n(m_window->table().saveEnabled()); } },
            { u"changed"_s, [&] { return n(m_window->table().changed()); } },
            { u"form"_s, [&] { return n(fb().rows()); } },
            { u"font"_s, [&] { return n(fa().fontSize()); } },
            { u"grid"_s, [&] { return n(fa().gridLines()); } },
            { u"alternate"_s, [&] { return fa().alternateRowColor().name(); } },
            { u"drag"_s, [&] { return n(fa().dragEnabled()); } },
            { u"listbox"_s, [&] { return n(fa().selectionMode() == GridModel::SelectionMode::ListBox); } },
            { u"owner"_s, [&] { return n(int(m_window->focusOwner())); } },
            { u"fb"_s, [&] { return fb().text(arg.toInt(), 1); } },
            { u"bold"_s, [&] { return n(f.bold); } },
            { u"italic"_s, [&] { return n(f.italic); } },
            { u"underline"_s, [&] { return n(f.underline); } },
            { u"align"_s, [&] { return n(int(f.alignment)); } },
            { u"back"_s, [&] { return f.hasBack ? QColor::fromRgb(f.back).name() : u"none"_s; } },
            { u"checked"_s, [&] { return n(trigger(arg)->isChecked()); } },
            { u"visible"_s, [&] { return n(action(arg)->isVisible()); } },
            { u"clip"_s, [&] { return escaped(clipboard()); } },
            { u"selection"_s,
                [&] {
                    const GridRange s = fa().selection();
                    return u"%1,%2,%3,%4"_s.arg(s.top).arg(s.left).arg(s.bottom).arg(s.right);
                } },
            { u"selected"_s,
                [&]() -> QString {
                    QStringList rows;
                    for (int r : fa().selectedRows())
                        rows << n(r);
                    return rows.join(u' ') + (fa().selection().right == fa().cols() - 1 ? u" whole"_s : QString());
                } },
        };
        const QString name = what.section(u' ', 0, 0);
        if (probes.contains(name))
            return probes[name]();
        if (name.startsWith(u"fh"_s))
            return n(fb().rowHeight(name.mid(2).toInt()));
        if (name.startsWith(u'h'))
            return n(fa().rowHeight(name.mid(1).toInt()));
        if (!name.contains(u','))
            return u"no probe "_s + name;
        return fa().text(name.section(u',', 0, 0).toInt(), name.section(u',', 1).toInt());
    }

    QAction *trigger(const QString &name) const { return name.startsWith(u"key:"_s) ? key(name.mid(4)) : action(name); }

    // Sets the window up from "word=value" tokens: rows=<data rows> (6), untitled, marks=<rows> (Row mode,
    // the cursor on the last), block=<top,left[,bottom,right]>, goto=<row> (clicked), mode=block, owner=form|none (the
    // record table), line=<Form panel line>, formmarks=<Form panel lines>, answer=yes, color=<name>, cell=<row,col>
    // (emptied first), dup=<row> (a copy of row 1), phones (two phones in row 1 of a table 15 columns wide),
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
        if (with.contains(u"mode"_s))
            m_window->enterBlockMode();
        if (with.contains(u"block"_s))
            selectSample(true, numbers(u"block"_s));
        else if (with.contains(u"marks"_s))
            selectSample(false, numbers(u"marks"_s));
        if (with.contains(u"goto"_s))
            goTo(with.value(u"goto"_s).toInt());
        if (with.contains(u"cell"_s))
            fa().setText(numbers(u"cell"_s)[0], numbers(u"cell"_s)[1], {});
        if (with.contains(u"line"_s)) {
            m_window->fa_Click();
            fb().setCursor(with.value(u"line"_s).toInt(), 1);
        }
        if (with.contains(u"formmarks"_s)) {
            const Rows marks = numbers(u"formmarks"_s);
            fb().setSelectedRows(std::vector<int>(marks.begin(), marks.end()));
        }
        const QString owner = with.value(u"owner"_s);
        m_window->setFocusOwner(owner == u"form" ? FocusOwner::FormPanel
                : owner == u"none"               ? FocusOwner::None
                                                 : FocusOwner::RecordTable);
        if (with.contains(u"answer"_s))
            m_prompts->answers = { UserPrompts::Answer::Yes };
        if (with.contains(u"color"_s))
            m_prompts->colors = { QColor(with.value(u"color"_s)) };
    }

    // Opens the dialog through its menu entry, as the user does.
    frmColDef *open(const QString &entry)
    {
        action(entry)->trigger();
        auto *dialog = m_window->findChild<frmColDef *>(u"frmColDef"_s);
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }

    // Picks a value in a dialog cell through its pick-list editor; returns the items offered.
    QStringList pick(frmColDef *dialog, int row, int col, const QString &value)
    {
        const QModelIndex index = dialog->fg->model()->index(row, col);
        dialog->fg->setCurrentIndex(index);
        dialog->fg->edit(index);
        auto *combo = dialog->fg->viewport()->findChild<QComboBox *>();
        if (!combo)
            return {};
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items.append(combo->itemText(i));
        combo->setCurrentText(value);
        QTest::keyClick(combo, Qt::Key_Return);
        // The editor commits and closes from the event loop.
        return QTest::qWaitFor([&] { return !dialog->fg->isEditing(); }, 2000) ? items : QStringList();
    }

    void deleteRow(frmColDef *dialog, int row)
    {
        dialog->definitions().setCursor(row, ColumnDefs::TitleCol);
        QTest::mouseClick(dialog->cmdDelete, Qt::LeftButton);
    }

    // One data row "v1".."v13" of a named file, in the shown window.
    void fillColumnTable()
    {
        for (int c = 0; c < fa().cols(); ++c)
            fa().setText(1, c, u"v%1"_s.arg(c + 1));
        useNamedFile();
        QVERIFY(showWindow());
    }

    void clickCell(GridView *v, int row, int col, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(v->viewport(), Qt::LeftButton, mods, v->visualRect(v->model()->index(row, col)).center());
    }

    void clickTitle(int col)
    {
        QHeaderView *titles = view("fa")->horizontalHeader();
        const QPoint at(titles->sectionViewportPosition(col) + titles->sectionSize(col) / 2, titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, at);
    }

    QStringList column(int col)
    {
        QStringList texts;
        for (int r = 1; r < fa().rows(); ++r)
            texts << fa().text(r, col);
        return texts;
    }

    void fillShuffled()
    {
        test::fillRows(fa(), test::texts({ "Name|Street|City|State", "c|a|d|b", "a|d|b|c", "d|b|c|a", "b|c|a|d" }), 13);
    }

    // Open by the menu entry, or by the Open key's entry of that kind.
    void openThrough(const QString &entryKey, const QString &path)
    {
        m_prompts->fileNames << path;
        if (entryKey == u"mnuOpen")
            action(entryKey)->trigger();
        else
            for (QAction *a : m_window->findChild<QMenu *>(u"Toolbar_0_Open_menu"_s)->actions())
                if (a->data().toString() == entryKey)
                    a->trigger();
    }

    // The darkest grey on a toolbar key as drawn: the ink of its picture.
    int darkestInk(QAction *key)
    {
        for (QToolButton *b : m_window->findChildren<QToolButton *>()) {
            if (b->defaultAction() != key)
                continue;
            const QImage image = b->grab().toImage();
            int darkest = 255;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    darkest = qMin(darkest, qGray(image.pixel(x, y)));
            return darkest;
        }
        return -1;
    }

    void fillShownTable()
    {
        QVERIFY(showWindow());
        fillTable(6);
        m_window->table().MakeModified(false);
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

    // One row per command, menu entry or key of the record table: each reaches its rule (checked in
    // the core) and the window shows the result. command: triggers in turn (an action, "key:<toolbar
    // key>", "button:<i>" for a Form panel button, or "focus:form|table" to move the focus); setup: see setUp(); seen:
    // probe=expected, see probe().
    void tableCommands_data() { test::addCaseRows(u"app/table/commands.tsv"_s); }

    void tableCommands()
    {
        QFETCH(QString, command);
        QFETCH(QString, setup);
        QFETCH(QString, seen);
        setUp(setup);
        for (const QString &step : command.split(u' ', Qt::SkipEmptyParts)) {
            if (step.startsWith(u"focus:"_s)) {
                m_window->setFocusOwner(step == u"focus:form" ? FocusOwner::FormPanel : FocusOwner::RecordTable);
            } else if (step.startsWith(u"button:"_s)) {
                click(button(step.mid(7).toInt()));
            } else {
                trigger(step)->trigger();
            }
        }
        for (const QString &s : seen.split(u';'))
            QCOMPARE(s.section(u'=', 0, 0) + u'=' + probe(s.section(u'=', 0, 0)), s);
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

    void rightClickShowsTheEditMenuWithRowHeightWhereItApplies()
    {
        fillTable(5);
        QVERIFY(showWindow());
        QMenu *menu = named<QMenu>(*m_window, "mnuEdit");
        QAction *rowHeight = named<QMenu>(*m_window, "mnuRowHeight")->menuAction();
        // What a right click on a grid offers: "no menu", "row height" or "no row height".
        auto rightClick = [&](const char *grid) {
            QTest::mouseClick(view(grid)->viewport(), Qt::RightButton, {},
                view(grid)->visualRect(view(grid)->model()->index(2, 1)).center());
            if (!QTest::qWaitFor([&] { return menu->isVisible(); }))
                return u"no menu"_s;
            menu->hide();
            return rowHeight->isVisible() && rowHeight->isEnabled() ? u"row height"_s : u"no row height"_s;
        };
        QCOMPARE(rightClick("fa"), u"row height"_s);
        m_window->enterBlockMode();
        QCOMPARE(rightClick("fa"), u"no row height"_s);
        QCOMPARE(rightClick("fb"), u"row height"_s); // the Form panel offers it after the table hid it
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

    // A newcomer's slip: Delete Duplicates on a saved list, taken back with Ctrl+Z. Its work runs off
    // the window's thread and lands after the command returned; the step still bears its name.
    void aMenuCommandIsOneNamedStepBackToTheSavedState()
    {
        fillTable(4);
        for (int c = 0; c < fa().cols(); ++c)
            fa().setText(3, c, fa().text(1, c));
        useNamedFile();
        m_window->table().jobs().setInlineBelow(0);
        QAction *undo = action(u"mnuEditUndo"_s);
        QAction *redo = action(u"mnuEditRedo"_s);
        QTRY_COMPARE(undo->text(), u"&Undo Typing"_s);
        m_prompts->answers = { UserPrompts::Answer::Yes };
        action(u"mnuDelDup"_s)->trigger();
        QTRY_COMPARE(fa().rows(), 4);
        QTRY_COMPARE(undo->text(), u"&Undo Delete Duplicates"_s);
        undo->trigger();
        QCOMPARE(fa().rows(), 5);
        QCOMPARE(fa().text(3, 0), u"r1c0"_s);
        QVERIFY(!m_window->table().changed());
        QCOMPARE(redo->text(), u"&Redo Delete Duplicates"_s);
        redo->trigger();
        QTRY_COMPARE(fa().rows(), 4);
        QVERIFY(m_window->table().changed());
        m_prompts->answers = { UserPrompts::Answer::No }; // New: do not save
        action(u"mnuNew"_s)->trigger();
        QVERIFY(!undo->isEnabled());
        QCOMPARE(undo->text(), u"&Undo"_s);
    }
    void buttonsFollowTheCurrentCell()
    {
        m_window->setFocusOwner(FocusOwner::RecordTable);
        CellFormat f;
        f.bold = true;
        fa().setCellFormat(5, 3, f);
        m_window->enterBlockMode();
        fa().setCursor(5, 3);
        QVERIFY(key(u"Bold"_s)->isChecked() && !key(u"Italic"_s)->isChecked());
        fa().setCursor(6, 3);
        QVERIFY(!key(u"Bold"_s)->isChecked());
        key(u"Bold"_s)->trigger(); // on the plain cell it turns bold on, not off
        QVERIFY(fa().cellFormat(6, 3).bold);
    }

    void paletteChoosesAndRemembersTheTextColour()
    {
        m_window->setFocusOwner(FocusOwner::RecordTable);
        PanColor *pan = named<PanColor>(*m_window, "PanColor");
        QVERIFY(showWindow());
        m_window->enterBlockMode();
        fa().select(2, 1, 3, 2);
        key(u"Acolor"_s)->trigger();
        QVERIFY(pan->isVisible());
        QFrame *swatch = named<QFrame>(*pan, "SSPanelColor_5");
        QTest::mouseClick(swatch, Qt::LeftButton);
        QVERIFY(!pan->isVisible());
        QCOMPARE(swatch->frameShadow(), QFrame::Sunken);
        const QColor purple(128, 0, 128);
        QCOMPARE(QColor::fromRgb(fa().cellFormat(3, 2).fore), purple);
        QVERIFY(!fa().cellFormat(3, 3).hasFore);
        // The "A" key's bar shows the colour, and the key gives it again.
        QCOMPARE(key(u"A"_s)->icon().pixmap(QSize(20, 20)).toImage().pixelColor(10, 17), purple);
        fa().select(8, 4, 8, 4);
        key(u"A"_s)->trigger();
        QCOMPARE(QColor::fromRgb(fa().cellFormat(8, 4).fore), purple);
        // A click on the panel beside the swatches hides it and chooses nothing.
        key(u"Acolor"_s)->trigger();
        QTest::mouseClick(pan, Qt::LeftButton, {}, QPoint(1, 1));
        QVERIFY(!pan->isVisible());
        QCOMPARE(m_window->findChild<StyleCommands *>(u"styleCommands"_s)->currentTextColor(), 5);
    }

    void openedTablesFollowTheWindowsSwitches()
    {
        const QString path = test::tempDir() + u"/switches.tsy"_s;
        QAction *grid = action(u"mnuGrid"_s);
        QAction *alternate = action(u"mnuAlternateColor"_s);
        if (!alternate->isChecked())
            alternate->trigger();
        grid->trigger();
        m_prompts->fileNames = { path };
        QVERIFY(m_window->fileCommands().saveAs(FileKind::Native));
        grid->trigger();
        alternate->trigger();
        m_prompts->fileNames = { path };
        QVERIFY(m_window->fileCommands().open(FileKind::Native));
        QVERIFY(fa().gridLines());
        QVERIFY(fa().alternateRowColor() != CellStyling::alternateRowColor());
        QVERIFY(!m_window->table().changed());
        grid->trigger();
        m_window->fileCommands().newTable();
        QVERIFY(!fa().gridLines());
    }

    // The order is the core's; the window shows its own arrow pictures and offers Save.
    void titleClicksShowTheArrowsAndOfferSave()
    {
        useNamedFile();
        const SortArrows *arrows = m_window->findChild<DataToolCommands *>()->sortArrows();
        GridView *view = named<GridView>(*m_window, "fa");
        emit view->horizontalHeader()->sectionClicked(2);
        QCOMPARE(view->titlePicture(2).cacheKey(), arrows->ImgU().cacheKey());
        QVERIFY(m_window->table().saveEnabled());
        emit view->horizontalHeader()->sectionClicked(2);
        QCOMPARE(view->titlePicture(2).cacheKey(), arrows->ImgD().cacheKey());
        emit view->horizontalHeader()->sectionClicked(4);
        QCOMPARE(view->titlePicture(4).cacheKey(), arrows->ImgU().cacheKey());
        const qint64 left = view->titlePicture(2).cacheKey(); // the arrow left the first column
        QVERIFY(left != arrows->ImgU().cacheKey() && left != arrows->ImgD().cacheKey());
        QCOMPARE(arrows->lastSortedColumn(), 4);
    }
    // The Form panel beside the record table, and its Delete dialog.
    void thePanelListsEveryColumn()
    {
        QCOMPARE(fb().rowTexts(0), (QStringList { u"Column"_s, u"Value"_s }));
        QCOMPARE(fb().rows(), fa().cols() + 1);
        for (int c = 0; c < fa().cols(); ++c)
            QCOMPARE(fb().text(c + 1, 0), fa().text(0, c));
    }

    void typingInThePanelChangesTheRecord()
    {
        fillTable(3);
        fa().setColumnDataType(9, DataType::Currency);
        fa().setColumnFormat(9, u"$#,###.00"_s);
        fa().setText(2, 9, u"1234.5"_s);
        useNamedFile();
        goTo(2);
        QVERIFY(showWindow());
        // Titles cannot be edited; the value editor starts from the stored value, not the shown one.
        QVERIFY(!startEdit("fb", fb(), 1, 0));
        QLineEdit *editor = startEdit("fb", fb(), 10, 1);
        QVERIFY(editor);
        QCOMPARE(editor->text(), u"1234.5"_s);
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_COMPARE(fb().text(10, 1), u"$1,234.50"_s);
        QVERIFY(!m_window->table().changed());

        editor = startEdit("fb", fb(), 1, 1);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, u"Acme Tools"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(fa().text(2, 0), u"Acme Tools"_s);
        QVERIFY(m_window->table().saveEnabled());
        QCOMPARE(fa().text(3, 0), u"r3c0"_s);

        // Rows arriving meanwhile (a harvest) refresh the panel around the open editor.
        editor = startEdit("fb", fb(), 10, 1);
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, u"77"_s);
        fa().appendRows({ QStringList { u"new"_s } });
        QCOMPARE(editor->text(), u"77"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(fa().text(2, 9), u"77"_s);
        QTRY_COMPARE(fb().text(10, 1), u"$77.00"_s);
    }

    void recordTableEditsReachThePanelAndTheChangedFlag()
    {
        fillTable(3);
        useNamedFile();
        QVERIFY(showWindow());
        m_window->enterBlockMode();
        goTo(2);
        QSignalSpy after(named<GridView>(*m_window, "fa"), &GridView::afterEdit);
        for (const QString &typed : { QString(), u"Zed"_s }) { // the first edit changes nothing
            QLineEdit *editor = startEdit("fa", fa(), 2, 3);
            QVERIFY(editor);
            if (!typed.isEmpty()) {
                editor->selectAll();
                QTest::keyClicks(editor, typed);
            }
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_COMPARE(after.count(), typed.isEmpty() ? 1 : 2);
            QCOMPARE(fb().text(4, 1), typed.isEmpty() ? u"r2c3"_s : typed);
            QCOMPARE(m_window->table().saveEnabled(), !typed.isEmpty());
        }
    }

    void checkBoxesTickBothWaysAndANewRecordStartsUnticked()
    {
        fillTable(3);
        fa().setColumnDataType(9, DataType::Boolean);
        fa().setText(2, 9, u"-1"_s); // a value from a file, not yet a check box
        goTo(2);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Checked);
        fb().setData(fb().index(10, 1), Qt::Unchecked, Qt::CheckStateRole); // as a click does it
        QCOMPARE(fa().cellFormat(2, 9).check, CheckBox::Unchecked);
        fa().setData(fa().index(2, 9), Qt::Checked, Qt::CheckStateRole);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Checked);
        QVERIFY(m_window->table().changed());
        click(button(1)); // Add One Record
        QCOMPARE(fa().row(), 4);
        QCOMPARE(fb().cellFormat(10, 1).check, CheckBox::Unchecked);
    }

    void thePanelFollowsColumnAndRecordChangesAtOnce()
    {
        fillTable(4);
        goTo(2);
        fa().insertColumn(13);
        fa().setText(0, 13, u"Notes"_s);
        QCOMPARE(fb().text(14, 0), u"Notes"_s);
        fa().removeColumn(0);
        QCOMPARE(fb().rowTexts(1), (QStringList { u"Street"_s, u"r2c1"_s }));
        fa().setClip({ 2, 0, 2, 1 }, u"Pasted\tBlock"_s);
        QCOMPARE(fb().text(2, 1), u"Block"_s);
        // Rows moving under the cursor bring another record to it; another record leaves it alone.
        fa().insertRow(1);
        QCOMPARE(fb().text(1, 1), u"r1c1"_s);
        fa().setText(4, 0, u"elsewhere"_s);
        QCOMPARE(fb().text(1, 1), u"r1c1"_s);
        m_window->table().buildNewTable();
        QCOMPARE(fb().rows(), 14);
    }

    void theCloseBoxHidesThePanelAndItsEntryBringsItBack()
    {
        fillTable(4);
        goTo(1);
        QAction *entry = action(u"mnuViewFb"_s);
        click(named<QLabel>(*m_window, "imgClose"));
        QVERIFY(named<QTabWidget>(*m_window, "tabForm")->isHidden());
        QVERIFY(!entry->isChecked());
        // While hidden the counter still follows; the panel catches up when shown.
        goTo(3);
        QCOMPARE(counter(), u"3 / 4"_s);
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

    void declinedDeleteChangesNothing()
    {
        fillTable(4);
        m_window->table().MakeModified(false);
        goTo(2);
        frmDelDialog &d = form().deleteDialog();
        for (int way : { 1, 2, 3, 4 }) { // No, Cancel, Escape, the close box
            click(button(0));
            QVERIFY(d.isVisible() && d.isModal());
            QVERIFY(d.lblRecord->text().contains(u"r2c0"_s));
            QVERIFY(d.cmdBtn[1]->isDefault()); // a stray Enter must not delete
            if (way < 3)
                QTest::mouseClick(d.cmdBtn[size_t(way)], Qt::LeftButton);
            else if (way == 3)
                QTest::keyClick(&d, Qt::Key_Escape);
            else
                d.close();
            QVERIFY2(!d.isVisible(), qPrintable(QString::number(way)));
            QCOMPARE(fa().rows(), 5);
        }
        QVERIFY(!m_window->table().changed());
        click(button(0)); // the declined answers were taken: Yes now deletes
        d.answer(0);
        QCOMPARE(fa().rows(), 4);
        fa().setRows(1); // a title-only table: nothing to ask
        goTo(0);
        click(button(0));
        QVERIFY(!d.isVisible());
    }

    void yesRemovesTheRecordAndTheTickStopsTheQuestion()
    {
        fillTable(4);
        goTo(2);
        form().runButton(0);
        frmDelDialog &d = form().deleteDialog();
        QCOMPARE(fa().rows(), 5); // nothing goes before the answer
        QTest::mouseClick(d.cmdBtn[0], Qt::LeftButton);
        QCOMPARE(fa().rows(), 4);
        QCOMPARE(fb().text(1, 1), u"r3c0"_s);
        QCOMPARE(counter(), u"2 / 3"_s);
        QVERIFY(m_window->table().saveEnabled()); // whatever the file
        // Ticked, even with No, the dialog asks no more.
        form().runButton(0);
        d.chkAskDel->setChecked(true);
        d.answer(1);
        QCOMPARE(fa().rows(), 4);
        form().runButton(0);
        QVERIFY(!d.isVisible());
        QCOMPARE(fa().rows(), 3);
    }
    // The Find dialog passes its text, ticks and the table's clicks to the finder (whose rules and
    // messages tst_finder decides) and shows each hit in the table, the counter and the Form panel.
    void openingSwitchesToSingleCellsAndTheFindKeyReopens()
    {
        fillSearchTable();
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
        fillSearchTable();
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
        fillSearchTable();
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
        fillSearchTable();
        QVERIFY(showWindow());
        frmSearch *dialog = openSearch(u"smith"_s);
        dialog->findNext();
        clickCell(view("fa"), 4, 1);
        dialog->findNext();
        QCOMPARE(current(), Cell(3, 2));
    }

    void fromTheBeginningRestartsAfterTheEnd()
    {
        fillSearchTable();
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
        fillSearchTable();
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
    // The column dialog's buttons and editors reach the column rules (checked in the core).
    void typeAndFormatAreChosenFromPickLists()
    {
        fillColumnTable();
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        QCOMPARE(pick(dialog, 3, ColumnDefs::TypeCol, u"Money"_s).join(u'|'), u"Checkbox|Date|Money|Number|Text"_s);
        QCOMPARE(pick(dialog, 3, ColumnDefs::FormatCol, u"$#,###"_s).join(u'|'), u"$#,###|$#,###.00"_s);
        QCOMPARE(dialog->definitions().text(3, ColumnDefs::AlignmentCol), u"Right"_s);
        // Title cells are free text: no pick list.
        const QModelIndex title = dialog->fg->model()->index(3, ColumnDefs::TitleCol);
        dialog->fg->setCurrentIndex(title);
        dialog->fg->edit(title);
        QVERIFY(!dialog->fg->viewport()->findChild<QComboBox *>());
    }

    void droppingColumnsWithDataAsksFirst_data() { test::addCaseRows(u"app/table/dropcolumn.tsv"_s); }

    void droppingColumnsWithDataAsksFirst()
    {
        fillColumnTable();
        QFETCH(QString, lastHoldsData);
        QFETCH(QString, answer);
        QFETCH(QString, columnsAfter);
        if (lastHoldsData == u"0")
            fa().setText(1, 12, QString());
        m_window->table().MakeModified(false);
        const int asked = test::choice(answer, { "none", "yes", "no", "cancel" });
        if (asked > 0)
            m_prompts->answers = { QList { Answer::Yes, Answer::No, Answer::Cancel }.at(asked - 1) };
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        deleteRow(dialog, 13);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(m_prompts->asked.size(), asked > 0 ? 1 : 0);
        if (asked > 0)
            QVERIFY(m_prompts->asked.first().text.contains(u"13"_s)); // names the column
        QCOMPARE(fa().cols(), columnsAfter.toInt());
        QCOMPARE(m_window->table().saveEnabled(), columnsAfter == u"12");
        if (columnsAfter == u"12")
            QTRY_VERIFY(!m_window->findChild<frmColDef *>());
        else
            QVERIFY(dialog->isVisible());
    }

    void deletingEveryRowKeepsTheTable()
    {
        fillColumnTable();
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        for (int i = 0; i < 13; ++i)
            deleteRow(dialog, 1);
        m_prompts->answers = { UserPrompts::Answer::Ok };
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(m_prompts->asked.size(), 1);
        QVERIFY(dialog->isVisible());
        QCOMPARE(fa().cols(), 13);
        QVERIFY(!m_window->table().changed());
    }

    void addInsertAndHideReachTheTable()
    {
        fillColumnTable();
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        GridModel &defs = dialog->definitions();
        CellFormat tick = defs.cellFormat(3, ColumnDefs::HideCol);
        tick.check = CheckBox::Checked;
        defs.setCellFormat(3, ColumnDefs::HideCol, tick);
        QTest::mouseClick(dialog->cmdAdd, Qt::LeftButton);
        defs.setCursor(2, ColumnDefs::TitleCol);
        QTest::mouseClick(dialog->cmdInsert, Qt::LeftButton);
        defs.setText(2, ColumnDefs::TitleCol, u"Owner"_s);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(fa().cols(), 15);
        QCOMPARE(fa().rowTexts(0).mid(0, 3), (QStringList { u"Name"_s, u"Owner"_s, u"Street"_s }));
        QVERIFY(m_window->table().changed());
        const int city = int(fa().rowTexts(0).indexOf(u"City"_s)); // the ticked row
        QVERIFY(named<GridView>(*m_window, "fa")->isColumnHidden(city));
        QVERIFY(!named<GridView>(*m_window, "fa")->isColumnHidden(city - 1));
    }

    void cancelChangesNothing()
    {
        fillColumnTable();
        const ColumnAttributes before = fa().columnAttributes(5);
        frmColDef *dialog = open(u"mnuColumnDefine"_s);
        QVERIFY(dialog);
        dialog->definitions().setText(6, ColumnDefs::TitleCol, u"Telephone"_s);
        pick(dialog, 6, ColumnDefs::TypeCol, u"Number"_s);
        deleteRow(dialog, 1);
        QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        QCOMPARE(fa().rowTexts(0).at(5), u"Phone"_s);
        QVERIFY(fa().columnAttributes(5) == before);
        QVERIFY(!m_window->table().changed());
    }

    void columnAttributesListsTheCurrentColumnUntilAllCols()
    {
        fillColumnTable();
        fa().setCursor(1, 4);
        frmColDef *dialog = open(u"mnuEditColAttr"_s);
        QVERIFY(dialog);
        QCOMPARE(dialog->definitions().rows(), 2);
        QVERIFY(dialog->cmdAllCols->isVisible() && !dialog->cmdDelete->isVisible());
        pick(dialog, 1, ColumnDefs::TypeCol, u"Money"_s);
        pick(dialog, 1, ColumnDefs::FormatCol, u"$#,###.00"_s);
        fa().setText(2, 4, u"1234.5"_s);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QCOMPARE(fa().columnDataType(4), DataType::Currency);
        // The grid shows the value in the money format.
        QCOMPARE(named<GridView>(*m_window, "fa")->model()->index(2, 4).data().toString(), u"$1,234.50"_s);
        QTRY_VERIFY(!m_window->findChild<frmColDef *>());
        dialog = open(u"mnuEditColAttr"_s);
        QVERIFY(dialog);
        QTest::mouseClick(dialog->cmdAllCols, Qt::LeftButton);
        QCOMPARE(dialog->definitions().rows(), 14);
        QVERIFY(!dialog->cmdAllCols->isVisible() && dialog->cmdDelete->isVisible());
    }

    void columnTitleAsksAndSets()
    {
        fillColumnTable();
        fa().setCursor(2, 0);
        m_prompts->inputs = { u"Business"_s };
        action(u"mnuEditColTitle"_s)->trigger();
        QCOMPARE(fa().text(0, 0), u"Business"_s);
        QVERIFY(m_window->table().saveEnabled());
    }
    // The record table as a user meets it: every gesture goes through the views and the
    // window's own commands, so what is checked is what the user would see happen.
    void rowModeStylingTakesEveryMarkedRow_data() { test::addCaseRows(u"app/table/rowmarks.tsv"_s); }

    void rowModeStylingTakesEveryMarkedRow()
    {
        fillShownTable();
        QFETCH(QString, gesture);
        QFETCH(QString, command);
        QFETCH(QString, rows);
        GridView *fa = view("fa");
        clickCell(fa, 2, 1);
        if (gesture == u"ctrl-click") {
            clickCell(fa, 4, 1, Qt::ControlModifier);
        } else {
            QTest::keyClick(fa, Qt::Key_Down, Qt::ShiftModifier);
            QTest::keyClick(fa, Qt::Key_Down, Qt::ShiftModifier);
        }
        trigger(command)->trigger();
        for (int r = 1; r < this->fa().rows(); ++r) {
            const CellFormat f = this->fa().cellFormat(r, 3);
            QVERIFY2((command == u"key:Bold" ? f.bold : f.alignment == Alignment::RightCenter)
                    == test::numbers(rows).contains(r),
                qPrintable(u"row %1"_s.arg(r)));
        }
    }

    void titleClickSortsAscendingFirst_data() { test::addCaseRows(u"app/table/titlesort.tsv"_s); }

    void titleClickSortsAscendingFirst()
    {
        fillShownTable();
        QFETCH(QString, between);
        QFETCH(QString, clicked);
        QFETCH(QString, descending);
        const QString saved = m_home + u"/sorted.tsy"_s;
        fillShuffled();
        QVERIFY(GridFile::save(fa(), saved, FileKind::Native));
        clickTitle(between == u"move" ? 2 : 0);
        if (between == u"New" || between == u"Open") {
            m_prompts->answers << UserPrompts::Answer::No; // the sorted table is not saved
            if (between == u"New")
                action(u"mnuNew"_s)->trigger();
            else
                openThrough(u"mnuOpen"_s, saved);
            fillShuffled();
        } else if (between == u"mnuDelDup") {
            clickTitle(0); // now descending
            m_prompts->answers << UserPrompts::Answer::Yes;
            action(between)->trigger();
        } else {
            // Column 0 is dragged past the sorted column 2, which becomes column 1, arrow and all.
            const qint64 arrow = view("fa")->titlePicture(2).cacheKey();
            view("fa")->horizontalHeader()->moveSection(0, 3);
            QCOMPARE(view("fa")->titlePicture(1).cacheKey(), arrow);
        }
        clickTitle(clicked.toInt());
        QStringList expected = column(clicked.toInt());
        std::sort(expected.begin(), expected.end());
        if (descending == u"1")
            std::reverse(expected.begin(), expected.end());
        QCOMPARE(column(clicked.toInt()), expected);
    }

    void titleRowFormatsAreDrawn()
    {
        fillShownTable();
        GridModel titled;
        test::fillRows(titled, test::texts({ "Name|", "|" }));
        titled.updateFormats(GridRange { 0, 0, 0, 1 }, [](CellFormat &f) {
            f.hasBack = true;
            f.back = qRgb(200, 30, 30);
        });
        const QString path = m_home + u"/titled.tsy"_s;
        QVERIFY(GridFile::save(titled, path, FileKind::Native));
        openThrough(u"mnuOpen"_s, path);
        QHeaderView *titles = view("fa")->horizontalHeader();
        const QImage drawn = titles->grab().toImage();
        const QPoint inside(titles->sectionViewportPosition(1) + 4, titles->height() / 2);
        // The style shades the title's background; red it must stay.
        const QColor shown = drawn.pixelColor(inside * drawn.devicePixelRatio());
        QVERIFY2(shown.red() > shown.green() + 80 && shown.red() > shown.blue() + 80, qPrintable(shown.name()));
    }

    void stampFromTheFormPanelFollowsWhatItShows()
    {
        fillShownTable();
        const int col = 11;
        fa().setColumnDataType(col, DataType::Currency);
        fa().setColumnFormat(col, u"$#,###.00"_s);
        fa().setText(2, col, u"1234"_s);
        clickCell(view("fa"), 2, 0);
        QCOMPARE(m_window->focusOwner(), FocusOwner::RecordTable); // a click gives the grid the focus
        clickCell(view("fb"), col + 1, 1);
        QCOMPARE(m_window->focusOwner(), FocusOwner::FormPanel);
        const QString shown = view("fb")->gridModel()->text(col + 1, 1);
        action(u"mnuDateTimeNow"_s)->trigger();
        QVERIFY2(fa().text(2, col).startsWith(shown + u' '), qPrintable(fa().text(2, col)));
        QVERIFY(shown != u"1234");
    }

    void opensTextFilesAsTheyAre_data() { test::addCaseRows(u"app/table/opentext.tsv"_s); }

    void opensTextFilesAsTheyAre()
    {
        fillShownTable();
        QFETCH(QString, entry);
        QFETCH(QString, name);
        QFETCH(QByteArray, contentBytes);
        const QString path = test::writeBytes(m_home + u'/' + name, contentBytes);
        m_window->enterBlockMode();
        openThrough(entry, path);
        QCOMPARE(m_prompts->messages(), QStringList());
        QCOMPARE(m_window->mouseMode(), MouseMode::Row); // an opened table starts in Row mode
        QCOMPARE(view("fb")->gridModel()->rows(), fa().cols() + 1);
        QCOMPARE(m_window->table().currentFile(), path);
        const FileKind kind = m_window->table().currentKind();
        QTEST(kind == FileKind::Comma ? u"comma"_s : kind == FileKind::Tab ? u"tab"_s : u"other"_s, "kind");
        QTEST(fa().text(qMin(1, fa().rows() - 1), 0), "firstCell"); // the title when there is no data row
    }

    void openedTextStartsFromDefaultColumns()
    {
        fillShownTable();
        fa().setColumnDataType(1, DataType::Currency);
        fa().setColumnFormat(1, u"$#,##0.00"_s);
        fa().setColumnHidden(2, true);
        fa().setColumnPickList(3, u"x|y"_s);
        m_window->table().MakeModified(false);
        openThrough(u"OPEN_CSV"_s, test::writeBytes(m_home + u"/plain.csv"_s, "a,b,c,d\n5,6,7,8\n"));
        for (int c = 0; c < fa().cols(); ++c) {
            const ColumnAttributes a = fa().columnAttributes(c);
            QVERIFY(a.dataType == DataType::String && a.format.isEmpty() && !a.hidden && a.pickList.isEmpty());
        }
    }

    void startGrabKeyLooksAvailableOnlyWhenItIs()
    {
        fillShownTable();
        m_window->showTab(frmMain::kTabSearch);
        QAction *start = m_window->toolbarButton(frmMain::kTabSearch, u"StartGrab"_s);
        QVERIFY(!start->isEnabled()); // no engine, no listing page
        const int disabled = darkestInk(start);
        start->setEnabled(true);
        const int enabled = darkestInk(start);
        QVERIFY(enabled >= 0);
        QVERIFY2(enabled + 80 < disabled, qPrintable(u"enabled %1, disabled %2"_s.arg(enabled).arg(disabled)));
    }

    void newAndOpenClearAFinishedGrabsStatus()
    {
        fillShownTable();
        const QString path = m_home + u"/other.tsy"_s;
        QVERIFY(GridFile::save(fa(), path, FileKind::Native));
        m_window->panel(2)->setText(u"Done"_s);
        action(u"mnuNew"_s)->trigger();
        QCOMPARE(m_window->panel(2)->text(), QString());
        m_window->panel(2)->setText(u"Done"_s);
        openThrough(u"mnuOpen"_s, path); // Open reports what it opened instead
        QVERIFY2(!m_window->panel(2)->text().contains(u"Done"), qPrintable(m_window->panel(2)->text()));
    }

    void rowModeDragMovesTheCounterAndTheFormPanel()
    {
        fillShownTable();
        GridView *fa = view("fa");
        const auto at = [fa](int row) { return fa->visualRect(fa->model()->index(row, 0)).center(); };
        QTest::mousePress(fa->viewport(), Qt::LeftButton, {}, at(2));
        QTest::mouseMove(fa->viewport(), at(4));
        QTest::mouseMove(fa->viewport(), at(5));
        QTest::mouseRelease(fa->viewport(), Qt::LeftButton, {}, at(5));
        QCOMPARE(m_window->panel(6)->text(), u"5 / 6"_s);
        QCOMPARE(view("fb")->gridModel()->text(1, 1), u"r5c0"_s);
    }

    void searchHintShowsOnTheFirstScreen()
    {
        fillShownTable();
        m_window->showTab(frmMain::kTabSearch);
        auto *hint = test::named<QWidget>(*m_window, "pnlHintMsg_0");
        QTRY_VERIFY(hint->isVisible());
        QVERIFY(m_window->rect().contains(QRect(hint->mapTo(m_window.get(), QPoint(0, 0)), hint->size())));
    }
};

QTEST_MAIN(TestTableWindow)
#include "tst_tablewindow.moc"
