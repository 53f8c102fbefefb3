// End to end over UDP: the tool against the panel simulator in two network namespaces joined by
// a veth pair, with addresses this test chose. The test process itself lives in the PC's
// namespace, so the window (in this process) and the program (a child) bind the panel's port
// 1501 there, and the simulator answers from the panel's namespace. Nothing reaches any other
// network. Without root the namespaces cannot be made, and every test says so and skips.

#include "hung_run.h"
#include "link/frame_codec.h"
#include "link/udp_silence.h"
#include "model/pult.h"
#include "model/traffic_log.h"
#include "panel_frames.h"
#include "pty_pair.h"
#include "store/connection_settings.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/link_health_view.h"
#include "ui/link_status_bar.h"
#include "ui/main_window.h"
#include "ui/status_page.h"
#include "veth_namespaces.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const std::string FirstPanelId = "0A0B0C0D0E0F";
const std::string SecondPanelId = "0A0B0C0D0E99";

// The simulator, answering over UDP on the panel's side.
class TPanel {
public:
    TPanel(const std::string& ns, const std::string& link, const std::string& id,
           const char* address = TVethNamespaces::PanelAddress) {
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.start(QStringLiteral("ip"),
                       {"netns", "exec", QString::fromStdString(ns), ORVANT_PANEL_SIM_PATH, "--udp",
                        address, "--link", QString::fromStdString(link), "--id",
                        QString::fromStdString(id), "--slaves", "2", "--no-keys", "--verbose"});
    }
    ~TPanel() { Stop(); }
    // True once it listens on its UDP port.
    bool Listening() {
        return FProcess.waitForStarted(HungRunMs) &&
               QTest::qWaitFor([this] { return Heard().contains("UDP: "); }, HungRunMs);
    }
    const QString& Heard() {
        FHeard += QString::fromLocal8Bit(FProcess.readAll());
        return FHeard;
    }
    int Count(const QString& what) { return static_cast<int>(Heard().count(what)); }
    void Stop() {
        if (FProcess.state() != QProcess::NotRunning) {
            FProcess.terminate(); // SIGTERM: `ip netns exec` has become the simulator
            FProcess.waitForFinished(HungRunMs);
        }
    }

private:
    QProcess FProcess;
    QString FHeard;
};

sockaddr_in Address(const char* dotted, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, dotted, &a.sin_addr);
    return a;
}

// A UDP socket bound to address and port in the network namespace `ns` (a socket stays in the
// namespace it was made in, so a thread of its own enters it); -1 when it cannot be made.
int UdpSocketIn(const std::string& ns, const char* address, uint16_t port) {
    int fd = -1;
    std::thread([&] {
        const int nsFd = ::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC);
        if (nsFd >= 0 && ::setns(nsFd, CLONE_NEWNET) == 0) {
            fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            const sockaddr_in local = Address(address, port);
            if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
                ::close(fd);
                fd = -1;
            }
        }
        ::close(nsFd);
    }).join();
    return fd;
}

// Twenty status replies of a panel with another ID, to the tool's port 1501 on `to`.
void SendForgedStatus(int fd, const char* to) {
    TBytes record(283, 0x99);
    const TBytes datagram = PanelDatagram('A', record);
    const sockaddr_in tool = Address(to, TFrameCodec::UdpPort);
    for (int i = 0; i < 20; ++i) {
        [[maybe_unused]] ssize_t sent =
            ::sendto(fd, datagram.data(), datagram.size(), 0,
                     reinterpret_cast<const sockaddr*>(&tool), sizeof tool);
    }
}

// Points this process's resolver at the panel's side (a silent name server there), in a
// mount namespace of its own, so nothing outside the test sees it. Call before any other thread
// exists. False with the reason in `why`.
bool UseTheNameServerOnThePanelSide(const std::filesystem::path& dir, std::string& why) {
    const std::filesystem::path conf = dir / "resolv.conf";
    WriteFileBytes(conf, std::string("nameserver ") + TVethNamespaces::PanelAddress +
                             "\noptions timeout:30 attempts:1\n");
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) {
        why = std::string("cannot put a resolv.conf of the test's own in place: ") +
              std::strerror(errno);
        return false;
    }
    return true;
}

QString PanelAddress() {
    return QString::fromLatin1(TVethNamespaces::PanelAddress);
}

QString LinkState(TForm1& form) {
    return form.LinkHealth().StatusBar()->State()->text();
}

std::string SettingsForThePanel() {
    return std::string("[General]\r\nAdr=2\r\nUDP=1\r\nIP=") + TVethNamespaces::PanelAddress +
           "\r\n";
}

} // namespace

