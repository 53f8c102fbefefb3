#pragma once
// A main thread without a window: calls posted from other threads are queued and run when the
// main thread drains the queue. Used by the headless tools and by the tests.

#include "core/main_thread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

class TEventQueue : public IMainThread {
public:
    // The thread that constructs the queue is its main thread.
    TEventQueue();

    bool IsMainThread() const override;
    void Post(std::function<void()> fn) override;
    // Runs the calls queued so far, in order; an exception a call raises propagates and leaves
    // the calls behind it queued.
    void ProcessPendingEvents() override;

    // Runs queued calls on the main thread until pred() holds or the timeout passes; returns
    // pred().
    bool ProcessUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);

private:
    std::thread::id FMainThread;
    std::mutex FMutex;
    std::condition_variable FQueued;
    std::deque<std::function<void()>> FCalls;
};
