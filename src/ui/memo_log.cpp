#include "ui/memo_log.h"
#include "ui/panel_text.h"

#include <algorithm>
#include <memory>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

TMemoLog::TMemoLog(QPlainTextEdit* memo) : FMemo(memo) {
    // The memo itself drops its first lines beyond the limit, cheaply, as lines come.
    FMemo->setMaximumBlockCount(MaxLines);
    // A log is never edited back: an undo history would keep every line ever added.
    FMemo->setUndoRedoEnabled(false);
    FLineCount = FMemo->document()->isEmpty() ? 0 : FMemo->document()->blockCount();
    // The log follows its newest line until the user scrolls back, also when the memo shrinks
    // (the error panel grows beneath the pages) or its lines wrap anew: a range that changes
    // under a log at its end keeps it at the end.
    QScrollBar* bar = FMemo->verticalScrollBar();
    auto following = std::make_shared<bool>(true);
    QObject::connect(bar, &QScrollBar::valueChanged, FMemo,
                     [bar, following](int value) { *following = value >= bar->maximum(); });
    QObject::connect(bar, &QScrollBar::rangeChanged, FMemo, [bar, following](int, int maximum) {
        if (*following) {
            bar->setValue(maximum);
        }
    });
}

void TMemoLog::AddLine(const std::string& line) {
    FMemo->appendPlainText(DecodePanelText(line));
    FLineCount = std::min(FLineCount + 1, MaxLines);
}

void TMemoLog::DeleteFirstLine() {
    if (FLineCount == 0) {
        return;
    }
    QTextCursor cursor(FMemo->document()->firstBlock());
    if (FLineCount == 1) {
        FMemo->clear();
    } else {
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    --FLineCount;
}

void TMemoLog::Clear() {
    FMemo->clear();
    FLineCount = 0;
}
