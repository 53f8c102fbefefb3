// What the "Events" page keeps of a history that looks like a real one: an event copied days after
// the panel logged it, texts with capital letters at either end of the alphabet, version and
// note lines among the events, a version text with a double quote but no comma.

#include "model/event_csv.h"
#include "model/event_filter.h"
#include "model/event_history.h"
#include "model/event_record.h"
#include "model/version_decoder.h"
#include "store/report_file.h"

#include "fakes.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t PanelId = 0x00A1B2C3D400;

// The panel's time of that moment of December 2026 (the panel calendar's 31-day months).
uint32_t PanelTime(int day, int hour, int minute) {
    return ((((2026 - 2000) * 12 + 11) * 31 + (day - 1)) * 24 + hour) * 3600 + minute * 60;
}

std::string Event(uint16_t index, uint8_t code, int day, int hour, int minute,
                  const TDateTime& copied) {
    return EventLine(TEventRecord{index, PanelId, code, 0x11, PanelTime(day, hour, minute)},
                     copied);
}

// One day's event report as the tool writes it, read into a history line by line.
TEventHistory History() {
    const TDateTime copied = At(2026, 12, 7, 9, 0, 0);
    const TDateTime earlyCopy = At(2026, 12, 7, 0, 10, 0);
    TEventHistory history;
    const uint32_t file = history.AddFile("Kelm2_Udal_20261207.txt");
    const std::vector<std::string> lines = {
        // 0: logged on the 1st, read from the panel on the 7th (the PC was away for days)
        Event(40, 8, 1, 10, 0, copied),
        // 1: logged late on the 6th, copied just after midnight
        Event(41, 17, 6, 23, 50, earlyCopy),
        Event(42, 7, 7, 8, 0, copied),   // 2: "Zkrat smycky"
        Event(43, 21, 7, 8, 5, copied),  // 3: "VentilZkrat"
        Event(44, 17, 7, 8, 30, copied), // 4: "Th", extinguishing
        VersionStamp(copied) + "V3 \"beta\"",
        ReportTimeStamp(copied) + "  event copy ID=00A1B2C3D400: record 39 not delivered",
    };
    for (std::size_t k = 0; k < lines.size(); ++k) {
        history.AddLine(lines[k], file, static_cast<uint32_t>(k + 2));
    }
    EXPECT_EQ(history.Entries().size(), lines.size());
    EXPECT_TRUE(history.Unreadable().empty());
    return history;
}

std::vector<uint32_t> Rows(const TEventHistory& history, const TEventFilter& filter) {
    return FilterEvents(history, filter).Rows;
}

} // namespace

TEST(EventFilter, TimeRangesGoByThePanelsEventTimeNotTheCopysTime) {
    const TEventHistory history = History();
    TEventFilter filter;
    SetTimeRange(filter, TTimeRange::Today, At(2026, 12, 7, 12, 0, 0));
    // Copied today, but the panel logged 0 on the 1st and 1 yesterday; version and note lines
    // have only the PC's time.
    EXPECT_EQ(Rows(history, filter), (std::vector<uint32_t>{2, 3, 4, 5, 6}));
    SetTimeRange(filter, TTimeRange::Days7, At(2026, 12, 7, 12, 0, 0));
    EXPECT_EQ(Rows(history, filter), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6}));
    SetTimeRange(filter, TTimeRange::Days7, At(2026, 12, 8, 12, 0, 0));
    EXPECT_EQ(Rows(history, filter), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6}));

    // The panel time's column sorts by the same time.
    std::vector<uint32_t> rows = Rows(history, {});
    SortEventRows(history, rows, TEventColumn::PanelTime, true);
    EXPECT_EQ(rows, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6}));
    SortEventRows(history, rows, TEventColumn::PcTime, true);
    EXPECT_EQ(rows, (std::vector<uint32_t>{1, 0, 2, 3, 4, 5, 6}));
}

TEST(EventFilter, SearchFoldsEveryLetterFromAToZ) {
    const TEventHistory history = History();
    TEventFilter filter;
    for (const char* search : {"zkrat", "ZKRAT", "zKrAt"}) {
        filter.Text = search;
        EXPECT_EQ(Rows(history, filter), (std::vector<uint32_t>{2, 3})) << search;
    }
    filter.Text = "ventilz";
    EXPECT_EQ(Rows(history, filter), (std::vector<uint32_t>{3}));
    filter.Text = "pOPLACH NA";
    EXPECT_EQ(Rows(history, filter), (std::vector<uint32_t>{0}));
    filter.Text = "\"BETA\"";
    EXPECT_EQ(Rows(history, filter), (std::vector<uint32_t>{5}));
    EXPECT_TRUE(TextContains("Zar", "zAR"));
    EXPECT_FALSE(TextContains("Zar", "[ar")); // folding is for letters only ('[' follows 'Z')
}

TEST(EventCsv, AFieldWithADoubleQuoteIsQuotedWithOrWithoutAComma) {
    EXPECT_EQ(CsvField("V3 \"beta\""), "\"V3 \"\"beta\"\"\"");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("a\nb"), "\"a\nb\"");
    EXPECT_EQ(CsvField("a\rb"), "\"a\rb\"");
    EXPECT_EQ(CsvField("Zkrat smycky"), "Zkrat smycky");
}
