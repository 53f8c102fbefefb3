#pragma once
// The panel simulator program on a pseudo-terminal behind a symlink, for window tests that put
// the tool (the window in-process, or the program itself) on its line. Header only: each window
// test is a program of its own. Its output is kept, so a test can
// wait for what the panel noted ("G: event 7").

#include <QProcess>
#include <QString>
#include <QStringList>

#include "temp_dir.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

class TPanelSimProcess {
public:
    // Starts the simulator with --link `link`, --no-keys and `options`, and waits until the link
    // is there. QVERIFY-style failures are reported through Started().
    TPanelSimProcess(const std::filesystem::path& link, const QStringList& options);
    // Ends it with SIGTERM (it removes its link).
    ~TPanelSimProcess();
    TPanelSimProcess(const TPanelSimProcess&) = delete;
    TPanelSimProcess& operator=(const TPanelSimProcess&) = delete;

    bool Started() const { return FStarted; }
    // Everything it has printed so far.
    const QString& Output();
    // Ends it now and waits; the link is gone afterwards.
    void Stop();

private:
    QProcess FProcess;
    QString FOutput;
    bool FStarted = false;
};

// "ComPort.ini" and "Kelm2.ini" that put a tool in `directory` on the simulator's serial line,
// with UDP off, so that it never polls the default server address.
void WriteToolSettingsForLink(const std::filesystem::path& directory,
                              const std::filesystem::path& link);

// The event report lines of every day's file under `directory`/ReportUdal, in file order.
std::vector<std::string> EventReportLines(const std::filesystem::path& directory);
// The index of an event line ("ind= 42;..." gives 42), or -1 for any other line.
int EventLineIndex(const std::string& line);

// ---- definitions ----

inline TPanelSimProcess::TPanelSimProcess(const std::filesystem::path& link,
                                          const QStringList& options) {
    FProcess.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args{"--link", QString::fromStdString(link.string()), "--no-keys"};
    FProcess.start(QStringLiteral(ORVANT_PANEL_SIM_PATH), args + options);
    if (!FProcess.waitForStarted(5000)) {
        return;
    }
    QElapsedTimer clock;
    clock.start();
    while (!std::filesystem::is_symlink(link) && clock.elapsed() < 5000) {
        QThread::msleep(10);
    }
    FStarted = std::filesystem::is_symlink(link);
}

inline TPanelSimProcess::~TPanelSimProcess() {
    Stop();
}

inline const QString& TPanelSimProcess::Output() {
    FOutput += QString::fromLocal8Bit(FProcess.readAll());
    return FOutput;
}

inline void TPanelSimProcess::Stop() {
    if (FProcess.state() == QProcess::NotRunning) {
        return;
    }
    ::kill(static_cast<pid_t>(FProcess.processId()), SIGTERM);
    if (!FProcess.waitForFinished(5000)) {
        FProcess.kill();
        FProcess.waitForFinished(5000);
    }
    Output();
}

inline void WriteToolSettingsForLink(const std::filesystem::path& directory,
                                     const std::filesystem::path& link) {
    WriteFileBytes(directory / "ComPort.ini",
                   "[ComPort1]\r\nPort=" + link.string() + "\r\nBaudRate=115200\r\n");
    WriteFileBytes(directory / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
}

inline std::vector<std::string> EventReportLines(const std::filesystem::path& directory) {
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(directory / "ReportUdal")) {
        for (const auto& entry : std::filesystem::directory_iterator(directory / "ReportUdal")) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end()); // the date in the name sorts them by day
    std::vector<std::string> lines;
    for (const auto& file : files) {
        std::istringstream text(ReadFileBytes(file));
        for (std::string line; std::getline(text, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
        }
    }
    return lines;
}

inline int EventLineIndex(const std::string& line) {
    if (line.rfind("ind=", 0) != 0) {
        return -1;
    }
    const auto end = line.find(';');
    try {
        return std::stoi(line.substr(4, end - 4));
    } catch (const std::exception&) {
        return -1;
    }
}
