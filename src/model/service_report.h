#pragma once
// The content of a service report, gathered as plain data: what a technician hands over after a
// visit. The window lays it out on paper; everything it says is decided here.
//
// Texts of the panel (event texts, the version) stay as the panel sent them, Windows-1250 bytes;
// the tool's own texts are ASCII. Values are written with their field's display format and
// unit, as the status pages show them.

#include "core/clock.h"
#include "link/frame_codec.h"
#include "model/event_categories.h"
#include "model/event_filter.h"
#include "model/number_format.h"
#include "model/status_record.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class TEventHistory;
class TFirmwareVersion;
class TInstallationRegistry;
class TVisitRecord;

// The folder beside the report directories that service reports go to by default.
inline constexpr const char* ServiceReportDirectory = "ServiceReports";

struct TReportItem {
    std::string Label;
    std::string Text;
    bool operator==(const TReportItem&) const = default;
};

struct TDeviceReport {
    std::string Name;                 // "Master", "Slave 1" ... "Slave 4"
    std::string Id;                   // the 12-digit device ID
    std::vector<TReportItem> States;  // caption of the state group, the state's text
    std::vector<TReportItem> Values;  // what the value is, the value with its unit
    std::vector<std::string> Outputs; // the outputs that are active
    std::vector<std::string> Leds;    // the LEDs lit or blinking, with their look
    std::vector<std::string> Faults;  // fault LEDs lit and states that are faults
};

// One event as a row of the report's table. Text is the panel's (Windows-1250 bytes).
struct TReportEventRow {
    std::string Time;     // the panel's time of the event, "hh:mm:ss dd.mm.yyyy"
    std::string Unit;     // "Zar" and loop, with the unit's ID when another installation's
    std::string Category; // the category's name, as the "Events" page lists it
    std::string Code;     // two hexadecimal digits, as the event line has it
    std::string Text;
    uint8_t EventCode = 0;
};

struct TReportEvents {
    std::string Scope;                  // which records: this visit's, or the range picked
    std::vector<TReportItem> Selection; // the filters that picked them (none: every record)
    std::vector<TReportEventRow> Rows;  // in the history's order
    std::array<uint32_t, EventCategoryCount> CategoryCounts{};
};

struct TReportLink {
    uint64_t PollsSent = 0;
    uint64_t StatusReplies = 0;
    uint64_t RepliesDecoded = 0;
    uint64_t BadFrames = 0; // wrong checksums on either transport, replies cut short
    uint64_t IgnoredDatagrams = 0;
    uint64_t UnawaitedReplies = 0;
};

// What the technician typed before the report was made; every field may be empty.
struct TReportHandover {
    std::string Technician; // UTF-8, as typed
    std::string Company;
    std::string Customer;
    std::string Remarks; // lines separated by "\n"
};

// What a customer reads first: the installation's state in one line and the visit in numbers.
struct TReportSummary {
    std::string State; // "No fault" or "Faults present: " and the faults, each with its unit
    uint32_t Alarms = 0;
    uint32_t Faults = 0;
    uint32_t Extinguishings = 0;
    bool ClockSet = false;
};

struct TServiceReport {
    std::string InstallationId;
    // The installation's name and site as the technician recorded them (UTF-8); empty when not
    // known, and then the ID names the installation.
    std::string InstallationName;
    std::string InstallationSite;
    TReportHandover Handover; // filled by whoever asked for the report
    TDateTime PcTime;
    std::string PanelClock; // whether and when the clock was set in this visit
    std::string Version;    // the firmware's text, or why there is none
    bool VersionRead = false;
    std::vector<TDeviceReport> Devices; // the master, then each slave present
    TReportEvents Events;
    TReportSummary Summary;
    TReportLink Link;
};

struct TReportSources {
    const TStatusRecord& Status; // the last status reply
    const TFirmwareVersion& Version;
    const TVisitRecord& Visit;
    const TLinkCounters& Counters;
    const TEventHistory& History;
    const TEventFilter* Range = nullptr; // null: the events copied during this visit
    TFormatSymbols Symbols;
    TDateTime Now;
    const TInstallationRegistry* Installations = nullptr; // name and site; null: none
};

TServiceReport GatherServiceReport(const TReportSources& sources);

// "ServiceReport_" + installation ID + "_" + yyyymmdd + "_" + hhmmss + ".pdf"; from the second
// attempt on (a name already taken) "_2", "_3" ... before ".pdf".
std::string ServiceReportFileName(const std::string& installationId, const TDateTime& time,
                                  int attempt = 0);
