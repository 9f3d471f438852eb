#include "cli/clicommand.h"

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

using dq::FileKind;
using dq::GridFile;

bool knownExtension(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("tsy") || suffix == QStringLiteral("csv") || suffix == QStringLiteral("txt")
        || suffix == QStringLiteral("xlsx");
}

class ConvertCommand : public dq::cli::CliCommand
{
public:
    ConvertCommand()
        : CliCommand(QStringLiteral("convert"), QStringLiteral("convert a table between .tsy, .csv, .txt and .xlsx"),
            QStringLiteral("Usage: dirquill-cli convert IN OUT\n"
                           "Converts a table between the native (.tsy), comma (.csv), tab (.txt) and Excel\n"
                           "workbook (.xlsx) kinds, each chosen by the file's extension. The title row stays the "
                           "first row.\n"
                           "Exit status: 0 on success; 1 when IN cannot be read or OUT cannot be written;\n"
                           "2 for wrong arguments."))
    {
    }

protected:
    int run(const QCommandLineParser &parser) override
    {
        const QStringList args = parser.positionalArguments();
        if (args.size() != 2)
            return usageError(QStringLiteral("expected IN and OUT"));
        const QString &in = args.at(0);
        const QString &out = args.at(1);
        for (const QString &path : args) {
            if (!knownExtension(path))
                return usageError(path + QStringLiteral(": unknown file kind (use .tsy, .csv, .txt or .xlsx)"));
        }

        dq::GridModel grid;
        if (const dq::FileResult read = GridFile::load(grid, in, GridFile::kindForPath(in)); !read)
            return failure(read.errorString);
        // Text files carry no shape: their first line is the title row.
        if (GridFile::kindForPath(in) != FileKind::Native && grid.fixedRows() == 0 && grid.rows() > 0)
            grid.setFixedRows(1);
        if (const dq::FileResult written = GridFile::save(grid, out, GridFile::kindForPath(out)); !written)
            return failure(written.errorString);
        return Success;
    }
};

const dq::cli::CliCommand::Registration<ConvertCommand> registration;

} // namespace
