#pragma once
// Disk work that may be slow (a forced flush on a USB stick or a network share can take hundreds
// of milliseconds) handed off the main thread. The work runs elsewhere, one job after another
// in the order queued; its outcome comes back to the main thread, where every decision about it
// is taken. Jobs touch only what the main thread leaves to them (the files they write).

#include <exception>
#include <functional>

class IDiskWork {
public:
    virtual ~IDiskWork() = default;
    // Queues `work` behind everything queued before. `done` runs later on the main thread with
    // what `work` raised (null when it ended well). What `done` raises is shown like any error
    // of an event. Work still queued at the end may be finished or dropped, never reordered.
    virtual void Queue(std::function<void()> work,
                       std::function<void(std::exception_ptr failure)> done) = 0;
};

// No other thread: the work and its outcome run at once, inside Queue.
class TDirectDiskWork : public IDiskWork {
public:
    void Queue(std::function<void()> work, std::function<void(std::exception_ptr)> done) override {
        std::exception_ptr failure;
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        done(failure);
    }
};
