#include "model/chart_store.h"

#include <algorithm>
#include <array>

struct TChartStore::TChunk {
    std::size_t Count = 0;
    std::array<TChartTime, ChunkCapacity> Times;
    std::array<std::array<float, ChunkCapacity>, ChartSeriesCount> Values;
    TChartValues Min{};
    TChartValues Max{};

    TChartValues ValuesAt(std::size_t i) const {
        TChartValues v;
        for (int s = 0; s < ChartSeriesCount; ++s) {
            v[s] = Values[s][i];
        }
        return v;
    }
    // Index of the first record later than `time`.
    std::size_t UpperBound(TChartTime time) const {
        return static_cast<std::size_t>(
            std::upper_bound(Times.begin(), Times.begin() + Count, time) - Times.begin());
    }
    std::size_t LowerBound(TChartTime time) const {
        return static_cast<std::size_t>(
            std::lower_bound(Times.begin(), Times.begin() + Count, time) - Times.begin());
    }
    void Insert(std::size_t at, TChartTime time, const TChartValues& values) {
        std::copy_backward(Times.begin() + at, Times.begin() + Count, Times.begin() + Count + 1);
        Times[at] = time;
        for (int s = 0; s < ChartSeriesCount; ++s) {
            auto& column = Values[s];
            std::copy_backward(column.begin() + at, column.begin() + Count,
                               column.begin() + Count + 1);
            column[at] = values[s];
            Min[s] = Count == 0 ? values[s] : std::min(Min[s], values[s]);
            Max[s] = Count == 0 ? values[s] : std::max(Max[s], values[s]);
        }
        ++Count;
    }
    void Summarise() {
        for (int s = 0; s < ChartSeriesCount; ++s) {
            const auto first = Values[s].begin();
            const auto [lo, hi] = std::minmax_element(first, first + Count);
            Min[s] = *lo;
            Max[s] = *hi;
        }
    }
    // The chunk as one envelope column.
    TChartColumn AsColumn() const {
        return TChartColumn{
            static_cast<uint32_t>(Count), Times[0], Times[Count - 1], ValuesAt(0), Min, Max,
            ValuesAt(Count - 1)};
    }
};

TChartStore::TChartStore() = default;
TChartStore::~TChartStore() = default;

TChartTime TChartStore::FirstTime() const {
    return FChunks.front()->Times[0];
}

TChartTime TChartStore::LastTime() const {
    const TChunk& last = *FChunks.back();
    return last.Times[last.Count - 1];
}

TChartRecord TChartStore::RecordAt(std::size_t chunk, std::size_t index) const {
    const TChunk& c = *FChunks[chunk];
    return TChartRecord{c.Times[index], c.ValuesAt(index)};
}

// The chunk a record of `time` goes into: the last one that starts at or before it.
std::size_t TChartStore::ChunkFor(TChartTime time) const {
    const auto after = std::upper_bound(
        FChunks.begin(), FChunks.end(), time,
        [](TChartTime t, const std::unique_ptr<TChunk>& c) { return t < c->Times[0]; });
    return after == FChunks.begin() ? 0 : static_cast<std::size_t>(after - FChunks.begin()) - 1;
}

// The first chunk that may hold records at or after `time`: records equal to a chunk's first
// time may end the chunk before it, so this is the last chunk that starts before `time`.
std::size_t TChartStore::ChunkFrom(TChartTime time) const {
    const auto after = std::lower_bound(
        FChunks.begin(), FChunks.end(), time,
        [](const std::unique_ptr<TChunk>& c, TChartTime t) { return c->Times[0] < t; });
    return after == FChunks.begin() ? 0 : static_cast<std::size_t>(after - FChunks.begin()) - 1;
}

void TChartStore::Add(TChartTime time, const TChartValues& values) {
    const bool appending = FChunks.empty() || time >= LastTime();
    if (appending && (FChunks.empty() || FChunks.back()->Count == ChunkCapacity)) {
        FChunks.push_back(std::make_unique<TChunk>());
    }
    std::size_t chunk = appending ? FChunks.size() - 1 : ChunkFor(time);
    if (FChunks[chunk]->Count == ChunkCapacity) {
        SplitChunk(chunk);
        if (time >= FChunks[chunk + 1]->Times[0]) {
            ++chunk;
        }
    }
    TChunk& c = *FChunks[chunk];
    c.Insert(c.UpperBound(time), time, values);
    ++FCount;
}

void TChartStore::SplitChunk(std::size_t index) {
    TChunk& full = *FChunks[index];
    auto upper = std::make_unique<TChunk>();
    const std::size_t half = full.Count / 2;
    upper->Count = full.Count - half;
    std::copy(full.Times.begin() + half, full.Times.begin() + full.Count, upper->Times.begin());
    for (int s = 0; s < ChartSeriesCount; ++s) {
        std::copy(full.Values[s].begin() + half, full.Values[s].begin() + full.Count,
                  upper->Values[s].begin());
    }
    full.Count = half;
    full.Summarise();
    upper->Summarise();
    FChunks.insert(FChunks.begin() + static_cast<std::ptrdiff_t>(index) + 1, std::move(upper));
}

std::optional<TChartRecord> TChartStore::LastBefore(TChartTime time) const {
    if (Empty() || FirstTime() >= time) {
        return std::nullopt;
    }
    // The chunk starts before `time`, so at least its first record is earlier.
    const std::size_t k = ChunkFrom(time);
    return RecordAt(k, FChunks[k]->LowerBound(time) - 1);
}

std::optional<TChartRecord> TChartStore::FirstFrom(TChartTime time) const {
    TCursor c(*this, time);
    if (!c.Valid()) {
        return std::nullopt;
    }
    return c.Record();
}

TChartStore::TCursor::TCursor(const TChartStore& store, TChartTime from)
    : FStore(store), FChunk(0), FIndex(0) {
    if (store.Empty()) {
        FChunk = store.FChunks.size();
        return;
    }
    FChunk = store.ChunkFrom(from);
    FIndex = store.FChunks[FChunk]->LowerBound(from);
    if (FIndex == store.FChunks[FChunk]->Count) {
        ++FChunk;
        FIndex = 0;
    }
}

bool TChartStore::TCursor::Valid() const {
    return FChunk < FStore.FChunks.size();
}

TChartRecord TChartStore::TCursor::Record() const {
    return FStore.RecordAt(FChunk, FIndex);
}

void TChartStore::TCursor::Next() {
    if (++FIndex == FStore.FChunks[FChunk]->Count) {
        ++FChunk;
        FIndex = 0;
    }
}

void TChartStore::FillEnvelope(TChartEnvelope& envelope) const {
    if (Empty()) {
        return;
    }
    const TChartTime start = envelope.Start();
    for (std::size_t k = ChunkFrom(start); k < FChunks.size(); ++k) {
        const TChunk& c = *FChunks[k];
        const TChartTime first = c.Times[0];
        if (static_cast<double>(first) >= envelope.End()) {
            break;
        }
        const int column = envelope.ColumnOf(first);
        if (column >= 0 && column == envelope.ColumnOf(c.Times[c.Count - 1])) {
            envelope.Column(column).Append(c.AsColumn());
            continue;
        }
        for (std::size_t i = c.LowerBound(start); i < c.Count; ++i) {
            envelope.Add(c.Times[i], c.ValuesAt(i));
        }
    }
}

std::size_t TChartStore::MemoryBytes() const {
    return FChunks.capacity() * sizeof(std::unique_ptr<TChunk>) + FChunks.size() * sizeof(TChunk);
}
