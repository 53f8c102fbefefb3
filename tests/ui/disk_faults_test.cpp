// Faults of the disk under the running window: the data report directory read-only and then
// writable again, a report file system that is full and then has room again, and a settings
// file that cannot be replaced. Replies keep coming over a pseudo-terminal throughout; the
// failure is shown once, reception goes on, logging resumes by itself, and no line is torn.
//
// Tests run as root, where file modes do not stop writes, so the faults are made with mounts: a
// read-only bind mount, a small tmpfs. They live in a mount namespace of this process's own,
// made before anything else starts, and go with it; without root the tests say so and skip.

#include "core/clock.h"
#include "hung_run.h"
#include "link/frame_codec.h"
#include "panel_frames.h"
#include "pty_pair.h"
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
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <regex>
#include <sched.h>
#include <string>
#include <sys/mount.h>
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

std::string EventReply(uint16_t index) {
    return PanelSerialFrameText('G', TaggedEventRecord(index, 0x70));
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
        FForm->close();
        FForm.reset();
        try {
            FinishReports(FReports);
        } catch (const std::exception&) {
        }
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
    // True once the window has asked for event record `index` (within a few polls).
    bool AsksForRecord(uint16_t index) {
        std::string request = ToText(PanelSerialFrame(
            'G', TBytes{static_cast<uint8_t>(index), static_cast<uint8_t>(index >> 8)}));
        request[1] = '\x01'; // the PC's start marker
        std::string heard;
        const bool asked = QTest::qWaitFor(
            [&] {
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
        WriteFileBytes(settings, "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\nPocetZar=1\r\n\r\n"
                                 "[Zar0]\r\nid=" +
                                     TaggedId(0x70) + "\r\nindex=995\r\n");
        MakeReadOnly(settings);
        TWindowOnALine window(dir.Path());
        window.Reply(0x70); // the panel's log holds records 990 to 19751
        QVERIFY(window.AsksForRecord(995));
        window.Send(EventReply(995));
        QTRY_COMPARE_WITH_TIMEOUT(window.Messages().size(), 1, HungRunMs);
        QVERIFY2(window.Messages()[0].startsWith(
                     QString::fromStdString("Unable to write to " + settings.string())),
                 qPrintable(window.Messages()[0]));
        window.Reply(0x70);
        window.Reply(0x70);

        QCOMPARE(::umount2(settings.c_str(), MNT_DETACH), 0); // writable again
        window.Reply(0x70);                                   // the save is tried again
        QTRY_VERIFY_WITH_TIMEOUT(ReadFileBytes(settings).find("index=996\r\n") != std::string::npos,
                                 HungRunMs);
        // The next status reply once the save's outcome is back asks for the next record (the
        // outcome follows the file by a moment, so one reply may still find the save under way).
        window.Reply(0x70);
        QVERIFY(window.AsksForRecord(996) || (window.Reply(0x70), window.AsksForRecord(996)));
        const std::string events =
            ReadFileBytes(fs::directory_iterator(dir.Path() / "ReportUdal")->path());
        QCOMPARE(Count(events, "ind=995;"), 1); // copied once
        QCOMPARE(window.Messages().size(), 1);
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
