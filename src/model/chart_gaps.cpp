#include "model/chart_gaps.h"

#include <algorithm>

void TChartGaps::Add(TChartTime from, TChartTime to, const std::string& label) {
    if (to > from && (FGaps.empty() || (FGaps.back().To && *FGaps.back().To <= from))) {
        FGaps.push_back({from, to, label});
    }
}

void TChartGaps::Open(TChartTime from, const std::string& label) {
    if (IsOpen()) {
        if (FGaps.back().Label.empty()) {
            FGaps.back().Label = label;
        }
        return;
    }
    if (FGaps.empty() || (FGaps.back().To && *FGaps.back().To <= from)) {
        FGaps.push_back({from, std::nullopt, label});
    }
}

void TChartGaps::Label(TChartTime from, TChartTime to, const std::string& label) {
    if (!FGaps.empty() && FGaps.back().To == to) {
        FGaps.back().Label = label;
    } else {
        Add(from, to, label);
    }
}

void TChartGaps::Close(TChartTime to) {
    if (IsOpen()) {
        // A record from a clock set back to before the gap's start ends it where it began.
        FGaps.back().To = std::max(to, FGaps.back().From);
    }
}

std::size_t TChartGaps::FirstFrom(TChartTime time) const {
    return static_cast<std::size_t>(
        std::lower_bound(FGaps.begin(), FGaps.end(), time,
                         [](const TChartGap& g, TChartTime t) { return g.From < t; }) -
        FGaps.begin());
}

bool TChartGaps::Between(TChartTime a, TChartTime b) const {
    // A gap starts at a record: one starting at `a` or later, and before `b`, parts them.
    const std::size_t i = FirstFrom(a);
    return i < FGaps.size() && FGaps[i].From < b;
}

const TChartGap* TChartGaps::At(TChartTime time) const {
    const std::size_t i = FirstFrom(time);
    if (i == 0) {
        return nullptr;
    }
    const TChartGap& gap = FGaps[i - 1];
    return !gap.To || time < *gap.To ? &gap : nullptr;
}

std::vector<TChartGap> TChartGaps::In(TChartTime from, TChartTime to) const {
    std::vector<TChartGap> found;
    std::size_t i = FirstFrom(from);
    if (i > 0 && (!FGaps[i - 1].To || *FGaps[i - 1].To > from)) {
        --i; // begins before the range and reaches into it
    }
    for (; i < FGaps.size() && FGaps[i].From <= to; ++i) {
        found.push_back(FGaps[i]);
    }
    return found;
}

std::vector<TChartRun> ChartRuns(const TChartEnvelope& envelope, const TChartGaps& gaps) {
    std::vector<TChartRun> runs;
    int previous = -1;
    for (int c = 0; c < envelope.ColumnCount(); ++c) {
        if (envelope.Column(c).Count == 0) {
            continue;
        }
        if (previous < 0 ||
            gaps.Between(envelope.Column(previous).LastTime, envelope.Column(c).FirstTime)) {
            runs.push_back({c, c});
        }
        runs.back().Last = c;
        previous = c;
    }
    return runs;
}
