#include "model/chart_store.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t BlocksPerChunk = TChartStore::ChunkCapacity / TChartStore::BlockSize;

// Lowest and highest value of each series among some records.
struct TValueRange {
    TChartValues Min{};
    TChartValues Max{};

    void Take(const TChartValues& values, bool first) {
        for (int s = 0; s < ChartSeriesCount; ++s) {
            Min[s] = first ? values[s] : std::min(Min[s], values[s]);
            Max[s] = first ? values[s] : std::max(Max[s], values[s]);
        }
    }
};

// Where a run of records lies against the columns of an envelope.
enum class TPlace { Before, After, InOneColumn, Across };

// The records from `first` to `last` (a time each, in time order).
TPlace PlaceOf(const TChartEnvelope& envelope, TChartTime first, TChartTime last, int& column) {
    if (last < envelope.Start()) {
        return TPlace::Before;
    }
    if (static_cast<double>(first) >= envelope.End()) {
        return TPlace::After;
    }
    // Records are in time order, so all between the first and the last share their column.
    column = envelope.ColumnOf(first);
    return column >= 0 && column == envelope.ColumnOf(last) ? TPlace::InOneColumn : TPlace::Across;
}

} // namespace

struct TChartStore::TChunk {
    std::size_t Count = 0;
    std::array<TChartTime, ChunkCapacity> Times;
    std::array<std::array<float, ChunkCapacity>, ChartSeriesCount> Values;
    TValueRange Whole;
    std::array<TValueRange, BlocksPerChunk> Blocks;

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
        }
        Whole.Take(values, Count == 0);
        ++Count;
        if (at + 1 == Count) {
            Blocks[at / BlockSize].Take(values, at % BlockSize == 0);
        } else {
            SummariseBlocks(at / BlockSize); // the records after `at` moved up one place
        }
    }
    void SummariseBlocks(std::size_t from) {
        for (std::size_t i = from * BlockSize; i < Count; ++i) {
            Blocks[i / BlockSize].Take(ValuesAt(i), i % BlockSize == 0);
        }
    }
    void Summarise() {
        for (std::size_t i = 0; i < Count; ++i) {
            Whole.Take(ValuesAt(i), i == 0);
        }
        SummariseBlocks(0);
    }
    TChartColumn Part(std::size_t from, std::size_t to, const TValueRange& range) const {
        return TChartColumn{static_cast<uint32_t>(to - from),
                            Times[from],
                            Times[to - 1],
                            ValuesAt(from),
                            range.Min,
                            range.Max,
                            ValuesAt(to - 1)};
    }
    std::size_t BlockCount() const { return (Count + BlockSize - 1) / BlockSize; }
    TChartColumn BlockColumn(std::size_t block) const {
        const std::size_t from = block * BlockSize;
        return Part(from, std::min(Count, from + BlockSize), Blocks[block]);
    }
    // The chunk as one envelope column.
    TChartColumn AsColumn() const { return Part(0, Count, Whole); }
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

TChartColumn TChartStore::ChunkColumn(std::size_t chunk) const {
    return FChunks[chunk]->AsColumn();
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
    const std::size_t changedFrom = chunk;
    std::size_t changedTo = chunk;
    if (FChunks[chunk]->Count == ChunkCapacity) {
        SplitChunk(chunk);
        changedTo = FChunks.size() - 1; // every chunk after the split moved up one place
        if (time >= FChunks[chunk + 1]->Times[0]) {
            ++chunk;
        }
    }
    TChunk& c = *FChunks[chunk];
    c.Insert(c.UpperBound(time), time, values);
    ++FCount;
    if (appending) {
        FSummary.AddToLast(FChunks.size(), time, values);
    } else {
        FSummary.Resum(changedFrom, changedTo, FChunks.size(),
                       [this](std::size_t k) { return ChunkColumn(k); });
    }
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

std::optional<TChartRecord> TChartStore::Nearest(TChartTime time) const {
    const std::optional<TChartRecord> before = LastBefore(time);
    const std::optional<TChartRecord> from = FirstFrom(time);
    if (!before || (from && from->Time - time < time - before->Time)) {
        return from;
    }
    return before;
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
    const int top = FSummary.TopLevel();
    const std::size_t entries = FSummary.Level(top).size();
    for (std::size_t i = 0; i < entries && FillFrom(envelope, top, i); ++i) {
    }
}

// Adds entry `index` of a summary level (0: a chunk) to the envelope: as a whole where it falls
// into one column, else entry by entry of the level below. False once past the envelope's end.
bool TChartStore::FillFrom(TChartEnvelope& envelope, int level, std::size_t index) const {
    const TChartColumn& part = FSummary.Level(level)[index];
    int column = -1;
    switch (PlaceOf(envelope, part.FirstTime, part.LastTime, column)) {
    case TPlace::Before:
        return true;
    case TPlace::After:
        return false;
    case TPlace::InOneColumn:
        envelope.Column(column).Append(part);
        return true;
    case TPlace::Across:
        break;
    }
    if (level == 0) {
        return FillChunk(envelope, *FChunks[index]);
    }
    const std::size_t below = FSummary.Level(level - 1).size();
    const std::size_t end = std::min(below, (index + 1) * TChartSummary::Fanout);
    for (std::size_t i = index * TChartSummary::Fanout; i < end; ++i) {
        if (!FillFrom(envelope, level - 1, i)) {
            return false;
        }
    }
    return true;
}

bool TChartStore::FillChunk(TChartEnvelope& envelope, const TChunk& chunk) const {
    for (std::size_t b = 0; b < chunk.BlockCount(); ++b) {
        const std::size_t last = std::min(chunk.Count, (b + 1) * BlockSize) - 1;
        int column = -1;
        switch (PlaceOf(envelope, chunk.Times[b * BlockSize], chunk.Times[last], column)) {
        case TPlace::Before:
            continue;
        case TPlace::After:
            return false;
        case TPlace::InOneColumn:
            envelope.Column(column).Append(chunk.BlockColumn(b));
            continue;
        case TPlace::Across:
            break;
        }
        const std::size_t end = std::min(chunk.Count, (b + 1) * BlockSize);
        for (std::size_t i = b * BlockSize; i < end; ++i) {
            envelope.Add(chunk.Times[i], chunk.ValuesAt(i));
        }
    }
    return true;
}

std::size_t TChartStore::MemoryBytes() const {
    return FChunks.capacity() * sizeof(std::unique_ptr<TChunk>) + FChunks.size() * sizeof(TChunk) +
           FSummary.MemoryBytes();
}
