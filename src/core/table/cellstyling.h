#pragma once

#include "core/table/clipcommands.h"

#include <QColor>
#include <QList>

#include <vector>

namespace dq {

class UserPrompts;

// Cell styling over ranges of a grid: bold, italic and underline toggles, text and
// background colours, alignment, and the grid-wide switches (alternate row colour, grid
// lines, one font size). The caller picks the grid and range (targetRange / formTarget)
// and applies its changed-flag rule.
class CellStyling
{
public:
    enum class FontStyle { Bold, Italic, Underline };
    struct FontState
    {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool operator==(const FontState &) const = default;
    };

    static constexpr int kPaletteSize = 8;
    static constexpr int kFirstPaletteImage = 16; // toolbar image of swatch 0

    // The record table's target: the block in Block mode, whole rows in Row mode.
    static GridRange targetRange(const GridModel &table, MouseMode mode);
    // The Form panel's target: the value cells (second column) of its selected rows.
    static GridRange formTarget(const GridModel &form);
    // What a styling command changes: in Row mode every marked row, whole rows, in runs of
    // consecutive rows (the rows Copy takes, however they were marked); otherwise the one
    // range above. The Form panel's marked rows give their value cells.
    static std::vector<GridRange> targetRanges(const GridModel &table, MouseMode mode);
    static std::vector<GridRange> formTargets(const GridModel &form);

    // The bold, italic and underline of one cell, as the toolbar buttons show them.
    static FontState fontState(const GridModel &grid, int row, int col);
    // Turns style off over range when currentlyOn (the state shown for the current cell),
    // on otherwise, whatever each cell had. Returns the new state.
    static bool toggle(GridModel &grid, const GridRange &range, FontStyle style, bool currentlyOn);

    static QColor paletteColor(int index); // swatches 0..7: black, red, maroon, green, navy, purple, magenta, blue
    static void setTextColor(GridModel &grid, const GridRange &range, const QColor &color);
    static void setBackColor(GridModel &grid, const GridRange &range, const QColor &color);
    // Asks for a colour (starting from the current cell's background); false when cancelled.
    static bool chooseBackColor(GridModel &grid, const GridRange &range, UserPrompts &prompts);
    static void setAlignment(GridModel &grid, const GridRange &range, Alignment alignment);

    // Light green (192, 255, 192) behind every other data row, or white.
    static void setAlternateRowColor(GridModel &grid, bool on);
    static QColor alternateRowColor() { return QColor(192, 255, 192); }
    // Flips grid lines; returns whether they are now shown.
    static bool toggleGridLines(GridModel &grid);
    // Every cell, titles included, in one font size. Returns whether anything changed.
    static bool setUniformFontSize(GridModel &grid, int points = 12);

    // The text colours successive grab runs take: black first, then each ticked colour in
    // the order blue, red, dark green.
    static QList<QColor> searchFontColors(bool blue, bool red, bool green);
};

} // namespace dq
