#pragma once
// Reading a report file back, for any reader of the reports (the event history, the chart's past
// day). Only a regular file is read: a FIFO, a device or a socket named like a report is
// refused, and the open itself never waits (a FIFO without a writer would hold it for ever). A
// file is read up to the size it had when opened, so one that grows meanwhile (the day's report
// being written) ends all the same; what was added later is left for the next reading.
//
// Lines end at LF, a CR before it belongs to the line end. Of each line at most MaxKeptLineBytes
// are kept; the rest is only counted, so a file without line ends costs no more memory than a
// short line, whatever its size.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// What a reader keeps of one line: far more than any line the tool writes.
inline constexpr std::size_t MaxKeptLineBytes = 4096;

class ILineSink {
public:
    virtual ~ILineSink() = default;
    // One line without its line end: `kept` its first bytes (all of them when `length` is not
    // larger), `length` its whole length. `ended`: false for a last line without a line end.
    virtual void Line(std::string_view kept, std::size_t length, bool ended) = 0;
};

// Cuts bytes, given block by block as they are read, into lines for a sink.
class TLineSplitter {
public:
    explicit TLineSplitter(ILineSink& sink) : FSink(sink) {}
    void Feed(std::string_view block);
    // The end of the bytes: a last line without a line end goes to the sink.
    void Finish();
    // The end of the bytes read, where the rest of a last line is still to come: it is dropped.
    void Forget();

private:
    void Emit(std::string_view kept, std::size_t length, char last, bool ended);

    ILineSink& FSink;
    std::string FCarried;           // the kept start of a line cut by the end of a block
    std::size_t FCarriedLength = 0; // its whole length so far
    char FCarriedLast = 0;          // its last byte so far
};

// How much of a file is read at once.
inline constexpr std::size_t ReadBlockBytes = 1 << 20;

// Reads `bytes` (a whole file in memory) into the sink.
void ReadLines(std::string_view bytes, ILineSink& sink);

// How a file reading went.
struct TFileRead {
    int Error = 0;           // errno of a failed open, fstat or read
    bool NotRegular = false; // a FIFO, device, socket or directory: not read
    bool Stopped = false;    // the stop came before the end
    uint64_t Size = 0;       // the size when opened: what was read at most
};

// Reads the regular file at `path` into the sink block by block, up to its size when opened.
// `stop` is looked at between blocks; progress(bytesDone, size) (may be empty) after each one.
// The sink is finished (a last line without a line end handed over) unless stopped or failed.
TFileRead ReadFileLines(const std::string& path, ILineSink& sink, const std::atomic<bool>& stop,
                        const std::function<void(uint64_t done, uint64_t size)>& progress = {});

// What is wrong with a reading that failed ("" when it did not).
std::string FileReadErrorText(const TFileRead& read);
