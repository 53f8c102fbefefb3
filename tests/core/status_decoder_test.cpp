#include "core/errors.h"
#include "link/frame_codec.h"
#include "model/panel_state.h"
#include "model/pult.h"
#include "model/status_decoder.h"

#include "fake_transport.h"
#include "fakes.h"
#include "little_endian.h"
#include "panel_frames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Name(TMeasureField f) {
    static const char* names[] = {"VA",    "IA",   "VB", "IB", "VC", "IC", "VNet", "VDet", "VBat",
                                  "VHas1", "VSir", "TE", "TI", "TB", "P",  "CMer", "Tim"};
    return names[static_cast<int>(f)];
}

std::string Name(TStateField f) {
    static const char* names[] = {"stHas", "stPro", "stSir", "stV1",
                                  "stBat", "LineA", "LineB", "LineC"};
    return names[static_cast<int>(f)];
}

// Stands in for the window, the chart, the event bookkeeping and the data report, and writes
// down every call in order. A change of the LED masks is noted as "leds" when the next call
// comes, which places the mask update between two calls.
class TRecorder : public IStatusView,
                  public IChartSink,
                  public IEventBookkeeping,
                  public IDataLineSink {
public:
    explicit TRecorder(const TPanelState& state) : FState(state), FSeen(state) {}

    void ShowDeviceId(int device, const std::string& idText) override {
        Note("id " + std::to_string(device) + " " + idText);
    }
    void ShowValue(int device, TMeasureField field, uint16_t raw) override {
        Note("val " + std::to_string(device) + " " + Name(field) + " " + std::to_string(raw));
    }
    void ShowStateCode(int device, TStateField field, uint8_t code) override {
        Note("state " + std::to_string(device) + " " + Name(field) + " " + std::to_string(code));
    }
    void ShowOutputs(int device, uint16_t out) override {
        Note("out " + std::to_string(device) + " " + std::to_string(out));
    }
    void ShowSlavePage(int slave, bool shown) override {
        Note("page " + std::to_string(slave) + (shown ? " shown" : " hidden"));
    }
    void AddChartPoints(const TDateTime& time, double vNet, double vBat, double vDet) override {
        Note("chart");
        ChartTime = time;
        ChartVolts = {vNet, vBat, vDet};
    }
    void SelectDeviceAndRequest(uint16_t start, uint16_t end, uint16_t capacity,
                                const std::string& idText) override {
        Note("events " + std::to_string(start) + " " + std::to_string(end) + " " +
             std::to_string(capacity) + " " + idText);
        if (FailEvents) {
            throw EInOutError(28, "Kelm2.ini");
        }
    }
    void WriteDataLine(const TStatusRecord& record) override {
        Note("data " + DeviceIdText(record.Master.ID) + " " + std::to_string(record.Master.Tim));
    }

    std::vector<std::string> Calls;
    TDateTime ChartTime;
    std::vector<double> ChartVolts;
    bool FailEvents = false;

private:
    void Note(const std::string& call) {
        if (FState.LedOn != FSeen.LedOn || FState.LedBlink != FSeen.LedBlink) {
            Calls.push_back("leds");
            FSeen = FState;
        }
        Calls.push_back(call);
    }
    const TPanelState& FState;
    TPanelState FSeen;
};

class StatusDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Codec.RegisterDecoder(
            'A', [this] { Decoder.DecodeStatus(); }, StatusRecordSize);
        Payload.assign(StatusRecordSize, 0);
    }

    uint8_t* Slave(int k) { return Payload.data() + SlaveBlockOffset(k); }

    void Receive(const TBytes& payload) {
        const TBytes datagram = PanelDatagram('A', payload);
        Codec.ReceiveDatagram(datagram.data(), static_cast<int>(datagram.size()));
    }

    // Every field gets a value of its own, so a value taken from the wrong place shows.
    void FillDistinct() {
        PutU48(&Payload[0], 0xA1B2C3D4ULL);
        PutU16(&Payload[6], 7);
        PutU16(&Payload[8], 9);
        PutU16(&Payload[10], 100);
        for (int i = 0; i < 15; ++i) {
            PutU16(&Payload[12 + 2 * i], static_cast<uint16_t>(100 + i));
        }
        for (int i = 0; i < 3; ++i) {
            Payload[42 + i] = static_cast<uint8_t>(1 + i); // LineA..LineC
        }
        Payload[45] = 0x0B;               // slaves 1, 2 and 4 installed
        PutU32(&Payload[46], 0x00000001); // "Sys. ready"
        PutU32(&Payload[50], 1U << 21);   // "Fault slave2" blinks
        PutU16(&Payload[54], 0x0101);
        for (int i = 0; i < 5; ++i) {
            Payload[56 + i] = static_cast<uint8_t>(4 + i); // stHas, stBat, stV1, stSir, stPro
        }
        PutU16(&Payload[61], 300);
        for (int k = 1; k <= 4; ++k) {
            uint8_t* s = Slave(k);
            PutU48(s, static_cast<uint64_t>(k));
            for (int i = 0; i < 15; ++i) {
                PutU16(s + 6 + 2 * i, static_cast<uint16_t>(1000 * k + i));
            }
            s[37] = static_cast<uint8_t>(40 + k);
            for (int i = 0; i < 3; ++i) {
                s[38 + i] = static_cast<uint8_t>(10 * k + i);
            }
            PutU32(s + 41, 0x10U << k);
            PutU32(s + 45, 0x1000U << k);
            s[49] = static_cast<uint8_t>(0x90 + k);
            s[51] = static_cast<uint8_t>(50 + k);
            s[52] = static_cast<uint8_t>(60 + k);
        }
    }

    TFakeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    TPanelState State;
    TRecorder Rec{State};
    TFakeClock Clock;
    TStatusDecoder Decoder{Codec, State, Rec, Rec, Rec, Rec, Clock};
    TBytes Payload;
};

// The order in which a status reply reaches the window, the chart, the bookkeeping and the
// data report, built here from the record's layout rather than from the decoder.
std::vector<std::string> ExpectedCalls() {
    std::vector<std::string> c;
    auto add = [&](std::string s) { c.push_back(std::move(s)); };
    add("id 0 0000A1B2C3D4");
    for (int k = 1; k <= 4; ++k) {
        add("id " + std::to_string(k) + " 00000000000" + std::to_string(k));
    }
    for (int d = 0; d <= 4; ++d) {
        const int base = d == 0 ? 100 : 1000 * d;
        for (int i = 0; i < 15; ++i) {
            add("val " + std::to_string(d) + " " + Name(static_cast<TMeasureField>(i)) + " " +
                std::to_string(base + i));
        }
        if (d > 0) {
            add("val " + std::to_string(d) + " CMer " + std::to_string(40 + d));
        }
    }
    add("chart");
    add("state 0 stHas 4");
    add("state 0 stPro 8");
    add("state 0 stSir 7");
    add("state 0 stV1 6");
    for (int k = 1; k <= 4; ++k) {
        add("state " + std::to_string(k) + " stV1 " + std::to_string(60 + k));
    }
    add("state 0 stBat 5");
    for (int k = 1; k <= 4; ++k) {
        add("state " + std::to_string(k) + " stBat " + std::to_string(50 + k));
    }
    add("state 0 LineA 1");
    add("state 0 LineB 2");
    add("state 0 LineC 3");
    for (int k = 1; k <= 4; ++k) {
        add("state " + std::to_string(k) + " LineA " + std::to_string(10 * k));
        add("state " + std::to_string(k) + " LineB " + std::to_string(10 * k + 1));
        add("state " + std::to_string(k) + " LineC " + std::to_string(10 * k + 2));
    }
    add("val 0 Tim 300");
    add("leds");
    add("out 0 257");
    for (int k = 1; k <= 4; ++k) {
        add("out " + std::to_string(k) + " " + std::to_string(0x90 + k));
    }
    add("page 1 shown");
    add("page 2 hidden"); // its fault LED on the master blinks
    add("page 3 hidden"); // not installed, still updated above
    add("page 4 shown");
    add("events 7 9 100 0000A1B2C3D4");
    add("data 0000A1B2C3D4 300");
    return c;
}

} // namespace

