#include "core/shell/programfolder.h"

#include "core/harvest/sitelist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace dq {

namespace {

QString withSeparator(const QString &dir)
{
    QString out = QDir::cleanPath(dir);
    if (!out.endsWith(QLatin1Char('/')))
        out += QLatin1Char('/');
    return out;
}

} // namespace

QString programFolder()
{
    const QString home = qEnvironmentVariable("DIRQUILL_HOME");
    if (!home.isEmpty())
        return withSeparator(home);
    const QString own = QCoreApplication::applicationDirPath();
    if (QFileInfo::exists(own + u'/' + SiteList::fileName()))
        return withSeparator(own);
    const QString shared = own + QStringLiteral("/../share/dirquill");
    if (QFileInfo(shared).isDir())
        return withSeparator(shared);
    return withSeparator(own);
}

QString userDataFolder()
{
    // One folder for the window program and the command line, whose application names differ.
    return withSeparator(
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/dirquill"));
}

QString dataFile(const QString &name)
{
    const QString mine = userDataFolder() + name;
    return QFileInfo::exists(mine) ? mine : programFolder() + name;
}

QString userDataFile(const QString &name)
{
    const QString path = userDataFolder() + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}

QString tablesFolder()
{
    const QString program = programFolder();
    if (QFileInfo(program).isWritable())
        return program;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return withSeparator(documents.isEmpty() ? QDir::homePath() : documents);
}

} // namespace dq
