#pragma once
// The hand-off to the main thread. The serial port's event thread and the UDP worker only wait;
// whatever they received is handled on the main thread, which owns all program logic.
//
// IMainThread is what the platform provides (the window's event loop, or a plain queue without
// a window). THandOff is what a waiting thread uses: one per thread, ended by RequestStop.

#include <functional>
#include <memory>

class IMainThread {
public:
    virtual ~IMainThread() = default;

    // True on the main thread itself (and where there is no main thread to hand off to).
    virtual bool IsMainThread() const = 0;

    // Queues fn to run on the main thread and returns at once; called from any thread. A call
    // still queued when the main thread's loop ends is dropped without running.
    virtual void Post(std::function<void()> fn) = 0;

    // Lets the main thread handle the events that are waiting (replies among them), then returns.
    // Called only on the main thread, and only by the wait helper that keeps the window
    // responsive; a thread's stop never waits this way.
    virtual void ProcessPendingEvents() = 0;
};

// A waiting thread's blocking hand-off to the main thread, which can be abandoned.
//
// Run(fn) queues fn on the main thread and waits until fn has run there, or until RequestStop
// is called, whichever comes first:
//  - fn ran: Run returns true; an exception fn raised on the main thread is raised again here,
//    in the waiting thread.
//  - a stop was requested first (or before Run was called): Run returns false at once and
//    raises nothing. A queued call keeps its own shared state, so it may outlive both this
//    object and the thread: when it comes up on the main thread after the stop it does nothing.
//    So once RequestStop has returned on the main thread, fn does not start any more, and no
//    call is posted to the main thread any more: a thread that is not joined may go on. A stop
//    requested while fn runs (from inside it) releases the waiter with false too; fn runs on to
//    its end.
//  - called on the main thread itself: fn runs at once (unless a stop was requested).
//
// RequestStop may be called from any thread, also from inside fn (a handler that closes the
// port), any number of times. After it the owner wakes its thread's other waits (a wake-up
// descriptor, a socket time-out) and joins the thread; the join cannot hang on the main thread.
// Whatever fn uses must be captured by value or outlive the call (shared_ptr), not borrowed from
// the waiting thread's stack or from the object that owns the thread.
class THandOff {
public:
    explicit THandOff(IMainThread& mainThread);
    ~THandOff();
    THandOff(const THandOff&) = delete;
    THandOff& operator=(const THandOff&) = delete;

    bool Run(std::function<void()> fn);
    void RequestStop();
    bool StopRequested() const;

private:
    struct TShared;
    IMainThread& FMainThread;
    std::shared_ptr<TShared> FShared;
};
