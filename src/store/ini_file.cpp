#include "store/ini_file.h"

#include "core/errors.h"
#include "store/atomic_file.h"
#include "store/ini_document.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t MaxValueLength = 2047;

[[noreturn]] void RaiseWriteError(const std::string& fileName) {
    throw EOrvant("Unable to write to " + fileName);
}

// After a failed replacement: a file of another owner would have been taken from its user, so
// the message says whose it is; any other cause (a full disk, a read-only folder) is named as it
// is.
[[noreturn]] void RaiseReplaceError(const std::string& fileName) {
    const int error = errno;
    struct stat info {};
    if (error == EPERM && ::stat(fileName.c_str(), &info) == 0 && info.st_uid != ::geteuid()) {
        throw EOrvant("Unable to write to " + fileName + ": it belongs to user " +
                      std::to_string(info.st_uid) + " group " + std::to_string(info.st_gid) +
                      ", which this program (user " + std::to_string(::geteuid()) +
                      ") cannot keep");
    }
    if (error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO) {
        throw EOrvant("Unable to write to " + fileName + ": " + std::strerror(error));
    }
    RaiseWriteError(fileName);
}

// A file that is missing or cannot be read holds no values.
TIniDocument LoadForReading(const std::string& fileName) {
    std::string bytes;
    if (!ReadWholeFile(fileName, bytes)) {
        return {};
    }
    return TIniDocument(bytes);
}

// The whole text must convert, and the number must fit an int; otherwise there is no value.
std::optional<int> ConvertDigits(std::string_view digits, int base) {
    int value = 0;
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(digits.data(), end, value, base);
    if (result.ec != std::errc() || result.ptr != end) {
        return std::nullopt;
    }
    return value;
}

// Decimal with an optional sign, "$" + hexadecimal, or "0x"/"0X" + hexadecimal when the text
// has at least three characters. Hexadecimal takes no sign.
std::optional<int> ParseInteger(std::string_view text) {
    std::string_view hexDigits;
    if (text.size() >= 2 && text[0] == '$') {
        hexDigits = text.substr(1);
    } else if (text.size() >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hexDigits = text.substr(2);
    } else {
        if (text.size() >= 2 && text[0] == '+' && text[1] != '-') {
            text.remove_prefix(1);
        }
        return ConvertDigits(text, 10);
    }
    if (hexDigits.front() == '-') {
        return std::nullopt;
    }
    return ConvertDigits(hexDigits, 16);
}

} // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

TIniFile::~TIniFile() = default;

TIniValues::TIniValues(const std::string& fileBytes) {
    const TIniDocument document(fileBytes);
    FValues = document.AllValues();
    FSections = document.SectionNames();
}

std::string TIniValues::ReadString(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const {
    const auto found = FValues.find(TIniDocument::ValueKey(section, key));
    if (found == FValues.end()) {
        return defaultValue;
    }
    return found->second.substr(0, MaxValueLength);
}

int TIniValues::ReadInteger(const std::string& section, const std::string& key,
                            int defaultValue) const {
    const std::string text = ReadString(section, key, "");
    return ParseInteger(text).value_or(defaultValue);
}

bool TIniValues::ReadBool(const std::string& section, const std::string& key,
                          bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    auto value = LoadForReading(FFileName).Find(section, key);
    if (!value) {
        return defaultValue;
    }
    if (value->size() > MaxValueLength) {
        value->resize(MaxValueLength);
    }
    return *value;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key,
                          int defaultValue) const {
    const std::string text = ReadString(section, key, "");
    return ParseInteger(text).value_or(defaultValue);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key,
                        bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

TIniValues TIniFile::ReadAll() const {
    std::string bytes;
    if (!ReadWholeFile(FFileName, bytes)) {
        return {};
    }
    return TIniValues(bytes);
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    WriteStrings(section, {{key, value}});
}

void TIniFile::WriteStrings(const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& values) {
    for (const auto& [key, value] : values) {
        if (!TIniDocument::CanHold(section, key, value)) {
            RaiseWriteError(FFileName);
        }
    }
    // Read, changed and replaced as one step, one write at a time in the program: the event
    // copy saves its position off the main thread while the window may write other keys.
    static std::mutex oneWriteAtATime;
    const std::lock_guard lock(oneWriteAtATime);
    // Taken fresh from disk so that changes made by others since our last look are kept. An
    // existing file that cannot be read must not be replaced by one holding only these keys.
    std::string oldBytes;
    if (!ReadWholeFile(FFileName, oldBytes) && errno != ENOENT) {
        RaiseWriteError(FFileName);
    }
    TIniDocument document(oldBytes);
    for (const auto& [key, value] : values) {
        document.Set(section, key, value);
    }
    const std::string newBytes = document.Text();
    if (newBytes == oldBytes) {
        return; // already on disk exactly so
    }
    if (!ReplaceFileAtomically(FFileName, newBytes)) {
        RaiseReplaceError(FFileName);
    }
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::UpdateFile() {
    // Every write was flushed to disk, file and directory, before it returned.
}

bool TIniFile::SectionExists(const std::string& section) const {
    return LoadForReading(FFileName).HasSection(section);
}

std::optional<int> IniIntegerValue(std::string_view text) {
    return ParseInteger(text);
}
