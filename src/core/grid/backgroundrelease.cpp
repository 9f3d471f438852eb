#include "core/grid/backgroundrelease.h"

#include <atomic>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace dq {

void runInBackground(std::function<void()> work)
{
    // One thread, so frees and trims never compete with each other for the second core or the
    // allocator's locks. It runs a little below normal priority: not idle priority, which could
    // leave it holding a lock the window's thread waits for while every core is busy elsewhere.
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(1);
        return p;
    }();
    pool->start([work = std::move(work)] {
#if defined(__linux__)
        setpriority(PRIO_PROCESS, id_t(gettid()), 5);
#endif
        work();
    });
}

void returnFreedMemory()
{
#if defined(__GLIBC__)
    static std::atomic<bool> queued { false };
    if (queued.exchange(true))
        return;
    runInBackground([] {
        // Cleared once this pass is sure to start: memory freed from here on is covered by it
        // or by the one the next request queues.
        queued.store(false);
        malloc_trim(0);
    });
#endif
}

} // namespace dq
