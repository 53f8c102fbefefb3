#include "store/report_file.h"

#include "store/app_paths.h"

#include "core/errors.h"
#include "fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The lines of a file, each of which must end in CR LF.
std::vector<std::string> ReadLines(const fs::path& path) {
    const std::string bytes = ReadFileBytes(path);
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "line without CR LF in " << path;
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

using Lines = std::vector<std::string>;

class ReportFileTest : public ::testing::Test {
protected:
    fs::path DataFile(const std::string& date) const {
        return Dir.Path() / "ReportData" / ("Kelm2_Data_" + date + ".txt");
    }
    fs::path EventFile(const std::string& date) const {
        return Dir.Path() / "ReportUdal" / ("Kelm2_Udal_" + date + ".txt");
    }

    TTempDir Dir;
    TFakeClock Clock;
};

// A clock that moves on one second every time it is read, to show the order of writes.
class TSteppingClock : public IClock {
public:
    TDateTime Now() const override {
        TDateTime t = At(2010, 12, 5, 14, 3, 0);
        t.Second = FReads++;
        return t;
    }
    uint32_t TickCount() const override { return 0; }
    void Sleep(uint32_t) const override {}

private:
    mutable int FReads = 0;
};

} // namespace

TEST(ReportFormat, StampAndDateHaveFixedWidths) {
    EXPECT_EQ(ReportTimeStamp(At(2010, 12, 5, 14, 3, 22)), "05.12.10 14:03:22");
    EXPECT_EQ(ReportTimeStamp(At(2009, 1, 2, 0, 0, 9)), "02.01.09 00:00:09");
    EXPECT_EQ(ReportDateText(At(2010, 12, 5, 14, 3, 22)), "20101205");
    EXPECT_EQ(ReportDateText(At(2024, 2, 29, 0, 0, 0)), "20240229");
}

TEST_F(ReportFileTest, FirstRunOfDayCreatesFileWithStartMarkerAndEveryLineAtOnce) {
    Clock.Time = At(2010, 12, 5, 14, 3, 22);
    TReportFile report(DataReportKind, Dir.Path().string(), Clock);
    report.StartReport();
    ASSERT_TRUE(report.ReportOpened());
    EXPECT_EQ(report.ReportFileName(), DataFile("20101205").string());
    EXPECT_EQ(ReadLines(DataFile("20101205")),
              Lines{"05.12.10 14:03:22  ******* Rep Start *******"});

    Clock.Time.Second = 23;
    report.WriteStampedLine("12000;27000;1");
    // Read back while the file is still open: nothing waits in a buffer.
    EXPECT_EQ(ReadLines(DataFile("20101205")).back(), "05.12.10 14:03:23  12000;27000;1");

    report.FinishReport();
    EXPECT_FALSE(report.ReportOpened());
    EXPECT_EQ(
        ReadLines(DataFile("20101205")),
        (Lines{"05.12.10 14:03:22  ******* Rep Start *******", "05.12.10 14:03:23  12000;27000;1",
               "05.12.10 14:03:23  ******* Rep End *******"}));
}

TEST_F(ReportFileTest, EventLinesAreWrittenUnchangedByteForByte) {
    Clock.Time = At(2010, 12, 5, 8, 0, 0);
    TReportFile report(EventReportKind, Dir.Path().string(), Clock);
    report.StartReport();
    std::string eightBit = "Po\x9e\xe1r ";
    for (int c = 0x80; c <= 0xFF; ++c) {
        eightBit.push_back(static_cast<char>(c));
    }
    report.WriteReportLine(eightBit);
    const std::string bytes = ReadFileBytes(EventFile("20101205"));
    EXPECT_EQ(bytes.substr(bytes.size() - eightBit.size() - 2), eightBit + "\r\n");
    EXPECT_EQ(ReadLines(EventFile("20101205")).size(), 2u);
}

TEST_F(ReportFileTest, SecondRunOnSameDayContinuesAfterPreviousEndMarker) {
    Clock.Time = At(2010, 12, 5, 9, 0, 0);
    {
        TReportFile first(EventReportKind, Dir.Path().string(), Clock);
        first.StartReport();
        first.WriteReportLine("event one");
        first.FinishReport();
    }
    Clock.Time.Hour = 10;
    TReportFile second(EventReportKind, Dir.Path().string(), Clock);
    second.StartReport();
    second.WriteReportLine("event two");
    second.FinishReport();
    EXPECT_EQ(ReadLines(EventFile("20101205")),
              (Lines{"05.12.10 09:00:00  ******* Rep Start *******", "event one",
                     "05.12.10 09:00:00  ******* Rep End *******",
                     "05.12.10 10:00:00  ******* Rep Start *******", "event two",
                     "05.12.10 10:00:00  ******* Rep End *******"}));
}

