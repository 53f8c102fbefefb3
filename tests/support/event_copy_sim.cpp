#include "event_copy_sim.h"

#include "fake_transport.h"
#include "fakes.h"
#include "little_endian.h"
#include "panel_frames.h"
#include "stepped_disk_work.h"
#include "temp_dir.h"

#include "core/bytes.h"
#include "link/frame_codec.h"
#include "model/event_bookkeeping.h"
#include "model/event_record.h"
#include "model/panel_calendar.h"
#include "model/reply_decoders.h"
#include "model/status_decoder.h"
#include "store/disk_calls.h"
#include "store/ini_file.h"
#include "store/report_file.h"
#include "store/report_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <unistd.h>
#include <utility>

namespace {

// A record any panel ever made, and whether the panel still holds it.
struct TModelRecord {
    uint64_t Unit = 0;
    uint8_t Code = 0;
    uint32_t Time = 0;
    uint16_t Index = 0;
    bool Removed = false;   // overwritten, cleared or emptied
    uint32_t RemovedAt = 0; // the step it was removed at
    int Panel = 0;
    uint32_t MadeAt = 0;  // the step it was made at
    bool Excused = false; // lost where no note can be expected
};

// One installation: its unit IDs and its event log, a ring of record numbers (-1: empty).
class TModelPanel {
public:
    TModelPanel(int number, uint64_t master, uint64_t slave, uint16_t capacity,
                std::vector<TModelRecord>& all, const uint32_t& step, bool trace)
        : Master(master), Slave(slave), MasterId(DeviceIdText(master)),
          SlaveId(DeviceIdText(slave)), FNumber(number), FTrace(trace), FAll(all), FStep(step) {
        FSlots.assign(capacity, -1);
    }

    void Append(std::mt19937& random, uint32_t& time) {
        time += 1 + uint32_t(random()) % 90;
        FAll.push_back({uint32_t(random()) % 4 == 0 ? Slave : Master,
                        uint8_t(uint32_t(random()) % 46), time, FEnd, false, 0, FNumber, FStep});
        Put(int(FAll.size()) - 1);
    }
    void Put(int record) {
        if (FSlots[FEnd] >= 0) {
            Remove(FSlots[FEnd]);
        }
        FSlots[FEnd] = record;
        FEnd = uint16_t((FEnd + 1) % FSlots.size());
        if (FCount < FSlots.size()) {
            ++FCount;
        } else {
            FStart = FEnd;
        }
    }
    void Clear() {
        for (int& slot : FSlots) {
            if (slot >= 0) {
                Remove(slot);
            }
            slot = -1;
        }
        FStart = FEnd = 0;
        FCount = 0;
    }
    void SetCapacity(uint16_t capacity) {
        Clear();
        FSlots.assign(capacity, -1);
    }
    // The panel moves on without writing its slot: an empty slot, in the middle of the log once
    // more records follow. (A slot is never emptied after it was written: a panel does not
    // unwrite a record.)
    void AppendEmptySlot() { Put(-1); }

    // The records removed since the last call.
    std::vector<int> TakeRemoved() { return std::exchange(FRemoved, {}); }

    TEventWindow Window() const { return {FStart, FEnd, uint16_t(FSlots.size())}; }

    // The reply to 'G' for `index`: an empty slot (or one past the ring) is all zero.
    TBytes RecordReply(uint16_t index) const {
        TBytes p(EventRecordSize);
        PutU16(&p[0], index);
        if (index < FSlots.size() && FSlots[index] >= 0) {
            const TModelRecord& r = FAll[FSlots[index]];
            PutU48(&p[2], r.Unit);
            p[8] = r.Code;
            p[9] = 0x10;
            PutU32(&p[10], r.Time);
        }
        return p;
    }

    const uint64_t Master;
    const uint64_t Slave;
    const std::string MasterId; // as the program names the units
    const std::string SlaveId;

private:
    void Remove(int record) {
        FAll[record].Removed = true;
        FAll[record].RemovedAt = FStep;
        FRemoved.push_back(record);
        if (FTrace) {
            std::printf("  record %d (slot %u, t=%u) of %c removed\n", record, FAll[record].Index,
                        FAll[record].Time, 'A' + FNumber);
        }
    }

