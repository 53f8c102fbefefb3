// The panel simulator: its framing against the link's byte examples and against the tool's own
// frame codec, the calendar, the event ring, the status record layout, the installation's
// sequences, scenarios and options, and the program itself on a pseudo-terminal.

#include "hung_run.h"
#include "panel_sim/actions.h"
#include "panel_sim/datagram_framing.h"
#include "panel_sim/event_codes.h"
#include "panel_sim/front_end.h"
#include "panel_sim/indicators.h"
#include "panel_sim/keyboard.h"
#include "panel_sim/options.h"
#include "panel_sim/panel_calendar.h"
#include "panel_sim/scenario.h"
#include "panel_sim/serial_framing.h"
#include "panel_sim/sim_panel.h"
#include "panel_sim/udp_link.h"

#include "link/frame_codec.h"
#include "model/status_decoder.h"
#include "model/status_record.h"
#include "transport/hx_udp_socket.h"

#include "fake_transport.h"
#include "fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace ps = panel_sim;

namespace {

using TBytes = std::vector<uint8_t>;

// Feeds bytes to a reader and returns the requests it completed, and what else happened.
struct TFed {
    std::vector<ps::TMessage> Requests;
    std::vector<ps::TFeedResult> Drops;
};

TFed Feed(ps::TSerialRequestReader& reader, const TBytes& bytes) {
    TFed fed;
    for (uint8_t b : bytes) {
        ps::TFeedResult r = reader.Feed(b);
        if (r == ps::TFeedResult::Request) {
            fed.Requests.push_back(reader.Request());
        } else if (r != ps::TFeedResult::None) {
            fed.Drops.push_back(r);
        }
    }
    return fed;
}

TEST(PanelSimFraming, ParsesThePcsRequestsAndDropsWhatAPanelWould) {
    ps::TSerialRequestReader reader;
    // The poll, 'G' 0x00AA with its escaped byte, and 'T' for 17.05.2011 13:45:30.
    TFed fed = Feed(reader, {0xAA, 0x01, 0x30, 0x41, 0x71, 0xAA, 0x02, 0xAA, 0x01, 0x30,
                             0x47, 0xAA, 0xAA, 0x00, 0x21, 0xAA, 0x02, 0xAA, 0x01, 0x30,
                             0x54, 0x1E, 0x2D, 0x0D, 0x11, 0x05, 0x0B, 0xFD, 0xAA, 0x02});
    ASSERT_EQ(fed.Requests.size(), 3u);
    EXPECT_EQ(fed.Requests[0].Letter, 'A');
    EXPECT_TRUE(fed.Requests[0].Payload.empty());
    EXPECT_EQ(fed.Requests[1].Letter, 'G');
    EXPECT_EQ(fed.Requests[1].Payload, (TBytes{0xAA, 0x00}));
    EXPECT_EQ(fed.Requests[2].Payload, (TBytes{0x1E, 0x2D, 0x0D, 0x11, 0x05, 0x0B}));
    EXPECT_TRUE(fed.Drops.empty());

    // A wrong checksum, a bad escape, and the panel's own frame echoed back are no requests;
    // a second start marker starts the frame over. The reader is fine afterwards.
    fed = Feed(reader, {0xAA, 0x01, 0x30, 0x41, 0x72, 0xAA, 0x02, 0xAA, 0x01, 0x30, 0xAA, 0x05,
                        0x41, 0x71, 0xAA, 0x02, 0xAA, 0x03, 0x30, 0x41, 0x71, 0xAA, 0x02, 0xAA,
                        0x01, 0x30, 0x47, 0xAA, 0x01, 0x30, 0x56, 0x86, 0xAA, 0x02});
    ASSERT_EQ(fed.Requests.size(), 1u);
    EXPECT_EQ(fed.Requests[0].Letter, 'V');
    EXPECT_EQ(fed.Drops, (std::vector{ps::TFeedResult::BadChecksum, ps::TFeedResult::Malformed}));
}

TEST(PanelSimFraming, DropsBodiesTooShortOrTooLongAndGoesOn) {
    ps::TSerialRequestReader reader;
    TBytes bytes{0xAA, 0x01, 0x30, 0x41, 0xAA, 0x02, 0xAA, 0x01};
    bytes.insert(bytes.end(), ps::TSerialRequestReader::MaxBody + 1, 0x11);
    bytes.insert(bytes.end(), {0xAA, 0x02, 0xAA, 0x01, 0x30, 0x41, 0x71, 0xAA, 0x02});
    TFed fed = Feed(reader, bytes);
    EXPECT_EQ(fed.Drops, (std::vector{ps::TFeedResult::Malformed, ps::TFeedResult::Malformed}));
    ASSERT_EQ(fed.Requests.size(), 1u);
    EXPECT_EQ(fed.Requests[0].Letter, 'A');
}

TEST(PanelSimFraming, RepliesEscapeEveryBodyByteAndTheChecksum) {
    // A checksum of 0xAA is escaped like any other body byte.
    EXPECT_EQ(ps::EncodeSerialReply({'A', {0x39}}),
              (TBytes{0xAA, 0x03, 0x30, 0x41, 0x39, 0xAA, 0xAA, 0xAA, 0x02}));
    EXPECT_EQ(ps::EncodeSerialReply({'U', {0x00, 0x00, 0x05, 0x00}}),
              (TBytes{0xAA, 0x03, 0x30, 0x55, 0x00, 0x00, 0x05, 0x00, 0x8A, 0xAA, 0x02}));
}

TEST(PanelSimFraming, TheToolsCodecReadsEveryReplyBackUnchanged) {
    TFakeTransport transport;
    TMemoryLog log;
    TFrameCodec codec(transport, log);
    int decoded = 0;
    codec.RegisterDecoder('G', [&] { ++decoded; });
    TBytes payload;
    for (int i = 0; i < 300; ++i) {
        payload.push_back(static_cast<uint8_t>(i % 3 == 0 ? 0xAA : i));
    }
    for (uint8_t b : ps::EncodeSerialReply({'G', payload})) {
        codec.ReceiveByte(b);
    }
    ASSERT_EQ(decoded, 1);
    EXPECT_TRUE(std::equal(payload.begin(), payload.end(), codec.Payload()));
}

TEST(PanelSimFraming, DatagramsCarryOneUnescapedFrame) {
    TBytes poll{0x01, 0x30, 0x41, 0x71, 0x02};
    auto request = ps::ParseRequestDatagram(poll.data(), poll.size());
    ASSERT_TRUE(request);
    EXPECT_EQ(request->Letter, 'A');
    poll[3] = 0x70;
    EXPECT_FALSE(ps::ParseRequestDatagram(poll.data(), poll.size()));
    EXPECT_FALSE(ps::ParseRequestDatagram(poll.data(), 4));
    EXPECT_EQ(ps::EncodeReplyDatagram({'G', {0xAA, 0x00}}),
              (TBytes{0x01, 0x30, 0x47, 0xAA, 0x00, 0x21, 0x02}));
}

TEST(PanelSimCalendar, PacksDatesIntoThirtyOneDayMonths) {
    EXPECT_EQ(ps::DecodePanelTime(0), (ps::TPanelDateTime{2000, 1, 1, 0, 0, 0}));
    EXPECT_EQ(ps::DecodePanelTime(32140799), (ps::TPanelDateTime{2000, 12, 31, 23, 59, 59}));
    EXPECT_EQ(ps::DecodePanelTime(4294967295u), (ps::TPanelDateTime{2133, 8, 18, 6, 28, 15}));
    ps::TPanelDateTime t{2011, 5, 17, 13, 45, 30};
    EXPECT_EQ(ps::DecodePanelTime(ps::EncodePanelTime(t)), t);
    EXPECT_THROW(ps::EncodePanelTime({2133, 8, 18, 6, 28, 16}), std::out_of_range);
    EXPECT_THROW(ps::EncodePanelTime({2010, 13, 1, 0, 0, 0}), std::out_of_range);
    EXPECT_FALSE(ps::IsRealDate({2001, 2, 29, 0, 0, 0}));
    EXPECT_TRUE(ps::IsRealDate({2004, 2, 29, 0, 0, 0}));
}

TEST(PanelSimCalendar, TheClockRunsThroughRealDatesOnly) {
    ps::TPanelClock clock({2001, 2, 28, 23, 59, 59});
    clock.Advance(0.6);
    clock.Advance(0.6); // the fractions add up to one second
    EXPECT_EQ(clock.Now(), (ps::TPanelDateTime{2001, 3, 1, 0, 0, 0}));
    clock.Set({2004, 2, 28, 23, 59, 59});
    clock.Advance(1.0);
    EXPECT_EQ(clock.Now(), (ps::TPanelDateTime{2004, 2, 29, 0, 0, 0}));
    EXPECT_THROW(clock.Set({2005, 2, 30, 0, 0, 0}), std::out_of_range);
    EXPECT_EQ(clock.Before(86400), (ps::TPanelDateTime{2004, 2, 28, 0, 0, 0}));
    clock.Set({2133, 8, 18, 6, 28, 15});
    clock.Advance(10.0); // the calendar's last second: the clock stays there
    EXPECT_EQ(clock.NowPanelTime(), 4294967295u);
}

TEST(PanelSimEventRing, WrapsAtItsCapacityAndOverwritesTheOldest) {
    ps::TEventRing ring(3);
    EXPECT_EQ(ring.At(2).Index, 2); // an empty slot still carries its index
    for (uint8_t code = 1; code <= 4; ++code) {
        ring.Append(0x112233445566, code, 0x12, 1000u * code);
    }
    EXPECT_EQ(ring.End(), 1);
    EXPECT_EQ(ring.Start(), 1);
    EXPECT_EQ(ring.Count(), 3u);
    EXPECT_EQ(ring.At(0).Code, 4);
    EXPECT_EQ(ring.At(1).Code, 2);
    EXPECT_THROW(ring.At(3), std::out_of_range);
    EXPECT_THROW(ps::TEventRing(0), std::out_of_range);

    auto bytes = ps::EncodeEventRecord({0x0123, 0x060504030201, 8, 0x12, 0x0A0B0C0D});
    EXPECT_EQ(TBytes(bytes.begin(), bytes.end()),
              (TBytes{0x23, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x08, 0x12, 0x0D, 0x0C, 0x0B,
                      0x0A}));
}

TEST(PanelSimEventRing, ACapacityChangeKeepsTheNewestRecordsInOrderNumberedFromZero) {
    ps::TEventRing ring(4);
    for (uint8_t code = 1; code <= 6; ++code) {
        ring.Append(0xA0, code, 0, code); // wrapped: slots hold 5, 6, 3, 4
    }
    ring.Resize(3);
    EXPECT_EQ(std::make_tuple(ring.Start(), ring.End(), ring.Count()), std::make_tuple(0, 0, 3u));
    for (uint16_t i = 0; i < 3; ++i) {
        EXPECT_EQ(ring.At(i).Code, 4 + i);
        EXPECT_EQ(ring.At(i).Index, i);
    }
    ring.Resize(6);
    EXPECT_EQ(std::make_tuple(ring.Start(), ring.End(), ring.Count()), std::make_tuple(0, 3, 3u));
    EXPECT_EQ(ring.At(2).Code, 6);
    EXPECT_EQ(ring.At(3).Code, 0);
    EXPECT_EQ(ring.At(3).Index, 3);
    EXPECT_THROW(ring.Resize(0), std::out_of_range);
}

// Records the events the installation logs, as "code/device/loop".
class TEventList : public ps::IEventSink {
public:
    void AddEvent(uint8_t code, int device, int loop) override {
        Events.push_back(std::to_string(code) + "/" + std::to_string(device) + "/" +
                         std::to_string(loop));
    }
    void RestartLog() override { Events.push_back("restart"); }
    void RefillLog(uint32_t count) override { Events.push_back("refill " + std::to_string(count)); }
    void ResizeLog(uint16_t capacity) override {
        Events.push_back("capacity " + std::to_string(capacity));
    }
    std::vector<std::string> Take() { return std::exchange(Events, {}); }
    std::vector<std::string> Events;
};

ps::TInstallationConfig Config(int slaves) {
    ps::TInstallationConfig c;
    c.Ids = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4};
    c.Slaves = slaves;
    c.Seed = 7;
    return c;
}

