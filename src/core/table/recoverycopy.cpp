#include "core/table/recoverycopy.h"

#include "core/grid/gridmodel.h"
#include "core/grid/gridstore.h"
#include "core/grid/nativegridformat.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <functional>
#include <memory>

namespace dq {

namespace {

GridStore snapshotOf(const GridStore &from)
{
    GridStore to;
    to.columns = from.columns;
    to.fixedRows = from.fixedRows;
    to.fixedCols = from.fixedCols;
    to.settings = from.settings;
    to.rows.reserve(from.rows.size());
    for (const GridRow &r : from.rows) {
        GridRow &copy = to.rows.emplace_back();
        copy.cells = r.cells;
        if (r.formats)
            copy.formats = std::make_unique<std::vector<CellFormat>>(*r.formats);
        copy.height = r.height;
        copy.selected = r.selected;
    }
    return to;
}

FileResult saveAtomically(const QString &path, const std::function<FileResult(QIODevice &)> &body)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileResult::failure(QStringLiteral("\"%1\" could not be written: %2").arg(path, file.errorString()));
    if (const FileResult r = body(file); !r) {
        file.cancelWriting();
        return r;
    }
    if (!file.commit())
        return FileResult::failure(QStringLiteral("\"%1\" could not be written: %2").arg(path, file.errorString()));
    return FileResult::success();
}

} // namespace

RecoveryCopy::RecoveryCopy(QObject *parent)
    : QObject(parent)
{
    m_pool.setMaxThreadCount(1);
}

RecoveryCopy::~RecoveryCopy()
{
    m_pool.waitForDone();
}

bool RecoveryCopy::write(const GridModel &grid, const QString &path, const Info &info)
{
    if (m_writing)
        return false;
    m_writing = true;
    auto store = std::make_shared<GridStore>(snapshotOf(grid.store()));
    m_pool.start([this, store, path, info] {
        // The description goes last: a copy without one is not offered.
        QFile::remove(infoPath(path));
        FileResult r
            = saveAtomically(path, [&](QIODevice &device) { return NativeGridFormat::write(*store, device, path); });
        if (r)
            r = writeInfo(path, info);
        QMetaObject::invokeMethod(
            this,
            [this, ok = r.ok, error = r.errorString] {
                m_writing = false;
                emit written(ok, error);
            },
            Qt::QueuedConnection);
    });
    return true;
}

FileResult RecoveryCopy::writeInfo(const QString &path, const Info &info)
{
    const QJsonObject o { { QStringLiteral("table"), info.tableFile }, { QStringLiteral("kind"), int(info.kind) },
        { QStringLiteral("saved"), info.saved.toString(Qt::ISODate) },
        { QStringLiteral("journalRows"), info.journalRows } };
    return saveAtomically(infoPath(path), [&](QIODevice &device) {
        const QByteArray json = QJsonDocument(o).toJson();
        return device.write(json) == json.size()
            ? FileResult::success()
            : FileResult::failure(QStringLiteral("\"%1\" could not be written").arg(infoPath(path)));
    });
}

bool RecoveryCopy::readInfo(const QString &path, Info &info)
{
    QFile file(infoPath(path));
    if (!QFile::exists(path) || file.size() > 64 * 1024 || !file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    if (o.isEmpty())
        return false;
    info.tableFile = o.value(QStringLiteral("table")).toString();
    const int kind = o.value(QStringLiteral("kind")).toInt();
    info.kind = kind == int(FileKind::Comma) ? FileKind::Comma
        : kind == int(FileKind::Tab)         ? FileKind::Tab
                                             : FileKind::Native;
    info.saved = QDateTime::fromString(o.value(QStringLiteral("saved")).toString(), Qt::ISODate);
    info.journalRows = o.value(QStringLiteral("journalRows")).toInteger();
    return true;
}

} // namespace dq
