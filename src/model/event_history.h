#pragma once
// Every record the tool ever copied: the event report files of all days read back, one entry per
// event, version and note line, in the order of the files (oldest day first) and of their lines,
// then the lines written since. Markers and blank lines hold nothing and are passed over; a line
// that does not read is kept aside with its file and line number and never stops the reading.
//
// Memory: an entry is 32 bytes; the texts are kept once each (event texts repeat), so a year of
// records costs little more than its entries. Of a line that does not read only its start is
// kept, and only of the first of them, so that a damaged or foreign file costs next to nothing.

#include "model/event_line_parser.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class TEntryKind : uint8_t { Event, Version, Note };

struct TEventEntry {
    int64_t PcTime = 0;     // civil seconds (civil_time.h) of the PC time: when it was copied
    uint64_t Id = 0;        // event and note; 0 for a version line
    uint32_t PanelTime = 0; // event: panel calendar seconds
    uint32_t Text = 0;      // index of the text (TEventHistory::Text)
    uint16_t Index = 0;     // event: the record's index in the panel's log
    uint8_t Code = 0;       // event: 0 to 45
    uint8_t Source = 0;     // event: high nibble "Zar", low nibble "Sm"
    TEntryKind Kind = TEntryKind::Event;
};

// A line that did not read: where it is, its start and its length.
struct TUnreadableLine {
    uint32_t File = 0;      // index into Files()
    uint32_t Line = 0;      // from 1; 0 for a line of this run that was read as it was written
    std::string Text;       // its first UnreadableTextBytes bytes
    std::size_t Length = 0; // of the whole line
};

inline constexpr std::size_t UnreadableTextBytes = 200;
// How many unreadable lines are kept with their text; the rest are only counted.
inline constexpr std::size_t MaxUnreadableKept = 1000;

class TEventHistory {
public:
    // Names a file (its name without directory); the result is the `file` of AddLine.
    uint32_t AddFile(const std::string& name);
    // Adds the line (without its line end) of that file at that line number. The lines of a
    // file are added before those of the next one.
    void AddLine(std::string_view line, uint32_t file, uint32_t lineNumber);
    // Marks a line as unreadable without parsing it (a last line cut short); `length` is the
    // whole line's when `line` is only its start.
    void AddUnreadable(std::string_view line, uint32_t file, uint32_t lineNumber,
                       std::size_t length = 0);
    // Whether a line the event report received while the files were read is in them already:
    // among the last `window` entries read from the day's file of its PC time (or from the
    // next day's, where a line stamped just before midnight lands), wherever that file stands
    // among the others.
    bool HoldsWrittenLine(std::string_view line, std::size_t window) const;
    // Appends the entries, texts, files and unreadable lines of a later part of the history.
    void Append(const TEventHistory& later);

    const std::vector<TEventEntry>& Entries() const { return FEntries; }
    const std::string& Text(uint32_t id) const { return FTexts[id]; }
    std::size_t TextCount() const { return FTexts.size(); }
    const std::vector<std::string>& Files() const { return FFiles; }
    // The first MaxUnreadableKept unreadable lines, and how many there are in all.
    const std::vector<TUnreadableLine>& Unreadable() const { return FUnreadable; }
    std::size_t UnreadableCount() const { return FUnreadableCount; }
    // Bytes held by the entries, the texts and their index (for the memory benchmark).
    std::size_t MemoryBytes() const;

private:
    uint32_t TextId(std::string_view text);

    std::vector<TEventEntry> FEntries;
    std::vector<std::string> FTexts;
    std::unordered_map<std::string, uint32_t> FTextIds;
    std::string FLookupKey;
    std::vector<std::string> FFiles;
    std::vector<std::size_t> FFileStarts; // of each file, its first entry
    std::vector<TUnreadableLine> FUnreadable;
    std::size_t FUnreadableCount = 0;
};

// The event report files under `directory` (the files directory): the report directory's files
// named as the event report names them, sorted by their date.
std::vector<std::string> EventReportFiles(const std::string& directory);

// Reads every event report file under `directory`, oldest first, each as far as it was when
// opened. progress(filesDone, filesTotal) is called after each file, from the reading thread.
// When `stop` becomes true the reading ends early with what it has (also within a file). A file
// that cannot be read, or is not a regular file, is listed as an unreadable line 0.
TEventHistory LoadEventHistory(const std::string& directory,
                               const std::function<void(std::size_t, std::size_t)>& progress,
                               const std::atomic<bool>& stop);

// Reads one file's bytes into the history: lines end at LF (a CR before it belongs to the line
// end); a last line without a line end was cut short while being written and is unreadable, as
// is a line longer than MaxKeptLineBytes.
void ReadReportBytes(TEventHistory& history, std::string_view bytes, uint32_t file);