bool Bit(uint32_t mask, int bit) {
    return (mask >> bit) & 1u;
}

TEST(PanelSimInstallation, RunsTheExtinguishingSequenceAndLogsItLikeAPanel) {
    TEventList events;
    ps::TInstallation inst(Config(1), events);
    EXPECT_EQ(ps::MasterIndicators(inst).Led0, 1u); // "Sys. ready" steady, nothing else
    EXPECT_EQ(ps::MasterIndicators(inst).Led1, 0u);

    inst.Prealarm(0, 0);
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"8/0/0", "12/0/0"}));
    EXPECT_EQ(inst.SystemState(), 1); // "Prealarm A"
    EXPECT_TRUE(Bit(ps::MasterIndicators(inst).Led1, ps::ledPrealarm));
    EXPECT_FALSE(Bit(ps::MasterIndicators(inst).Led0, ps::ledReady));

    inst.Alarm(0);
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"8/0/1", "13/0/1", "16/0/0"}));
    EXPECT_EQ(inst.SystemState(), 5); // "Delayed Ex."
    EXPECT_EQ(inst.TimTenths(), 300);
    inst.Advance(15.0);
    EXPECT_EQ(inst.TimTenths(), 150);
    ps::TIndicators delay = ps::MasterIndicators(inst);
    EXPECT_TRUE(Bit(delay.Led0, ps::ledAlarm) && Bit(delay.Led1, ps::ledAlarm)); // slow blink
    EXPECT_FALSE(Bit(delay.Out, ps::outValve1));

    inst.Advance(15.0);
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"17/0/0"}));
    EXPECT_EQ(inst.SystemState(), 6); // "Exting. Time"
    EXPECT_TRUE(Bit(ps::MasterIndicators(inst).Out, ps::outValve1));
    EXPECT_TRUE(Bit(ps::SlaveIndicators(inst, 1).Out, ps::outValve1));
    inst.Advance(1.0);
    EXPECT_GT(inst.Unit(0).Values[ps::vVHas1], 20000); // the valve is driven

    inst.Advance(60.0);
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"18/0/0"}));
    EXPECT_EQ(inst.SystemState(), 7); // "Extinguished"

    inst.Reset();
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"40/0/0", "5/0/0", "5/0/1", "39/0/0"}));
    EXPECT_EQ(inst.SystemState(), 9); // "Reset"
    inst.Advance(3.0);
    EXPECT_EQ(inst.SystemState(), 0);
    EXPECT_EQ(ps::MasterIndicators(inst).Led0, 1u);
}

