#include "core/event_queue.h"

#include <algorithm>

TEventQueue::TEventQueue() : FMainThread(std::this_thread::get_id()) {}

bool TEventQueue::IsMainThread() const {
    return std::this_thread::get_id() == FMainThread;
}

void TEventQueue::Post(std::function<void()> fn) {
    std::lock_guard lock(FMutex);
    FCalls.push_back(std::move(fn));
    FQueued.notify_all();
}

void TEventQueue::ProcessPendingEvents() {
    std::unique_lock lock(FMutex);
    while (!FCalls.empty()) {
        std::function<void()> call = std::move(FCalls.front());
        FCalls.pop_front();
        lock.unlock();
        call();
        lock.lock();
    }
}

bool TEventQueue::ProcessUntil(const std::function<bool()>& pred,
                               std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        ProcessPendingEvents();
        if (pred()) {
            return true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            return false;
        }
        // The condition may come true without a queued call (another thread finishing its
        // work), so look again at least every few milliseconds.
        const auto slice = std::min<std::chrono::steady_clock::duration>(
            deadline - now, std::chrono::milliseconds(5));
        std::unique_lock lock(FMutex);
        FQueued.wait_for(lock, slice, [&] { return !FCalls.empty(); });
    }
}
