// Faults on the serial line. The program as a technician starts it, against a far side on a
// pseudo-terminal that answers its polls with garbage, wrong checksums, cut and oversized
// frames and start markers inside frames, each followed by a good reply: the program never
// stops, keeps polling, and decodes exactly the good replies (each leaves its data line, told
// apart by its device ID). The window, in this process, meets a far side that hangs up and
// comes back on another device behind the same name.

#include "panel_frames.h"
#include "pty_pair.h"
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
constexpr std::size_t StatusSize = 283;

// A status record whose master ID ends in `tag` (the ID is its first six bytes, least
// significant first): the data line then shows "ID=C5C4C3C2C1" and the tag in hexadecimal.
std::string StatusPayload(uint8_t tag, std::size_t size = StatusSize) {
    std::string payload(size, '\0');
    payload[0] = static_cast<char>(tag);
    for (int i = 1; i < 6; ++i) {
        payload[i] = static_cast<char>(0xC0 + i);
    }
    for (std::size_t i = 6; i < size; ++i) {
        payload[i] = static_cast<char>((i * 37) & 0xFF); // 0xAA among them: escaped on the line
    }
    return payload;
}

std::string IdText(uint8_t tag) {
    char text[16];
    std::snprintf(text, sizeof text, "C5C4C3C2C1%02X", tag);
    return text;
}

std::string GoodReply(uint8_t tag) {
    return PanelSerialFrameText('A', StatusPayload(tag));
}

// The IDs of the data lines written so far, in order.
std::vector<std::string> DataLineIds(const fs::path& toolDir) {
    std::vector<std::string> ids;
    const fs::path reports = toolDir / "ReportData";
    if (!fs::is_directory(reports)) {
        return ids;
    }
    for (const auto& entry : fs::directory_iterator(reports)) {
        const std::string text = ReadFileBytes(entry.path());
        for (std::size_t at = text.find(";ID="); at != std::string::npos;
             at = text.find(";ID=", at + 1)) {
            ids.push_back(text.substr(at + 4, 12));
        }
    }
    return ids;
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

// The same, while the window in this process keeps handling its events.
bool PollHeardWhileRunning(TPtyPair& pty) {
    std::string heard;
    QElapsedTimer clock;
    clock.start();
    while (heard.find(Poll) == std::string::npos && clock.elapsed() < 5000) {
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
    std::string wrongSum = PanelSerialFrameText('A', StatusPayload(0x11));
    wrongSum[wrongSum.size() - 3] ^= 0x01; // the checksum (never 0xAA here)
    std::string inner = PanelSerialFrameText('A', StatusPayload(0x12));
    inner.resize(inner.size() / 2);
    // A reply of 4000 bytes is within the receive buffer and decoded from its record's bytes;
    // one of 5000 is not, and is passed over whole.
    const std::string long4000 = PanelSerialFrameText('A', StatusPayload(0x14, 4000 - 3));
    return {
        {"garbage", RandomBytes(random, 4096, false), false},
        {"a wrong checksum", wrongSum, false},
        {"a frame cut short", good.substr(0, good.size() / 3), false},
        {"start markers inside frames", "\xAA\x03\x30\x41\x01\x02" + inner, false},
        {"a 4000-byte frame", long4000, true},
        {"a 5000-byte frame",
         PanelSerialFrameText('A', StatusPayload(0x15, 5000 - 3)).substr(0, 5100), false},
        {"a letter nobody decodes", PanelSerialFrameText('Z', StatusPayload(0x16)), false},
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
            FProcess.waitForFinished(5000);
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
    void EveryFaultIsPassedOverAndTheNextGoodReplyIsDecoded() {
        TTempDir dir;
        TPtyPair pty;
        WriteFileBytes(dir.Path() / "ComPort.ini",
                       "[ComPort1]\r\nPort=" + pty.SlavePath() + "\r\nBaudRate=115200\r\n");
        WriteFileBytes(dir.Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
        TToolProcess tool(dir.Path());
        QVERIFY(tool.Process().waitForStarted(5000));

        std::mt19937 random(19);
        std::vector<std::string> expected;
        uint8_t tag = 0x20;
        for (const TFault& fault : Faults(random)) {
            QVERIFY2(AwaitPoll(pty, 5s), fault.Name);
            pty.Send(fault.Bytes + GoodReply(tag));
            if (fault.Decoded) {
                expected.push_back(IdText(0x14));
            }
            expected.push_back(IdText(tag++));
            QTRY_COMPARE_WITH_TIMEOUT(DataLineIds(dir.Path()).size(), expected.size(), 5000);
            QCOMPARE(DataLineIds(dir.Path()), expected);
            QCOMPARE(tool.Process().state(), QProcess::Running);
        }

        // Garbage with escapes may leave the receiver inside a frame that swallows the next
        // reply; a panel answers the next poll again, and within a few polls one is decoded.
        pty.Send(RandomBytes(random, 8192, true));
        bool decoded = false;
        for (int poll = 0; poll < 4 && !decoded; ++poll) {
            QVERIFY(AwaitPoll(pty, 5s));
            pty.Send(GoodReply(0x40));
            QTest::qWait(500);
            const auto ids = DataLineIds(dir.Path());
            decoded = !ids.empty() && ids.back() == IdText(0x40);
        }
        QVERIFY2(decoded, "no reply decoded after garbage with escapes");
        QVERIFY(AwaitPoll(pty, 5s)); // and polling goes on

        ::kill(static_cast<pid_t>(tool.Process().processId()), SIGTERM);
        QVERIFY(tool.Process().waitForFinished(10000));
        QCOMPARE(tool.Process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.Process().exitCode(), 0);
    }

    // The adapter is pulled: the failure is shown once, and polling does not pile up messages.
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
        QTRY_VERIFY_WITH_TIMEOUT(!form.Errors().OpenMessages().isEmpty(), 5000);
        QTest::qWait(1000); // ten polls into a dead line
        QVERIFY2(form.Errors().OpenMessages().size() <= 2,
                 qPrintable(form.Errors().OpenMessages().join(" | ")));

        TPtyPair second;
        fs::remove(link);
        fs::create_symlink(second.SlavePath(), link);
        form.TabSheet2->ButtonStop->click();
        form.TabSheet2->Button1->click(); // "Init"
        QVERIFY(form.ComPort1.Connected());
        QVERIFY(PollHeardWhileRunning(second));
        second.Send(GoodReply(0x50));
        const auto* editId = form.Master->findChild<QLineEdit*>(QStringLiteral("EditID"));
        QTRY_COMPARE_WITH_TIMEOUT(editId->text().toStdString(), IdText(0x50), 5000);
        form.close();
    }
};

QTEST_MAIN(TLineFaultsTest)
#include "line_faults_test.moc"