TEST(PanelSimInstallation, AResetBeforeExtinguishingNamesTheLinesReset) {
    TEventList events;
    ps::TInstallation inst(Config(0), events);
    inst.Prealarm(0, 1);
    EXPECT_EQ(inst.SystemState(), 3); // "Prealarm B"
    events.Take();
    inst.Reset();
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"15/0/1", "5/0/1", "39/0/0"}));
    EXPECT_EQ(inst.SystemState(), 4);                   // "Reset B"
    EXPECT_THROW(inst.Alarm(1), std::invalid_argument); // no slave installed
}

TEST(PanelSimInstallation, MainsFailureDrainsTheBatteryAndItChargesBack) {
    TEventList events;
    ps::TInstallationConfig config = Config(0);
    config.BatteryDrainMvPerS = 100.0;
    config.BatteryChargeMvPerS = 200.0;
    ps::TInstallation inst(config, events);
    inst.SetMainsFault(0, true);
    inst.SetMainsFault(0, true); // already failed: nothing new
    inst.Advance(1.0);
    EXPECT_LT(inst.Unit(0).Values[ps::vVNet], 500);
    ps::TIndicators ind = ps::MasterIndicators(inst);
    EXPECT_TRUE(Bit(ind.Led0, ps::ledMains) && Bit(ind.Led0, ps::ledFailure));
    EXPECT_FALSE(Bit(ind.Led0, ps::ledReady));
    EXPECT_TRUE(Bit(ind.Out, ps::outFailure));

    inst.Advance(40.0);                             // 26.0 V less 4.1 V: below the flat level
    EXPECT_EQ(ps::MasterIndicators(inst).stBat, 3); // "Discharged"
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"32/0/0", "30/0/0"}));

    inst.SetMainsFault(0, false);
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"31/0/0", "28/0/0"}));
    inst.Advance(10.0);
    EXPECT_EQ(ps::MasterIndicators(inst).stBat, 2); // "Charging "
    inst.Advance(20.0);
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"27/0/0"}));
    EXPECT_EQ(ps::MasterIndicators(inst).stBat, 0);
    EXPECT_EQ(ps::MasterIndicators(inst).Led0, 1u);
}

