#pragma once
// Every point of the run, for the chart: one record per status reply (the time and the three
// voltages), in time order, never trimmed. Records lie in chunks of 256, each summed up as a
// whole and in blocks of 16 (lowest and highest value of each series), and the chunks are summed
// up in levels above them (TChartSummary). The envelope of any time range is built from the
// largest summaries that fall into one column each; records are read only where a column
// boundary cuts a block. So a range costs about its columns times the levels, however long the
// run: O(columns * log(records)).
//
// Memory: about 22 bytes a record (8 for the time, 4 for each value, 1.5 for the block
// summaries, 0.3 for the levels), under 7.5 bytes a charted point; chunks split by a record
// arriving out of order are half full, which at worst doubles that.

#include "model/chart_envelope.h"
#include "model/chart_gaps.h"
#include "model/chart_summary.h"

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
    // Records per chunk, and per summed-up block within a chunk.
    static constexpr std::size_t ChunkCapacity = 256;
    static constexpr std::size_t BlockSize = 16;

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
    // The record nearest to `time`; of two equally near, the earlier.
    std::optional<TChartRecord> Nearest(TChartTime time) const;

    // Adds every record that falls into the envelope's columns to them, in time order.
    void FillEnvelope(TChartEnvelope& envelope) const;

    // Calls visit(record) for every record with from <= time <= to, in time order.
    template <class TVisit> void ForEach(TChartTime from, TChartTime to, TVisit visit) const;

    // The stretches without records that the lines do not cross; kept by whoever adds the
    // records (the chart model for the run, the day's reader for a past day).
    TChartGaps& Gaps() { return FGaps; }
    const TChartGaps& Gaps() const { return FGaps; }

    // Bytes held for the records, chunk headers and summaries included.
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
    TChartColumn ChunkColumn(std::size_t chunk) const;
    bool FillFrom(TChartEnvelope& envelope, int level, std::size_t index) const;
    bool FillChunk(TChartEnvelope& envelope, const TChunk& chunk) const;

    std::vector<std::unique_ptr<TChunk>> FChunks;
    TChartSummary FSummary;
    TChartGaps FGaps;
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
