// What the event log copy costs the window's thread as "Kelm2.ini" grows with the installations
// it remembers: one counted record (its line forced to the disk in the event report, then the
// advanced index saved, the settings file replaced and synced), and the device look-up when
// another panel answers. Real files in a temporary directory on the machine's own disk.

#include "core/clock.h"
#include "core/comm_log.h"
#include "core/event_queue.h"
#include "frame_capture.h"
#include "link/frame_codec.h"
#include "model/event_bookkeeping.h"
#include "model/event_record.h"
#include "store/disk_calls.h"
#include "store/disk_worker.h"
#include "store/report_writer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace {

class TNullIndexView : public IEventIndexView {
public:
    void ShowEventIndices(uint16_t, uint16_t, uint16_t) override {}
};

// The ID of device section n: the panel benchmarked is the last one, so every look-up and every
// key write goes through the whole file.
std::string SectionId(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%012X", 0x100000 + n);
    return text;
}

// A temporary directory holding "Kelm2.ini" with `sections` device sections.
class TBenchFiles {
public:
    explicit TBenchFiles(int sections) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvant2-event-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        Dir = pattern;
        std::ofstream ini(Dir / "Kelm2.ini", std::ios::binary);
        ini << "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\nPocetZar=" << sections << "\r\n";
        for (int n = 0; n < sections; ++n) {
            ini << "\r\n[Zar" << n << "]\r\nindex=" << (n * 37) % 500 << "\r\nid=" << SectionId(n)
                << "\r\n";
        }
        Holder.Create((Dir / "Kelm2.ini").string());
    }
    ~TBenchFiles() {
        Holder.Release();
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }

    std::filesystem::path Dir;
    TSettingsHolder Holder;
};

// The bookkeeping as the window has it, on real files.
struct TBenchBookkeeping {
    explicit TBenchBookkeeping(int sections, IDiskWork* disk = nullptr)
        : Files(sections), Settings(Files.Holder),
          Report(EventReportKind, Files.Dir.string(), SystemClock()), Writer(Report),
          Events(Codec, State, Settings, View, Writer, Log, SystemClock(), disk) {
        Codec.RegisterDecoder('G', [this] { Events.DecodeEvent(); });
    }

    // The reply to 'G' for the record the bookkeeping waits for.
    void ReceiveAwaitedRecord() {
        uint8_t datagram[EventRecordSize + 5] = {0x01, 0x30, 'G'};
        uint8_t* record = datagram + 3;
        record[0] = static_cast<uint8_t>(State.EventIndex);
        record[1] = static_cast<uint8_t>(State.EventIndex >> 8);
        record[2] = 0x01; // a device ID: a record with neither ID nor time is an empty slot
        record[8] = 8;
        uint8_t sum = 0;
        for (std::size_t i = 1; i < 3 + EventRecordSize; ++i) {
            sum = static_cast<uint8_t>(sum + datagram[i]);
        }
        datagram[3 + EventRecordSize] = sum;
        datagram[4 + EventRecordSize] = 0x02;
        Codec.ReceiveDatagram(datagram, sizeof datagram);
    }

    TBenchFiles Files;
    THeldEventSettings Settings;
    TFrameCapture Transport;
    TNullLog Log;
    TFrameCodec Codec{Transport, Log};
    TEventReadingState State;
    TNullIndexView View;
    TReportFile Report;
    TReportWriter Writer;
    TEventBookkeeping Events;
};