class TUdpEndToEndTest : public QObject {
    Q_OBJECT

public:
    TUdpEndToEndTest(TVethNamespaces& namespaces, bool ready, bool silentDns,
                     std::string whyNoSilentDns)
        : FNamespaces(namespaces), FReady(ready), FSilentDns(silentDns),
          FWhyNoSilentDns(std::move(whyNoSilentDns)) {}

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
        QTRY_COMPARE_WITH_TIMEOUT(id->text(), QString::fromStdString(FirstPanelId), HungRunMs);
        QVERIFY(form.PageControl1->isTabVisible(form.PageControl1->indexOf(form.TabSheetSl[0])));

        form.TabSheet2->ButtonVerse->click();
        QTRY_COMPARE_WITH_TIMEOUT(versions.size(), std::size_t(1), HungRunMs);
        QCOMPARE(versions[0], std::string("V2.10 SIM"));
        QVERIFY(panel->Heard().contains("V: version"));

        // The panel goes away; the tool keeps polling without a word until the silence has
        // lasted ten intervals, then says it once, with where the polls go.
        panel.reset();
        QTest::qWait(2500);
        QCOMPARE(form.Errors().OpenMessages(), QStringList());
        form.TabSheet2->SpinEditRefresh->setValue(100);
        const QStringList silent{QString::fromLatin1(TUdpSilence::NoReplyMessage)};
        QTRY_COMPARE_WITH_TIMEOUT(form.Errors().OpenMessages(), silent, HungRunMs);
        auto* errors = form.findChild<QListWidget*>(QStringLiteral("ErrorList"));
        QVERIFY(errors->item(0)->text().contains(QStringLiteral("UDP ") + PanelAddress() +
                                                 QStringLiteral(":1501, last reply at ")));
        const TTrafficLog& frames = form.LinkHealth().Traffic();
        const uint64_t framesBefore = frames.LastNumber();
        // fifteen more polls unanswered
        QTRY_VERIFY_WITH_TIMEOUT(frames.LastNumber() >= framesBefore + 15, HungRunMs);
        QVERIFY(!errors->item(0)->text().contains(QStringLiteral("times")));

        // The serial path is live beside the UDP one meanwhile: its reply ends the silence, and
        // the next one is said again.
        std::string record(283, '\0');
        const uint8_t serialId[6] = {0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
        std::copy(serialId, serialId + 6, record.begin());
        FPty->Send(PanelSerialFrameText('A', record));
        QTRY_COMPARE_WITH_TIMEOUT(id->text(), QStringLiteral("112233445566"), HungRunMs);
        QTRY_VERIFY_WITH_TIMEOUT(errors->item(0)->text().contains(QStringLiteral("(2 times since")),
                                 HungRunMs);

        // A panel back on the line (another unit this time) is polled at once.
        panel = std::make_unique<TPanel>(FNamespaces.PanelNamespace(), Link(), SecondPanelId);
        QVERIFY2(panel->Listening(), qPrintable(panel->Heard()));
        QTRY_COMPARE_WITH_TIMEOUT(id->text(), QString::fromStdString(SecondPanelId), HungRunMs);
        QCOMPARE(form.Errors().OpenMessages(), silent);
        QCOMPARE(panel->Count("dropped"), 0);
        form.close();
    }

    // Port 1501 is open to the whole network. Status replies forged from this PC are counted
    // as ignored, shown with their sender, never decoded; with the serial link chosen not even
    // the panel's address is heard over UDP.
    void OnlyThePanelIsHeardAndOnlyWhileUdpIsChosen() {
        TPanel panel(FNamespaces.PanelNamespace(), Link(), FirstPanelId);
        QVERIFY2(panel.Listening(), qPrintable(panel.Heard()));
        TForm1 form(FDir->Path().string());
        form.show();
        auto* id = form.Master->findChild<QLineEdit*>(QStringLiteral("EditID"));
        QTRY_COMPARE_WITH_TIMEOUT(id->text(), QString::fromStdString(FirstPanelId), HungRunMs);
        const int stranger = UdpSocketIn(FNamespaces.PcNamespace(), "127.0.0.1", 0);
        const int atPanel =
            UdpSocketIn(FNamespaces.PanelNamespace(), TVethNamespaces::PanelAddress, 0);
        const std::pair<int, const char*> forgers[] = {{stranger, "127.0.0.1"},
                                                       {atPanel, TVethNamespaces::PcAddress}};
        for (const auto& [forger, to] : forgers) {
            const uint64_t ignored = form.Codec().Counters().DatagramsIgnored;
            SendForgedStatus(forger, to);
            QTRY_VERIFY_WITH_TIMEOUT(form.Codec().Counters().DatagramsIgnored >= ignored + 20,
                                     HungRunMs);
            QCOMPARE(id->text(), QString::fromStdString(FirstPanelId));
            if (forger == stranger) {
                // The panel's own replies go on meanwhile: a forged one is among the last 20.
                const TTrafficLog& traffic = form.LinkHealth().Traffic();
                std::string forged;
                for (std::size_t k = traffic.Size(); k > 0 && k + 20 > traffic.Size(); --k) {
                    const std::string summary = FrameSummary(traffic.At(k - 1));
                    if (summary.find("ignored: not the panel (127.0.0.1:") != std::string::npos) {
                        forged = summary;
                        break;
                    }
                }
                QVERIFY2(!forged.empty(), FrameSummary(traffic.At(traffic.Size() - 1)).c_str());
                form.TabSheet2->CheckBoxUDP->click(); // over to the serial line
            }
        }
        ::close(stranger);
        ::close(atPanel);
        QCOMPARE(form.Errors().OpenMessages(), QStringList());
        form.close();
    }

