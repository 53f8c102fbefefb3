#include "core/main_thread.h"

#include <condition_variable>
#include <exception>
#include <mutex>

// Shared by the hand-off object and every call it queued.
struct THandOff::TShared {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Stop = false;
};

namespace {

// One queued call: what it runs and how it ended, owned jointly by the queue and the waiter.
struct TCall {
    std::function<void()> Fn;
    std::exception_ptr Error;
    bool Done = false;
};

} // namespace

THandOff::THandOff(IMainThread& mainThread)
    : FMainThread(mainThread), FShared(std::make_shared<TShared>()) {}

THandOff::~THandOff() {
    RequestStop();
}

bool THandOff::Run(std::function<void()> fn) {
    auto call = std::make_shared<TCall>();
    call->Fn = std::move(fn);
    // The main thread is asked (whether this is it) and posted to under the lock that
    // RequestStop takes: once a stop has been requested nothing touches the main thread any
    // more, so it may be gone after RequestStop (a waiting thread that is not joined, such as a
    // host-name look-up, may call Run later).
    std::unique_lock postLock(FShared->Mutex);
    if (FShared->Stop) {
        return false;
    }
    if (FMainThread.IsMainThread()) {
        postLock.unlock();
        call->Fn();
        return true;
    }
    FMainThread.Post([shared = FShared, call] {
        {
            std::lock_guard lock(shared->Mutex);
            if (shared->Stop) {
                return; // the waiter has gone; nothing is left to hand over
            }
        }
        try {
            call->Fn();
        } catch (...) {
            call->Error = std::current_exception();
        }
        std::lock_guard lock(shared->Mutex);
        call->Done = true;
        shared->Changed.notify_all();
    });
    postLock.unlock();
    std::exception_ptr error;
    {
        std::unique_lock lock(FShared->Mutex);
        FShared->Changed.wait(lock, [&] { return call->Done || FShared->Stop; });
        if (!call->Done) {
            return false;
        }
        // Taken out of the shared call: the exception is then released on this thread, once it
        // has been handled here, never by the main thread freeing the call meanwhile.
        error = std::move(call->Error);
    }
    if (error) {
        std::rethrow_exception(error);
    }
    return true;
}

void THandOff::RequestStop() {
    std::lock_guard lock(FShared->Mutex);
    FShared->Stop = true;
    FShared->Changed.notify_all();
}

bool THandOff::StopRequested() const {
    std::lock_guard lock(FShared->Mutex);
    return FShared->Stop;
}
