// Faults of the disk under the running window: the data report directory read-only and then
// writable again, a report file system that is full and then has room again, and a settings
// file that cannot be replaced. Replies keep coming over a pseudo-terminal throughout; the
// failure is shown once, reception goes on, logging resumes by itself, and no line is torn.
//
// Tests run as root, where file modes do not stop writes, so the faults are made with mounts: a
// read-only bind mount, a small tmpfs. They live in a mount namespace of this process's own,
// made before anything else starts, and go with it; without root the tests say so and skip.
// A device that stops answering is made through the disk call table instead.

#include "core/clock.h"
#include "hung_run.h"
#include "link/frame_codec.h"
#include "panel_frames.h"
#include "pty_pair.h"
#include "store/disk_calls.h"
#include "store/report_file.h"
#include "tagged_status.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QSpinBox>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string GMountsUnavailable; // why the mount namespace could not be made

std::string MakePrivateMountNamespace() {
    if (::geteuid() != 0) {
        return "the disk faults are made with mounts, which need root";
    }
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return std::string("no mount namespace of our own: ") + std::strerror(errno);
    }
    return "";
}

void MountOrFail(const char* source, const fs::path& target, const char* type, unsigned long flags,
                 const char* options = nullptr) {
    if (::mount(source, target.c_str(), type, flags, options) != 0) {
        QFAIL(qPrintable(QString("mount %1: %2").arg(target.c_str(), std::strerror(errno))));
    }
}

void MakeReadOnly(const fs::path& path) {
    MountOrFail(path.c_str(), path, nullptr, MS_BIND);
    MountOrFail(nullptr, path, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY);
}

void MakeWritable(const fs::path& path) {
    MountOrFail(nullptr, path, nullptr, MS_REMOUNT | MS_BIND);
}

std::string GoodReply(uint8_t tag) {
    return PanelSerialFrameText('A', TaggedStatusRecord(tag));
}

// The installation whose status replies say its log holds records 990 to 19751.
constexpr uint8_t LogTag = 0x70;

std::string EventReply(uint16_t index) {
    return PanelSerialFrameText('G', TaggedEventRecord(index, LogTag));
}

// "Kelm2.ini" with that installation's copy at `index`.
std::string SettingsCopyingFrom(int index) {
    return "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\nPocetZar=1\r\n\r\n[Zar0]\r\nid=" +
           TaggedId(LogTag) + "\r\nindex=" + std::to_string(index) + "\r\n";
}

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = bytes.find("\r\n", from)) != std::string::npos; from = end + 2) {
        lines.push_back(bytes.substr(from, end - from));
    }
    if (from < bytes.size()) {
        lines.push_back(bytes.substr(from) + "<no line end>");
    }
    return lines;
}

// Every line of the data report is a whole stamped line, a marker or a data line, except for at
// most `cutShort` lines that a full disk cut; returns the IDs of the data lines in order.
std::vector<std::string> WholeDataLineIds(const fs::path& reports, int cutShort = 0) {
    const std::regex stamped(
        R"(\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d  (\*+ Rep (Start|End) \*+|.*;ID=([0-9A-F]{12}).*))");
    std::vector<std::string> ids;
    for (const auto& entry : fs::directory_iterator(reports)) {
        for (const std::string& line : Lines(ReadFileBytes(entry.path()))) {
            std::smatch match;
            if (!std::regex_match(line, match, stamped) && cutShort-- <= 0) {
                QTest::qFail(("a torn line: " + line).c_str(), __FILE__, __LINE__);
                return {};
            }
            if (match[3].matched) {
                ids.push_back(match[3]);
            }
        }
    }
    return ids;
}