    const int FNumber;
    const bool FTrace;
    std::vector<int> FRemoved;
    std::vector<TModelRecord>& FAll;
    const uint32_t& FStep;
    std::vector<int> FSlots;
    uint16_t FStart = 0;
    uint16_t FEnd = 0;
    uint32_t FCount = 0;
};

// The disk as the program meets it: full for a while, a settings file that cannot be replaced
// for a while, and the program's death at a chosen call (that call and every later one of the
// dead program do nothing).
struct TSimDisk {
    bool Full = false;
    bool SettingsLocked = false;
    bool Dead = false;
    uint64_t Calls = 0;
    uint64_t DieAt = 0;   // 0: not planned
    uint64_t Renames = 0; // the settings file changes only by a rename

    bool Dies() {
        ++Calls;
        if (DieAt != 0 && Calls >= DieAt) {
            Dead = true;
        }
        return Dead;
    }
    void Install() {
        TDiskCalls& calls = DiskCalls();
        const TDiskCalls system = SystemDiskCalls();
        calls.Write = [this, system](int fd, const void* data, std::size_t size) -> ssize_t {
            if (Dies() || Full) {
                errno = Dead ? EIO : ENOSPC;
                return -1;
            }
            return system.Write(fd, data, size);
        };
        // A flush is counted (a death can fall on it) but needs no disk: the simulated death
        // drops the queued disk work and fails every later call of the dead program, and never
        // loses what a call already wrote, so no outcome depends on what a flush would force out.
        const auto sync = [this](int) {
            if (Dies()) {
                errno = EIO;
                return -1;
            }
            return 0;
        };
        calls.SyncData = sync;
        calls.SyncFile = sync;
        calls.SyncDirectory = sync;
        calls.Rename = [this, system](const char* from, const char* to) {
            ++Renames;
            if (Dies() || SettingsLocked) {
                errno = Dead ? EIO : EACCES;
                return -1;
            }
            return system.Rename(from, to);
        };
    }
    ~TSimDisk() { DiskCalls() = SystemDiskCalls(); }
};

// One run of the program over the files of `dir`.
struct TTool {
    TTool(const std::filesystem::path& dir, TFakeClock& clock) : Clock(clock) {
        Holder.Create((dir / "Kelm2.ini").string());
        RegisterReplyDecoders(Codec, StatusDecoder, Events, Log, Writer, Clock);
        try {
            Report.StartReport();
        } catch (const std::exception&) {
        }
    }
    TFakeClock& Clock;
    TFakeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    TPanelState State;
    TSettingsHolder Holder;
    THeldEventSettings Settings{Holder};
    class : public IEventIndexView {
        void ShowEventIndices(uint16_t, uint16_t, uint16_t) override {}
    } View;
    TReportFile Report{EventReportKind, Dir(), Clock};
    TReportWriter Writer{Report};
    TSteppedDiskWork Disk; // dropped with what it holds when the program dies
    TEventBookkeeping Events{Codec, State.Events, Settings, View, Writer, Log, Clock, &Disk};
    TNoStatusView Pages;
    TStatusDecoder StatusDecoder{Codec, State, Pages, Clock};
    std::size_t SentSeen = 0;

