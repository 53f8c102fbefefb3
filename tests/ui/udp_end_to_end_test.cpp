// End to end over UDP: the tool against the panel simulator in two network namespaces joined by
// a veth pair, with addresses this test chose. The test process itself lives in the PC's
// namespace, so the window (in this process) and the program (a child) bind the panel's port
// 1501 there, and the simulator answers from the panel's namespace. Nothing reaches any other
// network. Without root the namespaces cannot be made, and every test says so and skips.

#include "link/frame_codec.h"
#include "panel_frames.h"
#include "pty_pair.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/status_page.h"
#include "veth_namespaces.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <memory>

namespace {

const std::string FirstPanelId = "0A0B0C0D0E0F";
const std::string SecondPanelId = "0A0B0C0D0E99";

// The simulator, answering over UDP on the panel's side.
class TPanel {
public:
    TPanel(const std::string& ns, const std::string& link, const std::string& id) {
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.start(QStringLiteral("ip"),
                       {"netns", "exec", QString::fromStdString(ns), ORVANT_PANEL_SIM_PATH, "--udp",
                        TVethNamespaces::PanelAddress, "--link", QString::fromStdString(link),
                        "--id", QString::fromStdString(id), "--slaves", "2", "--no-keys",
                        "--verbose"});
    }
    ~TPanel() { Stop(); }
    // True once it listens on its UDP port.
    bool Listening() {
        return FProcess.waitForStarted(5000) &&
               QTest::qWaitFor([this] { return Heard().contains("UDP: "); }, 5000);
    }
    const QString& Heard() {
        FHeard += QString::fromLocal8Bit(FProcess.readAll());
        return FHeard;
    }
    int Count(const QString& what) { return static_cast<int>(Heard().count(what)); }
    void Stop() {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate(); // SIGTERM: `ip netns exec` has become the simulator
            FProcess.waitForFinished(5000);
        }
    }

private:
    QProcess FProcess;
    QString FHeard;
};

std::string SettingsForThePanel() {
    return std::string("[General]\r\nAdr=2\r\nUDP=1\r\nIP=") + TVethNamespaces::PanelAddress +
           "\r\n";
}

} // namespace

class TUdpEndToEndTest : public QObject {
    Q_OBJECT

public:
    TUdpEndToEndTest(TVethNamespaces& namespaces, bool ready)
        : FNamespaces(namespaces), FReady(ready) {}

private slots:
    void init() {
        if (!FReady) {
            QSKIP(("skipped: the tool and the panel simulator both hold UDP port 1501, so they "
                   "run in two network namespaces of the test's own, and " +
                   FNamespaces.Why())
                      .c_str());
        }
        FDir = std::make_unique<TTempDir>();
        FPty = std::make_unique<TPtyPair>();
        WriteFileBytes(FDir->Path() / "ComPort.ini",
                       "[ComPort1]\r\nPort=" + FPty->SlavePath() + "\r\nBaudRate=115200\r\n");
        WriteFileBytes(FDir->Path() / "Kelm2.ini", SettingsForThePanel());
    }
    void cleanup() {
        FPty.reset();
        FDir.reset();
    }

    void TheWindowPollsOverUdpAndGoesOnThroughAPanelRestart() {
        auto panel = std::make_unique<TPanel>(FNamespaces.PanelNamespace(), Link(), FirstPanelId);
        QVERIFY2(panel->Listening(), qPrintable(panel->Heard()));
        TForm1 form(FDir->Path().string());
        std::vector<std::string> versions;
        form.Codec().RegisterDecoder('V', [&] {
            versions.emplace_back(reinterpret_cast<const char*>(form.Codec().Payload()));
        });
        form.show();
        QVERIFY(form.TabSheet2->CheckBoxUDP->isChecked());

        // Polls answered over UDP reach the pages: the panel's ID, its first slave's page.
        auto* id = form.Master->findChild<QLineEdit*>(QStringLiteral("EditID"));
        QVERIFY(id != nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(id->text(), QString::fromStdString(FirstPanelId), 10000);
        QVERIFY(form.PageControl1->isTabVisible(form.PageControl1->indexOf(form.TabSheetSl[0])));

        form.TabSheet2->ButtonVerse->click();
        QTRY_COMPARE_WITH_TIMEOUT(versions.size(), std::size_t(1), 5000);
        QCOMPARE(versions[0], std::string("V2.10 SIM"));
        QVERIFY(panel->Heard().contains("V: version"));

        // The panel goes away; the tool keeps polling without a word, and the serial path is
        // live beside the UDP one meanwhile.
        panel.reset();
        QTest::qWait(2500);
        QCOMPARE(form.Errors().OpenMessages(), QStringList());
        std::string record(283, '\0');
        const uint8_t serialId[6] = {0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
        std::copy(serialId, serialId + 6, record.begin());
        FPty->Send(PanelSerialFrameText('A', record));
        QTRY_COMPARE_WITH_TIMEOUT(id->text(), QStringLiteral("112233445566"), 3000);

        // A panel back on the line (another unit this time) is polled at once.
        panel = std::make_unique<TPanel>(FNamespaces.PanelNamespace(), Link(), SecondPanelId);
        QVERIFY2(panel->Listening(), qPrintable(panel->Heard()));
        QTRY_COMPARE_WITH_TIMEOUT(id->text(), QString::fromStdString(SecondPanelId), 10000);
        QCOMPARE(form.Errors().OpenMessages(), QStringList());
        QCOMPARE(panel->Count("dropped"), 0);
        form.close();
    }

    void TheProgramPollsOverUdpAndKeepsTheAddressItWasGiven() {
        TPanel panel(FNamespaces.PanelNamespace(), Link(), FirstPanelId);
        QVERIFY2(panel.Listening(), qPrintable(panel.Heard()));
        const auto exe = FDir->Path() / "orvant2";
        std::filesystem::copy_file(ORVANT2_EXECUTABLE, exe);
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(env);
        TTempDir workingDir;
        tool.setWorkingDirectory(QString::fromStdString(workingDir.Path().string()));
        tool.start(QString::fromStdString(exe.string()), {}); // in this process's namespace
        QVERIFY(tool.waitForStarted(5000));

        QTRY_VERIFY_WITH_TIMEOUT(panel.Count("A: status") >= 3, 15000);
        ::kill(static_cast<pid_t>(tool.processId()), SIGTERM);
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(panel.Count("dropped"), 0); // every datagram was one whole frame
        // The address as it was given, and the panel's event bookkeeping after it.
        const std::string settings = ReadFileBytes(FDir->Path() / "Kelm2.ini");
        QVERIFY2(settings.starts_with(SettingsForThePanel() + "PocetZar=1\r\n\r\n[Zar0]\r\n"),
                 settings.c_str());
    }

private:
    std::string Link() const { return (FDir->Path() / "panel-link").string(); }

    TVethNamespaces& FNamespaces;
    bool FReady;
    std::unique_ptr<TTempDir> FDir;
    std::unique_ptr<TPtyPair> FPty;
};

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread of the window lives in the PC's namespace.
    TVethNamespaces namespaces;
    const bool ready = namespaces.Ready() && namespaces.EnterPc();
    QApplication app(argc, argv);
    TUdpEndToEndTest test(namespaces, ready);
    return QTest::qExec(&test, argc, argv);
}

#include "udp_end_to_end_test.moc"
