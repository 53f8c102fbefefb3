#pragma once
// A reading of files on a thread of its own that the window never waits for: a file on a stalled
// medium (a network share that stopped answering) may hold a read for ever, and the window must
// still close. Abandoning the reading (Abandon, a new Start, or the end of this object) asks it to
// stop and lets its thread go; from then on nothing it hands back runs. What the reading uses is
// shared between the thread and this object, so whichever of the two ends last frees it.

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class TDetachedReading {
public:
    // What the reading thread holds of one reading.
    class TJob : public std::enable_shared_from_this<TJob> {
    public:
        // Set once the reading is abandoned; the reading looks at it between its steps.
        std::atomic<bool> Stop{false};
        // From the reading thread: runs fn on the receiver's thread, unless the reading has been
        // abandoned by the time it comes up there.
        void HandBack(std::function<void()> fn);

    private:
        friend class TDetachedReading;
        std::mutex FMutex;            // held while a call is queued, and while abandoning
        QObject* FReceiver = nullptr; // null once abandoned
    };

    // The hand-backs run on `receiver`'s thread; the receiver outlives this object.
    explicit TDetachedReading(QObject* receiver) : FReceiver(receiver) {}
    ~TDetachedReading() { Abandon(); }
    TDetachedReading(const TDetachedReading&) = delete;
    TDetachedReading& operator=(const TDetachedReading&) = delete;

    // Abandons a reading under way and runs work(job) on a thread of its own.
    void Start(std::function<void(TJob& job)> work);
    // The reading under way is abandoned; Busy() is false after.
    void Abandon();
    // Called by the reading's last hand-back (on the receiver's thread): no reading under way.
    void Finished() { FJob.reset(); }
    bool Busy() const { return static_cast<bool>(FJob); }

private:
    QObject* FReceiver;
    std::shared_ptr<TJob> FJob;
};
