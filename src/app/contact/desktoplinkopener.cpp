#include "app/contact/desktoplinkopener.h"

#include <QDesktopServices>

namespace dq {

void DesktopLinkOpener::open(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}

} // namespace dq