    static std::string& Dir() {
        static std::string dir;
        return dir;
    }
};

// The body of a serial frame the program sent: address, letter, payload (checksum dropped).
TBytes FrameBody(const std::vector<uint8_t>& frame) {
    TBytes body;
    for (std::size_t i = 2; i + 2 < frame.size(); ++i) {
        body.push_back(frame[i]);
        if (frame[i] == 0xAA) {
            ++i; // doubled on the line
        }
    }
    if (!body.empty()) {
        body.pop_back();
    }
    return body;
}

struct TInFlight {
    uint32_t Due = 0;
    bool ToPanel = false; // a request on its way to the panel; else a reply to the program
    int Panel = 0;        // the installation a status reply comes from
    uint8_t Letter = 0;
    TBytes Payload;
};

// The files of a history are thrown away after it: a memory file system where there is one.
std::filesystem::path MemoryDirectory() {
    std::error_code ec;
    const std::filesystem::path shm = "/dev/shm";
    return std::filesystem::is_directory(shm, ec) && ::access(shm.c_str(), W_OK) == 0
               ? shm
               : std::filesystem::temp_directory_path();
}

// The value of `name` in an event line ("" when it has none).
std::string Field(const std::string& line, const std::string& name) {
    const std::size_t at = line.find(";" + name + "=");
    if (at == std::string::npos) {
        return "";
    }
    const std::size_t from = at + name.size() + 2;
    return line.substr(from, line.find(';', from) - from);
}

// The panel's seconds of an event time as the lines show it ("14:03:22 05.12.2010"), the
// panel calendar's fields put together again; UINT64_MAX when the text is not such a time.
uint64_t PanelSeconds(const std::string& text) {
    int hour = 0, minute = 0, second = 0, day = 0, month = 0, year = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d %d.%d.%d", &hour, &minute, &second, &day, &month,
                    &year) != 6) {
        return UINT64_MAX;
    }
    return (((int64_t(year - PanelCalendarFirstYear) * 12 + month - 1) * 31 + day - 1) * 24 +
            hour) *
               3600 +
           minute * 60 + second;
}

class THistory {
public:
    THistory(uint32_t seed, uint32_t steps) : FRandom(seed), FSteps(steps) {
        TTool::Dir() = FDir.Path().string();
        FClock.Time = At(2010, 12, 5, 14, 3, 22);
        const uint16_t capacity = Pick({20, 30, 60, 200});
        FPanels.push_back(
            std::make_unique<TModelPanel>(0, 0xA1, 0xA2, capacity, FAll, FStep, FTrace));
        FPanels.push_back(
            std::make_unique<TModelPanel>(1, 0xB1, 0xB2, Pick({20, 30}), FAll, FStep, FTrace));
        for (int i = 0, n = int(uint32_t(FRandom()) % 40); i < n; ++i) {
            FPanels[0]->Append(FRandom, FTime);
        }
        FLoss = Pick({0, 0, 5, 10, 30});
        FEveryNth = Pick({1, 1, 1, 2, 3});
        FDisk.Install();
        Start();
    }

    TSimOutcome Run() {
        for (uint32_t step = 0; step < FSteps; ++step) {
            FieldConditions();
            ExcuseWhileFresh();
            Step(true);
        }
        // A quiet end: a good link and disk, each installation answering for a while, and on
        // until its copy has caught up (a full ring read again takes three status replies a
        // record), or surely should have.
        FLoss = 0;
        FEveryNth = 1;
        FDisk.Full = FDisk.SettingsLocked = false;
        for (int answering : {0, 1, 0}) {
            FAnswering = answering;
            FAnsweringUntil = UINT32_MAX;
            for (int i = 0; i < 250 || (i < 2000 && CopyWaits()); ++i) {
                Step(false);
            }
        }
        return Check();
    }

private:
    bool CopyWaits() const {
        const auto progress = FTool->Events.EventProgress();
        return progress && progress->Waiting > 0;
    }
    uint16_t Pick(std::initializer_list<uint16_t> values) {
        return *(values.begin() + uint32_t(FRandom()) % values.size());
    }
    bool Chance(uint32_t perMille) { return uint32_t(FRandom()) % 1000 < perMille; }

    void Start() {
        FTool.reset();
        FDisk.Dead = false;
        FDisk.DieAt = 0;
        FTool = std::make_unique<TTool>(FDir.Path(), FClock);
        for (int n = 0; n < int(FPanels.size()); ++n) {
            FHoldsRecord[n] = !SavedKey(n, "posledni").empty();
        }
    }

