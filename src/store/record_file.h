#pragma once
// "Zaznam.BIN": a file of 80-byte records beside the executable, held open for reading and
// writing while the window exists. The tool itself never reads or writes a record; it keeps the
// file open so that it exists and stays positioned for whoever appends the next record.
//
// Open positions the file after its last whole record. A trailing part-record is kept as it is:
// nothing is ever truncated, so a file that another program wrote keeps every byte.

#include <cstdint>
#include <string>

inline constexpr const char* RecordFileName = "Zaznam.BIN";

class TRecordFile {
public:
    static constexpr int64_t RecordSize = 80;

    TRecordFile() = default;
    ~TRecordFile(); // closes without raising
    TRecordFile(const TRecordFile&) = delete;
    TRecordFile& operator=(const TRecordFile&) = delete;

    // Opens an existing file for reading and writing, or creates it empty, and positions it
    // after its last whole record. Raises EInOutError (the system's error number and the file
    // name) when it cannot be opened, created or positioned; the file is then not open.
    void Open(const std::string& fileName);
    bool IsOpen() const { return FHandle >= 0; }
    // The byte offset the file is positioned at (a multiple of RecordSize). Raises EInOutError
    // when the file is not open or the system cannot tell.
    int64_t Position() const;
    // Closes the file; nothing happens when it is not open. Raises EInOutError when the system
    // reports an error on closing (the file counts as closed all the same).
    void Close();

private:
    int FHandle = -1;
    std::string FFileName;
};
