#include "model/version_ask.h"

#include "core/timer.h"
#include "model/firmware_version.h"

TVersionAsk::TVersionAsk(TFirmwareVersion& version, ITimer& deadline, TSend send)
    : FVersion(version), FDeadline(deadline), FSend(std::move(send)) {
    FDeadline.SetEnabled(false);
    FDeadline.SetOnTimer([this] { Finish(false); });
    FWatch = FVersion.Watch([this] {
        if (Waiting()) {
            Finish(true);
        }
    });
}

TVersionAsk::~TVersionAsk() {
    FVersion.Unwatch(FWatch);
    FDeadline.SetEnabled(false);
}

bool TVersionAsk::Ask(uint32_t timeoutMs, TDone done) {
    if (Waiting()) {
        return false;
    }
    if (FVersion.Known()) {
        done(true);
        return true;
    }
    FDone = std::move(done);
    FDeadline.SetInterval(timeoutMs);
    FDeadline.SetEnabled(true);
    try {
        FSend();
    } catch (...) {
        Finish(false);
        throw;
    }
    return true;
}

// Ends the conversation before telling, so that done may start the next one.
void TVersionAsk::Finish(bool replied) {
    FDeadline.SetEnabled(false);
    TDone done = std::move(FDone);
    FDone = nullptr;
    if (done) {
        done(replied);
    }
}