TEST(PanelSimInstallation, TheSameSeedGivesTheSameValuesWithinTheirBands) {
    TEventList events;
    ps::TInstallation a(Config(2), events), b(Config(2), events);
    ps::TInstallationConfig other = Config(2);
    other.Seed = 8;
    ps::TInstallation c(other, events);
    bool differs = false;
    for (int s = 0; s < 200; ++s) {
        a.Advance(1.0);
        b.Advance(1.0);
        c.Advance(1.0);
        ASSERT_EQ(a.Unit(2).Values, b.Unit(2).Values);
        differs = differs || a.Unit(0).Values != c.Unit(0).Values;
        EXPECT_NEAR(a.Unit(0).Values[ps::vVNet], 27000, 150);
        EXPECT_NEAR(a.Unit(0).Values[ps::vVBat], 26000, 30);
        EXPECT_NEAR(a.Unit(1).Values[ps::vTE], 210, 6);
    }
    EXPECT_TRUE(differs);
    EXPECT_EQ(a.Unit(1).CMer, 201); // one measurement at start, one a second
}

TEST(PanelSimStatusRecord, TheToolReadsTheFieldsAtTheirOffsets) {
    TEventList events;
    ps::TInstallation inst(Config(4), events);
    inst.SetBatteryFault(4, true);
    inst.SetCommFault(3, true);
    inst.Prealarm(0, 0);
    ps::TEventRing ring(50);
    ring.Append(1, 1, 0, 0);
    ps::TStatusImage image;
    ps::TStatusRecordBytes bytes = image.Build(inst, ring);

    TStatusRecord r = ReadStatusRecord(bytes.data());
    EXPECT_EQ(r.Master.ID, 0xA0u);
    EXPECT_EQ(r.Master.EventEnd, 1);
    EXPECT_EQ(r.Master.EventCapacity, 50);
    EXPECT_EQ(r.Master.SlaveFlags, 0x0F);
    EXPECT_EQ(r.Master.LineA, 6);
    EXPECT_EQ(r.Master.stHas, 1);
    EXPECT_EQ(r.Master.VNet, inst.Unit(0).Values[ps::vVNet]);
    EXPECT_EQ(r.Master.P, inst.Unit(0).Values[ps::vP]);
    EXPECT_EQ(r.Slaves[3].ID, 0xA4u);
    EXPECT_EQ(r.Slaves[3].stBat, 1); // "Failure"
    EXPECT_EQ(r.Slaves[0].CMer, inst.Unit(1).CMer);
    EXPECT_EQ(r.Slaves[1].TB, inst.Unit(2).Values[ps::vTB]);
    EXPECT_EQ(bytes[279], 1); // slave 4's stBat, just before its stV1 at 280
    EXPECT_EQ(bytes[280], 0);
    EXPECT_TRUE(Bit(r.Master.Led0, ps::SlaveFaultLed(4)));  // slave 4's own fault: steady
    EXPECT_FALSE(Bit(r.Master.Led1, ps::SlaveFaultLed(4))); // so its page stays
    EXPECT_TRUE(SlavePageShown(r.Master, 4));
    EXPECT_FALSE(SlavePageShown(r.Master, 3)); // slave 3 lost: its LED blinks
    EXPECT_TRUE(Bit(r.Master.Led0, ps::ledComm));
}

TEST(PanelSimStatusRecord, ALostSlaveKeepsTheBlockItLastSent) {
    TEventList events;
    ps::TInstallation inst(Config(2), events);
    ps::TEventRing ring(10);
    ps::TStatusImage image;
    ps::TStatusRecordBytes before = image.Build(inst, ring);
    inst.SetCommFault(2, true);
    inst.Advance(5.0);
    ps::TStatusRecordBytes during = image.Build(inst, ring);
    auto block = [](const ps::TStatusRecordBytes& b, int k) {
        return TBytes(b.begin() + ps::SlaveBlockOffset(k),
                      b.begin() + ps::SlaveBlockOffset(k) + ps::SlaveBlockSize);
    };
    EXPECT_EQ(block(during, 2), block(before, 2));
    EXPECT_NE(block(during, 1), block(before, 1));              // slave 1 measured on
    EXPECT_EQ(block(during, 3), TBytes(ps::SlaveBlockSize, 0)); // not installed
    inst.SetCommFault(2, false);
    inst.Advance(1.0);
    EXPECT_NE(block(image.Build(inst, ring), 2), block(before, 2));
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"42/2/0", "43/2/0"}));
}

ps::TSimPanelConfig PanelConfig() {
    ps::TSimPanelConfig c;
    c.Installation = Config(1);
    c.Capacity = 3;
    c.Backlog = 5;
    c.Version = "V2.10";
    c.Start = {2024, 3, 1, 12, 0, 0};
    return c;
}

