#pragma once
// Reads the event report files on a thread of its own, so that the window stays responsive
// while years of records are read; progress and the result are handed to the window's thread.
// The window never waits for the reading (see TDetachedReading): destroying the loader, or
// starting it again, abandons a reading under way, and nothing of it is handed over after.

#include "model/event_filter.h"
#include "model/event_history.h"
#include "ui/detached_reading.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The history read, and what the page shows of it first: the rows that pass the filter in force
// when the reading started, in the order of the sort then in force, and the IDs among them. All
// of it is made on the reading thread, so that a year of records costs the window's thread next
// to nothing when it arrives.
struct TLoadedHistory {
    TEventHistory History;
    TEventFilter Filter;
    TEventColumn Column = TEventColumn::PcTime;
    bool Ascending = false;
    TFilteredEvents Shown;     // rows sorted
    std::vector<uint64_t> Ids; // every device ID of the history, ascending
};

class TEventHistoryLoader : public QObject {
    Q_OBJECT
public:
    using TProgress = std::function<void(int done, int total)>;
    using TLoaded = std::function<void(std::shared_ptr<TLoadedHistory>)>;
    // The reading itself, run on the reading thread: LoadEventHistory, or a test's stand-in.
    using TRead = std::function<TEventHistory(
        const std::string& directory, const std::function<void(std::size_t, std::size_t)>& progress,
        const std::atomic<bool>& stop)>;

    // Both are called on the window's thread.
    TEventHistoryLoader(TProgress progress, TLoaded loaded, QObject* parent = nullptr);

    // Starts reading `directory`'s event reports, to show them with that filter and sort; a
    // reading still under way is abandoned first.
    void Start(const std::string& directory, const TEventFilter& filter, TEventColumn column,
               bool ascending);
    bool Busy() const { return FReading.Busy(); }
    void SetRead(TRead read) { FRead = std::move(read); }

private:
    TProgress FProgress;
    TLoaded FLoaded;
    TRead FRead;
    TDetachedReading FReading{this};
};
