// What one status reply and one LED tick cost in the whole window, run offscreen: the reply as a
// datagram through the window's own codec and status decoder onto the pages, with and without the
// repaint that follows, and the 200 ms LED tick with every LED blinking, with and without its
// repaint. The counters give each as a share of the time it has: the fastest poll brings a reply
// every 100 ms, the LED tick comes every 200 ms.

#include "link/frame_codec.h"
#include "link/link_controls.h"
#include "link/poll_cycle.h"
#include "model/status_record.h"
#include "transport/serial_watch.h"
#include "ui/communication_page.h"
#include "ui/link_health_view.h"
#include "ui/main_window.h"
#include "ui/qt_timer.h"
#include "ui/status_page.h"
#include "ui/status_pages.h"

#include <QApplication>
#include <QTabWidget>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <pty.h>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

constexpr double FastestPollSeconds = 0.1;
constexpr double LedTickSeconds = 0.2;

// Every LED index a device has (0-6, 8-14, 16-22).
constexpr uint32_t AllLeds = 0x007F7F7F;
// "Fault slave1" to "Fault slave4" on the master (LEDs 22 down to 19): a blinking one hides its
// slave's page, so the master keeps them steady and all four slave pages stay shown.
constexpr uint32_t SlaveFaultLeds = 0x00780000;

void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

