// The chart against a plain Qt Charts line series that holds every point, side by side in a
// window of the same size, offscreen, for 3 series of 10^3 to 10^7 points each (the plain series
// up to 10^6): what one poll's three points cost, what one redraw costs (median of several), what
// a zoom or pan step costs (median and slowest), the bytes a point and the process's peak memory.
//
// Last, a day's data report file of a 100 ms poll (864,000 lines) is read back into the chart's
// past day layer: the time and the peak memory of its process.
//
// Every case runs in a process of its own (this program started again with "--case"), so that
// the peak memory of one case is not that of the case before it.
//
//   chart_window_bench            all cases, a table on standard output
//   chart_window_bench --quick    up to 10^5 points only

#include "model/chart_day_file.h"
#include "model/chart_model.h"
#include "model/data_line.h"
#include "store/report_file.h"
#include "ui/chart_page.h"
#include "ui/error_display.h"
#include "ui/voltage_chart.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int WindowWidth = 1012; // the main window's design size
constexpr int WindowHeight = 560;
constexpr TChartTime PollMs = 1000;

using TClock = std::chrono::steady_clock;

double MillisecondsOf(const std::function<void()>& work) {
    const auto start = TClock::now();
    work();
    return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The voltages of reading i: mains, battery and lines supply wandering a little.
TChartValues Reading(long i) {
    const double phase = static_cast<double>(i % 3600) / 3600.0 * 6.283;
    return {static_cast<float>(23 + std::sin(phase)),
            static_cast<float>(13.5 + 0.3 * std::cos(phase)),
            static_cast<float>(24 + 0.1 * ((i * 7919) % 11))};
}

TChartTime StartTime() {
    return ChartTimeOf(TDateTime{2026, 12, 7, 8, 0, 0, 0});
}

struct TFigures {
    double AddMs;
    double RedrawMs;
    double BytesPerPoint = 0; // what the chart holds for one point of one series
    double ZoomMs = 0;        // one step of the mouse wheel, envelope rebuilt: median
    double ZoomMaxMs = 0;     // and the slowest, from the whole run down to seconds
    double PanMs = 0;         // one step of a key's pan, envelope rebuilt: median
    double PanMaxMs = 0;      // and the slowest
};

// The time of one step of the view, the best of three tries from the same view, so that the
// step's own cost is measured and not the other work of a shared machine.
double StepMilliseconds(TChartModel& model, const std::function<void()>& step) {
    const TChartTime from = model.ViewFrom();
    const TChartTime to = model.ViewTo();
    double best = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) {
            model.ShowRange(from, to);
        }
        const double ms = MillisecondsOf(step);
        best = attempt == 0 ? ms : std::min(best, ms);
    }
    return best;
}

// Wheel steps from the whole run in to some seconds a column, then pan steps back and forth along
// time at every tenth zoom level: median and slowest of each.
void MeasureZoomAndPan(TChartModel& model, TFigures& f) {
    std::vector<double> zooms;
    std::vector<double> pans;
    model.FollowNewest();
    for (int step = 0; model.ViewTo() - model.ViewFrom() > 300 * PollMs; ++step) {
        const TChartTime anchor = model.ViewFrom() + (model.ViewTo() - model.ViewFrom()) / 3;
        zooms.push_back(StepMilliseconds(model, [&] { model.Zoom(anchor, 0.8); }));
        if (step % 10 == 0) {
            // Back and forth, so that the view stays over the run.
            for (int p = 0; p < 6; ++p) {
                const TChartTime delta =
                    (p % 2 == 0 ? -1 : 1) * (model.ViewTo() - model.ViewFrom()) / 10;
                pans.push_back(StepMilliseconds(model, [&] { model.Pan(delta); }));
            }
        }
    }
    f.ZoomMs = Median(zooms);
    f.ZoomMaxMs = *std::max_element(zooms.begin(), zooms.end());
    f.PanMs = Median(pans);
    f.PanMaxMs = *std::max_element(pans.begin(), pans.end());
}

