#include "browser/browsercookiemirror.h"

#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

namespace dq {

BrowserCookieMirror::BrowserCookieMirror(QWebEngineProfile *profile, QObject *parent)
    : QObject(parent)
    , m_profile(profile)
{
    QWebEngineCookieStore *store = profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &BrowserCookieMirror::add);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &BrowserCookieMirror::remove);
    // Cookies kept from earlier runs arrive through cookieAdded too.
    store->loadAllCookies();
}

void BrowserCookieMirror::add(const QNetworkCookie &cookie)
{
    remove(cookie);
    m_cookies.append(cookie);
}

void BrowserCookieMirror::remove(const QNetworkCookie &cookie)
{
    m_cookies.removeIf([&cookie](const QNetworkCookie &c) { return c.hasSameIdentifier(cookie); });
}

BrowserSession BrowserCookieMirror::session() const
{
    BrowserSession s;
    s.cookies = m_cookies;
    s.userAgent = m_profile->httpUserAgent().toLatin1();
    s.acceptLanguage = m_profile->httpAcceptLanguage().toLatin1();
    return s;
}

} // namespace dq
