#include "model/chart_export.h"
#include "model/chart_model.h"
#include "model/chart_store.h"
#include "model/chart_time.h"

#include "core/errors.h"
#include "fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

// The envelope of the same columns, worked out from a plain list of every point in the order
// the chart keeps them (by time; equal times in arrival order).
TChartEnvelope Reference(const std::vector<TChartRecord>& points, TChartTime start, double step,
                         int columns) {
    TChartEnvelope e;
    e.Reset(start, step, columns);
    std::vector<TChartRecord> sorted = points;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const TChartRecord& a, const TChartRecord& b) { return a.Time < b.Time; });
    for (const TChartRecord& p : sorted) {
        e.Add(p.Time, p.Values);
    }
    return e;
}

void ExpectSameEnvelope(const TChartEnvelope& got, const TChartEnvelope& want) {
    ASSERT_EQ(got.ColumnCount(), want.ColumnCount());
    ASSERT_EQ(got.Start(), want.Start());
    ASSERT_EQ(got.Step(), want.Step());
    for (int c = 0; c < got.ColumnCount(); ++c) {
        const TChartColumn& g = got.Column(c);
        const TChartColumn& w = want.Column(c);
        ASSERT_EQ(g.Count, w.Count) << "column " << c;
        if (w.Count == 0) {
            continue;
        }
        ASSERT_EQ(g.FirstTime, w.FirstTime) << "column " << c;
        ASSERT_EQ(g.LastTime, w.LastTime) << "column " << c;
        ASSERT_EQ(g.First, w.First) << "column " << c;
        ASSERT_EQ(g.Min, w.Min) << "column " << c;
        ASSERT_EQ(g.Max, w.Max) << "column " << c;
        ASSERT_EQ(g.Last, w.Last) << "column " << c;
    }
}

// A run of a 1 s poll with noisy voltages, where now and then the clock is set back or a reading
// repeats the time of the one before.
std::vector<TChartRecord> NoisyRun(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> millivolts(0, 30000);
    std::uniform_int_distribution<int> event(0, 999);
    std::vector<TChartRecord> run;
    TChartTime t = ChartTimeOf(At(2026, 12, 7, 8, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int e = event(random);
        t += e < 5 ? -std::uniform_int_distribution<int>(1, 2000000)(random) : (e < 60 ? 0 : 1000);
        run.push_back({t,
                       {millivolts(random) / 1000.0f, millivolts(random) / 1000.0f,
                        millivolts(random) / 1000.0f}});
    }
    return run;
}

} // namespace

