#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkCookie>
#include <QString>

namespace dq {

// What the grab sends to look like the user's own browser: its cookies, its user-agent string
// and its preferred languages. The window fills it from the search browser; the command line
// from a cookies.txt file.
struct BrowserSession
{
    QList<QNetworkCookie> cookies;
    QByteArray userAgent; // empty: defaultUserAgent()
    QByteArray acceptLanguage; // empty: the system's languages

    // The agent string of a current desktop browser, for a session without a browser at hand.
    static QByteArray defaultUserAgent();
    // "de-DE,de;q=0.9,en;q=0.8" from the system's user-interface languages.
    static QByteArray systemAcceptLanguage();

    // Reads a Netscape-format cookies.txt (what curl and browser extensions write): one cookie a
    // line, seven tab-separated fields, "#" comments, "#HttpOnly_" marking HTTP-only cookies.
    // Expired cookies and malformed lines are skipped. Returns false with a message naming the
    // file and the reason when it cannot be read or holds no cookie line at all.
    static bool readCookiesTxt(const QString &path, QList<QNetworkCookie> &cookies, QString *errorString);
    static QList<QNetworkCookie> parseCookiesTxt(const QByteArray &text, const QDateTime &now);
};

} // namespace dq
