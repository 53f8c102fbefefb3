// The service report's content from a scripted panel: what the status, the version conversation,
// the traffic and the event history put into it.

#include "core/civil_time.h"
#include "link/commands.h"
#include "link/frame_codec.h"
#include "model/event_history.h"
#include "model/event_record.h"
#include "model/firmware_version.h"
#include "model/installation_registry.h"
#include "model/installation_watch.h"
#include "model/service_report.h"
#include "model/status_decoder.h"
#include "model/version_ask.h"
#include "model/version_decoder.h"
#include "model/visit_record.h"
#include "store/report_writer.h"

#include "fake_transport.h"
#include "fakes.h"
#include "little_endian.h"
#include "panel_frames.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

// Master with slaves 1 and 3; slave 2's block is filled but the slave is not installed.
TBytes StatusPayload() {
    TBytes p(StatusRecordSize, 0);
    PutU48(&p[0], 0xA1B2C3D4);
    PutU16(&p[28], 13800);                  // VBat
    PutU16(&p[36], 235);                    // TI
    p[42] = 6;                              // LineA "Alarm"
    p[45] = 0x05;                           // slaves 1 and 3
    PutU32(&p[46], 1U << 3);                // Led0: Alarm
    PutU32(&p[50], (1U << 3) | (1U << 10)); // Led1: Alarm slow, Fault battery fast
    PutU16(&p[54], 1U << 2);                // Out: Alarm
    p[57] = 2;                              // stBat "Charging ", not a fault
    p[58] = 3;                              // stV1 "Short"
    PutU16(&p[61], 300);                    // Tim
    const std::size_t s3 = SlaveBlockOffset(3);
    PutU16(&p[s3 + 6], 12345); // VA
    p[s3 + 49] = 0x84;         // Out: valve, and bit 2, which a slave does not use
    PutU16(&p[SlaveBlockOffset(2) + 6], 999);
    return p;
}

class ServiceReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        Codec.RegisterDecoder(
            Command::Status, [this] { Decoder.DecodeStatus(); }, StatusRecordSize);
        Codec.RegisterDecoder(Command::Version,
                              [this] { DecodeVersion(Codec, Log, Report, Clock, &Version); });
        Codec.AddObserver(Visit);
        Decoder.AttachMasterWatch(
            [this](const TMasterBlock&) { Watch.StatusAnswered(*Decoder.LastRecord()); });
    }
    // The event report's line of a record copied now, as the window's tap hands it on.
    void Copied(const TEventRecord& record) {
        const std::string line = EventLine(record, Clock.Now());
        History.AddLine(line, 0, 0);
        Visit.EventLineWritten(line);
    }
    void Receive(uint8_t letter, const TBytes& payload) {
        for (uint8_t b : PanelSerialFrame(letter, payload)) {
            Codec.ReceiveByte(b);
        }
    }
    TServiceReport Gather() {
        return GatherServiceReport({*Decoder.LastRecord(),
                                    Version,
                                    Visit,
                                    Codec.Counters(),
                                    History,
                                    nullptr,
                                    {},
                                    Clock.Now(),
                                    &Registry});
    }

    TFakeClock Clock = [] {
        TFakeClock clock; // the run starts at 10:00:00
        clock.Time = At(2026, 12, 7, 10, 0, 0);
        return clock;
    }();
    TFakeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    TPanelState State;
    TNoStatusView View;
    TStatusDecoder Decoder{Codec, State, View, Clock};
    TNoReportLines Report;
    TFirmwareVersion Version;
    TVisitRecord Visit{Clock};
    TEventHistory History;
    TInstallationRegistry Registry;
    TInstallationWatch Watch{Registry, Visit, Version, Clock};
};

// The status payload of another installation: master B with its slave.
TBytes OtherInstallation() {
    TBytes p = StatusPayload();
    PutU48(&p[0], 0xB0B0B0B0B000);
    p[45] = 0x01; // slave 1 only
    PutU48(&p[SlaveBlockOffset(1)], 0xB0B0B0B0B001);
    return p;
}

} // namespace

