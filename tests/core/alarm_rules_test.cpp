// The changes worth announcing, from status replies through the real codec and decoder: every
// alarm state and every fault of every unit in, the announcements out, none repeated; the link
// lost and back; the alarm list's note lines; at most one notification a second.

#include "link/frame_codec.h"
#include "model/alarm_list.h"
#include "model/alarm_watch.h"
#include "model/event_line_parser.h"
#include "model/event_texts.h"
#include "model/notification_throttle.h"
#include "model/panel_state.h"
#include "model/status_decoder.h"

#include "fake_transport.h"
#include "fakes.h"
#include "little_endian.h"
#include "panel_frames.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

constexpr uint64_t PanelId = 0x00A1B2C3D400ULL;

// Offsets of the record written here apart from the decoder's, so a field read from the wrong
// place shows.
constexpr std::size_t MasterLineA = 42, MasterSlaveFlags = 45, MasterLed0 = 46, MasterLed1 = 50,
                      MasterStHas = 56, MasterStBat = 57, MasterStV1 = 58, MasterStSir = 59;
constexpr std::size_t SlaveLineA = 38, SlaveLed0 = 41, SlaveLed1 = 45, SlaveStBat = 51,
                      SlaveStV1 = 52;

std::size_t Block(int device) {
    return device == 0 ? 0 : 63 + 55 * std::size_t(device - 1);
}

// "kind unit subject: state [event text]", one per announcement.
std::string Describe(const TAnnouncement& a) {
    static const char* kinds[] = {"alarm", "fault", "cleared", "link lost", "link back"};
    std::string text = std::string(kinds[int(a.Kind)]) + " " + UnitText(a.Device);
    if (!a.Subject.empty()) {
        text += " " + a.Subject + ": " + a.State;
    }
    if (a.EventCode != 0) {
        text += " [" + std::string(EventTexts[a.EventCode]) + "]";
    }
    return text;
}

class AlarmRulesTest : public ::testing::Test {
public: // the cases below make their conditions through the fixture
    void SetUp() override {
        Codec.RegisterDecoder(
            'A', [this] { Decoder.DecodeStatus(); }, StatusRecordSize);
        Quiet();
    }

    // The panel at rest: four slaves in the installation, every state "OK", "Ready", "Silent".
    void Quiet() {
        Payload.assign(StatusRecordSize, 0);
        PutU48(&Payload[0], PanelId);
        Payload[MasterSlaveFlags] = 0x0F;
        for (int k = 1; k <= 4; ++k) {
            PutU48(&Payload[Block(k)], PanelId + std::size_t(k));
        }
    }

    // Decodes the payload as a status reply; the announcements it gives, described.
    std::vector<std::string> Reply() {
        const TBytes datagram = PanelDatagram('A', Payload);
        Codec.ReceiveDatagram(datagram.data(), static_cast<int>(datagram.size()));
        std::vector<std::string> out;
        for (const TAnnouncement& a : Watch.StatusDecoded(*Decoder.LastRecord())) {
            out.push_back(Describe(a));
            EXPECT_EQ(a.Installation, Decoder.LastRecord()->Master.ID);
        }
        return out;
    }

    uint8_t& At(int device, std::size_t masterOffset, std::size_t slaveOffset) {
        return Payload[Block(device) + (device == 0 ? masterOffset : slaveOffset)];
    }
    void SetLedBit(int device, bool blink, int bit) {
        const std::size_t at = Block(device) + (device == 0 ? (blink ? MasterLed1 : MasterLed0)
                                                            : (blink ? SlaveLed1 : SlaveLed0));
        PutU32(&Payload[at], 1U << bit);
    }

    TFakeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    TPanelState State;
    TNoStatusView View;
    TFakeClock Clock;
    TStatusDecoder Decoder{Codec, State, View, Clock};
    TAlarmWatch Watch{Clock};
    TBytes Payload;
};

// One condition of the panel: how to make it on a unit, and what is announced for it.
struct TCase {
    std::vector<int> Devices;
    std::function<void(AlarmRulesTest&, int)> Make;
    std::string Fault;   // "Line A: Short [Zkrat smycky]", announced as "fault"
    std::string Cleared; // "Line A: Short [smycka OK]", announced as "cleared"
};

