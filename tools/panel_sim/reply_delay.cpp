#include "panel_sim/reply_delay.h"

#include <algorithm>

namespace panel_sim {

namespace {

bool EveryNth(uint32_t count, uint32_t every) {
    return every != 0 && count % every == 0;
}

} // namespace

void TReplyDelay::Send(std::function<void()> send) {
    if (FDelay.count() == 0) {
        GoOut(std::move(send));
        return;
    }
    FPending.push_back({TClock::now() + FDelay, std::move(send)});
}

void TReplyDelay::GoOut(std::function<void()> send) {
    ++FCount;
    if (!FHeld && EveryNth(FCount, FFaults.HoldBackEvery)) {
        FHeld = TPending{TClock::now() + HoldBackLimit, std::move(send)};
        return;
    }
    send();
    if (EveryNth(FCount, FFaults.DuplicateEvery)) {
        send();
    }
    SendHeld();
}

void TReplyDelay::SendHeld() {
    if (FHeld) {
        const std::function<void()> send = std::move(FHeld->Send);
        FHeld.reset();
        send();
    }
}

void TReplyDelay::SendDue() {
    const auto now = TClock::now();
    while (!FPending.empty() && FPending.front().Due <= now) {
        std::function<void()> send = std::move(FPending.front().Send);
        FPending.pop_front();
        GoOut(std::move(send));
    }
    if (FHeld && FHeld->Due <= now) {
        SendHeld();
    }
}

int TReplyDelay::WaitMs(int longest) const {
    std::optional<TClock::time_point> next;
    if (!FPending.empty()) {
        next = FPending.front().Due;
    }
    if (FHeld && (!next || FHeld->Due < *next)) {
        next = FHeld->Due;
    }
    if (!next) {
        return longest;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - TClock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, longest));
}

} // namespace panel_sim
