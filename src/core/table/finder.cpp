#include "core/table/finder.h"

#include "core/grid/gridmodel.h"
#include "core/shell/userprompts.h"

#include <QStringMatcher>

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

    const QStringMatcher matcher(m_text, m_matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive);
    const int startCol = m_nextCol;
    const int startRow = m_nextRow;
    // The first hit in column order, found by reading rows in storage order: once a row
    // holds a hit, later rows only need the columns left of it.
    int bestCol = lastCol + 1;
    int bestRow = -1;
    for (int r = firstRow; r <= lastRow && bestCol > startCol; ++r) {
        for (int c = r >= startRow ? startCol : startCol + 1; c < bestCol; ++c) {
            if (matcher.indexIn(table.text(r, c)) >= 0) {
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
        return {Result::Hit, bestRow, bestCol, {}};
    }
    const bool examined = startCol <= lastCol && firstRow <= lastRow && (startRow <= lastRow || startCol < lastCol);
    if (examined)
        m_hit = false;
    if (m_hits == 0)
        return {Result::NotFound, -1, -1, notFoundMessage()};
    const QString message = searchedMessage(m_hits);
    m_hits = 0;
    return {Result::Searched, -1, -1, message};
}

Finder::Outcome Finder::findNext(GridModel &table, UserPrompts &prompts)
{
    const Outcome outcome = findNext(table);
    if (outcome.result != Result::Hit)
        prompts.message(QStringLiteral("Dirquill"), outcome.message, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
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
