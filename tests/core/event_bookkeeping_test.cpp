// The copy of the panel's event log: records reach the event report and the log in order, the
// stored index follows them into "Kelm2.ini" only once their line is on disk, and each panel
// keeps its own section. Real files in a temporary directory; replies come through the codec.

#include "core/errors.h"
#include "link/frame_codec.h"
#include "model/event_bookkeeping.h"
#include "model/event_record.h"
#include "model/panel_calendar.h"
#include "model/reply_decoders.h"
#include "model/status_decoder.h"
#include "store/report_writer.h"

#include "fake_transport.h"
#include "fakes.h"
#include "little_endian.h"
#include "panel_frames.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace {

constexpr uint64_t PanelId = 0x00A1B2C3D400;
const std::string PanelIdText = "00A1B2C3D400";

TBytes EventPayload(uint16_t index, uint8_t code = 8, uint32_t time = 0,
                    uint64_t id = 0x060504030201, uint8_t source = 0x12) {
    TBytes p(EventRecordSize);
    PutU16(&p[0], index);
    PutU48(&p[2], id);
    p[8] = code;
    p[9] = source;
    PutU32(&p[10], time);
    return p;
}

// The settings file, counting the look-ups and letting a test look at the disk before a write.
class TWatchedSettings : public IEventSettings {
public:
    explicit TWatchedSettings(TSettingsHolder& holder) : FIni(holder) {}
    bool Available() const override { return FIni.Available(); }
    TIniValues ReadAll() const override {
        ++Reads;
        return FIni.ReadAll();
    }
    void WriteInteger(const std::string& s, const std::string& k, int v) override {
        BeforeWrite(s, k);
        FIni.WriteInteger(s, k, v);
    }
    void WriteString(const std::string& s, const std::string& k, const std::string& v) override {
        BeforeWrite(s, k);
        FIni.WriteString(s, k, v);
    }
    void UpdateFile() override { FIni.UpdateFile(); }

    mutable int Reads = 0;
    std::function<void(const std::string&, const std::string&)> BeforeWrite = [](auto&, auto&) {};

private:
    THeldEventSettings FIni;
};

class TIndexView : public IEventIndexView {
public:
    void ShowEventIndices(uint16_t start, uint16_t end, uint16_t capacity) override {
        Shown = std::to_string(start) + " " + std::to_string(end) + " " + std::to_string(capacity);
    }
    std::string Shown;
};

// The status pages are not looked at here.
class TNoPages : public IStatusView {
public:
    void ShowDeviceId(int, const std::string&) override {}
    void ShowValue(int, TMeasureField, uint16_t) override {}
    void ShowStateCode(int, TStateField, uint8_t) override {}
    void ShowOutputs(int, uint16_t) override {}
    void ShowSlavePage(int, bool) override {}
};

class EventBookkeepingTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clock.Time = At(2010, 12, 5, 14, 3, 22);
        Holder.Create(Dir.File("Kelm2.ini"));
        RegisterReplyDecoders(Codec, StatusDecoder, Events, Log, Writer, Clock);
    }

    void Status(uint16_t end, uint16_t capacity = 500, const std::string& id = PanelIdText) {
        Events.SelectDeviceAndRequest(0, end, capacity, id);
    }
    void Reply(uint8_t letter, const TBytes& payload) {
        for (uint8_t b : PanelSerialFrame(letter, payload)) {
            Codec.ReceiveByte(b);
        }
    }
    void Event(uint16_t index, uint32_t time = 0) { Reply('G', EventPayload(index, 8, time)); }
    void EventInfo(uint16_t end) {
        TBytes p(6);
        PutU16(&p[2], end);
        Reply('U', p);
    }

    // The indices of the 'G' requests sent so far (frames without escapes: indices below 170).
    std::vector<int> Requested() const {
        std::vector<int> indices;
        for (const auto& f : Transport.Sent) {
            EXPECT_EQ(f[3], 'G');
            indices.push_back(f[4] | (f[5] << 8));
        }
        return indices;
    }
    std::string Ini() const { return ReadFileBytes(Dir.Path() / "Kelm2.ini"); }
    std::string Report() const {
        return ReadFileBytes(Dir.Path() / "ReportUdal" / "Kelm2_Udal_20101205.txt");
    }
    void WriteIni(const std::string& text) { WriteFileBytes(Dir.Path() / "Kelm2.ini", text); }
    static std::string Line(uint16_t index, const std::string& time = "00:00:00 01.01.2000") {
        char head[16];
        std::snprintf(head, sizeof head, "ind=%3u", index);
        return head + (";tPC=14:03:22 05.12.2010;t=" + time) +
               ";ID=060504030201;Zar=1;Sm=2;Ud=08;Poplach na smycce";
    }

    TTempDir Dir;
    TFakeClock Clock;
    TFakeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    TPanelState State;
    TSettingsHolder Holder;
    TWatchedSettings Settings{Holder};
    TIndexView View;
    TReportFile ReportFile{EventReportKind, Dir.Path().string(), Clock};
    TReportWriter Writer{ReportFile};
    TEventBookkeeping Events{Codec, State.Events, Settings, View, Writer, Log, Clock};
    TNoPages Pages;
    TStatusDecoder StatusDecoder{Codec, State, Pages, Clock};
};

} // namespace

