#include "fakes.h"

#include <exception>

void TFakeTimer::SetEnabled(bool enabled) {
    if (enabled && !FEnabled) {
        FRemaining = FInterval;
    }
    FEnabled = enabled;
}

void TFakeTimer::SetInterval(uint32_t milliseconds) {
    FInterval = milliseconds;
    FRemaining = milliseconds; // a running countdown starts again
}

void TFakeTimer::Advance(uint32_t milliseconds) {
    while (FEnabled && FInterval > 0 && milliseconds >= FRemaining) {
        milliseconds -= FRemaining;
        FRemaining = FInterval;
        if (FHandler) {
            FHandler(); // may disable the timer or change its interval
        }
    }
    if (FEnabled && FInterval > 0) {
        FRemaining -= milliseconds;
    }
}

void TFakeTimer::RunShowingFailures(std::function<void()> handler,
                                    std::vector<std::string>& shown) {
    SetOnTimer([handler = std::move(handler), &shown] {
        try {
            handler();
        } catch (const std::exception& e) {
            shown.push_back(e.what());
        }
    });
}
