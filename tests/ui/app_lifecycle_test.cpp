// The program as a technician starts it: a copy of the executable in its own directory, files
// beside it. SIGTERM closes the window the normal way, so the shut-down runs in full.

#include "pty_pair.h"
#include "temp_dir.h"

#include <QProcess>
#include <QtTest>

#include <csignal>
#include <filesystem>

namespace {

std::string ReportText(const std::filesystem::path& directory) {
    std::string text;
    if (std::filesystem::is_directory(directory)) {
        for (const auto& entry : std::filesystem::directory_iterator(directory)) {
            text += ReadFileBytes(entry.path());
        }
    }
    return text;
}

} // namespace

class TAppLifecycleTest : public QObject {
    Q_OBJECT

private slots:
    void SigtermSavesTheSettingsAndEndsTheReports() {
        TTempDir dir;
        TPtyPair panel;
        const auto exe = dir.Path() / "orvant2";
        std::filesystem::copy_file(ORVANT2_EXECUTABLE, exe);
        // The tool's files lie beside its executable; these keep it on the test's own line.
        WriteFileBytes(dir.Path() / "ComPort.ini",
                       "[ComPort1]\r\nPort=" + panel.SlavePath() + "\r\nBaudRate=57600\r\n");
        WriteFileBytes(dir.Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");

        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        tool.setProcessEnvironment(env);
        TTempDir workingDir; // the tool's files must not follow the working directory
        tool.setWorkingDirectory(QString::fromStdString(workingDir.Path().string()));
        tool.start(QString::fromStdString(exe.string()), {});
        QVERIFY(tool.waitForStarted(5000));

        // The first poll shows the window is up and the port open.
        const std::string poll = panel.Receive(7, std::chrono::milliseconds(8000));
        QCOMPARE(poll, std::string("\xAA\x01\x30\x41\x71\xAA\x02"));
        QVERIFY(ReportText(dir.Path() / "ReportData").find("******* Rep Start *******") !=
                std::string::npos);

        ::kill(static_cast<pid_t>(tool.processId()), SIGTERM);
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);

        for (const char* reports : {"ReportData", "ReportUdal"}) {
            const std::string text = ReportText(dir.Path() / reports);
            QVERIFY2(text.find("******* Rep End *******") != std::string::npos, reports);
        }
        const std::string settings = ReadFileBytes(dir.Path() / "ComPort.ini");
        QVERIFY(settings.find("BaudRate=57600\r\n") != std::string::npos);
        QVERIFY(settings.find("FlowControl=None\r\n") != std::string::npos);
        QVERIFY(std::filesystem::is_empty(workingDir.Path()));
    }
};

QTEST_MAIN(TAppLifecycleTest)
#include "app_lifecycle_test.moc"
