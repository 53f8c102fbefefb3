#include "store/crt_memo.h"

#include "core/errors.h"

#include <cerrno>

namespace {

const char* const StartText = "Start Komunikace";
const char* const SeparatorText = "---------------------------------------";

} // namespace

void TCrtMemo::AssignMemo(ICommLog& memo) {
    FOpen = false;
    FBufferCount = 0;
    FMemo = &memo;
}

void TCrtMemo::Rewrite() {
    if (FMemo == nullptr) {
        throw EInOutError(EBADF, "");
    }
    FBufferCount = 0;
    FLine.clear();
    FOpen = true;
}

void TCrtMemo::Close() {
    if (FOpen) {
        HandOver();
    }
    FOpen = false;
}

void TCrtMemo::Write(const std::string& text) {
    if (!FOpen) {
        throw EInOutError(EBADF, "");
    }
    for (const char c : text) {
        Put(c);
    }
}

void TCrtMemo::WriteLine(const std::string& text) {
    Write(text);
    Put('\r');
    Put('\n');
    HandOver(); // every line end reaches the memo at once
}

void TCrtMemo::Put(char c) {
    FBuffer[FBufferCount++] = c;
    if (FBufferCount == FBuffer.size()) {
        HandOver();
    }
}

void TCrtMemo::HandOver() {
    const std::size_t count = FBufferCount;
    FBufferCount = 0; // emptied first, so an overlong line leaves no rest behind
    for (std::size_t i = 0; i < count; ++i) {
        Take(FBuffer[i]);
    }
}

void TCrtMemo::Take(char c) {
    if (c == '\r') {
        if (FMemo->LineCount() > MaxKeptLines) {
            FMemo->DeleteFirstLine();
        }
        FMemo->AddLine(FLine);
        FLine.clear();
        return;
    }
    // A line feed is the second half of a line end, even when a full buffer split it from its
    // carriage return; it never becomes part of the next line.
    if (c == '\n') {
        return;
    }
    if (FLine.size() >= MaxLineLength) {
        FLine.clear();
        throw ERangeError();
    }
    FLine.push_back(c);
}

TCrtMemo& CommunicationChannel() {
    static TCrtMemo channel;
    return channel;
}

void StartCommunicationLog(ICommLog& memo) {
    TCrtMemo& channel = CommunicationChannel();
    channel.AssignMemo(memo);
    channel.Rewrite();
    channel.WriteLine(StartText);
    WriteSeparator();
}

void WriteSeparator() {
    CommunicationChannel().WriteLine(SeparatorText);
}
