#pragma once

#include "core/harvest/browsersession.h"

#include <QObject>

class QWebEngineProfile;

namespace dq {

// Keeps a copy of a browser profile's cookies as they come and go, so a grab can send what the
// user's browser would send for the site. session() also carries the profile's user agent and
// languages.
class BrowserCookieMirror : public QObject
{
    Q_OBJECT

public:
    // profile is not owned and must outlive the mirror.
    explicit BrowserCookieMirror(QWebEngineProfile *profile, QObject *parent = nullptr);

    BrowserSession session() const;
    const QList<QNetworkCookie> &cookies() const { return m_cookies; }

private:
    void add(const QNetworkCookie &cookie);
    void remove(const QNetworkCookie &cookie);

    QWebEngineProfile *m_profile;
    QList<QNetworkCookie> m_cookies;
};

} // namespace dq
