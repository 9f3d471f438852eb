#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <initializer_list>

namespace dq {
class GridModel;
}

namespace dq::test {

// Texts written as plain UTF-8 literals.
QStringList texts(std::initializer_list<const char *> items);

// Gives the grid one row per entry (cells split at "|"), at least cols wide and as wide as the
// widest entry; formats and column attributes stay.
void fillRows(GridModel &grid, const QStringList &rows, int cols = 0);

// Every row from firstRow on, its cells joined by "|".
QStringList rowsOf(const GridModel &grid, int firstRow = 0);

// Everything a native file holds of the grid (texts, shape, formats, heights, columns, grid
// settings), to compare whole states.
QByteArray nativeState(const GridModel &grid);

QByteArray readBytes(const QString &path);
// Writes bytes to path (failing the test run when it cannot) and returns the path.
QString writeBytes(const QString &path, const QByteArray &bytes);

} // namespace dq::test
