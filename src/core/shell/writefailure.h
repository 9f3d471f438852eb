#pragma once

#include <QString>

namespace dq {

// Why writing to path failed, in words. A short write on a full disk leaves the system's reason
// empty ("Unknown error"), so the volume is asked: a full one is named as such.
QString writeFailureReason(const QString &path, const QString &deviceReason);

} // namespace dq
