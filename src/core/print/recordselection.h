#pragma once

#include <vector>

namespace dq {

class GridModel;

// Selection helpers the print commands share. Each changes the record table's selection
// in one batch: views and status counters hear one selectionChanged, not one per row.

// Selects every data row (all columns); in Row mode the rows are marked as well.
void selectAllDataRows(GridModel &table);
// Every data row, ascending, whatever is selected.
std::vector<int> allDataRows(const GridModel &table);
// The selected rows below the title rows, ascending.
std::vector<int> selectedDataRows(const GridModel &table);
// Unmarks rows in Row mode; a Block-mode block cannot lose single rows and stays.
void deselectRows(GridModel &table, const std::vector<int> &rows);

} // namespace dq