TEST_F(ServiceReportTest, DevicesShowTheirStatesValuesLedsAndFaultsAsThePagesDo) {
    Receive(Command::Status, StatusPayload());
    const TServiceReport r = Gather();

    EXPECT_EQ(r.InstallationId, "0000A1B2C3D4");
    ASSERT_EQ(r.Devices.size(), 3u);
    EXPECT_EQ(r.Devices[1].Name, "Slave 1");
    EXPECT_EQ(r.Devices[2].Name, "Slave 3");
    const TDeviceReport& m = r.Devices[0];
    EXPECT_THAT(m.Values, Contains(TReportItem{"Battery voltage", "13.80 V"}));
    EXPECT_THAT(m.Values, Contains(TReportItem{"Internal temperature", "23.5 C"}));
    EXPECT_THAT(m.Values, Contains(TReportItem{"Extinguishing time", "30.0 s"}));
    EXPECT_THAT(m.States, Contains(TReportItem{"Valve 1 state", "Short"}));
    EXPECT_THAT(m.States, Contains(TReportItem{"Line A [0]", "Alarm"}));
    EXPECT_THAT(m.States, Contains(TReportItem{"Battery state", "Charging "}));
    EXPECT_THAT(m.Leds, ElementsAre("Alarm (slow blink)", "Fault battery (fast blink)"));
    EXPECT_THAT(m.Faults, ElementsAre("Valve 1 state: Short", "Fault battery"));
    EXPECT_THAT(m.Outputs, ElementsAre("Alarm"));

    const TDeviceReport& s3 = r.Devices[2];
    EXPECT_EQ(s3.Id, "000000000000");
    EXPECT_THAT(s3.Values, Contains(TReportItem{"Line A voltage", "12.345 V"}));
    EXPECT_EQ(s3.Values.size(), 13u); // no line C, acoustic or time; the measure number
    EXPECT_EQ(s3.States.size(), 4u);  // lines A and B, valve, battery
    EXPECT_THAT(s3.Outputs, ElementsAre("Valvel 1"));
    EXPECT_TRUE(s3.Faults.empty());
}

TEST_F(ServiceReportTest, LinkClockAndEventsOfThisVisit) {
    History.AddLine(EventLine({3, 0xA1B2C3D4, 8, 0x10, 100}, At(2026, 12, 7, 9, 59, 59)), 0, 1);
    Clock.Time = At(2026, 12, 7, 10, 5, 0);
    Codec.SendFrame(Command::Status, nullptr, 0);
    Codec.SendFrame(Command::Status, nullptr, 0);
    Receive(Command::Status, StatusPayload());
    TBytes bad = PanelSerialFrame(Command::Status, StatusPayload());
    bad[bad.size() - 3] ^= 0x01; // the checksum
    for (uint8_t b : bad) {
        Codec.ReceiveByte(b);
    }
    const uint8_t time[6] = {};
    Codec.SendFrame(Command::SetTime, time, sizeof time);
    Copied({4, 0xA1B2C3D4, 8, 0x10, 200});
    // The PC clock set back an hour in the middle of the copy: a record is this visit's by the
    // order it came in, not by its PC time.
    Clock.Time = At(2026, 12, 7, 9, 5, 0);
    Copied({5, 0xA1B2C3D4, 6, 0x11, 300});
    Clock.Time = At(2026, 12, 7, 10, 5, 0);

    const TServiceReport r = Gather();
    EXPECT_EQ(r.Link.PollsSent, 2u);
    EXPECT_EQ(r.Link.StatusReplies, 1u);
    EXPECT_EQ(r.Link.BadFrames, 1u);
    EXPECT_EQ(r.PanelClock, "Set to the PC's time at 10:05:00 07.12.2026");
    ASSERT_EQ(r.Events.Rows.size(), 2u); // the record copied before the run is left out
    const TReportEventRow& row = r.Events.Rows[0];
    EXPECT_EQ(row.Time, "00:03:20 01.01.2000");
    EXPECT_EQ(row.Unit, "1, loop 0");
    EXPECT_EQ(row.Category, "Alarms and pre-alarms");
    EXPECT_EQ(row.Code, "08");
    EXPECT_EQ(row.Text, "Poplach na smycce");
    EXPECT_TRUE(r.Events.Selection.empty());
    EXPECT_EQ(r.Events.CategoryCounts[static_cast<int>(TEventCategory::Alarm)], 1u);
    EXPECT_EQ(r.Events.CategoryCounts[static_cast<int>(TEventCategory::Fault)], 1u);
    TEventFilter alarms;
    alarms.Category = TEventCategory::Alarm; // a range picked: the record before the run too
    const TServiceReport picked = GatherServiceReport({*Decoder.LastRecord(),
                                                       Version,
                                                       Visit,
                                                       Codec.Counters(),
                                                       History,
                                                       &alarms,
                                                       {},
                                                       Clock.Now(),
                                                       &Registry});
    EXPECT_EQ(picked.Events.Rows.size(), 2u);
    EXPECT_THAT(picked.Events.Selection,
                ElementsAre(TReportItem{"Category", "Alarms and pre-alarms"}));
    EXPECT_EQ(ServiceReportFileName(r.InstallationId, r.PcTime),
              "ServiceReport_0000A1B2C3D4_20261207_100500.pdf");
    EXPECT_EQ(ServiceReportFileName(r.InstallationId, r.PcTime, 1),
              "ServiceReport_0000A1B2C3D4_20261207_100500_2.pdf");
}

