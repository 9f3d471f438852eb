#pragma once

#include "core/grid/gridfile.h"

#include <QString>

namespace dq {

class GridModel;

// Where a long job (a grab) will write its table. The target is checked before the job starts, so
// a wrong path costs nothing; and when the final write still fails, the rows are not lost.
class GridOutput
{
public:
    // Whether path has a table extension (.tsy, .csv, .txt in any case).
    static bool hasKnownExtension(const QString &path);
    // Whether a table can be written at path: its folder exists and takes a new file, and path is
    // not a folder. Nothing is left behind and an existing file is not touched.
    static FileResult probe(const QString &path);
    // Saves the grid at path in kind. When that fails, the grid goes to a native recovery file
    // beside path, else in the per-user data folder; the failure message says where it is kept.
    static FileResult saveOrRecover(const GridModel &grid, const QString &path, FileKind kind);
};

} // namespace dq