TEST(PanelSimPanel, AnswersTheCommandsAndCarriesOutSlavesAndTime) {
    std::vector<std::string> notes;
    ps::TSimPanel panel(PanelConfig(), [&](const std::string& l) { notes.push_back(l); });
    // A backlog of 5 in a ring of 3 has wrapped.
    auto u = panel.Handle({'U', {}});
    ASSERT_TRUE(u);
    EXPECT_EQ(u->Payload, (TBytes{2, 0, 2, 0, 3, 0}));
    auto g = panel.Handle({'G', {1, 0}});
    ASSERT_TRUE(g);
    ASSERT_EQ(g->Payload.size(), 14u);
    EXPECT_EQ(g->Payload[0], 1);
    EXPECT_FALSE(panel.Handle({'G', {3, 0}})); // past the ring
    EXPECT_FALSE(panel.Handle({'G', {1}}));
    EXPECT_EQ(panel.Handle({'V', {}})->Payload, (TBytes{'V', '2', '.', '1', '0', 0}));
    EXPECT_FALSE(panel.Handle({'Q', {}}));

    EXPECT_FALSE(panel.Handle({'S', {3}}));
    EXPECT_EQ(panel.Handle({'A', {}})->Payload[45], 0x07);
    panel.Handle({'S', {9}}); // no such installation: ignored
    EXPECT_EQ(panel.Installation().Slaves(), 3);

    EXPECT_FALSE(panel.Handle({'T', {0x1E, 0x2D, 0x0D, 0x11, 0x05, 0x0B}}));
    EXPECT_EQ(panel.Clock().Now(), (ps::TPanelDateTime{2011, 5, 17, 13, 45, 30}));
    panel.Handle({'T', {0, 0, 0, 30, 2, 11}}); // 30 February: ignored
    EXPECT_EQ(panel.Clock().Now().Month, 5);

    panel.Installation().SetMainsFault(2, true);
    ps::TEventRecord e = panel.Ring().At(2);
    EXPECT_EQ(e.Code, ps::evMainsFault);
    EXPECT_EQ(e.Source, 0x20);
    EXPECT_EQ(e.Id, 0xA2u);
    EXPECT_EQ(e.Time, ps::EncodePanelTime({2011, 5, 17, 13, 45, 30}));
    EXPECT_EQ(notes.back(), "event 2: Chyba Site (device 2, loop 0) at 13:45:30 17.05.2011");
}

TEST(PanelSimPanel, StampsTheChosenBacklogRecordWithThirtyFirstFebruary) {
    ps::TSimPanelConfig c = PanelConfig();
    c.Capacity = 10;
    c.ImpossibleDateRecord = 3;
    ps::TSimPanel panel(c, nullptr);
    const ps::TPanelDateTime t = ps::DecodePanelTime(panel.Ring().At(3).Time);
    EXPECT_EQ(std::make_pair(t.Month, t.Day), std::make_pair(2, 31));
    EXPECT_TRUE(ps::IsRealDate(ps::DecodePanelTime(panel.Ring().At(2).Time)));
    EXPECT_TRUE(ps::IsRealDate(ps::DecodePanelTime(panel.Ring().At(4).Time)));
}

