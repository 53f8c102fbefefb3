#include "panel_sim/sim_panel.h"

#include "panel_sim/event_codes.h"
#include "panel_sim/wire_bytes.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>

namespace panel_sim {

namespace {

constexpr std::size_t MaxVersionLength = 127; // the zero byte must lie within 128 bytes

const std::string& CheckedVersion(const std::string& version) {
    if (version.size() > MaxVersionLength || version.find('\0') != std::string::npos) {
        throw std::invalid_argument("the version text holds at most 127 characters, no zero byte");
    }
    return version;
}

// What a year in the life of an installation leaves in its log.
struct TPastEvent {
    uint8_t Code;
    int Loop;
};
constexpr std::array<TPastEvent, 12> PastEvents = {{
    {evKeyOn, 0},
    {evModeTest, 0},
    {evModeOk, 0},
    {evKeyOff, 0},
    {evMainsFault, 0},
    {evMainsOk, 0},
    {evBatteryCharging, 0},
    {evBatteryOk, 0},
    {evLoopOpen, 1},
    {evLoopOk, 1},
    {evTamperOn, 0},
    {evTamperOff, 0},
}};
constexpr uint32_t BacklogSpacingSeconds = 3 * 3600 + 17 * 60;

} // namespace

std::string FormatPanelTime(const TPanelDateTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d.%02d.%04d", t.Hour, t.Minute, t.Second,
                  t.Day, t.Month, t.Year);
    return text;
}

TSimPanel::TSimPanel(const TSimPanelConfig& config, TLogLine log)
    : FLog(std::move(log)), FRing(config.Capacity), FClock(config.Start),
      FInstallation(config.Installation, *this), FVersion(CheckedVersion(config.Version)),
      FImpossibleDateRecord(config.ImpossibleDateRecord), FLostRecord(config.LostRecord),
      FEmptySlot(config.EmptySlot), FAnswerGEvery(std::max<uint32_t>(config.AnswerGEvery, 1)) {
    AddBacklog(config.Backlog);
}

void TSimPanel::AddBacklog(uint32_t count) {
    int slaves = FInstallation.Slaves();
    for (uint32_t i = 0; i < count; ++i) {
        const TPastEvent& e = PastEvents[i % PastEvents.size()];
        // Every pair of events happens on the next unit in turn.
        int device =
            slaves == 0 ? 0 : static_cast<int>((i / 2) % static_cast<uint32_t>(slaves + 1));
        uint64_t before = static_cast<uint64_t>(count - i) * BacklogSpacingSeconds;
        TPanelDateTime time =
            FClock.Before(static_cast<uint32_t>(std::min<uint64_t>(before, UINT32_MAX)));
        if (FImpossibleDateRecord == i) {
            time.Month = 2;
            time.Day = 31;
        }
        AddEventAt(e.Code, device, e.Loop, time);
    }
}

void TSimPanel::RestartLog() {
    FRing.Clear();
    Note("event log restarted: empty, the next record is 0");
}

void TSimPanel::RefillLog(uint32_t count) {
    FRing.Clear();
    Note("event log restarted: empty, the next record is 0");
    for (uint32_t i = 0; i < count; ++i) {
        const TPastEvent& e = PastEvents[i % PastEvents.size()];
        // A second apart, the last one now, so that each record differs from its neighbours.
        AddEventAt(e.Code, 0, e.Loop, FClock.Before(count - 1 - i));
    }
}

void TSimPanel::ResizeLog(uint16_t capacity) {
    FRing.Resize(capacity);
    Note("event log resized: " + std::to_string(FRing.Count()) + " records kept of a ring of " +
         std::to_string(FRing.Capacity()) + ", numbered from 0");
}

void TSimPanel::AddEvent(uint8_t code, int device, int loop) {
    AddEventAt(code, device, loop, FClock.Now());
}

