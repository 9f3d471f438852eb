#pragma once

namespace dq {

class GridModel;

// Moves the selected block of rows of a grid one row up or down: the neighbouring row takes
// the freed place and the block stays selected, so repeated clicks keep moving it. Rows move
// inside the model with their texts and formats; nothing goes through the clipboard.
class RowBlockMover
{
public:
    // Up: does nothing unless the block starts at row minTop or later; title rows never move.
    // Down: does nothing when the block ends at the last row. Returns whether the block moved.
    static bool moveUp(GridModel &grid, int minTop);
    static bool moveDown(GridModel &grid);
};

} // namespace dq
