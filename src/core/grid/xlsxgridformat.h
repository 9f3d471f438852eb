#pragma once

#include "core/grid/gridfile.h"

#include <QString>

class QIODevice;

namespace dq {

struct GridStore;

// Excel workbooks (.xlsx).
//
// Writing puts the grid on one sheet: every cell as a text cell (never a formula or a number,
// so "=SUM(A1)" and "0042" stay what they are), the title rows bold and frozen, column widths
// and hidden columns, row heights, and each cell's bold, italic, underline, font size, colours
// and alignment. Excel holds at most 1,048,576 rows, 16,384 columns and 32,767 characters a
// cell; a grid beyond that is refused rather than cut.
//
// Reading takes the first sheet: shared and inline strings, numbers as Excel's General format
// shows them, dates in their own number format, booleans as TRUE/FALSE, the cached result of
// formulas, and the same formatting the writer puts in. The workbook is hostile input: a file
// that is not a zip, lacks a part, nests XML too deeply, unpacks beyond the size cap, holds
// too many cells or an oversized cell is refused with a message naming the file and the fault.
class XlsxGridFormat
{
public:
    // Excel's own limits; reading caps are XlsxLimits.
    static constexpr int kMaxCellChars = 32'767;
    static constexpr int kMaxRows = 1'048'576;
    static constexpr int kMaxCols = 16'384;
    static constexpr int kMaxDepth = 64;

    // Fills store's rows, columns and fixed rows (1: the first row holds the titles).
    static FileResult read(QIODevice &device, const QString &name, GridStore &store);
    static FileResult write(const GridStore &store, QIODevice &device, const QString &name);
};

} // namespace dq