TEST_F(StatusDecoderTest, RunsTheStepsInOrder) {
    FillDistinct();
    Receive(Payload);
    EXPECT_EQ(Rec.Calls, ExpectedCalls());
}

TEST_F(StatusDecoderTest, ChartGetsMasterVoltagesInVoltsWithOneClockReading) {
    Clock.Time = TDateTime{2024, 3, 17, 14, 3, 22, 0};
    PutU16(&Payload[24], 23456); // VNet
    PutU16(&Payload[26], 24100); // VDet
    PutU16(&Payload[28], 13780); // VBat
    PutU16(Slave(1) + 18, 999);  // a slave's VNet is not charted
    Receive(Payload);
    ASSERT_EQ(Rec.ChartVolts.size(), 3u);
    EXPECT_DOUBLE_EQ(Rec.ChartVolts[0], 23.456);
    EXPECT_DOUBLE_EQ(Rec.ChartVolts[1], 13.78);
    EXPECT_DOUBLE_EQ(Rec.ChartVolts[2], 24.1);
    EXPECT_EQ(Rec.ChartTime.Hour, 14);
    EXPECT_EQ(Rec.ChartTime.Second, 22);
    EXPECT_EQ(Rec.ChartTime.Day, 17);
}

TEST_F(StatusDecoderTest, EachDeviceMasksLandInTheirOwnElements) {
    PutU32(&Payload[46], 0x00000009);
    PutU32(&Payload[50], 0x00000008);
    PutU32(Slave(3) + 41, 0x00400000);
    PutU32(Slave(3) + 45, 0x00000004);
    PutU32(Slave(4) + 41, 0x00000002);
    Receive(Payload);
    EXPECT_EQ(State.LedOn, (std::array<uint32_t, 5>{0x9, 0, 0, 0x00400000, 0x2}));
    EXPECT_EQ(State.LedBlink, (std::array<uint32_t, 5>{0x8, 0, 0, 0x4, 0}));

    // A later record overwrites every element, zeros included.
    std::fill(Payload.begin(), Payload.end(), 0);
    PutU32(Slave(4) + 45, 0x80000000);
    Receive(Payload);
    EXPECT_EQ(State.LedOn, (std::array<uint32_t, 5>{}));
    EXPECT_EQ(State.LedBlink, (std::array<uint32_t, 5>{0, 0, 0, 0, 0x80000000}));
}

TEST_F(StatusDecoderTest, SlavePageShownWhenInstalledAndItsFaultLedDoesNotBlink) {
    Payload[45] = 0x0F;
    PutU32(&Payload[50], 1U << 20); // "Fault slave3"
    Receive(Payload);
    std::vector<std::string> pages(Rec.Calls.end() - 6, Rec.Calls.end() - 2);
    EXPECT_EQ(pages, (std::vector<std::string>{"page 1 shown", "page 2 shown", "page 3 hidden",
                                               "page 4 shown"}));

    TMasterBlock m;
    m.SlaveFlags = 0;
    m.Led1 = 0;
    for (int k = 1; k <= 4; ++k) {
        EXPECT_FALSE(SlavePageShown(m, k)) << k;
    }
    // Each slave's fault LED hides only its own page, and the lit mask plays no part.
    m.SlaveFlags = 0x0F;
    m.Led0 = 0xFFFFFFFF;
    for (int k = 1; k <= 4; ++k) {
        m.Led1 = 1U << (23 - k);
        for (int j = 1; j <= 4; ++j) {
            EXPECT_EQ(SlavePageShown(m, j), j != k) << "fault " << k << " page " << j;
        }
    }
    // Bits 4 to 7 of SlaveFlags name no slave.
    m.SlaveFlags = 0xF0;
    m.Led1 = 0;
    for (int k = 1; k <= 4; ++k) {
        EXPECT_FALSE(SlavePageShown(m, k)) << k;
    }
}

