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
