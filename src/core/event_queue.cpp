#include "core/event_queue.h"

#include <algorithm>
#include <exception>

struct TEventQueue::TCall {
    const std::function<void()>* Fn;
    std::exception_ptr Error;
    bool Done = false;
    std::condition_variable Finished;
};

TEventQueue::TEventQueue() : FMainThread(std::this_thread::get_id()) {}

void TEventQueue::RunBlocking(const std::function<void()>& fn) {
    if (std::this_thread::get_id() == FMainThread) {
        fn();
        return;
    }
    TCall call;
    call.Fn = &fn;
    std::unique_lock lock(FMutex);
    FCalls.push_back(&call);
    FQueued.notify_all();
    call.Finished.wait(lock, [&] { return call.Done; });
    if (call.Error) {
        std::rethrow_exception(call.Error);
    }
}

void TEventQueue::ProcessPendingEvents() {
    std::unique_lock lock(FMutex);
    while (!FCalls.empty()) {
        TCall* call = FCalls.front();
        FCalls.pop_front();
        lock.unlock();
        try {
            (*call->Fn)();
        } catch (...) {
            call->Error = std::current_exception();
        }
        lock.lock();
        call->Done = true;
        call->Finished.notify_all();
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
