#include "httpmessage.h"

namespace dq::demo {

QString HttpRequest::value(const QString &key) const
{
    for (const auto &pair : query) {
        if (pair.first == key)
            return pair.second;
    }
    return {};
}

bool HttpRequest::has(const QString &key) const
{
    for (const auto &pair : query) {
        if (pair.first == key)
            return true;
    }
    return false;
}

QByteArray HttpResponse::reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return status < 400 ? "OK" : "Error";
    }
}

static QString decodeComponent(QByteArray part)
{
    part.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(part));
}

QList<QPair<QString, QString>> parseQuery(const QByteArray &query)
{
    QList<QPair<QString, QString>> pairs;
    for (const QByteArray &item : query.split('&')) {
        if (item.isEmpty())
            continue;
        const qsizetype eq = item.indexOf('=');
        const QByteArray key = eq < 0 ? item : item.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : item.mid(eq + 1);
        pairs.append({ decodeComponent(key).toLower(), decodeComponent(value) });
    }
    return pairs;
}

} // namespace dq::demo
