// A day's data report file, written by the tool's own report writer, read back for the chart.

#include "model/chart_day_file.h"
#include "model/data_line.h"
#include "store/report_days.h"
#include "store/report_file.h"

#include "core/errors.h"
#include "fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TMasterBlock RandomMaster(std::mt19937& random) {
    auto any = [&](uint64_t max) {
        return std::uniform_int_distribution<uint64_t>(0, max)(random);
    };
    TMasterBlock m;
    m.ID = any(0xFFFFFFFFFFFFull);
    for (uint16_t* v : {&m.VA, &m.IA, &m.VB, &m.IB, &m.VC, &m.IC, &m.VNet, &m.VDet, &m.VBat,
                        &m.VHas1, &m.VSir, &m.TE, &m.TI, &m.TB, &m.P, &m.Out, &m.Tim}) {
        // Small values too, so that padding (spaces, then zeros) shows.
        *v = static_cast<uint16_t>(any(1) ? any(65535) : any(99));
    }
    for (uint8_t* v :
         {&m.LineA, &m.LineB, &m.LineC, &m.stHas, &m.stBat, &m.stV1, &m.stSir, &m.stPro}) {
        *v = static_cast<uint8_t>(any(15));
    }
    m.Led0 = static_cast<uint32_t>(any(1) ? any(0xFFFFFFFF) : any(15));
    m.Led1 = static_cast<uint32_t>(any(0xFFFFFFFF));
    return m;
}

} // namespace

TEST(DataLineTest, EveryLineReadsBackAsItsFieldsAndBrokenOnesDoNot) {
    std::mt19937 random(25);
    for (int i = 0; i < 2000; ++i) {
        const TMasterBlock m = RandomMaster(random);
        const std::string line = DataLineText(m);
        const std::optional<TMasterBlock> back = ParseDataLine(line);
        ASSERT_TRUE(back) << line;
        ASSERT_EQ(DataLineText(*back), line);
        ASSERT_EQ(back->ID, m.ID);
        ASSERT_EQ(back->VNet, m.VNet);
        ASSERT_EQ(back->LineA, m.LineA);
        ASSERT_EQ(back->LineC, m.LineC);
        // Cut anywhere, or a character changed: not a data line.
        ASSERT_FALSE(ParseDataLine(line.substr(0, 1 + random() % (line.size() - 1)))) << line;
        std::string changed = line;
        changed[random() % line.size()] = 'x';
        ASSERT_FALSE(ParseDataLine(changed)) << changed;
    }
    EXPECT_FALSE(ParseDataLine(DataLineText({}) + ";"));
    // "Sm" with a line code of 16: the line is read, the codes cannot be split.
    TMasterBlock wide;
    wide.LineC = 16;
    wide.VBat = 13500;
    ASSERT_TRUE(ParseDataLine(DataLineText(wide)));
    EXPECT_EQ(ParseDataLine(DataLineText(wide))->VBat, 13500);
}

TEST(ChartDayFileTest, ADayWrittenByTheReportWriterLoadsWithItsBadLinesCounted) {
    TTempDir dir;
    TFakeClock clock;
    clock.Time = At(2026, 12, 6, 12, 0, 0);
    TReportFile report(DataReportKind, dir.Path().string(), clock);
    report.StartReport();
    // Two seconds of a 100 ms poll (ten lines a second, one stamp each), then a line torn by a
    // crash and a line of something else, then three lines in the next second.
    std::mt19937 random(6);
    std::vector<TMasterBlock> written;
    auto writeSecond = [&](int lines) {
        for (int i = 0; i < lines; ++i) {
            written.push_back(RandomMaster(random));
            report.WriteStampedLine(DataLineText(written.back()));
        }
        ++clock.Time.Second;
    };
    writeSecond(10);
    writeSecond(10);
    report.WriteStampedLine(DataLineText(written[0]).substr(0, 40));
    report.WriteReportLine("Kelm2 Data");
    writeSecond(3);
    report.FinishReport();
    WriteFileBytes(dir.File("ReportData/Kelm2_Data_2026120.txt"), "not a day");
    WriteFileBytes(dir.File("ReportData/Kelm2_Udal_20261205.txt"), "another kind");

    const std::string directory = dir.File("ReportData");
    const std::vector<TDateTime> days = ReportDaysIn(directory, DataReportKind);
    ASSERT_EQ(days.size(), 1u);
    EXPECT_EQ(ReportDateText(days[0]), "20261206");
    const std::string path = ReportDayFile(directory, DataReportKind, days[0]);
    EXPECT_EQ(path, report.ReportFileName());

    std::vector<double> shares;
    const std::atomic<bool> stop{false};
    const TChartDayLoad load = LoadChartDay(
        path, [&](double share) { shares.push_back(share); }, stop);
    EXPECT_FALSE(load.Stopped);
    EXPECT_EQ(load.DataLines, 23u);
    EXPECT_EQ(load.BadLines, 2u);
    EXPECT_EQ(load.FirstBadLine, 22u); // after the start marker and twenty data lines
    ASSERT_FALSE(shares.empty());
    EXPECT_EQ(shares.back(), 1.0);
    // The lines of a second spread evenly over it, in their order, with the chart's volts.
    const TChartStore& points = *load.Points;
    ASSERT_EQ(points.Count(), 23u);
    const TChartTime first = ChartTimeOf(At(2026, 12, 6, 12, 0, 0));
    std::vector<TChartRecord> records;
    points.ForEach(first, first + 3000, [&](const TChartRecord& r) { records.push_back(r); });
    ASSERT_EQ(records.size(), 23u);
    for (size_t i = 0; i < records.size(); ++i) {
        const TChartTime expected = i < 20 ? first + static_cast<TChartTime>(i) * 100
                                           : first + 2000 + static_cast<TChartTime>(i - 20) * 333;
        ASSERT_EQ(records[i].Time, expected) << i;
        ASSERT_EQ(records[i].Values, (TChartValues{static_cast<float>(written[i].VNet / 1000.0),
                                                   static_cast<float>(written[i].VBat / 1000.0),
                                                   static_cast<float>(written[i].VDet / 1000.0)}));
    }
    // A last line without its line end (cut by a crash) is still read.
    std::string bytes = ReadFileBytes(path);
    WriteFileBytes(path, bytes + ReportTimeStamp(clock.Time) + "  " + DataLineText(written[0]));
    EXPECT_EQ(LoadChartDay(path, {}, stop).DataLines, 24u);
    EXPECT_THROW(LoadChartDay(dir.File("missing.txt"), {}, stop), EInOutError);
}
