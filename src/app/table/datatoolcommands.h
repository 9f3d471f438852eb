#pragma once

#include "core/table/datatools.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <vector>

namespace dq {

class SortArrows;
class frmMain;

// The Tools menu's data tools of the results view (DateTime Stamp Now, Delete Duplicates,
// Parse Phone Column) and the record table's own title-click sort, which sorts by the
// column's data type and moves the sort arrow. Sorting, moving a column by its title and
// every tool count as edits of the table.
class DataToolCommands : public QObject
{
    Q_OBJECT

public:
    explicit DataToolCommands(frmMain &window);

    // Long on big tables: they run in the table's long jobs and end in the one-step apply
    // functions below, which also report in the status row.
    void sortByTitle(int col, Qt::SortOrder order);
    void deleteDuplicates();
    void applySort(int col, Qt::SortOrder order, const std::vector<int> &ordered, qint64 ms);
    void applyDuplicateRemoval(const DataTools::DuplicateRemoval &removal);
    void parsePhoneColumn();
    void applyPhoneColumns(ColumnTextsBatch &&batch);
    // Appends a blank and the current date and time, in the column's format, to the cell
    // meant: the record table's current cell while it owns the focus, otherwise the Form
    // panel's current field and the record's cell behind it.
    void stampNow();
    // Where "now" comes from.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    SortArrows *sortArrows() const { return m_arrows; }

private:
    void enableTitleTools();

    frmMain &m_window;
    SortArrows *m_arrows;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
};

} // namespace dq
