#pragma once

#include <QSignalSpy>
#include <QTimer>

namespace dq::test {

// Lets every zero-time timer started so far fire: they run in the order they were started, so
// once one started now has fired, the earlier ones have too.
inline bool runPendingZeroTimers()
{
    QTimer t;
    t.setSingleShot(true);
    QSignalSpy fired(&t, &QTimer::timeout);
    t.start(0);
    return fired.wait(5000);
}

} // namespace dq::test
