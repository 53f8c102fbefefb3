#pragma once
// The value axis of the chart fitted to what is in view: the lowest and highest value of the
// shown series over the envelope's columns, widened by a small margin, so that a sag of a few
// hundredths of a volt fills the plot instead of hiding in a fixed 0 to 30 V.

#include "model/chart_envelope.h"

#include <array>
#include <optional>

struct TChartValueRange {
    double Minimum = 0;
    double Maximum = 0;
};

using TChartSeriesShown = std::array<bool, ChartSeriesCount>;

// The lowest and highest value of the shown series in the envelope's columns, widened to take in
// `more` (the range of another layer) when given; nothing when no shown series has a point.
std::optional<TChartValueRange> ValueRangeOf(const TChartEnvelope& envelope,
                                             const TChartSeriesShown& shown,
                                             std::optional<TChartValueRange> more = {});

// The range a fitted axis shows for data within `data`: a twentieth of the data's height added
// above and below, at least FitMinimumSpan volts tall (a flat line sits in the middle).
TChartValueRange FittedValueAxis(const TChartValueRange& data);

inline constexpr double FitMinimumSpan = 0.05;
