// Faults on the serial line. The program as a technician starts it, against a far side on a
// pseudo-terminal that answers its polls with garbage, wrong checksums, cut and oversized
// frames and start markers inside frames, each followed by a good reply: the program never
// stops, keeps polling, and decodes exactly the good replies (each leaves its data line, told
// apart by its device ID). The window, in this process, meets a far side that hangs up and
// comes back on another device behind the same name.

#include "hung_run.h"
#include "link/frame_codec.h"
#include "panel_frames.h"
#include "pty_pair.h"
#include "tagged_status.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/status_page.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string Poll = "\xAA\x01\x30\x41\x71\xAA\x02";

std::string GoodReply(uint8_t tag) {
    return PanelSerialFrameText('A', TaggedStatusRecord(tag));
}

std::string EventReport(const fs::path& toolDir) {
    std::string text;
    if (fs::is_directory(toolDir / "ReportUdal")) {
        for (const auto& entry : fs::directory_iterator(toolDir / "ReportUdal")) {
            text += ReadFileBytes(entry.path());
        }
    }
    return text;
}

// Reads the far side until the program's next poll has come whole (false after `timeout`).
bool AwaitPoll(TPtyPair& pty, std::chrono::milliseconds timeout) {
    std::string heard;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        heard += pty.Receive(1, 50ms);
        if (heard.find(Poll) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Answers every poll with `reply` until the program asks for event record `index` (false after
// `timeout`): the copy asks once the position it moved to is saved.
bool AnswerPollsUntilAskedFor(TPtyPair& pty, const std::string& reply, uint16_t index,
                              std::chrono::milliseconds timeout) {
    std::string request =
        PanelSerialFrameText('G', std::string{char(index & 0xFF), char(index >> 8)});
    request[1] = '\x01'; // the PC's start marker
    std::string heard;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        heard += pty.Receive(1, 50ms);
        if (heard.find(request) != std::string::npos) {
            return true;
        }
        if (heard.ends_with(Poll)) {
            pty.Send(reply);
        }
    }
    return false;
}

// The same, while the window in this process keeps handling its events.
bool PollHeardWhileRunning(TPtyPair& pty) {
    std::string heard;
    QElapsedTimer clock;
    clock.start();
    while (heard.find(Poll) == std::string::npos && clock.elapsed() < HungRunMs) {
        QTest::qWait(20);
        heard += pty.Receive(64, 10ms);
    }
    return heard.find(Poll) != std::string::npos;
}

std::string RandomBytes(std::mt19937& random, std::size_t count, bool withEscapes) {
    std::string bytes;
    while (bytes.size() < count) {
        const auto b = static_cast<char>(random() & 0xFF);
        if (withEscapes || b != '\xAA') {
            bytes += b;
        }
    }
    return bytes;
}

struct TFault {
    const char* Name;
    std::string Bytes;
    bool Decoded; // the fault itself carries a reply that must be decoded
};

std::vector<TFault> Faults(std::mt19937& random) {
    const std::string good = GoodReply(0x10);
    std::string wrongSum = PanelSerialFrameText('A', TaggedStatusRecord(0x11));
    wrongSum[wrongSum.size() - 3] ^= 0x01; // the checksum (never 0xAA here)
    std::string inner = PanelSerialFrameText('A', TaggedStatusRecord(0x12));
    inner.resize(inner.size() / 2);
    // A reply of 4000 bytes is within the receive buffer and decoded from its record's bytes;
    // one of 5000 is not, and is passed over whole.
    const std::string long4000 = PanelSerialFrameText('A', TaggedStatusRecord(0x14, 4000 - 3));
    return {
        {"garbage", RandomBytes(random, 4096, false), false},
        {"a wrong checksum", wrongSum, false},
        {"a frame cut short", good.substr(0, good.size() / 3), false},
        {"start markers inside frames", "\xAA\x03\x30\x41\x01\x02" + inner, false},
        {"a 4000-byte frame", long4000, true},
        {"a 5000-byte frame", PanelSerialFrameText('A', TaggedStatusRecord(0x15, 5000 - 3)), false},
        {"a letter nobody decodes", PanelSerialFrameText('Z', TaggedStatusRecord(0x16)), false},
        {"an echo of the poll", Poll + Poll, false},
    };
}

class TToolProcess {
public:
    explicit TToolProcess(const fs::path& dir) {
        const fs::path exe = dir / "orvant2";
        fs::copy_file(ORVANT2_EXECUTABLE, exe);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        FProcess.setProcessEnvironment(env);
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.setWorkingDirectory(QString::fromStdString(dir.string()));
        FProcess.start(QString::fromStdString(exe.string()), {});
    }
    ~TToolProcess() {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.kill();
            FProcess.waitForFinished(HungRunMs);
        }
    }
    QProcess& Process() { return FProcess; }

private:
    QProcess FProcess;
};

} // namespace

class TLineFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The windows in this process talk serial; the machine's port 1501 may be held by
        // another run.
        TForm1::UdpServerPort = "0";
    }

    void EveryFaultIsPassedOverAndTheNextGoodReplyIsDecoded() {
        TTempDir dir;
        TPtyPair pty;
        WriteFileBytes(dir.Path() / "ComPort.ini",
                       "[ComPort1]\r\nPort=" + pty.SlavePath() + "\r\nBaudRate=115200\r\n");
        WriteFileBytes(dir.Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
        TToolProcess tool(dir.Path());
        QVERIFY(tool.Process().waitForStarted(HungRunMs));

        std::mt19937 random(19);
        std::vector<std::string> expected;
        uint8_t tag = 0x20;
        for (const TFault& fault : Faults(random)) {
            QVERIFY2(AwaitPoll(pty, HungRun), fault.Name);
            pty.Send(fault.Bytes + GoodReply(tag));
            if (fault.Decoded) {
                expected.push_back(TaggedId(0x14));
            }
            expected.push_back(TaggedId(tag++));
            QTRY_COMPARE_WITH_TIMEOUT(DataLineIds(dir.Path()).size(), expected.size(), HungRunMs);
            QCOMPARE(DataLineIds(dir.Path()), expected);
            QCOMPARE(tool.Process().state(), QProcess::Running);
        }

        // The event record the program asks for next (the oldest the last panel holds), after a
        // copy of it cut short, is copied.
        const std::string status = TaggedStatusRecord(tag - 1);
        const uint16_t oldest = uint8_t(status[6]) | uint16_t(uint8_t(status[7]) << 8);
        const std::string event = PanelSerialFrameText('G', TaggedEventRecord(oldest, tag - 1));
        QVERIFY(AnswerPollsUntilAskedFor(pty, GoodReply(tag - 1), oldest, HungRun));
        pty.Send(event.substr(0, 9) + event);
        const std::string copied = "ind=" + std::to_string(oldest) + ";";
        QTRY_VERIFY_WITH_TIMEOUT(EventReport(dir.Path()).find(copied) != std::string::npos,
                                 HungRunMs);
        QVERIFY(EventReport(dir.Path()).find(";ID=" + TaggedId(tag - 1) + ";") !=
                std::string::npos);

        // Garbage with escapes may leave the receiver inside a frame that swallows the next
        // reply; a panel answers the next poll again, and within a few polls one is decoded.
        pty.Send(RandomBytes(random, 8192, true));
        bool decoded = false;
        for (int poll = 0; poll < 4 && !decoded; ++poll) {
            QVERIFY(AwaitPoll(pty, HungRun));
            pty.Send(GoodReply(0x40));
            // A swallowed reply never shows: a busy tool takes long, but not this long.
            decoded = QTest::qWaitFor(
                [&] {
                    const auto ids = DataLineIds(dir.Path());
                    return !ids.empty() && ids.back() == TaggedId(0x40);
                },
                10000);
        }
        QVERIFY2(decoded, "no reply decoded after garbage with escapes");
        QVERIFY(AwaitPoll(pty, HungRun)); // and polling goes on

        ::kill(static_cast<pid_t>(tool.Process().processId()), SIGTERM);
        QVERIFY(tool.Process().waitForFinished(HungRunMs));
        QCOMPARE(tool.Process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.Process().exitCode(), 0);
    }

    // A panel that answers with replies cut to every length short of the record: one fault,
    // shown once, however many lengths come; the next whole reply is decoded.
    void ShortRepliesOfEveryLengthAreShownOnce() {
        TTempDir dir;
        TPtyPair pty;
        WriteFileBytes(dir.Path() / "ComPort.ini",
                       "[ComPort1]\r\nPort=" + pty.SlavePath() + "\r\nBaudRate=115200\r\n");
        WriteFileBytes(dir.Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
        TForm1 form(dir.Path().string());
        form.show();
        const std::string record = TaggedStatusRecord(0x60);
        for (std::size_t length = 0; length < record.size(); ++length) {
            pty.Send(PanelSerialFrameText('A', record.substr(0, length)));
            // The window takes each before the next: the pty holds only 4 KB, and a write to a
            // full one would wait for this very thread.
            QTRY_COMPARE_WITH_TIMEOUT(form.Codec().Counters().ShortReplies, uint64_t{length + 1},
                                      HungRunMs);
        }
        pty.Send(GoodReply(0x61));
        const auto* editId = form.Master->findChild<QLineEdit*>(QStringLiteral("EditID"));
        QTRY_COMPARE_WITH_TIMEOUT(editId->text().toStdString(), TaggedId(0x61), HungRunMs);
        QCOMPARE(form.Codec().Counters().ShortReplies, uint64_t{283});
        QCOMPARE(form.Errors().OpenMessages(),
                 QStringList{QStringLiteral("Reply 'A' too short: under 283 bytes")});
        form.close();
    }

    // The adapter is pulled: the failure is shown once for each way it shows (the write, the
    // line's state), and polling does not pile up messages.
    // Plugged in again (another device behind the same name), "Stop" and "Init" bring it back.
    void AFarSideThatHangsUpAndComesBackIsPolledAgainAfterInit() {
        TTempDir dir;
        auto first = std::make_unique<TPtyPair>();
        const fs::path link = dir.Path() / "panel-link";
        fs::create_symlink(first->SlavePath(), link);
        WriteFileBytes(dir.Path() / "ComPort.ini",
                       "[ComPort1]\r\nPort=" + link.string() + "\r\nBaudRate=115200\r\n");
        WriteFileBytes(dir.Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
        TForm1 form(dir.Path().string());
        form.TabSheet2->SpinEditRefresh->setValue(100);
        form.show();
        QVERIFY2(form.ComPort1.Connected(), qPrintable(form.Errors().OpenMessages().join(" | ")));
        QVERIFY(PollHeardWhileRunning(*first));

        first->HangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!form.Errors().OpenMessages().isEmpty(), HungRunMs);
        QTest::qWait(1000); // ten polls into a dead line
        const QStringList shown = form.Errors().OpenMessages();
        QTest::qWait(1000); // ten more: nothing new on screen
        QCOMPARE(form.Errors().OpenMessages(), shown);
        QVERIFY2(shown.size() <= 3, qPrintable(shown.join(" | ")));

        TPtyPair second;
        fs::remove(link);
        fs::create_symlink(second.SlavePath(), link);
        form.TabSheet2->ButtonStop->click();
        form.TabSheet2->Button1->click(); // "Init"
        QVERIFY(form.ComPort1.Connected());
        QVERIFY(PollHeardWhileRunning(second));
        second.Send(GoodReply(0x50));
        const auto* editId = form.Master->findChild<QLineEdit*>(QStringLiteral("EditID"));
        QTRY_COMPARE_WITH_TIMEOUT(editId->text().toStdString(), TaggedId(0x50), HungRunMs);
        form.close();
    }
};

QTEST_MAIN(TLineFaultsTest)
#include "line_faults_test.moc"
