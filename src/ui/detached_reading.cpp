#include "ui/detached_reading.h"

#include <QMetaObject>

#include <thread>

void TDetachedReading::TJob::HandBack(std::function<void()> fn) {
    // Queued under the lock that Abandon takes: the receiver cannot go between the look and the
    // queueing, and a call queued to a receiver that goes later is dropped with it.
    std::lock_guard lock(FMutex);
    if (FReceiver != nullptr) {
        QMetaObject::invokeMethod(
            FReceiver,
            [job = shared_from_this(), fn = std::move(fn)] {
                if (!job->Stop) {
                    fn();
                }
            },
            Qt::QueuedConnection);
    }
}

void TDetachedReading::Start(std::function<void(TJob& job)> work) {
    Abandon();
    FJob = std::make_shared<TJob>();
    FJob->FReceiver = FReceiver;
    // Never joined: the thread holds its share of the job until the reading returns.
    std::thread([job = FJob, work = std::move(work)] { work(*job); }).detach();
}

void TDetachedReading::Abandon() {
    if (!FJob) {
        return;
    }
    FJob->Stop = true;
    {
        std::lock_guard lock(FJob->FMutex);
        FJob->FReceiver = nullptr;
    }
    FJob.reset();
}
