#include "core/table/cellstyling.h"

#include "core/grid/gridstore.h"
#include "core/shell/userprompts.h"

#include <array>

namespace dq {

GridRange CellStyling::targetRange(const GridModel &table, MouseMode mode)
{
    return ClipCommands::targetRange(table, mode);
}

GridRange CellStyling::formTarget(const GridModel &form)
{
    if (form.rows() == 0 || form.cols() < 2)
        return {};
    return GridRange::normalized(form.row(), 1, form.rowSel(), 1);
}

namespace {

// Runs of the marked rows below the title rows, columns left..right; none when no row is marked.
std::vector<GridRange> markedRowRuns(const GridModel &grid, int left, int right)
{
    std::vector<GridRange> runs;
    if (grid.selectionMode() != GridModel::SelectionMode::ListBox)
        return runs;
    for (int r : grid.selectedRows()) {
        if (r < grid.fixedRows())
            continue;
        if (!runs.empty() && runs.back().bottom == r - 1)
            runs.back().bottom = r;
        else
            runs.push_back(GridRange { r, left, r, right });
    }
    return runs;
}

} // namespace

std::vector<GridRange> CellStyling::targetRanges(const GridModel &table, MouseMode mode)
{
    if (mode == MouseMode::Row && table.cols() > 0) {
        std::vector<GridRange> runs = markedRowRuns(table, 0, table.cols() - 1);
        if (!runs.empty())
            return runs;
    }
    const GridRange one = targetRange(table, mode);
    return one.isEmpty() ? std::vector<GridRange> {} : std::vector<GridRange> { one };
}

std::vector<GridRange> CellStyling::formTargets(const GridModel &form)
{
    if (form.cols() >= 2) {
        std::vector<GridRange> runs = markedRowRuns(form, 1, 1);
        if (!runs.empty())
            return runs;
    }
    const GridRange one = formTarget(form);
    return one.isEmpty() ? std::vector<GridRange> {} : std::vector<GridRange> { one };
}

CellStyling::FontState CellStyling::fontState(const GridModel &grid, int row, int col)
{
    const CellFormat f = grid.cellFormat(row, col);
    return { f.bold, f.italic, f.underline };
}

bool CellStyling::toggle(GridModel &grid, const GridRange &range, FontStyle style, bool currentlyOn)
{
    const bool on = !currentlyOn;
    grid.updateFormats(range, [style, on](CellFormat &f) {
        switch (style) {
        case FontStyle::Bold:
            f.bold = on;
            break;
        case FontStyle::Italic:
            f.italic = on;
            break;
        case FontStyle::Underline:
            f.underline = on;
            break;
        }
    });
    return on;
}

QColor CellStyling::paletteColor(int index)
{
    static const std::array<QColor, kPaletteSize> palette = { QColor(0, 0, 0), QColor(255, 0, 0), QColor(128, 0, 0),
        QColor(0, 128, 0), QColor(0, 0, 128), QColor(128, 0, 128), QColor(255, 0, 255), QColor(0, 0, 255) };
    return index >= 0 && index < kPaletteSize ? palette[size_t(index)] : QColor();
}

void CellStyling::setTextColor(GridModel &grid, const GridRange &range, const QColor &color)
{
    if (!color.isValid())
        return;
    const QRgb rgb = color.rgb();
    grid.updateFormats(range, [rgb](CellFormat &f) {
        f.hasFore = true;
        f.fore = rgb;
    });
}

void CellStyling::setBackColor(GridModel &grid, const GridRange &range, const QColor &color)
{
    if (!color.isValid())
        return;
    const QRgb rgb = color.rgb();
    grid.updateFormats(range, [rgb](CellFormat &f) {
        f.hasBack = true;
        f.back = rgb;
    });
}

bool CellStyling::chooseBackColor(GridModel &grid, const GridRange &range, UserPrompts &prompts)
{
    if (range.isEmpty())
        return false;
    const CellFormat current = grid.cellFormat(range.top, range.left);
    const QColor chosen = prompts.color(current.hasBack ? QColor::fromRgb(current.back) : QColor(Qt::white));
    if (!chosen.isValid())
        return false;
    setBackColor(grid, range, chosen);
    return true;
}

void CellStyling::setAlignment(GridModel &grid, const GridRange &range, Alignment alignment)
{
    grid.updateFormats(range, [alignment](CellFormat &f) { f.alignment = alignment; });
}

void CellStyling::setAlternateRowColor(GridModel &grid, bool on)
{
    grid.setAlternateRowColor(on ? alternateRowColor() : QColor(Qt::white));
}

bool CellStyling::toggleGridLines(GridModel &grid)
{
    grid.setGridLines(!grid.gridLines());
    return grid.gridLines();
}

bool CellStyling::setUniformFontSize(GridModel &grid, int points)
{
    bool changed = grid.fontSize() != points;
    grid.setFontSize(points);
    if (!grid.hasAnyCellFormat())
        return changed;
    // Cells with a size of their own follow the grid's size from now on; rows without any
    // cell format are skipped unread.
    for (int r = 0; r < grid.rows(); ++r) {
        if (!grid.store().rows[size_t(r)].formats)
            continue;
        for (int c = 0; c < grid.cols(); ++c) {
            CellFormat f = grid.cellFormat(r, c);
            if (f.fontSize != 0) {
                f.fontSize = 0;
                grid.setCellFormat(r, c, f);
                changed = true;
            }
        }
    }
    return changed;
}

QList<QColor> CellStyling::searchFontColors(bool blue, bool red, bool green)
{
    QList<QColor> colors { QColor(0, 0, 0) };
    if (blue)
        colors << QColor(0, 0, 255);
    if (red)
        colors << QColor(255, 0, 0);
    if (green)
        colors << QColor(48, 117, 0);
    return colors;
}

} // namespace dq
