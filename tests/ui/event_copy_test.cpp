// End to end: the window copies the simulated panel's event log over a pseudo-terminal, one
// record per poll, into the event report and the communication log; a new window carries on
// where the last one stopped, and every panel keeps its own section in "Kelm2.ini".

#include "hung_run.h"
#include "panel_sim_process.h"

#include "store/report_file.h"
#include "temp_dir.h"
#include "ui/communication_page.h"
#include "ui/main_window.h"
#include "ui/status_page.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QtTest>

#include <map>
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

// The copy's note lines (stamped, never "ind=") that contain `text`.
int NotesSaying(const std::vector<std::string>& lines, const std::string& text) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
        return l.find("  event copy ID=") != std::string::npos && l.find(text) != std::string::npos;
    }));
}

std::vector<int> Range(int count) {
    std::vector<int> r(static_cast<std::size_t>(count));
    std::iota(r.begin(), r.end(), 0);
    return r;
}

// A record as the simulated panel logged it, told by its output ("event 7: TEXT (device 0,
// loop 1) at 13:45:30 17.05.2026"), and whether an event line of the report is that record: the
// same index, panel time, device and loop.
struct TLoggedRecord {
    int Index = 0;
    int Device = 0;
    int Loop = 0;
    std::string Time;

    bool IsLine(const std::string& line) const {
        char head[64];
        std::snprintf(head, sizeof head, ";Zar=%X;Sm=%X;", Device, Loop);
        return EventLineIndex(line) == Index &&
               line.find(";t=" + Time + ";") != std::string::npos &&
               line.find(head) != std::string::npos;
    }
};

struct TPanelLog {
    std::vector<TLoggedRecord> Logged; // every record ever written, in order
    std::map<int, TLoggedRecord> Held; // what the ring holds now, by index
};

TPanelLog PanelLog(const QString& output) {
    static const QRegularExpression eventLine(QStringLiteral(
        R"(event (\d+): .* \(device (\d+), loop (\d+)\) at (\d\d:\d\d:\d\d \d\d\.\d\d\.\d{4})$)"));
    TPanelLog log;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.contains(QStringLiteral("event log restarted"))) {
            log.Held.clear();
        }
        const QRegularExpressionMatch m = eventLine.match(line.trimmed());
        if (m.hasMatch()) {
            TLoggedRecord r{m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                            m.captured(4).toStdString()};
            log.Logged.push_back(r);
            log.Held[r.Index] = r;
        }
    }
    return log;
}

int LinesOf(const std::vector<std::string>& lines, const TLoggedRecord& record) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return record.IsLine(l); }));
}

// Records the panel holds (but slot `emptySlot`, which it answers empty) not yet in the report.
int MissingRecords(TPanelSimProcess& panel, const std::filesystem::path& dir, int emptySlot) {
    const TPanelLog log = PanelLog(panel.Output());
    const std::vector<std::string> lines = EventReportLines(dir);
    return static_cast<int>(std::count_if(log.Held.begin(), log.Held.end(), [&](const auto& held) {
        return held.first != emptySlot && LinesOf(lines, held.second) == 0;
    }));
}

// A window on the directory with the program's reports there, polling every 100 ms.
std::unique_ptr<TForm1> OpenWindow(const TTempDir& dir, TReports& reports) {
    auto form = std::make_unique<TForm1>(dir.Path().string(), &reports);
    form->show();
    form->TabSheet2->SpinEditRefresh->setValue(100);
    return form;
}

