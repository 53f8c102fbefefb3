// The traffic monitor's record and lines, for the byte examples of the protocol, on both
// transports and both ways.

#include "fake_transport.h"
#include "fakes.h"
#include "link/commands.h"
#include "model/traffic_log.h"
#include "panel_frames.h"

#include <gtest/gtest.h>

namespace {

class TrafficLog : public ::testing::Test {
protected:
    TrafficLog() {
        Clock.Time = At(2026, 12, 7, 13, 45, 12);
        Clock.Time.Millisecond = 7;
        Codec.RegisterDecoder('U', [] {});
        Codec.RegisterDecoder('G', [this] { Codec.DropReply(); }); // a reply nobody awaited
        Codec.RegisterDecoder(
            'A', [] {}, 283);
        Codec.AddObserver(Log);
    }
    void Receive(const std::string& hex) {
        for (uint8_t b : HexBytes(hex)) {
            Codec.ReceiveByte(b);
        }
    }
    std::string Line(std::size_t i) const { return TrafficLine(Log.At(i)); }
    // A monitor line: the meaning padded to its column, then the bytes.
    static std::string Expected(const std::string& head, std::string meaning,
                                const std::string& hex) {
        meaning.resize(60, ' ');
        return "13:45:12.007  " + head + meaning + "  " + hex;
    }

    TFakeClock Clock;
    TFakeTransport Transport;
    TMemoryLog Memo;
    TFrameCodec Codec{Transport, Memo};
    TTrafficLog Log{Clock};
};

} // namespace

TEST_F(TrafficLog, EachFrameIsOneLineWithTimeDirectionTransportBytesAndMeaning) {
    SendStatusRequest(Codec);
    SendEventRequest(Codec, 0x00AA);
    SendSetTime(Codec, At(2011, 5, 17, 13, 45, 30));
    Transport.Udp = true;
    SendStatusRequest(Codec);
    SendEventRequest(Codec, 0x00AA);
    Receive("AA 03 30 55 00 00 05 00 8A AA 02");
    Receive("AA 03 30 55 00 00 05 00 8B AA 02");
    const TBytes shortStatus = PanelDatagram('A', TBytes(5, 0));
    EXPECT_ANY_THROW(Codec.ReceiveDatagram(shortStatus.data(), int(shortStatus.size())));
    const TBytes shortIndex = HexBytes("01 30 55 85 02");
    Codec.ReceiveDatagram(shortIndex.data(), int(shortIndex.size()));
    TBytes status(283, 0);
    const uint8_t id[6] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    std::copy(id, id + 6, status.begin());
    status[8] = 5;    // event end index
    status[10] = 244; // event capacity 500
    status[11] = 1;
    const TBytes reply = PanelDatagram('A', status);
    Codec.ReceiveDatagram(reply.data(), int(reply.size()));

    ASSERT_EQ(Log.Size(), 10u);
    EXPECT_EQ(Line(0), Expected("TX serial  ", "'A' status request", "AA 01 30 41 71 AA 02"));
    EXPECT_EQ(Line(1),
              Expected("TX serial  ", "'G' request record 170", "AA 01 30 47 AA AA 00 21 AA 02"));
    EXPECT_EQ(Line(2), Expected("TX serial  ", "'T' set time 17.05.2011 13:45:30",
                                "AA 01 30 54 1E 2D 0D 11 05 0B FD AA 02"));
    EXPECT_EQ(Line(3), Expected("TX UDP     ", "'A' status request", "01 30 41 71 02"));
    EXPECT_EQ(Line(4), Expected("TX UDP     ", "'G' request record 170", "01 30 47 AA 00 21 02"));
    EXPECT_EQ(Line(5),
              Expected("RX serial  ", "'U' event end index 5", "AA 03 30 55 00 00 05 00 8A AA 02"));
    EXPECT_EQ(FrameSummary(Log.At(6)),
              "'U' event end index 5, bad checksum (sum 8A, frame says 8B): dropped");
    EXPECT_EQ(FrameSummary(Log.At(7)), "'A' status, 5 of 283 bytes, too short: passed over");
    EXPECT_EQ(FrameSummary(Log.At(8)), "'U' event index, ignored");
    EXPECT_EQ(FrameSummary(Log.At(9)), "'A' status of device ID 060504030201, events 0..5 of 500");

    for (uint8_t b : PanelSerialFrame('G', TBytes(14, 0))) {
        Codec.ReceiveByte(b);
    }
    const std::string late = FrameSummary(Log.At(10));
    EXPECT_TRUE(late.starts_with("'G' ")) << late;
    EXPECT_TRUE(late.ends_with(", not awaited (late or repeated): dropped")) << late;
}