// The event log's field faults, as the tool sees them on the wire: 'G' answered only every
// third time, one slot answered empty, the log refilled at once, its capacity changed.
TEST(PanelSimPanel, EventLogFaultsReachTheReplies) {
    ps::TSimPanelConfig c = PanelConfig();
    c.Capacity = 10;
    c.EmptySlot = 2;
    c.AnswerGEvery = 3;
    ps::TSimPanel panel(c, nullptr);
    auto ask = [&](uint8_t index) { return panel.Handle({'G', {index, 0}}); };
    EXPECT_FALSE(ask(1));
    EXPECT_FALSE(ask(1));
    ASSERT_TRUE(ask(1));
    EXPECT_FALSE(ask(2));
    EXPECT_FALSE(ask(2));
    auto empty = ask(2);
    ASSERT_TRUE(empty);
    EXPECT_NE(panel.Ring().At(2).Code, 0);
    EXPECT_EQ(empty->Payload, (TBytes{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    const uint32_t before = panel.Ring().At(4).Time;
    ps::ApplyAction(ps::ParseAction("log-refill 4"), panel.Installation());
    EXPECT_EQ(panel.Handle({'U', {}})->Payload, (TBytes{0, 0, 4, 0, 10, 0}));
    EXPECT_EQ(panel.Ring().At(3).Time, panel.Clock().NowPanelTime());
    EXPECT_EQ(panel.Ring().At(2).Time + 1, panel.Ring().At(3).Time);
    EXPECT_NE(panel.Ring().At(3).Time, before);
    EXPECT_EQ(panel.Ring().At(4).Code, 0);

    const uint32_t second = panel.Ring().At(1).Time;
    ps::ApplyAction(ps::ParseAction("log-capacity 3"), panel.Installation());
    EXPECT_EQ(panel.Handle({'U', {}})->Payload, (TBytes{0, 0, 0, 0, 3, 0}));
    EXPECT_EQ(panel.Ring().At(0).Time, second);
    EXPECT_THROW(ps::ParseAction("log-capacity 0"), std::invalid_argument);
}

// Replies sent twice and held back: each goes out as often and in the order asked for.
TEST(PanelSimPanel, RepliesGoOutTwiceOrAfterTheNextOneAsAsked) {
    ps::TReplyDelay link(std::chrono::milliseconds(0), {3, 2});
    std::vector<int> sent;
    for (int k = 1; k <= 6; ++k) {
        link.Send([&sent, k] { sent.push_back(k); });
    }
    link.SendDue(); // the sixth is held back for a second, or until a seventh
    EXPECT_EQ(sent, (std::vector<int>{1, 3, 3, 2, 5, 4}));
    EXPECT_GT(link.WaitMs(5000), 0);
    link.Send([&sent] { sent.push_back(7); });
    EXPECT_EQ(sent, (std::vector<int>{1, 3, 3, 2, 5, 4, 7, 6}));
}

TEST(PanelSimPanel, RefusesAConfigurationNoPanelHas) {
    ps::TSimPanelConfig c = PanelConfig();
    c.Version = std::string(128, 'x');
    EXPECT_THROW(ps::TSimPanel(c, nullptr), std::invalid_argument);
    c = PanelConfig();
    c.Installation.Slaves = 5;
    EXPECT_THROW(ps::TSimPanel(c, nullptr), std::out_of_range);
}

TEST(PanelSimScenario, StepsComeDueInOrderAndLoop) {
    ps::TScenario s = ps::ParseScenario("t", "# a test\n"
                                             "10 prealarm B 1\n"
                                             "+5 alarm   # both lines\n"
                                             "\n"
                                             "12 set 0 VNet 23000\n"
                                             "loop 20\n");
    ASSERT_EQ(s.Steps.size(), 3u);
    EXPECT_EQ(s.Steps[1].Action.Verb, "set");
    EXPECT_EQ(s.Steps[2].At, 15.0);
    ps::TScenarioPlayer player(s);
    EXPECT_TRUE(player.Advance(9.9).empty());
    EXPECT_EQ(player.Advance(0.1).size(), 1u);
    EXPECT_EQ(player.Advance(5.0).size(), 2u);
    EXPECT_EQ(player.Advance(20.0).size(), 3u); // 20 s: loop, then 10, 12 and 15 again

    EXPECT_THROW(ps::ParseScenario("t", "5 alarm\nx reset\n"), std::invalid_argument);
    EXPECT_THROW(ps::ParseScenario("t", "5 launch\n"), std::invalid_argument);
    EXPECT_THROW(ps::ParseScenario("t", "30 reset\nloop 20\n"), std::invalid_argument);
    for (const std::string& name : ps::BuiltinScenarioNames()) {
        EXPECT_NO_THROW(ps::LoadScenario(name)) << name;
    }
    EXPECT_THROW(ps::LoadScenario("/no/such/scenario"), std::invalid_argument);
}

TEST(PanelSimScenario, ActionsReachTheInstallation) {
    TEventList events;
    ps::TInstallation inst(Config(1), events);
    ps::ApplyAction(ps::ParseAction("line 1 C short"), inst);
    EXPECT_EQ(inst.Unit(1).Lines[2], ps::lnShort);
    ps::ApplyAction(ps::ParseAction("set 1 TE 350"), inst);
    inst.Advance(1.0);
    EXPECT_NEAR(inst.Unit(1).Values[ps::vTE], 350, 6);
    ps::ApplyAction(ps::ParseAction("set 1 TE auto"), inst);
    EXPECT_EQ(inst.Unit(1).Values[ps::vTE], 210);
    ps::ApplyAction(ps::ParseAction("slave-fault"), inst);
    EXPECT_TRUE(inst.Unit(1).CommFault);
    ps::ApplyAction(ps::ParseAction("event 200 1 9"), inst);
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"7/1/2", "42/1/0", "200/1/9"}));
    EXPECT_THROW(ps::ParseAction("event 256"), std::invalid_argument);
    EXPECT_THROW(ps::ParseAction("line 1 D short"), std::invalid_argument);
    EXPECT_THROW(ps::ParseAction("set 0 VX 1"), std::invalid_argument);
    EXPECT_THROW(ps::ParseAction("alarm 5"), std::invalid_argument);
    EXPECT_THROW(ps::ApplyAction(ps::ParseAction("mains-fail 2"), inst), std::invalid_argument);
    EXPECT_EQ(ps::KeyAction('m', {true, false, false}), "mains-ok");
    EXPECT_EQ(ps::KeyAction('s', {false, false, false}), "slave-fault 1");
    EXPECT_FALSE(ps::KeyAction('x', {}));
}

TEST(PanelSimScenario, EveryBuiltInScenarioRunsThroughWithoutAFailingStep) {
    for (const std::string& name : ps::BuiltinScenarioNames()) {
        ps::TSimPanelConfig config;
        config.Installation = Config(0);
        config.Backlog = 0;
        config.Start = {2024, 3, 1, 12, 0, 0};
        ps::TSimPanel panel(config, nullptr);
        ps::TScenarioPlayer player(ps::LoadScenario(name));
        for (int s = 0; s < 600; ++s) {
            panel.Advance(1.0);
            for (const ps::TAction& action : player.Advance(1.0)) {
                EXPECT_NO_THROW(ps::ApplyAction(action, panel.Installation()))
                    << name << ": " << action.Text;
            }
        }
        if (name != "quiet") {
            EXPECT_GT(panel.Ring().End(), 0) << name;
        }
    }
}