void PutU48(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 6; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// The fifteen common values from p; `phase` 0 or 1 gives two sets in which every value differs.
void PutMeasuredValues(uint8_t* p, int phase) {
    for (int f = 0; f < 15; ++f) {
        PutU16(p + 2 * f, static_cast<uint16_t>(1000 + 37 * f + phase * 11 * (f + 1)));
    }
}

// What differs between the two replies a benchmark alternates between.
enum class TChange {
    Everything,    // every value, state code and output: the most a reply can cost
    MeasuredValues // the voltages and currents only, as on a panel that is simply running
};

// A status record with four slaves, every LED fast-blinking (the master's slave fault LEDs lit);
// `valuePhase` 0 or 1 gives two records that differ in what `change` says.
std::array<uint8_t, StatusRecordSize> StatusRecord(int valuePhase, TChange change) {
    const int phase = change == TChange::Everything ? valuePhase : 0;
    std::array<uint8_t, StatusRecordSize> r{};
    uint8_t* m = r.data();
    PutU48(m, 0x0000A1B2C3D4);
    PutU16(m + 8, 0);    // event end equals the start: nothing to read
    PutU16(m + 10, 500); // event capacity
    PutMeasuredValues(m + 12, valuePhase);
    m[42] = m[43] = m[44] = static_cast<uint8_t>(phase); // line states
    m[45] = 0x0F;                                        // four slaves belong
    PutU32(m + 46, SlaveFaultLeds);
    PutU32(m + 50, AllLeds & ~SlaveFaultLeds);
    PutU16(m + 54, phase != 0 ? 0xFFFF : 0x0000);
    for (int i = 56; i <= 60; ++i) {
        m[i] = static_cast<uint8_t>(phase + 1); // stHas, stBat, stV1, stSir, stPro
    }
    PutU16(m + 61, static_cast<uint16_t>(300 - phase));
    for (int k = 1; k <= SlaveCount; ++k) {
        uint8_t* s = r.data() + SlaveBlockOffset(k);
        PutU48(s, 0x0000E5F60000 + static_cast<uint64_t>(k));
        PutMeasuredValues(s + 6, valuePhase);
        s[37] = static_cast<uint8_t>(phase); // CMer
        s[38] = s[39] = s[40] = static_cast<uint8_t>(phase);
        PutU32(s + 41, 0);
        PutU32(s + 45, AllLeds);
        s[49] = phase != 0 ? 0x90 : 0x00;
        s[51] = s[52] = static_cast<uint8_t>(phase + 1);
    }
    return r;
}

// The reply as the master sends it in one datagram: 01, address, 'A', record, sum, 02.
TBytes StatusDatagram(int phase, TChange change = TChange::Everything) {
    const auto record = StatusRecord(phase, change);
    TBytes d(record.size() + 5);
    d[0] = 0x01;
    d[1] = 0x30;
    d[2] = 'A';
    uint8_t sum = 0x30 + 'A';
    for (std::size_t i = 0; i < record.size(); ++i) {
        d[3 + i] = record[i];
        sum = static_cast<uint8_t>(sum + record[i]);
    }
    d[d.size() - 2] = sum;
    d[d.size() - 1] = 0x02;
    return d;
}

void Receive(TForm1& form, const TBytes& datagram) {
    form.Codec().ReceiveDatagram(datagram.data(), static_cast<int>(datagram.size()));
}

// CPU time of the calling thread, in seconds: the same clock as the benchmark's CPU column.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The CPU time of one iteration in per cent of `interval` seconds, given the time the whole loop
// took from `start`.
double PercentOf(double interval, double start, const benchmark::State& state) {
    const double perIteration = (ThreadCpuSeconds() - start) /
                                static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    return 100.0 * perIteration / interval;
}

// Brings a page to the front and lets it draw, so the benchmark starts from a clean screen.
// Pages greyed as old (a link display that saw the link down) would measure something else.
bool ShowPage(benchmark::State& state, TForm1& form, QWidget* page) {
    form.PageControl1->setCurrentWidget(page);
    QCoreApplication::processEvents();
    if (form.StatusPages().Stale()) {
        state.SkipWithError("the link display shows the link down: the pages are greyed");
        return false;
    }
    return true;
}

// One status reply per iteration, alternating between two records that differ in what `change`
// says; with `repaint`, the window then handles its pending events.
void StatusReply(benchmark::State& state, TForm1& form, QWidget* page, bool repaint,
                 TChange change) {
    const std::array<TBytes, 2> replies{StatusDatagram(0, change), StatusDatagram(1, change)};
    if (!ShowPage(state, form, page)) {
        return;
    }
    Receive(form, replies[1]);
    if (form.PanelState().LedBlink[1] != AllLeds || !form.StatusPages().SlavePageShown(4)) {
        state.SkipWithError("the status reply did not reach the window");
        return;
    }
    std::size_t next = 0;
    const double start = ThreadCpuSeconds();
    for (auto _ : state) {
        Receive(form, replies[next]);
        next ^= 1U;
        if (repaint) {
            QCoreApplication::processEvents();
        }
    }
    state.counters["pct_of_100ms"] = PercentOf(FastestPollSeconds, start, state);
    QCoreApplication::processEvents();
}

// One LED tick per iteration with every LED fast-blinking, so every LED changes its look at
// every tick; with `repaint`, the window then handles its pending events.
void LedTick(benchmark::State& state, TForm1& form, QWidget* page, bool repaint, TChange) {
    if (!ShowPage(state, form, page)) {
        return;
    }
    Receive(form, StatusDatagram(0));
    if (form.PanelState().LedBlink[0] != (AllLeds & ~SlaveFaultLeds)) {
        state.SkipWithError("the LED masks did not reach the window");
        return;
    }
    const double start = ThreadCpuSeconds();
    for (auto _ : state) {
        form.StatusPages().TimerLedTimer();
        if (repaint) {
            QCoreApplication::processEvents();
        }
    }
    state.counters["pct_of_200ms"] = PercentOf(LedTickSeconds, start, state);
    QCoreApplication::processEvents();
}

// One second of a quiet link, per iteration: one status reply that changes nothing, the link
// display's looks (every TSerialWatch::TickInterval ms) and the five LED ticks, each followed
// by the repaint it causes, with the Master page shown and no LED blinking.
void IdlePollCycle(benchmark::State& state, TForm1& form, QWidget* page, bool, TChange) {
    if (!ShowPage(state, form, page)) {
        return;
    }
    TBytes quiet = StatusDatagram(0);
    for (std::size_t i = 3 + 46; i < 3 + 54; ++i) {
        quiet[i] = 0; // master LEDs steady dark, no slave fault: nothing blinks
    }
    quiet[quiet.size() - 2] = 0;
    for (std::size_t i = 1; i + 2 < quiet.size(); ++i) {
        quiet[quiet.size() - 2] = static_cast<uint8_t>(quiet[quiet.size() - 2] + quiet[i]);
    }
    const int looks = int(1000 / TSerialWatch::TickInterval);
    auto second = [&] {
        Receive(form, quiet);
        QCoreApplication::processEvents();
        for (int tick = 0; tick < std::max(looks, 5); ++tick) {
            if (tick < looks) {
                form.LinkHealth().Tick();
            }
            if (tick < 5) {
                form.StatusPages().TimerLedTimer();
            }
            QCoreApplication::processEvents();
        }
    };
    second(); // the pages turn live (no longer stale) and draw once
    if (form.StatusPages().Stale()) {
        state.SkipWithError("the link display shows the link down: the pages are greyed");
        return;
    }
    const double start = ThreadCpuSeconds();
    for (auto _ : state) {
        second();
    }
    state.counters["pct_of_1s"] = PercentOf(1.0, start, state);
    QCoreApplication::processEvents();
}

void RegisterBenchmarks(TForm1& form) {
    using TCase = void (*)(benchmark::State&, TForm1&, QWidget*, bool, TChange);
    struct TEntry {
        const char* Name;
        TCase Case;
        QWidget* Page;
        bool Repaint;
        TChange Change = TChange::Everything;
    };
    const TEntry entries[] = {
        {"StatusReply/decode", StatusReply, form.Master, false},
        {"StatusReply/decode+repaint/MasterPage", StatusReply, form.Master, true},
        {"StatusReply/decode+repaint/SlavePage", StatusReply, form.TabSheetSl[0], true},
        {"StatusReply/decode+repaint/CommunicationPage", StatusReply, form.TabSheet2, true},
        {"StatusReply/values/decode+repaint/MasterPage", StatusReply, form.Master, true,
         TChange::MeasuredValues},
        {"LedTick/tick", LedTick, form.Master, false},
        {"LedTick/tick+repaint/MasterPage", LedTick, form.Master, true},
        {"LedTick/tick+repaint/SlavePage", LedTick, form.TabSheetSl[0], true},
        {"IdlePollCycle/MasterPage", IdlePollCycle, form.Master, true},
    };
    for (const TEntry& e : entries) {
        benchmark::RegisterBenchmark(e.Name, [e, &form](benchmark::State& state) {
            e.Case(state, form, e.Page, e.Repaint, e.Change);
        });
    }
}

// A fresh directory for the window's files.
std::filesystem::path MakeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvant-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::filesystem::filesystem_error("mkdtemp",
                                                std::error_code(errno, std::generic_category()));
    }
    return pattern;
}

