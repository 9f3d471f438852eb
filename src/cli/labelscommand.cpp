#include "cli/clicommand.h"
#include "cli/printtable.h"

#include "core/grid/gridmodel.h"
#include "core/print/mailinglabels.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"

#include <QTextStream>

namespace {

const QString kUsage = QStringLiteral(
    "Usage: dirquill-cli labels IN --layout \"3 x 10\"|\"2 x 10\"|\"2 x 5\" [--rows LIST] [--no-skip]\n"
    "                           [--country TEXT] --pdf OUT\n"
    "Writes address labels for the records of the table IN (.tsy, .csv or .txt) to the PDF file OUT.\n"
    "  --layout   the label sheet: 3 x 10 (default), 2 x 10 or 2 x 5\n"
    "  --rows     the data rows to print, such as 1-20,25 (rows count from 1); default all rows\n"
    "  --no-skip  print rows with an empty Street, City, State or Zip Code too\n"
    "  --country  a country line printed on every label\n"
    "  --pdf      the PDF file to write");

int usageError(const QString &why)
{
    QTextStream(stderr) << "dirquill-cli labels: " << why << "\n\n" << kUsage << '\n';
    return 2;
}

int runLabels(const QStringList &args)
{
    QString in;
    QString pdf;
    QString rowsText;
    dq::MailingLabels::Options options;
    options.allRows = true;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--layout") && hasValue) {
            options.layout = args[++i];
        } else if (a == QLatin1String("--rows") && hasValue) {
            rowsText = args[++i];
            options.allRows = false;
        } else if (a == QLatin1String("--country") && hasValue) {
            options.printCountry = true;
            options.country = args[++i];
        } else if (a == QLatin1String("--pdf") && hasValue) {
            pdf = args[++i];
        } else if (a == QLatin1String("--no-skip")) {
            options.skipIncomplete = false;
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
    if (!dq::MailingLabels::layoutNames().contains(options.layout))
        return usageError(QStringLiteral("unknown layout '%1'").arg(options.layout));

    dq::GridModel table;
    if (const int code = dq::cli::loadPrintTable(
            QStringLiteral("labels"), in, options.allRows ? nullptr : &rowsText, table, usageError))
        return code;

    dq::SheetLayout sheet;
    const std::vector<int> rows = dq::MailingLabels::gatherRows(table, options);
    dq::MailingLabels::compose(sheet, table, rows, options);
    QString error;
    if (!dq::SheetPainter(sheet).writePdf(pdf, &error)) {
        QTextStream(stderr) << "dirquill-cli labels: " << error << '\n';
        return 1;
    }
    QTextStream(stdout) << rows.size() << " labels written to " << pdf << '\n';
    return 0;
}

const dq::cli::CliCommand::Registration registration(
    { QStringLiteral("labels"), QStringLiteral("print address labels of a table to PDF"), kUsage, runLabels, true });

} // namespace
