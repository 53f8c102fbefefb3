#include "model/chart_envelope.h"

#include <algorithm>
#include <cmath>

void TChartColumn::Add(TChartTime time, const TChartValues& values) {
    if (Count == 0) {
        *this = TChartColumn{1, time, time, values, values, values, values};
        return;
    }
    ++Count;
    for (int s = 0; s < ChartSeriesCount; ++s) {
        Min[s] = std::min(Min[s], values[s]);
        Max[s] = std::max(Max[s], values[s]);
    }
    // A clock set back can bring a point earlier than those already in the column.
    if (time < FirstTime) {
        FirstTime = time;
        First = values;
    }
    if (time >= LastTime) {
        LastTime = time;
        Last = values;
    }
}

void TChartColumn::Append(const TChartColumn& later) {
    if (later.Count == 0) {
        return;
    }
    if (Count == 0) {
        *this = later;
        return;
    }
    Count += later.Count;
    for (int s = 0; s < ChartSeriesCount; ++s) {
        Min[s] = std::min(Min[s], later.Min[s]);
        Max[s] = std::max(Max[s], later.Max[s]);
    }
    LastTime = later.LastTime;
    Last = later.Last;
}

void TChartEnvelope::Reset(TChartTime start, double step, int columns) {
    FStart = start;
    FStep = step > 0 ? step : 1;
    FColumns.assign(static_cast<size_t>(std::max(columns, 1)), TChartColumn{});
}

int TChartEnvelope::ColumnOf(TChartTime time) const {
    if (time < FStart) {
        return -1;
    }
    const double column = std::floor(static_cast<double>(time - FStart) / FStep);
    return column < ColumnCount() ? static_cast<int>(column) : -1;
}

bool TChartEnvelope::Add(TChartTime time, const TChartValues& values) {
    const int column = ColumnOf(time);
    if (column < 0) {
        return false;
    }
    FColumns[static_cast<size_t>(column)].Add(time, values);
    return true;
}

void TChartEnvelope::DoubleStep() {
    const size_t n = FColumns.size();
    for (size_t i = 0; i < n; ++i) {
        TChartColumn merged;
        if (2 * i < n) {
            merged = FColumns[2 * i];
            if (2 * i + 1 < n) {
                merged.Append(FColumns[2 * i + 1]);
            }
        }
        FColumns[i] = merged;
    }
    FStep *= 2;
}