TEST(ChartStoreTest, EnvelopeOfAnyRangeAtAnyZoomIsThatOfEveryPoint) {
    // 80000 records fill over 300 chunks and three summary levels; clocks set back split chunks.
    std::vector<TChartRecord> run = NoisyRun(70000, 7);
    // Then a steady clock: records only ever appended.
    const TChartTime end = std::max_element(run.begin(), run.end(), [](auto& a, auto& b) {
                               return a.Time < b.Time;
                           })->Time;
    for (int i = 1; i <= 10000; ++i) {
        run.push_back({end + i * ChartSecond, {float(i % 29), float(i % 31), float(i % 37)}});
    }
    TChartStore store;
    std::mt19937 random(3);
    size_t added = 0;
    for (size_t checkpoint : {300u, 5000u, 70000u, 80000u}) {
        for (; added < checkpoint; ++added) {
            store.Add(run[added].Time, run[added].Values);
        }
        std::vector<TChartRecord> sorted(run.begin(), run.begin() + checkpoint);
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto& a, const auto& b) { return a.Time < b.Time; });
        ASSERT_EQ(store.Count(), checkpoint);
        EXPECT_EQ(store.FirstTime(), sorted.front().Time);
        EXPECT_EQ(store.LastTime(), sorted.back().Time);
        const TChartTime lo = sorted.front().Time;
        const double whole = static_cast<double>(sorted.back().Time - lo);
        for (int trial = 0; trial < 60; ++trial) {
            // The first trials: one or two columns over much of the run, so that every summary
            // level is taken whole somewhere. Then from the whole run and beyond down to a few
            // milliseconds a column.
            std::uniform_real_distribution<double> share(0, 1);
            const bool wide = trial < 20;
            const double span = wide ? whole * (0.3 + 1.2 * share(random))
                                     : whole * 1.2 * std::pow(0.5, trial % 24) + 1;
            const TChartTime from =
                lo + static_cast<TChartTime>(whole * (wide ? -0.5 : -0.1) * share(random) +
                                             (wide ? 0 : whole * share(random)));
            const TChartTime to = from + static_cast<TChartTime>(span);
            const int columns = wide ? 1 + trial % 2 : 1 + trial * 37 % 1100;
            const double step = std::max(1.0, span / columns);
            TChartEnvelope got;
            got.Reset(from, step, columns);
            store.FillEnvelope(got);
            ExpectSameEnvelope(got, Reference(sorted, from, step, columns));

            // The points just outside the range, and the points within it, in time order.
            const auto first =
                std::lower_bound(sorted.begin(), sorted.end(), from,
                                 [](const auto& r, TChartTime t) { return r.Time < t; });
            const auto before = store.LastBefore(from);
            ASSERT_EQ(before.has_value(), first != sorted.begin());
            if (before) {
                EXPECT_EQ(before->Time, std::prev(first)->Time);
                EXPECT_EQ(before->Values, std::prev(first)->Values);
            }
            std::vector<TChartRecord> within;
            store.ForEach(from, to, [&](const TChartRecord& r) { within.push_back(r); });
            const auto past =
                std::upper_bound(sorted.begin(), sorted.end(), to,
                                 [](TChartTime t, const auto& r) { return t < r.Time; });
            ASSERT_EQ(within.size(), static_cast<size_t>(past - first));
            for (size_t i = 0; i < within.size(); ++i) {
                ASSERT_EQ(within[i].Time, first[static_cast<std::ptrdiff_t>(i)].Time);
                ASSERT_EQ(within[i].Values, first[static_cast<std::ptrdiff_t>(i)].Values);
            }
        }
    }
    // A record a point, however many: the summary's share stays small.
    EXPECT_LT(static_cast<double>(store.MemoryBytes()) / (3.0 * store.Count()), 16.0);
}

TEST(ChartStoreTest, ReadingsOfOneTimeAcrossChunksAreAllFound) {
    // The PC clock standing still (or set back to the same second) fills more than a chunk with
    // one time; a range that starts at that time must still see every one of them.
    TChartStore store;
    const TChartTime t = ChartTimeOf(At(2026, 12, 7, 8, 0, 0));
    store.Add(t - 1, {1, 1, 1});
    for (int i = 0; i < 600; ++i) {
        store.Add(t, {static_cast<float>(i), 0, 0});
    }
    store.Add(t - 1, {2, 2, 2}); // a clock set back behind them
    size_t seen = 0;
    store.ForEach(t, t, [&](const TChartRecord& r) { EXPECT_EQ(r.Values[0], float(seen++)); });
    EXPECT_EQ(seen, 600u);
    EXPECT_EQ(store.LastBefore(t)->Values[0], 2.0f);
    TChartEnvelope e;
    e.Reset(t, 1, 1);
    store.FillEnvelope(e);
    EXPECT_EQ(e.Column(0).Count, 600u);
    EXPECT_EQ(e.Column(0).First[0], 0.0f);
    EXPECT_EQ(e.Column(0).Last[0], 599.0f);
}

