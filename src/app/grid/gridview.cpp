#include "app/grid/gridview.h"

#include "app/grid/griditemdelegate.h"
#include "app/grid/gridtitleheader.h"
#include "core/grid/gridstore.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>

namespace dq {

GridView::GridView(QWidget *parent)
    : QTableView(parent)
    , m_header(new GridTitleHeader(this))
{
    setHorizontalHeader(m_header);
    // A title click sorts or selects the column as onTitleClicked decides; the table view's
    // own select-on-press would otherwise select the column before every sort.
    disconnect(m_header, SIGNAL(sectionPressed(int)), this, nullptr);
    disconnect(m_header, SIGNAL(sectionEntered(int)), this, nullptr);
    verticalHeader()->hide();
    // Uniform rows: the header never measures a million rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setSelectionMode(GridModel::SelectionMode::Free);
    m_ascending = style()->standardIcon(QStyle::SP_ArrowUp);
    m_descending = style()->standardIcon(QStyle::SP_ArrowDown);

    connect(m_header, &QHeaderView::sectionClicked, this, &GridView::onTitleClicked);
    connect(m_header, &QHeaderView::sectionMoved, this, &GridView::onSectionMoved);
    connect(m_header, &QHeaderView::sectionResized, this, &GridView::onSectionResized);
    connect(this, &QAbstractItemView::clicked, this,
        [this](const QModelIndex &i) { emit cellClicked(i.row(), i.column()); });
    connect(this, &QAbstractItemView::doubleClicked, this,
        [this](const QModelIndex &i) { emit cellDoubleClicked(i.row(), i.column()); });
}

GridView::~GridView() = default;

GridModel *GridView::gridModel() const
{
    return m_model;
}

void GridView::setGridModel(GridModel *model)
{
    for (const QMetaObject::Connection &c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    m_model = model;
    setModel(model);
    if (!model)
        return;
    delete m_delegate;
    m_delegate = new GridItemDelegate(*model, this);
    setItemDelegate(m_delegate);
    applySelectionMode();
    auto on = [this, model](auto signal, auto slot) { m_connections << connect(model, signal, this, slot); };
    on(&QAbstractItemModel::modelReset, [this] { applyShape(); });
    on(&QAbstractItemModel::layoutChanged, [this] {
        applyFixedRows();
        pullSelectionFromModel();
    });
    on(&QAbstractItemModel::rowsInserted, [this] {
        applyFixedRows();
        applyRowHeights();
    });
    on(&QAbstractItemModel::rowsRemoved, [this] { applyFixedRows(); });
    on(&QAbstractItemModel::rowsMoved, [this] {
        applyFixedRows();
        applyRowHeights();
    });
    on(&QAbstractItemModel::columnsInserted, [this] { applyColumns(); });
    on(&QAbstractItemModel::columnsRemoved, [this] { applyColumns(); });
    on(&QAbstractItemModel::columnsMoved, [this] { applyColumns(); });
    on(&QAbstractItemModel::headerDataChanged, [this](Qt::Orientation o) {
        if (o == Qt::Horizontal)
            applyColumns();
        else
            applyFixedRows();
    });
    on(&QAbstractItemModel::dataChanged, [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
        // The title row is the header: its formats and texts are drawn there.
        if (topLeft.row() < m_model->fixedRows())
            m_header->headerDataChanged(Qt::Horizontal, topLeft.column(), bottomRight.column());
    });
    on(&GridModel::rowHeightsChanged, [this] { applyRowHeights(); });
    on(&GridModel::gridSettingsChanged, [this] { applyGridSettings(); });
    on(&GridModel::selectionChanged, [this] {
        if (m_model->selectionMode() != m_mode)
            applySelectionMode();
        pullSelectionFromModel();
    });
    on(&GridModel::beforeSort, [this](int col, int order) { emit beforeSort(col, order); });
    on(&GridModel::afterSort, [this](int col, int order) {
        // Any sort, not only a title click, decides what the next click on that title does.
        m_sortColumn = col;
        m_sortOrder = order == 2 ? Qt::DescendingOrder : Qt::AscendingOrder;
        emit afterSort(col, order);
    });
    on(&GridModel::columnMoved, [this](int from, int to) { emit columnMoved(from, to); });
    on(&GridModel::editRequested, [this] {
        if (currentIndex().isValid())
            edit(currentIndex());
    });
    on(&GridModel::focusRequested, [this] { setFocus(Qt::OtherFocusReason); });
    applyShape();
}

int GridView::twipsToPixelsX(int twips) const
{
    return qRound(double(twips) * logicalDpiX() / 1440.0);
}
int GridView::twipsToPixelsY(int twips) const
{
    return qRound(double(twips) * logicalDpiY() / 1440.0);
}
int GridView::pixelsToTwipsX(int pixels) const
{
    return qRound(double(pixels) * 1440.0 / logicalDpiX());
}

void GridView::applyShape()
{
    applySelectionMode();
    applyGridSettings();
    applyColumns();
    applyRowHeights();
    applyFixedRows();
    pullSelectionFromModel();
}

void GridView::applyFixedRows()
{
    if (!m_model)
        return;
    // Fixed rows show as the header, not in the body. Rows past them must be visible again
    // after rows move or the fixed count drops.
    const int fixed = m_model->fixedRows();
    for (int r = 0; r < qMin(m_model->rows(), fixed + 2); ++r)
        setRowHidden(r, r < fixed);
    m_header->setVisible(fixed > 0);
}

void GridView::applyColumns()
{
    if (!m_model)
        return;
    m_applying = true;
    for (int c = 0; c < m_model->cols(); ++c) {
        setColumnHidden(c, m_model->columnHidden(c));
        const int px = twipsToPixelsX(m_model->columnWidth(c));
        if (!m_model->columnHidden(c) && columnWidth(c) != px)
            setColumnWidth(c, px);
    }
    m_applying = false;
}

void GridView::applyRowHeights()
{
    if (!m_model)
        return;
    QHeaderView *rows = verticalHeader();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(twipsToPixelsY(GridModel::kDefaultRowHeight));
    if (!m_model->hasRowHeights())
        return;
    const std::vector<GridRow> &all = m_model->store().rows;
    for (size_t r = 0; r < all.size(); ++r) {
        const int px = twipsToPixelsY(m_model->rowHeight(int(r)));
        if (all[r].height >= 0 || rows->sectionSize(int(r)) != px)
            setRowHeight(int(r), px);
    }
}

void GridView::applyGridSettings()
{
    if (!m_model)
        return;
    setShowGrid(m_model->gridLines());
    setGridStyle(Qt::SolidLine);
    setDragEnabled(m_model->dragEnabled());
    setDragDropMode(m_model->dragEnabled() ? QAbstractItemView::DragOnly : QAbstractItemView::NoDragDrop);
    m_header->setSectionsMovable(m_model->columnDragEnabled());
    m_header->setSectionsClickable(true);
    QFont f = font();
    f.setPointSize(m_model->fontSize());
    setFont(f);
}

void GridView::setSelectionMode(GridModel::SelectionMode mode)
{
    m_mode = mode;
    if (m_model && m_model->selectionMode() != mode)
        m_model->setSelectionMode(mode); // comes back through selectionChanged
    applySelectionMode();
}

void GridView::applySelectionMode()
{
    if (m_model)
        m_mode = m_model->selectionMode();
    if (m_mode == GridModel::SelectionMode::ListBox) {
        QTableView::setSelectionBehavior(QAbstractItemView::SelectRows);
        QTableView::setSelectionMode(QAbstractItemView::ExtendedSelection);
    } else {
        QTableView::setSelectionBehavior(QAbstractItemView::SelectItems);
        QTableView::setSelectionMode(QAbstractItemView::ContiguousSelection);
    }
}

int GridView::selectedRowCount() const
{
    return m_model ? m_model->selectedRowCount() : 0;
}

int GridView::selectedRow(int n) const
{
    return m_model ? m_model->selectedRow(n) : -1;
}

void GridView::setTitlePicture(int col, const QIcon &picture)
{
    m_header->setPicture(col, picture);
}

QIcon GridView::titlePicture(int col) const
{
    return m_header->picture(col);
}

void GridView::setSortPictures(const QIcon &ascending, const QIcon &descending)
{
    m_ascending = ascending;
    m_descending = descending;
}

void GridView::pushSelectionToModel()
{
    if (!m_model || m_syncing || !selectionModel())
        return;
    m_syncing = true;
    const QModelIndex current = currentIndex();
    // Title rows are the header: a select-all in the body never takes them in.
    const int fixed = m_model->fixedRows();
    if (m_model->selectionMode() == GridModel::SelectionMode::ListBox) {
        std::vector<int> rows;
        for (const QItemSelectionRange &range : selectionModel()->selection())
            for (int r = qMax(fixed, range.top()); r <= range.bottom(); ++r)
                rows.push_back(r);
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        if (current.isValid())
            m_model->setCursor(current.row(), current.column());
        m_model->setSelectedRows(rows);
    } else if (current.isValid()) {
        // The cursor is the cell where the block started; RowSel/ColSel the end that moves
        // (the view's current cell). A block the current cell is no corner of (select all)
        // runs from its top-left to its bottom-right.
        const QItemSelection selection = selectionModel()->selection();
        int anchorRow = current.row();
        int anchorCol = current.column();
        int endRow = current.row();
        int endCol = current.column();
        if (!selection.isEmpty()) {
            QItemSelectionRange range = selection.first();
            const bool rowCorner = current.row() == range.top() || current.row() == range.bottom();
            const bool colCorner = current.column() == range.left() || current.column() == range.right();
            if (rowCorner && colCorner) {
                anchorRow = current.row() == range.top() ? range.bottom() : range.top();
                anchorCol = current.column() == range.left() ? range.right() : range.left();
            } else {
                anchorRow = range.top();
                anchorCol = range.left();
                endRow = range.bottom();
                endCol = range.right();
            }
        }
        const int lastRow = m_model->rows() - 1;
        m_model->select(qBound(fixed, anchorRow, lastRow), anchorCol, qBound(fixed, endRow, lastRow), endCol);
    }
    m_syncing = false;
}

void GridView::pullSelectionFromModel()
{
    if (!m_model || m_syncing || !selectionModel() || m_model->rows() == 0 || m_model->cols() == 0)
        return;
    m_syncing = true;
    QItemSelection selection;
    QModelIndex current;
    const int lastCol = m_model->cols() - 1;
    if (m_model->selectionMode() == GridModel::SelectionMode::ListBox) {
        const std::vector<int> rows = m_model->selectedRows();
        for (size_t i = 0; i < rows.size();) {
            size_t j = i;
            while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
                ++j;
            selection.select(m_model->index(rows[i], 0), m_model->index(rows[j], lastCol));
            i = j + 1;
        }
        current = m_model->index(m_model->row(), m_model->col());
    } else {
        const GridRange block = m_model->selection();
        if (!block.isEmpty())
            selection.select(m_model->index(block.top, block.left), m_model->index(block.bottom, block.right));
        current = m_model->index(m_model->rowSel(), m_model->colSel());
    }
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_syncing = false;
}

void GridView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    QTableView::selectionChanged(selected, deselected);
    pushSelectionToModel();
}

void GridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    pushSelectionToModel();
}

