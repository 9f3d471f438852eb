#pragma once

#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"

#include <QString>

#include <vector>

namespace dq {

class JobControl;

// The record table's two mouse modes: Row mode acts on whole rows from the current row to
// the selection end row, Block and Edit mode on the selected block of cells.
enum class MouseMode { Row, Block };

// What Copy, Cut, Paste and Select All do to a grid. The caller owns the system clipboard:
// it puts the returned text there, or hands the clipboard's text to paste().
class ClipCommands
{
public:
    // The cells a command acts on: the selected block in Block mode; in Row mode the rows
    // from the current row to the selection end row, every column.
    static GridRange targetRange(const GridModel &grid, MouseMode mode);

    // Clip text of the target range: tabs between cells, carriage returns between rows.
    static QString copy(const GridModel &grid, MouseMode mode);
    // Copies, then empties every cell of the target range; rows stay.
    static QString cut(GridModel &grid, MouseMode mode);
    // Fills the target range from clip text, starting at its top-left cell; text beyond the
    // range is dropped, no row or column is added. In Row mode the rows are selected across
    // all columns first. The line break that ends a copied block is no empty row of its own,
    // and an empty clipboard changes nothing. Returns the number of cells set.
    static int paste(GridModel &grid, MouseMode mode, const QString &clipboardText);

    // A paste worked out without changing the grid (so it can run off the window's thread on
    // a table that holds still): the new texts of the rows it fills.
    struct PastePlan
    {
        std::vector<int> rows; // ascending
        std::vector<RowCells> texts; // one per row
        int left = 0;
        int right = -1;
        int cells = 0; // cells set
    };
    // Line i of the clip text fills row rows[i] (ascending) from column left to right. An
    // empty plan when the text is empty or Cancel was pressed.
    static PastePlan planPaste(const GridModel &grid, const std::vector<int> &rows, int left, int right,
        const QString &clipboardText, JobControl *control = nullptr);
    // Puts a plan in as one change; returns the number of cells set.
    static int applyPaste(GridModel &grid, PastePlan &&plan);
    // Selects every data row and column (never the title rows); in list-box selection the
    // data rows are marked too.
    static void selectAll(GridModel &grid);
};

} // namespace dq
