// The program's entry: module initialisation in its fixed order, the application title, the
// main window, and after it is gone the module finalisation.

#include "core/clock.h"
#include "core/errors.h"
#include "link/wait.h"
#include "store/app_paths.h"
#include "store/instance_lock.h"
#include "store/report_file.h"
#include "transport/hx_socket.h"
#include "ui/accessibility.h"
#include "ui/close_on_signal.h"
#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/window_icon.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>

namespace {

// Says why this copy does not start: on standard error, and in a message box where there is a
// screen to show it on.
int RefuseSecondCopy(int argc, char* argv[], const char* message) {
    std::fprintf(stderr, "Orvant2: %s\n", message);
    QApplication app(argc, argv);
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) {
        QMessageBox::critical(nullptr, QStringLiteral("Orvant2"), QString::fromLocal8Bit(message));
    }
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    // A termination signal from here on closes the window once it exists, so the reports that
    // are about to start always get their end markers.
    CatchTerminationSignals();

    // ---- Module initialisation, before any window exists, in this order ----
    // The wait helper's stopwatch.
    WaitTimer();
    // The socket library (its start-up is empty on Linux).
    StartSocketLibrary();
    // Where every file of this run lives: beside the executable, or the user's data directory
    // when that is not writable. Decided here, once; everything below is handed the result.
    std::string directory;
    try {
        directory = FilesDirectory().Path;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Orvant2: %s\n", error.what());
        return 1;
    }
    // One copy of the tool per folder: a second one is refused before it touches any file.
    std::optional<TInstanceLock> instanceLock;
    try {
        instanceLock.emplace(directory);
    } catch (const std::exception& error) {
        return RefuseSecondCopy(argc, argv, error.what());
    }
    // The daily reports with their start markers, the data report first. A report that cannot
    // be started is shown once the window is there.
    TReports reports(directory, SystemClock());
    std::string startFailure;
    try {
        StartReports(reports);
    } catch (const std::exception& error) {
        startFailure = error.what();
    }
    // The panel state, the event-reading state among it, starts cleared with the window.

    // ---- The application and its title ----
    QApplication app(argc, argv);
    // The application's title, the name the desktop's task bar groups its window under. It is
    // not set as display name: that would be appended to the window's caption "Orvant  v2.1".
    QApplication::setApplicationName(QStringLiteral("Orvant2"));
    // The desktop entry's name: a Wayland compositor finds the entry, and its icon, by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvant2.orvant2"));
    // Every window of the tool carries its icon (an X11 task bar reads it from the window).
    QApplication::setWindowIcon(ToolIcon());
    InstallAccessibleNames(app);

    // ---- The main window: created (FormCreate), shown (FormShow), run, closed (FormClose) ----
    int result = 0;
    bool eventReportFree = true;
    {
        TForm1 form(directory, &reports);
        CloseOnTerminationSignals(&form);
        form.show();
        if (!startFailure.empty()) {
            form.Errors().Show(QString::fromLocal8Bit(startFailure));
        }
        result = QApplication::exec();
        RestoreTerminationSignals();
        eventReportFree = form.FinishDiskWork();
    }
    // ---- Module finalisation, after the window is gone: end markers, event report first ----
    // A device that hangs in the event report's disk work holds its thread: the data report is
    // ended, the event report is left as it stands (a prefix of what was written, see
    // disk_worker.h) and the program ends without waiting for that thread.
    if (!eventReportFree) {
        std::fprintf(stderr, "Orvant2: the event report's disk does not answer; ending without "
                             "its end marker\n");
    }
    try {
        FinishReports(reports, eventReportFree);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Orvant2: %s\n", error.what());
    }
    if (!eventReportFree) {
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}
