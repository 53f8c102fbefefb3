#include "model/status_decoder.h"

#include "link/frame_codec.h"

#include <bit>
#include <exception>
#include <set>

bool SlavePageShown(const TMasterBlock& master, int k) {
    const bool belongs = (master.SlaveFlags >> (k - 1)) & 1U;
    // "Fault slave1" is LED 22, down to "Fault slave4" at LED 19; blinking at either rate
    // hides the page.
    const bool faultBlinks = (master.Led1 >> (23 - k)) & 1U;
    return belongs && !faultBlinks;
}

TStatusDecoder::TStatusDecoder(const TFrameCodec& codec, TPanelState& state, IStatusView& view,
                               IChartSink& chart, IEventBookkeeping& events,
                               IDataLineSink& dataLine, const IClock& clock)
    : FCodec(codec), FState(state), FView(view), FChart(&chart), FEvents(&events),
      FDataLine(&dataLine), FClock(clock) {}

TStatusDecoder::TStatusDecoder(const TFrameCodec& codec, TPanelState& state, IStatusView& view,
                               const IClock& clock)
    : FCodec(codec), FState(state), FView(view), FClock(clock) {}

int SlavesOf(const TMasterBlock& master) {
    return std::popcount(unsigned(master.SlaveFlags & 0x0FU));
}

void TStatusDecoder::DecodeStatus() {
    const TStatusRecord r = ReadStatusRecord(FCodec.Payload());
    FLast = r;
    ShowDeviceIds(r);
    ShowValues(r);
    AddChartPoints(r.Master);
    ShowStateCodes(r);
    StoreLedMasks(r);
    ShowOutputs(r);
    ShowSlavePages(r.Master);
    if (FMasterWatch) {
        FMasterWatch(r.Master);
    }
    // The data line never depends on the bookkeeping: its failure is raised after the line.
    std::exception_ptr failure;
    if (FEvents != nullptr) {
        try {
            std::set<uint64_t> units{r.Master.ID};
            for (const TSlaveBlock& s : r.Slaves) {
                if (s.ID != 0) {
                    units.insert(s.ID);
                }
            }
            FEvents->UnitsAnswering(units);
            // The bookkeeping gets the same text that went into EditID in the first step.
            FEvents->SelectDeviceAndRequest(r.Master.EventStart, r.Master.EventEnd,
                                            r.Master.EventCapacity, DeviceIdText(r.Master.ID));
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (FDataLine != nullptr) {
        FDataLine->WriteDataLine(r);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void TStatusDecoder::ShowDeviceIds(const TStatusRecord& r) {
    FView.ShowDeviceId(0, DeviceIdText(r.Master.ID));
    for (int k = 1; k <= SlaveCount; ++k) {
        FView.ShowDeviceId(k, DeviceIdText(r.Slaves[k - 1].ID));
    }
}

void TStatusDecoder::ShowValues(const TStatusRecord& r) {
    for (TMeasureField f : CommonMeasureFields) {
        FView.ShowValue(0, f, r.Master.Value(f));
    }
    for (int k = 1; k <= SlaveCount; ++k) {
        const TSlaveBlock& s = r.Slaves[k - 1];
        for (TMeasureField f : CommonMeasureFields) {
            FView.ShowValue(k, f, s.Value(f));
        }
        FView.ShowValue(k, TMeasureField::CMer, s.CMer);
    }
}

void TStatusDecoder::AddChartPoints(const TMasterBlock& m) {
    if (FChart == nullptr) {
        return;
    }
    // One clock reading for all three points, so they share their X value.
    FChart->AddChartPoints(FClock.Now(), m.VNet / 1000.0, m.VBat / 1000.0, m.VDet / 1000.0);
}

void TStatusDecoder::ShowStateCodes(const TStatusRecord& r) {
    const TMasterBlock& m = r.Master;
    FView.ShowStateCode(0, TStateField::stHas, m.stHas);
    FView.ShowStateCode(0, TStateField::stPro, m.stPro);
    FView.ShowStateCode(0, TStateField::stSir, m.stSir);
    FView.ShowStateCode(0, TStateField::stV1, m.stV1);
    for (int k = 1; k <= SlaveCount; ++k) {
        FView.ShowStateCode(k, TStateField::stV1, r.Slaves[k - 1].stV1);
    }
    FView.ShowStateCode(0, TStateField::stBat, m.stBat);
    for (int k = 1; k <= SlaveCount; ++k) {
        FView.ShowStateCode(k, TStateField::stBat, r.Slaves[k - 1].stBat);
    }
    FView.ShowStateCode(0, TStateField::LineA, m.LineA);
    FView.ShowStateCode(0, TStateField::LineB, m.LineB);
    FView.ShowStateCode(0, TStateField::LineC, m.LineC);
    for (int k = 1; k <= SlaveCount; ++k) {
        const TSlaveBlock& s = r.Slaves[k - 1];
        FView.ShowStateCode(k, TStateField::LineA, s.LineA);
        FView.ShowStateCode(k, TStateField::LineB, s.LineB);
        FView.ShowStateCode(k, TStateField::LineC, s.LineC);
    }
    FView.ShowValue(0, TMeasureField::Tim, m.Tim);
}

void TStatusDecoder::StoreLedMasks(const TStatusRecord& r) {
    // The LEDs themselves change only at the next LED tick.
    FState.LedOn[0] = r.Master.Led0;
    FState.LedBlink[0] = r.Master.Led1;
    for (int k = 1; k <= SlaveCount; ++k) {
        FState.LedOn[k] = r.Slaves[k - 1].Led0;
        FState.LedBlink[k] = r.Slaves[k - 1].Led1;
    }
}

void TStatusDecoder::ShowOutputs(const TStatusRecord& r) {
    FView.ShowOutputs(0, r.Master.Out);
    for (int k = 1; k <= SlaveCount; ++k) {
        FView.ShowOutputs(k, r.Slaves[k - 1].Out);
    }
}

void TStatusDecoder::ShowSlavePages(const TMasterBlock& m) {
    for (int k = 1; k <= SlaveCount; ++k) {
        FView.ShowSlavePage(k, SlavePageShown(m, k));
    }
}