// "Kelm2.ini" that puts the window on the serial line, and "ComPort.ini" that names the line.
void WriteSettingsFiles(const std::filesystem::path& dir, const std::string& port) {
    std::ofstream(dir / "Kelm2.ini", std::ios::binary) << "[General]\r\nUDP=0\r\n";
    std::ofstream(dir / "ComPort.ini", std::ios::binary)
        << "[ComPort1]\r\nPort=" << port << "\r\nBaudRate=115200\r\n";
}

// A pseudo-terminal for the window's serial line: an open port, as on a technician's laptop
// with the panel plugged in, so the link display shows the link up. Nobody answers on it; the
// benchmarks hand the replies to the codec themselves.
struct TQuietLine {
    int Master = -1;
    int Slave = -1;
    std::string SlavePath;
    TQuietLine() {
        std::array<char, 256> name{};
        if (openpty(&Master, &Slave, name.data(), nullptr, nullptr) != 0) {
            throw std::system_error(errno, std::generic_category(), "openpty");
        }
        SlavePath = name.data();
    }
    ~TQuietLine() {
        close(Slave);
        close(Master);
    }
    TQuietLine(const TQuietLine&) = delete;
    TQuietLine& operator=(const TQuietLine&) = delete;
};

// Removes the directory and what the window left in it ("ComPort.ini") however the run ends.
struct TTempDirRemover {
    std::filesystem::path Dir;
    ~TTempDirRemover() {
        std::error_code ignored;
        std::filesystem::remove_all(Dir, ignored);
    }
};

int RunWindowBenchmarks(int argc, char** argv) {
    const TTempDirRemover dir{MakeTempDir()};
    const TQuietLine line;
    int result = 0;
    {
        // Over the serial line: the default server address must never be polled from here.
        WriteSettingsFiles(dir.Dir, line.SlavePath);
        TForm1::UdpServerPort = "0"; // never take the panel's port from a tool running beside
        TForm1 form(dir.Dir.string());
        form.show();
        // The benchmarks drive replies and ticks themselves: no polls and no LED ticks or link
        // looks of the window's own in between.
        form.Link().Poll().Stop();
        form.TimerLed->SetEnabled(false);
        if (auto* linkTimer = form.findChild<QTimer*>(QStringLiteral("TimerLink"))) {
            linkTimer->stop(); // the idle cycle looks at the link itself
        }
        QCoreApplication::processEvents();

        RegisterBenchmarks(form);
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
            result = 1;
        } else {
            benchmark::RunSpecifiedBenchmarks();
        }
        benchmark::Shutdown();
        // Closing waits one second for late replies, as the window always does.
        form.close();
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    // Without a display the window runs offscreen; a platform chosen by the caller is kept.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    try {
        return RunWindowBenchmarks(argc, argv);
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}
