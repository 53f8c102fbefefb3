#pragma once
// The copy of the panel's event log to the PC, with its per-installation bookkeeping in the
// settings file: "PocetZar" in "General" counts the device sections, and each section "Zar" + n
// holds a device's "id" (12 hexadecimal digits) and "index" (the next record to fetch). Every
// status reply selects the section of the master's device ID; the installation's copy (see
// event_copy.h) then asks for the next record with 'G' while one waits, one at a time.
//
// Durability: a record's line is on the disk in the event report before its advanced index is
// saved, so a crash can at worst repeat a record, never lose one. Both need a forced flush, which
// on slow media takes long: the line, the save and the copy's notes are disk work (see
// disk_work.h), done one after another off the main thread; the save is queued only once the
// line's outcome is back, and the copy asks for nothing more until the save's outcome is. Besides
// "index" the section keeps "posledni", the record copied last as "index,time,code" (read again to
// tell whether the panel's log is still the same one), "diry", the records passed over that are
// still to be fetched, as indices separated by commas, and "potvrzeny", the record copied last
// when the log was last found to be the copy's, with the window then ("index,time,code,start,end,
// capacity"; read again after a restart instead of "posledni" unless the panel wrote its slot
// since), and "pochybny", records written that a ring read again may meet again ("index,time,code"
// each: the record in doubt when the panel wrote its slot while it was asked for, and those
// written since the log was last confirmed when it is found replaced; they are not written
// twice). A section without them reads as a copy that has not copied a record yet, with no holes;
// one without "potvrzeny" checks "posledni".
//
// Each installation that answered during the run keeps its copy: when another one answers, the
// current copy is parked (its request cancelled) and taken up again where it stood when its
// installation answers again.
//
// Where the panel gives us something impossible:
// - A record whose event time names a day its month does not have (31 February) is written with
//   the panel's fields as they stand and counted like any other, so the copy goes past it.
// - While no device is selected (before the first status reply, or while the panel reports
//   device ID 0, for which no section is looked up or added) nothing is asked for, and a record
//   reply is dropped like any other reply nobody waited for.
// - A stored "index" that is not a number from 0 to 65535 reads as 0 (the log is copied again:
//   duplicates rather than losses); a negative "PocetZar" reads as 0.
// - A section is selected only once its keys are written: when the settings file cannot be
//   written no device is selected, and the next status reply tries again.

#include "core/disk_work.h"
#include "link/link_sources.h"
#include "model/event_copy.h"
#include "model/panel_state.h"
#include "model/status_view.h"
#include "store/connection_settings.h"
#include "store/ini_file.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class ICommLog;
class IClock;
class IReportLines;
class TFrameCodec;

// The settings file "Kelm2.ini" as the bookkeeping uses it. Writes raise "Unable to write to
// <file name>" when they fail.
class IEventSettings {
public:
    virtual ~IEventSettings() = default;
    // False while there is no settings object (before the window is shown, after it closed):
    // the bookkeeping then selects no device and leaves the file alone.
    virtual bool Available() const = 0;
    // The whole file as it stands now, read once for a device look-up.
    virtual TIniValues ReadAll() const = 0;
    virtual void WriteInteger(const std::string& section, const std::string& key, int value) = 0;
    virtual void WriteString(const std::string& section, const std::string& key,
                             const std::string& value) = 0;
    // Several keys of one section at once: on disk all of them or none.
    virtual void WriteStrings(const std::string& section,
                              const std::vector<std::pair<std::string, std::string>>& values) = 0;
    // Makes sure every write so far is on disk.
    virtual void UpdateFile() = 0;
    // WriteStrings as disk work that may run later on another thread: it holds the file's name,
    // not the settings object, and raises as WriteStrings (or when there was no settings object).
    virtual std::function<void()>
    WriteStringsLater(const std::string& section,
                      std::vector<std::pair<std::string, std::string>> values) const = 0;
};

// The master page's event log counters "Start", "End" and "Max" (EditZac, EditKon, EditMax).
class IEventIndexView {
public:
    virtual ~IEventIndexView() = default;
    virtual void ShowEventIndices(uint16_t start, uint16_t end, uint16_t capacity) = 0;
};

// The bytes of the reply to 'U' that its decoder reads: the start index and the end index (only
// the end is used).
constexpr std::size_t EventInfoSize = 4;