TEST(PanelSimIndicators, LineFaultsLightTheirLoopLedsOnTheUnitAndTheMaster) {
    TEventList events;
    ps::TInstallation inst(Config(1), events);
    inst.SetLineState(1, 2, ps::lnDisconnected);
    ps::TIndicators slave = ps::SlaveIndicators(inst, 1);
    EXPECT_TRUE(Bit(slave.Led0, ps::ledLoopC));
    EXPECT_FALSE(Bit(slave.Led0, ps::ledLoopAB));
    EXPECT_TRUE(Bit(slave.Out, ps::outFailure));
    EXPECT_FALSE(Bit(slave.Led0, ps::ledReady));
    ps::TIndicators master = ps::MasterIndicators(inst);
    EXPECT_EQ(master.Led0, (1u << ps::ledFailure) | (1u << ps::SlaveFaultLed(1)));
    EXPECT_EQ(master.Led1, 0u);
    inst.Advance(1.0);
    EXPECT_NEAR(inst.Unit(1).Values[ps::vVC], 24000, 80); // an open line reads the supply
    EXPECT_NEAR(inst.Unit(1).Values[ps::vIC], 0, 60);
    EXPECT_THROW(inst.SetLineState(1, 0, ps::lnAlarm), std::invalid_argument);
    inst.SetLineState(1, 2, ps::lnSilent);
    EXPECT_EQ(events.Take(), (std::vector<std::string>{"6/1/2", "5/1/2"}));
    EXPECT_EQ(ps::MasterIndicators(inst).Led0, 1u);
}

TEST(PanelSimLink, AnswersOnItsPseudoTerminalAndLooksAfterItsSymlink) {
    TTempDir dir;
    std::string link = dir.File("panel");
    WriteFileBytes(link, "mine");
    EXPECT_THROW(ps::TPtyLink{link}, std::runtime_error); // not ours to replace
    std::filesystem::remove(link);
    std::filesystem::create_symlink("/nonexistent/pts/9", link); // left by a killed run
    {
        ps::TPtyLink pty(link);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), pty.SlavePath());
        ps::TSimPanel panel(PanelConfig(), nullptr);
        ps::TReplyDelay noDelay(std::chrono::milliseconds(0));
        ps::TSerialFrontEnd serial(pty, panel, noDelay, nullptr);

        int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        const uint8_t version[] = {0xAA, 0x01, 0x30, 0x56, 0x86, 0xAA, 0x02};
        ASSERT_EQ(write(fd, version, sizeof version), static_cast<ssize_t>(sizeof version));
        pollfd p{pty.Fd(), POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 5000), 1);
        serial.OnReadable();
        TBytes expected = ps::EncodeSerialReply({'V', {'V', '2', '.', '1', '0', 0}});
        TBytes got(expected.size());
        std::size_t have = 0;
        for (int tries = 0; have < got.size() && tries < 50; ++tries) {
            pollfd q{fd, POLLIN, 0};
            if (poll(&q, 1, 100) > 0) {
                ssize_t n = read(fd, got.data() + have, got.size() - have);
                have += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
        }
        close(fd);
        EXPECT_EQ(got, expected);
    }
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(PanelSimOptions, ReadsTheCommandLine) {
    ps::TSimOptions o =
        ps::ParseOptions({"--link", "/tmp/x", "--slaves", "3", "--capacity", "100", "--id", "A1,b2",
                          "--version", "V9", "--impossible-date", "4"});
    EXPECT_EQ(o.Link, "/tmp/x");
    EXPECT_EQ(o.ImpossibleDate, 4u);
    EXPECT_EQ(o.Slaves, 3);
    EXPECT_EQ(o.Capacity, 100);
    EXPECT_EQ(o.Ids[0], 0xA1u);
    EXPECT_EQ(o.Ids[1], 0xB2u);
    EXPECT_EQ(o.Ids[2], 0xA3u);
    EXPECT_EQ(o.Version, "V9");
    EXPECT_THROW(ps::ParseOptions({"--slaves", "5"}), std::invalid_argument);
    EXPECT_THROW(ps::ParseOptions({"--capacity", "0"}), std::invalid_argument);
    EXPECT_THROW(ps::ParseOptions({"--id", "1234567890ABC"}), std::invalid_argument);
    EXPECT_THROW(ps::ParseOptions({"--seed"}), std::invalid_argument);
    EXPECT_THROW(ps::ParseOptions({"--fast"}), std::invalid_argument);
    EXPECT_EQ(ps::ParseOptions({"--udp", "10.1.2.3"}).Udp, "10.1.2.3");
    EXPECT_EQ(ps::EndpointText(ps::TUdpLink::ParseEndpoint("10.1.2.3")), "10.1.2.3:1501");
    EXPECT_EQ(ps::EndpointText(ps::TUdpLink::ParseEndpoint("127.0.0.1:4000")), "127.0.0.1:4000");
    for (const char* bad : {"localhost", "10.1.2", "10.1.2.3:", "10.1.2.3:65536", "1.2.3.4:x"}) {
        EXPECT_THROW(ps::TUdpLink::ParseEndpoint(bad), std::invalid_argument) << bad;
    }
    EXPECT_NE(ps::HelpText().find("--scenario"), std::string::npos);
}

// Stands in for the window: keeps what the status decoder shows.
class TShownStatus : public IStatusView,
                     public IChartSink,
                     public IEventBookkeeping,
                     public IDataLineSink {
public:
    void ShowDeviceId(int device, const std::string& idText) override {
        if (device == 0) {
            MasterId = idText;
        }
    }
    void ShowValue(int device, TMeasureField field, uint16_t raw) override {
        if (device == 0 && field == TMeasureField::VNet) {
            Mains = raw;
        }
    }
    void ShowStateCode(int, TStateField, uint8_t) override {}
    void ShowOutputs(int, uint16_t) override {}
    void ShowSlavePage(int slave, bool shown) override { Pages[slave - 1] = shown; }
    void AddChartPoints(const TDateTime&, double, double, double) override {}
    void SelectDeviceAndRequest(uint16_t, uint16_t end, uint16_t, const std::string&) override {
        EventEnd = end;
    }
    void WriteDataLine(const TStatusRecord&) override { ++Records; }

    std::string MasterId;
    uint16_t Mains = 0;
    uint16_t EventEnd = 0;
    std::array<bool, 4> Pages{};
    int Records = 0;
};

