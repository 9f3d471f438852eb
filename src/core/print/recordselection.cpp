#include "core/print/recordselection.h"

#include "core/grid/gridmodel.h"

#include <algorithm>

namespace dq {

static int firstDataRow(const GridModel &table)
{
    return std::max(1, table.fixedRows());
}

void selectAllDataRows(GridModel &table)
{
    const int first = firstDataRow(table);
    if (table.rows() > first)
        table.selectRows(first, table.rows() - 1);
    else if (table.selectionMode() == GridModel::SelectionMode::ListBox)
        table.setSelectedRows({});
}

std::vector<int> allDataRows(const GridModel &table)
{
    std::vector<int> rows;
    const int first = firstDataRow(table);
    rows.reserve(size_t(std::max(0, table.rows() - first)));
    for (int r = first; r < table.rows(); ++r)
        rows.push_back(r);
    return rows;
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
    if (table.selectionMode() == GridModel::SelectionMode::ListBox)
        table.setRowsSelected(rows, false);
}

} // namespace dq