// A window on a simulated panel with this ID and backlog, open until the event report holds
// `expectedTotal` records and the panel's end index is shown.
void CopyFromPanel(const TTempDir& dir, TReports& reports, const char* id, const char* backlog,
                   int expectedTotal) {
    TPanelSimProcess panel(dir.Path() / "panel-link",
                           {"--slaves", "0", "--backlog", backlog, "--id", id});
    QVERIFY(panel.Started());
    auto form = OpenWindow(dir, reports);
    QTRY_COMPARE_WITH_TIMEOUT(static_cast<int>(CopiedIndices(dir.Path()).size()), expectedTotal,
                              HungRunMs);
    QTRY_COMPARE_WITH_TIMEOUT(form->Master->EditKon()->text(), QString::fromLatin1(backlog),
                              HungRunMs);
    form->close();
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
        QTRY_VERIFY_WITH_TIMEOUT(CopiedIndices(dir.Path()).size() >= 4, HungRunMs);
        form->close(); // the close waits a second for late replies, then saves
        form.reset();
        const std::size_t copiedBefore = CopiedIndices(dir.Path()).size();

        form = OpenWindow(dir, reports);
        QTRY_COMPARE_WITH_TIMEOUT(CopiedIndices(dir.Path()), Range(12), HungRunMs);
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
            HungRunMs);
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
            CopyFromPanel(dir, reports, id, backlog, expectedTotal);
        };
        copyFrom("0000000000AA", "3", 3);
        QVERIFY(!QTest::currentTestFailed());
        copyFrom("0000000000BB", "4", 7);
        QVERIFY(!QTest::currentTestFailed());
        // The first panel again, its log written anew (the simulator stamps its backlog with the
        // time of its start): the record copied last is read again, differs, and the new log is
        // copied from its start, with one note.
        copyFrom("0000000000AA", "3", 10);
        QVERIFY(!QTest::currentTestFailed());

        QCOMPARE(CopiedIndices(dir.Path()), (std::vector<int>{0, 1, 2, 0, 1, 2, 3, 0, 1, 2}));
        QCOMPARE(
            NotesSaying(EventReportLines(dir.Path()), "no longer holds the record copied last"), 1);
        const std::string ini = ReadFileBytes(dir.Path() / "Kelm2.ini");
        QVERIFY2(ini.find("PocetZar=2\r\n") != std::string::npos, ini.c_str());
        QVERIFY2(ini.find("[Zar0]\r\nindex=3\r\nid=0000000000AA\r\n") != std::string::npos,
                 ini.c_str());
        QVERIFY2(ini.find("[Zar1]\r\nindex=4\r\nid=0000000000BB\r\n") != std::string::npos,
                 ini.c_str());
    }

    // A panel whose log restarted (or a board replaced under the same ID): the stored index is
    // past its records, or past its whole ring. The copy starts again at the oldest record and
    // never writes the empty slots beyond them.
    void AStoredIndexOutsideThePanelsLogStartsAgainAtItsOldestRecord() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        WriteToolSettingsForLink(dir.Path(), link);
        WriteFileBytes(dir.Path() / "Kelm2.ini",
                       "[General]\r\nUDP=0\r\nIP=127.0.0.1\r\nPocetZar=2\r\n[Zar0]\r\nindex=35\r\n"
                       "id=0000000000AA\r\n[Zar1]\r\nindex=600\r\nid=0000000000BB\r\n");
        TReports reports(dir.Path().string(), SystemClock());
        auto copyFrom = [&](const char* id, const char* backlog, int expectedTotal) {
            CopyFromPanel(dir, reports, id, backlog, expectedTotal);
        };
        copyFrom("0000000000AA", "30", 30);
        QVERIFY(!QTest::currentTestFailed());
        copyFrom("0000000000BB", "4", 34);
        QVERIFY(!QTest::currentTestFailed());

        std::vector<int> expected = Range(30);
        const std::vector<int> second = Range(4);
        expected.insert(expected.end(), second.begin(), second.end());
        QCOMPARE(CopiedIndices(dir.Path()), expected);
        const std::vector<std::string> lines = EventReportLines(dir.Path());
        QCOMPARE(NotesSaying(lines, "stored index 35 is not in the panel's log (records 0 to 29 "
                                    "of a ring of 500)"),
                 1);
        QCOMPARE(NotesSaying(lines, "stored index 600 is not in the panel's log"), 1);
        for (const std::string& line : lines) {
            QVERIFY2(line.find("ID=000000000000") == std::string::npos, line.c_str());
        }
        const std::string ini = ReadFileBytes(dir.Path() / "Kelm2.ini");
        QVERIFY2(ini.find("[Zar0]\r\nindex=30\r\n") != std::string::npos, ini.c_str());
        QVERIFY2(ini.find("[Zar1]\r\nindex=4\r\n") != std::string::npos, ini.c_str());
    }

    // Replies later than the poll interval (a slow link, a busy panel), and one record the
    // panel never sends: each record is written once; the lost one becomes a hole, kept in the
    // section and asked for again, never passed for good while the panel holds it.
    void ASlowLinkWritesEachRecordOnceAndALostRecordStaysAHole() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        TPanelSimProcess panel(link, {"--slaves", "0", "--backlog", "10", "--reply-delay", "350",
                                      "--lose-record", "6"});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TReports reports(dir.Path().string(), SystemClock());
        auto form = OpenWindow(dir, reports);

        QTRY_COMPARE_WITH_TIMEOUT(CopiedIndices(dir.Path()),
                                  (std::vector<int>{0, 1, 2, 3, 4, 5, 7, 8, 9}), HungRunMs);
        QTRY_VERIFY_WITH_TIMEOUT(form->Master->EditKon()->text() == QStringLiteral("10"),
                                 HungRunMs);
        QTest::qWait(1500); // late replies still on their way change nothing
        form->close();
        form.reset();
        QCOMPARE(CopiedIndices(dir.Path()), (std::vector<int>{0, 1, 2, 3, 4, 5, 7, 8, 9}));
        QCOMPARE(NotesSaying(EventReportLines(dir.Path()), "record 6"), 0);
        const std::string ini = ReadFileBytes(dir.Path() / "Kelm2.ini");
        QVERIFY2(ini.find("[Zar0]\r\nindex=10\r\n") != std::string::npos, ini.c_str());
        QVERIFY2(ini.find("diry=6\r\n") != std::string::npos, ini.c_str());
    }

    // The field at its worst, through the real program: a link that answers 'G' only every third
    // time, repeats every fourth reply and holds every fifth back behind the next one; a slot
    // the panel answers empty; and, while the copy runs, the log cleared and refilled at once
    // past the index the tool stored. Every record the panel holds ends up in the event report
    // exactly once; none of the old log is written twice, and nothing the panel never held.
    void ALossyLinkAnEmptySlotAndARefilledLogStillGiveEveryRecordOnce() {
        TTempDir dir;
        const auto link = dir.Path() / "panel-link";
        const auto scenario = dir.Path() / "refill.scenario";
        WriteFileBytes(scenario, "# the log cleared and refilled between two looks of the tool\n"
                                 "15 log-refill 10\n");
        constexpr int EmptySlot = 3;
        TPanelSimProcess panel(link, {"--slaves", "0", "--backlog", "6", "--empty-slot", "3",
                                      "--answer-g-every", "3", "--duplicate-every", "4",
                                      "--hold-back-every", "5", "--scenario",
                                      QString::fromStdString(scenario.string())});
        QVERIFY(panel.Started());
        WriteToolSettingsForLink(dir.Path(), link);
        TReports reports(dir.Path().string(), SystemClock());
        auto form = OpenWindow(dir, reports);

        QTRY_VERIFY_WITH_TIMEOUT(panel.Output().contains(QStringLiteral("event log restarted")),
                                 HungRunMs);
        // A link that answers one request in three takes seconds a record: a limit that only ends a
        // hung run, five times the usual one.
        QTRY_COMPARE_WITH_TIMEOUT(MissingRecords(panel, dir.Path(), EmptySlot), 0, 5 * HungRunMs);
        QTRY_COMPARE_WITH_TIMEOUT(form->Master->EditKon()->text(), QStringLiteral("10"), HungRunMs);
        form->close(); // the close waits a second for late replies, then saves
        form.reset();

        const TPanelLog log = PanelLog(panel.Output());
        QCOMPARE(static_cast<int>(log.Held.size()), 10);
        const std::vector<std::string> lines = EventReportLines(dir.Path());
        for (const auto& [index, record] : log.Held) {
            QCOMPARE(LinesOf(lines, record), index == EmptySlot ? 0 : 1);
        }
        for (const TLoggedRecord& record : log.Logged) {
            QVERIFY2(LinesOf(lines, record) <= 1, record.Time.c_str());
        }
        for (const std::string& line : lines) {
            if (EventLineIndex(line) >= 0) {
                QVERIFY2(EventLineIndex(line) != EmptySlot, line.c_str());
                QVERIFY2(std::any_of(log.Logged.begin(), log.Logged.end(),
                                     [&](const TLoggedRecord& r) { return r.IsLine(line); }),
                         line.c_str());
            }
        }
    }
};

QTEST_MAIN(TEventCopyTest)
#include "event_copy_test.moc"
