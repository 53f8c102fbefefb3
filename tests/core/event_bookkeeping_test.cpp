// The copy of the panel's event log: records reach the event report and the log in order, the
// stored index follows them into "Kelm2.ini" only once their line is on disk, and each panel
// keeps its own section. Real files in a temporary directory; replies come through the codec.

#include "core/errors.h"
#include "core/event_queue.h"
#include "link/frame_codec.h"
#include "model/event_bookkeeping.h"
#include "model/event_record.h"
#include "model/event_window.h"
#include "model/panel_calendar.h"
#include "model/reply_decoders.h"
#include "model/status_decoder.h"
#include "store/disk_calls.h"
#include "store/disk_worker.h"
#include "store/report_writer.h"

#include "fake_transport.h"
#include "fakes.h"
#include "little_endian.h"
#include "panel_frames.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

// What reaches the disk through the file layer, in order, as a power cut sees it: each call with
// the name of its file (a temporary settings file as "Kelm2.ini.tmp"). A flush of the file
// `refuse` names fails with `refusal`. The calls go on to the table the recorder replaced, which
// it puts back; that this table reaches the system is proved in disk_calls_test.cpp. While
// HoldFlushes() is in force a flush on another thread does not return, as on slow media, until
// ReleaseFlushes(); calls made on the thread that made the recorder (the main thread) are counted.
class TDiskRecorder {
public:
    TDiskRecorder() : FReplaced(DiskCalls()) {
        TDiskCalls& calls = DiskCalls();
        const TDiskCalls system = FReplaced;
        calls.Write = [this, system](int fd, const void* data, std::size_t size) {
            Record("write " + Name(fd));
            return system.Write(fd, data, size);
        };
        calls.SyncData = [this, system](int fd) { return Sync("sync data", fd, system.SyncData); };
        calls.SyncFile = [this, system](int fd) { return Sync("sync", fd, system.SyncFile); };
        calls.SyncDirectory = [this, system](int fd) {
            return Sync("sync directory", fd, system.SyncDirectory);
        };
        calls.Rename = [this, system](const char* from, const char* to) {
            Record("rename " + Base(from) + " " + Base(to));
            return system.Rename(from, to);
        };
    }
    ~TDiskRecorder() {
        ReleaseFlushes();
        DiskCalls() = FReplaced;
    }
    void HoldFlushes() {
        const std::lock_guard lock(FGateMutex);
        FHeld = true;
    }
    void ReleaseFlushes() {
        {
            const std::lock_guard lock(FGateMutex);
            FHeld = false;
        }
        FGate.notify_all();
    }

    std::vector<std::string> Calls;
    std::string Refuse;
    int Refusal = 0;
    std::atomic<int> OnMainThread{0};

private:
    void Record(const std::string& call) {
        const std::lock_guard lock(FMutex);
        Calls.push_back(call);
        if (std::this_thread::get_id() == FMainThread) {
            ++OnMainThread;
        }
    }
    const TDiskCalls FReplaced;
    const std::thread::id FMainThread = std::this_thread::get_id();
    std::mutex FMutex;
    std::mutex FGateMutex;
    std::condition_variable FGate;
    bool FHeld = false;
    static std::string Base(const std::string& path) {
        std::string name = std::filesystem::path(path).filename().string();
        if (name.starts_with(".") && name.find(".tmp-") != std::string::npos) {
            name = name.substr(1, name.find(".tmp-") + 3); // ".Kelm2.ini.tmp-12-0"
        }
        return name;
    }
    static std::string Name(int fd) {
        return Base(std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd)));
    }
    int Sync(const std::string& what, int fd, const std::function<int(int)>& call) {
        Record(what + " " + Name(fd));
        if (std::this_thread::get_id() != FMainThread) {
            std::unique_lock lock(FGateMutex);
            FGate.wait(lock, [this] { return !FHeld; });
        }
        if (!Refuse.empty() && Name(fd) == Refuse) {
            errno = Refusal;
            return -1;
        }
        return call(fd);
    }
};

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
    void WriteStrings(const std::string& s,
                      const std::vector<std::pair<std::string, std::string>>& v) override {
        for (const auto& [k, value] : v) {
            BeforeWrite(s, k);
        }
        FIni.WriteStrings(s, v);
    }
    void UpdateFile() override { FIni.UpdateFile(); }
    std::function<void()>
    WriteStringsLater(const std::string& s,
                      std::vector<std::pair<std::string, std::string>> v) const override {
        return [this, s, v, write = FIni.WriteStringsLater(s, v)] {
            for (const auto& [k, value] : v) {
                BeforeWrite(s, k);
            }
            write();
        };
    }

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

class EventBookkeepingTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clock.Time = At(2010, 12, 5, 14, 3, 22);
        Holder.Create(Dir.File("Kelm2.ini"));
        RegisterReplyDecoders(Codec, StatusDecoder, Events, Log, Writer, Clock);
    }

    // A status reply; a second passes before it, as at the default poll interval.
    void Status(uint16_t end, uint16_t capacity = 500, const std::string& id = PanelIdText,
                uint16_t start = 0) {
        Clock.Ticks += 1000;
        Events.SelectDeviceAndRequest(start, end, capacity, id);
    }
    void Reply(uint8_t letter, const TBytes& payload) {
        for (uint8_t b : PanelSerialFrame(letter, payload)) {
            Codec.ReceiveByte(b);
        }
    }
    void Event(uint16_t index, uint32_t time = 0) { Reply('G', EventPayload(index, 8, time)); }
    // What a panel answers for a slot it never wrote.
    void EmptySlot(uint16_t index) { Reply('G', EventPayload(index, 0, 0, 0, 0)); }
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
    // The copy's note lines in the report, without their time stamp and line end.
    std::vector<std::string> Notes() const {
        const std::string head = "05.12.10 14:03:22  event copy ID=00A1B2C3D400: ";
        std::vector<std::string> notes;
        std::istringstream in(Report());
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with(head)) {
                notes.push_back(line.substr(head.size(), line.size() - head.size() - 1));
            }
        }
        return notes;
    }
    uint64_t Dropped() const { return Codec.Counters().UnawaitedReplies; }
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
    TNoStatusView Pages;
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

TEST(EventWindow, PlacesTheStoredIndexAmongTheRecordsThePanelHolds) {
    using enum TIndexPlace;
    struct TCase {
        TEventWindow Window;
        uint16_t Index;
        TIndexPlace Place;
        uint32_t Waiting;
    };
    const TCase cases[] = {
        {{0, 30, 500}, 0, Inside, 30},    // not wrapped
        {{0, 30, 500}, 30, Inside, 0},    // caught up
        {{0, 30, 500}, 35, Outside, 0},   // a restarted log
        {{10, 30, 500}, 5, Outside, 0},   // older than the oldest record held
        {{400, 3, 500}, 498, Inside, 5},  // wrapped: the end is below the stored index
        {{400, 3, 500}, 1, Inside, 2},    //
        {{400, 3, 500}, 200, Outside, 0}, //
        {{3, 3, 500}, 498, Inside, 5},    // start equals end: full, or empty (the slot tells)
        {{3, 3, 500}, 3, Inside, 0},      //
        {{0, 0, 0}, 7, Unknown, 0},       // capacity 0: no ring described
        {{0, 30, 20}, 5, Unknown, 0},     // an end past the capacity
        {{0, 10, 20}, 25, Outside, 0},    // the capacity shrank below the index
        {{0, 10, 500}, 500, Outside, 0},  // at the capacity
        {{0, 10, 500}, 600, Outside, 0},  // past it
    };
    for (const TCase& c : cases) {
        const std::string what = std::to_string(c.Index) + " in " + WindowText(c.Window);
        EXPECT_EQ(PlaceOf(c.Index, c.Window), c.Place) << what;
        EXPECT_EQ(RecordsWaiting(c.Index, c.Window), c.Waiting) << what;
    }
    EXPECT_EQ(WindowText({400, 0, 500}), "records 400 to 499 of a ring of 500");
}