TEST(PanelCalendar, DecodesWithIntegerArithmeticAndKeepsDaysTheMonthLacks) {
    EXPECT_EQ(EventTimeText(DecodePanelTime(0)), "00:00:00 01.01.2000");
    EXPECT_EQ(EventTimeText(DecodePanelTime(32140799)), "23:59:59 31.12.2000");
    EXPECT_EQ(EventTimeText(DecodePanelTime(4294967295u)), "06:28:15 18.08.2133");
    EXPECT_EQ(EventTimeText(DecodePanelTime(5270400)), "00:00:00 31.02.2000");
}

TEST(EventLine, IsBuiltPieceByPiece) {
    EXPECT_EQ(EventLine(ReadEventRecord(EventPayload(123, 8, 0).data()), At(2010, 12, 5, 14, 3, 22))
                  .substr(0, 8),
              "ind=123;");
    // 13:58:01 on 5 December 2010 in the panel calendar.
    const uint32_t t = ((((10u * 12 + 11) * 31 + 4) * 24 + 13) * 3600) + 58 * 60 + 1;
    EXPECT_EQ(
        EventLine(ReadEventRecord(EventPayload(123, 8, t).data()), At(2010, 12, 5, 14, 3, 22)),
        "ind=123;tPC=14:03:22 05.12.2010;t=13:58:01 05.12.2010;ID=060504030201;Zar=1;Sm=2;"
        "Ud=08;Poplach na smycce");
    auto line = [](uint16_t index, uint8_t code) {
        return EventLine(ReadEventRecord(EventPayload(index, code, 0, 0xFFEEDDCCBBAA, 0xAF).data()),
                         At(2000, 1, 1, 0, 0, 0));
    };
    EXPECT_EQ(line(5, 1).substr(0, 8), "ind=  5;");
    EXPECT_EQ(line(42, 1).substr(0, 8), "ind= 42;");
    EXPECT_EQ(line(1234, 1).substr(0, 9), "ind=1234;");
    EXPECT_EQ(line(65535, 1).substr(0, 10), "ind=65535;");
    const std::string tail = ";ID=FFEEDDCCBBAA;Zar=A;Sm=F;Ud=";
    for (uint8_t code : {46, 255}) {
        EXPECT_TRUE(line(0, code).ends_with(tail + "00;????")) << line(0, code);
    }
    EXPECT_TRUE(line(0, 39).ends_with(tail + "27; *** RESET ***"));
    EXPECT_TRUE(line(0, 40).ends_with(tail + "28; *** RESET HASENI ***"));
    EXPECT_TRUE(line(0, 45).ends_with(tail + "2D;Tlak OK"));
}

TEST_F(EventBookkeepingTest, CopiesTheBacklogInOrderSavingEachIndexOnlyOnceItsLineIsOnDisk) {
    Status(3);
    EXPECT_EQ(Ini(), "[General]\r\nPocetZar=1\r\n\r\n[Zar0]\r\nindex=0\r\nid=00A1B2C3D400\r\n");
    EXPECT_EQ(View.Shown, "0 3 500");
    Settings.BeforeWrite = [this](const std::string& section, const std::string& key) {
        ASSERT_EQ(section + key, "Zar0index");
        // The record that this index moves past is on the disk already (the index moves once
        // it is saved).
        EXPECT_NE(Report().find(Line(State.Events.EventIndex)), std::string::npos);
    };
    for (uint16_t i = 0; i < 3; ++i) {
        Event(i);
        Status(3);
    }
    EXPECT_EQ(Requested(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Report(), Line(0) + "\r\n" + Line(1) + "\r\n" + Line(2) + "\r\n");
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{Line(0), Line(1), Line(2)}));
    EXPECT_EQ(Ini(), "[General]\r\nPocetZar=1\r\n\r\n[Zar0]\r\nindex=3\r\nid=00A1B2C3D400\r\n");

    // A record that is not the awaited one is logged, not counted; so is a repeat.
    Event(1);
    EXPECT_EQ(State.Events.EventIndex, 3);
    EXPECT_EQ(Log.Lines.back(), Line(1));
}

