#include "model/event_history.h"

#include "core/civil_time.h"
#include "store/report_file.h"
#include "store/report_reader.h"

#include <algorithm>
#include <filesystem>

uint32_t TEventHistory::AddFile(const std::string& name) {
    FFiles.push_back(name);
    FFileStarts.push_back(FEntries.size());
    return static_cast<uint32_t>(FFiles.size() - 1);
}

uint32_t TEventHistory::TextId(std::string_view text) {
    // One reused key: no allocation for the texts already known (nearly all of them).
    std::string& key = FLookupKey;
    key.assign(text);
    const auto found = FTextIds.find(key);
    if (found != FTextIds.end()) {
        return found->second;
    }
    FTexts.push_back(key);
    const auto id = static_cast<uint32_t>(FTexts.size() - 1);
    FTextIds.emplace(key, id);
    return id;
}

void TEventHistory::AddLine(std::string_view line, uint32_t file, uint32_t lineNumber) {
    const TReportLine parsed = ParseReportLine(line);
    TEventEntry entry;
    switch (parsed.Kind) {
    case TReportLineKind::Event:
        entry.Kind = TEntryKind::Event;
        break;
    case TReportLineKind::Version:
        entry.Kind = TEntryKind::Version;
        break;
    case TReportLineKind::Note:
        entry.Kind = TEntryKind::Note;
        break;
    case TReportLineKind::Marker:
    case TReportLineKind::Blank:
        return;
    case TReportLineKind::Unreadable:
        AddUnreadable(line, file, lineNumber);
        return;
    }
    entry.PcTime = CivilSeconds(parsed.PcTime);
    entry.Id = parsed.Id;
    entry.PanelTime = parsed.PanelTime;
    entry.Text = TextId(parsed.Text);
    entry.Index = parsed.Index;
    entry.Code = parsed.Code;
    entry.Source = parsed.Source;
    FEntries.push_back(entry);
}

bool TEventHistory::HoldsWrittenLine(std::string_view line, std::size_t window) const {
    const TReportLine r = ParseReportLine(line);
    if (r.Kind != TReportLineKind::Event && r.Kind != TReportLineKind::Version &&
        r.Kind != TReportLineKind::Note) {
        return false;
    }
    const int64_t pcTime = CivilSeconds(r.PcTime);
    const auto matches = [&](const TEventEntry& e) {
        return e.PcTime == pcTime && e.Id == r.Id && e.PanelTime == r.PanelTime &&
               e.Index == r.Index && e.Code == r.Code && e.Source == r.Source &&
               FTexts[e.Text] == r.Text;
    };
    for (const int64_t day : {pcTime, pcTime + 86400}) {
        const std::string name =
            EventReportKind.FilePrefix + ReportDateText(CivilDateTime(day)) + ".txt";
        for (std::size_t file = 0; file < FFiles.size(); ++file) {
            if (FFiles[file] != name) {
                continue;
            }
            const std::size_t begin = FFileStarts[file];
            const std::size_t end =
                file + 1 < FFiles.size() ? FFileStarts[file + 1] : FEntries.size();
            for (std::size_t k = end; k > begin && end - k < window; --k) {
                if (matches(FEntries[k - 1])) {
                    return true;
                }
            }
        }
    }
    return false;
}

void TEventHistory::AddUnreadable(std::string_view line, uint32_t file, uint32_t lineNumber,
                                  std::size_t length) {
    ++FUnreadableCount;
    if (FUnreadable.size() < MaxUnreadableKept) {
        FUnreadable.push_back(TUnreadableLine{file, lineNumber,
                                              std::string(line.substr(0, UnreadableTextBytes)),
                                              std::max(length, line.size())});
    }
}

void TEventHistory::Append(const TEventHistory& later) {
    std::vector<uint32_t> texts(later.FTexts.size());
    for (std::size_t k = 0; k < texts.size(); ++k) {
        texts[k] = TextId(later.FTexts[k]);
    }
    const auto fileBase = static_cast<uint32_t>(FFiles.size());
    FFiles.insert(FFiles.end(), later.FFiles.begin(), later.FFiles.end());
    for (const std::size_t start : later.FFileStarts) {
        FFileStarts.push_back(FEntries.size() + start);
    }
    FEntries.reserve(FEntries.size() + later.FEntries.size());
    for (TEventEntry entry : later.FEntries) {
        entry.Text = texts[entry.Text];
        FEntries.push_back(entry);
    }
    for (TUnreadableLine line : later.FUnreadable) {
        if (FUnreadable.size() < MaxUnreadableKept) {
            line.File += fileBase;
            FUnreadable.push_back(std::move(line));
        }
    }
    FUnreadableCount += later.FUnreadableCount;
}

std::size_t TEventHistory::MemoryBytes() const {
    std::size_t bytes = FEntries.capacity() * sizeof(TEventEntry);
    for (const std::string& text : FTexts) {
        // Each text twice (the list and the index's key), plus the index's node and bucket.
        bytes += 2 * (sizeof(std::string) + text.capacity()) + 4 * sizeof(void*);
    }
    return bytes;
}

std::vector<std::string> EventReportFiles(const std::string& directory) {
    namespace fs = std::filesystem;
    const std::string prefix = EventReportKind.FilePrefix;
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& item :
         fs::directory_iterator(directory + "/" + EventReportKind.DirectoryName, error)) {
        const std::string name = item.path().filename().string();
        // "Kelm2_Udal_" + "yyyymmdd" + ".txt"
        if (name.size() == prefix.size() + 12 && name.starts_with(prefix) &&
            name.ends_with(".txt") &&
            std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end() - 4,
                        [](char c) { return c >= '0' && c <= '9'; })) {
            files.push_back(item.path().string());
        }
    }
    std::sort(files.begin(), files.end()); // the date in the name sorts them by day
    return files;
}

namespace {

// The lines of one file into the history.
class THistorySink : public ILineSink {
public:
    THistorySink(TEventHistory& history, uint32_t file) : FHistory(history), FFile(file) {}
    void Line(std::string_view kept, std::size_t length, bool ended) override {
        ++FLineNumber;
        if (ended && kept.size() == length) {
            FHistory.AddLine(kept, FFile, FLineNumber);
        } else {
            FHistory.AddUnreadable(kept, FFile, FLineNumber, length);
        }
    }

private:
    TEventHistory& FHistory;
    uint32_t FFile;
    uint32_t FLineNumber = 0;
};

} // namespace

void ReadReportBytes(TEventHistory& history, std::string_view bytes, uint32_t file) {
    THistorySink sink(history, file);
    ReadLines(bytes, sink);
}

TEventHistory LoadEventHistory(const std::string& directory,
                               const std::function<void(std::size_t, std::size_t)>& progress,
                               const std::atomic<bool>& stop) {
    TEventHistory history;
    const std::vector<std::string> files = EventReportFiles(directory);
    for (std::size_t k = 0; k < files.size() && !stop; ++k) {
        const uint32_t file = history.AddFile(std::filesystem::path(files[k]).filename().string());
        THistorySink sink(history, file);
        const TFileRead read = ReadFileLines(files[k], sink, stop);
        if (const std::string error = FileReadErrorText(read); !error.empty()) {
            history.AddUnreadable(error, file, 0);
        }
        if (progress) {
            progress(k + 1, files.size());
        }
    }
    return history;
}
