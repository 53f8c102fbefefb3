#include "model/alarm_watch.h"

#include "link/link_health.h"

std::string UnitText(int device) {
    if (device == LinkUnit) {
        return "Link";
    }
    return device == 0 ? "Master" : "Slave " + std::to_string(device);
}

std::string AnnouncementWhat(const TAnnouncement& a) {
    switch (a.Kind) {
    case TAnnouncementKind::Alarm:
        return a.State;
    case TAnnouncementKind::Fault:
        return a.Subject + ": " + a.State;
    case TAnnouncementKind::Cleared:
        return a.Subject + ": " + a.State + " cleared";
    case TAnnouncementKind::LinkLost:
        return "Link lost";
    case TAnnouncementKind::LinkBack:
        return "Link back";
    }
    return a.State;
}

TAnnouncement TAlarmWatch::Make(TAnnouncementKind kind, int device) const {
    TAnnouncement a;
    a.Kind = kind;
    a.Installation = FInstallation;
    a.Device = device;
    a.Time = FClock.Now();
    return a;
}

std::vector<TAnnouncement> TAlarmWatch::StatusDecoded(const TStatusRecord& record) {
    FInstallation = record.Master.ID;
    const auto rules = AlarmRules();
    TMemory& memory = FMemory[FInstallation];
    if (memory.empty()) {
        // A panel first heard from counts as quiet: what it shows is news.
        memory.assign(rules.size(), {-1, -1, -1, -1, -1});
    }
    std::vector<TAnnouncement> out;
    for (std::size_t r = 0; r < rules.size(); ++r) {
        const TAlarmRule& rule = rules[r];
        for (int device = 0; device < DeviceCount; ++device) {
            int& last = memory[r][static_cast<std::size_t>(device)];
            if (!RuleAppliesTo(rule, record.Master, device)) {
                last = -1; // a slave out of the installation is forgotten, not cleared
                continue;
            }
            const TAlarmCondition* now = PresentCondition(rule, record, device);
            const int index = now == nullptr ? -1 : int(now - rule.Conditions.data());
            if (index == last) {
                continue;
            }
            const TAlarmCondition* before =
                last < 0 ? nullptr : &rule.Conditions[std::size_t(last)];
            last = index;
            if (now != nullptr) {
                TAnnouncement a =
                    Make(rule.Kind == TAlarmRuleKind::AlarmState ? TAnnouncementKind::Alarm
                                                                 : TAnnouncementKind::Fault,
                         device);
                a.Subject = rule.Subject;
                a.State = now->Text;
                a.EventCode = now->EventCode;
                out.push_back(std::move(a));
            } else if (rule.Kind == TAlarmRuleKind::Fault) {
                TAnnouncement a = Make(TAnnouncementKind::Cleared, device);
                a.Subject = rule.Subject;
                a.State = before->Text;
                a.EventCode = rule.ClearEventCode;
                out.push_back(std::move(a));
            }
        }
    }
    return out;
}

std::optional<TAnnouncement> TAlarmWatch::LinkLooked(bool polling, std::optional<uint32_t> ageMs,
                                                     uint32_t refreshMs) {
    if (!ageMs) {
        return std::nullopt; // no reply yet: there is no link to lose
    }
    const uint64_t limit = uint64_t(TLinkHealth::RedIntervals) * (refreshMs == 0 ? 1 : refreshMs);
    const bool silent = *ageMs > limit;
    if (!FLinkLost && silent && polling) {
        FLinkLost = true;
        return Make(TAnnouncementKind::LinkLost, LinkUnit);
    }
    if (FLinkLost && !silent) {
        FLinkLost = false;
        return Make(TAnnouncementKind::LinkBack, LinkUnit);
    }
    return std::nullopt;
}