    // "Stop" releases the panel on either link, without a message; "Init" polls again.
    void StopReleasesThePanelOnBothLinksAndInitPollsAgain() {
        TPanel panel(FNamespaces.PanelNamespace(), Link(), FirstPanelId);
        QVERIFY2(panel.Listening(), qPrintable(panel.Heard()));
        TForm1 form(FDir->Path().string());
        form.show();
        QTRY_VERIFY_WITH_TIMEOUT(panel.Count("A: status") >= 2, HungRunMs);
        form.TabSheet2->ButtonStop->click();
        QTRY_COMPARE_WITH_TIMEOUT(LinkState(form), QStringLiteral("stopped"), HungRunMs);
        QTest::qWait(300); // a reply on its way
        const int polls = panel.Count("A: status");
        QTest::qWait(2500);
        QCOMPARE(panel.Count("A: status"), polls);
        form.TabSheet2->Button1->click();
        QTRY_VERIFY_WITH_TIMEOUT(panel.Count("A: status") >= polls + 2, HungRunMs);

        const std::string poll("\xAA\x01\x30\x41\x71\xAA\x02", 7);
        std::string line;
        auto hears = [&](const std::string& what, int limitMs = HungRunMs) {
            return QTest::qWaitFor(
                [&] {
                    line += FPty->Receive(64, std::chrono::milliseconds(10));
                    return line.find(what) != std::string::npos;
                },
                limitMs);
        };
        form.TabSheet2->CheckBoxUDP->click(); // over to the serial line
        QVERIFY(hears(poll));
        form.TabSheet2->ButtonStop->click();
        QTest::qWait(300);
        FPty->Receive(4096, std::chrono::milliseconds(10)); // what was written before "Stop"
        line.clear();
        QVERIFY(!hears(std::string(1, '\xAA'), 3000)); // three polls due, none written
        form.TabSheet2->Button1->click();
        QVERIFY(hears(poll));
        QCOMPARE(form.Errors().OpenMessages(), QStringList());
        form.close();
    }

