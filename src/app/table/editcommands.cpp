#include "app/table/editcommands.h"

#include "app/grid/gridview.h"
#include "app/shell/frmmain.h"
#include "app/shell/menuentry.h"
#include "app/table/formpanel.h"
#include "app/table/frmsearch.h"
#include "core/grid/gridmodel.h"
#include "core/table/longjobs.h"
#include "core/table/recordtable.h"
#include "core/table/tableedits.h"

#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

#include <algorithm>
#include <memory>

namespace dq {

namespace {

// Edit entries that act on the record table only; hidden while the Form panel has the focus.
// Some of them belong to the column and styling commands and are found by name.
constexpr std::array<const char *, 11> kRecordTableEntries { "mnuEditCut", "mnuEditPaste", "mnuSelectAll",
    "mnuEditFind", "mnuEditColAttr", "mnuEditColTitle", "mnuAlign", "mnuSpace101", "mnuSpace102", "mnuSpace221",
    "mnuSpace222" };

// Calls fn(first, last) for each run of consecutive rows in an ascending list.
template <typename Fn> void forEachRun(const std::vector<int> &rows, Fn fn)
{
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        fn(rows[i], rows[j]);
        i = j + 1;
    }
}

void blankRows(GridModel &grid, const std::vector<int> &rows)
{
    const QString row(qMax(0, grid.cols() - 1), QLatin1Char('\t'));
    forEachRun(rows, [&](int first, int last) {
        QStringList lines;
        for (int r = first; r <= last; ++r)
            lines << row;
        grid.setClip(GridRange { first, 0, last, grid.cols() - 1 }, lines.join(QLatin1Char('\r')));
    });
}

} // namespace

EditCommands::EditCommands(frmMain &window)
    : QObject(&window)
    , m_window(window)
{
    setObjectName(QStringLiteral("EditCommands"));
    m_form = new FormPanel(window);
    createMenus();
    createToolbarKeys();

    connect(&window, &frmMain::mouseModeChanged, this, &EditCommands::showModeState);
    connect(&window, &frmMain::focusOwnerChanged, this, &EditCommands::focusOwnerTaken);
    connect(&window.recordView(), &GridView::focusEntered, this,
        [this] { m_window.setFocusOwner(FocusOwner::RecordTable); });
    connect(m_form->fb, &GridView::focusEntered, this, [this] { m_window.setFocusOwner(FocusOwner::FormPanel); });
    connect(&window.recordView(), &GridView::rightButtonUp, this, [this](int, int, const QPoint &at) {
        mnuRowHeight->menuAction()->setVisible(m_window.mouseMode() == MouseMode::Row);
        m_window.menu(frmMain::Menu::Edit)->popup(at);
    });
    connect(m_form->fb, &GridView::rightButtonUp, this, [this](int, int, const QPoint &at) {
        // The Form panel's rows always have heights to change, whatever the table's mode.
        mnuRowHeight->menuAction()->setVisible(true);
        mnuRowHeight->menuAction()->setEnabled(true);
        m_window.menu(frmMain::Menu::Edit)->popup(at);
    });
    window.installEventFilter(this);
    showModeState(window.mouseMode());
    setDragMode(false);
}

