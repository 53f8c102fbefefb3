#pragma once
#include <string>

// The communication log on screen (Memo1) as the core sees it: a list of text lines. Texts are
// the panel's 8-bit bytes; the window decodes them for display.
class ICommLog {
public:
    // The most lines the log keeps over a long run; the oldest go first. The report files keep
    // everything.
    static constexpr int MaxLines = 10000;

    virtual ~ICommLog() = default;
    // Adds a line at the end. Only at MaxLines does an addition remove the oldest line.
    virtual void AddLine(const std::string& line) = 0;
    virtual int LineCount() const = 0;
    virtual void DeleteFirstLine() = 0;
    virtual void Clear() = 0;
};
