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

#include <string>

class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    ~TIniFile(); // flushes

    const std::string& FileName() const { return FFileName; }

    // Values up to 2047 characters; longer values are cut there.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Decimal, "$" hexadecimal, or "0x"/"0X" hexadecimal when the text has at least three
    // characters; any other text gives the default.
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // Read as an integer (the default as 1 or 0); true when non-zero.
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Written in decimal.
    void WriteInteger(const std::string& section, const std::string& key, int value);
    // Written as "1" or "0".
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Makes sure every write so far is on disk.
    void UpdateFile();

    bool SectionExists(const std::string& section) const;

private:
    std::string FFileName;
};