// The forced flushes of the disk call table, which hang off the window's thread (on the disk
// worker's) once armed, until released: a device of the event report that stops answering. It
// also keeps how much of each file a finished flush covered: what is on the disk for good.
class THangingFlushes {
public:
    THangingFlushes() : FGate(std::make_shared<TGate>()), FSystem(DiskCalls()) {
        DiskCalls().SyncData = Through(FSystem.SyncData);
        DiskCalls().SyncFile = Through(FSystem.SyncFile);
        DiskCalls().SyncDirectory = Through(FSystem.SyncDirectory);
    }
    // A thread still held (a test that failed before it released it) stays held until the
    // process ends, in the table and on a gate that outlive it.
    ~THangingFlushes() {
        const std::lock_guard lock(FGate->Mutex);
        if (FGate->Held) {
            new std::shared_ptr<TGate>(FGate); // NOLINT: kept for the held thread
        } else {
            DiskCalls() = FSystem;
        }
    }
    void Arm() {
        const std::lock_guard lock(FGate->Mutex);
        FGate->Armed = true;
    }
    void Release() {
        const std::lock_guard lock(FGate->Mutex);
        FGate->Armed = false;
        FGate->Changed.notify_all();
    }
    // The thread a flush holds (0 while none does).
    pid_t HeldThread() const {
        const std::lock_guard lock(FGate->Mutex);
        return FGate->Held ? FGate->HeldThread : 0;
    }
    // The part of `file` that a finished flush covered.
    std::string Flushed(const fs::path& file) const {
        const std::lock_guard lock(FGate->Mutex);
        const auto size = FGate->FlushedSize.find(file.string());
        return ReadFileBytes(file).substr(
            0, size == FGate->FlushedSize.end() ? 0 : static_cast<std::size_t>(size->second));
    }

private:
    struct TGate {
        std::mutex Mutex;
        std::condition_variable Changed;
        bool Armed = false;
        bool Held = false;
        pid_t HeldThread = 0;
        std::map<std::string, off_t> FlushedSize;
    };
    std::function<int(int)> Through(std::function<int(int)> flush) {
        return [gate = FGate, flush, window = std::this_thread::get_id()](int fd) {
            std::unique_lock lock(gate->Mutex);
            if (gate->Armed && std::this_thread::get_id() != window) {
                gate->Held = true;
                gate->HeldThread = ::gettid();
                gate->Changed.wait(lock, [&] { return !gate->Armed; });
                gate->Held = false;
            }
            lock.unlock();
            const int result = flush(fd);
            struct stat status {};
            if (result == 0 && ::fstat(fd, &status) == 0) {
                const std::string link = "/proc/self/fd/" + std::to_string(fd);
                std::error_code error;
                const fs::path file = fs::read_symlink(link, error);
                lock.lock();
                gate->FlushedSize[file.string()] = status.st_size;
            }
            return result;
        };
    }
    std::shared_ptr<TGate> FGate;
    TDiskCalls FSystem;
};

// The indices of the event lines in `report`, in order.
std::vector<int> EventIndices(const std::string& report) {
    std::vector<int> indices;
    const std::regex eventLine(R"(ind=\s*(\d+);.*)");
    for (const std::string& line : Lines(report)) {
        std::smatch match;
        if (std::regex_match(line, match, eventLine)) {
            indices.push_back(std::stoi(match[1]));
        }
    }
    return indices;
}

