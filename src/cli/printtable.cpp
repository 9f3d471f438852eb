#include "cli/printtable.h"

#include "cli/clicommand.h"
#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/print/numberlist.h"

#include <algorithm>

namespace dq::cli {

int loadPrintTable(const CliCommand &command, const QString &in, const QString *rowsText, GridModel &table)
{
    if (const FileResult loaded = GridFile::load(table, in, GridFile::kindForPath(in)); !loaded)
        return command.failure(loaded.errorString);
    table.setSelectionMode(GridModel::SelectionMode::ListBox);
    if (!rowsText)
        return CliCommand::Success;
    QString why;
    const auto rows = parseNumberList(*rowsText, 1, std::max(1, table.rows() - 1), &why);
    if (!rows)
        return command.usageError(QStringLiteral("--rows: ") + why);
    for (int r : *rows)
        table.setRowSelected(r, true);
    return CliCommand::Success;
}

} // namespace dq::cli