TEST_F(EventBookkeepingTest, CopiesTheBacklogInOrderSavingEachIndexOnlyOnceItsLineIsOnDisk) {
    Status(3);
    EXPECT_EQ(Ini(), "[General]\r\nPocetZar=1\r\n\r\n[Zar0]\r\nindex=0\r\nid=00A1B2C3D400\r\n"
                     "posledni=\r\n");
    EXPECT_EQ(View.Shown, "0 3 500");
    Settings.BeforeWrite = [this](const std::string& section, const std::string& key) {
        ASSERT_EQ(section, "Zar0");
        if (key != "index") {
            return;
        }
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
    EXPECT_EQ(Ini(), "[General]\r\nPocetZar=1\r\n\r\n[Zar0]\r\nindex=3\r\nid=00A1B2C3D400\r\n"
                     "posledni=2,0,8\r\ndiry=\r\npotvrzeny=0,0,8,0,3,500\r\npochybny=\r\n");
    EXPECT_EQ(Events.EventProgress()->Copied, 3u);
    EXPECT_EQ(Events.EventProgress()->Waiting, 0u);
    // The panel's ring of 4 is full and wrapped: 3 and 0 wait. A window that does not follow the
    // last one counts once the next reply follows it.
    Status(1, 4, PanelIdText, 1);
    Status(1, 4, PanelIdText, 1);
    EXPECT_EQ(Requested().back(), 0) << "the log's first record copied is read again first";
    Event(0);
    EXPECT_EQ(Events.EventProgress()->Waiting, 2u);
}

// A slow link: the reply comes after the next poll, and a 'U' reply comes between polls.
TEST_F(EventBookkeepingTest, OneRequestAtATimeALateReplyIsWrittenOnceAndARepeatIsDropped) {
    EXPECT_FALSE(Events.EventProgress()) << "no installation selected yet";
    Status(3);
    Status(3);
    EventInfo(3);
    EXPECT_EQ(Requested(), (std::vector<int>{0}));
    Event(0);
    Event(0); // the same reply again
    Event(2); // a record nobody asked for
    Status(3);
    EventInfo(3);
    EXPECT_EQ(Requested(), (std::vector<int>{0, 1}));
    EXPECT_EQ(Report(), Line(0) + "\r\n");
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{Line(0)}));
    EXPECT_EQ(Dropped(), 2u);
    EXPECT_EQ(Events.EventProgress()->Copied, 1u);
    EXPECT_EQ(Events.EventProgress()->Waiting, 2u);
}

// A lossy link: a record that misses its deadlines is asked again, each time after a longer
// wait; after three it becomes a hole while later records are copied, and is fetched once
// nothing else waits. Nothing is passed for good because it did not arrive.
TEST_F(EventBookkeepingTest, ARecordThatNeverComesBecomesAHoleAndIsFetchedLater) {
    Status(3);
    Clock.Ticks += 600000; // the link is down: no status reply, so no deadline passes
    EventInfo(3);
    EXPECT_EQ(Requested(), (std::vector<int>{0}));
    std::vector<int> askedAt; // the polls at which 0 was asked
    for (int poll = 1; poll < 100 && Requested().back() != 1; ++poll) {
        const std::size_t before = Requested().size();
        Status(3);
        if (Requested().size() > before && Requested().back() == 0) {
            askedAt.push_back(poll);
        }
    }
    ASSERT_EQ(askedAt.size(), 2u);
    EXPECT_LT(askedAt[0], askedAt[1] - askedAt[0]) << "the interval grows";
    EXPECT_EQ(Requested().back(), 1);
    EXPECT_NE(Ini().find("index=1\r\n"), std::string::npos);
    EXPECT_NE(Ini().find("diry=0\r\n"), std::string::npos);
    EXPECT_EQ(Events.EventProgress()->Waiting, 3u);
    Event(1);
    Status(3);
    Event(2);
    for (int poll = 0; poll < 100 && Requested().back() != 0; ++poll) {
        Status(3);
    }
    Event(0); // written late: its "ind=" says where it belongs
    EXPECT_EQ(Report(), Line(1) + "\r\n" + Line(2) + "\r\n" + Line(0) + "\r\n");
    EXPECT_NE(Ini().find("diry=\r\n"), std::string::npos);
    EXPECT_TRUE(Notes().empty());
    EXPECT_EQ(Events.EventProgress()->Waiting, 0u);
}