    void FieldConditions() {
        for (auto& panel : FPanels) {
            if (Chance(250)) {
                for (int i = 0, n = Chance(100) ? 1 + int(uint32_t(FRandom()) % 12) : 1; i < n;
                     ++i) {
                    panel->Append(FRandom, FTime);
                }
            }
            if (Chance(8)) { // cleared, and refilled before the program looks again
                panel->Clear();
                for (int i = 0, n = int(uint32_t(FRandom()) % 40); i < n; ++i) {
                    panel->Append(FRandom, FTime);
                }
            }
            if (Chance(3)) {
                panel->SetCapacity(Pick({20, 30, 60}));
            }
            if (Chance(8)) {
                panel->AppendEmptySlot();
            }
        }
        if (FStep >= FAnsweringUntil) {
            FAnswering = 0;
            FAnsweringUntil = UINT32_MAX;
        }
        if (FAnswering == 0 && Chance(10)) {
            FAnswering = 1;
            FAnsweringUntil = FStep + 3 + uint32_t(FRandom()) % 30;
        }
        // A full disk or a locked settings file, for a while.
        if (Chance(FDisk.Full ? 100 : 5)) {
            FDisk.Full = !FDisk.Full;
        }
        if (Chance(FDisk.SettingsLocked ? 100 : 5)) {
            FDisk.SettingsLocked = !FDisk.SettingsLocked;
        }
        if (Chance(10)) {
            FDisk.DieAt = FDisk.Calls + 1 + uint32_t(FRandom()) % 8; // at a disk call soon
        }
        if (Chance(5)) {
            FKillNow = true;
        }
    }

    void Step(bool field) {
        ++FStep;
        // What is due now, in a random order.
        std::vector<TInFlight> due;
        for (auto it = FInFlight.begin(); it != FInFlight.end();) {
            if (it->Due <= FStep) {
                due.push_back(std::move(*it));
                it = FInFlight.erase(it);
            } else {
                ++it;
            }
        }
        std::shuffle(due.begin(), due.end(), FRandom);
        DiskWork(field);
        if (Trace()) {
            std::printf("step %u: answering %c, window %s%s%s\n", FStep, 'A' + FAnswering,
                        Text(FPanels[FAnswering]->Window()).c_str(),
                        FDisk.Full ? ", disk full" : "",
                        FDisk.SettingsLocked ? ", settings locked" : "");
        }
        for (const TInFlight& message : due) {
            message.ToPanel ? AtPanel(message, field) : AtProgram(message);
        }
        DiskWork(field);
        // The poll: the answering installation's status reply, maybe lost or late.
        if (!field || !Chance(FLoss * 10)) {
            const TEventWindow w = FPanels[FAnswering]->Window();
            TInFlight status{FStep + (field && Chance(50) ? 1 + uint32_t(FRandom()) % 4 : 0), false,
                             FAnswering, 'A', TBytes(6)};
            PutU16(&status.Payload[0], w.Start);
            PutU16(&status.Payload[2], w.End);
            PutU16(&status.Payload[4], w.Capacity);
            if (status.Due == FStep) {
                AtProgram(status);
            } else {
                FInFlight.push_back(status);
            }
        }
        if (FDisk.Dead || FKillNow) {
            if (Trace()) {
                std::printf("  killed\n");
            }
            FKillNow = false;
            ++FKills;
            Start();
            return;
        }
        SendRequests(field);
    }

    // The disk worker, slow for a while: some of its work done, some outcomes handed over.
    void DiskWork(bool field) {
        if (!field) {
            FTool->Disk.Drain();
            return;
        }
        FTool->Disk.DoWork(uint32_t(FRandom()) % 3);
        FTool->Disk.HandOver(uint32_t(FRandom()) % 3);
    }

    // The program's new requests go on the line.
    void SendRequests(bool field) {
        auto& sent = FTool->Transport.Sent;
        for (; FTool->SentSeen < sent.size(); ++FTool->SentSeen) {
            const TBytes body = FrameBody(sent[FTool->SentSeen]);
            if (body.size() < 4 || body[1] != 'G' || (field && Chance(FLoss * 10))) {
                continue;
            }
            FInFlight.push_back({FStep + (field ? uint32_t(FRandom()) % 3 : 0), true, 0, 'G',
                                 TBytes(body.begin() + 2, body.end())});
        }
    }

