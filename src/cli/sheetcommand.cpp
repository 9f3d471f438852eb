#include "cli/clicommand.h"
#include "cli/printtable.h"

#include "core/grid/gridmodel.h"
#include "core/print/numberlist.h"
#include "core/print/printsheet.h"
#include "core/print/sheetlayout.h"
#include "core/print/sheetpainter.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

class SheetCommand : public dq::cli::CliCommand
{
public:
    SheetCommand()
        : CliCommand(QStringLiteral("sheet"), QStringLiteral("print a table as a sheet to PDF"),
            QStringLiteral(
                "Usage: dirquill-cli sheet IN --pdf OUT [--columns LIST] [--rows LIST] [--landscape] [--scale N]\n"
                "Prints the table IN (.tsy, .csv, .txt or .xlsx) as a sheet with column titles to the PDF file OUT.\n"
                "  --columns    the columns to print, such as 1-6,9 (columns count from 1); default the visible "
                "ones\n"
                "  --rows       the data rows to print, such as 1-20 (rows count from 1); default all rows,\n"
                "               of which only columns 1 to 10 print\n"
                "  --landscape  turn the page\n"
                "  --scale      print scale in percent, default 75"))
    {
    }

    bool needsGui() const override { return true; }

protected:
    QList<QCommandLineOption> options() const override { return { m_pdf, m_rows, m_columns, m_scale, m_landscape }; }

    int run(const QCommandLineParser &parser) override
    {
        const QStringList positional = parser.positionalArguments();
        if (positional.size() > 1)
            return usageError(QStringLiteral("unexpected argument '%1'").arg(positional.at(1)));
        dq::PrintSheet::Options options;
        options.allRows = !parser.isSet(m_rows);
        options.landscape = parser.isSet(m_landscape);
        if (parser.isSet(m_scale)) {
            options.scaleText = parser.value(m_scale);
            bool ok = false;
            const int scale = options.scaleText.toInt(&ok);
            if (!ok || scale < dq::PrintSheet::kMinScale || scale > dq::PrintSheet::kMaxScale)
                return usageError(QStringLiteral("--scale takes a whole number from 50 to 100"));
        }
        if (positional.isEmpty())
            return usageError(QStringLiteral("no input table given"));
        const QString pdf = parser.value(m_pdf);
        if (pdf.isEmpty())
            return usageError(QStringLiteral("no output file given (--pdf OUT)"));

        dq::GridModel table;
        const QString rowsText = parser.value(m_rows);
        if (const int code = loadPrintTable(*this, positional.first(), options.allRows ? nullptr : &rowsText, table))
            return code;
        if (const int code = chooseColumns(parser.value(m_columns), table, options))
            return code;
        // A page of rows at a time: the cells of a million rows never sit in memory at once.
        dq::SheetLayout sheet;
        const auto rows = dq::PrintSheet::composeStreamed(sheet, table, options);
        QString error;
        if (!dq::SheetPainter(sheet, *rows).writePdf(pdf, &error))
            return failure(error);
        QTextStream(stdout) << table.selectedRowCount() << " rows written to " << pdf << '\n';
        return Success;
    }

private:
    // The visible columns when no list is given.
    int chooseColumns(const QString &columnsText, const dq::GridModel &table, dq::PrintSheet::Options &options) const
    {
        if (columnsText.isEmpty()) {
            for (int c = 0; c < table.cols(); ++c)
                options.printColumns.push_back(!table.columnHidden(c));
            return Success;
        }
        QString why;
        const auto cols = dq::parseNumberList(columnsText, 1, std::max(1, table.cols()), &why);
        if (!cols)
            return usageError(QStringLiteral("--columns: ") + why);
        options.printColumns.assign(size_t(table.cols()), false);
        for (int c : *cols)
            options.printColumns[size_t(c - 1)] = true;
        return Success;
    }

    const QCommandLineOption m_pdf { QStringLiteral("pdf"), QString(), QStringLiteral("OUT") };
    const QCommandLineOption m_rows { QStringLiteral("rows"), QString(), QStringLiteral("LIST") };
    const QCommandLineOption m_columns { QStringLiteral("columns"), QString(), QStringLiteral("LIST") };
    const QCommandLineOption m_scale { QStringLiteral("scale"), QString(), QStringLiteral("N") };
    const QCommandLineOption m_landscape { QStringLiteral("landscape") };
};

const dq::cli::CliCommand::Registration<SheetCommand> registration;

} // namespace
