#include "core/print/printsheet.h"

#include "core/grid/gridmodel.h"
#include "core/print/recordselection.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"
#include "core/shell/userprompts.h"

#include <algorithm>
#include <cmath>

namespace dq {

namespace {

constexpr double kWidthFactor = 1.2; // printed columns are wider than on screen
constexpr int kAllRowsLastCol = 10; // "All" prints columns A to J
constexpr double kTickTwips = 192; // tick box width, in record-table twips

// A tab or line break inside a cell would shift every later cell of the pasted block.
QString pasteSafe(const QString &text)
{
    QString out = text;
    for (QChar &ch : out)
        if (ch == u'\t' || ch == u'\r' || ch == u'\n')
            ch = u' ';
    return out;
}

} // namespace

bool PrintSheet::mayOpen(const GridModel &table, UserPrompts &prompts)
{
    if (table.selectionMode() == GridModel::SelectionMode::ListBox)
        return true;
    prompts.message(QStringLiteral("Print Sheet"),
        QStringLiteral("Select Row Mode (not Block Mode) selection and try again."), UserPrompts::Icon::Warning,
        UserPrompts::Buttons::Ok);
    return false;
}

QString PrintSheet::stepScale(const QString &text, int step)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        return text;
    if (step > 0 && value <= kMaxScale - 1)
        return QString::number(value + 1);
    if (step < 0 && value >= kMinScale + 1)
        return QString::number(value - 1);
    return text;
}

void PrintSheet::buildChooser(GridModel &chooser, const GridModel &table)
{
    chooser.setCols(0);
    chooser.setCols(3);
    chooser.setRows(table.cols() + 1);
    chooser.setFixedRows(1);
    chooser.setFixedCols(0);
    const QString titles[] = { QStringLiteral("Col"), QStringLiteral("Title"), QStringLiteral("Print") };
    const int widths[] = { 500, 1500, 700 };
    for (int c = 0; c < 3; ++c) {
        chooser.setText(0, c, titles[c]);
        chooser.setColumnWidth(c, widths[c]);
        CellFormat title;
        title.hasFore = title.hasBack = true;
        title.fore = qRgb(255, 255, 255);
        title.back = qRgb(0, 128, 0);
        title.alignment = Alignment::CenterCenter;
        chooser.setCellFormat(0, c, title);
    }
    chooser.setColumnAlignment(0, Alignment::CenterCenter);
    chooser.setColumnDataType(2, DataType::Boolean);
    for (int i = 0; i < table.cols(); ++i) {
        chooser.setText(i + 1, 0, QString::number(i + 1));
        CellFormat bold;
        bold.bold = true;
        chooser.setCellFormat(i + 1, 0, bold);
        chooser.setText(i + 1, 1, table.text(0, i));
        CellFormat tick;
        tick.check = table.columnHidden(i) ? CheckBox::Unchecked : CheckBox::Checked;
        chooser.setCellFormat(i + 1, 2, tick);
    }
}

std::vector<bool> PrintSheet::chosenColumns(const GridModel &chooser)
{
    std::vector<bool> out;
    for (int r = 1; r < chooser.rows(); ++r)
        out.push_back(chooser.cellFormat(r, 2).check == CheckBox::Checked);
    return out;
}

