// The link's health against scripted frames and a clock that moves only when told: counters,
// states, the age and its colour, stale values; and the status bar's texts made from them.

#include "core/error_list.h"
#include "fake_transport.h"
#include "fakes.h"
#include "link/commands.h"
#include "link/frame_codec.h"
#include "link/link_health.h"
#include "link/status_bar_text.h"
#include "link/udp_silence.h"
#include "panel_frames.h"

#include <gtest/gtest.h>

namespace {

class LinkHealth : public ::testing::Test {
protected:
    LinkHealth() {
        Codec.RegisterDecoder(
            'A', [this] { ++Decoded; }, 283);
        Codec.AddObserver(Health);
        Clock.Ticks = 0xFFFFF000u; // the tick counter wraps during the test
        Clock.Time = At(2026, 12, 7, 13, 45, 12);
    }

    void Receive(const TBytes& wire) {
        for (uint8_t b : wire) {
            Codec.ReceiveByte(b);
        }
    }
    void ReplyStatus() { Receive(PanelSerialFrame('A', TBytes(283, 0))); }
    TLinkStatus Look() { return Health.Look(Facts); }
    void Advance(uint32_t ms) { Clock.Ticks += ms; }

    TFakeClock Clock;
    TFakeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    TLinkHealth Health{Clock};
    TLinkFacts Facts{false, true, false, TSerialState::Open, 1000, {}, {}};
    int Decoded = 0;
};

} // namespace

