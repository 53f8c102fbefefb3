// The program killed with SIGKILL again and again while it copies the simulated panel's event
// log, and started again each time: at the end every record of the panel's log is in the event
// report (a record twice is allowed, one missing is not), no line is torn, and "Kelm2.ini" is
// whole. Half the kills fall just after the panel was asked for a record, where the line is
// written and the index saved; the others at any moment of a run.
//
// ORVANT_CRASH_SEED replays a run (the seed is printed); ORVANT_CRASH_KILLS sets the number of
// kills (at least 10).

#include "hung_run.h"
#include "panel_sim_process.h"

#include "temp_dir.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <random>
#include <set>

namespace {

constexpr int Backlog = 16;

int KillCount() {
    return std::max(10, qEnvironmentVariableIntValue("ORVANT_CRASH_KILLS"));
}

uint32_t Seed() {
    bool given = false;
    const uint32_t seed = qEnvironmentVariable("ORVANT_CRASH_SEED").toUInt(&given);
    return given ? seed : std::random_device{}();
}

// Starts the copy of the program in `dir`, offscreen, from a working directory of its own.
void StartTool(QProcess& tool, const std::filesystem::path& exe, const TTempDir& workingDir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tool.setProcessEnvironment(env);
    tool.setWorkingDirectory(QString::fromStdString(workingDir.Path().string()));
    tool.start(QString::fromStdString(exe.string()), {});
}

// Waits, handling events, until the panel notes a request for another record than the ones
// counted so far, or the time is up.
void WaitForRequest(TPanelSimProcess& panel, int timeoutMs) {
    const int seen = static_cast<int>(panel.Output().count(QStringLiteral("G: event")));
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs &&
           panel.Output().count(QStringLiteral("G: event")) == seen) {
        QTest::qWait(1);
    }
}

std::set<int> CopiedIndices(const std::filesystem::path& dir) {
    std::set<int> indices;
    for (const std::string& line : EventReportLines(dir)) {
        indices.insert(EventLineIndex(line));
    }
    indices.erase(-1);
    return indices;
}

} // namespace

class TEventCrashTest : public QObject {
    Q_OBJECT

private slots:
    void KilledWhileCopyingItLosesNoRecord() {
        const uint32_t seed = Seed();
        qInfo("crash test seed: %u (ORVANT_CRASH_SEED=%u replays it)", seed, seed);
        std::mt19937 random(seed);

        TTempDir dir;
        TTempDir workingDir;
        const auto link = dir.Path() / "panel-link";
        TPanelSimProcess panel(link, {"--slaves", "0", "--backlog", QString::number(Backlog),
                                      "--id", "00A1B2C3D400", "--verbose"});
        QVERIFY(panel.Started());
        const auto exe = dir.Path() / "orvant2";
        std::filesystem::copy_file(ORVANT2_EXECUTABLE, exe);
        WriteToolSettingsForLink(dir.Path(), link);

        for (int kill = 0; kill < KillCount(); ++kill) {
            QProcess tool;
            StartTool(tool, exe, workingDir);
            QVERIFY(tool.waitForStarted(HungRunMs));
            if (kill % 2 == 0) {
                WaitForRequest(panel, 4000);
                QTest::qWait(std::uniform_int_distribution<int>(0, 15)(random));
            } else {
                QTest::qWait(std::uniform_int_distribution<int>(200, 2500)(random));
            }
            tool.kill();
            QVERIFY(tool.waitForFinished(HungRunMs));
        }
        const std::size_t copiedUnderKills = CopiedIndices(dir.Path()).size();

        // A last run finishes the copy and is closed the normal way.
        QProcess tool;
        StartTool(tool, exe, workingDir);
        QVERIFY(tool.waitForStarted(HungRunMs));
        QTRY_COMPARE_WITH_TIMEOUT(CopiedIndices(dir.Path()).size(), std::size_t(Backlog),
                                  (Backlog + 10) * 1000);
        QCOMPARE(tool.state(), QProcess::Running); // its id is still its own
        ::kill(static_cast<pid_t>(tool.processId()), SIGTERM);
        QVERIFY(tool.waitForFinished(HungRunMs));
        qInfo("records copied while being killed: %zu of %d", copiedUnderKills, Backlog);

        const QRegularExpression eventLine(QStringLiteral(
            "^ind=[ \\d]{2}\\d;tPC=\\d\\d:\\d\\d:\\d\\d \\d\\d\\.\\d\\d\\.\\d{4};"
            "t=\\d\\d:\\d\\d:\\d\\d \\d\\d\\.\\d\\d\\.\\d{4};ID=[0-9A-F]{12};Zar=[0-9A-F];"
            "Sm=[0-9A-F];Ud=[0-9A-F]{2};[^;]+$"));
        const QRegularExpression marker(
            QStringLiteral("^(\\d\\d\\.){2}\\d\\d \\d\\d:\\d\\d:\\d\\d  "
                           "\\*{7} Rep (Start|End) \\*{7}$"));
        for (const std::string& line : EventReportLines(dir.Path())) {
            const QString text = QString::fromLatin1(line);
            QVERIFY2(eventLine.match(text).hasMatch() || marker.match(text).hasMatch(),
                     line.c_str());
        }
        const std::string ini = ReadFileBytes(dir.Path() / "Kelm2.ini");
        QVERIFY2(QRegularExpression(
                     QStringLiteral(
                         "^\\[General\\]\\r\\nUDP=0\\r\\nIP=127\\.0\\.0\\.1\\r\\nPocetZar=1\\r\\n"
                         "Adr=2\\r\\n\\r\\n\\[Zar0\\]\\r\\nindex=16\\r\\nid=00A1B2C3D400\\r\\n"
                         "posledni=15,\\d+,\\d+\\r\\ndiry=\\r\\n"
                         "potvrzeny=\\d+,\\d+,\\d+,\\d+,\\d+,500\\r\\npochybny=\\r\\n$"))
                     .match(QString::fromLatin1(ini))
                     .hasMatch(),
                 ini.c_str());
    }
};

QTEST_MAIN(TEventCrashTest)
#include "event_crash_test.moc"
