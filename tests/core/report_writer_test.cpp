// A report writer whose directory cannot be written shows its I/O error once, and carries on by
// itself once the directory is back.

#include "core/errors.h"
#include "fakes.h"
#include "store/report_writer.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(ReportWriter, RaisesAFailingFileOnceAndResumesWhenItCanWriteAgain) {
    TTempDir dir;
    TFakeClock clock;
    clock.Time = TDateTime{2026, 12, 7, 10, 0, 0, 0};
    // A plain file where the report directory belongs: nothing can be created below it.
    const auto reports = dir.Path() / "ReportUdal";
    WriteFileBytes(reports, "in the way");
    TReportFile file(EventReportKind, dir.Path().string(), clock);
    TReportWriter writer(file);

    EXPECT_THROW(writer.WriteReportLine("line 1"), EInOutError);
    EXPECT_NO_THROW(writer.WriteReportLine("line 2"));
    EXPECT_NO_THROW(writer.WriteStampedLine("line 3"));

    std::filesystem::remove(reports);
    EXPECT_NO_THROW(writer.WriteReportLine("line 4"));
    EXPECT_EQ(ReadFileBytes(reports / "Kelm2_Udal_20261207.txt"), "line 4\r\n");

    // A new failure after a success is shown again.
    std::filesystem::remove_all(reports);
    WriteFileBytes(reports, "in the way again");
    file.FinishReport();
    EXPECT_THROW(writer.WriteReportLine("line 5"), EInOutError);
}
