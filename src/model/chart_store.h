#pragma once
// Every point of the run, for the chart: one record per status reply (the time and the three
// voltages), in time order, never trimmed. Records lie in chunks of fixed size, each with the
// lowest and highest value of its series, so that the envelope of any time range is built from
// the chunks' summaries where a chunk falls into one column and from the records only where a
// column boundary cuts a chunk.
//
// Memory: 20 bytes a record (8 for the time, 4 for each value), under 7 bytes a charted point;
// chunks split by a record arriving out of order are half full, which at worst doubles that.

#include "model/chart_envelope.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

struct TChartRecord {
    TChartTime Time = 0;
    TChartValues Values{};
};

class TChartStore {
public:
    // Records per chunk.
    static constexpr std::size_t ChunkCapacity = 256;

    TChartStore();
    ~TChartStore();

    // Adds a record at its place in time order; a record with the time of earlier ones goes
    // after them. Appending (the usual case) costs O(1); a record from a clock set back costs a
    // search and a shift within one chunk.
    void Add(TChartTime time, const TChartValues& values);

    std::size_t Count() const { return FCount; }
    bool Empty() const { return FCount == 0; }
    // Times of the earliest and latest record; only when not Empty().
    TChartTime FirstTime() const;
    TChartTime LastTime() const;

    // The latest record before `time`, and the earliest at or after it (lines from the edge of a
    // view to the points just outside it).
    std::optional<TChartRecord> LastBefore(TChartTime time) const;
    std::optional<TChartRecord> FirstFrom(TChartTime time) const;

    // Adds every record that falls into the envelope's columns to them.
    void FillEnvelope(TChartEnvelope& envelope) const;

    // Calls visit(record) for every record with from <= time <= to, in time order.
    template <class TVisit> void ForEach(TChartTime from, TChartTime to, TVisit visit) const;

    // Bytes held for the records, chunk headers included.
    std::size_t MemoryBytes() const;

    // Walks the records in time order from a position; used by ForEach.
    class TCursor {
    public:
        TCursor(const TChartStore& store, TChartTime from);
        bool Valid() const;
        TChartRecord Record() const;
        void Next();

    private:
        const TChartStore& FStore;
        std::size_t FChunk;
        std::size_t FIndex;
    };

private:
    struct TChunk;
    std::size_t ChunkFor(TChartTime time) const;
    std::size_t ChunkFrom(TChartTime time) const;
    void SplitChunk(std::size_t index);
    TChartRecord RecordAt(std::size_t chunk, std::size_t index) const;

    std::vector<std::unique_ptr<TChunk>> FChunks;
    std::size_t FCount = 0;
};

template <class TVisit>
void TChartStore::ForEach(TChartTime from, TChartTime to, TVisit visit) const {
    for (TCursor c(*this, from); c.Valid(); c.Next()) {
        const TChartRecord r = c.Record();
        if (r.Time > to) {
            break;
        }
        visit(r);
    }
}
