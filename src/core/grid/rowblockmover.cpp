#include "core/grid/rowblockmover.h"

#include "core/grid/gridmodel.h"

namespace dq {

namespace {

// Reselects the moved block with the cursor on the same end of it as before.
void reselect(GridModel &grid, int shift)
{
    grid.select(grid.row() + shift, grid.col(), grid.rowSel() + shift, grid.colSel());
}

} // namespace

bool RowBlockMover::moveUp(GridModel &grid, int minTop)
{
    const GridRange block = grid.selection();
    if (block.isEmpty() || block.top < minTop || block.top - 1 < grid.fixedRows())
        return false;
    grid.moveRow(block.top - 1, block.bottom);
    reselect(grid, -1);
    return true;
}

bool RowBlockMover::moveDown(GridModel &grid)
{
    const GridRange block = grid.selection();
    if (block.isEmpty() || block.bottom >= grid.rows() - 1 || block.top < grid.fixedRows())
        return false;
    grid.moveRow(block.bottom + 1, block.top);
    reselect(grid, 1);
    return true;
}

} // namespace dq
