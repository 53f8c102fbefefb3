#include "model/service_report.h"

#include "model/event_record.h"

#include "core/civil_time.h"
#include "model/event_csv.h"
#include "model/event_filter_text.h"
#include "model/event_history.h"
#include "model/field_tables.h"
#include "model/firmware_version.h"
#include "model/installation_registry.h"
#include "model/panel_texts.h"
#include "model/report_summary.h"
#include "model/visit_record.h"

#include <algorithm>
#include <cstdio>

namespace {

// LEDs that tell of a fault when lit: "Memory fault", "Failure", the "Fault ..." ones.
bool IsFaultLed(int index) {
    return index == 1 || index == 2 || (index >= 8 && index <= 14) || index == 16 ||
           (index >= 18 && index <= 22);
}

// State codes that are faults: a line cut or shorted or failed, a valve or signaller not OK, a
// battery failed or discharged.
bool IsFaultState(TStateList list, unsigned code) {
    switch (list) {
    case TStateList::Line:
        return code == 2 || code == 4 || code == 8;
    case TStateList::Valve:
    case TStateList::Acoustic:
        return code != 0;
    case TStateList::Battery:
        return code == 1 || code == 3;
    default:
        return false;
    }
}

struct TDeviceFacts {
    int Device;
    const TMeasuredValues& Values;
    uint64_t Id;
    uint32_t Led0;
    uint32_t Led1;
    uint16_t Out;
    uint8_t CMer;
    uint16_t Tim;
};

uint8_t StateCode(const TStatusRecord& r, int device, TStateField field) {
    if (device == 0) {
        const TMasterBlock& m = r.Master;
        const uint8_t codes[] = {m.stHas, m.stPro, m.stSir, m.stV1,
                                 m.stBat, m.LineA, m.LineB, m.LineC};
        return codes[static_cast<int>(field)];
    }
    const TSlaveBlock& s = r.Slaves[static_cast<std::size_t>(device - 1)];
    const uint8_t codes[] = {0, 0, 0, s.stV1, s.stBat, s.LineA, s.LineB, s.LineC};
    return codes[static_cast<int>(field)];
}

uint16_t RawValue(const TDeviceFacts& d, TMeasureField field) {
    if (field == TMeasureField::CMer) {
        return d.CMer;
    }
    if (field == TMeasureField::Tim) {
        return d.Tim;
    }
    return d.Values.Value(field);
}

void AddStates(TDeviceReport& out, const TStatusRecord& r, int device) {
    for (const TRadioGroupRow& row : RadioGroups()) {
        if (!ShownOnDevice(row.Names, row.ShownOnSlave, device)) {
            continue;
        }
        const uint8_t code = StateCode(r, device, row.Field);
        const TStateList list = StateListOf(row.Field);
        const std::string text(StateTexts(list)[StateItemIndex(list, code)]);
        out.States.push_back({row.Caption, text});
        if (IsFaultState(list, code)) {
            out.Faults.push_back(std::string(row.Caption) + ": " + text);
        }
    }
}

void AddValues(TDeviceReport& out, const TDeviceFacts& d, const TFormatSymbols& symbols) {
    for (const TNumericFieldRow& row : NumericFields()) {
        if (ShownOnDevice(row.Names, row.ShownOnSlave, d.Device)) {
            out.Values.push_back(
                {row.Spoken, FieldValueText(row, RawValue(d, row.Field), symbols)});
        }
    }
}

void AddOutputsAndLeds(TDeviceReport& out, const TDeviceFacts& d) {
    for (const TOutputBit& bit : MasterOutputBits()) {
        const bool used = d.Device == 0 || bit.Bit == SlaveFailureBit || bit.Bit == SlaveValveBit;
        if (used && (d.Out >> bit.Bit & 1U) != 0) {
            out.Outputs.emplace_back(bit.Caption);
        }
    }
    for (int index = 0; index < LedIndexCount; ++index) {
        const bool on = (d.Led0 >> index & 1U) != 0;
        const bool blink = (d.Led1 >> index & 1U) != 0;
        const std::string name(LedName(index));
        if (name.empty() || (!on && !blink)) {
            continue;
        }
        const char* look = !blink ? "" : on ? " (slow blink)" : " (fast blink)";
        out.Leds.push_back(name + look);
        if (IsFaultLed(index)) {
            out.Faults.push_back(name);
        }
    }
}

TDeviceReport DeviceReport(const TStatusRecord& r, const TDeviceFacts& d,
                           const TFormatSymbols& symbols) {
    TDeviceReport out;
    out.Name = d.Device == 0 ? "Master" : "Slave " + std::to_string(d.Device);
    out.Id = DeviceIdText(d.Id);
    AddStates(out, r, d.Device);
    AddValues(out, d, symbols);
    AddOutputsAndLeds(out, d);
    return out;
}

std::vector<TDeviceReport> Devices(const TStatusRecord& r, const TFormatSymbols& symbols) {
    const TMasterBlock& m = r.Master;
    std::vector<TDeviceReport> devices;
    devices.push_back(DeviceReport(r, {0, m, m.ID, m.Led0, m.Led1, m.Out, 0, m.Tim}, symbols));
    for (int k = 1; k <= SlaveCount; ++k) {
        if ((m.SlaveFlags >> (k - 1) & 1U) == 0) {
            continue; // not part of the installation
        }
        const TSlaveBlock& s = r.Slaves[static_cast<std::size_t>(k - 1)];
        devices.push_back(DeviceReport(r, {k, s, s.ID, s.Led0, s.Led1, s.Out, s.CMer, 0}, symbols));
    }
    return devices;
}

// The IDs of the installation's units: the master and each slave present.
std::vector<uint64_t> InstallationIds(const TStatusRecord& r) {
    std::vector<uint64_t> ids{r.Master.ID};
    for (int k = 1; k <= SlaveCount; ++k) {
        if ((r.Master.SlaveFlags >> (k - 1) & 1U) != 0) {
            ids.push_back(r.Slaves[static_cast<std::size_t>(k - 1)].ID);
        }
    }
    return ids;
}

// The PC time of the entry is left out: it says only when the record was copied.
TReportEventRow EventRow(const TEventHistory& history, const TEventEntry& entry,
                         const std::vector<uint64_t>& installationIds) {
    const std::vector<std::string> cells = EventCells(history, entry);
    TReportEventRow row;
    row.Time = cells[1];
    row.Unit = cells[3] + ", loop " + cells[4];
    if (std::find(installationIds.begin(), installationIds.end(), entry.Id) ==
        installationIds.end()) { // another installation's unit (a range picked)
        row.Unit += " (" + cells[2] + ")";
    }
    row.Category = EventCategoryName(EventCategory(entry.Code));
    row.Code = cells[5];
    row.Text = cells[6];
    row.EventCode = entry.Code;
    return row;
}

TReportEvents Events(const TReportSources& sources) {
    TReportEvents out;
    // The visit's own lines, in the order they came: another installation's records, and a PC
    // clock set back in the middle of the copy, cannot change which they are.
    const TEventHistory& history =
        sources.Range != nullptr ? sources.History : sources.Visit.VisitEvents();
    std::vector<uint32_t> rows;
    if (sources.Range != nullptr) {
        out.Scope = "Events the \"Events\" page shows with its filters";
        out.Selection = DescribeEventFilter(*sources.Range);
        rows = FilterEvents(history, *sources.Range).Rows;
    } else {
        out.Scope = "Events copied during this visit (since " +
                    EventTimeText(sources.Visit.VisitStart()) + ")";
        for (uint32_t i = 0; i < history.Entries().size(); ++i) {
            rows.push_back(i);
        }
    }
    const std::vector<uint64_t> ids = InstallationIds(sources.Status);
    for (uint32_t row : rows) {
        const TEventEntry& entry = history.Entries()[row];
        if (entry.Kind == TEntryKind::Event) {
            out.Rows.push_back(EventRow(history, entry, ids));
            ++out.CategoryCounts[static_cast<std::size_t>(EventCategory(entry.Code))];
        }
    }
    return out;
}

TReportLink Link(const TVisitRecord& visit, const TLinkCounters& c) {
    TReportLink out;
    out.PollsSent = visit.PollsSent();
    out.StatusReplies = visit.StatusReplies();
    out.RepliesDecoded = c.Dispatched;
    out.BadFrames = c.SerialChecksumErrors + c.DatagramChecksumErrors + c.ShortReplies;
    out.IgnoredDatagrams = c.DatagramsIgnored;
    out.UnawaitedReplies = c.UnawaitedReplies;
    return out;
}

} // namespace

