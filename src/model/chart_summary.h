#pragma once
// The levels of the chart store's summary above its chunks. Entry i of level 1 sums up chunks
// 16i to 16i+15 (count, first and last time and values, lowest and highest value of each
// series), entry i of level 2 sums up entries 16i to 16i+15 of level 1, and so on up to a level
// of one entry. A time range is then summed up from whole entries wherever an entry lies in
// one pixel column, so its cost grows with the columns and the number of levels, the logarithm
// of the points.
//
// Memory: one entry per 16 chunks and a fifteenth of that above it, under 0.02 bytes a record.

#include "model/chart_envelope.h"

#include <cstddef>
#include <functional>
#include <vector>

class TChartSummary {
public:
    static constexpr std::size_t Fanout = 16;

    // The summary of leaf (chunk) i of `leafCount`.
    using TLeafAt = std::function<TChartColumn(std::size_t)>;

    // A record came at the end of the last of `leafCount` leaves (a new last leaf when it grew
    // by one); the leaves never get fewer. O(levels).
    void AddToLast(std::size_t leafCount, TChartTime time, const TChartValues& values,
                   const TLeafAt& leafAt);
    // Leaves `first` to `last` changed (a record inserted; a chunk split moves every leaf after
    // it, so `last` is then the last leaf): sums every entry above them up again.
    // O(leaves changed + Fanout * levels).
    void Resum(std::size_t first, std::size_t last, std::size_t leafCount, const TLeafAt& leafAt);

    // Levels above the leaves: Level(1) ... Level(LevelCount()); none while there is one leaf.
    int LevelCount() const { return static_cast<int>(FLevels.size()); }
    const std::vector<TChartColumn>& Level(int level) const {
        return FLevels[static_cast<std::size_t>(level - 1)];
    }
    std::size_t MemoryBytes() const;

private:
    std::vector<std::vector<TChartColumn>> FLevels;
};