void GridView::onTitleClicked(int col)
{
    if (!m_model)
        return;
    if (!m_model->sortOnTitleClick()) {
        if (m_model->selectionMode() == GridModel::SelectionMode::Free && m_model->rows() > m_model->fixedRows())
            m_model->select(m_model->fixedRows(), col, m_model->rows() - 1, col);
        return;
    }
    if (!m_titleSortEnabled)
        return;
    const Qt::SortOrder order
        = col == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    if (m_titleSorter) {
        // The sorter may sort later or not at all (Cancel): the arrow and the next click's
        // order follow the sort when it lands (afterSort).
        m_titleSorter(col, order);
        return;
    }
    m_sortColumn = col;
    m_sortOrder = order;
    m_header->clearPictures();
    m_header->setPicture(col, order == Qt::AscendingOrder ? m_ascending : m_descending);
    // The arrow is in place before afterSort, so a caller's own picture there wins.
    m_model->sort(col, col, order);
}

void GridView::resetTitleSort()
{
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    m_header->clearPictures();
}

void GridView::onSectionMoved(int logical, int oldVisual, int newVisual)
{
    Q_UNUSED(logical);
    if (!m_model)
        return;
    // The header only reports the drag; the model moves the column and the header goes
    // back to showing columns in model order.
    {
        const QSignalBlocker block(m_header);
        m_header->moveSection(newVisual, oldVisual);
    }
    // The column at oldVisual now stands at newVisual and the ones between shift by one
    // towards oldVisual; the sorted column and every title picture follow their column.
    const auto follow = [oldVisual, newVisual](int col) {
        if (col == oldVisual)
            return newVisual;
        if (oldVisual < col && col <= newVisual)
            return col - 1;
        if (newVisual <= col && col < oldVisual)
            return col + 1;
        return col;
    };
    if (m_sortColumn >= 0)
        m_sortColumn = follow(m_sortColumn);
    QList<std::pair<int, QIcon>> pictures;
    for (int c = 0; c < m_model->cols(); ++c)
        if (const QIcon p = m_header->picture(c); !p.isNull())
            pictures.append({ follow(c), p });
    m_model->moveColumn(oldVisual, newVisual);
    m_header->clearPictures();
    for (const auto &[col, picture] : std::as_const(pictures))
        m_header->setPicture(col, picture);
}

