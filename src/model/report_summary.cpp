#include "model/report_summary.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<uint8_t, 14> FaultCodes = {
    6,  7,  9,  10, // the loop open, shorted, failed, disconnected
    21, 22, 23,     // the valve shorted, open, its coil bad
    25, 26,         // the signaller shorted, open
    29, 30,         // the battery failed, discharged
    32,             // no mains
    42,             // a slave does not answer
    44,             // pressure fault
};

} // namespace

bool IsAlarmEvent(uint8_t code) {
    return code == 8; // "Poplach na smycce"
}

bool IsFaultEvent(uint8_t code) {
    return std::find(FaultCodes.begin(), FaultCodes.end(), code) != FaultCodes.end();
}

bool IsExtinguishingEvent(uint8_t code) {
    return code == 17; // "Th": after "Tz", the delay, and before "Uhaseno", the end
}

TReportSummary SummarizeReport(const TServiceReport& report, bool clockSet) {
    TReportSummary out;
    std::string faults;
    for (const TDeviceReport& device : report.Devices) {
        for (const std::string& fault : device.Faults) {
            faults += (faults.empty() ? "" : "; ") + device.Name + ": " + fault;
        }
    }
    out.State = faults.empty() ? "No fault" : "Faults present: " + faults;
    for (const TReportEventRow& row : report.Events.Rows) {
        out.Alarms += IsAlarmEvent(row.EventCode) ? 1 : 0;
        out.Faults += IsFaultEvent(row.EventCode) ? 1 : 0;
        out.Extinguishings += IsExtinguishingEvent(row.EventCode) ? 1 : 0;
    }
    out.ClockSet = clockSet;
    return out;
}
