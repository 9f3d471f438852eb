#pragma once

#include "core/grid/gridfile.h"

#include <QString>

class QIODevice;

namespace dq {

struct GridStore;

// Comma or tab separated text, one row per line, the title row first. Writing quotes a field
// that holds the separator, a double quote, CR or LF (quotes doubled) and ends every line
// with CR LF. Reading accepts LF, CR LF or CR line ends, a UTF-8 byte-order mark and quoted
// fields over several lines; a file that is not valid UTF-8 is read as Windows-1252.
class DelimitedGridFormat
{
public:
    static constexpr qint64 kMaxCells = 50'000'000;
    static constexpr int kMaxCols = 16'384;
    static constexpr qint64 kMaxRows = 10'000'000;
    static constexpr qint64 kMaxRowBytes = 64 * 1024 * 1024;

    // Fills store's rows and columns from device (store's other settings are kept; column
    // attributes are kept for the columns that still exist). The device must be seekable
    // if it may hold Windows-1252 text, since the read starts again in that encoding.
    // A big UTF-8 file on a seekable device is parsed in pieces of about pieceBytes on worker
    // threads; 0 reads it in one pass (the result is the same either way).
    static constexpr qint64 kPieceBytes = 2 << 20;
    static FileResult read(
        QIODevice &device, char separator, const QString &name, GridStore &store, qint64 pieceBytes = kPieceBytes);
    // Writes store's rows from firstRow on (a table written piece by piece as it grows).
    static FileResult write(
        const GridStore &store, QIODevice &device, char separator, const QString &name, int firstRow = 0);
};

} // namespace dq
