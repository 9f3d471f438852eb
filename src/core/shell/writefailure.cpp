#include "core/shell/writefailure.h"

#include <QFileInfo>
#include <QStorageInfo>

namespace dq {

QString writeFailureReason(const QString &path, const QString &deviceReason)
{
    constexpr qint64 kNearlyFull = 1024 * 1024;
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    if (volume.isValid() && volume.bytesAvailable() < kNearlyFull)
        return QStringLiteral("the disk is full");
    if (deviceReason.isEmpty() || deviceReason == QLatin1String("Unknown error"))
        return QStringLiteral("not all of the data could be written (the disk may be full)");
    return deviceReason;
}

} // namespace dq
