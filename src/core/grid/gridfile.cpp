#include "core/grid/gridfile.h"

#include "core/grid/delimitedgridformat.h"
#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/grid/nativegridformat.h"
#include "core/shell/regularfile.h"
#include "core/shell/writefailure.h"
#include "core/table/longjobs.h"
#include "core/grid/xlsxgridformat.h"

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
    switch (kind) {
    case FileKind::Native:
    case FileKind::Comma:
    case FileKind::Tab:
    case FileKind::Excel:
    case FileKind::CommaForExcel:
        return true;
    }
    return false;
}

FileResult unknownKind(FileKind kind, const QString &name)
{
    return FileResult::failure(
        QStringLiteral("\"%1\": %2 is not a grid file kind (native 0, comma 3, tab 4, Excel 5, comma for Excel 6).")
            .arg(name)
            .arg(int(kind)));
}

} // namespace

FileResult GridFile::write(const GridModel &grid, QIODevice &device, FileKind kind, const QString &name)
{
    if (!isKnown(kind))
        return unknownKind(kind, name);
    if (kind == FileKind::Native)
        return NativeGridFormat::write(grid.store(), device, name);
    if (kind == FileKind::Excel)
        return XlsxGridFormat::write(grid.store(), device, name);
    if (kind == FileKind::CommaForExcel && device.write("\xEF\xBB\xBF", 3) != 3)
        return FileResult::failure(QStringLiteral("\"%1\" could not be written: %2").arg(name, device.errorString()));
    return DelimitedGridFormat::write(grid.store(), device, separatorOf(kind), name);
}

namespace {

FileResult readInto(const GridStore &current, QIODevice &device, FileKind kind, const QString &name, GridStore &scratch)
{
    if (kind == FileKind::Native)
        return NativeGridFormat::read(device, name, scratch);
    if (kind == FileKind::Excel) {
        // A workbook carries widths, hidden columns and formats but no grid-wide settings.
        const FileResult result = XlsxGridFormat::read(device, name, scratch);
        scratch.settings = current.settings;
        return result;
    }
    const FileResult result = DelimitedGridFormat::read(device, separatorOf(kind), name, scratch);
    if (!result)
        return result;
    // Text carries no formatting: the grid keeps its own settings and fixed rows, and the
    // file's columns start from the default attributes. Those of the table it replaces
    // (types, formats, hidden columns, widths) belong to other data.
    scratch.settings = current.settings;
    scratch.fixedRows = current.fixedRows;
    scratch.fixedCols = current.fixedCols;
    return result;
}

FileResult writeStore(const GridStore &store, QIODevice &device, FileKind kind, const QString &name)
{
    if (kind == FileKind::Native)
        return NativeGridFormat::write(store, device, name);
    if (kind == FileKind::Excel)
        return XlsxGridFormat::write(store, device, name);
    if (kind == FileKind::CommaForExcel && device.write("\xEF\xBB\xBF", 3) != 3)
        return FileResult::failure(QStringLiteral("\"%1\" could not be written: %2").arg(name, device.errorString()));
    return DelimitedGridFormat::write(store, device, separatorOf(kind), name);
}

// Roughly the bytes a store writes, for progress only.
qint64 estimatedBytes(const GridStore &store)
{
    qint64 n = 0;
    for (const GridRow &r : store.rows)
        n += r.cells.byteSize() + 8;
    return qMax<qint64>(n, 1);
}

} // namespace

FileResult GridFile::read(GridModel &grid, QIODevice &device, FileKind kind, const QString &name)
{
    if (!isKnown(kind))
        return unknownKind(kind, name);
    // Everything is read off to the side; the grid changes only once the whole file is good.
    GridStore scratch;
    const FileResult result = readInto(grid.store(), device, kind, name, scratch);
    if (!result)
        return result;
    grid.replaceContents(std::move(scratch));
    return FileResult::success();
}

FileResult GridFile::save(const GridModel &grid, const QString &path, FileKind kind)
{
    return saveStore(grid.store(), path, kind, nullptr);
}

FileResult GridFile::saveStore(const GridStore &store, const QString &path, FileKind kind, JobControl *control)
{
    if (!isKnown(kind))
        return unknownKind(kind, path); // before the old file is touched
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileResult::failure(QStringLiteral("\"%1\" could not be saved: %2").arg(path, file.errorString()));
    // The rows of a loaded table come from shared blocks (see RowCells::Pool).
    const RowCells::Pool pool;
    FileResult result;
    if (control) {
        WatchedDevice watched(file, *control, estimatedBytes(store));
        result = writeStore(store, watched, kind, path);
    } else {
        result = writeStore(store, file, kind, path);
    }
    // A Cancel that comes once the old file is being replaced is too late: the save lands.
    const bool cancelled = control && (result ? !control->commit() : control->cancelled());
    if ((!result && file.error() == QFileDevice::NoError) || cancelled) {
        file.cancelWriting();
        return result ? FileResult::failure(QStringLiteral("\"%1\" was not saved: cancelled").arg(path)) : result;
    }
    if (!result || !file.commit()) {
        const QString why = writeFailureReason(path, file.errorString());
        file.cancelWriting();
        return FileResult::failure(QStringLiteral("\"%1\" could not be saved: %2").arg(path, why));
    }
    return FileResult::success();
}

FileResult GridFile::loadStore(
    const GridStore &current, const QString &path, FileKind kind, GridStore &out, JobControl *control)
{
    if (!isKnown(kind))
        return unknownKind(kind, path);
    QFile file;
    QString why;
    if (!RegularFile::open(file, path, &why))
        return FileResult::failure(QStringLiteral("\"%1\" could not be opened: %2").arg(path, why));
    // The rows of a loaded table come from shared blocks (see RowCells::Pool).
    const RowCells::Pool pool;
    FileResult result;
    if (control) {
        WatchedDevice watched(file, *control, file.size());
        result = readInto(current, watched, kind, path, out);
    } else {
        result = readInto(current, file, kind, path, out);
    }
    if (result)
        out.fitRows();
    return result;
}

FileResult GridFile::load(GridModel &grid, const QString &path, FileKind kind)
{
    // Names of files to load come from data too (key files named by a site list): never open a
    // FIFO or device, which could block or never end.
    QFile file;
    QString why;
    if (!RegularFile::open(file, path, &why))
        return FileResult::failure(QStringLiteral("\"%1\" could not be opened: %2").arg(path, why));
    return read(grid, file, kind, path);
}

FileKind GridFile::kindForPath(const QString &path)
{
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return FileKind::Comma;
    if (path.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive))
        return FileKind::Tab;
    if (path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        return FileKind::Excel;
    return FileKind::Native;
}

} // namespace dq
