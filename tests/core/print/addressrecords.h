#pragma once

#include "core/grid/gridmodel.h"
#include "support/gridtext.h"

#include <QStringList>

namespace dq::test {

// A record table shaped like the program's: a title row over data rows, thirteen
// columns "Name", "Street", "City", "State", "Zip Code", "Phone", ..., in Row mode.
// Each record is "Name|Street|City|State|Zip"; the Name doubles as a marker to find
// the label on the page.
inline void fillRecordTable(GridModel &table, const QStringList &records)
{
    table.setCols(0); // no column attributes left from before
    fillRows(table, QStringList { QStringLiteral("Name|Street|City|State|Zip Code|Phone") } + records, 13);
    table.setFixedRows(1);
    const int widths[] = { 2500, 2500, 1000, 500, 1000, 1400, 2100, 2000 };
    for (int c = 0; c < 8; ++c)
        table.setColumnWidth(c, widths[c]);
    table.setSelectionMode(GridModel::SelectionMode::ListBox);
}

// n complete addresses named "Name1" .. "NameN".
inline QStringList completeRecords(int n)
{
    QStringList out;
    for (int i = 1; i <= n; ++i)
        out << QStringLiteral("Name%1|%1 Main St|Springfield|IL|627%2").arg(i).arg(i % 100, 2, 10, QChar(u'0'));
    return out;
}

inline void selectRows(GridModel &table, const QList<int> &rows)
{
    table.clearRowSelection();
    for (int r : rows)
        table.setRowSelected(r, true);
}

} // namespace dq::test
