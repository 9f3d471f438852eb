#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>

namespace dq::test {

// Cases kept as data: a tab-separated table under tests/data, so a table of cases reads as one.
//
// Its first line names the columns, the first of them the case; every further line is one case,
// named by its first field. Blank lines and lines starting with "#" are skipped. In a field, \t,
// \n, \r, \\ and \xHH stand for a tab, LF, CR, a backslash and the byte HH. A column whose name
// ends in "Bytes" is a QByteArray column; all others are QString columns, where \xHH gives U+00HH
// (so toLatin1() gives the byte back). A table that cannot be read, holds no case, or has a line
// with another number of fields than its first ends the run.
void addCaseRows(const QString &table);

// The cases of a table as their unescaped fields, the case's name first.
QList<QStringList> caseLines(const QString &table);

// A JSON case file is an array of objects, each naming itself under "case"; addJsonCases()
// adds one QJsonObject column "row" and one row per object.
void addJsonCases(const QString &file);

// The full path of a file under tests/data (an absolute path is kept).
QString dataPath(const QString &file);

QString unescaped(const QString &field);
QByteArray unescapedBytes(const QByteArray &field);

// A field holding a list: the items split at "|"; an empty field is an empty list.
QStringList items(const QString &field);

// "1 3 5" as numbers; an empty field is an empty list.
QList<int> numbers(const QString &field);

// The index of field among choices; a field that is none of them ends the run.
int choice(const QString &field, std::initializer_list<const char *> choices);

} // namespace dq::test
