#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>

namespace dq::test {

// Test cases kept as data under tests/data, so a table of cases reads as a table.
//
// A case table (.tsv) is UTF-8: a first line naming the columns, then one case per line, its
// fields split by tabs and its last field naming the case; blank lines are skipped. In a field
// \t, \r, \n and \\ stand for a tab, CR, LF and a backslash. addCaseRows() adds one QString
// column per name but the last (or per entry of names, when given) and one row per case.
void addCaseRows(const QString &file, const QStringList &names = {});

// A JSON case file is an array of objects, each naming itself under "case"; addJsonCases()
// adds one QJsonObject column "row" and one row per object.
void addJsonCases(const QString &file);

// The full path of a file under tests/data.
QString dataPath(const QString &file);

// A field holding a list: the items split at "|"; an empty field is an empty list.
QStringList items(const QString &field);

} // namespace dq::test
