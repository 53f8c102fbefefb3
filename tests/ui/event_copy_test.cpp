// End to end: the window copies the simulated panel's event log over a pseudo-terminal, one
// record per poll, into the event report and the communication log; a new window carries on
// where the last one stopped, and every panel keeps its own section in "Kelm2.ini".

#include "panel_sim_process.h"

#include "store/report_file.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/main_window.h"
#include "ui/status_page.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <memory>
#include <numeric>

namespace {

// Indices of the event lines in the report, in order.
std::vector<int> CopiedIndices(const std::filesystem::path& dir) {
    std::vector<int> indices;
    for (const std::string& line : EventReportLines(dir)) {
        if (int index = EventLineIndex(line); index >= 0) {
            indices.push_back(index);
        }
    }
    return indices;
}

std::vector<int> Range(int count) {
    std::vector<int> r(static_cast<std::size_t>(count));
    std::iota(r.begin(), r.end(), 0);
    return r;
}

// A window on the directory with the program's reports there, polling every 100 ms.
std::unique_ptr<TForm1> OpenWindow(const TTempDir& dir, TReports& reports) {
    auto form = std::make_unique<TForm1>(dir.Path().string(), &reports);
    form->show();
    form->TabSheet2->SpinEditRefresh->setValue(100);
    return form;
}

} // namespace

class TEventCopyTest : public QObject {
    Q_OBJECT

private slots:
    void CopiesTheBacklogInOrderPastAnImpossibleDateAndResumesInANewWindow() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        TPanelSimProcess panel(link, {"--slaves", "1", "--backlog", "12", "--impossible-date", "5",
                                      "--id", "00A1B2C3D400"});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TReports reports(dir.Path().string(), SystemClock());

        auto form = OpenWindow(dir, reports);
        QTRY_VERIFY_WITH_TIMEOUT(CopiedIndices(dir.Path()).size() >= 4, 15000);
        form->close(); // the close waits a second for late replies, then saves
        form.reset();
        const std::size_t copiedBefore = CopiedIndices(dir.Path()).size();

        form = OpenWindow(dir, reports);
        QTRY_COMPARE_WITH_TIMEOUT(CopiedIndices(dir.Path()), Range(12), 15000);
        const std::vector<std::string> lines = EventReportLines(dir.Path());
        const auto impossible = std::find_if(lines.begin(), lines.end(),
                                             [](auto& l) { return EventLineIndex(l) == 5; });
        QVERIFY(impossible->find(";t=") != std::string::npos);
        QVERIFY2(impossible->find(" 31.02.") != std::string::npos, impossible->c_str());
        // The second window's log shows what it copied, from where the first one stopped.
        const QString memo = form->TabSheet2->Memo1->toPlainText();
        QVERIFY(memo.contains(QStringLiteral("ind=%1;").arg(copiedBefore, 3)));
        QVERIFY(memo.contains(QStringLiteral("ind= 11;")));
        QVERIFY(!memo.contains(QStringLiteral("ind=  0;")));
        QCOMPARE(form->Master->EditKon()->text(), QStringLiteral("12"));
        QCOMPARE(form->Master->EditMax()->text(), QStringLiteral("500"));

        // "Software version": the panel's text in the log and, stamped, in the event report.
        form->TabSheet2->ButtonVerse->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            form->TabSheet2->Memo1->toPlainText().contains(QStringLiteral("Verse=V2.10 SIM")),
            5000);
        QVERIFY(EventReportLines(dir.Path()).back().ends_with(" ;V2.10 SIM"));

        form->close();
        form.reset();
        const std::string ini = ReadFileBytes(dir.Path() / "Kelm2.ini");
        QVERIFY2(ini.find("PocetZar=1\r\n") != std::string::npos, ini.c_str());
        QVERIFY2(ini.find("[Zar0]\r\nindex=12\r\nid=00A1B2C3D400\r\n") != std::string::npos,
                 ini.c_str());
    }

    void EachPanelKeepsItsOwnSectionAndItsProgress() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        WriteToolSettingsForLink(dir.Path(), link);
        TReports reports(dir.Path().string(), SystemClock());
        auto copyFrom = [&](const char* id, const char* backlog, int expectedTotal) {
            TPanelSimProcess panel(link, {"--slaves", "0", "--backlog", backlog, "--id", id});
            QVERIFY(panel.Started());
            auto form = OpenWindow(dir, reports);
            QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(CopiedIndices(dir.Path()).size()),
                                      expectedTotal, 15000);
            QTRY_COMPARE_WITH_TIMEOUT(form->Master->EditKon()->text(), QString::fromLatin1(backlog),
                                      5000);
            form->close();
        };
        copyFrom("0000000000AA", "3", 3);
        QVERIFY(!QTest::currentTestFailed());
        copyFrom("0000000000BB", "4", 7);
        QVERIFY(!QTest::currentTestFailed());
        // The first panel again, its log as before: nothing is copied twice.
        copyFrom("0000000000AA", "3", 7);
        QVERIFY(!QTest::currentTestFailed());

        QCOMPARE(CopiedIndices(dir.Path()), (std::vector<int>{0, 1, 2, 0, 1, 2, 3}));
        const std::string ini = ReadFileBytes(dir.Path() / "Kelm2.ini");
        QVERIFY2(ini.find("PocetZar=2\r\n") != std::string::npos, ini.c_str());
        QVERIFY2(ini.find("[Zar0]\r\nindex=3\r\nid=0000000000AA\r\n") != std::string::npos,
                 ini.c_str());
        QVERIFY2(ini.find("[Zar1]\r\nindex=4\r\nid=0000000000BB\r\n") != std::string::npos,
                 ini.c_str());
    }
};

QTEST_MAIN(TEventCopyTest)
#include "event_copy_test.moc"
