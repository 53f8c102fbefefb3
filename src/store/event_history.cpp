#include "store/event_history.h"

#include "core/civil_time.h"
#include "store/report_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

uint32_t TEventHistory::AddFile(const std::string& name) {
    FFiles.push_back(name);
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

bool TEventHistory::HoldsLine(std::string_view line, std::size_t end, std::size_t window) const {
    const TReportLine r = ParseReportLine(line);
    const int64_t pcTime = CivilSeconds(r.PcTime);
    for (std::size_t k = end; k > 0 && end - k < window; --k) {
        const TEventEntry& e = FEntries[k - 1];
        if (e.PcTime == pcTime && e.Id == r.Id && e.PanelTime == r.PanelTime &&
            e.Index == r.Index && e.Code == r.Code && e.Source == r.Source &&
            FTexts[e.Text] == r.Text) {
            return true;
        }
    }
    return false;
}

void TEventHistory::AddUnreadable(std::string_view line, uint32_t file, uint32_t lineNumber) {
    FUnreadable.push_back(TUnreadableLine{file, lineNumber, std::string(line)});
}

void TEventHistory::Append(const TEventHistory& later) {
    std::vector<uint32_t> texts(later.FTexts.size());
    for (std::size_t k = 0; k < texts.size(); ++k) {
        texts[k] = TextId(later.FTexts[k]);
    }
    const auto fileBase = static_cast<uint32_t>(FFiles.size());
    FFiles.insert(FFiles.end(), later.FFiles.begin(), later.FFiles.end());
    FEntries.reserve(FEntries.size() + later.FEntries.size());
    for (TEventEntry entry : later.FEntries) {
        entry.Text = texts[entry.Text];
        FEntries.push_back(entry);
    }
    for (TUnreadableLine line : later.FUnreadable) {
        line.File += fileBase;
        FUnreadable.push_back(std::move(line));
    }
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

void ReadReportBytes(TEventHistory& history, std::string_view bytes, uint32_t file) {
    uint32_t lineNumber = 0;
    while (!bytes.empty()) {
        ++lineNumber;
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos) {
            history.AddUnreadable(bytes, file, lineNumber);
            return;
        }
        std::string_view line = bytes.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        history.AddLine(line, file, lineNumber);
        bytes.remove_prefix(end + 1);
    }
}

namespace {

// The whole file; the errno when it cannot be read, else 0.
int ReadWholeFile(const std::string& path, std::string& bytes) {
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle < 0) {
        return errno;
    }
    bytes.clear();
    char buffer[1 << 16];
    ssize_t count;
    while ((count = ::read(handle, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    const int error = count == 0 ? 0 : errno;
    ::close(handle);
    return error;
}

} // namespace

TEventHistory LoadEventHistory(const std::string& directory,
                               const std::function<void(std::size_t, std::size_t)>& progress,
                               const std::atomic<bool>& stop) {
    TEventHistory history;
    const std::vector<std::string> files = EventReportFiles(directory);
    std::string bytes;
    for (std::size_t k = 0; k < files.size() && !stop; ++k) {
        const uint32_t file = history.AddFile(std::filesystem::path(files[k]).filename().string());
        if (const int error = ReadWholeFile(files[k], bytes); error == 0) {
            ReadReportBytes(history, bytes, file);
        } else {
            history.AddUnreadable(std::strerror(error), file, 0);
        }
        if (progress) {
            progress(k + 1, files.size());
        }
    }
    return history;
}
