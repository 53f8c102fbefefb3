#pragma once
// What the link did during this run, as a service report tells it: status requests sent, status
// replies decoded, and when the panel clock was set from the PC. It watches the codec's traffic
// and takes the PC time at the moment a frame passes.
//
// The visit: the time one installation answers without another answering in between. It is
// told the master of every status reply; when another master answers, a new visit begins: the
// clock set and the event lines of the visit before are forgotten, and every watcher is told.
// What belongs to the visit is decided by the order things arrive in, never by the PC's clock,
// which the technician may set back in the middle of a copy.

#include "core/clock.h"
#include "link/frame_codec.h"
#include "model/event_history.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A new installation began to answer.
struct TVisitStart {
    uint64_t Master = 0;   // the installation that answers now
    uint64_t Previous = 0; // the one that answered before, 0 at the first visit of the run
    int Number = 0;        // 1 for the first visit of the run
    TDateTime At;          // PC time
};

class TVisitRecord : public IFrameObserver {
public:
    using TVisitWatcher = std::function<void(const TVisitStart&)>;

    // `clock` must outlive the record; the run starts now.
    explicit TVisitRecord(const IClock& clock);

    void FrameSeen(const TFrameEvent& frame) override;

    // A status reply came from this master (0 before any ID is known: no visit). True when it
    // began a new visit; the watchers have then been told, in the order they were added.
    bool InstallationAnswered(uint64_t master);
    // A line the event report received: kept when it is an event of this visit.
    void EventLineWritten(const std::string& line);
    // Told at the start of every visit. The result names the watcher for UnwatchVisits.
    std::size_t WatchVisits(TVisitWatcher watcher);
    void UnwatchVisits(std::size_t id);

    const TDateTime& RunStart() const { return FRunStart; }
    uint64_t PollsSent() const { return FPollsSent; }
    uint64_t StatusReplies() const { return FStatusReplies; }
    // When a 'T' last went out in this visit (the technician set the panel clock), or empty.
    const std::optional<TDateTime>& ClockSetAt() const { return FClockSetAt; }
    // The installation answering now (0 before the first status reply), the visit's number and
    // when it began (the run's start before the first status reply).
    uint64_t Installation() const { return FInstallation; }
    int VisitNumber() const { return FVisitNumber; }
    const TDateTime& VisitStart() const { return FVisitStart; }
    // The event report's lines written during this visit, in the order they came.
    const TEventHistory& VisitEvents() const { return FEvents; }

private:
    const IClock& FClock;
    TDateTime FRunStart;
    uint64_t FPollsSent = 0;
    uint64_t FStatusReplies = 0;
    std::optional<TDateTime> FClockSetAt;
    uint64_t FInstallation = 0;
    int FVisitNumber = 0;
    TDateTime FVisitStart;
    TEventHistory FEvents;
    uint32_t FEventsFile = 0;
    std::vector<TVisitWatcher> FWatchers; // an empty slot: removed
};
