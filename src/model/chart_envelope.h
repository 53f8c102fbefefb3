#pragma once
// What the chart draws of a time range: one column per pixel (or half pixel), and for each
// series in each column the first, lowest, highest and last value of the points that fall into
// it. A line through first, lowest, highest and last of every column covers exactly the pixels
// that the line through all points covers, however many points there are.

#include "model/chart_time.h"

#include <array>
#include <cstdint>
#include <vector>

constexpr int ChartSeriesCount = 3;
using TChartValues = std::array<float, ChartSeriesCount>;

struct TChartColumn {
    uint32_t Count = 0; // points in the column; the rest is meaningful only when not 0
    TChartTime FirstTime = 0;
    TChartTime LastTime = 0;
    TChartValues First{};
    TChartValues Min{};
    TChartValues Max{};
    TChartValues Last{};

    // Takes in one point. Equal times count in arrival order: the later one is the last.
    void Add(TChartTime time, const TChartValues& values);
    // Takes in a column whose points all lie after (or at the time of) this one's.
    void Append(const TChartColumn& later);
};

class TChartEnvelope {
public:
    // Empty columns of `step` milliseconds each from `start` on.
    void Reset(TChartTime start, double step, int columns);

    // The column of a time, or -1 when it lies outside [Start, End).
    int ColumnOf(TChartTime time) const;
    // Adds a point that lies in the columns; returns false (and ignores it) otherwise.
    bool Add(TChartTime time, const TChartValues& values);
    // Twice the step: pairs of columns merge into one; the second half becomes empty.
    void DoubleStep();

    TChartTime Start() const { return FStart; }
    double Step() const { return FStep; }
    double End() const { return static_cast<double>(FStart) + FStep * ColumnCount(); }
    int ColumnCount() const { return static_cast<int>(FColumns.size()); }
    const TChartColumn& Column(int index) const { return FColumns[static_cast<size_t>(index)]; }
    TChartColumn& Column(int index) { return FColumns[static_cast<size_t>(index)]; }

private:
    TChartTime FStart = 0;
    double FStep = 1;
    std::vector<TChartColumn> FColumns;
};