// The panel's log restarted (or "index" was edited): the stored index is not one of its records.
TEST_F(EventBookkeepingTest,
       AnIndexOutsideThePanelsLogResumesAtItsOldestAndEmptySlotsAreNotWritten) {
    WriteIni("[General]\r\nPocetZar=1\r\n[Zar0]\r\nindex=35\r\nid=00A1B2C3D400\r\n");
    Status(30, 500, PanelIdText, 2);
    Status(30, 500, PanelIdText, 2);
    const std::string restarted = "stored index 35 is not in the panel's log (records 2 to 29 of "
                                  "a ring of 500): the log was restarted or replaced; copying "
                                  "from 2";
    EXPECT_EQ(Notes(), (std::vector<std::string>{restarted}));
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"event copy ID=00A1B2C3D400: " + restarted}));
    EXPECT_EQ(Requested(), (std::vector<int>{2}));
    EXPECT_NE(Ini().find("index=2"), std::string::npos);
    EXPECT_EQ(Events.EventProgress()->Waiting, 28u);
    Event(2);

    // Cleared: start equals end. The record copied last is read again, and its slot is empty.
    Status(0, 500, PanelIdText, 0);
    Status(0, 500, PanelIdText, 0);
    Event(3); // the record asked for before
    EXPECT_EQ(Requested().back(), 2);
    EmptySlot(2);
    EXPECT_EQ(Notes().back(), "record 2 no longer holds the record copied last: the panel's log "
                              "was replaced or overwritten (a ring of 500); copying from 0");
    EXPECT_EQ(State.Events.EventIndex, 0);
    // Empty or full: the oldest slot and then the newest tell.
    Status(0, 500, PanelIdText, 0);
    EXPECT_EQ(Requested().back(), 0);
    EmptySlot(0);
    EXPECT_EQ(Requested().back(), 499);
    EmptySlot(499);
    const std::size_t asked = Requested().size();
    Status(0, 500, PanelIdText, 0);
    EXPECT_EQ(Requested().size(), asked) << "an empty log is not asked again";
    EXPECT_EQ(Report().find("ind=  0"), std::string::npos);
    EXPECT_EQ(Notes().size(), 2u);
}

TEST_F(EventBookkeepingTest, AStatusReplyEndsWithTheBookkeeping) {
    TBytes status(StatusRecordSize);
    PutU48(&status[0], PanelId);
    PutU16(&status[6], 4);   // event start
    PutU16(&status[8], 9);   // event end
    PutU16(&status[10], 12); // event capacity
    Reply('A', status);
    EXPECT_EQ(View.Shown, "4 9 12");
    EXPECT_EQ(Requested(), (std::vector<int>{4})); // a new installation starts at the oldest
    EXPECT_EQ(State.Events.EventCapacity, 12);
    EXPECT_NE(Ini().find("[Zar0]\r\nindex=4\r\nid=00A1B2C3D400"), std::string::npos);
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
                     "id=3\r\n[Zar3]\r\nindex=0\r\nid=00A1B2C3D400\r\nposledni=\r\n[Zar5]\r\n"
                     "index=9\r\n"
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
        Status(7, 0); // no ring described: the index stays as read
        EXPECT_EQ(State.Events.DeviceSection, 1) << text;
        EXPECT_EQ(State.Events.EventIndex, expected) << text;
    }
    EXPECT_TRUE(Requested().empty());
}