TEST_F(ServiceReportTest, VersionIsAskedOnceAndAwaitedUntilItsDeadline) {
    TFakeTimer deadline;
    int sent = 0;
    TVersionAsk ask(Version, deadline,
                    [&] { Codec.SendFrame(Command::Version, nullptr, 0), ++sent; });
    std::vector<bool> done;
    ASSERT_TRUE(ask.Ask(2000, [&](bool replied) { done.push_back(replied); }));
    EXPECT_FALSE(ask.Ask(2000, [&](bool) { done.push_back(true); })); // one at a time
    deadline.Advance(1999);
    EXPECT_TRUE(done.empty());
    deadline.Advance(1);
    EXPECT_THAT(done, ElementsAre(false));
    Receive(Command::Status, StatusPayload());
    EXPECT_FALSE(Gather().VersionRead);

    ASSERT_TRUE(ask.Ask(2000, [&](bool replied) { done.push_back(replied); }));
    Receive(Command::Version, ToBytes(std::string("V2.10\0", 6)));
    EXPECT_THAT(done, ElementsAre(false, true));
    EXPECT_FALSE(deadline.Enabled());
    ASSERT_TRUE(ask.Ask(2000, [&](bool replied) { done.push_back(replied); }));
    EXPECT_THAT(done, ElementsAre(false, true, true));
    EXPECT_EQ(sent, 2); // known now: not asked again
    const TServiceReport r = Gather();
    EXPECT_TRUE(r.VersionRead);
    EXPECT_EQ(r.Version, "V2.10");
}

// Every LED that tells of a fault is among the faults when lit, and no other is.
TEST_F(ServiceReportTest, EveryFaultLedIsAFault) {
    TBytes p = StatusPayload();
    PutU32(&p[46], 0x7FFFFF); // every LED lit
    PutU32(&p[50], 0);
    p[42] = 0; // no state a fault
    p[58] = 0;
    Receive(Command::Status, p);
    EXPECT_THAT(Gather().Devices[0].Faults,
                ElementsAre("Memory fault", "Failure", "Fault processor", "Fault acoustic",
                            "Fault battery", "Fault mains", "Fault pressure", "Fault loop C",
                            "Fault loop A+B", "Fault valve", "Fault comm.", "Fault slave4",
                            "Fault slave3", "Fault slave2", "Fault slave1"));
}