// A power cut tore the last line of the day's data report: the next start ends it first.
TEST_F(ReportFileTest, ATornLastLineIsEndedBeforeTheNextRunsMarker) {
    Clock.Time = At(2010, 12, 5, 9, 0, 0);
    fs::create_directories(DataFile("20101205").parent_path());
    WriteFileBytes(DataFile("20101205"), "05.12.10 08:59:59  ;ID=00A1B2C3D400;VA= 12");
    TReportFile report(DataReportKind, Dir.Path().string(), Clock);
    report.StartReport();
    report.WriteStampedLine("line");
    EXPECT_EQ(ReadFileBytes(DataFile("20101205")),
              "05.12.10 08:59:59  ;ID=00A1B2C3D400;VA= 12\r\n"
              "05.12.10 09:00:00  ******* Rep Start *******\r\n05.12.10 09:00:00  line\r\n");
}

TEST_F(ReportFileTest, RunCrossingMidnightSplitsAtFirstWriteOfNewDay) {
    Clock.Time = At(2010, 12, 31, 23, 59, 50);
    TReportFile report(DataReportKind, Dir.Path().string(), Clock);
    report.StartReport();
    report.WriteStampedLine("before");
    Clock.Time = At(2011, 1, 1, 0, 0, 5);
    // Nothing happens at midnight itself; only the next write notices the new day.
    EXPECT_EQ(ReadLines(DataFile("20101231")).size(), 2u);
    report.WriteStampedLine("after");
    EXPECT_EQ(report.ReportFileName(), DataFile("20110101").string());
    report.FinishReport();

    EXPECT_EQ(ReadLines(DataFile("20101231")),
              (Lines{"31.12.10 23:59:50  ******* Rep Start *******", "31.12.10 23:59:50  before",
                     "******** konec dne *********"}));
    EXPECT_EQ(ReadLines(DataFile("20110101")),
              (Lines{"******** zacatek dne *********", "01.01.11 00:00:05  after",
                     "01.01.11 00:00:05  ******* Rep End *******"}));
}

TEST_F(ReportFileTest, EndMarkerAloneMovesIntoNewDayFile) {
    Clock.Time = At(2010, 12, 5, 23, 0, 0);
    TReportFile report(EventReportKind, Dir.Path().string(), Clock);
    report.StartReport();
    Clock.Time = At(2010, 12, 6, 1, 0, 0);
    report.FinishReport();
    EXPECT_EQ(ReadLines(EventFile("20101205")).back(), "******** konec dne *********");
    EXPECT_EQ(
        ReadLines(EventFile("20101206")),
        (Lines{"******** zacatek dne *********", "06.12.10 01:00:00  ******* Rep End *******"}));
}

TEST_F(ReportFileTest, ClockSetBackContinuesEarlierDayFile) {
    Clock.Time = At(2010, 12, 5, 12, 0, 0);
    {
        TReportFile earlier(EventReportKind, Dir.Path().string(), Clock);
        earlier.StartReport();
        earlier.FinishReport();
    }
    Clock.Time = At(2010, 12, 6, 8, 0, 0);
    TReportFile report(EventReportKind, Dir.Path().string(), Clock);
    report.StartReport();
    report.WriteReportLine("on the sixth");
    Clock.Time = At(2010, 12, 5, 8, 0, 1);
    report.WriteReportLine("back on the fifth");
    EXPECT_EQ(report.ReportDay().Day, 5);

    EXPECT_EQ(ReadLines(EventFile("20101206")),
              (Lines{"06.12.10 08:00:00  ******* Rep Start *******", "on the sixth",
                     "******** konec dne *********"}));
    EXPECT_EQ(ReadLines(EventFile("20101205")),
              (Lines{"05.12.10 12:00:00  ******* Rep Start *******",
                     "05.12.10 12:00:00  ******* Rep End *******", "******** zacatek dne *********",
                     "back on the fifth"}));
}

TEST_F(ReportFileTest, UnwritableDirectoryWritesNoMarkersRaisesThenRecovers) {
    // Tests run as root, where file modes do not stop writes: a base that is a regular file
    // makes the report directory impossible to create until it becomes a directory.
    const fs::path base = Dir.Path() / "exe";
    WriteFileBytes(base, "not a directory");
    Clock.Time = At(2010, 12, 5, 14, 0, 0);
    TReportFile report(EventReportKind, base.string(), Clock);

    EXPECT_NO_THROW(report.StartReport());
    EXPECT_FALSE(report.ReportOpened());
    try {
        report.WriteReportLine("lost");
        FAIL() << "a write with no open file must raise";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, ENOTDIR);
        EXPECT_NE(std::string(e.what()).find("Kelm2_Udal_20101205.txt"), std::string::npos);
    }
    EXPECT_THROW(report.WriteReportLine("lost too"), EInOutError);

    fs::remove(base);
    fs::create_directory(base);
    Clock.Time.Minute = 5;
    report.WriteReportLine("kept");
    report.FinishReport();
    // The run's start marker goes into the file that finally opened, so the run stays bracketed.
    EXPECT_EQ(ReadLines(base / "ReportUdal" / "Kelm2_Udal_20101205.txt"),
              (Lines{"05.12.10 14:05:00  ******* Rep Start *******", "kept",
                     "05.12.10 14:05:00  ******* Rep End *******"}));
}