std::string ServiceReportFileName(const std::string& installationId, const TDateTime& time,
                                  int attempt) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d_%02d%02d%02d", time.Year, time.Month, time.Day,
                  time.Hour, time.Minute, time.Second);
    const std::string second = attempt > 0 ? "_" + std::to_string(attempt + 1) : "";
    return "ServiceReport_" + installationId + "_" + stamp + second + ".pdf";
}

TServiceReport GatherServiceReport(const TReportSources& sources) {
    TServiceReport report;
    report.InstallationId = DeviceIdText(sources.Status.Master.ID);
    if (sources.Installations != nullptr) {
        if (const TInstallationInfo* info = sources.Installations->Find(sources.Status.Master.ID)) {
            report.InstallationName = info->Name;
            report.InstallationSite = info->Site;
        }
    }
    report.PcTime = sources.Now;
    const auto& clockSet = sources.Visit.ClockSetAt();
    report.PanelClock = clockSet ? "Set to the PC's time at " + EventTimeText(*clockSet)
                                 : "Not set during this visit";
    report.VersionRead = sources.Version.Known();
    report.Version = report.VersionRead ? sources.Version.Text()
                                        : "Not read: the panel did not answer 'V' in time";
    report.Devices = Devices(sources.Status, sources.Symbols);
    report.Events = Events(sources);
    report.Summary = SummarizeReport(report, sources.Visit.ClockSetAt().has_value());
    report.Link = Link(sources.Visit, sources.Counters);
    return report;
}
