#include "core/print/mailinglabels.h"

#include "core/grid/gridmodel.h"
#include "core/print/recordselection.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"

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
    Picked picked = pickRows(table, options);
    markPicked(table, options, picked);
    return std::move(picked.rows);
}

MailingLabels::Picked MailingLabels::pickRows(const GridModel &table, const Options &options)
{
    Picked picked;
    picked.rows = options.allRows ? allDataRows(table) : selectedDataRows(table);
    if (!options.skipIncomplete)
        return picked;
    // From the last row back, so deselecting never moves a row still to be visited.
    for (auto it = picked.rows.rbegin(); it != picked.rows.rend(); ++it)
        if (isIncomplete(table, *it))
            picked.incomplete.push_back(*it);
    if (!picked.incomplete.empty()) {
        std::vector<int> kept;
        kept.reserve(picked.rows.size() - picked.incomplete.size());
        auto gone = picked.incomplete.rbegin(); // ascending
        for (int r : picked.rows) {
            if (gone != picked.incomplete.rend() && *gone == r)
                ++gone;
            else
                kept.push_back(r);
        }
        picked.rows = std::move(kept);
    }
    return picked;
}

void MailingLabels::markPicked(GridModel &table, const Options &options, const Picked &picked)
{
    if (options.allRows)
        selectAllDataRows(table);
    deselectRows(table, picked.incomplete);
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

namespace {

// Everything of the label page but the labels.
void setUpPage(SheetLayout &sheet, int n, const MailingLabels::Layout &lay)
{
    constexpr int band = MailingLabels::kBandRows;
    sheet.clearRange(1, 1, std::max(kClearRows, sheet.lastRow()), std::max(kClearCols, sheet.lastCol()));
    sheet.setMargins(QMarginsF(0.4, 0.5, 0, 0.5));
    sheet.setAllRowHeights(lay.rowHeight);
    sheet.setFont(lay.fontFamily, lay.fontPoints);

    const int lastRow = band * n / lay.columns + band;
    sheet.setLastRow(lastRow);
    sheet.setLastCol(lay.columns);
    sheet.setPrintArea(QStringLiteral("A1:") + sheetColumnName(lay.columns) + QString::number(sheet.lastRow()));
    for (int c = 0; c < lay.columns; ++c)
        sheet.setColWidth(c + 1, lay.widths[size_t(c)]);

    // Only the label text goes on paper: no header, footer, headings or grid lines.
    sheet.setPrintHeader(QString());
    sheet.setPrintFooter(QString());
    sheet.setPrintColHeading(false);
    sheet.setAlignment(
        { 1, 1, sheet.lastRow(), lay.columns }, { SheetLayout::HAlign::Left, false, SheetLayout::VAlign::Bottom });
    sheet.setOrientation(QPageLayout::Portrait);
}

// Writes the labels of one band (six sheet rows, one label per label column).
void placeBand(SheetLayout &sheet, const GridModel &table, const std::vector<int> &rows,
    const MailingLabels::Layout &lay, const QString &country, int band)
{
    const int offset = band * MailingLabels::kBandRows;
    const int first = band * lay.columns;
    const int end = std::min(int(rows.size()), first + lay.columns);
    for (int i = first; i < end; ++i) {
        const int col = i - first + 1;
        const int row = rows[size_t(i)];
        sheet.setText(offset + 2, col, table.text(row, kName));
        sheet.setText(offset + 3, col, table.text(row, kStreet));
        sheet.setText(offset + 4, col, MailingLabels::cityLine(table, row));
        sheet.setText(offset + 5, col, country);
        // Every label cleans its whole band's city line, as the page has always been composed.
        for (int c = 1; c <= lay.columns; ++c) {
            const QString line = sheet.text(offset + 4, c);
            const QString cleaned = MailingLabels::cleanCityLine(line);
            if (cleaned != line)
                sheet.setText(offset + 4, c, cleaned);
        }
    }
}

class LabelRows : public SheetRows
{
public:
    LabelRows(const GridModel &table, std::vector<int> rows, const MailingLabels::Options &options)
        : m_table(table)
        , m_rows(std::move(rows))
        , m_layout(MailingLabels::layout(options.layout))
        , m_country(options.printCountry ? options.country : QString())
    {
    }

    void fill(SheetLayout &cells, int first, int last) const override
    {
        const int bands = (int(m_rows.size()) + m_layout.columns - 1) / m_layout.columns;
        const int from = std::max(0, (first - 1) / MailingLabels::kBandRows);
        const int to = std::min(bands - 1, (last - 1) / MailingLabels::kBandRows);
        for (int band = from; band <= to; ++band)
            placeBand(cells, m_table, m_rows, m_layout, m_country, band);
    }

private:
    const GridModel &m_table;
    const std::vector<int> m_rows;
    const MailingLabels::Layout m_layout;
    const QString m_country;
};

} // namespace

void MailingLabels::compose(
    SheetLayout &sheet, const GridModel &table, const std::vector<int> &rows, const Options &options)
{
    const Layout lay = layout(options.layout);
    setUpPage(sheet, int(rows.size()), lay);
    const QString country = options.printCountry ? options.country : QString();
    const int bands = (int(rows.size()) + lay.columns - 1) / lay.columns;
    for (int band = 0; band < bands; ++band)
        placeBand(sheet, table, rows, lay, country, band);
}

std::unique_ptr<SheetRows> MailingLabels::composeStreamed(
    SheetLayout &sheet, const GridModel &table, std::vector<int> rows, const Options &options)
{
    setUpPage(sheet, int(rows.size()), layout(options.layout));
    return std::make_unique<LabelRows>(table, std::move(rows), options);
}

} // namespace dq
