#pragma once

#include <QString>

namespace dq {

// The folder the program's shipped files (site list, key files, guide) live in:
// the executable's folder, or DIRQUILL_HOME when set. Always ends in a separator.
QString programFolder();

} // namespace dq
