#pragma once
// The gaps of a chart layer: stretches of time without replies (the link stopped, a device
// pulled, the panel silent, another installation answering). The line of a series never crosses
// a gap: a voltage that was never measured is not drawn as a slope from the last value to the
// next. A gap runs from the record before it to the record after it; the newest gap stays open
// until the next record comes.

#include "model/chart_envelope.h"
#include "model/chart_time.h"

#include <optional>
#include <string>
#include <vector>

struct TChartGap {
    TChartTime From = 0;          // the time of the last record before the gap
    std::optional<TChartTime> To; // the first record after it; empty while the gap is open
    std::string Label;            // what began after it (another installation's ID), or ""
};

class TChartGaps {
public:
    // A gap between the records at `from` and `to` (from < to); gaps come in time order.
    void Add(TChartTime from, TChartTime to, const std::string& label = {});
    // The link broke after the record at `from`: a gap opens and lasts until Close. A gap
    // already open stays as it is and only takes the label when it has none.
    void Open(TChartTime from, const std::string& label = {});
    // A gap between the records at `from` and `to` named `label`: the gap that ends at `to`
    // takes the label, or a new one is added.
    void Label(TChartTime from, TChartTime to, const std::string& label);
    // The record at `to` came: an open gap ends there. Nothing happens without one.
    void Close(TChartTime to);
    bool IsOpen() const { return !FGaps.empty() && !FGaps.back().To; }

    // True when a gap lies between the records at `a` and `b` (a <= b): the line from one to
    // the other is broken.
    bool Between(TChartTime a, TChartTime b) const;
    // The gap that `time` falls into (strictly between its records), if any.
    const TChartGap* At(TChartTime time) const;
    // The gaps that reach into [from, to], in time order.
    std::vector<TChartGap> In(TChartTime from, TChartTime to) const;

    std::size_t Count() const { return FGaps.size(); }

private:
    // The index of the first gap that starts at or after `time`.
    std::size_t FirstFrom(TChartTime time) const;

    std::vector<TChartGap> FGaps; // in time order, not overlapping
};

// The columns of an envelope that one line joins: from First to Last (the empty columns between
// them included), a new run starting wherever a gap lies between a column's last point and the
// next column's first.
struct TChartRun {
    int First = 0;
    int Last = 0;
};
std::vector<TChartRun> ChartRuns(const TChartEnvelope& envelope, const TChartGaps& gaps);
