#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace dq::demo {

// One parsed request. Query keys are lower-cased; values are percent-decoded with "+"
// read as a blank, in the order they came.
struct HttpRequest
{
    QByteArray method;
    QByteArray target; // as sent: path and query, still encoded
    QString path; // decoded and lower-cased, so the address a grabber lower-cases still routes
    QList<QPair<QString, QString>> query;
    QByteArray host; // the Host header, checked to hold only host-name characters
    QByteArray cookie; // the Cookie header as sent
    bool keepAlive = true;

    QString value(const QString &key) const;
    bool has(const QString &key) const;
};

// What the connection sends, plus the misbehaviour it is asked to show.
struct HttpResponse
{
    enum class Drop { None, BeforeResponse, MidBody };

    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    int delayMs = 0; // wait this long before answering
    int dripMs = 0; // send the body in small pieces this far apart
    Drop drop = Drop::None;

    static QByteArray reasonPhrase(int status);
};

// Splits "a=1&b=x+y" into decoded pairs; keys lower-cased.
QList<QPair<QString, QString>> parseQuery(const QByteArray &query);

} // namespace dq::demo