TEST_F(EventBookkeepingTest, TellsHowManyRecordsWereCopiedAndHowManyWaitAroundTheRing) {
    EXPECT_FALSE(Events.EventProgress()) << "no installation selected yet";
    Status(3);
    ASSERT_TRUE(Events.EventProgress());
    EXPECT_EQ(Events.EventProgress()->Copied, 0u);
    EXPECT_EQ(Events.EventProgress()->Waiting, 3u);
    for (uint16_t i = 0; i < 3; ++i) {
        Event(i);
    }
    Event(1); // a repeat is not counted
    EXPECT_EQ(Events.EventProgress()->Copied, 3u);
    EXPECT_EQ(Events.EventProgress()->Waiting, 0u);
    Status(1, 4); // the panel's ring of 4 wrapped: records 3 and 0 wait
    EXPECT_EQ(Events.EventProgress()->Waiting, 2u);
}

TEST_F(EventBookkeepingTest, AStatusReplyEndsWithTheBookkeeping) {
    TBytes status(StatusRecordSize);
    PutU48(&status[0], PanelId);
    PutU16(&status[6], 4);   // event start
    PutU16(&status[8], 9);   // event end
    PutU16(&status[10], 12); // event capacity
    Reply('A', status);
    EXPECT_EQ(View.Shown, "4 9 12");
    EXPECT_EQ(Requested(), (std::vector<int>{0}));
    EXPECT_EQ(State.Events.EventCapacity, 12);
    EXPECT_NE(Ini().find("id=00A1B2C3D400"), std::string::npos);
}

TEST_F(EventBookkeepingTest, ReadsTheSettingsFileOnlyWhenTheIdChanges) {
    Status(0);
    Status(0);
    Status(0);
    EXPECT_EQ(Settings.Reads, 1);
    Status(0, 500, "0000000000AB");
    EXPECT_EQ(Settings.Reads, 2);
    EXPECT_EQ(State.Events.DeviceSection, 1);
    Status(0);
    EXPECT_EQ(Settings.Reads, 3);
    EXPECT_EQ(State.Events.DeviceSection, 0); // back to its own section
}

TEST_F(EventBookkeepingTest, SearchesOnlyCountedSectionsAndAddsOneAtTheOldCount) {
    WriteIni("[General]\r\nPocetZar=3\r\n[Zar0]\r\nid=1\r\n[zar1]\r\nid=2\r\n[Zar2]\r\nid=3\r\n"
             "[Zar3]\r\nindex=77\r\nid=FFFF\r\n[Zar5]\r\nindex=9\r\nid=00A1B2C3D400\r\n");
    Status(5);
    EXPECT_EQ(Ini(), "[General]\r\nPocetZar=4\r\n[Zar0]\r\nid=1\r\n[zar1]\r\nid=2\r\n[Zar2]\r\n"
                     "id=3\r\n[Zar3]\r\nindex=0\r\nid=00A1B2C3D400\r\n[Zar5]\r\nindex=9\r\n"
                     "id=00A1B2C3D400\r\n");
    Event(0);
    EXPECT_NE(Ini().find("[Zar3]\r\nindex=1\r\n"), std::string::npos);
    EXPECT_EQ(Requested(), (std::vector<int>{0}));
}

TEST_F(EventBookkeepingTest, TakesTheLowestMatchingSectionAndReadsABadIndexAsZero) {
    const std::vector<std::pair<std::string, int>> stored = {
        {"41", 41}, {"$29", 41}, {"65535", 65535}, {"65536", 0}, {"-1", 0}, {"abc", 0}, {"", 0}};
    for (const auto& [text, expected] : stored) {
        State.Events = {};
        WriteIni("[General]\r\nPocetZar=4\r\n[Zar0]\r\nid=0\r\n[ZAR1]\r\nindex=" + text +
                 "\r\nid=00a1b2c3d400 old\r\n[Zar2]\r\nindex=5\r\nid=00A1B2C3D400\r\n");
        Status(7);
        EXPECT_EQ(State.Events.DeviceSection, 1) << text;
        EXPECT_EQ(State.Events.EventIndex, expected) << text;
    }
}

