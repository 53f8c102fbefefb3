#pragma once
// The desktop notifications of the announced changes: what one says, and at most one a second.
// A change that comes less than a second after the last notification waits for the end of that
// second; when several wait, they go out as one notification that sums them up.

#include "core/clock.h"
#include "core/timer.h"
#include "model/alarm_watch.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TNotice {
    std::string Summary;
    std::string Body;
    bool Critical = false;
    std::vector<std::size_t> Rows; // the rows of the alarm list it tells of
};

// How the installation is named: "name (ID)" when it has a name, else its ID.
std::string InstallationText(uint64_t id, const std::string& name);

// The notification of one announcement (row of the alarm list), `installation` as named.
TNotice NoticeOf(const TAnnouncement& a, std::size_t row, const std::string& installation);
// The most changes a summed-up notification lists one by one.
constexpr std::size_t SummedNoticeLines = 8;
// One notification for several: the first alarm (or the first change) and how many more, every
// change a line of the body (at most SummedNoticeLines, then how many more); critical when one
// is.
TNotice SummedNotice(const std::vector<TNotice>& notices);

class TNotificationThrottle {
public:
    static constexpr uint32_t GapMs = 1000;

    // `timer` is the throttle's own (its handler is set here); `send` shows one notification.
    TNotificationThrottle(const IClock& clock, ITimer& timer,
                          std::function<void(const TNotice&)> send);

    // Sends at once when the last notification is a second old, else holds it for the sum.
    void Offer(TNotice notice);
    // Notices held for the end of the second.
    std::size_t Held() const { return FHeld.size(); }

private:
    void Send(const TNotice& notice);
    void Flush();

    const IClock& FClock;
    ITimer& FTimer;
    std::function<void(const TNotice&)> FSend;
    std::vector<TNotice> FHeld;
    bool FSentOnce = false;
    uint32_t FLastSent = 0;
};
