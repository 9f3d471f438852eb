#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace dq {

// When a failed page is asked for again, and how long to wait before that.
//
// Busy or passing failures are retried: the answers 408, 429, 500, 502, 503 and 504, and a
// connection dropped before the page was complete. The wait is what the site's Retry-After asks
// (seconds or an HTTP date), up to kMaxWaitSeconds; a longer ask is not waited out. Without
// Retry-After the waits grow 1 s, 2 s, 4 s ... each with ±20 % jitter so that many clients do
// not come back in step.
class RetryPolicy
{
public:
    static constexpr int kDefaultRetries = 3;
    static constexpr int kMaxRetries = 10;
    static constexpr int kMaxWaitSeconds = 300;

    struct Decision
    {
        enum class Kind { GiveUp, Retry, TooLong };
        Kind kind = Kind::GiveUp;
        qint64 waitMs = 0; // Retry: how long to wait first
        qint64 askedSeconds = 0; // what the site asked for, 0 when it did not
        bool siteAsked = false; // the wait comes from the site (Retry-After or 429)
    };

    static bool isRetryable(int status, bool dropped);

    // The seconds a Retry-After value asks for, counted from now; 0 for a date in the past,
    // -1 when the value is missing or unreadable.
    static qint64 retryAfterSeconds(const QByteArray &value, const QDateTime &now);

    // retriesDone: how many retries this page has had; jitter: a number in [-1, 1] that spreads
    // the wait by up to ±20 %.
    static Decision decide(int status, bool dropped, const QByteArray &retryAfter, int retriesDone, int maxRetries,
        const QDateTime &now, double jitter);

    // ms spread by ±20 % as jitter goes from -1 to 1.
    static qint64 jittered(qint64 ms, double jitter);

    // "1 h 5 min", "12 min", "40 s": how long a wait is, for messages.
    static QString durationText(qint64 seconds);
};

} // namespace dq
