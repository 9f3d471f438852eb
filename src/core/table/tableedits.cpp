#include "core/table/tableedits.h"

#include "core/grid/gridmodel.h"

#include <algorithm>

namespace dq {

void TableEdits::makeCurrentRow(GridModel &grid, int row, MouseMode mode)
{
    if (grid.rows() == 0)
        return;
    row = qBound(0, row, grid.rows() - 1);
    if (mode == MouseMode::Row) {
        if (grid.selectionMode() == GridModel::SelectionMode::ListBox)
            grid.setSelectedRows({ row });
        grid.select(row, 0, row, qMax(0, grid.cols() - 1));
    } else {
        grid.setCursor(row, grid.col());
    }
}

void TableEdits::addRow(GridModel &grid, MouseMode mode)
{
    grid.setRows(grid.rows() + 1);
    makeCurrentRow(grid, grid.rows() - 1, mode);
}

void TableEdits::insertRow(GridModel &grid)
{
    const int at = qBound(grid.fixedRows(), grid.row(), grid.rows());
    const int col = grid.col();
    grid.insertRow(at);
    grid.setCursor(at, col);
}

void TableEdits::insertColumn(GridModel &grid)
{
    const int at = qBound(grid.fixedCols(), grid.col(), grid.cols());
    const int row = grid.row();
    grid.insertColumn(at);
    grid.setCursor(row, at);
}

bool TableEdits::deleteColumn(GridModel &grid)
{
    if (grid.cols() <= 1 || grid.col() < grid.fixedCols())
        return false;
    const int row = grid.row();
    const int col = grid.col();
    grid.removeColumn(col);
    grid.setCursor(row, qMin(col, grid.cols() - 1));
    return true;
}

int TableEdits::deleteRows(GridModel &grid, MouseMode mode)
{
    const int first = grid.fixedRows();
    std::vector<int> rows;
    if (grid.selectedRowCount() > 0)
        rows = grid.selectedRows();
    else
        rows.push_back(grid.row());
    // Title rows are never deleted.
    rows.erase(rows.begin(), std::lower_bound(rows.begin(), rows.end(), first));
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&grid](int r) { return r >= grid.rows(); }), rows.end());
    if (rows.empty())
        return 0;
    const int col = grid.col();
    grid.removeRowsSorted(rows);
    // The row that moved up into the first gap becomes current.
    const int current = grid.rows() > first ? qMin(rows.front(), grid.rows() - 1) : qMax(0, grid.rows() - 1);
    grid.setCursor(current, col);
    if (mode == MouseMode::Row)
        makeCurrentRow(grid, current, mode);
    return int(rows.size());
}

bool TableEdits::deleteCurrentRow(GridModel &grid, MouseMode mode)
{
    const int row = grid.row();
    if (row < grid.fixedRows() || row >= grid.rows())
        return false;
    const int col = grid.col();
    grid.removeRow(row);
    const int current = grid.rows() > grid.fixedRows() ? qMin(row, grid.rows() - 1) : qMax(0, grid.rows() - 1);
    grid.setCursor(current, col);
    if (mode == MouseMode::Row)
        makeCurrentRow(grid, current, mode);
    return true;
}

void TableEdits::increaseRowHeights(GridModel &grid)
{
    for (int r : grid.selectedRows())
        grid.setRowHeight(r, grid.rowHeight(r) + kRowHeightStep);
}

bool TableEdits::decreaseRowHeights(GridModel &grid)
{
    if (grid.rowHeight(grid.row()) <= kStandardRowHeight)
        return false;
    bool changed = false;
    for (int r : grid.selectedRows()) {
        const int h = grid.rowHeight(r);
        const int lower = qMax(kStandardRowHeight, h - kRowHeightStep);
        if (lower != h) {
            grid.setRowHeight(r, lower);
            changed = true;
        }
    }
    return changed;
}

void TableEdits::resetRowHeights(GridModel &grid)
{
    for (int r = grid.fixedRows(); r < grid.rows(); ++r)
        if (grid.rowHeight(r) != kStandardRowHeight)
            grid.setRowHeight(r, kStandardRowHeight);
}

bool TableEdits::DeleteRecordQuestion::answer(Button button, bool dontAskAgain)
{
    m_dontAsk = dontAskAgain;
    if (button == Button::Yes)
        return true;
    m_declined = true;
    return false;
}

bool TableEdits::DeleteRecordQuestion::takeDeclined()
{
    const bool declined = m_declined;
    m_declined = false;
    return declined;
}

} // namespace dq
