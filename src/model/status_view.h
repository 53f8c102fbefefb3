#pragma once
// What the status decoder drives: the status pages, the chart, the event bookkeeping and the
// data report line. The window and the other model parts implement these; tests record calls.

#include "core/clock.h"
#include "model/status_record.h"

#include <cstdint>
#include <set>
#include <string>

// The status pages of the window. Devices are 0 (master) to 4 (slave 4). A hidden slave page is
// updated like a shown one.
class IStatusView {
public:
    virtual ~IStatusView() = default;
    // The device ID as its 12-digit text (the master's goes into EditID).
    virtual void ShowDeviceId(int device, const std::string& idText) = 0;
    // A raw measured value; the window divides it and formats it for its field.
    virtual void ShowValue(int device, TMeasureField field, uint16_t raw) = 0;
    // A raw state code; the window selects its item with StateItemIndex.
    virtual void ShowStateCode(int device, TStateField field, uint8_t code) = 0;
    // The device's output word (the master's 16 bits, a slave's 8).
    virtual void ShowOutputs(int device, uint16_t out) = 0;
    // Shows or hides the page of slave k (1 to 4).
    virtual void ShowSlavePage(int slave, bool shown) = 0;
};

// The supply-voltage chart: three points of one record, all at the same time.
class IChartSink {
public:
    virtual ~IChartSink() = default;
    // Mains, battery and lines supply voltages of the master, in volts.
    virtual void AddChartPoints(const TDateTime& time, double vNet, double vBat, double vDet) = 0;
};

// The per-installation event bookkeeping, run on every status reply.
class IEventBookkeeping {
public:
    virtual ~IEventBookkeeping() = default;
    // Takes the panel's event log indices and the master's ID text (as shown in EditID);
    // selects or adds the installation's settings section and may send one 'G' request.
    // Failures (settings file, sending) propagate.
    virtual void SelectDeviceAndRequest(uint16_t start, uint16_t end, uint16_t capacity,
                                        const std::string& idText) = 0;
    // Before SelectDeviceAndRequest: the unit IDs the status reply named (master and slaves).
    virtual void UnitsAnswering(const std::set<uint64_t>& ids) { (void)ids; }
};

// The data report file's line for one status record.
class IDataLineSink {
public:
    virtual ~IDataLineSink() = default;
    virtual void WriteDataLine(const TStatusRecord& record) = 0;
};