TEST_F(EventBookkeepingTest, WrapsTheIndexAtTheCapacity) {
    WriteIni("[General]\r\nPocetZar=1\r\n[Zar0]\r\nindex=9\r\nid=00A1B2C3D400\r\n");
    Status(2, 10, PanelIdText, 8);
    Event(9);
    EXPECT_EQ(State.Events.EventIndex, 0);
    EXPECT_NE(Ini().find("index=0"), std::string::npos);
    Status(2, 10, PanelIdText, 8);
    EXPECT_EQ(Requested(), (std::vector<int>{9, 0}));
}

TEST_F(EventBookkeepingTest, ShortRepliesArePassedOverAsBadFrames) {
    Status(0);
    EXPECT_THROW(Reply('U', TBytes{0, 0, 5}), EShortReply);
    TBytes shortRecord = EventPayload(0);
    shortRecord.pop_back();
    EXPECT_THROW(Reply('G', shortRecord), EShortReply);
    EXPECT_EQ(Codec.Counters().ShortReplies, 2u);
    EXPECT_EQ(Requested(), (std::vector<int>{0})); // empty or full: the oldest slot tells
    EXPECT_EQ(Report(), "");
    EXPECT_EQ(State.Events.EventIndex, 0);
}

TEST_F(EventBookkeepingTest, WithoutADeviceNothingIsAskedForWrittenOrSaved) {
    Event(0); // before the first status reply
    EventInfo(3);
    Status(3, 500, "000000000000"); // a panel that reports no ID
    EventInfo(3);
    Event(0);
    EXPECT_TRUE(Requested().empty());
    EXPECT_FALSE(std::filesystem::exists(Dir.Path() / "Kelm2.ini"));
    EXPECT_EQ(Report(), "");
    EXPECT_EQ(Dropped(), 2u);
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
    EXPECT_EQ(Report(), "");
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
    Status(2);                 // asked again at once: the reply ended the request
    EXPECT_NO_THROW(Event(0)); // the same failure is not raised twice, nor counted
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{Line(0), Line(0)}));
    EXPECT_EQ(State.Events.EventIndex, 0);
    EXPECT_NE(Ini().find("index=0"), std::string::npos);

    std::filesystem::remove(reports);
    Status(2);
    Event(0);
    EXPECT_EQ(Requested(), (std::vector<int>{0, 0, 0}));
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

// A power cut keeps only what was forced to disk: the record's line, then the settings file
// with the index past it (written beside, forced, renamed over), then the directory entry.
TEST_F(EventBookkeepingTest, APowerCutFindsTheLineOnDiskBeforeTheIndexThatMovesPastIt) {
    Status(3);
    Event(0);
    Status(3);
    const std::string dirName = Dir.Path().filename().string();
    TDiskRecorder disk;
    Event(1);
    EXPECT_EQ(disk.Calls, (std::vector<std::string>{
                              "write Kelm2_Udal_20101205.txt", "sync data Kelm2_Udal_20101205.txt",
                              "write Kelm2.ini.tmp", "sync Kelm2.ini.tmp",
                              "rename Kelm2.ini.tmp Kelm2.ini", "sync directory " + dirName}));
}

