#pragma once
// The text channel of the communication log: a text output stream whose sink is the memo. Text
// written to it is collected in a 128-byte write buffer, which is handed to the memo when it is
// full and at every line end (CR LF). A carriage return ends the line being assembled: when the
// memo already holds more than 500 lines its first line is deleted, then the line is added. Line
// feeds are discarded. A line is at most 128 characters; a longer one raises ERangeError.
//
// Only lines written through the channel are held to the 500-line rule; lines the writers add
// to the memo directly (ICommLog::AddLine) never remove anything.

#include "core/comm_log.h"

#include <array>
#include <cstddef>
#include <string>

class TCrtMemo {
public:
    static constexpr std::size_t BufferSize = 128;
    static constexpr std::size_t MaxLineLength = 128;
    static constexpr int MaxKeptLines = 500;

    // Binds the channel to a memo; the channel is closed afterwards. The memo must outlive the
    // binding.
    void AssignMemo(ICommLog& memo);
    // Opens the channel for output: the line being assembled is dropped; the memo is kept.
    // Raises EInOutError when no memo is bound.
    void Rewrite();
    // Hands what is buffered to the memo (a line without its end stays assembled) and closes
    // the channel. The memo is not touched otherwise.
    void Close();
    bool IsOpen() const { return FOpen; }

    // Writes text. Raises EInOutError when the channel is not open for output and ERangeError
    // when a line grows past 128 characters (that line is dropped).
    void Write(const std::string& text);
    // Writes text and the line end CR LF. Raises as Write.
    void WriteLine(const std::string& text);

private:
    void Put(char c);
    void HandOver();
    void Take(char c);

    ICommLog* FMemo = nullptr;
    bool FOpen = false;
    std::array<char, BufferSize> FBuffer{};
    std::size_t FBufferCount = 0;
    std::string FLine;
};

// The one channel of the program, bound to Memo1 for the whole run.
TCrtMemo& CommunicationChannel();

// Binds the program's channel to the memo, opens it and writes "Start Komunikace" and the
// separator line. Called once when the window is shown.
void StartCommunicationLog(ICommLog& memo);
// Writes the separator line (39 hyphens) through the program's channel.
void WriteSeparator();