TEST_F(AlarmRulesTest, EveryFaultOfEveryUnitIsAnnouncedOnceAndItsClearingOnce) {
    const std::vector<int> all = {0, 1, 2, 3, 4};
    auto line = [](std::size_t which, uint8_t code) {
        return [which, code](AlarmRulesTest& t, int d) {
            t.At(d, MasterLineA + which, SlaveLineA + which) = code;
        };
    };
    auto valve = [](uint8_t code) {
        return [code](AlarmRulesTest& t, int d) { t.At(d, MasterStV1, SlaveStV1) = code; };
    };
    auto battery = [](uint8_t code) {
        return [code](AlarmRulesTest& t, int d) { t.At(d, MasterStBat, SlaveStBat) = code; };
    };
    const std::vector<TCase> cases = {
        {all, line(0, 2), "Line A: Disconnected [Rozpojeni smycky]",
         "Line A: Disconnected [smycka OK]"},
        {all, line(0, 4), "Line A: Short [Zkrat smycky]", "Line A: Short [smycka OK]"},
        {all, line(1, 8), "Line B: Failure [Porucha smycky]", "Line B: Failure [smycka OK]"},
        {{0}, line(2, 4), "Line C: Short [Zkrat smycky]", "Line C: Short [smycka OK]"},
        {all, valve(1), "Valve: Raised resistance [Ventil Vadna Civka]",
         "Valve: Raised resistance [VentilOK]"},
        {all, valve(2), "Valve: Disconnected [Ventil Rozpojeno]", "Valve: Disconnected [VentilOK]"},
        {all, valve(3), "Valve: Short [VentilZkrat]", "Valve: Short [VentilOK]"},
        {{0},
         [](AlarmRulesTest& t, int) { t.Payload[MasterStSir] = 1; },
         "Signaller: Disconnected [Sir Rozpojeno]",
         "Signaller: Disconnected [Sir Ok]"},
        {{0},
         [](AlarmRulesTest& t, int) { t.Payload[MasterStSir] = 2; },
         "Signaller: Short [Sir Zkrat]",
         "Signaller: Short [Sir Ok]"},
        {all, battery(1), "Battery: Failure [Bat Chyba]", "Battery: Failure [Bat OK]"},
        {all, battery(3), "Battery: Discharged [Bat vybito]", "Battery: Discharged [Bat OK]"},
        // A code past the list shows as its last item, "Discharged".
        {{0}, battery(200), "Battery: Discharged [Bat vybito]", "Battery: Discharged [Bat OK]"},
        {all, [](AlarmRulesTest& t, int d) { t.SetLedBit(d, false, 11); },
         "Mains: Failure [Chyba Site]", "Mains: Failure [Sit Ok]"},
        {all, [](AlarmRulesTest& t, int d) { t.SetLedBit(d, true, 12); },
         "Pressure: Fault [Tlak por.]", "Pressure: Fault [Tlak OK]"},
        // The master blinks the slave's fault LED (22 for slave 1 down to 19 for slave 4).
        {{1, 2, 3, 4},
         [](AlarmRulesTest& t, int d) { t.SetLedBit(0, true, 23 - d); },
         "Slave communication: Lost [Komunikace slave por.]",
         "Slave communication: Lost [Komunikace slave OK]"},
    };
    for (const TCase& c : cases) {
        for (int device : c.Devices) {
            SCOPED_TRACE(c.Fault + " on " + UnitText(device));
            Quiet();
            c.Make(*this, device);
            const std::string unit = " " + UnitText(device) + " ";
            EXPECT_EQ(Reply(), std::vector<std::string>{"fault" + unit + c.Fault});
            EXPECT_TRUE(Reply().empty()) << "a fault still there is not announced again";
            Quiet();
            EXPECT_EQ(Reply(), std::vector<std::string>{"cleared" + unit + c.Cleared});
            EXPECT_TRUE(Reply().empty());
        }
    }
}

TEST_F(AlarmRulesTest, EachAlarmStateIsAnnouncedOnceAndANewAlarmAfterTheResetAgain) {
    EXPECT_TRUE(Reply().empty()) << "a panel at rest has nothing to say";
    const std::vector<std::pair<uint8_t, std::string>> course = {
        {1, "alarm Master System state: Pre-alarm A [PredPoplachA]"},
        {5, "alarm Master System state: Alarm, extinguishing delayed [Tz]"},
        {6, "alarm Master System state: Extinguishing [Th]"},
        {7, "alarm Master System state: Extinguished [Uhaseno]"},
        {9, ""}, // "Reset": the end of the alarm is not announced
        {0, ""},
        {3, "alarm Master System state: Pre-alarm B [PredpoplachB]"},
        {4, ""}, // "Reset B"
        {3, "alarm Master System state: Pre-alarm B [PredpoplachB]"},
    };
    for (const auto& [code, expected] : course) {
        SCOPED_TRACE(int(code));
        Payload[MasterStHas] = code;
        const std::vector<std::string> first = Reply();
        EXPECT_EQ(first, expected.empty() ? std::vector<std::string>{}
                                          : std::vector<std::string>{expected});
        EXPECT_TRUE(Reply().empty()) << "the same state in the next reply";
    }
    Payload[MasterStHas] = 200; // past the list: "Reset", no alarm
    EXPECT_TRUE(Reply().empty());
}