    void AtPanel(const TInFlight& request, bool field) {
        if (field && ++FAsked % FEveryNth != 0) {
            return;
        }
        const uint16_t index = uint16_t(request.Payload[0] | (request.Payload[1] << 8));
        TInFlight reply{FStep + (field ? uint32_t(FRandom()) % 3 : 0), false, FAnswering, 'G',
                        FPanels[FAnswering]->RecordReply(index)};
        if (field && Chance(FLoss * 10)) {
            return;
        }
        if (field && Chance(30)) { // repeated, or held back for long
            TInFlight copy = reply;
            copy.Due = FStep + 1 + uint32_t(FRandom()) % 20;
            FInFlight.push_back(copy);
        }
        FInFlight.push_back(reply);
    }

    bool Trace() const { return FTrace; }

    // A note of the copy that records were lost: the step it came at, by installation.
    // Whether the copy holds a record of its installation's log comes from the log too: a
    // line on the disk gives it one, a note that copying starts again takes it away.
    void NoteLoss(const std::string& line) {
        const std::string id = line.starts_with("ind=") ? Field(line, "ID") : "";
        for (std::size_t n = 0; n < FPanels.size(); ++n) {
            const TModelPanel& panel = *FPanels[n];
            if (!id.empty() && !FDisk.Full && !FDisk.Dead &&
                (id == panel.MasterId || id == panel.SlaveId)) {
                FHoldsRecord[n] = true;
            }
            if (line.find("event copy ID=" + panel.MasterId) == std::string::npos) {
                continue;
            }
            if (line.find("copying from") != std::string::npos) {
                FHoldsRecord[n] = false;
            }
            if (line.find("overwritten") != std::string::npos ||
                line.find("replaced") != std::string::npos) {
                FLossNotes[n].push_back(FStep);
            }
        }
    }
    static std::string Text(const TEventWindow& w) {
        return std::to_string(w.Start) + ".." + std::to_string(w.End) + "/" +
               std::to_string(w.Capacity);
    }

    void AtProgram(const TInFlight& reply) {
        const std::size_t logged = FTool->Log.Lines.size();
        if (Trace()) {
            std::printf("  %c from %c: %s\n", reply.Letter, 'A' + reply.Panel,
                        reply.Letter == 'A' ? Text(Window(reply)).c_str()
                                            : (std::to_string(ReadU16(&reply.Payload[0])) +
                                               " t=" + std::to_string(ReadU32(&reply.Payload[10])))
                                                  .c_str());
        }
        Deliver(reply);
        for (std::size_t i = logged; i < FTool->Log.Lines.size(); ++i) {
            NoteLoss(FTool->Log.Lines[i]);
        }
        for (std::size_t i = logged; Trace() && i < FTool->Log.Lines.size(); ++i) {
            std::printf("    %s\n", FTool->Log.Lines[i].c_str());
        }
        if (Trace()) {
            const auto progress = FTool->Events.EventProgress();
            std::ifstream ini(FDir.Path() / "Kelm2.ini");
            std::string text((std::istreambuf_iterator<char>(ini)), {});
            for (auto& c : text) {
                c = c == '\r' ? ' ' : c == '\n' ? '|' : c;
            }
            std::printf("    index %d, waiting %d  %s\n", FTool->State.Events.EventIndex,
                        progress ? int(progress->Waiting) : -1, text.c_str());
        }
        for (std::size_t i = FTool->SentSeen; Trace() && i < FTool->Transport.Sent.size(); ++i) {
            const TBytes body = FrameBody(FTool->Transport.Sent[i]);
            std::printf("    asks %d\n", body[2] | (body[3] << 8));
        }
    }

