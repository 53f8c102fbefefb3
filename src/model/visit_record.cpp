#include "model/visit_record.h"

#include "link/commands.h"

TVisitRecord::TVisitRecord(const IClock& clock)
    : FClock(clock), FRunStart(clock.Now()), FVisitStart(FRunStart),
      FEventsFile(FEvents.AddFile("this visit")) {}

void TVisitRecord::FrameSeen(const TFrameEvent& frame) {
    if (frame.Way == TFrameWay::Sent) {
        if (frame.Fate != TFrameFate::Sent) {
            return;
        }
        if (frame.Letter == Command::Status) {
            ++FPollsSent;
        } else if (frame.Letter == Command::SetTime) {
            FClockSetAt = FClock.Now();
        }
    } else if (frame.Letter == Command::Status && frame.Fate == TFrameFate::Decoded) {
        ++FStatusReplies;
    }
}

bool TVisitRecord::InstallationAnswered(uint64_t master) {
    if (master == 0 || master == FInstallation) {
        return false;
    }
    const TVisitStart start{master, FInstallation, ++FVisitNumber, FClock.Now()};
    // A clock set before the first reply was set on the installation that answers now.
    if (start.Previous != 0) {
        FClockSetAt.reset();
    }
    FInstallation = master;
    FVisitStart = start.At;
    FEvents = TEventHistory();
    FEventsFile = FEvents.AddFile("this visit");
    // A watcher may unwatch itself while being told: walk over a copy.
    const std::vector<TVisitWatcher> watchers = FWatchers;
    for (const TVisitWatcher& watcher : watchers) {
        if (watcher) {
            watcher(start);
        }
    }
    return true;
}

void TVisitRecord::EventLineWritten(const std::string& line) {
    FEvents.AddLine(line, FEventsFile, 0);
}

std::size_t TVisitRecord::WatchVisits(TVisitWatcher watcher) {
    FWatchers.push_back(std::move(watcher));
    return FWatchers.size() - 1;
}

void TVisitRecord::UnwatchVisits(std::size_t id) {
    if (id < FWatchers.size()) {
        FWatchers[id] = nullptr;
    }
}
