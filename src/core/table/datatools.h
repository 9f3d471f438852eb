#pragma once

#include "core/grid/gridchangelog.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace dq {

class JobControl;
class UserPrompts;

// The record table's whole-table tools: the sort of a title click, Delete Duplicates,
// Parse Phone Column and the date-time stamp. Each works on the model alone and says what
// it did, so the caller refreshes the views and applies its changed-flag rule.
class DataTools
{
public:
    // Sorts the data rows on one column by its data type: numbers and money by value,
    // dates by date, check boxes by tick, text case-insensitively (letter case only breaks
    // ties). Stable. Values come before text that is not of the column's type, and empty
    // cells stay last in both orders. Emits the model's beforeSort and afterSort.
    static void sortByColumn(GridModel &table, int col, Qt::SortOrder order);
    // The halves of that sort for a worker thread: sortOrder only reads the table (empty when
    // cancelled); applySort puts the rows in that order in one step, between beforeSort and
    // afterSort, and does nothing to the rows when order is empty or out of date.
    static std::vector<int> sortOrder(const GridModel &table, int col, Qt::SortOrder order, JobControl *control);
    static void applySort(GridModel &table, int col, Qt::SortOrder order, const std::vector<int> &ordered);

    // Title-row sort arrows, as pictures at the right of the title cell. Before a sort the
    // last sorted column's arrow goes (noPicture); after it the sorted column shows the up
    // picture for order code 1 (ascending) and the down picture for any other code.
    static void clearSortArrow(GridModel &table, int lastSortedCol, const QString &noPicture);
    static void showSortArrow(
        GridModel &table, int col, int orderCode, const QString &upPicture, const QString &downPicture);

    // Asks first; nothing changes unless the answer is Yes. Returns the number of rows
    // removed, or -1 when declined.
    static int deleteDuplicates(GridModel &table, UserPrompts &prompts);
    static bool confirmDeleteDuplicates(UserPrompts &prompts);
    // Sorts the data rows on columns 1 to 3 (case-sensitive, ascending), then removes every
    // row equal in all columns to an earlier one, in one batch. The last row becomes current.
    static int removeDuplicateRows(GridModel &table);
    // The halves of removeDuplicateRows: the search only reads the table; the removal
    // reorders and drops the rows in one step.
    struct DuplicateRemoval
    {
        std::vector<int> kept; // the data rows that stay, in sorted order
        int dropped = 0;
        bool valid = false; // false when cancelled
    };
    static DuplicateRemoval findDuplicateRows(const GridModel &table, JobControl *control);
    static void applyDuplicateRemoval(GridModel &table, const DuplicateRemoval &removal);

    // Asks first; returns false when declined.
    static bool parsePhoneColumn(GridModel &table, UserPrompts &prompts);
    static bool confirmParsePhoneColumn(UserPrompts &prompts);
    // Cuts column 6's phone text into phone, fax and toll-free in columns 9 to 11. The
    // table is cut to exactly 13 columns first. The model reports the cells in one
    // dataChanged and one contentsEdited (no cellChanged per cell).
    static void splitPhoneColumn(GridModel &table);
    // Its halves: the new texts of the rows that change (nothing when cancelled), worked out
    // without changing the table, and the step that puts them in.
    static std::optional<ColumnTextsBatch> phoneColumns(const GridModel &table, JobControl *control);
    static void applyPhoneColumns(GridModel &table, ColumnTextsBatch &&batch);

    // old text, a blank and now in format (a format without date fields gives the general form).
    static QString stampText(const QString &oldText, const QString &format, const QDateTime &now);
    // Stamps one cell with its column's format; returns the cell's new text.
    static QString stampCell(GridModel &table, int row, int col, const QDateTime &now);

    static constexpr int kPhoneCol = 5;
    static constexpr int kParsedPhoneCol = 8;
    static constexpr int kParsedFaxCol = 9;
    static constexpr int kParsedTollFreeCol = 10;
    static constexpr int kRecordColumns = 13;
};

} // namespace dq
