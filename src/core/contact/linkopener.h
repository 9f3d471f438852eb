#pragma once

#include <QUrl>

namespace dq {

// Hands a web or "mailto:" link to whatever the desktop opens it with. The outcome is not
// reported: the contact commands neither wait for nor check it.
class LinkOpener
{
public:
    virtual ~LinkOpener() = default;
    // False when no program on this system takes the link.
    virtual bool open(const QUrl &url) = 0;
};

} // namespace dq
