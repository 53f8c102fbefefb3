#include "model/notification_throttle.h"

#include "core/error_list.h"
#include "model/status_record.h"

#include <algorithm>

std::string InstallationText(uint64_t id, const std::string& name) {
    return name.empty() ? DeviceIdText(id) : name + " (" + DeviceIdText(id) + ")";
}

TNotice NoticeOf(const TAnnouncement& a, std::size_t row, const std::string& installation) {
    TNotice notice;
    const std::string what = AnnouncementWhat(a);
    switch (a.Kind) {
    case TAnnouncementKind::Alarm:
        notice.Summary = "Alarm: " + what;
        break;
    case TAnnouncementKind::Fault:
        notice.Summary = "Fault: " + what;
        break;
    default:
        notice.Summary = what;
        break;
    }
    notice.Body = "Installation " + installation;
    if (a.Device != LinkUnit) {
        notice.Body += ", " + UnitText(a.Device);
    }
    notice.Body += ", " + ClockText(a.Time);
    notice.Critical = a.Critical();
    notice.Rows = {row};
    return notice;
}

TNotice SummedNotice(const std::vector<TNotice>& notices) {
    TNotice sum;
    if (notices.empty()) {
        return sum;
    }
    const auto first =
        std::find_if(notices.begin(), notices.end(), [](const TNotice& n) { return n.Critical; });
    const TNotice& lead = first != notices.end() ? *first : notices.front();
    sum.Summary = lead.Summary + " and " + std::to_string(notices.size() - 1) + " more";
    for (std::size_t k = 0; k < notices.size(); ++k) {
        const TNotice& n = notices[k];
        if (k < SummedNoticeLines) {
            sum.Body += (k == 0 ? "" : "\n") + n.Summary + " (" + n.Body + ")";
        }
        sum.Critical = sum.Critical || n.Critical;
        sum.Rows.insert(sum.Rows.end(), n.Rows.begin(), n.Rows.end());
    }
    if (notices.size() > SummedNoticeLines) {
        sum.Body += "\n... and " + std::to_string(notices.size() - SummedNoticeLines) + " more";
    }
    return sum;
}

TNotificationThrottle::TNotificationThrottle(const IClock& clock, ITimer& timer,
                                             std::function<void(const TNotice&)> send)
    : FClock(clock), FTimer(timer), FSend(std::move(send)) {
    FTimer.SetEnabled(false);
    FTimer.SetOnTimer([this] { Flush(); });
}

void TNotificationThrottle::Offer(TNotice notice) {
    const uint32_t since = FClock.TickCount() - FLastSent; // modulo 2^32, as the ticks wrap
    if (FHeld.empty() && (!FSentOnce || since >= GapMs)) {
        Send(notice);
        return;
    }
    FHeld.push_back(std::move(notice));
    if (!FTimer.Enabled()) {
        FTimer.SetInterval(since >= GapMs ? 1 : GapMs - since);
        FTimer.SetEnabled(true);
    }
}

void TNotificationThrottle::Flush() {
    FTimer.SetEnabled(false);
    if (FHeld.empty()) {
        return;
    }
    std::vector<TNotice> held;
    held.swap(FHeld);
    Send(held.size() == 1 ? held.front() : SummedNotice(held));
}

void TNotificationThrottle::Send(const TNotice& notice) {
    FSentOnce = true;
    FLastSent = FClock.TickCount();
    FSend(notice);
}
