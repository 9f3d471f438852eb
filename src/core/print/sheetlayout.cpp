#include "core/print/sheetlayout.h"

#include <QRegularExpression>

#include <algorithm>

namespace dq {

QString sheetColumnName(int col)
{
    QString name;
    for (int n = col; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

static int columnNumber(QStringView letters)
{
    int n = 0;
    for (QChar ch : letters) {
        n = n * 26 + (ch.toUpper().unicode() - u'A' + 1);
        if (n > 1'000'000)
            return 0;
    }
    return n;
}

QString SheetRange::text() const
{
    if (isEmpty())
        return {};
    const QString first = sheetColumnName(left) + QString::number(top);
    if (top == bottom && left == right)
        return first;
    return first + u':' + sheetColumnName(right) + QString::number(bottom);
}

SheetRange SheetRange::parse(const QString &text)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*([A-Za-z]{1,4})([0-9]{1,9})(?::([A-Za-z]{1,4})([0-9]{1,9}))?\\s*$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return {};
    const int c1 = columnNumber(m.capturedView(1));
    const int r1 = m.capturedView(2).toInt();
    const int c2 = m.capturedLength(3) ? columnNumber(m.capturedView(3)) : c1;
    const int r2 = m.capturedLength(4) ? m.capturedView(4).toInt() : r1;
    if (r1 < 1 || r2 < 1 || c1 < 1 || c2 < 1)
        return {};
    return { std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2) };
}

SheetLayout::SheetLayout() = default;

void SheetLayout::grow(int row, int col)
{
    m_lastRow = std::max(m_lastRow, row);
    m_lastCol = std::max(m_lastCol, col);
}

void SheetLayout::clearRange(int top, int left, int bottom, int right)
{
    const SheetRange r { std::max(m_cellBase + 1, top), std::max(1, left),
        std::min(bottom, m_cellBase + int(m_cells.size())), right };
    for (int row = r.top; row <= r.bottom; ++row) {
        auto &cells = m_cells[size_t(row - 1 - m_cellBase)];
        for (int col = r.left; col <= std::min(r.right, int(cells.size())); ++col)
            cells[size_t(col - 1)].clear();
    }
    const SheetRange all { std::max(1, top), std::max(1, left), bottom, right };
    m_aligned.removeIf([&](const AlignedBlock &b) {
        return all.contains(b.range.top, b.range.left) && all.contains(b.range.bottom, b.range.right);
    });
    m_checkBoxes.removeIf(
        [&](const CheckBoxObject &box) { return all.contains(int(box.rect.top()) + 1, int(box.rect.left()) + 1); });
}

void SheetLayout::setLastRow(int row)
{
    m_lastRow = std::max(0, row);
    if (m_cellBase + int(m_cells.size()) > m_lastRow)
        m_cells.resize(size_t(std::max(0, m_lastRow - m_cellBase)));
}

void SheetLayout::setLastCol(int col)
{
    m_lastCol = std::max(0, col);
    for (auto &cells : m_cells)
        if (int(cells.size()) > m_lastCol)
            cells.resize(size_t(m_lastCol));
}

int SheetLayout::colWidth(int col) const
{
    if (col >= 1 && col <= int(m_colWidths.size()) && m_colWidths[size_t(col - 1)] >= 0)
        return m_colWidths[size_t(col - 1)];
    return kDefaultColWidth;
}

void SheetLayout::setColWidth(int col, int twips)
{
    if (col < 1)
        return;
    if (int(m_colWidths.size()) < col)
        m_colWidths.resize(size_t(col), -1);
    m_colWidths[size_t(col - 1)] = std::max(0, twips);
}

int SheetLayout::rowHeight(int row) const
{
    if (row >= 1 && row <= int(m_rowHeights.size()) && m_rowHeights[size_t(row - 1)] >= 0)
        return m_rowHeights[size_t(row - 1)];
    return m_defaultRowHeight;
}

void SheetLayout::setRowHeight(int row, int twips)
{
    if (row < 1)
        return;
    if (int(m_rowHeights.size()) < row)
        m_rowHeights.resize(size_t(row), -1);
    m_rowHeights[size_t(row - 1)] = std::max(0, twips);
}

void SheetLayout::setAllRowHeights(int twips)
{
    m_defaultRowHeight = std::max(0, twips);
    m_rowHeights.clear();
}

void SheetLayout::setFont(const QString &family, double points)
{
    m_fontFamily = family;
    if (points > 0)
        m_fontSize = points;
}

QString SheetLayout::text(int row, int col) const
{
    if (row <= m_cellBase || col < 1 || row > m_cellBase + int(m_cells.size()))
        return {};
    const auto &cells = m_cells[size_t(row - 1 - m_cellBase)];
    return col <= int(cells.size()) ? cells[size_t(col - 1)] : QString();
}

void SheetLayout::setText(int row, int col, const QString &text)
{
    if (row <= m_cellBase || col < 1)
        return;
    const int at = row - 1 - m_cellBase;
    // Emptying a cell that was never written neither stores nor grows anything.
    if (text.isEmpty() && (at >= int(m_cells.size()) || col > int(m_cells[size_t(at)].size())))
        return;
    grow(row, col);
    if (int(m_cells.size()) <= at)
        m_cells.resize(size_t(at + 1));
    auto &cells = m_cells[size_t(at)];
    if (int(cells.size()) < col)
        cells.resize(size_t(col));
    cells[size_t(col - 1)] = text;
}

SheetRange SheetLayout::editPaste(const QString &clip)
{
    int row = 0;
    int widest = 0;
    qsizetype start = 0;
    const qsizetype n = clip.size();
    // A trailing line break ends the last line rather than starting an empty one.
    while (start < n) {
        qsizetype end = start;
        while (end < n && clip[end] != u'\r' && clip[end] != u'\n')
            ++end;
        ++row;
        const QStringView line = QStringView(clip).mid(start, end - start);
        int col = 0;
        for (QStringView field : line.split(u'\t'))
            setText(row, ++col, field.toString());
        widest = std::max(widest, col);
        start = end;
        if (start < n && clip[start] == u'\r')
            ++start;
        if (start < n && clip[start] == u'\n')
            ++start;
    }
    m_selection = row ? SheetRange { 1, 1, row, widest } : SheetRange {};
    return m_selection;
}

void SheetLayout::restartCells(int firstRow)
{
    m_cells.clear();
    m_checkBoxes.clear();
    m_cellBase = std::max(0, firstRow - 1);
}

void SheetLayout::setAlignment(const SheetRange &range, const CellAlignment &alignment)
{
    if (!range.isEmpty())
        m_aligned.append({ range, alignment });
}

SheetLayout::CellAlignment SheetLayout::alignment(int row, int col) const
{
    for (auto it = m_aligned.crbegin(); it != m_aligned.crend(); ++it)
        if (it->range.contains(row, col))
            return it->alignment;
    return {};
}

int SheetLayout::addCheckBox(const QRectF &cellRect)
{
    const int id = m_nextCheckBoxId++;
    m_checkBoxes.append({ id, cellRect.normalized(), false });
    return id;
}

void SheetLayout::setCheckBoxChecked(int id, bool checked)
{
    // Ids grow as boxes are added and removing keeps the order, so the list is sorted by id:
    // a sheet of a million rows has a million boxes.
    const auto box = std::lower_bound(m_checkBoxes.begin(), m_checkBoxes.end(), id,
        [](const CheckBoxObject &b, int wanted) { return b.id < wanted; });
    if (box != m_checkBoxes.end() && box->id == id)
        box->checked = checked;
}

bool SheetLayout::setPrintArea(const QString &text)
{
    const SheetRange r = SheetRange::parse(text);
    if (r.isEmpty())
        return false;
    m_printArea = r;
    return true;
}

QString SheetLayout::expandPageCodes(const QString &text, int page, int pageCount)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (ch == u'&' && (next == u'P' || next == u'p')) {
            out += QString::number(page);
            ++i;
        } else if (ch == u'&' && (next == u'N' || next == u'n')) {
            out += QString::number(pageCount);
            ++i;
        } else if (ch == u'&' && next == u'&') {
            out += u'&';
            ++i;
        } else {
            out += ch;
        }
    }
    return out;
}

QString SheetLayout::colText(int col) const
{
    if (col >= 1 && col <= int(m_colTexts.size()) && !m_colTexts[size_t(col - 1)].isNull())
        return m_colTexts[size_t(col - 1)];
    return sheetColumnName(col);
}

void SheetLayout::setColText(int col, const QString &text)
{
    if (col < 1)
        return;
    if (int(m_colTexts.size()) < col)
        m_colTexts.resize(size_t(col));
    // An empty heading is kept as empty, not as "no heading set".
    m_colTexts[size_t(col - 1)] = text.isNull() ? QStringLiteral("") : text;
}

void SheetLayout::setScale(int percent)
{
    m_scale = std::clamp(percent, 10, 400);
}

} // namespace dq
