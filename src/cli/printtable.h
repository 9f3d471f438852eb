#pragma once

#include <QString>

#include <functional>

namespace dq {
class GridModel;
}

namespace dq::cli {

// Loads the table a printing command prints and, when rowsText is given (not null), marks those data
// rows ("1-20,25", counted from 1) selected the way Row mode does. Returns 0 when the table is
// ready; otherwise reports the problem — a file that cannot be read on stderr (exit code 1), a
// bad row list through usageError (its exit code) — and returns the exit code.
int loadPrintTable(const QString &command, const QString &in, const QString *rowsText, GridModel &table,
    const std::function<int(const QString &)> &usageError);

} // namespace dq::cli
