#pragma once
// Reads the event report files on a thread of its own, so that the window stays responsive
// while years of records are read; progress and the result are handed to the window's thread.
// The window never waits for the reading (see TDetachedReading): destroying the loader, or
// starting it again, abandons a reading under way, and nothing of it is handed over after.

#include "model/event_history.h"
#include "ui/detached_reading.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class TEventHistoryLoader : public QObject {
    Q_OBJECT
public:
    using TProgress = std::function<void(int done, int total)>;
    using TLoaded = std::function<void(std::shared_ptr<TEventHistory>)>;
    // The reading itself, run on the reading thread: LoadEventHistory, or a test's stand-in.
    using TRead = std::function<TEventHistory(
        const std::string& directory, const std::function<void(std::size_t, std::size_t)>& progress,
        const std::atomic<bool>& stop)>;

    // Both are called on the window's thread.
    TEventHistoryLoader(TProgress progress, TLoaded loaded, QObject* parent = nullptr);

    // Starts reading `directory`'s event reports; a reading still under way is abandoned first.
    void Start(const std::string& directory);
    bool Busy() const { return FReading.Busy(); }
    void SetRead(TRead read) { FRead = std::move(read); }

private:
    TProgress FProgress;
    TLoaded FLoaded;
    TRead FRead;
    TDetachedReading FReading{this};
};
