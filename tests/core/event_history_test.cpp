// Reading the event report back: files written by the tool's own report writer, the filters and
// counts of the "Events" page, its CSV export read back, and the installations list.

#include "model/event_history.h"

#include "core/civil_time.h"
#include "model/event_csv.h"
#include "model/event_filter.h"
#include "model/event_record.h"
#include "model/installation_registry.h"
#include "model/installations.h"
#include "model/version_decoder.h"
#include "store/report_file.h"

#include "fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

constexpr uint64_t IdA = 0x00A1B2C3D400;
constexpr uint64_t IdB = 0x0000000000BB;

// A record with the panel time of that day and time (the panel calendar's 31-day months).
TEventRecord Record(uint16_t index, uint64_t id, uint8_t code, uint8_t source, int day, int hour) {
    const uint32_t time = ((((2026 - 2000) * 12 + 11) * 31 + (day - 1)) * 24 + hour) * 3600;
    return TEventRecord{index, id, code, source, time};
}

// Two days of a run written by the report writer, the second day's file ending in a line cut
// short by a crash.
class EventHistoryFiles : public ::testing::Test {
protected:
    void SetUp() override {
        TReportFile report(EventReportKind, Dir.Path().string(), Clock);
        Clock.Time = At(2026, 12, 6, 23, 59, 0);
        report.StartReport();
        report.WriteReportLine(EventLine(Record(5, IdA, 8, 0x12, 6, 23), Clock.Now()));
        report.WriteReportLine(VersionStamp(Clock.Now()) + "V2.10 \x8A\xE8");
        report.WriteReportLine(ReportTimeStamp(Clock.Now()) +
                               "  event copy ID=00A1B2C3D400: record 6 not delivered");
        report.WriteReportLine("ind=  7;tPC=garbage");
        Clock.Time = At(2026, 12, 7, 0, 0, 30); // the next write changes the day
        report.WriteReportLine(EventLine(Record(12345, IdB, 45, 0xF3, 7, 0), Clock.Now()));
        report.WriteReportLine(EventLine(Record(7, IdA, 29, 0x10, 7, 0), Clock.Now()));
        report.FinishReport();
        const auto second = Dir.Path() / "ReportUdal/Kelm2_Udal_20261207.txt";
        // Cut inside its text: what is there would read as a whole line.
        Torn = EventLine(Record(8, IdA, 8, 0x10, 7, 0), Clock.Now()).substr(0, 100);
        WriteFileBytes(second, ReadFileBytes(second) + Torn);
        WriteFileBytes(Dir.Path() / "ReportUdal/notes.txt", "not a report\r\n");
    }
    TEventHistory Load() {
        std::atomic<bool> stop{false};
        return LoadEventHistory(Dir.Path().string(), nullptr, stop);
    }
    TTempDir Dir;
    TFakeClock Clock;
    std::string Torn;
};

TEST_F(EventHistoryFiles, ReadsEveryLineOfEveryDayAndListsWhatDoesNotRead) {
    const TEventHistory history = Load();
    ASSERT_EQ(history.Files(),
              (std::vector<std::string>{"Kelm2_Udal_20261206.txt", "Kelm2_Udal_20261207.txt"}));
    const auto& e = history.Entries();
    ASSERT_EQ(e.size(), 5u); // markers hold nothing
    EXPECT_EQ(e[0].Kind, TEntryKind::Event);
    EXPECT_EQ(e[0].Index, 5);
    EXPECT_EQ(e[0].Id, IdA);
    EXPECT_EQ(e[0].Source, 0x12);
    EXPECT_EQ(e[0].Code, 8);
    EXPECT_EQ(e[0].PanelTime, Record(5, IdA, 8, 0x12, 6, 23).Time);
    EXPECT_EQ(e[0].PcTime, CivilSeconds(At(2026, 12, 6, 23, 59, 0)));
    EXPECT_EQ(history.Text(e[0].Text), "Poplach na smycce");
    EXPECT_EQ(e[1].Kind, TEntryKind::Version);
    EXPECT_EQ(history.Text(e[1].Text), "V2.10 \x8A\xE8"); // the panel's bytes as they are
    EXPECT_EQ(e[1].PcTime, CivilSeconds(At(2026, 12, 6, 23, 59, 0)));
    EXPECT_EQ(e[2].Kind, TEntryKind::Note);
    EXPECT_EQ(e[2].Id, IdA);
    EXPECT_EQ(history.Text(e[2].Text), "record 6 not delivered");
    EXPECT_EQ(e[3].Index, 12345);
    EXPECT_EQ(e[3].Source, 0xF3);
    EXPECT_EQ(history.Text(e[3].Text), "Tlak OK");
    EXPECT_EQ(e[4].PcTime, CivilSeconds(At(2026, 12, 7, 0, 0, 30)));
    ASSERT_EQ(history.Unreadable().size(), 2u);
    EXPECT_EQ(history.Unreadable()[0].File, 0u);
    EXPECT_EQ(history.Unreadable()[0].Line, 5u); // after the start marker and three lines
    EXPECT_EQ(history.Unreadable()[1].File, 1u);
    EXPECT_EQ(history.Unreadable()[1].Line, 5u); // day start, two events, end marker, torn line
    EXPECT_EQ(history.Unreadable()[1].Text, Torn);
    // A line written while the files were read, found among the last entries of its day's file.
    EXPECT_TRUE(
        history.HoldsWrittenLine(EventLine(Record(12345, IdB, 45, 0xF3, 7, 0), Clock.Now()), 2));
    EXPECT_FALSE(
        history.HoldsWrittenLine(EventLine(Record(12345, IdB, 45, 0xF3, 7, 0), Clock.Now()), 1));
    EXPECT_FALSE(
        history.HoldsWrittenLine(EventLine(Record(12346, IdB, 45, 0xF3, 7, 0), Clock.Now()), 5));
}