    void Deliver(const TInFlight& reply) {
        FClock.Ticks += reply.Letter == 'A' ? 1000 : 0;
        try {
            if (reply.Letter == 'A') {
                const TModelPanel& panel = *FPanels[reply.Panel];
                // The window as the panel had it when it answered: a late one is stale.
                const TEventWindow w = Window(reply);
                FFirstHeard.emplace(reply.Panel, FStep);
                FTool->Events.UnitsAnswering({panel.Master, panel.Slave});
                FTool->Events.SelectDeviceAndRequest(w.Start, w.End, w.Capacity, panel.MasterId);
            } else {
                for (uint8_t b : PanelSerialFrame(reply.Letter, reply.Payload)) {
                    FTool->Codec.ReceiveByte(b);
                }
            }
        } catch (const std::exception&) {
            // shown by the window's error display; reception goes on
        }
    }
    static TEventWindow Window(const TInFlight& status) {
        return {ReadU16(&status.Payload[0]), ReadU16(&status.Payload[2]),
                ReadU16(&status.Payload[4])};
    }

    TSimOutcome Check();
    bool LossTold(const TModelRecord& record) const;
    std::string SavedKey(int panel, const std::string& key) const;
    void ExcuseWhileFresh();

    std::mt19937 FRandom; // 32-bit draws
    uint32_t FSteps;
    const bool FTrace = std::getenv("ORVANT_SIM_TRACE") != nullptr;
    TTempDir FDir{MemoryDirectory()};
    TFakeClock FClock;
    TSimDisk FDisk;
    std::vector<TModelRecord> FAll;
    std::vector<std::unique_ptr<TModelPanel>> FPanels;
    std::unique_ptr<TTool> FTool;
    std::vector<TInFlight> FInFlight;
    uint32_t FTime = 400000000;
    uint32_t FStep = 0;
    int FAnswering = 0;
    uint32_t FAnsweringUntil = UINT32_MAX;
    uint32_t FLoss = 0; // per cent
    uint32_t FEveryNth = 1;
    uint32_t FAsked = 0;
    uint32_t FKills = 0;
    bool FKillNow = false;
    std::map<int, std::vector<uint32_t>> FLossNotes;
    std::map<int, bool> FHoldsRecord;
    std::map<int, uint32_t> FFirstHeard; // the step of the first status reply of an installation
    // The settings file as last read, and the count of renames then (read again after one).
    mutable TIniValues FSaved;
    mutable uint64_t FSavedAtRenames = UINT64_MAX;
};

// A record lost before it could be read (once the program had heard of its installation) is named
// by a note of its installation's copy after it was lost, or still waits as a hole in the
// installation's section.
bool THistory::LossTold(const TModelRecord& record) const {
    // Lost before the program ever heard of its installation, or cleared while the saved
    // position held no record copied (no record to read again tells the log from the one that
    // came after it).
    const auto heard = FFirstHeard.find(record.Panel);
    if (heard == FFirstHeard.end() || record.RemovedAt < heard->second ||
        record.RemovedAt == record.MadeAt || // no status reply ever showed it
        record.Excused) {
        return true;
    }
    const auto notes = FLossNotes.find(record.Panel);
    if (notes != FLossNotes.end() &&
        std::any_of(notes->second.begin(), notes->second.end(),
                    [&](uint32_t step) { return step >= record.RemovedAt; })) {
        return true;
    }
    const std::string holes = "," + SavedKey(record.Panel, "diry") + ",";
    return holes.find("," + std::to_string(record.Index) + ",") != std::string::npos;
}

// A key of an installation's section as the settings file holds it now ("" when none).
std::string THistory::SavedKey(int panel, const std::string& key) const {
    if (FSavedAtRenames != FDisk.Renames) {
        FSaved = TIniFile((FDir.Path() / "Kelm2.ini").string()).ReadAll();
        FSavedAtRenames = FDisk.Renames;
    }
    const std::string& id = FPanels[panel]->MasterId;
    for (const std::string& section : FSaved.SectionNames()) {
        if (FSaved.ReadString(section, "id", "") == id) {
            return FSaved.ReadString(section, key, "");
        }
    }
    return "";
}

