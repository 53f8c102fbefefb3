#include "store/disk_worker.h"

#include "core/main_thread.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

struct TJob {
    std::function<void()> Work;
    std::function<void(std::exception_ptr)> Done;
};

} // namespace

// Owned jointly by the worker object and its thread: a thread left behind keeps it.
struct TDiskWorker::TShared {
    explicit TShared(IMainThread& mainThread) : HandOff(mainThread) {}
    THandOff HandOff;
    std::function<void(const std::string&)> ShowError;
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<TJob> Jobs;
    bool Busy = false;   // a job is being done
    bool Ending = false; // Finish was called: no new jobs, the thread ends when none is left
};

TDiskWorker::TDiskWorker(IMainThread& mainThread, std::function<void(const std::string&)> showError)
    : FShared(std::make_shared<TShared>(mainThread)) {
    FShared->ShowError = std::move(showError);
    FThread = std::thread([shared = FShared] { RunJobs(shared); });
}

TDiskWorker::~TDiskWorker() {
    Finish(FinishLimit);
}

void TDiskWorker::Queue(std::function<void()> work, std::function<void(std::exception_ptr)> done) {
    std::lock_guard lock(FShared->Mutex);
    if (FShared->Ending) {
        return;
    }
    FShared->Jobs.push_back({std::move(work), std::move(done)});
    FShared->Changed.notify_all();
}

bool TDiskWorker::Idle() const {
    const std::lock_guard lock(FShared->Mutex);
    return FShared->Jobs.empty() && !FShared->Busy;
}

bool TDiskWorker::Finish(std::chrono::milliseconds limit) {
    if (!FThread.joinable()) {
        return true;
    }
    // From here the thread never waits for the main thread, which is busy here.
    FShared->HandOff.RequestStop();
    std::unique_lock lock(FShared->Mutex);
    FShared->Ending = true;
    FShared->Changed.notify_all();
    const bool done = FShared->Changed.wait_for(
        lock, limit, [&] { return FShared->Jobs.empty() && !FShared->Busy; });
    if (!done) {
        FShared->Jobs.clear();
        lock.unlock();
        FThread.detach();
        return false;
    }
    lock.unlock();
    FThread.join();
    return true;
}

void TDiskWorker::RunJobs(const std::shared_ptr<TShared>& shared) {
    std::unique_lock lock(shared->Mutex);
    for (;;) {
        shared->Changed.wait(lock, [&] { return !shared->Jobs.empty() || shared->Ending; });
        if (shared->Jobs.empty()) {
            return;
        }
        TJob job = std::move(shared->Jobs.front());
        shared->Jobs.pop_front();
        shared->Busy = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            job.Work();
        } catch (...) {
            failure = std::current_exception();
        }
        // The outcome runs on the main thread, at the boundary of an event of its own.
        // The call does not hold the shared part: the last of it never goes on the main thread.
        shared->HandOff.Run([done = std::move(job.Done), failure, show = shared->ShowError] {
            try {
                done(failure);
            } catch (const std::exception& e) {
                if (show) {
                    show(e.what());
                }
            } catch (...) {
            }
        });
        lock.lock();
        shared->Busy = false;
        shared->Changed.notify_all();
    }
}
