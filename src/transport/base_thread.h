#pragma once
// A worker thread that only waits: its loop runs one pass of Process after another, and hands
// what it has to the main thread with a blocking hand-off (Synchronize), so all program logic
// stays on the main thread.
//
// The thread is created suspended and is started by the first Resume. Suspend is cooperative: it
// returns once the loop is off its resources, that is between two passes or inside a hand-off,
// and the loop stays there until Resume. Terminate ends the loop after the current pass (a
// pause or a hand-off being waited for ends at once); the thread then stores "ended" as its
// status, without reporting it. An error that escapes a pass is reported as "Exception: " and
// its message, and ends the thread for good.
//
// Suspend, Resume, Terminate and the destructor are called on the main thread. The thread must
// be terminated before the members its passes use are destroyed; a derived class's destructor
// calls Terminate and WaitFor first.

#include "core/main_thread.h"
#include "transport/hx_socket.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class TBaseThread : public ISocketOwner {
public:
    // Called on the main thread with the callback's user data and a status text.
    using TStatusCallback = void (*)(void* userData, const std::string& text);

    explicit TBaseThread(IMainThread& mainThread);
    // Terminates the thread and waits for it.
    ~TBaseThread() override;
    TBaseThread(const TBaseThread&) = delete;
    TBaseThread& operator=(const TBaseThread&) = delete;

    // Starts the thread the first time; lifts a pause later. No effect on a running thread.
    void Resume();
    // Keeps the loop off its resources until Resume; returns once it is (at most about one
    // pass). Called inside one of the thread's own hand-offs it returns at once.
    void Suspend();
    bool Suspended() const;
    // Asks the loop to end; returns at once.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Waits until the thread has ended (at once when it never started).
    void WaitFor();
    bool Finished() const;

    // Stores the text as the status and hands it to OnStatus on the main thread, waiting until
    // it has run there (at once when called on the main thread).
    void Report(const std::string& text) override;
    std::string StatusText() const;

    TStatusCallback OnStatus = nullptr;
    void* OnStatusData = nullptr;

protected:
    // One pass of the loop.
    virtual void Process() = 0;
    // Wakes a pass that waits on its resource, after Terminate (default: nothing; the pass
    // then ends by its own time-out).
    virtual void WakeUp() {}

    // Runs fn on the main thread and waits until it has run; what fn raises is raised again
    // here. False, without running fn, when the thread was terminated first. While fn is
    // waited for, the thread counts as off its resources; when a Suspend came meanwhile, the
    // thread stays here until Resume. fn must not borrow from the thread's stack.
    bool Synchronize(std::function<void()> fn);

private:
    void Execute();
    // Waits while suspended; false when terminated.
    bool WaitWhileSuspended();
    void SetOffResources(bool off);
    bool OnOwnThread() const;

    THandOff FHandOff;
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    bool FStarted = false;
    bool FSuspendRequested = true;
    bool FOffResources = true;
    bool FFinished = false;
    std::atomic<bool> FTerminated{false};
    std::string FStatusText;
    std::thread FThread;
};
