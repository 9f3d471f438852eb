#include "core/shell/programfolder.h"

#include <QCoreApplication>
#include <QDir>

namespace dq {

QString programFolder()
{
    QString dir = qEnvironmentVariable("DIRQUILL_HOME");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    dir = QDir::cleanPath(dir);
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

} // namespace dq
