#pragma once
// The communication log on screen: Memo1, a fixed-pitch text area that the core writes through
// its communication-log interface. Lines are the panel's 8-bit texts, shown as Windows-1250.
// It follows the newest line until the user scrolls back, however its size changes.

#include "core/comm_log.h"

class QPlainTextEdit;

class TMemoLog : public ICommLog {
public:
    explicit TMemoLog(QPlainTextEdit* memo);

    void AddLine(const std::string& line) override;
    int LineCount() const override { return FLineCount; }
    void DeleteFirstLine() override;
    void Clear() override;

private:
    QPlainTextEdit* FMemo;
    int FLineCount = 0;
};
