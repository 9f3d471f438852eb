#pragma once

#include <QString>

namespace dq {

class GridModel;
class JobControl;
class UserPrompts;

// The search behind the Find dialog. It walks the record table column by column from a
// start position to the end (never wrapping, never the title row), one hit per request,
// and counts the hits of a pass. The start position follows the table's current cell when
// the user clicks below or right of the last hit. State lives as long as the dialog.
class Finder
{
public:
    enum class Result { Hit, NotFound, Searched };
    struct Outcome
    {
        Result result = Result::NotFound;
        int row = -1; // the hit, when there is one
        int col = -1;
        QString message; // the end message, empty on a hit
    };

    // Changing the text starts again at the first data row of the first column.
    void setSearchText(const QString &text);
    QString searchText() const { return m_text; }
    void setFromBeginning(bool on) { m_fromBeginning = on; }
    bool fromBeginning() const { return m_fromBeginning; }
    void setMatchCase(bool on) { m_matchCase = on; }
    bool matchCase() const { return m_matchCase; }

    // One search, fixed when it starts, so it can run off the window's thread on a table
    // that holds still.
    struct Request
    {
        QString text;
        bool matchCase = false;
        int firstRow = 1, lastRow = 0, lastCol = -1;
        int startRow = 1, startCol = 0;
    };
    struct Found
    {
        int row = -1, col = -1; // the hit; -1 when there is none
        int rowsRead = 0;
    };
    // Takes the start position (following the table's current cell) and the options.
    Request request(const GridModel &table);
    // The first hit of a request in column order; reports progress and stops on Cancel
    // (its result is then meaningless).
    static Found search(const GridModel &table, const Request &request, JobControl *control = nullptr);
    // Moves to the hit (the table's only selected, current cell) or ends the pass.
    Outcome conclude(GridModel &table, const Request &request, const Found &found);

    // Finds the next hit and makes it the table's only selected, current cell.
    Outcome findNext(GridModel &table);
    // The same, showing the end message (exclamation icon, OK) when the pass is over.
    Outcome findNext(GridModel &table, UserPrompts &prompts);
    // Shows the end message (exclamation icon, OK) when the pass is over.
    static void announce(UserPrompts &prompts, const Outcome &outcome);

    int nextRow() const { return m_nextRow; }
    int nextCol() const { return m_nextCol; }
    bool lastWasHit() const { return m_hit; }
    int hitCount() const { return m_hits; }

    static QString notFoundMessage();
    static QString searchedMessage(int hits);

private:
    QString m_text;
    bool m_fromBeginning = false;
    bool m_matchCase = false;
    int m_nextCol = 0;
    int m_nextRow = 1;
    bool m_hit = false;
    int m_hits = 0;
};

} // namespace dq
