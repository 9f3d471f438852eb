#include "core/table/clipcommands.h"

#include "core/table/longjobs.h"

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
    if (clipboardText.isEmpty() || grid.rows() == 0 || grid.cols() == 0)
        return 0;
    if (mode == MouseMode::Row)
        grid.select(grid.row(), 0, grid.rowSel(), grid.cols() - 1);
    const GridRange range = targetRange(grid, mode);
    std::vector<int> rows;
    for (int r = qMax(0, range.top); r <= qMin(grid.rows() - 1, range.bottom); ++r)
        rows.push_back(r);
    return applyPaste(grid, planPaste(grid, rows, range.left, range.right, clipboardText));
}

ClipCommands::PastePlan ClipCommands::planPaste(const GridModel &grid, const std::vector<int> &rows, int left,
    int right, const QString &clipboardText, JobControl *control)
{
    PastePlan plan;
    plan.left = qMax(0, left);
    plan.right = qMin(grid.cols() - 1, right);
    // Tabs and line breaks are single bytes in UTF-8 too, so the clip is cut up as bytes.
    const QByteArray clip = clipboardText.toUtf8();
    qsizetype n = clip.size();
    // Spreadsheets end a copied block with a line break; it must not empty the next row's first cell.
    if (clip.endsWith("\r\n"))
        n -= 2;
    else if (clip.endsWith('\n') || clip.endsWith('\r'))
        --n;
    if (n == 0 || plan.left > plan.right)
        return plan;
    const char *text = clip.constData();
    const GridStore &store = grid.store();
    const int cols = grid.cols();
    std::vector<QByteArrayView> cells(static_cast<size_t>(cols));
    qsizetype pos = 0;
    for (size_t i = 0; i < rows.size() && rows[i] >= 0 && rows[i] < grid.rows(); ++i) {
        if (control && i % 4096 == 0) {
            if (control->cancelled())
                return {};
            control->setProgress(pos, n);
        }
        const RowCells &old = store.rows[size_t(rows[i])].cells;
        for (int c = 0; c < cols; ++c)
            cells[size_t(c)] = old.utf8(c);
        // Line breaks are CR, LF or CR LF; tabs step to the next cell, past right they are dropped.
        qsizetype end = pos;
        while (end < n && text[end] != '\r' && text[end] != '\n')
            ++end;
        int col = plan.left;
        qsizetype start = pos;
        for (qsizetype k = pos; k <= end && col <= plan.right; ++k) {
            if (k < end && text[k] != '\t')
                continue;
            cells[size_t(col++)] = QByteArrayView(text + start, k - start);
            ++plan.cells;
            start = k + 1;
        }
        plan.rows.push_back(rows[i]);
        plan.texts.push_back(RowCells::fromUtf8(cells.data(), cols));
        if (end >= n)
            break;
        pos = end + 1;
        if (text[end] == '\r' && pos < n && text[pos] == '\n')
            ++pos;
    }
    return plan;
}

int ClipCommands::applyPaste(GridModel &grid, PastePlan &&plan)
{
    const int cells = plan.cells;
    if (cells > 0)
        grid.replaceRowTexts(plan.rows, std::move(plan.texts), plan.left, plan.right);
    return cells;
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
