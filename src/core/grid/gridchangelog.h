#pragma once

#include "core/grid/gridstore.h"

#include <limits>
#include <memory>
#include <utility>
#include <variant>
#include <vector>

namespace dq {

// What one change of a grid did, holding only what it takes to take it back: the old text
// of a cell, the rows a delete removed, the permutation of a sort.
namespace change {
struct CellText
{
    int row, col;
    QByteArray before;
};
struct CellFormatChange
{
    int row, col;
    CellFormat before;
};
struct RowHeight
{
    int row, before; // -1 = the default height
};
struct ColumnAttrs
{
    int col;
    std::unique_ptr<ColumnAttributes> before;
};
struct RowsInserted
{
    std::vector<int> rows; // ascending indexes the new rows have
};
struct RowMoved
{
    int from, to;
};
struct RowsRemoved
{
    std::vector<std::pair<int, GridRow>> rows; // ascending by the index each row had
};
struct RowOrder
{
    int first;
    std::vector<int> order; // order[i] = the old index of row first + i
};
// The whole old texts of rows a batch replaced (formats stay with the rows).
struct RowTexts
{
    std::vector<int> rows; // ascending
    std::vector<RowCells> before; // one per row
};
// The old texts of columns first..last of the rows a batch changed, packed, for a batch that
// changes only those columns: no copy of the rows' other cells is kept.
struct ColumnTexts
{
    int first = 0, last = -1;
    std::vector<int> rows; // ascending
    std::vector<quint32> ends; // where each cell's bytes end in text, row after row
    QByteArray text;

    // Adds row with the texts its columns first..last have in cells.
    void append(int row, const RowCells &cells);
    // The text column col of the i-th row had.
    QByteArrayView cell(size_t i, int col) const;
};
struct ColumnInserted
{
    int col;
};
struct RemovedColumn
{
    int col;
    ColumnAttributes attrs;
    std::vector<QByteArray> cells; // one per row
    std::vector<std::pair<int, CellFormat>> formats; // rows whose cell had a format
};
struct ColumnRemoved
{
    std::unique_ptr<RemovedColumn> column;
};
struct ColumnMoved
{
    int from, to;
};
struct Settings
{
    std::unique_ptr<GridSettings> before;
    int fixedRows, fixedCols;
};
// A change the log cannot take back (a whole new content): everything logged before it is void.
struct Unrecorded
{
};
} // namespace change

using GridChange = std::variant<change::CellText, change::CellFormatChange, change::RowHeight, change::ColumnAttrs,
    change::RowsInserted, change::RowMoved, change::RowsRemoved, change::RowOrder, change::RowTexts,
    change::ColumnTexts, change::ColumnInserted, change::ColumnRemoved, change::ColumnMoved, change::Settings,
    change::Unrecorded>;

// New texts for some rows of a grid, worked out off the window's thread while the grid holds
// still (GridModel::replaceColumnTexts puts them in). Only columns before.first..before.last
// change, and before keeps those columns' old texts for the undo history.
struct ColumnTextsBatch
{
    int cols = 0; // the grid's column count once the batch is in
    change::ColumnTexts before;
    std::vector<RowCells> texts; // one per row of before.rows

    ColumnTextsBatch(int cols, int first, int last);
    // Takes texts for row unless its columns first..last read as in old; texts are cut to cols.
    void add(int row, const RowCells &old, RowCells &&texts);
};

// The changes a grid made while the log was attached (GridModel::setChangeLog), oldest
// first, with an estimate of the memory they hold.
struct GridChangeLog
{
    std::vector<GridChange> changes;
    qint64 bytes = 0;
    // Past this the changes are dropped and the log counts as unrecorded, so one huge change
    // cannot hold more memory than the whole undo history may.
    qint64 limit = std::numeric_limits<qint64>::max();
    bool unrecorded = false; // an Unrecorded change came in, or the limit was passed

    void add(GridChange &&c);
    bool empty() const { return changes.empty() && !unrecorded; }
    void clear()
    {
        changes.clear();
        bytes = 0;
        unrecorded = false;
    }
};

} // namespace dq