class TWindowOnALine {
public:
    explicit TWindowOnALine(const fs::path& dir) : FReports(dir.string(), SystemClock()) {
        WriteFileBytes(dir / "ComPort.ini",
                       "[ComPort1]\r\nPort=" + FPty.SlavePath() + "\r\nBaudRate=115200\r\n");
        if (!fs::exists(dir / "Kelm2.ini")) {
            WriteFileBytes(dir / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
        }
        try {
            StartReports(FReports);
        } catch (const std::exception& error) {
            FStartFailure = error.what();
        }
        FForm = std::make_unique<TForm1>(dir.string(), &FReports);
        FForm->show();
    }
    ~TWindowOnALine() {
        if (FForm) {
            Close();
        }
    }
    // Closes the window and ends the reports as the program does; false when the event
    // report's disk work was left behind. The reports stay for a writer that is left with it.
    bool Close() {
        FForm->close();
        const bool eventReportFree = FForm->FinishDiskWork();
        FForm.reset();
        try {
            FinishReports(FReports, eventReportFree);
        } catch (const std::exception&) {
        }
        return eventReportFree;
    }
    TForm1& Form() { return *FForm; }
    const std::string& StartFailure() const { return FStartFailure; }
    // Sends a status reply and waits until the window has decoded it.
    void Reply(uint8_t tag) { Send(GoodReply(tag)); }
    QStringList Messages() const { return FForm->Errors().OpenMessages(); }
    // Sends one reply and waits until the window has handed it to its decoder (which runs at
    // once, so its line, index and message are done then).
    void Send(const std::string& bytes) {
        const uint64_t decoded = FForm->Codec().Counters().Dispatched;
        FPty.Send(bytes);
        QTRY_VERIFY_WITH_TIMEOUT(FForm->Codec().Counters().Dispatched > decoded, HungRunMs);
    }
    // Sends status replies until the window asks for event record `index` (a reply that comes
    // while the last position is still being saved asks for nothing); true once it does.
    bool AsksForRecord(uint16_t index, uint8_t tag) {
        std::string request = ToText(PanelSerialFrame(
            'G', TBytes{static_cast<uint8_t>(index), static_cast<uint8_t>(index >> 8)}));
        request[1] = '\x01'; // the PC's start marker
        std::string heard;
        const bool asked = QTest::qWaitFor(
            [&] {
                Reply(tag);
                heard += FPty.Receive(256, std::chrono::milliseconds(5));
                return heard.find(request) != std::string::npos;
            },
            HungRunMs);
        if (!asked) {
            qWarning("heard: %s", HexText(ToBytes(heard)).c_str());
        }
        return asked;
    }

private:
    TPtyPair FPty;
    TReports FReports;
    std::string FStartFailure;
    std::unique_ptr<TForm1> FForm;
};

} // namespace

class TDiskFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        if (!GMountsUnavailable.empty()) {
            QSKIP(GMountsUnavailable.c_str());
        }
    }

    void LoggingResumesWhenTheReportDirectoryIsWritableAgain() {
        TTempDir dir;
        const fs::path reports = dir.Path() / "ReportData";
        fs::create_directory(reports);
        MakeReadOnly(reports);
        {
            TWindowOnALine window(dir.Path());
            window.Reply(0x01);
            window.Reply(0x02);
            QTRY_COMPARE_WITH_TIMEOUT(window.Messages().size(), 1, HungRunMs);
            QVERIFY2(window.Messages().front().contains("ReportData"),
                     qPrintable(window.Messages().front()));
            window.Reply(0x03); // the same failure is not shown again
            QCOMPARE(window.Messages().size(), 1);

            MakeWritable(reports);
            window.Reply(0x04);
            window.Reply(0x05);
            QCOMPARE(window.Messages().size(), 1);
        }
        // The run is bracketed in the file that finally opened; the lines of the read-only time
        // are lost, the others are there in order.
        QCOMPARE(WholeDataLineIds(reports),
                 (std::vector<std::string>{TaggedId(0x04), TaggedId(0x05)}));
        const auto lines = Lines(ReadFileBytes(fs::directory_iterator(reports)->path()));
        QVERIFY(lines.front().ends_with("******* Rep Start *******"));
        QVERIFY(lines.back().ends_with("******* Rep End *******"));
        umount2(reports.c_str(), MNT_DETACH);
    }

    void AFullReportFileSystemLosesOnlyWhatDidNotFitAndLoggingResumes() {
        TTempDir dir;
        const fs::path reports = dir.Path() / "ReportData";
        fs::create_directory(reports);
        MountOrFail("orvant-full", reports, "tmpfs", 0, "size=64k,mode=0755");
        {
            TWindowOnALine window(dir.Path());
            window.Reply(0x10);
            // Every free block taken: the report has only the rest of its last block, so its
            // lines run out of room, one of them part-way.
            const fs::path filler = reports / "filler";
            const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT, 0644);
            QVERIFY(fd >= 0);
            const std::string block(512, 'x');
            while (::write(fd, block.data(), block.size()) > 0) {
            }
            ::close(fd);
            for (uint8_t tag = 0x11; tag < 0x50; ++tag) {
                window.Reply(tag);
            }
            QTRY_COMPARE_WITH_TIMEOUT(window.Messages().size(), 1, HungRunMs);
            QVERIFY2(window.Messages().front().contains("ReportData"),
                     qPrintable(window.Messages().front()));
            fs::remove(filler);
            window.Reply(0x60);
            window.Reply(0x61);
            QCOMPARE(window.Messages().size(), 1);
        }
        // The lines up to the full disk in order, at most one cut short, then the lines after it
        // whole, each on a line of its own.
        const std::vector<std::string> ids = WholeDataLineIds(reports, 1);
        QVERIFY2(ids.size() >= 3 && ids.size() < 0x40 + 2,
                 qPrintable(QString::number(ids.size()) + " data lines"));
        qInfo("%zu data lines before the disk was full", ids.size() - 2);
        QCOMPARE(ids[ids.size() - 2], TaggedId(0x60));
        QCOMPARE(ids.back(), TaggedId(0x61));
        for (std::size_t i = 0; i + 2 < ids.size(); ++i) {
            QCOMPARE(ids[i], TaggedId(static_cast<uint8_t>(0x10 + i)));
        }
        umount2(reports.c_str(), MNT_DETACH);
    }

    // The panel's event log meets a settings file that cannot be written: the record's line is
    // in the report once, nothing more is asked for while its position cannot be saved (the
    // cause is shown once), and the copy goes on once the file can be written.
    void AnEventIsWrittenOnceWhileItsPositionCannotBeSaved() {
        TTempDir dir;
        const fs::path settings = dir.Path() / "Kelm2.ini";
        WriteFileBytes(settings, SettingsCopyingFrom(995));
        MakeReadOnly(settings);
        TWindowOnALine window(dir.Path());
        QVERIFY(window.AsksForRecord(995, LogTag));
        window.Send(EventReply(995));
        QTRY_COMPARE_WITH_TIMEOUT(window.Messages().size(), 1, HungRunMs);
        QVERIFY2(window.Messages()[0].startsWith(
                     QString::fromStdString("Unable to write to " + settings.string())),
                 qPrintable(window.Messages()[0]));
        window.Reply(LogTag);
        window.Reply(LogTag);

        QCOMPARE(::umount2(settings.c_str(), MNT_DETACH), 0); // writable again
        window.Reply(LogTag);                                 // the save is tried again
        QTRY_VERIFY_WITH_TIMEOUT(ReadFileBytes(settings).find("index=996\r\n") != std::string::npos,
                                 HungRunMs);
        // The next status reply once the save's outcome is back asks for the next record.
        QVERIFY(window.AsksForRecord(996, LogTag));
        const std::string events =
            ReadFileBytes(fs::directory_iterator(dir.Path() / "ReportUdal")->path());
        QCOMPARE(Count(events, "ind=995;"), 1); // copied once
        QCOMPARE(window.Messages().size(), 1);
    }

    // The event report's device stops answering while a record's line is being forced to it (a
    // USB stick pulled, a network share gone): the close ends all the same, within its limits,
    // with the data report ended, "Kelm2.ini" whole with the window's settings, and its index
    // never past a line that is on the disk. The thread left behind finishes once the device
    // answers again, and leaves everything as the close left it.
    void AHungEventDiskNeverHoldsTheClose() {
        TTempDir dir;
        const fs::path settings = dir.Path() / "Kelm2.ini";
        WriteFileBytes(settings, SettingsCopyingFrom(995));
        THangingFlushes flushes; // before any thread that may flush
        TWindowOnALine window(dir.Path());
        for (uint16_t index = 995; index < 998; ++index) {
            QVERIFY(window.AsksForRecord(index, LogTag));
            window.Send(EventReply(index));
        }
        QVERIFY(window.AsksForRecord(998, LogTag)); // 997's position is saved
        flushes.Arm();
        window.Send(EventReply(998));
        QTRY_VERIFY_WITH_TIMEOUT(flushes.HeldThread() != 0, HungRunMs);
        const pid_t worker = flushes.HeldThread();
        window.Form().TabSheet2->SpinEditAdr->setValue(7); // something for the close to save

        // A close that hangs holds this thread: the test's time limit ends the run.
        QVERIFY(!window.Close()); // the close found the device hung
        const fs::path events = fs::directory_iterator(dir.Path() / "ReportUdal")->path();
        const std::string onDisk = flushes.Flushed(events);
        const std::string closed = ReadFileBytes(settings);
        // The data report is whole and ended; the event report is left to its writer.
        WholeDataLineIds(dir.Path() / "ReportData");
        QVERIFY(Lines(ReadFileBytes(fs::directory_iterator(dir.Path() / "ReportData")->path()))
                    .back()
                    .ends_with("******* Rep End *******"));
        QCOMPARE(Count(ReadFileBytes(events), "Rep End"), 0);
        // The settings whole; the saved index right after the last line on the disk, never past it
        // (the line being forced when the device hung is not on it).
        std::smatch saved;
        QVERIFY2(std::regex_match(
                     closed, saved,
                     std::regex("\\[General\\]\r\nUDP=0\r\nIP=127\\.0\\.0\\.1\r\nPocetZar=1\r\n"
                                "Adr=7\r\n\r\n\\[Zar0\\]\r\nid=" +
                                TaggedId(LogTag) + "\r\nindex=(\\d+)\r\n(\\w+=[\\d,:]*\r\n)*")),
                 closed.c_str());
        QCOMPARE(EventIndices(onDisk), (std::vector<int>{995, 996, 997}));
        QCOMPARE(std::stoi(saved[1]), 998);

        flushes.Release();
        const std::string task = "/proc/self/task/" + std::to_string(worker);
        QTRY_VERIFY_WITH_TIMEOUT(!fs::exists(task), HungRunMs);
        QCoreApplication::processEvents(); // what it handed to the window that is gone
        QCOMPARE(ReadFileBytes(settings), closed);
        QCOMPARE(EventIndices(ReadFileBytes(events)), (std::vector<int>{995, 996, 997, 998}));
    }

    // Saving at close meets a settings file that cannot be replaced: the message names the file
    // once, the file stays as it was, and the serial settings beside it are still stored.
    void ASettingsFileThatCannotBeWrittenIsReportedOnceAndKept() {
        TTempDir dir;
        const fs::path settings = dir.Path() / "Kelm2.ini";
        const std::string before = "[General]\r\nAdr=2\r\nUDP=0\r\nIP=127.0.0.1\r\n";
        WriteFileBytes(settings, before);
        MakeReadOnly(settings);
        std::string path;
        QStringList messages;
        {
            TWindowOnALine window(dir.Path());
            window.Reply(0x30);
            path = window.Form().SettingsPath();
            window.Form().TabSheet2->SpinEditAdr->setValue(7); // something to save
            window.Form().close();
            messages = window.Messages();
        }
        QCOMPARE(messages, QStringList{QString::fromStdString("Unable to write to " + path)});
        QCOMPARE(ReadFileBytes(settings), before);
        QVERIFY(ReadFileBytes(dir.Path() / "ComPort.ini").find("StopBits=1") != std::string::npos);
        umount2(settings.c_str(), MNT_DETACH);
    }
};

int main(int argc, char* argv[]) {
    // Before any thread exists: a process with threads cannot take a mount namespace of its own.
    GMountsUnavailable = MakePrivateMountNamespace();
    TForm1::UdpServerPort = "0"; // these windows talk serial; port 1501 may be held by another run
    QApplication app(argc, argv);
    TDiskFaultsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "disk_faults_test.moc"
