#include "cli/clicommand.h"

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

using dq::FileKind;
using dq::GridFile;

const QString kUsage = QStringLiteral("Usage: dirquill-cli convert IN OUT\n"
                                      "Converts a table between the native (.tsy), comma (.csv) and tab (.txt) kinds,\n"
                                      "each chosen by the file's extension. The title row stays the first row.\n"
                                      "Exit status: 0 on success; 1 when IN cannot be read or OUT cannot be written;\n"
                                      "2 for wrong arguments.");

bool knownExtension(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("tsy") || suffix == QStringLiteral("csv") || suffix == QStringLiteral("txt");
}

int convert(const QStringList &args)
{
    QTextStream err(stderr);
    if (args.size() != 2) {
        err << "dirquill-cli convert: expected IN and OUT\n" << kUsage << '\n';
        return 2;
    }
    const QString &in = args.at(0);
    const QString &out = args.at(1);
    for (const QString &path : args) {
        if (!knownExtension(path)) {
            err << "dirquill-cli convert: " << path << ": unknown file kind (use .tsy, .csv or .txt)\n";
            return 2;
        }
    }

    dq::GridModel grid;
    if (const dq::FileResult read = GridFile::load(grid, in, GridFile::kindForPath(in)); !read) {
        err << "dirquill-cli convert: " << read.errorString << '\n';
        return 1;
    }
    // Text files carry no shape: their first line is the title row.
    if (GridFile::kindForPath(in) != FileKind::Native && grid.fixedRows() == 0 && grid.rows() > 0)
        grid.setFixedRows(1);
    if (const dq::FileResult written = GridFile::save(grid, out, GridFile::kindForPath(out)); !written) {
        err << "dirquill-cli convert: " << written.errorString << '\n';
        return 1;
    }
    return 0;
}

const dq::cli::CliCommand::Registration registration({
    QStringLiteral("convert"),
    QStringLiteral("convert a table between .tsy, .csv and .txt"),
    kUsage,
    convert,
});

} // namespace
