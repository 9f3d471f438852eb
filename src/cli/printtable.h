#pragma once

#include <QString>

namespace dq {
class GridModel;
}

namespace dq::cli {

class CliCommand;

// Loads the table a printing command prints and, when rowsText is given (not null), marks those data
// rows ("1-20,25", counted from 1) selected the way Row mode does. Returns 0 when the table is
// ready; otherwise reports the problem through the command — a file that cannot be read as a
// failure, a bad row list as bad use — and returns the exit code.
int loadPrintTable(const CliCommand &command, const QString &in, const QString *rowsText, GridModel &table);

} // namespace dq::cli