// The section name of device section n: "Zar" and n in decimal.
std::string DeviceSectionName(int n);

class TEventBookkeeping : public IEventBookkeeping, public IEventProgressSource {
public:
    // Every part must outlive the bookkeeping. `report` is the event report file's writer; it
    // is written only by `disk`'s work (at once on the caller without it). `disk` must stop
    // handing outcomes over before the bookkeeping goes.
    TEventBookkeeping(TFrameCodec& codec, TEventReadingState& state, IEventSettings& settings,
                      IEventIndexView& view, IReportLines& report, ICommLog& log,
                      const IClock& clock, IDiskWork* disk = nullptr);
    ~TEventBookkeeping() override;

    // On every status reply: takes the capacity, selects (or adds) the device's section when the
    // ID differs from the current one, shows the three indices and hands the panel's window to
    // the installation's copy. Settings and send failures propagate.
    void SelectDeviceAndRequest(uint16_t start, uint16_t end, uint16_t capacity,
                                const std::string& idText) override;
    // The unit IDs of the status reply that is being decoded (master and slaves); a record
    // reply counts only with one of them.
    void UnitsAnswering(const std::set<uint64_t>& ids) override { FUnits = ids; }

    // The reply to 'U': the panel's end index (at payload offset 2) goes to the copy, which asks
    // as on a status reply. Reads EventInfoSize bytes: registered with that size.
    void DecodeEventInfo();

    // The reply to 'G': the awaited record's line goes to the event report and the log and,
    // once it is on disk, the stored index moves past it and is saved. A reply nobody waited
    // for is counted by the codec and dropped. A report failure propagates after the line is in
    // the log (the index stays, so the record is asked for again). Reads EventRecordSize bytes:
    // registered with that size.
    void DecodeEvent();

    // Records counted since the start, and how many the panel holds beyond the stored index
    // (up to its end index, around the ring); empty while no device is selected.
    std::optional<TEventProgress> EventProgress() const override;

private:
    void LookUpDevice(uint64_t id, const std::string& idText);
    std::optional<int> FindDeviceSection(const TIniValues& values, uint64_t id, int count) const;
    void AddDeviceSection(uint64_t id, const std::string& idText, int count);
    void SelectDevice(uint64_t id, int section, const TCopyPosition& position);
    // One installation's copy and what it does to the world.
    class TInstallation;
    void Save(TInstallation& installation, const TCopyPosition& position);
    void Note(uint64_t id, const std::string& text);

    TFrameCodec& FCodec;
    TEventReadingState& FState;
    IEventSettings& FSettings;
    IEventIndexView& FView;
    IReportLines& FReport;
    ICommLog& FLog;
    const IClock& FClock;
    TDirectDiskWork FDirectDisk;
    IDiskWork& FDisk;
    uint64_t FCopied = 0;
    std::set<uint64_t> FUnits;
    // The copy of every installation that answered this run, by device ID. Disk work under way
    // holds a weak pointer: the outcome of a copy dropped meanwhile changes nothing.
    std::map<uint64_t, std::shared_ptr<TInstallation>> FCopies;
    TEventCopy* FCopy = nullptr; // the selected installation's; none while none is
};

// The program's one settings object, while it exists, behind the bookkeeping's interface.
class THeldEventSettings : public IEventSettings {
public:
    explicit THeldEventSettings(TSettingsHolder& holder) : FHolder(holder) {}
    bool Available() const override { return FHolder.Current() != nullptr; }
    TIniValues ReadAll() const override { return File().ReadAll(); }
    void WriteInteger(const std::string& section, const std::string& key, int value) override {
        File().WriteInteger(section, key, value);
    }
    void WriteString(const std::string& section, const std::string& key,
                     const std::string& value) override {
        File().WriteString(section, key, value);
    }
    void WriteStrings(const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& values) override {
        File().WriteStrings(section, values);
    }
    void UpdateFile() override { File().UpdateFile(); }
    std::function<void()>
    WriteStringsLater(const std::string& section,
                      std::vector<std::pair<std::string, std::string>> values) const override;

private:
    // Callers ask Available() first.
    TIniFile& File() const { return *FHolder.Current(); }
    TSettingsHolder& FHolder;
};