void GridView::onSectionResized(int logical, int oldSize, int newSize)
{
    Q_UNUSED(oldSize);
    if (!m_model || m_applying || newSize <= 0)
        return;
    m_applying = true;
    m_model->setColumnWidth(logical, pixelsToTwipsX(newSize));
    m_applying = false;
}

bool GridView::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (!index.isValid() || state() == EditingState)
        return QTableView::edit(index, trigger, event);
    // Only the triggers that open an editor ask; clicks that merely select do not.
    if (trigger & editTriggers()) {
        bool cancel = false;
        emit beforeEdit(index.row(), index.column(), &cancel);
        if (cancel)
            return false;
    }
    return QTableView::edit(index, trigger, event);
}

void GridView::commitData(QWidget *editor)
{
    const QModelIndex index = currentIndex();
    QTableView::commitData(editor);
    if (index.isValid())
        emit afterEdit(index.row(), index.column());
}

void GridView::keyPressEvent(QKeyEvent *event)
{
    emit keyDown(event->key(), event->modifiers());
    QTableView::keyPressEvent(event);
}

void GridView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = indexAt(event->position().toPoint());
    QTableView::mousePressEvent(event);
}

void GridView::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    // A drag across cells ends on another current cell: the window follows it as after a click.
    if (event->button() == Qt::LeftButton && m_pressed.isValid() && currentIndex().isValid()
        && indexAt(event->position().toPoint()) != m_pressed)
        emit cellClicked(currentIndex().row(), currentIndex().column());
    if (event->button() == Qt::LeftButton)
        m_pressed = QPersistentModelIndex();
    if (event->button() == Qt::RightButton) {
        const QModelIndex i = indexAt(event->position().toPoint());
        emit rightButtonUp(i.row(), i.column(), event->globalPosition().toPoint());
    }
}

void GridView::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    emit focusEntered();
}

} // namespace dq
