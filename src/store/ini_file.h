#pragma once
// The settings object: one reader and writer of an INI file ("ComPort.ini", "Kelm2.ini").
//
// Lines "[section]" open a section, lines "key=value" belong to the section above them; section
// and key names compare without regard to case. A missing file, section or key reads as the
// default. Every write reaches the file at once and keeps the file's other sections, keys,
// comments and order; a new key is appended to its section, a new section to the file. The file
// is replaced atomically (a temporary file beside it, flushed to disk, renamed over it), so on
// disk it is always the old or the new whole file. A write that fails raises EOrvant with
// "Unable to write to <file name>".
//
// Every read and every write takes the file as it is on disk at that moment, so changes that
// another program (or a technician's editor) makes while we run are seen and kept. A missing
// or unreadable file reads as all defaults. Lines are written ending CR LF; LF or CR LF are
// read. Blanks around names and values do not count; bytes are kept as they are.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The values of a settings file as they stood at one reading, for many reads at once (the
// device look-up reads a key of every device section). Reads follow the rules of TIniFile.
class TIniValues {
public:
    TIniValues() = default; // no values: every read gives its default
    explicit TIniValues(const std::string& fileBytes);

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
    // The section names, in order of first appearance, as written in the file.
    const std::vector<std::string>& SectionNames() const { return FSections; }

private:
    std::unordered_map<std::string, std::string> FValues;
    std::vector<std::string> FSections;
};

class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    ~TIniFile(); // flushes (every write is on disk already)

    const std::string& FileName() const { return FFileName; }

    // Values up to 2047 characters; longer values are cut there. The default is returned as
    // given when the section or key is missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, "$" hexadecimal, or "0x"/"0X" hexadecimal when the text has at least three
    // characters; any other text gives the default.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // Read as an integer (the default as 1 or 0); true when non-zero.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
    // The whole file as it is on disk now, read once.
    TIniValues ReadAll() const;

    // Raises EOrvant "Unable to write to <file name>" when the file cannot be replaced, when an
    // existing file cannot be read (writing would lose its other contents), and when the names
    // or the value cannot be stored as such: a line break or NUL anywhere, blanks around a
    // name, ']' in the section name, '=' in the key, a key starting with ';', '#' or '['.
    // Leading and trailing blanks of a value are not kept (they are trimmed on reading).
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Several keys of one section in one replacement of the file: on disk it holds all of them
    // or none. Raises as WriteString.
    void WriteStrings(const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& values);
    // Written in decimal.
    void WriteInteger(const std::string& section, const std::string& key, int value);
    // Written as "1" or "0".
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Makes sure every write so far is on disk. Each write already is when it returns, so
    // there is nothing left to do here; the call stays for the callers that flush by habit.
    void UpdateFile();

    bool SectionExists(const std::string& section) const;

private:
    std::string FFileName;
};

// An integer as the settings files hold one: decimal with an optional sign, "$" + hexadecimal, or
// "0x"/"0X" + hexadecimal when the text has at least three characters (hexadecimal takes no
// sign). The whole text must be the number and it must fit an int; otherwise there is none.
std::optional<int> IniIntegerValue(std::string_view text);