TEST(ChartModelTest, FollowingKeepsTheEnvelopeOfTheWholeRunAsPointsArrive) {
    TChartModel model;
    model.SetPlotWidth(300);
    const std::vector<TChartRecord> run = NoisyRun(50000, 11);
    std::vector<TChartRecord> seen;
    int redraws = 0;
    for (size_t i = 0; i < run.size(); ++i) {
        model.AddPoint(run[i].Time, run[i].Values);
        seen.push_back(run[i]);
        redraws += model.TakeChanged() ? 1 : 0;
        if (i % 4999 == 0 || i + 1 == run.size()) {
            const TChartEnvelope& e = model.Envelope();
            ExpectSameEnvelope(e, Reference(seen, e.Start(), e.Step(), e.ColumnCount()));
            EXPECT_EQ(model.ViewFrom(), model.Store().FirstTime());
            EXPECT_EQ(model.ViewTo(), std::max(model.Store().LastTime(),
                                               model.ViewFrom() + TChartModel::MinimumSpan));
            // The whole run lies in the columns, which cover at least half of them.
            EXPECT_GT(e.End(), static_cast<double>(model.ViewTo()));
            const double run = static_cast<double>(model.Store().LastTime() - e.Start());
            EXPECT_TRUE(e.Step() == 1 || e.End() - e.Start() <= 2 * run) << i;
            EXPECT_EQ(e.ColumnCount(), 600);
        }
    }
    EXPECT_EQ(redraws, static_cast<int>(run.size()));
    // Every record of the decoder gives one point per series, all at the same time.
    model.AddChartPoints(At(2030, 1, 2, 3, 4, 5), 23.456, 13.78, 24.1);
    const TChartRecord last = *model.Store().LastBefore(ChartTimeOf(At(2030, 1, 2, 3, 4, 6)));
    EXPECT_EQ(last.Time, ChartTimeOf(At(2030, 1, 2, 3, 4, 5)));
    EXPECT_EQ(last.Values, (TChartValues{23.456f, 13.78f, 24.1f}));
}

TEST(ChartModelTest, ZoomPanPauseAndFollowNewest) {
    TChartModel model;
    model.SetPlotWidth(200);
    const TChartTime t0 = ChartTimeOf(At(2026, 12, 7, 8, 0, 0));
    for (int i = 0; i < 3600; ++i) {
        model.AddPoint(t0 + i * ChartSecond, {float(i % 30), 12.5f, float(i % 7)});
    }
    model.TakeChanged();

    // Zooming keeps the time under the mouse in place and leaves following.
    const TChartTime anchor = t0 + 900 * ChartSecond;
    model.Zoom(anchor, 0.1);
    EXPECT_FALSE(model.Following());
    EXPECT_EQ(model.ViewFrom(), t0 + 810 * ChartSecond);
    EXPECT_EQ(model.ViewTo(), t0 + 1169900);
    model.Pan(-810 * ChartSecond - 60 * ChartSecond);
    EXPECT_EQ(model.ViewFrom(), t0 - 60 * ChartSecond);
    const TChartEnvelope& e = model.Envelope();
    EXPECT_EQ(e.ColumnCount(), 200);
    EXPECT_FALSE(model.LeadIn().has_value());
    ASSERT_TRUE(model.LeadOut().has_value());
    EXPECT_EQ(model.LeadOut()->Time, model.Store().FirstFrom(model.ViewTo())->Time);
    // Points now arriving lie past the view: the picture stays.
    model.TakeChanged();
    model.AddPoint(t0 + 3600 * ChartSecond, {1, 2, 3});
    EXPECT_FALSE(model.TakeChanged());
    // A clock set back into the view shows at once.
    model.AddPoint(t0 + 10 * ChartSecond, {29.5f, 0, 0});
    EXPECT_TRUE(model.TakeChanged());
    EXPECT_EQ(e.Column(e.ColumnOf(t0 + 10 * ChartSecond)).Max[0], 29.5f);
    // The narrowest view.
    model.Zoom(anchor, 1e-9);
    EXPECT_EQ(model.ViewTo() - model.ViewFrom(), TChartModel::MinimumSpan);

    // Pausing while following holds the picture; points keep arriving into the store.
    model.FollowNewest();
    EXPECT_TRUE(model.Following());
    const TChartTime viewTo = model.ViewTo();
    model.SetPaused(true);
    model.TakeChanged();
    for (int i = 1; i <= 100; ++i) {
        model.AddPoint(t0 + (3600 + i) * ChartSecond, {5, 5, 5});
    }
    EXPECT_FALSE(model.TakeChanged());
    EXPECT_EQ(model.ViewTo(), viewTo);
    model.SetPaused(false);
    EXPECT_TRUE(model.TakeChanged());
    EXPECT_EQ(model.ViewTo(), t0 + 3700 * ChartSecond);
    EXPECT_EQ(model.Store().Count(), 3702u);
}

