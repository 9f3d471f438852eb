#include "core/table/finder.h"

#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/shell/userprompts.h"

#include <QStringMatcher>

#include <algorithm>

namespace dq {

void Finder::setSearchText(const QString &text)
{
    m_text = text;
    m_nextRow = 1;
    m_nextCol = 0;
    m_hit = false;
}

Finder::Outcome Finder::findNext(GridModel &table)
{
    const int lastRow = table.rows() - 1;
    const int lastCol = table.cols() - 1;
    const int firstRow = qMax(1, table.fixedRows());
    if (!m_fromBeginning) {
        m_nextCol = qMax(m_nextCol, table.col());
        m_nextRow = qMax(m_nextRow, table.row());
    } else if (!m_hit || (table.row() == lastRow && table.col() == lastCol)) {
        m_nextCol = 0;
        m_nextRow = firstRow;
    }
    m_nextRow = qMax(m_nextRow, firstRow);

    // Cells are matched in their stored UTF-8 form. An ASCII search text can only match
    // ASCII bytes, so comparing bytes with ASCII case folding is exact; any other search text
    // without "Match case" compares the decoded cell.
    const QByteArray needle = m_text.toUtf8();
    const bool asciiNeedle = std::all_of(needle.begin(), needle.end(), [](char ch) { return uchar(ch) < 0x80; });
    const QStringMatcher matcher(m_text, Qt::CaseInsensitive);
    const QLatin1String asciiText(needle.constData(), needle.size());
    auto matches = [&](QByteArrayView cell) {
        if (m_matchCase)
            return cell.contains(needle);
        if (asciiNeedle)
            return QLatin1String(cell.data(), cell.size()).contains(asciiText, Qt::CaseInsensitive);
        return matcher.indexIn(RowCells::textOf(cell)) >= 0;
    };
    const GridStore &store = table.store();
    const int startCol = m_nextCol;
    const int startRow = m_nextRow;
    // The first hit in column order, found by reading rows in storage order: once a row
    // holds a hit, later rows only need the columns left of it.
    int bestCol = lastCol + 1;
    int bestRow = -1;
    for (int r = firstRow; r <= lastRow && bestCol > startCol; ++r) {
        for (int c = r >= startRow ? startCol : startCol + 1; c < bestCol; ++c) {
            if (matches(store.rows[size_t(r)].cells.utf8(c))) {
                bestCol = c;
                bestRow = r;
                break;
            }
        }
    }
    if (bestRow >= 0) {
        table.setCursor(bestRow, bestCol);
        m_nextRow = bestRow + 1;
        m_nextCol = bestCol;
        m_hit = true;
        ++m_hits;
        return { Result::Hit, bestRow, bestCol, {} };
    }
    const bool examined = startCol <= lastCol && firstRow <= lastRow && (startRow <= lastRow || startCol < lastCol);
    if (examined)
        m_hit = false;
    if (m_hits == 0)
        return { Result::NotFound, -1, -1, notFoundMessage() };
    const QString message = searchedMessage(m_hits);
    m_hits = 0;
    return { Result::Searched, -1, -1, message };
}

Finder::Outcome Finder::findNext(GridModel &table, UserPrompts &prompts)
{
    const Outcome outcome = findNext(table);
    if (outcome.result != Result::Hit)
        prompts.message(
            QStringLiteral("Dirquill"), outcome.message, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
    return outcome;
}

QString Finder::notFoundMessage()
{
    return QStringLiteral("Search text is not found.");
}

QString Finder::searchedMessage(int hits)
{
    return QStringLiteral("The document has been searched.\r\n") + QString::number(hits) + QStringLiteral(" found.");
}

} // namespace dq
