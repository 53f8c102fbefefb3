// The communication log on screen: over a long run it keeps the newest lines only, and it
// follows new lines however the window around it changes.

#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/error_display.h"
#include "ui/main_window.h"
#include "ui/memo_log.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
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

    // The error panel grows under the pages and the log above it shrinks: the log still shows
    // each new line, until the user scrolls back; then it stays where the user put it.
    void FollowsNewLinesWhenTheErrorPanelGrows() {
        TTempDir dir;
        WriteFileBytes(dir.Path() / "Kelm2.ini", "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\n");
        TForm1 form(dir.Path().string(), nullptr);
        form.resize(1012, form.minimumHeight() + 100);
        form.PageControl1->setCurrentWidget(form.TabSheet2);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QPlainTextEdit* memo = form.TabSheet2->Memo1;
        TMemoLog log(memo);
        QScrollBar* bar = memo->verticalScrollBar();
        for (int i = 0; i < 200; ++i) {
            log.AddLine("line " + std::to_string(i));
        }
        QCOMPARE(bar->value(), bar->maximum());
        QApplication::processEvents(); // the window at its size
        const int height = memo->height();
        for (int i = 0; i < 3; ++i) {
            form.Errors().Show(QStringLiteral("Failure %1").arg(i), QStringLiteral("detail"));
        }
        // The log shrinks under its last line (here the window too, so that the pages have no
        // spare room left for the panel to take first).
        form.resize(form.width(), form.minimumHeight());
        QTRY_VERIFY(memo->height() < height);
        log.AddLine("after the panel grew");
        QApplication::processEvents();
        QCOMPARE(bar->value(), bar->maximum());

        bar->setValue(bar->maximum() / 2); // the user reads back
        log.AddLine("one more");
        form.Errors().Show(QStringLiteral("Failure 4"));
        QApplication::processEvents();
        QVERIFY(bar->value() < bar->maximum());
    }
};

QTEST_MAIN(TMemoLogTest)
#include "memo_log_test.moc"
