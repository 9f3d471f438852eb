#pragma once

#include "core/grid/gridfile.h"

#include <QString>

class QIODevice;

namespace dq {

struct GridStore;

// Reads the first sheet of an Excel workbook into a store, streaming each part out of the
// zip into the XML reader so that neither the unpacked sheet nor a hostile part is ever held
// whole. Any fault leaves a message in the result.
// Caps on what a workbook may cost to read; beyond any of them the read fails.
struct XlsxLimits
{
    qint64 maxFileBytes = qint64(1) << 31; // packed
    qint64 maxUnpackedBytes = qint64(4) << 30; // every part read, unpacked (zip bombs)
    qint64 maxCells = 50'000'000; // cells and shared strings
    int maxCellChars = 32'767;
};

class XlsxSheetReader
{
public:
    static FileResult read(QIODevice &device, const QString &name, GridStore &store, const XlsxLimits &limits = {});
};

// A number as Excel's General format shows it: up to 15 significant digits, no trailing
// zeros, whole numbers without a decimal point, exponent form ("1.5E+20") only beyond
// what plain digits show.
QString excelGeneralNumber(double value);

} // namespace dq
