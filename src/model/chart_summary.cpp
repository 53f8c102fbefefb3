#include "model/chart_summary.h"

#include <algorithm>

namespace {

std::size_t GroupsOf(std::size_t entries) {
    return (entries + TChartSummary::Fanout - 1) / TChartSummary::Fanout;
}

} // namespace

void TChartSummary::AddToLast(std::size_t leafCount, TChartTime time, const TChartValues& values) {
    std::size_t entries = leafCount;
    for (std::size_t k = 0; k == 0 || entries > 1; ++k) {
        entries = k == 0 ? leafCount : GroupsOf(entries);
        if (k == FLevels.size()) {
            // The level below has just got its second entry, which holds only this record: the
            // new level's one entry is the first entry below and this record.
            FLevels.push_back({k == 0 ? TChartColumn{} : FLevels[k - 1][0]});
        }
        std::vector<TChartColumn>& level = FLevels[k];
        if (level.size() < entries) {
            level.emplace_back(); // a new chunk or group, begun by this record
        }
        level.back().Add(time, values);
    }
}

void TChartSummary::Resum(std::size_t first, std::size_t last, std::size_t leafCount,
                          const TLeafAt& leafAt) {
    if (FLevels.empty()) {
        FLevels.emplace_back();
    }
    FLevels[0].resize(leafCount);
    for (std::size_t i = first; i <= last; ++i) {
        FLevels[0][i] = leafAt(i);
    }
    std::size_t entries = leafCount;
    for (std::size_t k = 1; entries > 1; ++k) {
        entries = GroupsOf(entries);
        first /= Fanout;
        last = std::min(last / Fanout, entries - 1);
        if (k == FLevels.size()) {
            FLevels.emplace_back();
        }
        std::vector<TChartColumn>& level = FLevels[k];
        const std::vector<TChartColumn>& below = FLevels[k - 1];
        level.resize(entries);
        for (std::size_t i = first; i <= last; ++i) {
            TChartColumn sum;
            for (std::size_t j = i * Fanout; j < std::min(below.size(), (i + 1) * Fanout); ++j) {
                sum.Append(below[j]);
            }
            level[i] = sum;
        }
    }
}

std::size_t TChartSummary::MemoryBytes() const {
    std::size_t bytes = FLevels.capacity() * sizeof(FLevels[0]);
    for (const auto& level : FLevels) {
        bytes += level.capacity() * sizeof(TChartColumn);
    }
    return bytes;
}
