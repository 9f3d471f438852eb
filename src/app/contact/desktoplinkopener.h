#pragma once

#include "core/contact/linkopener.h"

namespace dq {

// Opens links with the desktop's browser or mail program.
class DesktopLinkOpener : public LinkOpener
{
public:
    bool open(const QUrl &url) override;
};

} // namespace dq
