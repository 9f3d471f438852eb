#include "app/contact/desktoplinkopener.h"

#include <QDesktopServices>

namespace dq {

bool DesktopLinkOpener::open(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace dq