TEST_F(StatusDecoderTest, StateCodePastItsListReachesTheWindowUnchanged) {
    Payload[56] = 12;  // stHas: the window selects "Reset"
    Payload[59] = 255; // stSir
    Receive(Payload);
    auto has = [&](const std::string& call) {
        return std::find(Rec.Calls.begin(), Rec.Calls.end(), call) != Rec.Calls.end();
    };
    EXPECT_TRUE(has("state 0 stHas 12"));
    EXPECT_TRUE(has("state 0 stSir 255"));
}

// A settings file that cannot be written must not stop the data report: the bookkeeping's
// failure is raised after the data line.
TEST_F(StatusDecoderTest, BookkeepingFailureIsRaisedAfterTheDataLine) {
    FillDistinct();
    Rec.FailEvents = true;
    EXPECT_THROW(Receive(Payload), EInOutError);
    EXPECT_EQ(Rec.Calls, ExpectedCalls());
    EXPECT_EQ(State.LedOn[0], 1u); // steps before the bookkeeping took effect
    EXPECT_EQ(State.LedBlink[0], 1U << 21);

    // The next reply is decoded in full.
    Rec.FailEvents = false;
    Rec.Calls.clear();
    Receive(Payload);
    EXPECT_EQ(Rec.Calls.back(), "data 0000A1B2C3D4 300");
}

TEST_F(StatusDecoderTest, ShortReplyIsNotDecodedFromStaleBufferBytes) {
    FillDistinct();
    Receive(Payload);
    // Six ID bytes only: read at the record's offsets, the datagram's checksum and end byte would
    // become the event start and everything after would come from the earlier record.
    Rec.Calls.clear();
    EXPECT_THROW(Receive(TBytes{0x06, 0x05, 0x04, 0x03, 0x02, 0x01}), EShortReply);
    EXPECT_TRUE(Rec.Calls.empty());
}

// After a full reply, a short one (a valid frame with two payload bytes, or a datagram of three
// bytes) would be read over the earlier reply's bytes: it is passed over and counted instead.
TEST_F(StatusDecoderTest, AReplyShorterThanTheRecordIsCountedAndNeverDecoded) {
    FillDistinct();
    Receive(Payload);
    const std::vector<std::string> full = Rec.Calls;
    ASSERT_FALSE(full.empty());
    const TPanelState stateAfterFull = State;

    const TBytes serial = PanelSerialFrame('A', TBytes{0x22, 0x22});
    try {
        for (uint8_t b : serial) {
            Codec.ReceiveByte(b);
        }
        FAIL() << "a short reply was decoded";
    } catch (const EShortReply& e) {
        EXPECT_STREQ(e.what(), "Reply 'A' too short: under 283 bytes");
        EXPECT_EQ(e.Length, 2u);
    }
    EXPECT_EQ(Codec.RxState(), 0);
    const TBytes tiny{0x01, 0x30, 'A'};
    EXPECT_THROW(Codec.ReceiveDatagram(tiny.data(), 3), EShortReply);
    TBytes oneShort = Payload;
    oneShort.pop_back();
    EXPECT_THROW(Receive(oneShort), EShortReply);

    EXPECT_EQ(Rec.Calls, full);
    EXPECT_EQ(State.LedOn, stateAfterFull.LedOn);
    EXPECT_EQ(Codec.Counters().ShortReplies, 3u);
    EXPECT_EQ(Codec.Counters().Dispatched, 1u);

    Receive(Payload); // a full reply after them is decoded as before
    EXPECT_GT(Rec.Calls.size(), full.size());
    EXPECT_EQ(Rec.Calls.back(), full.back());
}
