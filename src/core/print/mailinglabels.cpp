#include "core/print/mailinglabels.h"

#include "core/grid/gridmodel.h"
#include "core/print/recordselection.h"
#include "core/print/sheetlayout.h"

#include <algorithm>

namespace dq {

namespace {

// Record-table columns the labels read.
enum : int { kName = 0, kStreet = 1, kCity = 2, kState = 3, kZip = 4 };

// The used area cleared before each layout; a larger earlier run is cleared as far as it went.
constexpr int kClearRows = 2540;
constexpr int kClearCols = 9;

} // namespace

QStringList MailingLabels::layoutNames()
{
    return { QStringLiteral("3 x 10"), QStringLiteral("2 x 10"), QStringLiteral("2 x 5") };
}

MailingLabels::Layout MailingLabels::layout(const QString &name)
{
    if (name == QLatin1String("3 x 10"))
        return { name, 3, { 3976, 3976, 3300 }, 240, QStringLiteral("Arial"), 10 };
    if (name == QLatin1String("2 x 10"))
        return { name, 2, { 6120, 5000 }, 240, QStringLiteral("Arial"), 10 };
    return { QStringLiteral("2 x 5"), 2, { 6120, 5000 }, 480, QStringLiteral("Times New Roman"), 16 };
}

bool MailingLabels::isIncomplete(const GridModel &table, int row)
{
    for (int col : { kStreet, kCity, kState, kZip })
        if (table.text(row, col).isEmpty())
            return true;
    return false;
}

std::vector<int> MailingLabels::gatherRows(GridModel &table, const Options &options)
{
    if (options.allRows)
        selectAllDataRows(table);
    std::vector<int> rows = selectedDataRows(table);
    if (!options.skipIncomplete)
        return rows;

    // From the last row back, so deselecting never moves a row still to be visited.
    std::vector<int> incomplete;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (isIncomplete(table, *it))
            incomplete.push_back(*it);
    deselectRows(table, incomplete);
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](int r) { return isIncomplete(table, r); }), rows.end());
    return rows;
}

QString MailingLabels::cityLine(const GridModel &table, int row)
{
    return table.text(row, kCity) + QStringLiteral(", ") + table.text(row, kState) + u' ' + table.text(row, kZip);
}

QString MailingLabels::cleanCityLine(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.endsWith(u','))
        return trimmed.chopped(1);
    return line;
}

void MailingLabels::compose(
    SheetLayout &sheet, const GridModel &table, const std::vector<int> &rows, const Options &options)
{
    const Layout lay = layout(options.layout);
    const int n = int(rows.size());

    sheet.clearRange(1, 1, std::max(kClearRows, sheet.lastRow()), std::max(kClearCols, sheet.lastCol()));
    sheet.setMargins(QMarginsF(0.4, 0.5, 0, 0.5));
    sheet.setAllRowHeights(lay.rowHeight);
    sheet.setFont(lay.fontFamily, lay.fontPoints);

    const int lastRow = kBandRows * n / lay.columns + kBandRows;
    sheet.setLastRow(lastRow);
    sheet.setLastCol(lay.columns);
    sheet.setPrintArea(QStringLiteral("A1:") + sheetColumnName(lay.columns) + QString::number(sheet.lastRow()));
    for (int c = 0; c < lay.columns; ++c)
        sheet.setColWidth(c + 1, lay.widths[size_t(c)]);

    const QString country = options.printCountry ? options.country : QString();
    int offset = 0;
    for (int i = 0; i < n; ++i) {
        const int k = (i + 1) % lay.columns;
        int col = 1;
        if (k != 1) {
            // The label shares the band of the one before it.
            offset -= kBandRows;
            col = k == 0 ? lay.columns : k;
        }
        const int row = rows[size_t(i)];
        sheet.setText(offset + 2, col, table.text(row, kName));
        sheet.setText(offset + 3, col, table.text(row, kStreet));
        sheet.setText(offset + 4, col, cityLine(table, row));
        sheet.setText(offset + 5, col, country);
        for (int c = 1; c <= lay.columns; ++c) {
            const QString line = sheet.text(offset + 4, c);
            const QString cleaned = cleanCityLine(line);
            if (cleaned != line)
                sheet.setText(offset + 4, c, cleaned);
        }
        offset += kBandRows;
    }

    // Only the label text goes on paper: no header, footer, headings or grid lines.
    sheet.setPrintHeader(QString());
    sheet.setPrintFooter(QString());
    sheet.setPrintColHeading(false);
    sheet.setAlignment(
        { 1, 1, sheet.lastRow(), lay.columns }, { SheetLayout::HAlign::Left, false, SheetLayout::VAlign::Bottom });
    sheet.setOrientation(QPageLayout::Portrait);
}

} // namespace dq