TEST_F(AlarmRulesTest, NothingIsRepeatedAfterTheLinkWasLostNorForASlaveOutsideTheInstallation) {
    // The link is lost only while polling, and only after a reply.
    EXPECT_FALSE(Watch.LinkLooked(true, std::nullopt, 100)) << "never had a link";
    EXPECT_FALSE(Watch.LinkLooked(false, 60000, 100)) << "\"Stop\": polling stopped";
    Payload[MasterStHas] = 6;
    At(2, MasterStBat, SlaveStBat) = 1;
    EXPECT_EQ(Reply(), (std::vector<std::string>{"alarm Master System state: Extinguishing [Th]",
                                                 "fault Slave 2 Battery: Failure [Bat Chyba]"}));
    // Replies stop for longer than ten intervals, then come again with the same states.
    ASSERT_FALSE(Watch.LinkLooked(true, 1000, 100));
    const auto lost = Watch.LinkLooked(true, 1001, 100);
    ASSERT_TRUE(lost);
    EXPECT_EQ(Describe(*lost), "link lost Link");
    EXPECT_EQ(lost->Installation, PanelId);
    EXPECT_FALSE(Watch.LinkLooked(true, 5000, 100)) << "lost once";
    const auto back = Watch.LinkLooked(true, 50, 100);
    ASSERT_TRUE(back);
    EXPECT_EQ(Describe(*back), "link back Link");
    EXPECT_FALSE(Watch.LinkLooked(true, 60, 100));
    EXPECT_TRUE(Reply().empty()) << "the states the panel still shows were announced before";

    // Another installation has states of its own; coming back to the first repeats nothing.
    Payload[1] ^= 0x01;
    EXPECT_EQ(Reply().size(), 2u);
    Payload[1] ^= 0x01;
    EXPECT_TRUE(Reply().empty());

    // A slave taken out of the installation is not announced, and not cleared either.
    Payload[MasterSlaveFlags] = 0x0D;
    EXPECT_TRUE(Reply().empty());
    At(2, MasterStV1, SlaveStV1) = 3;
    EXPECT_TRUE(Reply().empty());
    // A fault that turns into another is the new fault.
    Payload[MasterSlaveFlags] = 0x0F;
    EXPECT_EQ(Reply(), (std::vector<std::string>{"fault Slave 2 Valve: Short [VentilZkrat]",
                                                 "fault Slave 2 Battery: Failure [Bat Chyba]"}));
    At(2, MasterStV1, SlaveStV1) = 2;
    EXPECT_EQ(Reply(),
              std::vector<std::string>{"fault Slave 2 Valve: Disconnected [Ventil Rozpojeno]"});
}

// Records what the event report receives; fails every line while Failing.
class TReportLines : public IReportLines {
public:
    bool WriteReportLine(const std::string& text) override {
        if (Failing) {
            throw std::runtime_error("disk full");
        }
        Lines.push_back(text);
        return true;
    }
    std::vector<std::string> Lines;
    bool Failing = false;
};

