#include "core/grid/gridfile.h"

#include "core/grid/delimitedgridformat.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/grid/nativegridformat.h"

#include <QFile>
#include <QSaveFile>

namespace dq {

namespace {

char separatorOf(FileKind kind)
{
    return kind == FileKind::Tab ? '\t' : ',';
}

bool isKnown(FileKind kind)
{
    return kind == FileKind::Native || kind == FileKind::Comma || kind == FileKind::Tab;
}

FileResult unknownKind(FileKind kind, const QString &name)
{
    return FileResult::failure(
        QStringLiteral("\"%1\": %2 is not a grid file kind (native 0, comma 3, tab 4).").arg(name).arg(int(kind)));
}

} // namespace

FileResult GridFile::write(const GridModel &grid, QIODevice &device, FileKind kind, const QString &name)
{
    if (!isKnown(kind))
        return unknownKind(kind, name);
    if (kind == FileKind::Native)
        return NativeGridFormat::write(grid.store(), device, name);
    return DelimitedGridFormat::write(grid.store(), device, separatorOf(kind), name);
}

FileResult GridFile::read(GridModel &grid, QIODevice &device, FileKind kind, const QString &name)
{
    if (!isKnown(kind))
        return unknownKind(kind, name);
    // Everything is read off to the side; the grid changes only once the whole file is good.
    GridStore scratch;
    if (kind == FileKind::Native) {
        const FileResult result = NativeGridFormat::read(device, name, scratch);
        if (!result)
            return result;
    } else {
        const FileResult result = DelimitedGridFormat::read(device, separatorOf(kind), name, scratch);
        if (!result)
            return result;
        // Text carries no formatting: the grid keeps its own settings and fixed rows, and the
        // file's columns start from the default attributes. Those of the table it replaces
        // (types, formats, hidden columns, widths) belong to other data.
        const GridStore &current = grid.store();
        scratch.settings = current.settings;
        scratch.fixedRows = current.fixedRows;
        scratch.fixedCols = current.fixedCols;
    }
    grid.replaceContents(std::move(scratch));
    return FileResult::success();
}

FileResult GridFile::save(const GridModel &grid, const QString &path, FileKind kind)
{
    if (!isKnown(kind))
        return unknownKind(kind, path); // before the old file is touched
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileResult::failure(QStringLiteral("\"%1\" could not be saved: %2").arg(path, file.errorString()));
    const FileResult result = write(grid, file, kind, path);
    if (!result) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        return FileResult::failure(QStringLiteral("\"%1\" could not be saved: %2").arg(path, file.errorString()));
    return FileResult::success();
}

FileResult GridFile::load(GridModel &grid, const QString &path, FileKind kind)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileResult::failure(QStringLiteral("\"%1\" could not be opened: %2").arg(path, file.errorString()));
    return read(grid, file, kind, path);
}

FileKind GridFile::kindForPath(const QString &path)
{
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return FileKind::Comma;
    if (path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        return FileKind::Tab;
    return FileKind::Native;
}

} // namespace dq