TEST_F(EventBookkeepingTest, WrapsTheIndexAtTheCapacityAndAtOnceWithoutOne) {
    WriteIni("[General]\r\nPocetZar=1\r\n[Zar0]\r\nindex=9\r\nid=00A1B2C3D400\r\n");
    Status(2, 10);
    Event(9);
    EXPECT_EQ(State.Events.EventIndex, 0);
    EXPECT_NE(Ini().find("index=0"), std::string::npos);

    WriteIni("[General]\r\nPocetZar=1\r\n[Zar0]\r\nindex=7\r\nid=00A1B2C3D400\r\n");
    State.Events = {};
    Status(2, 0);
    Event(7);
    EXPECT_EQ(State.Events.EventIndex, 0);
}

TEST_F(EventBookkeepingTest, AnEventInfoReplyAsksOnlyWhenTheStoredIndexDiffers) {
    Status(0);
    EventInfo(0);
    EXPECT_TRUE(Requested().empty());
    EventInfo(4);
    EXPECT_EQ(Requested(), (std::vector<int>{0}));
}

TEST_F(EventBookkeepingTest, ShortRepliesArePassedOverAsBadFrames) {
    Status(0);
    EXPECT_THROW(Reply('U', TBytes{0, 0, 5}), EShortReply);
    TBytes shortRecord = EventPayload(0);
    shortRecord.pop_back();
    EXPECT_THROW(Reply('G', shortRecord), EShortReply);
    EXPECT_EQ(Codec.Counters().ShortReplies, 2u);
    EXPECT_TRUE(Requested().empty());
    EXPECT_EQ(Report(), "");
    EXPECT_EQ(State.Events.EventIndex, 0);
}

TEST_F(EventBookkeepingTest, WithoutADeviceNothingIsAskedForCountedOrSaved) {
    Event(0); // before the first status reply
    EventInfo(3);
    Status(3, 500, "000000000000"); // a panel that reports no ID
    EventInfo(3);
    Event(0);
    EXPECT_TRUE(Requested().empty());
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "Kelm2.ini"));
    EXPECT_EQ(Report(), Line(0) + "\r\n" + Line(0) + "\r\n");
    EXPECT_EQ(Log.Lines.size(), 2u);
    EXPECT_EQ(View.Shown, "0 3 500");
}

TEST_F(EventBookkeepingTest, OnceTheSettingsObjectIsReleasedTheFileIsLeftAlone) {
    Status(2);
    Holder.Release();
    const std::string before = Ini();
    Event(0); // a late reply while the window closes
    Status(2);
    EXPECT_EQ(Ini(), before);
    EXPECT_EQ(Requested(), (std::vector<int>{0}));
    EXPECT_EQ(Report(), Line(0) + "\r\n");
}

TEST_F(EventBookkeepingTest, ARecordOnADayItsMonthLacksIsWrittenAndCounted) {
    Status(2);
    Event(0, 5270400);
    EXPECT_EQ(Report(), Line(0, "00:00:00 31.02.2000") + "\r\n");
    EXPECT_EQ(State.Events.EventIndex, 1);
    Status(2);
    EXPECT_EQ(Requested(), (std::vector<int>{0, 1}));
}

TEST_F(EventBookkeepingTest, ARecordWhoseLineIsNotOnDiskIsAskedForAgain) {
    Status(2);
    const auto reports = Dir.Path() / "ReportUdal";
    WriteFileBytes(reports, "in the way");
    EXPECT_THROW(Event(0), EInOutError);
    EXPECT_NO_THROW(Event(0)); // the same failure is not raised twice, nor counted
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{Line(0), Line(0)}));
    EXPECT_EQ(State.Events.EventIndex, 0);
    EXPECT_NE(Ini().find("index=0"), std::string::npos);

    std::filesystem::remove(reports);
    Status(2);
    Event(0);
    EXPECT_EQ(State.Events.EventIndex, 1);
    EXPECT_EQ(Report(), Line(0) + "\r\n");
}

TEST_F(EventBookkeepingTest, ASectionThatCannotBeWrittenSelectsNoDevice) {
    WriteIni("[General]\r\nPocetZar=1\r\n[Zar0]\r\nindex=5\r\nid=00000000BEEF\r\n");
    Status(5, 500, "00000000BEEF"); // up to date: nothing asked for
    Settings.BeforeWrite = [](auto&, auto&) { throw EOrvant("Unable to write to Kelm2.ini"); };
    EXPECT_THROW(Status(3), EOrvant);
    EXPECT_EQ(State.Events.CurrentDeviceId, 0u);
    Event(5); // must not land in the other panel's section
    EXPECT_NE(Ini().find("index=5"), std::string::npos);

    Settings.BeforeWrite = [](auto&, auto&) {};
    Status(3);
    EXPECT_EQ(State.Events.CurrentDeviceId, PanelId);
    EXPECT_EQ(State.Events.DeviceSection, 1);
    EXPECT_EQ(Requested(), (std::vector<int>{0}));
}
