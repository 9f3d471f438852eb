#include "core/table/finder.h"

#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/shell/userprompts.h"
#include "core/table/longjobs.h"

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

Finder::Request Finder::request(const GridModel &table)
{
    Request q;
    q.lastRow = table.rows() - 1;
    q.lastCol = table.cols() - 1;
    q.firstRow = qMax(1, table.fixedRows());
    if (!m_fromBeginning) {
        m_nextCol = qMax(m_nextCol, table.col());
        m_nextRow = qMax(m_nextRow, table.row());
    } else if (!m_hit || (table.row() == q.lastRow && table.col() == q.lastCol)) {
        m_nextCol = 0;
        m_nextRow = q.firstRow;
    }
    m_nextRow = qMax(m_nextRow, q.firstRow);
    q.text = m_text;
    q.matchCase = m_matchCase;
    q.startRow = m_nextRow;
    q.startCol = m_nextCol;
    return q;
}

Finder::Found Finder::search(const GridModel &table, const Request &q, JobControl *control)
{
    // Cells are matched in their stored UTF-8 form. An ASCII search text can only match
    // ASCII bytes, so comparing bytes with ASCII case folding is exact; any other search text
    // without "Match case" compares the decoded cell.
    const QByteArray needle = q.text.toUtf8();
    const bool asciiNeedle = std::all_of(needle.begin(), needle.end(), [](char ch) { return uchar(ch) < 0x80; });
    const QStringMatcher matcher(q.text, Qt::CaseInsensitive);
    const QLatin1String asciiText(needle.constData(), needle.size());
    auto matches = [&](QByteArrayView cell) {
        if (q.matchCase)
            return cell.contains(needle);
        if (asciiNeedle)
            return QLatin1String(cell.data(), cell.size()).contains(asciiText, Qt::CaseInsensitive);
        return matcher.indexIn(RowCells::textOf(cell)) >= 0;
    };
    const GridStore &store = table.store();
    // The first hit in column order, found by reading rows in storage order: once a row
    // holds a hit, later rows only need the columns left of it.
    Found found;
    int bestCol = q.lastCol + 1;
    int r = q.firstRow;
    for (; r <= q.lastRow && bestCol > q.startCol; ++r) {
        if (control && (r - q.firstRow) % 4096 == 0) {
            if (control->cancelled())
                return {};
            control->setProgress(r - q.firstRow, q.lastRow - q.firstRow + 1);
        }
        for (int c = r >= q.startRow ? q.startCol : q.startCol + 1; c < bestCol; ++c) {
            if (matches(store.rows[size_t(r)].cells.utf8(c))) {
                bestCol = c;
                found.row = r;
                found.col = c;
                break;
            }
        }
    }
    found.rowsRead = qMax(0, r - q.firstRow);
    return found;
}

Finder::Outcome Finder::conclude(GridModel &table, const Request &q, const Found &found)
{
    if (found.row >= 0) {
        table.setCursor(found.row, found.col);
        m_nextRow = found.row + 1;
        m_nextCol = found.col;
        m_hit = true;
        ++m_hits;
        return { Result::Hit, found.row, found.col, {} };
    }
    const bool examined
        = q.startCol <= q.lastCol && q.firstRow <= q.lastRow && (q.startRow <= q.lastRow || q.startCol < q.lastCol);
    if (examined)
        m_hit = false;
    if (m_hits == 0)
        return { Result::NotFound, -1, -1, notFoundMessage() };
    const QString message = searchedMessage(m_hits);
    m_hits = 0;
    return { Result::Searched, -1, -1, message };
}

Finder::Outcome Finder::findNext(GridModel &table)
{
    const Request q = request(table);
    return conclude(table, q, search(table, q));
}

Finder::Outcome Finder::findNext(GridModel &table, UserPrompts &prompts)
{
    const Outcome outcome = findNext(table);
    announce(prompts, outcome);
    return outcome;
}

void Finder::announce(UserPrompts &prompts, const Outcome &outcome)
{
    if (outcome.result != Result::Hit)
        prompts.message(
            QStringLiteral("Dirquill"), outcome.message, UserPrompts::Icon::Warning, UserPrompts::Buttons::Ok);
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
