#pragma once
// The panel simulator program on a pseudo-terminal behind a symlink, for window tests that put
// the tool (the window in-process, or the program itself) on its line; and the event report as
// such a test reads it. Header only: each window test is a program of its own.

#include "hung_run.h"
#include "temp_dir.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

class TPanelSimProcess {
public:
    // Starts the simulator with --link `link`, --no-keys and `options`; Started() tells whether
    // the link appeared.
    TPanelSimProcess(const std::filesystem::path& link, const QStringList& options) {
        FProcess.setProcessChannelMode(QProcess::MergedChannels);
        FProcess.start(QStringLiteral(ORVANT_PANEL_SIM_PATH),
                       QStringList{"--link", QString::fromStdString(link.string()), "--no-keys"} +
                           options);
        QElapsedTimer clock;
        clock.start();
        while (FProcess.waitForStarted(HungRunMs) && !std::filesystem::is_symlink(link) &&
               clock.elapsed() < HungRunMs) {
            QThread::msleep(10);
        }
        FStarted = std::filesystem::is_symlink(link);
    }
    // SIGTERM: it removes its link.
    ~TPanelSimProcess() {
        if (FProcess.state() == QProcess::NotRunning) {
            return; // never started, or gone: no process id to signal
        }
        ::kill(static_cast<pid_t>(FProcess.processId()), SIGTERM);
        if (!FProcess.waitForFinished(HungRunMs)) {
            FProcess.kill();
            FProcess.waitForFinished(HungRunMs);
        }
    }
    TPanelSimProcess(const TPanelSimProcess&) = delete;
    TPanelSimProcess& operator=(const TPanelSimProcess&) = delete;

    bool Started() const { return FStarted; }
    // Everything it has printed so far ("G: event 7" with --verbose).
    const QString& Output() {
        FOutput += QString::fromLocal8Bit(FProcess.readAll());
        return FOutput;
    }

private:
    QProcess FProcess;
    QString FOutput;
    bool FStarted = false;
};

// "ComPort.ini" and "Kelm2.ini" that put a tool in `directory` on the simulator's serial line,
// with UDP off, so that it never polls the default server address.
inline void WriteToolSettingsForLink(const std::filesystem::path& directory,
                                     const std::filesystem::path& link) {
    WriteFileBytes(directory / "ComPort.ini",
                   "[ComPort1]\r\nPort=" + link.string() + "\r\nBaudRate=115200\r\n");
    WriteFileBytes(directory / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
}

// The lines of every day's event report under `directory`/ReportUdal, oldest day first.
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
            if (line.ends_with('\r')) {
                line.pop_back();
            }
            lines.push_back(line);
        }
    }
    return lines;
}

// The index of an event line ("ind= 42;..." gives 42), or -1 for any other line.
inline int EventLineIndex(const std::string& line) {
    if (!line.starts_with("ind=")) {
        return -1;
    }
    try {
        return std::stoi(line.substr(4, line.find(';') - 4));
    } catch (const std::exception&) {
        return -1;
    }
}
