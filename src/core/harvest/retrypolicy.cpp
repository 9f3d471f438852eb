#include "core/harvest/retrypolicy.h"

#include <QLocale>
#include <QtMath>

namespace dq {

bool RetryPolicy::isRetryable(int status, bool dropped)
{
    if (dropped)
        return true;
    switch (status) {
    case 408:
    case 429:
    case 500:
    case 502:
    case 503:
    case 504:
        return true;
    default:
        return false;
    }
}

qint64 RetryPolicy::retryAfterSeconds(const QByteArray &value, const QDateTime &now)
{
    const QByteArray text = value.trimmed();
    if (text.isEmpty())
        return -1;
    bool ok = false;
    const qint64 seconds = text.toLongLong(&ok);
    if (ok)
        return seconds < 0 ? -1 : seconds;
    // The three date forms HTTP allows: "Sun, 06 Nov 1994 08:49:37 GMT" (the one servers send),
    // "Sunday, 06-Nov-94 08:49:37 GMT" and "Sun Nov  6 08:49:37 1994".
    const QLocale c = QLocale::c();
    const QString s = QString::fromLatin1(text).simplified();
    QDateTime when = c.toDateTime(s, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!when.isValid()) {
        const qsizetype comma = s.indexOf(u',');
        QDateTime two = c.toDateTime(s.mid(comma + 2), QStringLiteral("dd-MMM-yy HH:mm:ss 'GMT'"));
        if (comma > 0 && two.isValid())
            when = two.addYears(two.date().year() < 1970 ? 100 : 0);
    }
    if (!when.isValid())
        when = c.toDateTime(s, QStringLiteral("ddd MMM d HH:mm:ss yyyy"));
    if (!when.isValid())
        return -1;
    when.setTimeSpec(Qt::UTC);
    return qMax<qint64>(0, qCeil(now.msecsTo(when) / 1000.0));
}

qint64 RetryPolicy::jittered(qint64 ms, double jitter)
{
    return qMax<qint64>(0, qRound64(ms * (1.0 + 0.2 * qBound(-1.0, jitter, 1.0))));
}

RetryPolicy::Decision RetryPolicy::decide(int status, bool dropped, const QByteArray &retryAfter, int retriesDone,
    int maxRetries, const QDateTime &now, double jitter)
{
    Decision d;
    if (!isRetryable(status, dropped) || retriesDone >= maxRetries)
        return d;
    const qint64 asked = retryAfterSeconds(retryAfter, now);
    d.siteAsked = asked >= 0 || status == 429;
    if (asked > kMaxWaitSeconds) {
        d.kind = Decision::Kind::TooLong;
        d.askedSeconds = asked;
        return d;
    }
    d.kind = Decision::Kind::Retry;
    if (asked >= 0) {
        d.askedSeconds = asked;
        d.waitMs = asked * 1000;
    } else {
        d.waitMs = jittered(1000LL << qMin(retriesDone, 8), jitter);
    }
    return d;
}

QString RetryPolicy::durationText(qint64 seconds)
{
    if (seconds < 60)
        return QString::number(seconds) + QStringLiteral(" s");
    if (seconds < 3600)
        return QString::number((seconds + 30) / 60) + QStringLiteral(" min");
    const qint64 minutes = (seconds + 30) / 60;
    return QString::number(minutes / 60) + QStringLiteral(" h")
        + (minutes % 60 ? QLatin1Char(' ') + QString::number(minutes % 60) + QStringLiteral(" min") : QString());
}

} // namespace dq