bool PrintSheet::isTicked(const GridModel &table, int row, int col)
{
    switch (table.cellFormat(row, col).check) {
    case CheckBox::Checked:
        return true;
    case CheckBox::Unchecked:
        return false;
    case CheckBox::None:
        break;
    }
    const QString t = table.text(row, col).trimmed();
    for (const char *yes : { "true", "yes", "1", "-1", "x" })
        if (t.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

namespace {

// The page setup before the rows go in: widths, headings, header; then the printed rows,
// selected as the options say.
std::vector<int> setUpSheet(SheetLayout &sheet, GridModel &table, const PrintSheet::Options &options)
{
    const int cols = table.cols();
    sheet.clearRange(1, 1, std::max(1, sheet.lastRow()), std::max(cols, sheet.lastCol()));
    sheet.setLastRow(0);
    sheet.setLastCol(0);
    sheet.setPrintArea(SheetRange {});

    for (int c = 0; c < cols; ++c) {
        const bool print = c >= int(options.printColumns.size()) || options.printColumns[size_t(c)];
        sheet.setColWidth(c + 1, print ? int(std::lround(table.columnWidth(c) * kWidthFactor)) : 0);
        sheet.setColText(c + 1, table.text(0, c));
    }
    sheet.setPrintHeader(QStringLiteral("Orlenco Dirquill"));
    sheet.setPrintColHeading(true);

    if (options.allRows)
        selectAllDataRows(table);
    return selectedDataRows(table);
}

// The page setup once the rows are in: alignment of the pasted block, print area, scale.
void finishSheet(
    SheetLayout &sheet, const GridModel &table, const PrintSheet::Options &options, const SheetRange &pasted)
{
    sheet.setAlignment(pasted, { SheetLayout::HAlign::Left, false, SheetLayout::VAlign::Bottom });
    if (options.allRows)
        sheet.setPrintArea(SheetRange { 1, 1, table.rows() - 1, kAllRowsLastCol });
    else
        sheet.setPrintArea(pasted);

    bool ok = false;
    const double scale = options.scaleText.trimmed().toDouble(&ok);
    if (ok && std::isfinite(scale))
        sheet.setScale(int(std::lround(std::clamp(scale, -1e6, 1e6))));
    sheet.setOrientation(options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

bool isTickColumn(const GridModel &table, int c)
{
    return table.columnDataType(c) == DataType::Boolean && table.columnWidth(c) > 0;
}

QRectF tickRect(const GridModel &table, int c, size_t j)
{
    return QRectF(c + 0.4, double(j) + 0.1, kTickTwips / table.columnWidth(c), 0.8);
}

// The cells of the printed rows, a few at a time: sheet row j + 1 is the j-th printed row.
class TableRows : public SheetRows
{
public:
    TableRows(const GridModel &table, std::vector<int> rows)
        : m_table(table)
        , m_rows(std::move(rows))
    {
    }

    void fill(SheetLayout &cells, int first, int last) const override
    {
        const int cols = m_table.cols();
        for (int r = std::max(1, first); r <= std::min(last, int(m_rows.size())); ++r) {
            const size_t j = size_t(r - 1);
            for (int c = 0; c < cols; ++c) {
                if (!isTickColumn(m_table, c)) {
                    cells.setText(r, c + 1, pasteSafe(m_table.text(m_rows[j], c)));
                    continue;
                }
                const int id = cells.addCheckBox(tickRect(m_table, c, j));
                cells.setCheckBoxChecked(id, PrintSheet::isTicked(m_table, m_rows[j], c));
            }
        }
    }

private:
    const GridModel &m_table;
    const std::vector<int> m_rows;
};

} // namespace

QString PrintSheet::clipText(const GridModel &table, const std::vector<int> &rows)
{
    const int cols = table.cols();
    QString clip;
    for (size_t j = 0; j < rows.size(); ++j) {
        if (j)
            clip += u'\r';
        for (int c = 0; c < cols; ++c) {
            if (c)
                clip += u'\t';
            clip += pasteSafe(table.text(rows[j], c));
        }
    }
    return clip;
}

QString PrintSheet::compose(SheetLayout &sheet, GridModel &table, const Options &options)
{
    const std::vector<int> rows = setUpSheet(sheet, table, options);
    const QString clip = clipText(table, rows);
    const SheetRange pasted = sheet.editPaste(clip);

    for (int c = 0; c < table.cols(); ++c) {
        if (!isTickColumn(table, c))
            continue;
        for (size_t j = 0; j < rows.size(); ++j) {
            const int id = sheet.addCheckBox(tickRect(table, c, j));
            sheet.setText(int(j) + 1, c + 1, QString());
            sheet.setCheckBoxChecked(id, isTicked(table, rows[j], c));
        }
    }
    finishSheet(sheet, table, options, pasted);
    return clip;
}

std::unique_ptr<SheetRows> PrintSheet::composeStreamed(SheetLayout &sheet, GridModel &table, const Options &options)
{
    std::vector<int> rows = setUpSheet(sheet, table, options);
    // What pasting the rows' clip text would cover: a line per row, except that a last line
    // with nothing on it (one column, empty) ends the text instead.
    const int cols = table.cols();
    int lines = int(rows.size());
    if (lines && cols <= 1 && (cols == 0 || table.text(rows.back(), 0).isEmpty()))
        --lines;
    const SheetRange pasted = lines ? SheetRange { 1, 1, lines, std::max(1, cols) } : SheetRange {};
    finishSheet(sheet, table, options, pasted);
    return std::make_unique<TableRows>(table, std::move(rows));
}

} // namespace dq
