#include "core/harvest/browsersession.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

namespace dq {

namespace {
constexpr qint64 kMaxCookieFile = 16 * 1024 * 1024;
}

QByteArray BrowserSession::defaultUserAgent()
{
    return QByteArrayLiteral("Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
                             "Chrome/102.0.5005.177 Safari/537.36");
}

QByteArray BrowserSession::systemAcceptLanguage()
{
    QByteArray out;
    double q = 1.0;
    for (const QString &language : QLocale::system().uiLanguages()) {
        if (language.isEmpty() || language == u"C")
            continue;
        if (!out.isEmpty())
            out += ',';
        out += language.toLatin1();
        if (q < 1.0)
            out += ";q=" + QByteArray::number(q, 'g', 1);
        q = qMax(0.1, q - 0.1);
    }
    return out.isEmpty() ? QByteArrayLiteral("en-US,en;q=0.9") : out;
}

QList<QNetworkCookie> BrowserSession::parseCookiesTxt(const QByteArray &text, const QDateTime &now)
{
    QList<QNetworkCookie> out;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        bool httpOnly = false;
        if (line.startsWith("#HttpOnly_")) {
            line.remove(0, 10);
            httpOnly = true;
        } else if (line.startsWith('#') || line.trimmed().isEmpty()) {
            continue;
        }
        const QList<QByteArray> f = line.split('\t');
        if (f.size() != 7 || f[0].isEmpty() || f[5].isEmpty())
            continue;
        bool ok = false;
        const qint64 expiry = f[4].toLongLong(&ok);
        if (!ok || (expiry > 0 && expiry <= now.toSecsSinceEpoch()))
            continue;
        QNetworkCookie cookie(f[5], f[6]);
        QString domain = QString::fromLatin1(f[0]).toLower();
        // A host-only cookie has no leading dot; one for the subdomains too has it.
        const bool subdomains = f[1].toUpper() == "TRUE";
        if (subdomains && !domain.startsWith(u'.'))
            domain.prepend(u'.');
        else if (!subdomains && domain.startsWith(u'.'))
            domain.remove(0, 1);
        cookie.setDomain(domain);
        cookie.setPath(f[2].isEmpty() ? QStringLiteral("/") : QString::fromLatin1(f[2]));
        cookie.setSecure(f[3].toUpper() == "TRUE");
        cookie.setHttpOnly(httpOnly);
        if (expiry > 0)
            cookie.setExpirationDate(QDateTime::fromSecsSinceEpoch(expiry, Qt::UTC));
        out.append(cookie);
    }
    return out;
}

bool BrowserSession::readCookiesTxt(const QString &path, QList<QNetworkCookie> &cookies, QString *errorString)
{
    QFile file(path);
    auto failed = [&](const QString &why) {
        if (errorString)
            *errorString = QStringLiteral("Cannot read the cookies file '") + path + QStringLiteral("': ") + why;
        return false;
    };
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.errorString());
    if (file.size() > kMaxCookieFile)
        return failed(QStringLiteral("it is larger than 16 MB"));
    const QByteArray text = file.read(kMaxCookieFile + 1);
    bool anyLine = false;
    for (const QByteArray &line : text.split('\n'))
        anyLine |= line.count('\t') == 6;
    if (!anyLine)
        return failed(QStringLiteral("it holds no cookie in the Netscape cookies.txt format"));
    cookies = parseCookiesTxt(text, QDateTime::currentDateTimeUtc());
    return true;
}

} // namespace dq