TEST_F(ReportFileTest, NeverOpenedReportFinishesWithoutMarkerOrError) {
    const fs::path base = Dir.Path() / "exe";
    WriteFileBytes(base, "");
    TReportFile report(DataReportKind, base.string(), Clock);
    report.StartReport();
    EXPECT_NO_THROW(report.FinishReport());
    EXPECT_EQ(ReadFileBytes(base), "");
}

TEST_F(ReportFileTest, FailedWriteClosesFileAndNextWriteReopensIt) {
    // A report file that is a link to /dev/full opens but refuses every write.
    Clock.Time = At(2010, 12, 5, 14, 0, 0);
    fs::create_directory(Dir.Path() / "ReportUdal");
    fs::create_symlink("/dev/full", EventFile("20101205"));
    TReportFile report(EventReportKind, Dir.Path().string(), Clock);

    try {
        report.StartReport();
        FAIL() << "the start marker cannot be written";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, ENOSPC);
    }
    EXPECT_FALSE(report.ReportOpened());

    fs::remove(EventFile("20101205"));
    report.WriteReportLine("after the disk had room again");
    EXPECT_EQ(
        ReadLines(EventFile("20101205")),
        (Lines{"05.12.10 14:00:00  ******* Rep Start *******", "after the disk had room again"}));
}

TEST_F(ReportFileTest, NewDayFileThatCannotOpenFailsEveryWriteUntilItCan) {
    Clock.Time = At(2010, 12, 5, 23, 0, 0);
    TReportFile report(EventReportKind, Dir.Path().string(), Clock);
    report.StartReport();
    fs::create_directory(EventFile("20101206")); // a directory where the new file should go
    Clock.Time = At(2010, 12, 6, 0, 1, 0);
    EXPECT_THROW(report.WriteReportLine("first of the sixth"), EInOutError);
    EXPECT_FALSE(report.ReportOpened());
    EXPECT_EQ(report.ReportDay().Day, 6);
    EXPECT_EQ(ReadLines(EventFile("20101205")).back(), "******** konec dne *********");
    EXPECT_THROW(report.WriteReportLine("second of the sixth"), EInOutError);

    fs::remove(EventFile("20101206"));
    report.WriteReportLine("third of the sixth");
    // The old file got its end-of-day marker exactly once.
    EXPECT_EQ(ReadLines(EventFile("20101205")).size(), 2u);
    EXPECT_EQ(ReadLines(EventFile("20101206")),
              (Lines{"******** zacatek dne *********", "third of the sixth"}));
}

TEST(Reports, StartDataFirstAndFinishEventFirst) {
    TTempDir dir;
    TSteppingClock clock;
    TReports reports(dir.Path().string(), clock);
    StartReports(reports);
    FinishReports(reports);
    const fs::path data = dir.Path() / "ReportData" / "Kelm2_Data_20101205.txt";
    const fs::path event = dir.Path() / "ReportUdal" / "Kelm2_Udal_20101205.txt";
    // Each start and each finish reads the clock once: data 0, event 1, event 2, data 3.
    EXPECT_EQ(ReadLines(data), (Lines{"05.12.10 14:03:00  ******* Rep Start *******",
                                      "05.12.10 14:03:03  ******* Rep End *******"}));
    EXPECT_EQ(ReadLines(event), (Lines{"05.12.10 14:03:01  ******* Rep Start *******",
                                       "05.12.10 14:03:02  ******* Rep End *******"}));
}

TEST(Reports, FailingEventReportDoesNotKeepDataReportOpen) {
    TTempDir dir;
    TFakeClock clock;
    clock.Time = At(2010, 12, 5, 23, 0, 0);
    TReports reports(dir.Path().string(), clock);
    StartReports(reports);
    // The event file of the next day refuses writes, so the event report's end marker fails.
    fs::create_symlink("/dev/full", dir.Path() / "ReportUdal" / "Kelm2_Udal_20101206.txt");
    clock.Time = At(2010, 12, 6, 0, 0, 1);
    EXPECT_THROW(FinishReports(reports), EInOutError);
    EXPECT_FALSE(reports.URepUdal.ReportOpened());
    EXPECT_FALSE(reports.URepData.ReportOpened());
    EXPECT_EQ(ReadLines(dir.Path() / "ReportData" / "Kelm2_Data_20101206.txt").back(),
              "06.12.10 00:00:01  ******* Rep End *******");
}

TEST(AppPaths, ExecutableDirectoryHoldsTheRunningProgram) {
    const std::string directory = ExecutableDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_NE(directory.back(), '/');
    // Not the working directory: the test program lies in its build directory.
    EXPECT_TRUE(fs::is_regular_file(fs::path(directory) / program_invocation_short_name));
    EXPECT_EQ(AppFilePath("Kelm2.ini"), directory + "/Kelm2.ini");
}

TEST(AppPaths, DirectoryOfDropsLastComponentAndSeparator) {
    EXPECT_EQ(DirectoryOf("/opt/orvant2/orvant2"), "/opt/orvant2");
    EXPECT_EQ(DirectoryOf("/orvant2"), "");
    EXPECT_EQ(DirectoryOf("orvant2"), "");
}
