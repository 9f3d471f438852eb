#include "cli/clicommand.h"
#include "cli/printtable.h"

#include "core/grid/gridmodel.h"
#include "core/print/numberlist.h"
#include "core/print/printsheet.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"

#include <QTextStream>

namespace {

const QString kUsage = QStringLiteral(
    "Usage: dirquill-cli sheet IN --pdf OUT [--columns LIST] [--rows LIST] [--landscape] [--scale N]\n"
    "Prints the table IN (.tsy, .csv or .txt) as a sheet with column titles to the PDF file OUT.\n"
    "  --columns    the columns to print, such as 1-6,9 (columns count from 1); default the visible ones\n"
    "  --rows       the data rows to print, such as 1-20 (rows count from 1); default all rows,\n"
    "               of which only columns 1 to 10 print\n"
    "  --landscape  turn the page\n"
    "  --scale      print scale in percent, default 75");

int usageError(const QString &why)
{
    QTextStream(stderr) << "dirquill-cli sheet: " << why << "\n\n" << kUsage << '\n';
    return 2;
}

int runSheet(const QStringList &args)
{
    QString in;
    QString pdf;
    QString rowsText;
    QString columnsText;
    dq::PrintSheet::Options options;
    options.allRows = true;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--pdf") && hasValue) {
            pdf = args[++i];
        } else if (a == QLatin1String("--rows") && hasValue) {
            rowsText = args[++i];
            options.allRows = false;
        } else if (a == QLatin1String("--columns") && hasValue) {
            columnsText = args[++i];
        } else if (a == QLatin1String("--scale") && hasValue) {
            options.scaleText = args[++i];
            bool ok = false;
            const int scale = options.scaleText.toInt(&ok);
            if (!ok || scale < dq::PrintSheet::kMinScale || scale > dq::PrintSheet::kMaxScale)
                return usageError(QStringLiteral("--scale takes a whole number from 50 to 100"));
        } else if (a == QLatin1String("--landscape")) {
            options.landscape = true;
        } else if (a.startsWith(u'-') || !in.isEmpty()) {
            return usageError(QStringLiteral("unexpected argument '%1'").arg(a));
        } else {
            in = a;
        }
    }
    if (in.isEmpty())
        return usageError(QStringLiteral("no input table given"));
    if (pdf.isEmpty())
        return usageError(QStringLiteral("no output file given (--pdf OUT)"));

    dq::GridModel table;
    if (const int code = dq::cli::loadPrintTable(
            QStringLiteral("sheet"), in, options.allRows ? nullptr : &rowsText, table, usageError))
        return code;
    QString why;
    if (columnsText.isEmpty()) {
        for (int c = 0; c < table.cols(); ++c)
            options.printColumns.push_back(!table.columnHidden(c));
    } else {
        const auto cols = dq::parseNumberList(columnsText, 1, std::max(1, table.cols()), &why);
        if (!cols)
            return usageError(QStringLiteral("--columns: ") + why);
        options.printColumns.assign(size_t(table.cols()), false);
        for (int c : *cols)
            options.printColumns[size_t(c - 1)] = true;
    }

    dq::SheetLayout sheet;
    dq::PrintSheet::compose(sheet, table, options);
    QString error;
    if (!dq::SheetPainter(sheet).writePdf(pdf, &error)) {
        QTextStream(stderr) << "dirquill-cli sheet: " << error << '\n';
        return 1;
    }
    QTextStream(stdout) << table.selectedRowCount() << " rows written to " << pdf << '\n';
    return 0;
}

const dq::cli::CliCommand::Registration registration(
    { QStringLiteral("sheet"), QStringLiteral("print a table as a sheet to PDF"), kUsage, runSheet, true });

} // namespace