TEST_F(TrafficLog, KeepsTheLastTenThousandFramesAndAFailedSendSaysSo) {
    for (int i = 0; i < 10005; ++i) {
        SendStatusRequest(Codec);
    }
    Transport.SerialOpen = false;
    EXPECT_ANY_THROW(SendVersionRequest(Codec));
    ASSERT_EQ(Log.Size(), TTrafficLog::Capacity);
    EXPECT_EQ(Log.At(0).Number, 7u);
    EXPECT_EQ(Log.LastNumber(), 10006u);
    EXPECT_EQ(FrameSummary(Log.At(Log.Size() - 1)), "'V' version request, not sent");
    Log.Clear();
    Transport.SerialOpen = true;
    SendStatusRequest(Codec);
    ASSERT_EQ(Log.Size(), 1u);
    EXPECT_EQ(Log.At(0).Number, 10007u) << "numbers go on after a clear";
}

// A flood of the largest datagrams in every slot, then ordinary frames: what the ring holds
// stays bounded by the longest frame the codec takes, and slots give back what they no longer
// need (without that, 10,000 slots of 64 KB would hold 655 MB).
TEST(TrafficLogMemory, KeepsLongDatagramsCutAndGivesBackTheirBuffers) {
    TFakeClock clock;
    TTrafficLog log(clock);
    const std::vector<uint8_t> huge(65507, 0x41);
    const std::vector<uint8_t> poll{0x01, 0x30, 0x41, 0x71, 0x02};
    auto see = [&](const std::vector<uint8_t>& wire) {
        log.FrameSeen({TFrameWay::Received, TFrameRoute::Udp, TFrameFate::Ignored, 'A', wire.data(),
                       wire.size()});
    };
    auto heldBytes = [&] {
        std::size_t bytes = 0;
        for (std::size_t i = 0; i < log.Size(); ++i) {
            bytes += log.At(i).Wire.capacity();
        }
        return bytes;
    };
    for (std::size_t i = 0; i < TTrafficLog::Capacity; ++i) {
        see(huge);
    }
    EXPECT_EQ(log.At(0).Wire.size(), TTrafficLog::MaxWireKept);
    EXPECT_LE(heldBytes(), TTrafficLog::Capacity * TTrafficLog::MaxWireKept);
    for (std::size_t i = 0; i < TTrafficLog::Capacity; ++i) {
        see(poll);
    }
    EXPECT_EQ(log.At(0).Wire, poll);
    EXPECT_LE(heldBytes(), TTrafficLog::Capacity * TTrafficLog::ShrinkAbove);
}

// Every received datagram names its sender, the panel's too, and only a stranger's is marked
// "not the panel"; the date leads the lines once the record reaches over midnight.
TEST_F(TrafficLog, DatagramsNameTheirSenderAndTheDateShowsOverMidnight) {
    const TBytes index = HexBytes("01 30 55 85 02");
    Codec.ReceiveDatagram(index.data(), int(index.size()), "192.168.1.100:1501");
    Codec.IgnoreDatagram(index.data(), int(index.size()), "10.0.0.7:40001");
    EXPECT_EQ(Line(0).substr(0, 42), "13:45:12.007  RX UDP 192.168.1.100:1501  '");
    EXPECT_EQ(Line(0).find("not the panel"), std::string::npos);
    EXPECT_NE(Line(1).find("RX UDP 10.0.0.7:40001  "), std::string::npos);
    EXPECT_NE(Line(1).find("ignored: not the panel (10.0.0.7:40001)"), std::string::npos);
    EXPECT_FALSE(SpansMidnight(Log));
    Clock.Time = At(2026, 12, 8, 0, 0, 1);
    SendStatusRequest(Codec);
    EXPECT_TRUE(SpansMidnight(Log));
    EXPECT_EQ(TrafficLine(Log.At(2), true).substr(0, 30), "08.12.2026 00:00:01.000  TX se");
}