// Slow media (a USB stick, a network share): flushes that do not return. The window's thread hands
// the record's line and its save to the disk worker and makes no disk call itself, so it handles
// status replies while the flushes hang; the line is on disk before the index that moves past it,
// and nothing more is asked for until the save is done.
TEST_F(EventBookkeepingTest, OnSlowMediaTheWindowsThreadMakesNoDiskCall) {
    TEventQueue mainThread;
    std::vector<std::string> shown;
    TDiskWorker worker(mainThread, [&](const std::string& text) { shown.push_back(text); });
    TEventBookkeeping events{Codec, State.Events, Settings, View, Writer, Log, Clock, &worker};
    RegisterReplyDecoders(Codec, StatusDecoder, events, Log, Writer, Clock);
    const auto status = [&] {
        Clock.Ticks += 1000;
        events.SelectDeviceAndRequest(0, 3, 500, PanelIdText);
    };
    status(); // the new section is written here, at once
    TDiskRecorder disk;
    for (uint16_t i = 0; i < 2; ++i) {
        disk.HoldFlushes();
        Event(i);
        status();
        status();
        EXPECT_EQ(Requested().size(), i + 1u) << "asked for more while the save was under way";
        disk.ReleaseFlushes();
        ASSERT_TRUE(mainThread.ProcessUntil([&] { return State.Events.EventIndex == i + 1; },
                                            std::chrono::minutes(1)));
        status(); // asks for the next one
    }
    EXPECT_EQ(Requested(), (std::vector<int>{0, 1, 2}));
    ASSERT_TRUE(worker.Finish(std::chrono::minutes(1)));
    EXPECT_EQ(disk.OnMainThread, 0);
    const std::string dirName = Dir.Path().filename().string();
    const std::vector<std::string> record = {"write Kelm2_Udal_20101205.txt",
                                             "sync data Kelm2_Udal_20101205.txt",
                                             "write Kelm2.ini.tmp",
                                             "sync Kelm2.ini.tmp",
                                             "rename Kelm2.ini.tmp Kelm2.ini",
                                             "sync directory " + dirName};
    // The report's folder and file are made by the first line, and flushed.
    std::vector<std::string> both = {"sync directory " + dirName, "sync directory ReportUdal"};
    both.insert(both.end(), record.begin(), record.end());
    both.insert(both.end(), record.begin(), record.end());
    EXPECT_EQ(disk.Calls, both);
    EXPECT_EQ(Report(), Line(0) + "\r\n" + Line(1) + "\r\n");
    EXPECT_TRUE(shown.empty());
}

// Some network and FUSE file systems refuse to force data to disk: the copy goes on, and says
// so once. A real failure to flush still keeps the record from counting.
TEST_F(EventBookkeepingTest, AFlushTheFileSystemCannotDoCountsAsDoneAndIsToldOnce) {
    std::vector<std::string> told;
    SetUnsupportedFlushNotice([&](const std::string& text) { told.push_back(text); });
    Status(4);
    TDiskRecorder disk;
    disk.Refuse = "Kelm2_Udal_20101205.txt";
    disk.Refusal = EINVAL;
    Event(0);
    Status(4);
    disk.Refusal = ENOTSUP;
    Event(1);
    Status(4);
    EXPECT_EQ(State.Events.EventIndex, 2);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("Kelm2_Udal_20101205.txt cannot force data to disk (fdatasync: "
                           "Invalid argument)"),
              std::string::npos)
        << told[0];

    disk.Refusal = EIO;
    EXPECT_THROW(Event(2), EInOutError);
    EXPECT_EQ(State.Events.EventIndex, 2);
    SetUnsupportedFlushNotice({});
}

// The faults seen in the field, each as the panel showed it.
TEST_F(EventBookkeepingTest, ALogClearedAndRefilledPastTheStoredIndexIsCopiedFromItsStart) {
    // Stored index 10; while the program was not running the log was cleared and 15 new
    // records written. The record copied last (9) is read again: another record now.
    WriteIni("[General]\r\nPocetZar=1\r\n[Zar0]\r\nindex=10\r\nid=00A1B2C3D400\r\n"
             "posledni=9,777,8\r\n");
    Status(15);
    EXPECT_EQ(Requested(), (std::vector<int>{9}));
    Event(9, 5000);
    EXPECT_EQ(Notes().back(), "record 9 no longer holds the record copied last: the panel's log "
                              "was replaced or overwritten (records 0 to 14 of a ring of 500); "
                              "copying from 0");
    EXPECT_EQ(Events.EventProgress()->Waiting, 15u);
    Status(15);
    EXPECT_EQ(Requested().back(), 0);

    // A new window: the record copied last is read again before a record asked for counts.
    Event(0);
    Status(15);
    Status(16);
    Event(1); // kept until the check
    EXPECT_EQ(Requested().back(), 0) << "the record copied last is read again";
    Event(0); // the same: the same log
    EXPECT_EQ(Notes().size(), 1u);
    Status(16);
    EXPECT_EQ(Requested().back(), 2);
    EXPECT_EQ(Report().find(Line(1)), Report().rfind(Line(1)));
    EXPECT_NE(Report().find(Line(1)), std::string::npos);
}