// The chart of this program: the page as the window shows it, following the newest points.
TFigures MeasureEnvelopeChart(long points, int redraws) {
    QWidget window;
    TErrorDisplay errors(&window);
    TChartPage page(errors, &window);
    page.resize(WindowWidth, WindowHeight);
    window.resize(WindowWidth, WindowHeight);
    window.show();
    QCoreApplication::processEvents();
    TChartModel& model = page.Chart1->Model();
    for (long i = 0; i < points; ++i) {
        model.AddPoint(StartTime() + i * PollMs, Reading(i));
    }
    std::vector<double> adds;
    for (long i = points; i < points + 2001; ++i) {
        const TDateTime t = DateTimeOfChartTime(StartTime() + i * PollMs);
        const TChartValues v = Reading(i);
        adds.push_back(MillisecondsOf([&] { model.AddChartPoints(t, v[0], v[1], v[2]); }));
    }
    std::vector<double> paints;
    for (int r = 0; r < redraws; ++r) {
        model.AddPoint(StartTime() + (points + 2001 + r) * PollMs, Reading(r));
        paints.push_back(MillisecondsOf([&] { page.Chart1->repaint(); }));
    }
    TFigures f{Median(adds), Median(paints)};
    f.BytesPerPoint = static_cast<double>(model.Store().MemoryBytes()) /
                      (3.0 * static_cast<double>(model.Store().Count()));
    MeasureZoomAndPan(model, f);
    return f;
}

// A plain Qt Charts chart: three line series holding every point, axes as the page has them.
TFigures MeasurePlainSeries(long points, int adds, int redraws) {
    QChart* chart = new QChart;
    chart->legend()->hide();
    auto* timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(QStringLiteral("hh:mm:ss dd.MM.yy"));
    auto* voltAxis = new QValueAxis;
    voltAxis->setRange(0, 30);
    voltAxis->setLabelFormat(QStringLiteral("%.2f  "));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(voltAxis, Qt::AlignLeft);
    QLineSeries* series[3];
    const QColor colours[3] = {Qt::red, QColor(0, 0x80, 0), Qt::yellow};
    const qint64 epoch = QDateTime(QDate(2026, 12, 7), QTime(8, 0)).toMSecsSinceEpoch();
    for (int s = 0; s < 3; ++s) {
        series[s] = new QLineSeries;
        QList<QPointF> list;
        list.reserve(points);
        for (long i = 0; i < points; ++i) {
            list.append(QPointF(epoch + i * PollMs, Reading(i)[s]));
        }
        series[s]->replace(list);
        series[s]->setColor(colours[s]);
        chart->addSeries(series[s]);
        series[s]->attachAxis(timeAxis);
        series[s]->attachAxis(voltAxis);
    }
    QChartView view(chart);
    view.resize(WindowWidth, WindowHeight);
    view.show();
    QCoreApplication::processEvents();
    std::vector<double> addTimes;
    for (long i = points; i < points + adds; ++i) {
        const TChartValues v = Reading(i);
        addTimes.push_back(MillisecondsOf([&] {
            for (int s = 0; s < 3; ++s) {
                series[s]->append(epoch + i * PollMs, v[s]);
            }
        }));
        // The time axis follows the newest point, as the page's does; not counted above.
        timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(epoch),
                           QDateTime::fromMSecsSinceEpoch(epoch + i * PollMs));
    }
    std::vector<double> paints;
    for (int r = 0; r < redraws; ++r) {
        paints.push_back(MillisecondsOf([&] { view.viewport()->repaint(); }));
    }
    return {Median(addTimes), Median(paints)};
}

// A day of a 100 ms poll as the data report writer leaves it: ten stamped lines a second.
std::string WriteDayFile(long lines) {
    char path[] = "/tmp/orvant_chart_day_XXXXXX";
    const int fd = mkstemp(path);
    std::FILE* file = fdopen(fd, "wb");
    TMasterBlock master;
    master.ID = 0x0123456789AB;
    for (long i = 0; i < lines; ++i) {
        const TChartValues v = Reading(i);
        master.VNet = static_cast<uint16_t>(v[0] * 1000);
        master.VBat = static_cast<uint16_t>(v[1] * 1000);
        master.VDet = static_cast<uint16_t>(v[2] * 1000);
        const TDateTime t = DateTimeOfChartTime(StartTime() + i / 10 * ChartSecond);
        std::fprintf(file, "%s  %s\r\n", ReportTimeStamp(t).c_str(), DataLineText(master).c_str());
    }
    std::fclose(file);
    return path;
}

