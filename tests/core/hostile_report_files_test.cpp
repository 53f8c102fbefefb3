// Report files that are not what they seem: a FIFO or a directory named like a report, a line
// of megabytes without a line end, lines cut by the reading's blocks, a file that grows while it
// is read. Both readers of the reports (the event history and the chart's past day) keep what
// they keep of a line small, never wait on an open, and end.

#include "core/errors.h"
#include "model/chart_day_file.h"
#include "model/data_line.h"
#include "model/event_history.h"
#include "model/event_record.h"
#include "store/report_file.h"
#include "store/report_reader.h"

#include "fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <thread>

namespace {

// An event line of that index, copied on 7 December 2026 at 10:00:00 + index seconds.
std::string Event(uint16_t index) {
    TDateTime pc = At(2026, 12, 7, 10, 0, 0);
    pc.Minute = index / 60 % 60;
    pc.Second = index % 60;
    return EventLine(TEventRecord{index, 0x00A1B2C3D400, 8, 0x12, 1000000u + index}, pc);
}

class HostileReportFiles : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(Dir.Path() / "ReportUdal"); }
    std::string ReportPath(const std::string& date) const {
        return Dir.File("ReportUdal/Kelm2_Udal_" + date + ".txt");
    }
    TEventHistory Load() {
        const std::atomic<bool> stop{false};
        return LoadEventHistory(Dir.Path().string(), nullptr, stop);
    }
    TTempDir Dir;
};

} // namespace

// Without its non-blocking open the FIFO (no writer ever comes) would hold the reading for ever;
// the test's limit then ends it. Of many unreadable lines only the first are kept with their
// text; all are counted.
TEST_F(HostileReportFiles, AFifoOrADirectoryNamedLikeAReportIsListedAndPassedOver) {
    ASSERT_EQ(::mkfifo(ReportPath("20261205").c_str(), 0600), 0);
    std::filesystem::create_directory(ReportPath("20261206"));
    std::string garbage;
    for (std::size_t k = 0; k < MaxUnreadableKept + 500; ++k) {
        garbage += "garbage\r\n";
    }
    WriteFileBytes(ReportPath("20261207"), Event(1) + "\r\n" + garbage);
    const TEventHistory history = Load();
    ASSERT_EQ(history.Entries().size(), 1u);
    ASSERT_EQ(history.UnreadableCount(), 2 + MaxUnreadableKept + 500);
    ASSERT_EQ(history.Unreadable().size(), MaxUnreadableKept);
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(history.Unreadable()[k].Line, 0u);
        EXPECT_EQ(history.Unreadable()[k].Text, "not a regular file");
    }

    const std::string dataFifo = Dir.File("Kelm2_Data_20261205.txt");
    ASSERT_EQ(::mkfifo(dataFifo.c_str(), 0600), 0);
    const std::atomic<bool> stop{false};
    EXPECT_THROW(LoadChartDay(dataFifo, {}, stop), EInOutError);
}

// 4 MB without a line end as the last line, and a line of 1.5 MB of zero bytes between good ones
// that crosses the reading's blocks: each is one unreadable line, shown by its first bytes and
// its length, and the lines around it read as they are.
TEST_F(HostileReportFiles, AHugeLineIsOneUnreadableLineOfItsStartAndLength) {
    std::string bytes = Event(1) + "\r\n";
    bytes += std::string(ReadBlockBytes - bytes.size() - 2, 'x') + "\r\n"; // ends at a block end
    bytes += Event(2) + "\r\n";
    bytes += std::string(1500000, '\0') + "\r\n";
    bytes += Event(3) + "\r\n";
    bytes += std::string(4 << 20, '\0');
    WriteFileBytes(ReportPath("20261207"), bytes);
    const TEventHistory history = Load();
    ASSERT_EQ(history.Entries().size(), 3u);
    EXPECT_EQ(history.Entries()[2].Index, 3);
    ASSERT_EQ(history.Unreadable().size(), 3u);
    EXPECT_EQ(history.Unreadable()[0].Line, 2u);
    EXPECT_EQ(history.Unreadable()[0].Text, std::string(UnreadableTextBytes, 'x'));
    EXPECT_EQ(history.Unreadable()[1].Line, 4u);
    EXPECT_EQ(history.Unreadable()[1].Text, std::string(UnreadableTextBytes, '\0'));
    EXPECT_EQ(history.Unreadable()[1].Length, 1500000u);
    EXPECT_EQ(history.Unreadable()[2].Line, 6u);
    EXPECT_EQ(history.Unreadable()[2].Length, 4u << 20);
    EXPECT_LT(history.MemoryBytes(), 4096u);

    // The chart's reader counts such a line as one bad line, whether read from the file or from
    // memory.
    const std::string good =
        ReportTimeStamp(At(2026, 12, 7, 10, 0, 0)) + "  " + DataLineText(TMasterBlock{}) + "\r\n";
    const std::string day = good + std::string(3 << 20, '7') + "\r\n" + good;
    WriteFileBytes(Dir.File("Kelm2_Data_20261207.txt"), day);
    const std::atomic<bool> stop{false};
    for (const TChartDayLoad& load :
         {LoadChartDay(Dir.File("Kelm2_Data_20261207.txt"), {}, stop), ReadChartDay(day)}) {
        EXPECT_EQ(load.DataLines, 2u);
        EXPECT_EQ(load.BadLines, 1u);
        EXPECT_EQ(load.FirstBadLine, 2u);
    }
}

// The day's file is appended to, line by line, all the time it is read: the reading ends, and
// what it read is the file's first lines, each once and whole, in order.
TEST_F(HostileReportFiles, AFileThatGrowsWhileItIsReadEndsWithWholeLines) {
    std::string start;
    for (uint16_t index = 0; index < 40000; ++index) {
        start += Event(index) + "\r\n";
    }
    const std::string path = ReportPath("20261207");
    WriteFileBytes(path, start);
    std::atomic<bool> done{false};
    std::atomic<int> appended{0};
    std::thread writer([&] {
        std::ofstream out(path, std::ios::binary | std::ios::app);
        for (uint16_t index = 40000; !done; index = index == 65535 ? 40000 : index + 1) {
            out << Event(index) << "\r\n" << std::flush;
            ++appended;
        }
    });
    while (appended < 10) {
        std::this_thread::yield();
    }
    const TEventHistory history = Load();
    done = true;
    writer.join();
    EXPECT_EQ(history.UnreadableCount(), 0u);
    ASSERT_GE(history.Entries().size(), 40010u);
    for (std::size_t k = 0; k < history.Entries().size(); ++k) {
        const std::size_t expected = k < 40000 ? k : 40000 + (k - 40000) % 25536;
        ASSERT_EQ(history.Entries()[k].Index, expected) << k;
    }
}