// What a customer reads first: the faults now with their units, the visit's alarms, faults
// (begun, not ended) and extinguishings, and the clock.
TEST_F(ServiceReportTest, SummaryTellsTheStateAndTheVisitInNumbers) {
    Receive(Command::Status, StatusPayload());
    const uint8_t codes[] = {8, 8, 12, 6, 5, 21, 20, 32, 16, 17, 18, 29, 44, 45};
    for (uint16_t i = 0; i < sizeof codes; ++i) {
        Copied({i, 0xA1B2C3D4, codes[i], 0x10, 100});
    }
    const TServiceReport r = Gather();
    EXPECT_EQ(r.Summary.State,
              "Faults present: Master: Valve 1 state: Short; Master: Fault battery");
    EXPECT_EQ(r.Summary.Alarms, 2u);
    EXPECT_EQ(r.Summary.Faults, 5u); // loop open, valve short, mains, battery, pressure
    EXPECT_EQ(r.Summary.Extinguishings, 1u);
    EXPECT_FALSE(r.Summary.ClockSet);

    TBytes quiet(StatusRecordSize, 0);
    Receive(Command::Status, quiet);
    const uint8_t time[6] = {};
    Codec.SendFrame(Command::SetTime, time, sizeof time);
    const TServiceReport calm = Gather();
    EXPECT_EQ(calm.Summary.State, "No fault");
    EXPECT_TRUE(calm.Summary.ClockSet);
}

// The cable moved from installation A to installation B in one run: B's report holds nothing of
// A's visit (records, clock set, firmware version), and names B as the technician named it.
TEST_F(ServiceReportTest, AnotherInstallationBeginsANewVisitThatForgetsTheOneBefore) {
    std::vector<TVisitStart> starts;
    Visit.WatchVisits([&](const TVisitStart& start) { starts.push_back(start); });
    Registry.SetNameAndSite(0xB0B0B0B0B000, "Boiler house", "Hall 3");
    Receive(Command::Status, StatusPayload());
    Receive(Command::Version, ToBytes(std::string("V2.10\0", 6)));
    Clock.Time = At(2026, 12, 7, 10, 5, 0);
    const uint8_t time[6] = {};
    Codec.SendFrame(Command::SetTime, time, sizeof time);
    Copied({4, 0xA1B2C3D4, 8, 0x10, 200});
    Receive(Command::Status, StatusPayload()); // the same installation: the same visit
    ASSERT_EQ(starts.size(), 1u);

    Clock.Time = At(2026, 12, 7, 10, 47, 0);
    Receive(Command::Status, OtherInstallation());
    Copied({9, 0xB0B0B0B0B001, 6, 0x11, 300}); // of B's slave
    const TServiceReport r = Gather();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].Master, 0xB0B0B0B0B000u);
    EXPECT_EQ(starts[1].Previous, 0xA1B2C3D4u);
    EXPECT_EQ(starts[1].Number, 2);
    EXPECT_EQ(r.InstallationId, "B0B0B0B0B000");
    EXPECT_EQ(r.InstallationName, "Boiler house");
    EXPECT_EQ(r.InstallationSite, "Hall 3");
    EXPECT_EQ(r.PanelClock, "Not set during this visit");
    EXPECT_FALSE(r.VersionRead);
    ASSERT_EQ(r.Events.Rows.size(), 1u);
    EXPECT_EQ(r.Events.Rows[0].EventCode, 6);
    EXPECT_EQ(r.Events.CategoryCounts[static_cast<int>(TEventCategory::Alarm)], 0u);
    EXPECT_EQ(r.Events.Scope, "Events copied during this visit (since 10:47:00 07.12.2026)");
    EXPECT_EQ(Registry.MasterOf(0xB0B0B0B0B001), 0xB0B0B0B0B000u);
    EXPECT_EQ(Registry.Find(0xA1B2C3D4)->LastVisit, CivilSeconds(At(2026, 12, 7, 10, 0, 0)));
}