// Reading a day's file back into the chart, the file written first (not counted); prints
// "load_ms bytes_per_point".
int RunDayCase(long lines) {
    const std::string path = WriteDayFile(lines);
    const std::atomic<bool> stop{false};
    TChartDayLoad load;
    const double ms = MillisecondsOf([&] { load = LoadChartDay(path, {}, stop); });
    std::remove(path.c_str());
    std::printf("%.3f %.3f %zu\n", ms,
                static_cast<double>(load.Points->MemoryBytes()) / (3.0 * load.DataLines),
                load.BadLines);
    return load.DataLines == static_cast<std::size_t>(lines) ? 0 : 1;
}

// One case, in this process: prints "add_ms redraw_ms".
int RunCase(const std::string& kind, long points) {
    if (kind == "day") {
        return RunDayCase(points);
    }
    int argc = 1;
    char name[] = "chart_window_bench";
    char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const TFigures f = kind == "plain" ? MeasurePlainSeries(points, points >= 1000000 ? 3 : 5, 5)
                                       : MeasureEnvelopeChart(points, 21);
    std::printf("%.6f %.6f %.3f %.6f %.6f %.6f %.6f\n", f.AddMs, f.RedrawMs, f.BytesPerPoint,
                f.ZoomMs, f.ZoomMaxMs, f.PanMs, f.PanMaxMs);
    return 0;
}

struct TResult {
    bool Ok = false;
    TFigures Figures{0, 0};
    double PeakMb = 0;
};

// Runs one case in a child process and reads its figures and its peak memory.
TResult SpawnCase(const std::string& kind, long points) {
    int fds[2];
    if (pipe(fds) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const std::string count = std::to_string(points);
    char self[] = "/proc/self/exe";
    std::string option = "--case";
    std::vector<char*> args = {self, option.data(), const_cast<char*>(kind.c_str()),
                               const_cast<char*>(count.c_str()), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, self, &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return {};
    }
    std::string out;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    TResult r;
    TFigures& f = r.Figures;
    const int fields =
        std::sscanf(out.c_str(), "%lf %lf %lf %lf %lf %lf %lf", &f.AddMs, &f.RedrawMs,
                    &f.BytesPerPoint, &f.ZoomMs, &f.ZoomMaxMs, &f.PanMs, &f.PanMaxMs);
    // A day case prints its time, bytes a point and bad lines into the first three.
    r.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && fields == (kind == "day" ? 3 : 7);
    r.PeakMb = usage.ru_maxrss / 1024.0;
    return r;
}

int RunAll(bool quick) {
    std::printf("%-9s | %-22s | %13s | %11s | %9s | %11s | %s\n", "points", "chart",
                "3 points [ms]", "redraw [ms]", "peak [MB]", "bytes/point",
                "zoom / pan step [ms], median and slowest");
    std::printf("----------|------------------------|---------------|-------------|-----------|----"
                "---------|-----------------------------------------\n");
    for (long points : {1000L, 10000L, 100000L, 1000000L, 10000000L}) {
        if (quick && points > 100000) {
            break;
        }
        for (const char* kind : {"envelope", "plain"}) {
            const bool plain = std::strcmp(kind, "plain") == 0;
            if (plain && points > 1000000) {
                continue; // tens of seconds a poll and gigabytes: nothing left to compare
            }
            const TResult r = SpawnCase(kind, points);
            const char* label = plain ? "plain Qt Charts series" : "Chart1 (envelope)";
            if (!r.Ok) {
                std::printf("%-9ld | %-22s | failed\n", points, label);
                continue;
            }
            const TFigures& f = r.Figures;
            std::printf("%-9ld | %-22s | %13.4f | %11.3f | %9.1f | ", points, label, f.AddMs,
                        f.RedrawMs, r.PeakMb);
            if (plain) {
                std::printf("%11s | -\n", "-");
            } else {
                std::printf("%11.1f | %.2f / %.2f, %.2f / %.2f\n", f.BytesPerPoint, f.ZoomMs,
                            f.ZoomMaxMs, f.PanMs, f.PanMaxMs);
            }
            std::fflush(stdout);
        }
    }
    // A day of a 100 ms poll read back from its data report file.
    const long lines = quick ? 86400 : 864000;
    const TResult day = SpawnCase("day", lines);
    std::printf("\nday file of %ld lines read back: %.0f ms, %.1f bytes a point, peak %.1f MB%s\n",
                lines, day.Figures.AddMs, day.Figures.RedrawMs, day.PeakMb,
                day.Ok ? "" : " (failed)");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--case") == 0) {
        return RunCase(argv[2], std::atol(argv[3]));
    }
    return RunAll(argc == 2 && std::strcmp(argv[1], "--quick") == 0);
}