// Records removed while the copy of their installation (or its saved position) holds no record
// of the log may be lost without a note: with no record to read again, the copy cannot tell how
// far the panel went meanwhile, nor a log from the one that replaced it.
void THistory::ExcuseWhileFresh() {
    for (int panel = 0; panel < int(FPanels.size()); ++panel) {
        std::vector<int> removed = FPanels[panel]->TakeRemoved();
        if (removed.empty() || (FHoldsRecord[panel] && !SavedKey(panel, "posledni").empty())) {
            continue;
        }
        for (int r : removed) {
            FAll[r].Excused = true;
        }
    }
}

TSimOutcome THistory::Check() {
    FTool.reset();
    TSimOutcome outcome;
    outcome.Kills = FKills;
    outcome.Records = uint32_t(FAll.size());
    std::map<uint64_t, std::string> unitIds;
    std::map<std::string, uint64_t> units;
    for (const auto& panel : FPanels) {
        unitIds[panel->Master] = panel->MasterId;
        unitIds[panel->Slave] = panel->SlaveId;
        units[panel->MasterId] = panel->Master;
        units[panel->SlaveId] = panel->Slave;
    }
    // A line's record: the last one made with its unit and its time as the line shows them. The
    // time text is read back to the panel's seconds rather than every record's time written out.
    std::map<std::pair<uint64_t, uint64_t>, int> byTime;
    for (int n = 0; n < int(FAll.size()); ++n) {
        byTime[{FAll[n].Unit, FAll[n].Time}] = n;
    }
    const auto recordOf = [&](const std::string& line) {
        const std::string time = Field(line, "t");
        const auto unit = units.find(Field(line, "ID"));
        const auto found =
            unit == units.end() ? byTime.end() : byTime.find({unit->second, PanelSeconds(time)});
        return found != byTime.end() &&
                       EventTimeText(DecodePanelTime(FAll[found->second].Time)) == time
                   ? found->second
                   : -1;
    };
    std::vector<int> writes(FAll.size(), 0);
    const auto fail = [&](const std::string& why) {
        if (outcome.Kept) {
            outcome.Kept = false;
            outcome.Failure = why;
        }
    };
    std::ifstream in(FDir.Path() / "ReportUdal" / "Kelm2_Udal_20101205.txt", std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (line.find("event copy ID=") != std::string::npos) {
            ++outcome.Notes;
        }
        if (!line.starts_with("ind=")) {
            continue;
        }
        ++outcome.Written;
        const int record = recordOf(line);
        if (record < 0) {
            fail("a line of no record: " + line);
            continue;
        }
        const int index = std::stoi(line.substr(4, line.find(';') - 4));
        if (index != FAll[record].Index) {
            fail("a line whose ind= is not its record's: " + line);
        }
        ++writes[record];
    }
    // Each installation's copy may write the one record whose position it had not saved again
    // after a restart.
    std::map<int, uint32_t> repeats;
    std::string repeated;
    for (int n = 0; n < int(FAll.size()); ++n) {
        const TModelRecord& r = FAll[n];
        const auto name = [&] {
            return "record " + std::to_string(n) + " (unit " + unitIds[r.Unit] + ", slot " +
                   std::to_string(r.Index) + ", t=" + std::to_string(r.Time) + ")";
        };
        if (writes[n] == 0 && !r.Removed) {
            fail(name() + " is held by the panel but was never written");
        }
        if (writes[n] == 0 && r.Removed) {
            ++outcome.Lost;
            if (!LossTold(r)) {
                fail(name() + " was overwritten before it could be read, and no note says so");
            }
        }
        repeats[r.Panel] += writes[n] > 1 ? writes[n] - 1 : 0;
        if (writes[n] > 1) {
            repeated += (repeated.empty() ? "" : ", ") + name();
        }
    }
    for (const auto& [panel, count] : repeats) {
        if (count > FKills) {
            fail(std::to_string(count) + " records of " + char('A' + panel) +
                 " written again with only " + std::to_string(FKills) + " restarts: " + repeated);
        }
    }
    return outcome;
}

} // namespace

TSimOutcome RunEventCopyHistory(uint32_t seed, uint32_t steps) {
    return THistory(seed, steps).Run();
}
