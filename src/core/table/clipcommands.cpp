#include "core/table/clipcommands.h"

#include <numeric>

namespace dq {

GridRange ClipCommands::targetRange(const GridModel &grid, MouseMode mode)
{
    if (grid.rows() == 0 || grid.cols() == 0)
        return {};
    if (mode == MouseMode::Block)
        return grid.selection();
    return GridRange::normalized(grid.row(), 0, grid.rowSel(), grid.cols() - 1);
}

QString ClipCommands::copy(const GridModel &grid, MouseMode mode)
{
    return grid.clip(targetRange(grid, mode));
}

QString ClipCommands::cut(GridModel &grid, MouseMode mode)
{
    const GridRange range = targetRange(grid, mode);
    const QString text = grid.clip(range);
    if (range.isEmpty())
        return text;
    // A clip of nothing but separators empties every cell of the range in one batch.
    const int rows = range.bottom - range.top + 1;
    const int cols = range.right - range.left + 1;
    const QString row(cols - 1, QLatin1Char('\t'));
    QString blank;
    blank.reserve(qsizetype(rows) * cols);
    for (int r = 0; r < rows; ++r) {
        if (r > 0)
            blank += QLatin1Char('\r');
        blank += row;
    }
    grid.setClip(range, blank);
    return text;
}

int ClipCommands::paste(GridModel &grid, MouseMode mode, const QString &clipboardText)
{
    QStringView text(clipboardText);
    // Spreadsheets end a copied block with a line break; it must not empty the next row's first cell.
    if (text.endsWith(u"\r\n"))
        text.chop(2);
    else if (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    if (clipboardText.isEmpty() || grid.rows() == 0 || grid.cols() == 0)
        return 0;
    if (mode == MouseMode::Row)
        grid.select(grid.row(), 0, grid.rowSel(), grid.cols() - 1);
    return grid.setClip(targetRange(grid, mode), text.toString());
}

void ClipCommands::selectAll(GridModel &grid)
{
    const int first = grid.fixedRows();
    if (grid.rows() <= first || grid.cols() == 0)
        return;
    if (grid.selectionMode() == GridModel::SelectionMode::ListBox) {
        std::vector<int> all(size_t(grid.rows() - first));
        std::iota(all.begin(), all.end(), first);
        grid.setSelectedRows(all);
    }
    grid.select(first, 0, grid.rows() - 1, grid.cols() - 1);
}

} // namespace dq
