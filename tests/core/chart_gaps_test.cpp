// The chart never joins records across a stretch without replies: a silent panel, a break the
// window asks for (Stop, a device pulled), another installation answering, and in a past day's
// file a marker or a jump in the stamps.

#include "model/chart_day_file.h"
#include "model/chart_model.h"
#include "store/report_file.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr TChartTime Start = 1'800'000'000'000; // some day in 2027, in chart milliseconds
const TChartValues Supply{27.0F, 27.2F, 24.1F};

// Where the lines of the envelope in view break: the times of the last point before each break.
std::vector<TChartTime> BreaksInView(const TChartModel& model) {
    const TChartEnvelope& envelope = model.Envelope();
    std::vector<TChartTime> breaks;
    const std::vector<TChartRun> runs = ChartRuns(envelope, model.Store().Gaps());
    for (std::size_t i = 1; i < runs.size(); ++i) {
        breaks.push_back(envelope.Column(runs[i - 1].Last).LastTime);
    }
    return breaks;
}

} // namespace

TEST(ChartGaps, ASilenceOfMoreThanThreeIntervalsAStopAndAnotherInstallationBreakTheLines) {
    TChartModel model;
    model.SetPlotWidth(400);
    model.SetPollInterval(1000);
    TChartTime t = Start;
    auto poll = [&](int replies, TChartTime every = ChartSecond) {
        for (int i = 0; i < replies; ++i, t += every) {
            model.AddPoint(t, Supply);
        }
    };
    poll(10);
    const TChartTime beforeSilence = t - ChartSecond;
    t += 20 * ChartSecond; // the panel silent for 20 s
    poll(10);
    // Three intervals late is still the same line; a little more is a gap.
    poll(2, 3 * ChartSecond);
    EXPECT_EQ(BreaksInView(model), std::vector<TChartTime>{beforeSilence});

    // Stop: the line ends at the newest record, whenever the next one comes.
    const TChartTime beforeStop = t - 3 * ChartSecond;
    model.Break();
    model.Break();                // every look at a stopped link asks again; one gap
    t = beforeStop + ChartSecond; // "Init" at once: a break all the same
    poll(5);
    EXPECT_EQ(BreaksInView(model), (std::vector<TChartTime>{beforeSilence, beforeStop}));
    EXPECT_EQ(model.Store().Gaps().Count(), 2u);

    // Another installation answers: its first record starts a new line, labelled with its ID.
    model.InstallationAnswered("00A1B2C3D400");
    const TChartTime lastOfFirst = t - ChartSecond;
    poll(1);
    model.InstallationAnswered("00A1B2C3D401");
    poll(3);
    model.InstallationAnswered("00A1B2C3D401");
    EXPECT_EQ(BreaksInView(model),
              (std::vector<TChartTime>{beforeSilence, beforeStop, lastOfFirst}));
    const TChartGap* gap = model.Store().Gaps().At(lastOfFirst + 1);
    ASSERT_NE(gap, nullptr);
    EXPECT_EQ(gap->Label, "00A1B2C3D401");
    // In a gap there was no reply; at a record there was one.
    EXPECT_NE(model.Store().Gaps().At(beforeSilence + 10 * ChartSecond), nullptr);
    EXPECT_EQ(model.Store().Gaps().At(beforeSilence), nullptr);

    // A narrow range around the silence: the record before it leads in, yet is not joined.
    model.ShowRange(beforeSilence + ChartSecond, beforeSilence + 30 * ChartSecond);
    ASSERT_TRUE(model.LeadIn());
    EXPECT_TRUE(model.Store().Gaps().Between(
        model.LeadIn()->Time,
        model.Envelope()
            .Column(ChartRuns(model.Envelope(), model.Store().Gaps())[0].First)
            .FirstTime));
}

TEST(ChartGaps, WithTheLiveRunHiddenFollowingShowsThePastDay) {
    TChartModel model;
    model.SetPlotWidth(200);
    for (int i = 0; i < 10; ++i) {
        model.AddPoint(Start + i * ChartSecond, Supply);
    }
    auto day = std::make_unique<TChartStore>();
    for (int i = 0; i < 10; ++i) {
        day->Add(Start - ChartDay + i * ChartSecond, Supply);
    }
    model.SetPastDay(std::move(day));
    model.SetLiveShown(false);
    EXPECT_EQ(model.ViewFrom(), Start - ChartDay);
    EXPECT_EQ(model.ViewTo(), Start - ChartDay + 9 * ChartSecond);
    model.AddPoint(Start + 10 * ChartSecond, Supply); // the hidden run keeps its points
    EXPECT_EQ(model.ViewTo(), Start - ChartDay + 9 * ChartSecond);
    model.SetLiveShown(true);
    EXPECT_EQ(model.ViewTo(), Start + 10 * ChartSecond);
}

TEST(ChartGaps, APastDayBreaksAtMarkersAndWhereItsStampsJump) {
    TTempDir dir;
    const std::string path = dir.File("Kelm2_Data_20261207.txt");
    const std::string data =
        ";ID=00A1B2C3D400;VA= 0000;IA=00000;VB=00000;IB=00000;VC=00000;IC=00000;VNet=27000;"
        "VDet=24100;VBat=27200;VHas1=00000;VSir=00000;TE=000;TI=000;TB=000;P=00000;Sm=000;"
        "Led0=00000000;Led1=00000000;Out=0000;stHas=0;stBat=0;stV1=0;stSir=0;stPro=0;Tim=0000;";
    std::ofstream file(path, std::ios::binary);
    auto line = [&](int second, const std::string& text) {
        file << "07.12.26 10:" << (second / 60 < 10 ? "0" : "") << second / 60 << ":"
             << (second % 60 < 10 ? "0" : "") << second % 60 << "  " << text << "\r\n";
    };
    for (int s : {0, 1, 2, 4, 5, 6}) { // a step of two seconds is the stamps' jitter
        line(s, data);
    }
    for (int s : {20, 21, 22}) { // 14 s without a line: the panel was silent
        line(s, data);
    }
    line(22, ReportEndMarker);
    line(23, ReportStartMarker);
    for (int s : {24, 25}) {
        line(s, data);
    }
    file.close();
    std::atomic<bool> stop{false};
    const TChartDayLoad day = LoadChartDay(path, {}, stop);
    ASSERT_EQ(day.DataLines, 11u);
    const TChartGaps& gaps = day.Points->Gaps();
    ASSERT_EQ(gaps.Count(), 2u);
    const TChartTime ten = day.Points->FirstTime();
    const std::vector<TChartGap> found = gaps.In(ten, ten + 60 * ChartSecond);
    EXPECT_EQ(found[0].From, ten + 6 * ChartSecond);
    EXPECT_EQ(found[0].To, ten + 20 * ChartSecond);
    EXPECT_EQ(found[1].From, ten + 22 * ChartSecond);
    EXPECT_EQ(found[1].To, ten + 24 * ChartSecond);
}