TEST(ChartTimeTest, LocalTimeNumbersLabelsAndTicks) {
    const TDateTime leap{2024, 2, 29, 23, 59, 58, 750};
    const TChartTime t = ChartTimeOf(leap);
    const TDateTime back = DateTimeOfChartTime(t);
    EXPECT_EQ((std::vector<int>{back.Year, back.Month, back.Day, back.Hour, back.Minute,
                                back.Second, back.Millisecond}),
              (std::vector<int>{2024, 2, 29, 23, 59, 58, 750}));
    EXPECT_EQ(ChartTimeOf(At(1970, 1, 1, 0, 0, 1)), 1000);
    EXPECT_EQ(ChartTimeOf(At(2000, 1, 1, 0, 0, 0)), 946684800000LL);
    EXPECT_EQ(ChartAxisTimeText(t + 1250), "00:00:00 01.03.24");
    EXPECT_EQ(ChartExportTimeText(t), "29.02.2024 23:59:58.750");

    // Ten minutes with at most 6 labels: every 2 minutes on the even minute.
    const TChartTime from = ChartTimeOf(At(2026, 12, 7, 8, 0, 30));
    const std::vector<TChartTime> ticks = ChartTimeTicks(from, from + 600 * ChartSecond, 6);
    ASSERT_EQ(ticks.size(), 5u);
    EXPECT_EQ(ChartAxisTimeText(ticks[0]), "08:02:00 07.12.26");
    EXPECT_EQ(ticks[1] - ticks[0], 120 * ChartSecond);
    // Three weeks: whole days.
    const std::vector<TChartTime> days = ChartTimeTicks(from, from + 21 * ChartDay, 8);
    ASSERT_FALSE(days.empty());
    EXPECT_LE(days.size(), 8u);
    EXPECT_EQ(days[0] % ChartDay, 0);
    EXPECT_TRUE(ChartTimeTicks(from, from - 1, 5).empty());
}

TEST(ChartExportTest, VisibleRangeAsCsvAndAFailureRaised) {
    TChartStore store;
    const TChartTime t0 = ChartTimeOf(TDateTime{2026, 12, 7, 8, 0, 0, 250});
    for (int i = 0; i < 5; ++i) {
        store.Add(t0 + i * ChartSecond, {23.456f + i, 13.78f, 24.1f});
    }
    TTempDir dir;
    ExportChartCsv(store, t0 + ChartSecond, t0 + 3 * ChartSecond, dir.File("view.csv"));
    EXPECT_EQ(ReadFileBytes(dir.File("view.csv")),
              "PC time;Mains [V];Battery [V];Lines [V]\r\n"
              "07.12.2026 08:00:01.250;24.456;13.780;24.100\r\n"
              "07.12.2026 08:00:02.250;25.456;13.780;24.100\r\n"
              "07.12.2026 08:00:03.250;26.456;13.780;24.100\r\n");
    EXPECT_THROW(ExportChartCsv(store, t0, t0, dir.File("missing/view.csv")), EInOutError);
}

// A visit's points are those from the first that came after its start: the picture of a visit
// never reaches back into the installation before it.
TEST(ChartModelTest, VisitViewCutsTheViewAtTheVisitsFirstPoint) {
    TChartModel model;
    model.MarkVisitStart(); // before any point: the next one begins the visit
    model.AddPoint(1000, {24, 13, 24});
    EXPECT_EQ(model.VisitFrom(), 1000);
    model.AddPoint(2000, {24, 13, 24});
    model.AddPoint(3000, {24, 13, 24}); // the first reply of another installation
    model.MarkVisitStart();
    model.AddPoint(4000, {24, 13, 24});
    model.AddPoint(9000, {24, 13, 24});
    EXPECT_EQ(model.VisitFrom(), 3000);
    EXPECT_EQ(model.VisitView().first, 3000); // following the whole run
    EXPECT_EQ(model.VisitView().second, model.ViewTo());
    model.ShowRange(5000, 8000); // inside the visit: as it is
    EXPECT_EQ(model.VisitView(), std::make_pair(TChartTime{5000}, TChartTime{8000}));
    model.ShowRange(1000, 2500); // before the visit: the whole visit
    EXPECT_EQ(model.VisitView(), std::make_pair(TChartTime{3000}, TChartTime{9000}));
}
