#pragma once
// The text of an INI file held as its lines, looked up and edited by section and key.
//
// Lines "[name]" open a section; lines "key=value" belong to the section above them; every
// other line (blank lines, comments starting with ';' or '#', lines without '=') is kept as it
// is but holds no value. Section and key names compare without regard to ASCII letter case;
// blanks (spaces and tabs) around names and values do not count. Bytes are kept as they are.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TIniDocument {
public:
    TIniDocument() = default;
    // Splits the text into lines at LF; a CR right before the LF belongs to the line end.
    explicit TIniDocument(const std::string& text);

    // The value of the first line of that key in that section, blanks trimmed; nothing when the
    // section or key is missing. Several blocks of the same section count as one section.
    std::optional<std::string> Find(const std::string& section, const std::string& key) const;

    bool HasSection(const std::string& section) const;

    // Every value at once, each as Find gives it, keyed by ValueKey(section, key); and the
    // section names in order of first appearance, as written. For many reads of one text.
    std::unordered_map<std::string, std::string> AllValues() const;
    std::vector<std::string> SectionNames() const;
    // The key under which AllValues holds a value: both names folded to lower case (ASCII
    // letters only), joined by a line break, which no name can hold.
    static std::string ValueKey(std::string_view section, std::string_view key);

    // Gives the key its value: the first existing line of the key gets the new value (what
    // stands before the value stays); a new key goes after the last key of the section's first
    // block; a new section goes to the end, after a blank line. The caller checks first with
    // CanHold that the names and the value fit the syntax.
    void Set(const std::string& section, const std::string& key, const std::string& value);

    // True when the names and the value can be written and read back as the same names and
    // value (trimmed): no line breaks or NUL anywhere, no blanks around the names, a section
    // name without ']', a key without '=' that does not look like a section or a comment.
    static bool CanHold(const std::string& section, const std::string& key,
                        const std::string& value);

    // The lines, each ended with CR LF.
    std::string Text() const;

private:
    // Index of the line holding the key's value, if any.
    std::optional<std::size_t> FindKeyLine(const std::string& section,
                                           const std::string& key) const;
    std::vector<std::string> FLines;
};