TEST(AlarmListTest, AnnouncementsAndAcknowledgementsAreNoteLinesOfTheInstallation) {
    TFakeClock clock;
    clock.Time = {2026, 12, 7, 18, 40, 1};
    TReportLines report;
    TMemoryLog log;
    TAlarmList list(report, log, clock);
    TAnnouncement a;
    a.Kind = TAnnouncementKind::Fault;
    a.Installation = PanelId;
    a.Device = 1;
    a.Subject = "Line A";
    a.State = "Short";
    a.EventCode = 7;
    a.Time = clock.Time;
    TAnnouncement lost;
    lost.Kind = TAnnouncementKind::LinkLost;
    lost.Installation = PanelId;
    lost.Device = LinkUnit;
    lost.Time = clock.Time;
    EXPECT_EQ(list.Add(a), 0u);
    EXPECT_EQ(list.Add(lost), 1u);
    EXPECT_EQ(list.Unacknowledged(), 2);
    clock.Time.Minute = 41;
    EXPECT_EQ(list.Acknowledge([](const TAlarmEntry& e) { return e.Announcement.Device == 1; },
                               "jan", "window"),
              1);
    EXPECT_EQ(list.Unacknowledged(), 1);
    EXPECT_EQ(list.Entries()[0].By, "jan");
    EXPECT_EQ(list.AcknowledgeRows({0, 1}, "eva", "notification"), 1) << "row 0 was seen";
    EXPECT_EQ(list.Entries()[0].By, "jan");
    EXPECT_EQ(list.Unacknowledged(), 0);

    ASSERT_EQ(report.Lines.size(), 4u);
    EXPECT_EQ(report.Lines[0],
              "07.12.26 18:40:01  alarm ID=00A1B2C3D400: Slave 1: Line A: Short (Zkrat smycky)");
    EXPECT_EQ(report.Lines[2], "07.12.26 18:41:01  alarm ID=00A1B2C3D400: Slave 1: Line A: Short "
                               "of 18:40:01 acknowledged by jan (window)");
    for (const std::string& line : report.Lines) {
        const TReportLine read = ParseReportLine(line);
        EXPECT_EQ(read.Kind, TReportLineKind::Note) << line;
        EXPECT_EQ(read.Id, PanelId) << line;
    }
    EXPECT_EQ(ParseReportLine(report.Lines[1]).Text, "Link lost");
    EXPECT_EQ(log.Lines.front(), "alarm ID=00A1B2C3D400: Slave 1: Line A: Short (Zkrat smycky)");

    // A report that cannot be written costs the note, never the entry.
    report.Failing = true;
    EXPECT_THROW(list.Add(a), std::runtime_error);
    EXPECT_EQ(list.Entries().size(), 3u);
    EXPECT_EQ(list.Unacknowledged(), 1);
}

TEST(NotificationThrottleTest, AtMostOneASecondTheRestSummedUp) {
    TFakeClock clock;
    clock.Ticks = 5000;
    TFakeTimer timer;
    std::vector<TNotice> sent;
    TNotificationThrottle throttle(clock, timer, [&](const TNotice& n) { sent.push_back(n); });
    auto notice = [](const std::string& what, bool critical, std::size_t row) {
        TNotice n;
        n.Summary = what;
        n.Body = "Installation 00A1B2C3D400";
        n.Critical = critical;
        n.Rows = {row};
        return n;
    };
    throttle.Offer(notice("Fault: Line A: Short", false, 0));
    ASSERT_EQ(sent.size(), 1u) << "the first goes at once";
    clock.Ticks += 300;
    throttle.Offer(notice("Line A: Short cleared", false, 1));
    throttle.Offer(notice("Alarm: Pre-alarm A", true, 2));
    for (std::size_t row = 3; row < 3 + SummedNoticeLines; ++row) {
        throttle.Offer(notice("Fault: Mains: Failure", false, row));
    }
    EXPECT_EQ(sent.size(), 1u);
    clock.Ticks += 699;
    timer.Advance(699);
    EXPECT_EQ(sent.size(), 1u) << "not before the second is over";
    clock.Ticks += 1;
    timer.Advance(1);
    ASSERT_EQ(sent.size(), 2u);
    const TNotice& sum = sent[1];
    EXPECT_TRUE(sum.Critical);
    EXPECT_EQ(sum.Summary,
              "Alarm: Pre-alarm A and " + std::to_string(SummedNoticeLines + 1) + " more");
    EXPECT_EQ(sum.Rows.size(), SummedNoticeLines + 2);
    EXPECT_NE(sum.Body.find("Line A: Short cleared (Installation 00A1B2C3D400)"),
              std::string::npos);
    EXPECT_NE(sum.Body.find("... and 2 more"), std::string::npos);
    EXPECT_FALSE(timer.Enabled());

    // Held alone, a notice goes out as itself; a second later the next goes at once.
    clock.Ticks += 10;
    throttle.Offer(notice("Link lost", false, 20));
    clock.Ticks += 990;
    timer.Advance(990);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2].Summary, "Link lost");
    clock.Ticks += 1000;
    throttle.Offer(notice("Link back", false, 21));
    EXPECT_EQ(sent.size(), 4u);
}

} // namespace
