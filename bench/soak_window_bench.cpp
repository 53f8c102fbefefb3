// A long run in a short time: a million status replies through the whole window, offscreen, as
// fast as it takes them. Each reply is one datagram into the window's codec, decoded onto the
// pages, the chart and the data report file (written to a temporary directory), followed by the
// window handling its pending events (repaints, the LED tick when due). Every value changes from
// one reply to the next.
//
// It prints what a reply cost among the first 1000 and among the last 1000 (wall and CPU time),
// and the memory of the process at the start and at the end, with the chart's point store
// (which keeps every point of the run by design) shown apart.
//
//   soak_window_bench [--replies N] [--page communication|master|slave]
//
// N defaults to 1000000; the communication page is in front by default (a technician watching
// the log), "master" puts the master page in front, whose repaint costs most.

#include "core/clock.h"
#include "link/frame_codec.h"
#include "link/link_controls.h"
#include "link/poll_cycle.h"
#include "model/chart_model.h"
#include "model/status_record.h"
#include "store/report_file.h"
#include "ui/chart_page.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/qt_timer.h"
#include "ui/status_page.h"
#include "ui/voltage_chart.h"

#include <QApplication>
#include <QTabWidget>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Window = 1000; // replies measured at the start and at the end

struct TOptions {
    long Replies = 1000000;
    std::string Page = "communication";
};

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--replies") == 0) {
            options.Replies = std::max(std::atol(argv[i + 1]), 2L * Window);
        } else if (std::strcmp(argv[i], "--page") == 0) {
            options.Page = argv[i + 1];
        }
    }
    return options;
}

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

// Reply n as the master sends it in one datagram (01, address, 'A', record, sum, 02): four
// slaves, LEDs lit and blinking, every value, state and output a little different from reply
// n - 1.
std::vector<uint8_t> StatusDatagram(long n) {
    std::vector<uint8_t> d(StatusRecordSize + 5, 0);
    d[0] = 0x01;
    d[1] = 0x30;
    d[2] = 'A';
    uint8_t* r = d.data() + 3;
    const uint64_t id = 0x0000A1B2C3D4;
    std::memcpy(r, &id, 6);
    PutU16(r + 10, 500);
    for (int f = 0; f < 15; ++f) {
        PutU16(r + 12 + 2 * f, static_cast<uint16_t>(20000 + 37 * f + n % 1000));
    }
    r[42] = r[43] = r[44] = static_cast<uint8_t>(n % 3);
    r[45] = 0x0F;
    PutU16(r + 46, static_cast<uint16_t>(n & 0x7F7F));
    PutU16(r + 50, static_cast<uint16_t>((n >> 3) & 0x3F3F));
    PutU16(r + 54, static_cast<uint16_t>(n));
    for (int i = 56; i <= 60; ++i) {
        r[i] = static_cast<uint8_t>(n % 4);
    }
    for (int k = 1; k <= SlaveCount; ++k) {
        uint8_t* s = r + SlaveBlockOffset(k);
        s[0] = static_cast<uint8_t>(k);
        for (int f = 0; f < 15; ++f) {
            PutU16(s + 6 + 2 * f, static_cast<uint16_t>(21000 + 41 * f + n % 997));
        }
    }
    uint8_t sum = 0x30 + 'A';
    for (std::size_t i = 0; i < StatusRecordSize; ++i) {
        sum = static_cast<uint8_t>(sum + r[i]);
    }
    d[d.size() - 2] = sum;
    d[d.size() - 1] = 0x02;
    return d;
}

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A line of /proc/self/status such as "VmRSS", in MB.
double ProcessMb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::atof(line.c_str() + std::strlen(key) + 1) / 1024.0;
        }
    }
    return 0;
}

struct TSpan {
    double Wall = 0;
    double Cpu = 0;
};

class TSoak {
public:
    TSoak(TForm1& form, const TOptions& options) : FForm(form), FOptions(options) {}

