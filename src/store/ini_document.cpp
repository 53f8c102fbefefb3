#include "store/ini_document.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace {

constexpr std::string_view Blanks = " \t";

// A view into the text: a file is parsed line by line for every read, so nothing is copied that
// is not kept.
std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(Blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(Blanks);
    return text.substr(first, last - first + 1);
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names compare without regard to ASCII letter case; bytes above 0x7F compare as they are.
bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

// The name of a "[name]" line (a view into it); text after the ']' does not count.
std::optional<std::string_view> SectionOf(std::string_view line) {
    const std::string_view text = Trim(line);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    const auto close = text.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(text.substr(1, close - 1));
}

struct TKeyLine {
    std::string_view Key;   // a view into the line
    std::size_t ValueStart; // where the value begins, after '=' and its blanks
};

std::optional<TKeyLine> KeyOf(const std::string& line) {
    const auto first = line.find_first_not_of(Blanks);
    if (first == std::string::npos || line[first] == ';' || line[first] == '#' ||
        line[first] == '[') {
        return std::nullopt;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos) {
        return std::nullopt;
    }
    const std::string_view key = Trim(std::string_view(line).substr(0, equals));
    if (key.empty()) {
        return std::nullopt;
    }
    // An empty value starts right after '=', so that a new value does not land behind the
    // blanks that trailed the old, empty one.
    auto valueStart = line.find_first_not_of(Blanks, equals + 1);
    if (valueStart == std::string::npos) {
        valueStart = equals + 1;
    }
    return TKeyLine{key, valueStart};
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

} // namespace

TIniDocument::TIniDocument(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::size_t length = end - start;
        if (length > 0 && text[end - 1] == '\r') {
            --length;
        }
        FLines.push_back(text.substr(start, length));
        start = end + 1;
    }
}

std::optional<std::size_t> TIniDocument::FindKeyLine(const std::string& section,
                                                     const std::string& key) const {
    bool inSection = false;
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        if (auto name = SectionOf(FLines[i])) {
            inSection = SameName(*name, section);
        } else if (inSection) {
            auto keyLine = KeyOf(FLines[i]);
            if (keyLine && SameName(keyLine->Key, key)) {
                return i;
            }
        }
    }
    return std::nullopt;
}

std::optional<std::string> TIniDocument::Find(const std::string& section,
                                              const std::string& key) const {
    const auto at = FindKeyLine(section, key);
    if (!at) {
        return std::nullopt;
    }
    const std::string& line = FLines[*at];
    return std::string(Trim(std::string_view(line).substr(KeyOf(line)->ValueStart)));
}

std::unordered_map<std::string, std::string> TIniDocument::AllValues() const {
    std::unordered_map<std::string, std::string> values;
    std::optional<std::string_view> section; // keys above the first section belong to none
    for (const std::string& line : FLines) {
        if (auto name = SectionOf(line)) {
            section = name;
        } else if (section) {
            if (auto keyLine = KeyOf(line)) {
                // The first line of a key wins, as in Find.
                values.try_emplace(ValueKey(*section, keyLine->Key),
                                   Trim(std::string_view(line).substr(keyLine->ValueStart)));
            }
        }
    }
    return values;
}

std::vector<std::string> TIniDocument::SectionNames() const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen; // folded names
    for (const std::string& line : FLines) {
        auto name = SectionOf(line);
        if (name && seen.insert(ValueKey(*name, {})).second) {
            names.emplace_back(*name);
        }
    }
    return names;
}

std::string TIniDocument::ValueKey(std::string_view section, std::string_view key) {
    std::string folded;
    folded.reserve(section.size() + key.size() + 1);
    for (char c : section) {
        folded += FoldCase(c);
    }
    folded += '\n';
    for (char c : key) {
        folded += FoldCase(c);
    }
    return folded;
}

bool TIniDocument::HasSection(const std::string& section) const {
    return std::any_of(FLines.begin(), FLines.end(), [&](const std::string& line) {
        auto name = SectionOf(line);
        return name && SameName(*name, section);
    });
}

void TIniDocument::Set(const std::string& section, const std::string& key,
                       const std::string& value) {
    if (const auto at = FindKeyLine(section, key)) {
        std::string& line = FLines[*at];
        line = line.substr(0, KeyOf(line)->ValueStart) + value;
        return;
    }
    // A new key goes after the last key of the section's first block, so that blank lines and
    // comments in front of the next section stay with that section.
    std::optional<std::size_t> insertAt;
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        if (auto name = SectionOf(FLines[i])) {
            if (insertAt) {
                break;
            }
            if (SameName(*name, section)) {
                insertAt = i + 1;
            }
        } else if (insertAt && KeyOf(FLines[i])) {
            insertAt = i + 1;
        }
    }
    if (insertAt) {
        FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(*insertAt), key + "=" + value);
        return;
    }
    if (!FLines.empty() && !Trim(FLines.back()).empty()) {
        FLines.emplace_back();
    }
    FLines.push_back("[" + section + "]");
    FLines.push_back(key + "=" + value);
}

bool TIniDocument::CanHold(const std::string& section, const std::string& key,
                           const std::string& value) {
    if (HasLineBreakOrNul(section) || HasLineBreakOrNul(key) || HasLineBreakOrNul(value)) {
        return false;
    }
    const bool sectionFits =
        !section.empty() && Trim(section) == section && section.find(']') == std::string::npos;
    const bool keyFits = !key.empty() && Trim(key) == key && key.find('=') == std::string::npos &&
                         key.front() != ';' && key.front() != '#' && key.front() != '[';
    return sectionFits && keyFits;
}

std::string TIniDocument::Text() const {
    std::string text;
    for (const std::string& line : FLines) {
        text += line;
        text += "\r\n";
    }
    return text;
}