TEST_F(EventBookkeepingTest, AnEmptySlotInsideTheLogIsAHoleNotAJump) {
    Status(25);
    for (uint16_t i = 0; i < 8; ++i) {
        Event(i);
        Status(25);
    }
    EmptySlot(8);
    Status(25);
    EXPECT_EQ(Requested().back(), 9);
    EXPECT_NE(Ini().find("diry=8\r\n"), std::string::npos);
    EXPECT_EQ(Events.EventProgress()->Waiting, 17u); // 9 to 24, and the hole
}

TEST_F(EventBookkeepingTest, ALateStatusReplyWithAnOlderEndChangesNothing) {
    Status(30);
    for (uint16_t i = 0; i < 21; ++i) {
        Event(i);
        Status(30);
    }
    Status(20); // late, from before
    Status(30);
    Event(0); // the log's first record copied, read again: the same
    Status(30);
    EXPECT_EQ(Requested().back(), 21);
    EXPECT_TRUE(Notes().empty());
    EXPECT_EQ(Report().find("ind=  0", 10), std::string::npos) << "nothing written twice";
}

// A settings file that cannot be replaced: the line is written once, nothing more is asked for
// until the position is saved, and the cause is said once.
TEST_F(EventBookkeepingTest, APositionThatCannotBeSavedIsRetriedNotTheRecord) {
    Status(3);
    Settings.BeforeWrite = [](auto&, auto&) {
        throw EOrvant("Unable to write to Kelm2.ini: No space left on device");
    };
    EXPECT_THROW(Event(0), EOrvant); // shown once
    for (int poll = 0; poll < 20; ++poll) {
        EXPECT_NO_THROW(Status(3));
    }
    for (int poll = 0; poll < 20; ++poll) {
        Status(3);
    }
    EXPECT_EQ(Requested(), (std::vector<int>{0}));
    EXPECT_EQ(Notes(), (std::vector<std::string>{
                           "the position 1 cannot be saved (Unable to write to Kelm2.ini: No space "
                           "left on device); nothing more is asked for until it is"}));
    Settings.BeforeWrite = [](auto&, auto&) {};
    Status(3);
    EXPECT_EQ(Requested(), (std::vector<int>{0, 1}));
    EXPECT_NE(Ini().find("index=1\r\n"), std::string::npos);
    EXPECT_EQ(Report().find(Line(0)), Report().rfind(Line(0)));
}

TEST_F(EventBookkeepingTest, AStatusReplyWithoutARingChangesNothing) {
    Status(3);
    Status(3, 0);                 // capacity 0
    Status(9, 5, PanelIdText, 7); // start and end past the capacity
    Event(0);
    EXPECT_EQ(State.Events.EventIndex, 1);
    EXPECT_TRUE(Notes().empty());
}

// Two installations on one line: a reply counts only for the installation that answers, with a
// unit ID its last status reply named.
TEST_F(EventBookkeepingTest, ARecordOfAnotherInstallationIsNeverTaken) {
    const uint64_t unitA = 0x060504030201;
    const uint64_t unitB = 0x0000000000B1;
    Events.UnitsAnswering({PanelId, unitA});
    Status(3);
    EXPECT_EQ(Requested(), (std::vector<int>{0}));
    Events.UnitsAnswering({0xB0, unitB});
    Status(3, 500, "0000000000B0");
    EXPECT_EQ(Requested(), (std::vector<int>{0, 0}));
    Event(0); // A's record 0, late: not B's
    EXPECT_EQ(Dropped(), 1u);
    Reply('G', EventPayload(0, 8, 0, unitB));
    Events.UnitsAnswering({PanelId, unitA});
    Status(3);
    EXPECT_EQ(Requested().back(), 0) << "A's record 0 is still to be copied";
    Event(0);
    const std::string report = Report();
    EXPECT_NE(report.find("ID=0000000000B1"), std::string::npos);
    EXPECT_EQ(report.find(Line(0)), report.rfind(Line(0)));
    EXPECT_NE(report.find(Line(0)), std::string::npos);
}
