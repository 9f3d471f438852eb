#include "cli/clicommand.h"
#include "cli/printtable.h"

#include "core/grid/gridmodel.h"
#include "core/print/mailinglabels.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

class LabelsCommand : public dq::cli::CliCommand
{
public:
    LabelsCommand()
        : CliCommand(QStringLiteral("labels"), QStringLiteral("print address labels of a table to PDF"),
            QStringLiteral(
                "Usage: dirquill-cli labels IN --layout \"3 x 10\"|\"2 x 10\"|\"2 x 5\" [--rows LIST] [--no-skip]\n"
                "                           [--country TEXT] --pdf OUT\n"
                "Writes address labels for the records of the table IN (.tsy, .csv, .txt or .xlsx) to the PDF file "
                "OUT.\n"
                "  --layout   the label sheet: 3 x 10 (default), 2 x 10 or 2 x 5\n"
                "  --rows     the data rows to print, such as 1-20,25 (rows count from 1); default all rows\n"
                "  --no-skip  print rows with an empty Street, City, State or Zip Code too\n"
                "  --country  a country line printed on every label\n"
                "  --pdf      the PDF file to write"))
    {
    }

    bool needsGui() const override { return true; }

protected:
    QList<QCommandLineOption> options() const override { return { m_layout, m_rows, m_country, m_pdf, m_noSkip }; }

    int run(const QCommandLineParser &parser) override
    {
        const QStringList positional = parser.positionalArguments();
        if (positional.size() > 1)
            return usageError(QStringLiteral("unexpected argument '%1'").arg(positional.at(1)));
        if (positional.isEmpty())
            return usageError(QStringLiteral("no input table given"));
        const QString pdf = parser.value(m_pdf);
        if (pdf.isEmpty())
            return usageError(QStringLiteral("no output file given (--pdf OUT)"));
        dq::MailingLabels::Options options;
        options.allRows = !parser.isSet(m_rows);
        if (parser.isSet(m_layout))
            options.layout = parser.value(m_layout);
        options.printCountry = parser.isSet(m_country);
        options.country = parser.value(m_country);
        options.skipIncomplete = !parser.isSet(m_noSkip);
        if (!dq::MailingLabels::layoutNames().contains(options.layout))
            return usageError(QStringLiteral("unknown layout '%1'").arg(options.layout));

        dq::GridModel table;
        const QString rowsText = parser.value(m_rows);
        if (const int code = loadPrintTable(*this, positional.first(), options.allRows ? nullptr : &rowsText, table))
            return code;
        // A page of labels at a time: a million labels never sit in memory at once.
        dq::SheetLayout sheet;
        std::vector<int> rows = dq::MailingLabels::gatherRows(table, options);
        const size_t count = rows.size();
        const auto labels = dq::MailingLabels::composeStreamed(sheet, table, std::move(rows), options);
        QString error;
        if (!dq::SheetPainter(sheet, *labels).writePdf(pdf, &error))
            return failure(error);
        QTextStream(stdout) << count << " labels written to " << pdf << '\n';
        return Success;
    }

private:
    const QCommandLineOption m_layout { QStringLiteral("layout"), QString(), QStringLiteral("LAYOUT") };
    const QCommandLineOption m_rows { QStringLiteral("rows"), QString(), QStringLiteral("LIST") };
    const QCommandLineOption m_country { QStringLiteral("country"), QString(), QStringLiteral("TEXT") };
    const QCommandLineOption m_pdf { QStringLiteral("pdf"), QString(), QStringLiteral("OUT") };
    const QCommandLineOption m_noSkip { QStringLiteral("no-skip") };
};

const dq::cli::CliCommand::Registration<LabelsCommand> registration;

} // namespace
