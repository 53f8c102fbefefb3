// The "Events" page reading a year of event reports into the window: from Load until the rows
// are in the table, and how long the window's thread was held meanwhile (the longest gap between
// two runs of a 2 ms timer: what a click or a repaint would have waited at most). Files as in
// event_history_bench (365 daily files, written as the tool writes them), read once before so
// that they are in the page cache; a first read from a cold disk adds the disk's time.
//
// Goal: 10^6 records in the table in under 2 s, the window never held over 100 ms.
//
//   build/release/bench/event_history_window_bench [RECORDS...]   (default 100000 1000000)

#include "core/civil_time.h"
#include "ui/error_display.h"
#include "ui/event_history_page.h"
#include "ui/event_table_model.h"

#include "report_year.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct TFigures {
    double LoadedS = 0;      // Load until the history is in the table
    double LongestGapMs = 0; // the longest the window's thread was held meanwhile
    int Rows = 0;
};

TFigures Measure(const std::string& directory) {
    QWidget window;
    auto* errors = new TErrorDisplay(&window);
    auto* page = new TEventHistoryPage(directory, *errors, &window);
    window.resize(1012, 700);
    page->resize(1012, 700);
    window.show();
    QApplication::processEvents();

    QElapsedTimer since;
    qint64 longest = 0;
    QTimer ticks;
    ticks.setInterval(2);
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longest = std::max(longest, since.restart()); });
    QElapsedTimer clock;
    clock.start();
    since.start();
    ticks.start();
    page->Load();
    while (page->Loading()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    page->TableEvents->viewport()->repaint(); // the first screen of rows drawn
    TFigures f;
    f.LoadedS = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    QApplication::processEvents();
    f.LongestGapMs = static_cast<double>(longest);
    f.Rows = page->Model()->rowCount();
    return f;
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::vector<int> sizes;
    for (int k = 1; k < argc; ++k) {
        sizes.push_back(std::atoi(argv[k]));
    }
    if (sizes.empty()) {
        sizes = {100000, 1000000};
    }
    int qtArgc = 1;
    char name[] = "event_history_window_bench";
    char* qtArgv[] = {name, nullptr};
    QApplication app(qtArgc, qtArgv);
    std::printf("%10s %8s %12s %16s\n", "records", "rows", "in table s", "longest gap ms");
    for (const int records : sizes) {
        const TReportYear year(records);
        Measure(year.Path()); // the files into the page cache
        for (int run = 0; run < 3; ++run) {
            const TFigures f = Measure(year.Path());
            std::printf("%10d %8d %12.3f %16.1f\n", records, f.Rows, f.LoadedS, f.LongestGapMs);
        }
    }
    return 0;
}
