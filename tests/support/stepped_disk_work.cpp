#include "stepped_disk_work.h"

#include <exception>
#include <utility>

void TSteppedDiskWork::Queue(std::function<void()> work,
                             std::function<void(std::exception_ptr)> done) {
    FJobs.push_back({std::move(work), std::move(done), false, nullptr});
}

void TSteppedDiskWork::DoWork(std::size_t jobs) {
    for (TJob& job : FJobs) {
        if (jobs == 0) {
            return;
        }
        if (job.Worked) {
            continue;
        }
        try {
            job.Work();
        } catch (...) {
            job.Failure = std::current_exception();
        }
        job.Worked = true;
        --jobs;
    }
}

void TSteppedDiskWork::HandOver(std::size_t outcomes) {
    for (; outcomes > 0 && !FJobs.empty() && FJobs.front().Worked; --outcomes) {
        TJob job = std::move(FJobs.front());
        FJobs.pop_front();
        try {
            job.Done(job.Failure);
        } catch (const std::exception&) {
        }
    }
}

void TSteppedDiskWork::Drain() {
    while (!FJobs.empty()) {
        DoWork(FJobs.size());
        HandOver(FJobs.size());
    }
}