    int Run() {
        QWidget* page = FForm.TabSheet2;
        if (FOptions.Page == "master") {
            page = FForm.Master;
        } else if (FOptions.Page == "slave") {
            page = FForm.TabSheetSl[0];
        }
        FForm.PageControl1->setCurrentWidget(page);
        QCoreApplication::processEvents();
        const double rssStart = ProcessMb("VmRSS:");
        const double wallStart = WallSeconds();
        TSpan first = Replies(0, Window);
        for (long n = Window; n < FOptions.Replies - Window; n += 100000) {
            Replies(n, std::min(n + 100000, FOptions.Replies - Window));
            std::fprintf(stderr, "\r%ld replies", std::min(n + 100000, FOptions.Replies - Window));
        }
        TSpan last = Replies(FOptions.Replies - Window, FOptions.Replies);
        const double total = WallSeconds() - wallStart;
        Print(first, last, total, rssStart);
        return FForm.Codec().Counters().Dispatched == static_cast<uint64_t>(FOptions.Replies) ? 0
                                                                                              : 1;
    }

private:
    TSpan Replies(long from, long to) {
        const double wall = WallSeconds();
        const double cpu = CpuSeconds();
        for (long n = from; n < to; ++n) {
            const std::vector<uint8_t> datagram = StatusDatagram(n);
            FForm.Errors().Guard([&] {
                FForm.Codec().ReceiveDatagram(datagram.data(), static_cast<int>(datagram.size()));
            });
            QCoreApplication::processEvents();
        }
        const double count = static_cast<double>(to - from);
        return {(WallSeconds() - wall) / count, (CpuSeconds() - cpu) / count};
    }

    void Print(const TSpan& first, const TSpan& last, double total, double rssStart) {
        const double chartMb =
            static_cast<double>(FForm.TabSheet3->Chart1->Model().Store().MemoryBytes()) / 1048576.0;
        const double rssEnd = ProcessMb("VmRSS:");
        std::printf("\n%ld status replies in %.0f s, the %s page in front\n", FOptions.Replies,
                    total, FOptions.Page.c_str());
        std::printf("per reply, first %d: %.3f ms wall, %.3f ms CPU\n", Window, first.Wall * 1e3,
                    first.Cpu * 1e3);
        std::printf("per reply, last %d:  %.3f ms wall, %.3f ms CPU (%.2f times the first)\n",
                    Window, last.Wall * 1e3, last.Cpu * 1e3, last.Cpu / first.Cpu);
        std::printf("memory: %.1f MB at the start, %.1f MB at the end, peak %.1f MB\n", rssStart,
                    rssEnd, ProcessMb("VmHWM:"));
        std::printf("chart store: %.1f MB for %zu records; the rest grew by %.1f MB\n", chartMb,
                    FForm.TabSheet3->Chart1->Model().Store().Count(), rssEnd - rssStart - chartMb);
        std::printf("frames decoded: %llu\n",
                    static_cast<unsigned long long>(FForm.Codec().Counters().Dispatched));
        for (const QString& message : FForm.Errors().OpenMessages()) {
            std::printf("on screen: %s\n", qPrintable(message));
        }
    }

    TForm1& FForm;
    TOptions FOptions;
};

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const TOptions options = ParseOptions(argc, argv);
    std::string pattern = (std::filesystem::temp_directory_path() / "orvant-soak-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path dir = pattern;
    // Over the serial line, a pseudo-terminal that nobody answers on: the default address is
    // never polled, and the port opens as a technician's would.
    const int line = posix_openpt(O_RDWR | O_NOCTTY);
    if (line < 0 || grantpt(line) != 0 || unlockpt(line) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    std::ofstream(dir / "Kelm2.ini", std::ios::binary) << "[General]\r\nUDP=0\r\n";
    std::ofstream(dir / "ComPort.ini", std::ios::binary)
        << "[ComPort1]\r\nPort=" << ptsname(line) << "\r\nBaudRate=115200\r\n";
    int result = 0;
    {
        TReports reports(dir.string(), SystemClock());
        StartReports(reports);
        TForm1 form(dir.string(), &reports);
        form.show();
        form.Link().Poll().Stop(); // the replies come from here, not from polls
        result = TSoak(form, options).Run();
        form.close();
        FinishReports(reports);
        std::printf("data report: %.1f MB\n",
                    static_cast<double>(std::filesystem::file_size(
                        std::filesystem::directory_iterator(dir / "ReportData")->path())) /
                        1048576.0);
    }
    std::filesystem::remove_all(dir);
    close(line);
    return result;
}
