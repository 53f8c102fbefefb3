// Throws arbitrary settings files at the INI reader and writer, and arbitrary texts at the
// integer reading of a value.
//
// The input is taken apart with the fuzzer's data provider: a file text, two (section, key)
// pairs, a value. For every input:
//   - the document, written out and read back, writes out the same bytes (what a write leaves on
//     disk reads back as it was);
//   - setting a value that the syntax can hold makes that value (trimmed) the one read back,
//     after a write to disk and a fresh read, and leaves the value of any other key as it was;
//   - the value, read as an integer, is either nothing or a number whose decimal text reads back
//     as the same number.

#include "store/ini_document.h"
#include "store/ini_file.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckIntegerReading(const std::string& text) {
    const std::optional<int> value = IniIntegerValue(text);
    if (value) {
        Require(IniIntegerValue(std::to_string(*value)) == value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string otherSection = input.ConsumeRandomLengthString(24);
    const std::string otherKey = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(64);
    const std::string fileText = input.ConsumeRemainingBytesAsString();

    const TIniDocument document(fileText);
    const std::string written = document.Text();
    Require(TIniDocument(written).Text() == written);
    CheckIntegerReading(value);
    if (const auto stored = document.Find(section, key)) {
        CheckIntegerReading(*stored);
    }

    if (!TIniDocument::CanHold(section, key, value)) {
        return 0;
    }
    const std::optional<std::string> otherBefore =
        TIniDocument(written).Find(otherSection, otherKey);
    TIniDocument changed(written);
    changed.Set(section, key, value);
    const TIniDocument reread(changed.Text());
    Require(reread.Find(section, key) == Trimmed(value));
    Require(reread.HasSection(section));
    const bool sameKey = SameName(section, otherSection) && SameName(key, otherKey);
    if (!sameKey) {
        Require(reread.Find(otherSection, otherKey) == otherBefore);
    }
    return 0;
}
