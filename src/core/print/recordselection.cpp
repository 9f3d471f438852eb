#include "core/print/recordselection.h"

#include "core/grid/gridmodel.h"

#include <QSignalBlocker>

#include <algorithm>

namespace dq {

static int firstDataRow(const GridModel &table)
{
    return std::max(1, table.fixedRows());
}

void selectAllDataRows(GridModel &table)
{
    const int first = firstDataRow(table);
    {
        const QSignalBlocker quiet(table);
        if (table.selectionMode() == GridModel::SelectionMode::ListBox) {
            table.clearRowSelection();
            for (int r = first; r < table.rows(); ++r)
                table.setRowSelected(r, true);
        }
    }
    if (table.rows() > first)
        table.select(first, 0, table.rows() - 1, table.cols() - 1);
    else
        emit table.selectionChanged();
}

std::vector<int> selectedDataRows(const GridModel &table)
{
    std::vector<int> rows = table.selectedRows();
    const int first = firstDataRow(table);
    rows.erase(std::remove_if(rows.begin(), rows.end(), [first](int r) { return r < first; }), rows.end());
    return rows;
}

void deselectRows(GridModel &table, const std::vector<int> &rows)
{
    if (rows.empty() || table.selectionMode() != GridModel::SelectionMode::ListBox)
        return;
    {
        const QSignalBlocker quiet(table);
        for (int r : rows)
            table.setRowSelected(r, false);
    }
    emit table.selectionChanged();
}

} // namespace dq