void BM_CountedRecord(benchmark::State& state) {
    const int sections = static_cast<int>(state.range(0));
    TBenchBookkeeping b(sections);
    const std::string id = SectionId(sections - 1);
    for (auto _ : state) {
        // The status reply that asks for the record, then the record.
        b.Events.SelectDeviceAndRequest(0, 65534, 65535, id);
        b.ReceiveAwaitedRecord();
    }
    if (b.State.EventIndex == 0) {
        state.SkipWithError("no record was counted");
    }
}
BENCHMARK(BM_CountedRecord)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// The window's thread, with the time it spends in the calls it runs (the disk work's outcomes).
class TTimedMainThread : public IMainThread {
public:
    bool IsMainThread() const override { return FQueue.IsMainThread(); }
    void Post(std::function<void()> fn) override {
        FQueue.Post([this, fn = std::move(fn)] {
            const auto start = std::chrono::steady_clock::now();
            fn();
            Busy += std::chrono::steady_clock::now() - start;
        });
    }
    void ProcessPendingEvents() override { FQueue.ProcessPendingEvents(); }
    bool ProcessUntil(const std::function<bool()>& pred) {
        return FQueue.ProcessUntil(pred, std::chrono::minutes(1));
    }
    std::chrono::steady_clock::duration Busy{};

private:
    TEventQueue FQueue;
};

// Slow media (a USB stick, a network share): every flush takes 300 ms. Per record, the time the
// window's thread is held: the status reply that asks for it, the record's reply, and the
// outcomes of its line and its save handed back by the disk worker. The flushes themselves run
// on the worker's thread and are not in it.
void BM_CountedRecordOnSlowMedia(benchmark::State& state) {
    TTimedMainThread mainThread;
    TDiskWorker worker(mainThread, {});
    TBenchBookkeeping b(1, &worker);
    const TDiskCalls system = SystemDiskCalls();
    const auto slow = [](const std::function<int(int)>& call) {
        return [call](int fd) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return call(fd);
        };
    };
    DiskCalls().SyncData = slow(system.SyncData);
    DiskCalls().SyncFile = slow(system.SyncFile);
    DiskCalls().SyncDirectory = slow(system.SyncDirectory);
    const std::string id = SectionId(0);
    double longest = 0;
    for (auto _ : state) {
        const int counted = b.State.EventIndex;
        const auto busyBefore = mainThread.Busy;
        const auto start = std::chrono::steady_clock::now();
        b.Events.SelectDeviceAndRequest(0, 65534, 65535, id);
        b.ReceiveAwaitedRecord();
        const auto handlers = std::chrono::steady_clock::now() - start;
        if (!mainThread.ProcessUntil([&] { return b.State.EventIndex != counted; })) {
            state.SkipWithError("the record was not counted");
            break;
        }
        const double held =
            std::chrono::duration<double>(handlers + mainThread.Busy - busyBefore).count();
        longest = std::max(longest, held);
        state.SetIterationTime(held);
    }
    state.counters["longest_ms"] = longest * 1000;
    worker.Finish(TDiskWorker::FinishLimit);
    DiskCalls() = system;
}
BENCHMARK(BM_CountedRecordOnSlowMedia)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Every status reply comes from a panel other than the one before (the worst case: the
// panel's section is the last in the file).
void BM_DeviceLookUp(benchmark::State& state) {
    const int sections = static_cast<int>(state.range(0));
    TBenchBookkeeping b(sections);
    const std::string id = SectionId(sections - 1);
    for (auto _ : state) {
        b.State.CurrentDeviceId = 0;
        b.Events.SelectDeviceAndRequest(0, 0, 500, id);
    }
    if (b.State.DeviceCount != sections || b.State.DeviceSection != sections - 1) {
        state.SkipWithError("a section was added instead of found");
    }
}
BENCHMARK(BM_DeviceLookUp)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// The same look-up read key by key, each read taking the file from the disk afresh: what one
// reading of the whole file saves.
void BM_DeviceLookUpKeyByKey(benchmark::State& state) {
    const int sections = static_cast<int>(state.range(0));
    TBenchFiles files(sections);
    const TIniFile& ini = *files.Holder.Current();
    const std::string wanted = SectionId(sections - 1);
    for (auto _ : state) {
        const int count = ini.ReadInteger("General", "PocetZar", 0);
        int found = -1;
        for (int n = 0; n < count && found < 0; ++n) {
            if (ini.ReadString("Zar" + std::to_string(n), "id", "0") == wanted) {
                found = n;
            }
        }
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_DeviceLookUpKeyByKey)->Arg(1)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
