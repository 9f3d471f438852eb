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
    bool examined = false;
    for (int c = m_nextCol; c <= lastCol; ++c) {
        for (int r = c == m_nextCol ? m_nextRow : firstRow; r <= lastRow; ++r) {
            examined = true;
            if (matcher.indexIn(table.text(r, c)) < 0)
                continue;
            table.setCursor(r, c);
            m_nextRow = r + 1;
            m_nextCol = c;
            m_hit = true;
            ++m_hits;
            return {Result::Hit, r, c, {}};
        }
    }
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
