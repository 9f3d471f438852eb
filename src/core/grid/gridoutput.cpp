#include "core/grid/gridoutput.h"

#include "core/shell/programfolder.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace dq {

bool GridOutput::hasKnownExtension(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("tsy") || suffix == QLatin1String("csv") || suffix == QLatin1String("txt");
}

FileResult GridOutput::probe(const QString &path)
{
    // Opening a save file creates (and cancelling removes) a temporary file beside the target:
    // exactly what the final save needs, without touching an existing file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FileResult::failure(QStringLiteral("\"%1\" cannot be written: %2").arg(path, file.errorString()));
    file.cancelWriting();
    return FileResult::success();
}

FileResult GridOutput::saveOrRecover(const GridModel &grid, const QString &path, FileKind kind)
{
    const FileResult saved = GridFile::save(grid, path, kind);
    if (saved)
        return saved;
    const QFileInfo target(path);
    const QString name = target.completeBaseName() + QStringLiteral("-recovered-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".tsy");
    // Beside the target only when its folder is still there; the per-user folder is made as needed.
    QStringList places { target.absolutePath() };
    const QString recovery = userDataFolder() + QStringLiteral("recovery");
    if (QDir().mkpath(recovery))
        places << recovery;
    for (const QString &place : places) {
        const QString kept = place + u'/' + name;
        if (QFileInfo(place).isDir() && GridFile::save(grid, kept, FileKind::Native))
            return FileResult::failure(saved.errorString + QStringLiteral("; the rows are kept in \"") + kept + u'"');
    }
    return FileResult::failure(saved.errorString + QStringLiteral("; no recovery copy could be written either"));
}

} // namespace dq