void EditCommands::createMenus()
{
    QMenu *edit = m_window.menu(frmMain::Menu::Edit);
    mnuEditCut = addMenuEntry(edit, "mnuEditCut", QStringLiteral("C&ut"), QKeySequence(Qt::CTRL | Qt::Key_X));
    mnuEditCopy = addMenuEntry(edit, "mnuEditCopy", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuEditPaste = addMenuEntry(edit, "mnuEditPaste", QStringLiteral("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
    mnuSelectAll
        = addMenuEntry(edit, "mnuSelectAll", QStringLiteral("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    addMenuSeparator(edit, "mnuSpace101");
    mnuEditFind = addMenuEntry(edit, "mnuEditFind", QStringLiteral("&Find..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    addMenuSeparator(edit, "mnuSpace102");
    QMenu *insert = addSubmenu(edit, "mnuInsert", QStringLiteral("&Insert"));
    mnuEditAddRow
        = addMenuEntry(insert, "mnuEditAddRow", QStringLiteral("&Add Row"), QKeySequence(Qt::CTRL | Qt::Key_Insert));
    mnuInsertRow
        = addMenuEntry(insert, "mnuInsertRow", QStringLiteral("&Insert Row"), QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    mnuInsertCol = addMenuEntry(insert, "mnuInsertCol", QStringLiteral("&Col"));
    QMenu *remove = addSubmenu(edit, "mnuDelete", QStringLiteral("&Delete"));
    mnuDeleteRow = addMenuEntry(
        remove, "mnuDeleteRow", QStringLiteral("&Delete Row(s)"), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    mnuDeleteCol = addMenuEntry(remove, "mnuDeleteCol", QStringLiteral("&Col"));
    mnuRowHeight = addSubmenu(edit, "mnuRowHeight", QStringLiteral("&Row Height"));
    mnuRowHeightReset = addMenuEntry(mnuRowHeight, "mnuRowHeightReset", QStringLiteral("&Reset All"));
    mnuRowHeightInc
        = addMenuEntry(mnuRowHeight, "mnuRowHeightInc", QStringLiteral("&Increase"), QKeySequence(Qt::Key_F11));
    mnuRowHeightDec
        = addMenuEntry(mnuRowHeight, "mnuRowHeightDec", QStringLiteral("&Decrease"), QKeySequence(Qt::Key_F12));

    connect(mnuEditCut, &QAction::triggered, this, &EditCommands::cut);
    connect(mnuEditCopy, &QAction::triggered, this, &EditCommands::copy);
    connect(mnuEditPaste, &QAction::triggered, this, &EditCommands::paste);
    connect(mnuSelectAll, &QAction::triggered, this, &EditCommands::selectAll);
    connect(mnuEditFind, &QAction::triggered, this, &EditCommands::openFind);
    connect(mnuEditAddRow, &QAction::triggered, this, &EditCommands::addRow);
    connect(mnuInsertRow, &QAction::triggered, this, &EditCommands::insertRow);
    connect(mnuInsertCol, &QAction::triggered, this, &EditCommands::insertColumn);
    connect(mnuDeleteRow, &QAction::triggered, this, &EditCommands::deleteRows);
    connect(mnuDeleteCol, &QAction::triggered, this, &EditCommands::deleteColumn);
    connect(mnuRowHeightReset, &QAction::triggered, this, &EditCommands::rowHeightReset);
    connect(mnuRowHeightInc, &QAction::triggered, this, &EditCommands::rowHeightIncrease);
    connect(mnuRowHeightDec, &QAction::triggered, this, &EditCommands::rowHeightDecrease);

    QMenu *view = m_window.menu(frmMain::Menu::View);
    view->addSeparator();
    mnuMouseMode[0] = addMenuEntry(view, "mnuMouseMode_0", QStringLiteral("&Row Mode"), QKeySequence(Qt::Key_F6));
    mnuMouseMode[1]
        = addMenuEntry(view, "mnuMouseMode_1", QStringLiteral("&Block && Edit Mode"), QKeySequence(Qt::Key_F7));
    mnuDragDrop = addMenuEntry(view, "mnuDragDrop", QStringLiteral("&Drag Mode"), QKeySequence(Qt::Key_F8));
    for (QAction *a : { mnuMouseMode[0], mnuMouseMode[1], mnuDragDrop })
        a->setCheckable(true);
    connect(mnuMouseMode[0], &QAction::triggered, &m_window, &frmMain::enterRowMode);
    connect(mnuMouseMode[1], &QAction::triggered, &m_window, &frmMain::enterBlockMode);
    // Qt has already inverted the tick when triggered arrives.
    connect(mnuDragDrop, &QAction::triggered, this, &EditCommands::setDragMode);
}

void EditCommands::createToolbarKeys()
{
    const auto key = [this](const QString &name, const QString &tip, const QString &icon) {
        QAction *a = m_window.addToolbarButton(0, name, tip);
        a->setIcon(QIcon::fromTheme(icon));
        return a;
    };
    connect(key(QStringLiteral("Cut"), QStringLiteral("Cut"), QStringLiteral("edit-cut")), &QAction::triggered, this,
        &EditCommands::cut);
    connect(key(QStringLiteral("Copy"), QStringLiteral("Copy"), QStringLiteral("edit-copy")), &QAction::triggered, this,
        &EditCommands::copy);
    connect(key(QStringLiteral("Paste"), QStringLiteral("Paste"), QStringLiteral("edit-paste")), &QAction::triggered,
        this, &EditCommands::paste);
    connect(key(QStringLiteral("Find"), QStringLiteral("Find Text"), QStringLiteral("edit-find")), &QAction::triggered,
        this, &EditCommands::openFind);
    m_keyRowMode = key(QStringLiteral("RowMode"), QStringLiteral("Row and Find Mode"), QString());
    m_keyBlockMode = key(QStringLiteral("BlockMode"), QStringLiteral("Block and Edit Mode"), QString());
    m_keyDragMode = key(QStringLiteral("DragMode"), QStringLiteral("Toggle Drag Mode"), QString());
    for (QAction *a : { m_keyRowMode, m_keyBlockMode, m_keyDragMode })
        a->setCheckable(true);
    // A click on the pressed mode key would release it; showModeState presses it again.
    connect(m_keyRowMode, &QAction::triggered, &m_window, &frmMain::enterRowMode);
    connect(m_keyBlockMode, &QAction::triggered, &m_window, &frmMain::enterBlockMode);
    // The key's new pressed state decides.
    connect(m_keyDragMode, &QAction::triggered, this, &EditCommands::setDragMode);
}

void EditCommands::showModeState(MouseMode mode)
{
    const bool row = mode == MouseMode::Row;
    mnuMouseMode[0]->setChecked(row);
    mnuMouseMode[1]->setChecked(!row);
    m_keyRowMode->setChecked(row);
    m_keyBlockMode->setChecked(!row);
}

void EditCommands::setDragMode(bool on)
{
    m_drag = on;
    recordGrid().setDragEnabled(on);
    mnuDragDrop->setChecked(on);
    m_keyDragMode->setChecked(on);
    if (QLabel *p = m_window.panel(4))
        p->setText(on ? QStringLiteral("DRAG") : QString());
}

void EditCommands::reapplyMode()
{
    GridModel &fa = recordGrid();
    if (m_window.mouseMode() == MouseMode::Block) {
        m_window.recordView().setSelectionMode(GridModel::SelectionMode::Free);
        return;
    }
    // Rows the user marked survive a visit to another window; a grid that was switched to
    // cells (by Find) comes back with its current row.
    const bool wasRows = fa.selectionMode() == GridModel::SelectionMode::ListBox;
    m_window.recordView().setSelectionMode(GridModel::SelectionMode::ListBox);
    if (fa.row() >= fa.fixedRows() && (!wasRows || !fa.isRowSelected(fa.row())))
        TableEdits::makeCurrentRow(fa, fa.row(), MouseMode::Row);
}

void EditCommands::focusOwnerTaken(FocusOwner owner)
{
    if (owner == FocusOwner::None)
        return;
    for (const char *name : kRecordTableEntries) {
        QAction *a = m_window.findChild<QAction *>(QLatin1String(name));
        if (!a) {
            if (auto *menu = m_window.findChild<QMenu *>(QLatin1String(name)))
                a = menu->menuAction();
        }
        if (a)
            a->setVisible(owner == FocusOwner::RecordTable);
    }
}

bool EditCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_window && event->type() == QEvent::WindowActivate) {
        reapplyMode();
        m_window.fa_Click();
    }
    return QObject::eventFilter(watched, event);
}

GridModel &EditCommands::recordGrid()
{
    return m_window.table().fa();
}

GridModel &EditCommands::rowHeightTarget()
{
    return m_window.focusOwner() == FocusOwner::RecordTable ? recordGrid() : m_form->grid();
}

void EditCommands::tableChangedByCommand()
{
    m_window.table().markChangedByCommand();
}

std::vector<int> EditCommands::rowModeRows(const GridModel &grid)
{
    std::vector<int> rows;
    if (grid.rows() == 0 || grid.cols() == 0)
        return rows;
    if (grid.selectionMode() == GridModel::SelectionMode::ListBox && grid.selectedRowCount() > 0) {
        rows = grid.selectedRows();
    } else {
        const GridRange span = GridRange::normalized(grid.row(), 0, grid.rowSel(), 0);
        for (int r = span.top; r <= span.bottom; ++r)
            rows.push_back(r);
    }
    // Title rows are never part of a row command.
    rows.erase(rows.begin(), std::lower_bound(rows.begin(), rows.end(), grid.fixedRows()));
    return rows;
}

QString EditCommands::rowsClip(const GridModel &grid, const std::vector<int> &rows)
{
    QStringList parts;
    forEachRun(rows, [&](int first, int last) { parts << grid.clip(GridRange { first, 0, last, grid.cols() - 1 }); });
    return parts.join(QLatin1Char('\r'));
}

void EditCommands::copy()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    QString text;
    switch (m_window.focusOwner()) {
    case FocusOwner::RecordTable:
        text = m_window.mouseMode() == MouseMode::Row ? rowsClip(recordGrid(), rowModeRows(recordGrid()))
                                                      : ClipCommands::copy(recordGrid(), MouseMode::Block);
        break;
    case FocusOwner::FormPanel:
        text = rowsClip(m_form->grid(), rowModeRows(m_form->grid()));
        break;
    case FocusOwner::None:
        return; // neither grid has been used yet
    }
    clipboard->setText(text);
}

void EditCommands::cut()
{
    GridModel &fa = recordGrid();
    if (m_window.focusOwner() != FocusOwner::RecordTable || fa.rows() <= fa.fixedRows())
        return;
    QString text;
    if (m_window.mouseMode() == MouseMode::Row) {
        const std::vector<int> rows = rowModeRows(fa);
        text = rowsClip(fa, rows);
        blankRows(fa, rows);
    } else {
        text = ClipCommands::cut(fa, MouseMode::Block);
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    tableChangedByCommand();
    m_window.fa_Click();
}

void EditCommands::paste()
{
    GridModel *fa = &recordGrid();
    LongJobs &jobs = m_window.table().jobs();
    if (jobs.busy() || m_window.focusOwner() != FocusOwner::RecordTable || fa->rows() <= fa->fixedRows())
        return;
    auto text = std::make_shared<const QString>(QGuiApplication::clipboard()->text());
    std::vector<int> rows;
    int left = 0;
    int right = fa->cols() - 1;
    if (m_window.mouseMode() == MouseMode::Row) {
        rows = rowModeRows(*fa);
    } else {
        const GridRange block = fa->selection();
        left = block.left;
        right = block.right;
        for (int r = qMax(0, block.top); r <= qMin(fa->rows() - 1, block.bottom); ++r)
            rows.push_back(r);
    }
    const qint64 lines = text->count(QLatin1Char('\r')) + text->count(QLatin1Char('\n')) + 1;
    // Taken before rows moves into the work.
    const qint64 size = qMin(qint64(rows.size()), lines);
    jobs.start(QStringLiteral("Pasting"), size,
        [this, fa, rows = std::move(rows), left, right, text](JobControl &control) -> LongJobs::Apply {
            auto plan = std::make_shared<ClipCommands::PastePlan>(
                ClipCommands::planPaste(*fa, rows, left, right, *text, &control));
            if (control.cancelled())
                return {};
            return [this, plan] { applyPaste(std::move(*plan)); };
        });
}

void EditCommands::applyPaste(ClipCommands::PastePlan &&plan)
{
    const qint64 rows = qint64(plan.rows.size());
    if (ClipCommands::applyPaste(recordGrid(), std::move(plan)) > 0)
        tableChangedByCommand();
    m_window.fa_Click();
    m_window.table().jobs().report(
        rows == 1 ? QStringLiteral("1 row pasted") : QStringLiteral("%1 rows pasted").arg(LongJobs::count(rows)));
}

void EditCommands::selectAll()
{
    ClipCommands::selectAll(recordGrid());
    m_window.setFocusOwner(FocusOwner::RecordTable);
    m_window.fa_Click();
}

frmSearch *EditCommands::findDialog() const
{
    return m_search;
}

void EditCommands::openFind()
{
    if (!m_search)
        m_search = new frmSearch(m_window);
    m_search->show();
    m_search->raise();
    m_search->activateWindow();
}

void EditCommands::addRow()
{
    // The grid marks the table changed; Save stays as it is.
    TableEdits::addRow(recordGrid(), m_window.mouseMode());
    m_window.fa_Click();
}

void EditCommands::insertRow()
{
    GridModel &fa = recordGrid();
    TableEdits::insertRow(fa);
    if (m_window.mouseMode() == MouseMode::Row)
        TableEdits::makeCurrentRow(fa, fa.row(), MouseMode::Row);
    m_window.fa_Click();
    tableChangedByCommand();
}

void EditCommands::insertColumn()
{
    GridModel &fa = recordGrid();
    TableEdits::insertColumn(fa);
    if (m_window.mouseMode() == MouseMode::Row && fa.row() >= fa.fixedRows())
        TableEdits::makeCurrentRow(fa, fa.row(), MouseMode::Row);
    m_window.fa_Click();
    tableChangedByCommand();
}

void EditCommands::deleteColumn()
{
    GridModel &fa = recordGrid();
    if (!TableEdits::deleteColumn(fa))
        return;
    if (m_window.mouseMode() == MouseMode::Row && fa.row() >= fa.fixedRows())
        TableEdits::makeCurrentRow(fa, fa.row(), MouseMode::Row);
    m_window.fa_Click();
    tableChangedByCommand();
}

void EditCommands::deleteRows()
{
    const int removed = TableEdits::deleteRows(recordGrid(), m_window.mouseMode());
    m_window.fa_Click();
    if (removed > 0)
        tableChangedByCommand();
}

void EditCommands::rowHeightIncrease()
{
    TableEdits::increaseRowHeights(rowHeightTarget());
}

void EditCommands::rowHeightDecrease()
{
    TableEdits::decreaseRowHeights(rowHeightTarget());
}

void EditCommands::rowHeightReset()
{
    TableEdits::resetRowHeights(rowHeightTarget());
}

} // namespace dq
