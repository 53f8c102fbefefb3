#pragma once
// Disk work done when a test says so, for deterministic schedules: a step does the work of some
// queued jobs, another hands some of their outcomes over, always in the order queued. Dropping
// the object drops what is still queued, as a program killed with work outstanding.

#include "core/disk_work.h"

#include <cstddef>
#include <deque>
#include <functional>

class TSteppedDiskWork : public IDiskWork {
public:
    void Queue(std::function<void()> work, std::function<void(std::exception_ptr)> done) override;
    // Does the work of up to `jobs` jobs whose work is not done yet.
    void DoWork(std::size_t jobs);
    // Hands over up to `outcomes` outcomes of jobs whose work is done. What an outcome raises is
    // dropped, as the window's error display would take it.
    void HandOver(std::size_t outcomes);
    // Everything, also the jobs that outcomes queue.
    void Drain();
    std::size_t Queued() const { return FJobs.size(); }

private:
    struct TJob {
        std::function<void()> Work;
        std::function<void(std::exception_ptr)> Done;
        bool Worked = false;
        std::exception_ptr Failure;
    };
    std::deque<TJob> FJobs;
};
