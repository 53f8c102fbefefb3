// The communication log on screen over a long run: it keeps the newest lines only.

#include "ui/memo_log.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QtTest>

class TMemoLogTest : public QObject {
    Q_OBJECT

private slots:
    void KeepsTheNewestTenThousandLines() {
        QPlainTextEdit memo;
        TMemoLog log(&memo);
        const int extra = 5;
        for (int i = 0; i < ICommLog::MaxLines + extra; ++i) {
            log.AddLine("line " + std::to_string(i));
        }
        QCOMPARE(log.LineCount(), ICommLog::MaxLines);
        QCOMPARE(memo.document()->blockCount(), ICommLog::MaxLines);
        QCOMPARE(memo.document()->firstBlock().text(), QStringLiteral("line 5"));
        QCOMPARE(memo.document()->lastBlock().text(),
                 QStringLiteral("line %1").arg(ICommLog::MaxLines + extra - 1));

        log.DeleteFirstLine();
        QCOMPARE(log.LineCount(), ICommLog::MaxLines - 1);
        QCOMPARE(memo.document()->firstBlock().text(), QStringLiteral("line 6"));
    }
};

QTEST_MAIN(TMemoLogTest)
#include "memo_log_test.moc"