TEST_F(LinkHealth, AgeTurnsAmberAfterTwoIntervalsRedAfterTenAndTheNextReplyRestoresIt) {
    TLinkStatus status = Look();
    EXPECT_EQ(status.State, TLinkState::NoReply);
    EXPECT_EQ(status.Colour, TAgeColour::Amber); // never green before a reply
    EXPECT_FALSE(status.AgeMs);
    Advance(10001);
    status = Look();
    EXPECT_EQ(status.Colour, TAgeColour::Red);
    EXPECT_TRUE(status.Stale) << "before any reply the pages show no value of the panel's";

    SendStatusRequest(Codec);
    ReplyStatus();
    status = Look();
    EXPECT_EQ(status.State, TLinkState::Polling);
    EXPECT_EQ(status.Colour, TAgeColour::Green);
    EXPECT_EQ(status.AgeMs, 0u);
    ASSERT_TRUE(status.LastReply);
    EXPECT_EQ(ClockText(*status.LastReply), "13:45:12");

    Advance(2000);
    EXPECT_EQ(Look().Colour, TAgeColour::Green);
    Advance(1);
    status = Look();
    EXPECT_EQ(status.Colour, TAgeColour::Amber);
    EXPECT_EQ(status.State, TLinkState::NoReply);
    EXPECT_FALSE(status.Stale);

    // Bad frames are no replies: they leave the age running.
    TBytes bad = PanelSerialFrame('A', TBytes(283, 0));
    bad[bad.size() - 3] ^= 1;
    Receive(bad);
    EXPECT_THROW(Receive(PanelSerialFrame('A', TBytes(10, 0))), EShortReply);
    Codec.ReceiveDatagram(PanelDatagram('G', {}).data(), 5);
    Advance(8000);
    status = Look();
    EXPECT_EQ(status.Colour, TAgeColour::Red);
    EXPECT_TRUE(status.Stale);
    EXPECT_EQ(status.AgeMs, 10001u);

    Facts.RefreshMs = 5000; // a slower poll tolerates the same silence
    EXPECT_EQ(Look().Colour, TAgeColour::Amber);
    Facts.RefreshMs = 1000;

    ReplyStatus();
    status = Look();
    EXPECT_EQ(status.Colour, TAgeColour::Green);
    EXPECT_FALSE(status.Stale);
    EXPECT_EQ(Decoded, 2);

    Codec.DropReply(); // a late record reply
    const TStatusBarText bar =
        StatusBarText(false, "/dev/ttyUSB0", "115200 8N1", status, Codec.Counters(),
                      Health.PollsSent(), TEventProgress{3, 12});
    EXPECT_EQ(bar.Target, "Serial /dev/ttyUSB0 115200 8N1");
    EXPECT_EQ(bar.State, "polling");
    EXPECT_EQ(bar.Age, "last reply 0.0 s ago (13:45:12)");
    EXPECT_EQ(bar.TargetShort + " | " + bar.AgeShort, "/dev/ttyUSB0 | last reply 0.0 s ago");
    EXPECT_EQ(bar.Counters,
              "polls 1  replies 2  dropped 2  ignored 1  events 3 copied, 12 waiting  late 1");

    // Tenths of a second below a minute, then minutes and seconds, then hours and minutes.
    const std::pair<uint32_t, const char*> ages[] = {{59'999, "59.9 s"},
                                                     {60'000, "1 min 00 s"},
                                                     {3'599'999, "59 min 59 s"},
                                                     {3'600'000, "1 h 00 min"},
                                                     {3'723'000, "1 h 02 min"}};
    for (const auto& [ageMs, text] : ages) {
        Clock.Ticks += ageMs - *Look().AgeMs;
        EXPECT_EQ(StatusBarText(false, "", "", Look(), Codec.Counters(), 0, {}).Age,
                  std::string("last reply ") + text + " ago (13:45:12)");
    }
}

TEST_F(LinkHealth, AFailedLinkIsRedAtOnceAndNamesItsState) {
    SendStatusRequest(Codec);
    ReplyStatus();
    const std::pair<TSerialState, TLinkState> cases[] = {
        {TSerialState::Gone, TLinkState::DeviceGone},
        {TSerialState::NotFound, TLinkState::NotFound},
        {TSerialState::Closed, TLinkState::PortClosed},
        {TSerialState::Stopped, TLinkState::Stopped},
    };
    for (const auto& [serial, state] : cases) {
        Facts.Serial = serial;
        const TLinkStatus status = Look();
        EXPECT_EQ(status.State, state);
        EXPECT_EQ(status.Colour, TAgeColour::Red);
        EXPECT_TRUE(status.Stale);
    }
    // Over UDP the serial port does not matter; a poll that cannot be sent does.
    Facts.Udp = true;
    EXPECT_EQ(Look().Colour, TAgeColour::Green);
    Facts.UdpAddress = TUdpAddressState::Missing; // a blank IP field
    EXPECT_EQ(Look().Colour, TAgeColour::Red);
    Facts.UdpAddress = TUdpAddressState::Known;
    Facts.SendFailing = true;
    EXPECT_EQ(Look().State, TLinkState::NoReply);
    EXPECT_EQ(Look().Colour, TAgeColour::Red);

    Transport.SerialOpen = false;
    Facts.Udp = Transport.Udp = false;
    EXPECT_ANY_THROW(SendStatusRequest(Codec));
    EXPECT_EQ(Health.PollsSent(), 1u) << "a poll that failed was not sent";
    Facts.Polling = false;
    EXPECT_EQ(LinkStateText(Look().State), "stopped");
}

TEST(ErrorList, DistinctMessagesOnceEachNewestFirstWithTheirCountsUntilDismissed) {
    TErrorList list;
    EXPECT_TRUE(list.Add("Writing to the serial port failed (errno 5)",
                         "Input/output error on /dev/ttyUSB0", At(2026, 12, 7, 10, 0, 1)));
    EXPECT_TRUE(list.Add("Invalid address: x", "", At(2026, 12, 7, 10, 0, 2)));
    EXPECT_FALSE(
        list.Add("Writing to the serial port failed (errno 5)", "", At(2026, 12, 7, 10, 0, 3)));
    ASSERT_EQ(list.Entries().size(), 2u);
    const TErrorEntry& top = list.Entries()[0];
    EXPECT_EQ(top.Message, "Writing to the serial port failed (errno 5)");
    EXPECT_EQ(top.Count, 2u);
    EXPECT_EQ(ClockText(top.First), "10:00:01");
    EXPECT_EQ(ClockText(top.Last), "10:00:03");
    EXPECT_EQ(top.Detail, "Input/output error on /dev/ttyUSB0"); // kept when a repeat has none
    EXPECT_EQ(list.Entries()[1].Message, "Invalid address: x");

    list.Dismiss(top.Message);
    ASSERT_EQ(list.Entries().size(), 1u);
    EXPECT_TRUE(
        list.Add("Writing to the serial port failed (errno 5)", "", At(2026, 12, 7, 10, 0, 4)));
    EXPECT_EQ(list.Entries()[0].Count, 1u);
    for (int i = 0; i < 60; ++i) {
        list.Add("failure " + std::to_string(i), "", At(2026, 12, 7, 10, 1, 0));
    }
    EXPECT_EQ(list.Entries().size(), TErrorList::MaxEntries);
    EXPECT_EQ(list.Entries()[0].Message, "failure 59");
    list.DismissAll();
    EXPECT_TRUE(list.Empty());
}

// Over UDP a silence of ten intervals is said once, counted from the first poll to its address
// (another address has ten intervals of its own), and not while a poll cannot be sent at all.
TEST_F(LinkHealth, AUdpSilenceIsSaidOnceCountedFromThePollsToItsAddress) {
    TUdpSilence silence(Clock);
    Facts.Udp = true;
    auto say = [&](const std::string& target = "UDP 10.0.0.2:1501") {
        return silence.Look(Facts, Look(), target);
    };
    EXPECT_FALSE(say());
    Advance(10001);
    Facts.SendFailing = true;
    EXPECT_FALSE(say());
    Facts.SendFailing = false;
    const auto notice = say();
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->Message + " | " + notice->Detail,
              "No reply from the panel | UDP 10.0.0.2:1501, no reply yet");
    EXPECT_FALSE(say());
    EXPECT_FALSE(say("UDP 10.0.0.3:1501"));
    Advance(10001);
    EXPECT_TRUE(say("UDP 10.0.0.3:1501"));
}
