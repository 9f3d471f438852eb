#pragma once

#include <QString>

class QIODevice;

namespace dq {

class GridModel;
class JobControl;
struct GridStore;

// The file kinds a grid is saved in. The numbers are the kind codes used in the program's
// file commands. CommaForExcel is comma text with a UTF-8 byte-order mark, so that Excel
// reads it as UTF-8; it reads like Comma.
enum class FileKind { Native = 0, Comma = 3, Tab = 4, Excel = 5, CommaForExcel = 6 };

// Outcome of a file operation: ok, or an error text that names the file and the reason.
struct FileResult
{
    bool ok = true;
    QString errorString;

    explicit operator bool() const { return ok; }
    static FileResult success() { return {}; }
    static FileResult failure(const QString &error) { return { false, error }; }
};

// Reads and writes a whole grid. Writes are atomic (a failed save leaves the old file
// whole). Reads treat the file as hostile: on any error the grid is left exactly as it
// was and the result names the file and what is wrong with it. Text kinds carry the
// fixed (title) rows as their first lines; a load gives the grid the file's shape.
class GridFile
{
public:
    static FileResult save(const GridModel &grid, const QString &path, FileKind kind);
    static FileResult load(GridModel &grid, const QString &path, FileKind kind);

    // The halves of a long save or load, for a worker thread. With a control, progress is
    // reported and Cancel makes the step fail (a cancelled save leaves the old file whole).
    // saveStore reads only store, which must hold still meanwhile. loadStore reads the file
    // into out, which the caller then hands to GridModel::replaceContents(); current is the
    // grid it will replace (text kinds keep its settings and column attributes).
    static FileResult saveStore(const GridStore &store, const QString &path, FileKind kind, JobControl *control);
    static FileResult loadStore(
        const GridStore &current, const QString &path, FileKind kind, GridStore &out, JobControl *control);

    // The same on open devices; name is used in error texts.
    static FileResult write(const GridModel &grid, QIODevice &device, FileKind kind, const QString &name);
    static FileResult read(GridModel &grid, QIODevice &device, FileKind kind, const QString &name);

    // ".tsy" (any case) is native, ".csv" comma, ".txt" tab, ".xlsx" Excel; anything else native.
    static FileKind kindForPath(const QString &path);
};

} // namespace dq
