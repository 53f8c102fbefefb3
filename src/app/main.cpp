// The program's entry: module initialisation in its fixed order, the application title, the
// main window, and after it is gone the module finalisation.

#include "core/clock.h"
#include "core/errors.h"
#include "link/wait.h"
#include "store/app_paths.h"
#include "store/report_file.h"
#include "ui/accessibility.h"
#include "ui/close_on_signal.h"
#include "ui/error_display.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <exception>

int main(int argc, char* argv[]) {
    // The wait helper's stopwatch exists before anything else.
    WaitTimer();

    QApplication app(argc, argv);
    // The application's title, the name the desktop's task bar groups its window under. It is
    // not set as display name: that would be appended to the window's caption "Orvant  v2.1".
    QApplication::setApplicationName(QStringLiteral("Orvant2"));
    InstallAccessibleNames(app);

    std::string directory;
    try {
        directory = ExecutableDirectory();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Orvant2: %s\n", error.what());
        return 1;
    }

    // The daily reports are opened before the window exists (data file first) and closed after
    // it is gone (event file first).
    TReports reports(directory, SystemClock());
    QString startFailure;
    try {
        StartReports(reports);
    } catch (const std::exception& error) {
        startFailure = QString::fromLocal8Bit(error.what());
    }

    int result = 0;
    {
        TForm1 form(directory, &reports);
        CloseOnTerminationSignals(&form);
        form.show();
        if (!startFailure.isEmpty()) {
            form.Errors().Show(startFailure);
        }
        result = QApplication::exec();
    }

    try {
        FinishReports(reports);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Orvant2: %s\n", error.what());
    }
    return result;
}
