#pragma once

#include "core/table/clipcommands.h"

namespace dq {

class GridModel;

// Row and column editing of a grid: add, insert and delete rows and columns, row heights,
// and what the Delete Record question decides. Title rows are never inserted before,
// deleted or moved. The caller refreshes its views and applies its changed-flag rule.
class TableEdits
{
public:
    static constexpr int kStandardRowHeight = 240; // twips; also the lowest a row goes
    static constexpr int kRowHeightStep = 240;

    // A blank row at the end, made current.
    static void addRow(GridModel &grid, MouseMode mode);
    // A blank row above the current row (above the first data row when a title is current).
    static void insertRow(GridModel &grid);
    // A blank column left of the current column.
    static void insertColumn(GridModel &grid);
    // Removes the current column; the only column of a grid is kept. True when removed.
    static bool deleteColumn(GridModel &grid);
    // Removes the selected data rows (scattered rows of a list-box selection, or the rows
    // of the block), else the current row, in one batch. In Row mode the new current row is
    // selected whole. Returns the number of rows removed.
    static int deleteRows(GridModel &grid, MouseMode mode);
    // Removes the current data row (the Delete Record question's Yes). True when removed.
    static bool deleteCurrentRow(GridModel &grid, MouseMode mode);

    // Each selected row grows by one step.
    static void increaseRowHeights(GridModel &grid);
    // Each selected row shrinks by one step, never below the standard height; nothing
    // happens when the current row is at the standard height or lower. True when changed.
    static bool decreaseRowHeights(GridModel &grid);
    // Every data row back to the standard height; title rows keep theirs.
    static void resetRowHeights(GridModel &grid);

    // Makes row current; in Row mode it becomes the one selected row, first to last column.
    static void makeCurrentRow(GridModel &grid, int row, MouseMode mode);

    // The Delete Record question of the Form panel. It lives as long as the program, so
    // "Do not ask me next time" holds until the program ends.
    class DeleteRecordQuestion
    {
    public:
        enum class Button { Yes, No, Cancel };
        // False once the user ticked "Do not ask me next time": the record goes at once.
        bool shouldAsk() const { return !m_dontAsk; }
        // Records the answer and the check box; true when the record is to be deleted.
        bool answer(Button button, bool dontAskAgain);
        // The declined flag, read once by the Form panel (reading resets it).
        bool takeDeclined();

    private:
        bool m_dontAsk = false;
        bool m_declined = false;
    };
};

} // namespace dq
