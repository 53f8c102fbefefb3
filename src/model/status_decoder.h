#pragma once
// The decoder of the reply to 'A'. It reads the status record in place from the receive buffer
// and passes it on in a fixed order: device IDs, values, chart, state codes, LED masks,
// outputs, slave pages, event bookkeeping, data line.

#include "core/clock.h"
#include "model/panel_state.h"
#include "model/status_record.h"
#include "model/status_view.h"

#include <functional>
#include <optional>

class TFrameCodec;

// Whether slave k's page (k = 1..4) is shown: the slave belongs to the installation (bit k-1 of
// SlaveFlags) and its fault LED on the master does not blink (bit 23-k of Led1 clear).
bool SlavePageShown(const TMasterBlock& master, int k);
// The number of slaves that belong to the installation (the bits 0 to 3 of SlaveFlags set).
int SlavesOf(const TMasterBlock& master);

class TStatusDecoder {
public:
    TStatusDecoder(const TFrameCodec& codec, TPanelState& state, IStatusView& view,
                   IChartSink& chart, IEventBookkeeping& events, IDataLineSink& dataLine,
                   const IClock& clock);
    // A decoder for a tool that has no chart, event bookkeeping or data report attached: those
    // steps are left out, the others run in their order.
    TStatusDecoder(const TFrameCodec& codec, TPanelState& state, IStatusView& view,
                   const IClock& clock);

    // The chart and the data report line of a decoder made without them; from the next reply
    // on those steps run.
    void AttachChart(IChartSink& chart) { FChart = &chart; }
    void AttachDataLine(IDataLineSink& dataLine) { FDataLine = &dataLine; }
    // Shown the master block of every reply, after the slave pages (the slave count the link
    // controls follow, the installation the firmware version belongs to).
    void AttachMasterWatch(std::function<void(const TMasterBlock&)> watch) {
        FMasterWatch = std::move(watch);
    }
    // The event bookkeeping, the step before the data line.
    void AttachEventBookkeeping(IEventBookkeeping& events) { FEvents = &events; }

    // Decodes the status reply now in the codec's receive buffer. It reads StatusRecordSize bytes
    // at fixed offsets, so it is registered with the codec with that size: a shorter reply never
    // reaches it. An error of the event bookkeeping propagates; the earlier steps have then taken
    // effect and no data line is written.
    void DecodeStatus();

    // The record of the last status reply decoded in this run, or empty before the first.
    const std::optional<TStatusRecord>& LastRecord() const { return FLast; }

private:
    void ShowDeviceIds(const TStatusRecord& r);
    void ShowValues(const TStatusRecord& r);
    void AddChartPoints(const TMasterBlock& m);
    void ShowStateCodes(const TStatusRecord& r);
    void StoreLedMasks(const TStatusRecord& r);
    void ShowOutputs(const TStatusRecord& r);
    void ShowSlavePages(const TMasterBlock& m);

    const TFrameCodec& FCodec;
    TPanelState& FState;
    IStatusView& FView;
    IChartSink* FChart = nullptr;
    IEventBookkeeping* FEvents = nullptr;
    IDataLineSink* FDataLine = nullptr;
    const IClock& FClock;
    std::optional<TStatusRecord> FLast;
    std::function<void(const TMasterBlock&)> FMasterWatch;
};
