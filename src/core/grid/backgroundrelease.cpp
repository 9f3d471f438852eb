#include "core/grid/backgroundrelease.h"

#include <QThread>

#include <atomic>
#include <mutex>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace dq {

void runWhenIdle(std::function<void()> work)
{
    QThreadPool::globalInstance()->start([work = std::move(work)] {
        QThread *thread = QThread::currentThread();
        thread->setPriority(QThread::IdlePriority);
        work();
        thread->setPriority(QThread::NormalPriority);
    });
}

void returnFreedMemory()
{
#if defined(__GLIBC__)
    static std::atomic<bool> queued { false };
    static std::mutex running;
    if (queued.exchange(true))
        return;
    runWhenIdle([] {
        const std::lock_guard lock(running);
        // Cleared once this pass is sure to start: memory freed from here on is covered by it
        // or by the one the next request queues.
        queued.store(false);
        malloc_trim(0);
    });
#endif
}

} // namespace dq