    // Another program on port 1501 (another copy of the tool, say): the message names the port
    // and what it costs. With the serial link chosen the port is not in use: a note in the log.
    void APortInUseIsNamedWithWhatItCostsAndOnlyNotedWhileSerialIsChosen() {
        const int holder = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(TFrameCodec::UdpPort);
        QCOMPARE(::bind(holder, reinterpret_cast<sockaddr*>(&any), sizeof any), 0);
        const QString inUse = QStringLiteral("UDP port 1501 is in use by another program (or "
                                             "another copy of this tool): replies over UDP "
                                             "cannot be received");
        {
            TForm1 form(FDir->Path().string());
            form.show();
            QCOMPARE(form.Errors().OpenMessages(), QStringList{inUse});
            form.close();
        }
        WriteFileBytes(FDir->Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\n");
        {
            TForm1 form(FDir->Path().string());
            form.show();
            QCOMPARE(form.Errors().OpenMessages(), QStringList());
            QVERIFY(form.TabSheet2->Memo1->toPlainText().contains(
                QStringLiteral("Not in use now: ") + inUse +
                QStringLiteral(" (Address already in use)")));
            form.TabSheet2->CheckBoxUDP->click(); // UDP chosen now: the failure counts
            QCOMPARE(form.Errors().OpenMessages(), QStringList{inUse});
            form.close();
        }
        ::close(holder);
    }

    // Until the IP field names an address no datagram goes anywhere. Blank, the socket would
    // keep its previous destination, at start-up the default server address, where a trap
    // listens; a host name whose name server never answers is looked up on a thread of its own
    // while the window works on, and an address typed meanwhile is polled at once.
    void UntilTheIpFieldNamesAnAddressNothingIsSent() {
        if (!FSilentDns) {
            QSKIP(("skipped: " + FWhyNoSilentDns).c_str());
        }
        QVERIFY2(FNamespaces.AddPanelAddress(DefaultServerAddress), FNamespaces.Why().c_str());
        TPanel trap(FNamespaces.PanelNamespace(), Link(), FirstPanelId, DefaultServerAddress);
        QVERIFY2(trap.Listening(), qPrintable(trap.Heard()));
        // A name server that takes every question and never answers: nobody reads its socket.
        const int server =
            UdpSocketIn(FNamespaces.PanelNamespace(), TVethNamespaces::PanelAddress, 53);
        QVERIFY(server >= 0);
        TForm1 form(FDir->Path().string());
        form.show();
        form.TabSheet2->EditIP->setText(QString()); // before the first poll, a second away
        const QStringList noAddress{QString::fromLatin1(tPult::NoServerAddress)};
        QTRY_COMPARE_WITH_TIMEOUT(form.Errors().OpenMessages(), noAddress, HungRunMs);
        QTRY_COMPARE_WITH_TIMEOUT(LinkState(form), QStringLiteral("no server address"), HungRunMs);
        QTest::qWait(2000); // two more polls due

        form.TabSheet2->EditIP->setText(QStringLiteral("orvant-panel.test"));
        QTRY_COMPARE_WITH_TIMEOUT(LinkState(form), QStringLiteral("resolving orvant-panel.test"),
                                  HungRunMs);
        QTest::qWait(2500); // polls due while the name server keeps silent
        QCOMPARE(LinkState(form), QStringLiteral("resolving orvant-panel.test"));
        QCOMPARE(form.Errors().OpenMessages(), noAddress);
        const TTrafficLog& traffic = form.LinkHealth().Traffic();
        for (std::size_t i = 0; i < traffic.Size(); ++i) {
            QCOMPARE(traffic.At(i).Fate, TFrameFate::SendFailed);
        }
        QCOMPARE(trap.Count("A: status"), 0);

        form.TabSheet2->EditIP->setText(QString::fromLatin1(DefaultServerAddress));
        auto* id = form.Master->findChild<QLineEdit*>(QStringLiteral("EditID"));
        QTRY_COMPARE_WITH_TIMEOUT(id->text(), QString::fromStdString(FirstPanelId), HungRunMs);
        ::close(server);
        form.close();
    }

    // A link that takes nothing fills the socket's send queue: the window's thread never waits
    // for room in it; the datagrams it cannot take are counted, and polling goes on when the
    // link takes frames again.
    void AFullSendQueueDropsDatagramsInsteadOfHoldingTheWindow() {
        TPanel panel(FNamespaces.PanelNamespace(), Link(), FirstPanelId);
        QVERIFY2(panel.Listening(), qPrintable(panel.Heard()));
        TForm1 form(FDir->Path().string());
        form.show();
        auto* id = form.Master->findChild<QLineEdit*>(QStringLiteral("EditID"));
        QTRY_COMPARE_WITH_TIMEOUT(id->text(), QString::fromStdString(FirstPanelId), HungRunMs);
        QVERIFY2(FNamespaces.HoldPcTraffic(true), FNamespaces.Why().c_str());
        for (int i = 0; i < 3000 && form.Codec().Counters().DatagramsUnsent == 0; ++i) {
            form.TabSheet2->ButtonVerse->click();
        }
        const bool released = FNamespaces.HoldPcTraffic(false);
        QVERIFY(form.Codec().Counters().DatagramsUnsent > 0);
        QVERIFY(released);
        QTRY_VERIFY_WITH_TIMEOUT(
            form.LinkHealth().StatusBar()->Counters()->text().contains(QStringLiteral("unsent ")),
            HungRunMs);
        QCOMPARE(form.Errors().OpenMessages(), QStringList());
        const int polls = panel.Count("A: status");
        QTRY_VERIFY_WITH_TIMEOUT(panel.Count("A: status") > polls, HungRunMs);
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
        QVERIFY(tool.waitForStarted(HungRunMs));

        QTRY_VERIFY_WITH_TIMEOUT(panel.Count("A: status") >= 3, HungRunMs);
        ::kill(static_cast<pid_t>(tool.processId()), SIGTERM);
        QVERIFY(tool.waitForFinished(HungRunMs));
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
    bool FSilentDns;
    std::string FWhyNoSilentDns;
    std::unique_ptr<TTempDir> FDir;
    std::unique_ptr<TPtyPair> FPty;
};

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread of the window lives in the PC's namespace.
    TVethNamespaces namespaces;
    const bool ready = namespaces.Ready() && namespaces.EnterPc();
    TTempDir resolverDir;
    std::string whyNoSilentDns = "the network namespaces are not there";
    const bool silentDns =
        ready && UseTheNameServerOnThePanelSide(resolverDir.Path(), whyNoSilentDns);
    QApplication app(argc, argv);
    TUdpEndToEndTest test(namespaces, ready, silentDns, whyNoSilentDns);
    return QTest::qExec(&test, argc, argv);
}

#include "udp_end_to_end_test.moc"
