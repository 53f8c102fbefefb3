#pragma once
// The thread that does the slow disk work of the event report and the copy's saves (see
// disk_work.h), one job after another in the order queued. One thread for both files keeps
// every write to them in one order: a record's line before the save that moves past it, and the
// lines of the other writers (notes, versions, alarms) where they were queued among them.
//
// Each job's outcome is handed to the main thread (THandOff) and run there; what it raises is
// shown by `showError`. The thread waits for the main thread to take an outcome before it starts
// the next job, so outcomes come in the order of their jobs.
//
// Finish ends it: outcomes are no longer handed over (the main thread may be going), the jobs
// still queued are done in order within the limit, and the thread is joined. A job that is still
// stuck after the limit (a hung device) is left behind with the thread, the jobs behind it are
// dropped: what is on disk then is a prefix of what was queued, so a line is never without
// what came before it, and a saved position never passes a line that is not on disk.

#include "core/disk_work.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class IMainThread;

class TDiskWorker : public IDiskWork {
public:
    static constexpr std::chrono::milliseconds FinishLimit{5000};

    TDiskWorker(IMainThread& mainThread, std::function<void(const std::string&)> showError);
    ~TDiskWorker() override; // Finish(FinishLimit) when not finished yet
    TDiskWorker(const TDiskWorker&) = delete;
    TDiskWorker& operator=(const TDiskWorker&) = delete;

    // Called on the main thread. After Finish the work is dropped.
    void Queue(std::function<void()> work, std::function<void(std::exception_ptr)> done) override;
    // True when every queued job was done; false when one was still running at the limit.
    bool Finish(std::chrono::milliseconds limit);
    // Nothing queued, nothing being done, every outcome handed over.
    bool Idle() const;

private:
    struct TShared;
    static void RunJobs(const std::shared_ptr<TShared>& shared);
    std::shared_ptr<TShared> FShared;
    std::thread FThread;
};
