#include "core/table/columndefs.h"

#include "core/shell/userprompts.h"
#include "core/table/valueformat.h"

namespace dq {

namespace {

const QColor kTitleBack(0x00, 0x80, 0x00);
const QColor kUserColumnShade(0xEA, 0xEA, 0xAE);

void fillRow(GridModel &dialog, int row, int number, const QString &title, const ColumnAttributes &a)
{
    dialog.setText(row, ColumnDefs::NumberCol, QString::number(number));
    dialog.setText(row, ColumnDefs::TitleCol, title);
    dialog.setText(row, ColumnDefs::TypeCol, ColumnDefs::typeName(a.dataType));
    dialog.setText(row, ColumnDefs::FormatCol, a.format);
    dialog.setText(row, ColumnDefs::AlignmentCol, ColumnDefs::alignmentName(a.alignment));
    CellFormat hide = dialog.cellFormat(row, ColumnDefs::HideCol);
    hide.check = a.hidden ? CheckBox::Checked : CheckBox::Unchecked;
    dialog.setCellFormat(row, ColumnDefs::HideCol, hide);
    CellFormat centred = dialog.cellFormat(row, ColumnDefs::NumberCol);
    centred.alignment = Alignment::CenterCenter;
    dialog.setCellFormat(row, ColumnDefs::NumberCol, centred);
}

void renumber(GridModel &dialog)
{
    for (int r = dialog.fixedRows(); r < dialog.rows(); ++r)
        dialog.setText(r, ColumnDefs::NumberCol, QString::number(r - dialog.fixedRows() + 1));
}

void newRow(GridModel &dialog, int row)
{
    ColumnAttributes plain;
    plain.alignment = Alignment::LeftCenter;
    fillRow(dialog, row, row, QString(), plain);
}

// Keeps a column's ticks and its text in step when it becomes or stops being a check-box column.
void convertCheckBoxes(GridModel &table, int col, bool wasCheckBox, bool isCheckBox)
{
    if (wasCheckBox == isCheckBox)
        return;
    for (int r = table.fixedRows(); r < table.rows(); ++r) {
        CellFormat f = table.cellFormat(r, col);
        const QString text = table.text(r, col);
        const std::optional<bool> truth = ValueFormat::parseBool(text);
        if (isCheckBox) {
            f.check = truth.value_or(false) ? CheckBox::Checked : CheckBox::Unchecked;
        } else {
            // A tick the user set is written as text, unless the cell holds other text.
            if (f.check != CheckBox::None && truth && *truth != (f.check == CheckBox::Checked))
                table.setText(r, col, f.check == CheckBox::Checked ? QStringLiteral("True") : QStringLiteral("False"));
            f.check = CheckBox::None;
        }
        if (f != table.cellFormat(r, col))
            table.setCellFormat(r, col, f);
    }
}

void applyRow(const GridModel &dialog, int row, GridModel &table, int col)
{
    ColumnAttributes a = table.columnAttributes(col);
    const bool wasCheckBox = a.dataType == DataType::Boolean;
    a.dataType = ColumnDefs::typeFromName(dialog.text(row, ColumnDefs::TypeCol));
    a.format = dialog.text(row, ColumnDefs::FormatCol);
    a.alignment = ColumnDefs::alignmentFromName(dialog.text(row, ColumnDefs::AlignmentCol));
    a.hidden = dialog.cellFormat(row, ColumnDefs::HideCol).check == CheckBox::Checked;
    table.setText(0, col, dialog.text(row, ColumnDefs::TitleCol));
    if (!(a == table.columnAttributes(col)))
        table.setColumnAttributes(col, a);
    convertCheckBoxes(table, col, wasCheckBox, a.dataType == DataType::Boolean);
}

} // namespace

QString ColumnDefs::typeName(DataType type)
{
    switch (type) {
    case DataType::Double:
        return QStringLiteral("Number");
    case DataType::Currency:
        return QStringLiteral("Money");
    case DataType::Date:
        return QStringLiteral("Date");
    case DataType::Boolean:
        return QStringLiteral("Checkbox");
    case DataType::String:
        break;
    }
    return QStringLiteral("Text");
}

DataType ColumnDefs::typeFromName(const QString &name)
{
    if (name == QLatin1String("Checkbox"))
        return DataType::Boolean;
    if (name == QLatin1String("Date"))
        return DataType::Date;
    if (name == QLatin1String("Money"))
        return DataType::Currency;
    if (name == QLatin1String("Number"))
        return DataType::Double;
    return DataType::String;
}

QString ColumnDefs::alignmentName(Alignment alignment)
{
    if (alignment == Alignment::CenterCenter)
        return QStringLiteral("Center");
    if (alignment == Alignment::RightCenter)
        return QStringLiteral("Right");
    return QStringLiteral("Left");
}

Alignment ColumnDefs::alignmentFromName(const QString &name)
{
    if (name == QLatin1String("Center"))
        return Alignment::CenterCenter;
    if (name == QLatin1String("Right"))
        return Alignment::RightCenter;
    return Alignment::LeftCenter;
}

QString ColumnDefs::formatList(const QString &typeName)
{
    if (typeName == QLatin1String("Number"))
        return QStringLiteral("0|0.0|0.00|0.000|0.0000|%|#.00%|#,###|#,###.00");
    if (typeName == QLatin1String("Money"))
        return QStringLiteral("$#,###|$#,###.00");
    if (typeName == QLatin1String("Date"))
        return QStringLiteral("mm/dd/yy|mm/dd/yyyy|m/d/yy|m/d/yyyy|dd-Mmm-yyyy|Mmm-dd-yyyy|mm/dd/yy hh:mm|"
                              "mm/dd/yy hh:mm:ss|mm/dd/yy hh:mm AMPM|mm/dd/yy hh:mm:ss AMPM");
    return {};
}

QString ColumnDefs::typePickList()
{
    return QStringLiteral("Checkbox|Date|Money|Number|Text");
}

QString ColumnDefs::alignmentPickList()
{
    return QStringLiteral("Left|Center|Right");
}

void ColumnDefs::load(GridModel &dialog, const GridModel &table, Scope scope, int currentCol)
{
    const bool all = scope == Scope::AllColumns;
    const int count = all ? table.cols() : (currentCol >= 0 && currentCol < table.cols() ? 1 : 0);
    dialog.setCols(0);
    dialog.setRows(0);
    dialog.setCols(DialogCols);
    dialog.setRows(1 + count);
    dialog.setFixedRows(1);
    dialog.setFixedCols(0);
    const QStringList titles { QStringLiteral("Col"), QStringLiteral("Title"), QStringLiteral("Data Type"),
        QStringLiteral("Data Format"), QStringLiteral("Alignment"), QStringLiteral("Hide") };
    const int widths[DialogCols] = { 500, 1500, 1000, 2000, 1000, 700 }; // "Hide" fits its bold title
    for (int c = 0; c < DialogCols; ++c) {
        dialog.setText(0, c, titles.at(c));
        dialog.setColumnWidth(c, widths[c]);
    }
    dialog.updateFormats(GridRange { 0, 0, 0, DialogCols - 1 }, [](CellFormat &f) {
        f.bold = true;
        f.hasFore = true;
        f.fore = qRgb(255, 255, 255);
        f.hasBack = true;
        f.back = kTitleBack.rgb();
        f.alignment = Alignment::CenterCenter;
    });
    if (all) {
        for (int c = 0; c < count; ++c)
            fillRow(dialog, c + 1, c + 1, table.text(0, c), table.columnAttributes(c));
        // Columns 7 to 12 (web site, e-mail and the user's own) are shaded.
        if (dialog.rows() > 7)
            dialog.updateFormats(
                GridRange { 7, TitleCol, qMin(12, dialog.rows() - 1), DialogCols - 1 }, [](CellFormat &f) {
                    f.hasBack = true;
                    f.back = kUserColumnShade.rgb();
                });
    } else if (count == 1) {
        fillRow(dialog, 1, currentCol + 1, table.text(0, currentCol), table.columnAttributes(currentCol));
    }
    dialog.setCursor(qMin(1, dialog.rows() - 1), TitleCol);
}

QString ColumnDefs::pickListFor(const GridModel &dialog, int row, int col)
{
    switch (col) {
    case TypeCol:
        return typePickList();
    case FormatCol:
        return formatList(dialog.text(row, TypeCol));
    case AlignmentCol:
        return alignmentPickList();
    default:
        return {};
    }
}

void ColumnDefs::typeEdited(GridModel &dialog, int row)
{
    if (row < dialog.fixedRows() || row >= dialog.rows())
        return;
    const QString type = dialog.text(row, TypeCol);
    if (type == QLatin1String("Number") || type == QLatin1String("Money")) {
        dialog.setText(row, AlignmentCol, QStringLiteral("Right"));
        return;
    }
    dialog.setText(
        row, AlignmentCol, type == QLatin1String("Checkbox") ? QStringLiteral("Center") : QStringLiteral("Left"));
    dialog.setText(row, FormatCol, QString());
}

void ColumnDefs::addRow(GridModel &dialog)
{
    dialog.setRows(dialog.rows() + 1);
    newRow(dialog, dialog.rows() - 1);
    renumber(dialog);
}

void ColumnDefs::insertRow(GridModel &dialog, int row)
{
    const int at = qBound(dialog.fixedRows(), row, dialog.rows());
    dialog.insertRow(at);
    newRow(dialog, at);
    renumber(dialog);
}

void ColumnDefs::deleteRow(GridModel &dialog, int row)
{
    if (row < dialog.fixedRows() || row >= dialog.rows())
        return;
    dialog.removeRow(row);
    renumber(dialog);
}

void ColumnDefs::apply(const GridModel &dialog, GridModel &table, Scope scope, int currentCol)
{
    const int first = dialog.fixedRows();
    if (scope == Scope::CurrentColumn) {
        if (dialog.rows() > first && currentCol >= 0 && currentCol < table.cols())
            applyRow(dialog, first, table, currentCol);
        return;
    }
    const int count = dialog.rows() - first;
    if (count < 1)
        return; // a table keeps at least one column
    table.setCols(count);
    for (int i = 0; i < count; ++i)
        applyRow(dialog, first + i, table, i);
}

bool ColumnDefs::askColumnTitle(GridModel &table, UserPrompts &prompts)
{
    const int col = table.col();
    QString title = table.text(0, col);
    if (!prompts.input(QStringLiteral("Column Title"), QStringLiteral("Enter New Column Title (Header):"), title))
        return false;
    return setColumnTitle(table, col, title);
}

bool ColumnDefs::setColumnTitle(GridModel &table, int col, const QString &title)
{
    if (title.isEmpty() || col < 0 || col >= table.cols() || table.text(0, col) == title)
        return false;
    table.setText(0, col, title);
    return true;
}

} // namespace dq
