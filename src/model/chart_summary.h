#pragma once
// The chart store's summary of its chunks, in levels. Entry i of level 0 sums up chunk i (count,
// first and last time and values, lowest and highest value of each series), entry i of level 1
// sums up entries 16i to 16i+15 of level 0, and so on up to a level of one entry. A time range
// is then summed up from whole entries wherever an entry lies in one pixel column, so its cost
// grows with the columns and the number of levels, the logarithm of the points. The entries of
// a level lie side by side, so looking at many of them touches little memory.
//
// Memory: 72 bytes a chunk and a fifteenth of that above it, under 0.3 bytes a record.

#include "model/chart_envelope.h"

#include <cstddef>
#include <functional>
#include <vector>

class TChartSummary {
public:
    static constexpr std::size_t Fanout = 16;

    // The summary of chunk i, read from the chunk itself.
    using TLeafAt = std::function<TChartColumn(std::size_t)>;

    // A record came at the end of the last of `leafCount` chunks (a new last chunk when their
    // number grew by one; it never shrinks). O(levels).
    void AddToLast(std::size_t leafCount, TChartTime time, const TChartValues& values);
    // Chunks `first` to `last` changed (a record inserted; a chunk split moves every chunk after
    // it, so `last` is then the last chunk): sums them and every entry above them up again.
    // O(chunks changed + Fanout * levels).
    void Resum(std::size_t first, std::size_t last, std::size_t leafCount, const TLeafAt& leafAt);

    // Level 0 (one entry a chunk) to TopLevel() (one entry; 0 while there is one chunk).
    int TopLevel() const { return static_cast<int>(FLevels.size()) - 1; }
    const std::vector<TChartColumn>& Level(int level) const {
        return FLevels[static_cast<std::size_t>(level)];
    }
    std::size_t MemoryBytes() const;

private:
    std::vector<std::vector<TChartColumn>> FLevels;
};
