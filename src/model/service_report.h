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

struct TReportEvents {
    std::string Scope;              // which records: this visit's, or the range picked
    std::vector<std::string> Lines; // one per event: panel time, ID, "Zar", "Sm", code, text
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

struct TServiceReport {
    std::string InstallationId;
    std::string InstallationName; // UTF-8, as the technician gave them; empty: none
    std::string InstallationSite;
    TDateTime PcTime;
    std::string PanelClock; // whether and when the clock was set in this visit
    std::string Version;    // the firmware's text, or why there is none
    bool VersionRead = false;
    std::vector<TDeviceReport> Devices; // the master, then each slave present
    TReportEvents Events;
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

// "ServiceReport_" + installation ID + "_" + yyyymmdd + ".pdf".
std::string ServiceReportFileName(const std::string& installationId, const TDateTime& date);
