#pragma once

#include <QThreadPool>

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace dq {

// Runs work on the one background thread that frees big data, in the order given.
void runInBackground(std::function<void()> work);

// Hands the heap's freed pages back to the system, on the background thread. The allocator
// keeps blocks freed in the middle of the heap; a pass walks the heap under its lock, so at
// most one pass is queued at a time and a request made while one is queued is covered by it.
void returnFreedMemory();

// Frees value on the background thread, then returns the freed pages: a million rows take the
// window's thread a tenth of a second to free. The value is moved into the task, so its last
// owner is always the background thread, never the caller.
template <typename T> void releaseInBackground(T &&value)
{
    auto owned = std::make_shared<std::decay_t<T>>(std::forward<T>(value));
    runInBackground([owned = std::move(owned)]() mutable {
        owned.reset();
        returnFreedMemory();
    });
}

} // namespace dq
