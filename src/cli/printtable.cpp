#include "cli/printtable.h"

#include "core/grid/gridfile.h"
#include "core/grid/gridmodel.h"
#include "core/print/numberlist.h"

#include <QTextStream>

#include <algorithm>

namespace dq::cli {

int loadPrintTable(const QString &command, const QString &in, const QString *rowsText, GridModel &table,
    const std::function<int(const QString &)> &usageError)
{
    const FileResult loaded = GridFile::load(table, in, GridFile::kindForPath(in));
    if (!loaded) {
        QTextStream(stderr) << "dirquill-cli " << command << ": " << loaded.errorString << '\n';
        return 1;
    }
    table.setSelectionMode(GridModel::SelectionMode::ListBox);
    if (!rowsText)
        return 0;
    QString why;
    const auto rows = parseNumberList(*rowsText, 1, std::max(1, table.rows() - 1), &why);
    if (!rows)
        return usageError(QStringLiteral("--rows: ") + why);
    for (int r : *rows)
        table.setRowSelected(r, true);
    return 0;
}

} // namespace dq::cli