// The simulator program, started on a link in a temporary directory.
class TSimProcess {
public:
    explicit TSimProcess(const std::string& link, const std::vector<std::string>& more = {}) {
        std::vector<std::string> args{
            ORVANT_PANEL_SIM_PATH, "--link",    link, "--slaves", "2", "--id",
            "0A0B0C0D0E0F",        "--backlog", "7",  "--no-keys"};
        args.insert(args.end(), more.begin(), more.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        int error = posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0) {
            FPid = -1;
        }
    }
    ~TSimProcess() {
        if (FPid > 0) {
            kill(FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
    }
    pid_t Pid() const { return FPid; }
    // Stops it as a user would and returns its exit status.
    int Stop() {
        kill(FPid, SIGTERM);
        int status = 0;
        waitpid(FPid, &status, 0);
        FPid = -1;
        return status;
    }

private:
    pid_t FPid = -1;
};

// Waits (generously; this is no timing check) until the link appears.
bool WaitForLink(const std::string& link) {
    for (int i = 0; i < HungRunMs / 10; ++i) {
        if (std::filesystem::is_symlink(link)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(PanelSimProgram, AnswersAPollOnItsPseudoTerminal) {
    TTempDir dir;
    std::string link = dir.File("panel");
    TSimProcess sim(link);
    ASSERT_GT(sim.Pid(), 0);
    ASSERT_TRUE(WaitForLink(link));

    int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);

    TFakeTransport transport;
    TMemoryLog log;
    TFrameCodec codec(transport, log);
    TPanelState state;
    TShownStatus shown;
    TFakeClock clock;
    TStatusDecoder decoder(codec, state, shown, shown, shown, shown, clock);
    codec.RegisterDecoder('A', [&] { decoder.DecodeStatus(); });

    const uint8_t poll[] = {0xAA, 0x01, 0x30, 0x41, 0x71, 0xAA, 0x02};
    ASSERT_EQ(write(fd, poll, sizeof poll), static_cast<ssize_t>(sizeof poll));
    for (int waits = 0; shown.Records == 0 && waits < HungRunMs / 100; ++waits) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            uint8_t buf[512];
            ssize_t n = read(fd, buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i) {
                codec.ReceiveByte(buf[i]);
            }
        }
    }
    close(fd);
    ASSERT_EQ(shown.Records, 1);
    EXPECT_EQ(shown.MasterId, "0A0B0C0D0E0F");
    EXPECT_NEAR(shown.Mains, 27000, 500); // millivolts
    EXPECT_EQ(shown.EventEnd, 7);
    EXPECT_EQ(shown.Pages, (std::array<bool, 4>{true, true, false, false}));
    EXPECT_EQ(state.LedOn[0], 1u); // "Sys. ready"

    int status = sim.Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link)); // removed on the way out
}

// A loopback port that was free a moment ago (the simulator binds it next).
std::string FreeLoopbackPort() {
    sockaddr_in any = ps::TUdpLink::ParseEndpoint("127.0.0.1:1");
    any.sin_port = 0; // the system chooses
    ps::TUdpLink chosen(any);
    const std::string text = chosen.LocalText();
    return text.substr(text.find(':') + 1);
}

TEST(PanelSimProgram, AnswersAPollOverUdpToItsSender) {
    TTempDir dir;
    const std::string port = FreeLoopbackPort();
    TSimProcess sim(dir.File("panel"), {"--udp", "127.0.0.1:" + port});
    ASSERT_GT(sim.Pid(), 0);
    ASSERT_TRUE(WaitForLink(dir.File("panel"))); // the UDP port is bound before the link appears

    TFakeTransport transport;
    TMemoryLog log;
    TFrameCodec codec(transport, log);
    TPanelState state;
    TShownStatus shown;
    TFakeClock clock;
    TStatusDecoder decoder(codec, state, shown, shown, shown, shown, clock);
    codec.RegisterDecoder('A', [&] { decoder.DecodeStatus(); });

    // The tool's own socket layer on the other end.
    THxUdpSocket socket(nullptr);
    socket.SetPort("0");
    ASSERT_TRUE(socket.Open());
    socket.SetDestinationAddress("127.0.0.1");
    socket.SetDestinationPort(port);
    const uint8_t badChecksum[] = {0x01, 0x30, 0x41, 0x70, 0x02};
    const uint8_t poll[] = {0x01, 0x30, 0x41, 0x71, 0x02};
    ASSERT_TRUE(socket.Send(badChecksum, sizeof badChecksum));
    ASSERT_TRUE(socket.Send(poll, sizeof poll));
    int32_t length = 0;
    const uint8_t* reply = nullptr;
    // Each wait ends after about a second; a busy machine may need several for the reply.
    for (int waits = 0; reply == nullptr && waits < HungRunMs / 1000; ++waits) {
        reply = socket.Receive(length);
    }
    ASSERT_NE(reply, nullptr);
    codec.ReceiveDatagram(reply, length);
    EXPECT_EQ(socket.FromAddressText(), "127.0.0.1");
    EXPECT_EQ(socket.FromPortText(), port);
    ASSERT_EQ(shown.Records, 1);
    EXPECT_EQ(shown.MasterId, "0A0B0C0D0E0F");
    // Only the poll was answered: the frame with the wrong checksum was dropped.
    EXPECT_EQ(socket.Receive(length), nullptr);

    int status = sim.Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