TEST(EventLineParser, ReadsBackWhatEventLineWritesAtTheEdges) {
    const TDateTime pc = At(2010, 12, 5, 14, 3, 22);
    for (const TEventRecord record :
         {TEventRecord{0, 0, 0, 0, 0}, TEventRecord{42, 0xFFFFFFFFFFFF, 46, 0xFF, 4294967295u},
          TEventRecord{1234, 1, 39, 0x0A, 5270400} /* 31 Feb */}) {
        const std::string line = EventLine(record, pc);
        const TReportLine r = ParseReportLine(line);
        ASSERT_EQ(r.Kind, TReportLineKind::Event) << line;
        EXPECT_EQ(r.Index, record.Index);
        EXPECT_EQ(r.Id, record.Id);
        EXPECT_EQ(r.Code, ShownEventCode(record.Code));
        EXPECT_EQ(r.Source, record.Source);
        EXPECT_EQ(r.PanelTime, record.Time);
        EXPECT_EQ(r.Text, EventTexts[ShownEventCode(record.Code)]);
    }
    for (const char* torn : {"ind=5;tPC=14:03:22 05.12.2010;t=13:58:01 05.12.2010;ID="
                             "060504030201;Zar=1;Sm=2;Ud=08;x",
                             "ind=  5;tPC=14:03:22 05.12.2010;t=13:58:01 05.12.2010;ID="
                             "060504030201;Zar=1;Sm=2;Ud=2E;x",
                             "ind=  5;tPC=14:03:22 05.12.2010;t=13:58:01 05.12.2010;ID="
                             "06050403020;Zar=1;Sm=2;Ud=08;x",
                             "05.12.10 14:03:22  ******* Rep Start", "14.03.22 05.12.2010;V"}) {
        EXPECT_EQ(ParseReportLine(torn).Kind, TReportLineKind::Unreadable) << torn;
    }
}

TEST_F(EventHistoryFiles, FiltersCountAndSort) {
    const TEventHistory history = Load();
    TEventFilter filter;
    filter.Id = IdA;
    TFilteredEvents shown = FilterEvents(history, filter);
    EXPECT_EQ(shown.Rows, (std::vector<uint32_t>{0, 2, 4})); // the copy's note kept
    EXPECT_EQ(shown.CodeCounts[8], 1u);
    EXPECT_EQ(shown.CodeCounts[29], 1u);
    EXPECT_EQ(shown.CodeCounts[45], 0u); // B's record is not counted
    EXPECT_EQ(shown.Notes, 1u);
    EXPECT_EQ(shown.Versions, 0u);

    filter = {};
    filter.Category = TEventCategory::Power;
    EXPECT_EQ(FilterEvents(history, filter).Rows, (std::vector<uint32_t>{4}));
    filter = {};
    filter.Device = 1;
    EXPECT_EQ(FilterEvents(history, filter).Rows, (std::vector<uint32_t>{0, 4}));

    std::vector<uint32_t> rows = FilterEvents(history, {}).Rows;
    SortEventRows(history, rows, TEventColumn::PcTime, false);
    EXPECT_EQ(rows, (std::vector<uint32_t>{4, 3, 2, 1, 0})); // newest first, ties by position
    SortEventRows(history, rows, TEventColumn::Text, true);
    EXPECT_EQ(rows, (std::vector<uint32_t>{4, 0, 3, 1, 2})); // "Bat Chyba" < "Poplach" < ...
    SortEventRows(history, rows, TEventColumn::Code, false);
    EXPECT_EQ(rows.front(), 3u);
    SortEventRows(history, rows, TEventColumn::Id, true);
    EXPECT_EQ(rows, (std::vector<uint32_t>{1, 3, 0, 2, 4}));
}

TEST(EventCategories, EveryCodeInOneCategory) {
    int perCategory[EventCategoryCount] = {};
    for (int code = 0; code < EventTextCount; ++code) {
        ++perCategory[static_cast<int>(EventCategories[static_cast<std::size_t>(code)])];
    }
    for (int count : perCategory) {
        EXPECT_GT(count, 0);
    }
    // The whole extinguishing sequence is alarms.
    for (uint8_t code : {8, 11, 12, 13, 16, 17, 18}) {
        EXPECT_EQ(EventCategory(code), TEventCategory::Alarm) << int(code);
    }
    for (uint8_t code : {3, 4, 35, 36, 37, 38}) {
        EXPECT_EQ(EventCategory(code), TEventCategory::Mode) << int(code);
    }
    EXPECT_EQ(EventCategory(40), TEventCategory::Reset);
    EXPECT_EQ(EventCategory(43), TEventCategory::SlaveComm);
    EXPECT_EQ(EventCategory(200), EventCategory(0));
}

