#pragma once

#include "core/grid/gridfile.h"

#include <QString>

class QIODevice;

namespace dq {

struct GridStore;

// The native grid file: UTF-8 JSON Lines. The first line is the header object (format tag,
// version, shape, column attributes, grid settings); every further line is one row, either a
// plain array of cell texts or an object with the texts and whatever formatting differs
// from the defaults. Both directions stream line by line. docs/native-file-format.md is the
// reference for the layout.
class NativeGridFormat
{
public:
    static constexpr qint64 kMaxCells = 50'000'000;
    static constexpr int kMaxRows = 10'000'000;
    static constexpr int kMaxCols = 16'384;
    static constexpr qint64 kMaxLineBytes = 64 * 1024 * 1024;
    // Rows the header declares beyond the file's row lines (blank rows that cost memory
    // without any bytes in the file to back them).
    static constexpr qint64 kMaxUnbackedRows = 1'000'000;
    // Cells of the rows that carry formatting (such a row keeps a format for every column): the
    // first kFreeFormattedCells, then one more per byte of row lines read, up to kMaxFormattedCells.
    static constexpr qint64 kMaxFormattedCells = 20'000'000;
    static constexpr qint64 kFreeFormattedCells = 1'000'000;

    // Fills store from device; on failure store is unspecified and the result names
    // name and the line at fault.
    static FileResult read(QIODevice &device, const QString &name, GridStore &store);
    static FileResult write(const GridStore &store, QIODevice &device, const QString &name);
};

} // namespace dq
