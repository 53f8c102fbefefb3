#include "panel_sim/reply_delay.h"

#include <algorithm>

namespace panel_sim {

void TReplyDelay::Send(std::function<void()> send) {
    if (FDelay.count() == 0) {
        send();
        return;
    }
    FPending.push_back({TClock::now() + FDelay, std::move(send)});
}

void TReplyDelay::SendDue() {
    const auto now = TClock::now();
    while (!FPending.empty() && FPending.front().Due <= now) {
        const std::function<void()> send = std::move(FPending.front().Send);
        FPending.pop_front();
        send();
    }
}

int TReplyDelay::WaitMs(int longest) const {
    if (FPending.empty()) {
        return longest;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(FPending.front().Due - TClock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, longest));
}

} // namespace panel_sim