// RFC 4180 read back: fields of each CR LF row, quotes undone.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (quoted && c == '"' && k + 1 < text.size() && text[k + 1] == '"') {
            rows.back().back() += '"';
            ++k;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            rows.back().emplace_back();
        } else if (!quoted && c == '\r' && text.substr(k, 2) == "\r\n") {
            rows.emplace_back(1);
            ++k;
        } else {
            rows.back().back() += c;
        }
    }
    rows.pop_back(); // after the last CR LF
    return rows;
}

TEST_F(EventHistoryFiles, CsvExportReadsBackCellForCell) {
    TEventHistory history = Load();
    history.AddLine(VersionStamp(At(2026, 12, 7, 1, 0, 0)) + "V3, \"beta\"\r\nx", 1, 0);
    std::vector<uint32_t> rows = FilterEvents(history, {}).Rows;
    SortEventRows(history, rows, TEventColumn::PcTime, false);
    std::ostringstream out;
    WriteEventCsv(out, history, rows, [](const std::string& bytes) {
        std::string utf8; // enough Windows-1250 for the test: 0x8A and 0xE8
        for (char c : bytes) {
            utf8 += c == '\x8A' ? "\xC5\xA0" : c == '\xE8' ? "\xC4\x8D" : std::string(1, c);
        }
        return utf8;
    });
    const auto csv = ReadCsv(out.str());
    ASSERT_EQ(csv.size(), rows.size() + 1);
    EXPECT_EQ(csv[0], (std::vector<std::string>{"PC time", "Panel time", "ID", "Zar", "Sm", "Code",
                                                "Category", "Text"}));
    EXPECT_EQ(csv[1][6], "Version");
    EXPECT_EQ(csv[1][7], "V3, \"beta\"\r\nx");
    EXPECT_EQ(csv[2], (std::vector<std::string>{"00:00:30 07.12.2026", "00:00:00 07.12.2026",
                                                "00A1B2C3D400", "1", "0", "1D", "Power and battery",
                                                "Bat Chyba"}));
    EXPECT_EQ(csv[5][7], "V2.10 \xC5\xA0\xC4\x8D"); // "V2.10 Šč"
    EXPECT_EQ(csv[6][1], "23:00:00 06.12.2026");
    EXPECT_EQ(csv[6][3], "1");
}

TEST_F(EventHistoryFiles, InstallationsFromTheSettingsAndTheFiles) {
    // Two sections hold A: the copy reads the first, and so must the list.
    const TIniValues settings("[General]\r\nPocetZar=4\r\n[Zar0]\r\nid=0000000000CC\r\nindex=9\r\n"
                              "[Zar1]\r\nid=00A1B2C3D400\r\nindex=8\r\n[Zar2]\r\nid=0\r\n"
                              "[Zar3]\r\nid=00A1B2C3D400\r\nindex=3\r\n"
                              "[Zar4]\r\nid=0000000000DD\r\n");
    TInstallationRegistry registry;
    const std::vector<TInstallation> rows = ListInstallations(settings, Load(), registry);
    ASSERT_EQ(rows.size(), 3u); // Zar2 holds no device, Zar4 is past the count
    EXPECT_EQ(rows[0].Id, 0xCCu);
    EXPECT_EQ(rows[0].Records, 0u);
    EXPECT_EQ(rows[1].Id, IdA);
    EXPECT_EQ(rows[1].Section, 1);
    EXPECT_EQ(rows[1].StoredIndex, 8);
    EXPECT_EQ(rows[1].Records, 2u);
    EXPECT_EQ(rows[1].NewestPanelTime, Record(7, IdA, 29, 0x10, 7, 0).Time);
    EXPECT_EQ(rows[1].NewestCopied, CivilSeconds(At(2026, 12, 7, 0, 0, 30)));
    EXPECT_EQ(rows[2].Id, IdB);
    EXPECT_FALSE(rows[2].Section);

    // Once A's status replies have named B as its slave, B's records are A's.
    registry.Answered(IdA, {IdB}, CivilSeconds(At(2026, 12, 7, 10, 0, 0)));
    const std::vector<TInstallation> joined = ListInstallations(settings, Load(), registry);
    ASSERT_EQ(joined.size(), 2u);
    EXPECT_EQ(joined[1].Id, IdA);
    EXPECT_EQ(joined[1].Slaves, std::vector<uint64_t>{IdB});
    EXPECT_EQ(joined[1].Records, 3u);
    EXPECT_EQ(joined[1].Alarms, 1u); // 08 Poplach na smycce
    EXPECT_EQ(joined[1].FirstPanelTime, Record(5, IdA, 8, 0x12, 6, 23).Time);
}

} // namespace
