#pragma once
#include <functional>

// The hand-off to the main thread. The serial port's event thread and the UDP worker only wait;
// whatever they received is handled on the main thread, which owns all program logic.
class IMainThread {
public:
    virtual ~IMainThread() = default;

    // Runs fn on the main thread and returns when it has run. An exception that fn raises is
    // raised again here, in the calling thread. Called on the main thread itself, runs fn at once.
    virtual void RunBlocking(const std::function<void()>& fn) = 0;

    // Lets the main thread handle the events that are waiting (replies among them), then returns.
    // Called only on the main thread.
    virtual void ProcessPendingEvents() = 0;
};