void TSimPanel::AddEventAt(uint8_t code, int device, int loop, const TPanelDateTime& time) {
    uint8_t source = static_cast<uint8_t>(((device & 0x0F) << 4) | (loop & 0x0F));
    uint16_t index =
        FRing.Append(FInstallation.Unit(device).Id, code, source, EncodePanelTime(time));
    Note("event " + std::to_string(index) + ": " + EventCodeText(code) + " (device " +
         std::to_string(device) + ", loop " + std::to_string(loop) + ") at " +
         FormatPanelTime(time));
}

void TSimPanel::Advance(double seconds) {
    FClock.Advance(seconds);
    FInstallation.Advance(seconds);
}

std::optional<TMessage> TSimPanel::Handle(const TMessage& request) {
    switch (request.Letter) {
    case 'A': {
        if (FVerbose) {
            Note("A: status");
        }
        TStatusRecordBytes record = FImage.Build(FInstallation, FRing);
        return TMessage{'A', {record.begin(), record.end()}};
    }
    case 'G':
        return EventRecordReply(request);
    case 'U':
        Note("U: event indices");
        return EventIndexReply();
    case 'V': {
        Note("V: version " + FVersion);
        TMessage reply{'V', {FVersion.begin(), FVersion.end()}};
        reply.Payload.push_back(0);
        return reply;
    }
    case 'S':
        SetSlaves(request);
        return std::nullopt;
    case 'T':
        SetTime(request);
        return std::nullopt;
    default:
        Note("ignored: unknown command 0x" + [&] {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X", request.Letter);
            return std::string(hex);
        }());
        return std::nullopt;
    }
}

std::optional<TMessage> TSimPanel::EventRecordReply(const TMessage& request) {
    if (request.Payload.size() < 2) {
        Note("ignored: G without an index");
        return std::nullopt;
    }
    uint16_t index = GetLe16(request.Payload.data());
    if (index >= FRing.Capacity()) {
        Note("ignored: G " + std::to_string(index) + " past the ring of " +
             std::to_string(FRing.Capacity()));
        return std::nullopt;
    }
    if (++FGRequests % FAnswerGEvery != 0) {
        Note("G " + std::to_string(index) + ": not answered (the panel answers 1 in " +
             std::to_string(FAnswerGEvery) + ")");
        return std::nullopt;
    }
    if (index == FLostRecord) {
        Note("G " + std::to_string(index) + ": not answered (a lost record)");
        return std::nullopt;
    }
    if (FVerbose) {
        Note("G: event " + std::to_string(index));
    }
    if (index == FEmptySlot) {
        Note("G " + std::to_string(index) + ": answered as an empty slot");
        auto bytes = EncodeEventRecord(TEventRecord{index});
        return TMessage{'G', {bytes.begin(), bytes.end()}};
    }
    auto bytes = EncodeEventRecord(FRing.At(index));
    return TMessage{'G', {bytes.begin(), bytes.end()}};
}

std::optional<TMessage> TSimPanel::EventIndexReply() const {
    TMessage reply{'U', std::vector<uint8_t>(6)};
    PutLe16(&reply.Payload[0], FRing.Start());
    PutLe16(&reply.Payload[2], FRing.End());
    PutLe16(&reply.Payload[4], FRing.Capacity());
    return reply;
}

void TSimPanel::SetSlaves(const TMessage& request) {
    if (request.Payload.empty() || request.Payload[0] > 4) {
        Note("ignored: S needs a number of slaves from 0 to 4");
        return;
    }
    FInstallation.SetSlaves(request.Payload[0]);
    Note("S: " + std::to_string(request.Payload[0]) + " slaves");
}

void TSimPanel::SetTime(const TMessage& request) {
    const auto& p = request.Payload;
    if (p.size() < 6) {
        Note("ignored: T needs six bytes");
        return;
    }
    TPanelDateTime t{2000 + p[5], p[4], p[3], p[2], p[1], p[0]};
    try {
        FClock.Set(t);
    } catch (const std::out_of_range&) {
        Note("ignored: T with an impossible date " + FormatPanelTime(t));
        return;
    }
    Note("T: clock set to " + FormatPanelTime(t));
}

void TSimPanel::Note(const std::string& line) const {
    if (FLog) {
        FLog(line);
    }
}

} // namespace panel_sim
