#include "model/chart_model.h"

#include <algorithm>
#include <cmath>

namespace {

// Columns per pixel while following: between one and two columns fall on each pixel.
constexpr int FollowColumnsPerPixel = 2;

} // namespace

void TChartModel::AddChartPoints(const TDateTime& time, double vNet, double vBat, double vDet) {
    AddPoint(ChartTimeOf(time), TChartValues{static_cast<float>(vNet), static_cast<float>(vBat),
                                             static_cast<float>(vDet)});
}

void TChartModel::AddPoint(TChartTime time, const TChartValues& volts) {
    TChartGaps& gaps = FStore.Gaps();
    if (gaps.IsOpen()) {
        gaps.Close(time);
    } else if (!FStore.Empty() &&
               time - FStore.LastTime() > TChartTime{GapIntervals} * std::max(FPollMs, 1u)) {
        gaps.Add(FStore.LastTime(), time); // the panel was silent
    }
    FStore.Add(time, volts);
    if (FVisitPending) {
        FVisitFrom = time;
        FVisitPending = false;
    }
    if (FPaused || !FLiveShown) {
        return;
    }
    if (FFollowing) {
        AddFollowing(time, volts);
    } else if (FEnvelope.Add(time, volts)) {
        FChanged = true;
    }
}

void TChartModel::AddFollowing(TChartTime time, const TChartValues& volts) {
    if (FStore.Count() == 1 || time < FEnvelope.Start()) {
        // The first point, or one from before the run's start (a clock set back).
        RebuildFollowing();
        return;
    }
    while (FEnvelope.ColumnOf(time) < 0) {
        FEnvelope.DoubleStep();
        FPastEnvelope.DoubleStep();
    }
    FEnvelope.Add(time, volts);
    FViewTo = std::max(FStore.LastTime(), FViewFrom + MinimumSpan);
    FChanged = true;
}

void TChartModel::Break(const std::string& label) {
    if (!FStore.Empty()) {
        FStore.Gaps().Open(FStore.LastTime(), label);
        FChanged = true;
    }
}

void TChartModel::InstallationAnswered(const std::string& deviceId) {
    const bool another = !FInstallation.empty() && deviceId != FInstallation;
    FInstallation = deviceId;
    if (!another || FStore.Count() < 2) {
        return;
    }
    const TChartTime first = FStore.LastTime();
    FStore.Gaps().Label(FStore.LastBefore(first)->Time, first, deviceId);
    FChanged = true;
}

const TChartStore& TChartModel::ShownStore() const {
    return FLiveShown || !FPast ? FStore : *FPast;
}

void TChartModel::SetLiveShown(bool shown) {
    if (shown != FLiveShown) {
        FLiveShown = shown;
        Rebuild();
    }
}

void TChartModel::SetPlotWidth(int pixels) {
    pixels = std::max(pixels, 1);
    if (pixels != FPlotWidth) {
        FPlotWidth = pixels;
        Rebuild();
    }
}

void TChartModel::FollowNewest() {
    FFollowing = true;
    FPaused = false;
    Rebuild();
}

void TChartModel::ShowRange(TChartTime from, TChartTime to) {
    TChartTime span = std::clamp(to - from, MinimumSpan, MaximumSpan);
    // Keep the middle of the asked range when it had to widen or narrow.
    const TChartTime middle = from + (to - from) / 2;
    FViewFrom = middle - span / 2;
    FViewTo = FViewFrom + span;
    FFollowing = false;
    RebuildRange();
}

void TChartModel::Zoom(TChartTime anchor, double factor) {
    const auto scaled = [&](TChartTime t) {
        return anchor +
               static_cast<TChartTime>(std::llround(static_cast<double>(t - anchor) * factor));
    };
    const TChartTime from = scaled(FViewFrom);
    const TChartTime to = scaled(FViewTo);
    if (to - from < MinimumSpan) {
        // Narrowest view reached: keep the anchor where it is on the screen.
        const double share =
            static_cast<double>(anchor - FViewFrom) / static_cast<double>(FViewTo - FViewFrom);
        const TChartTime left = static_cast<TChartTime>(std::llround(share * MinimumSpan));
        ShowRange(anchor - left, anchor - left + MinimumSpan);
        return;
    }
    ShowRange(from, to);
}

void TChartModel::Pan(TChartTime delta) {
    ShowRange(FViewFrom + delta, FViewTo + delta);
}

void TChartModel::SetPaused(bool paused) {
    if (paused == FPaused) {
        return;
    }
    FPaused = paused;
    if (!paused) {
        // Catch up with what arrived during the pause.
        Rebuild();
    }
}

bool TChartModel::TakeChanged() {
    const bool changed = FChanged;
    FChanged = false;
    return changed;
}

void TChartModel::Rebuild() {
    if (FFollowing) {
        RebuildFollowing();
    } else {
        RebuildRange();
    }
}

void TChartModel::RebuildFollowing() {
    const int columns = FollowColumnsPerPixel * FPlotWidth;
    const TChartStore& followed = FLiveShown ? FStore : ShownStore();
    if (followed.Empty()) {
        ResetEnvelopes(0, 1, columns);
        FViewFrom = 0;
        FViewTo = MinimumSpan;
        FChanged = true;
        return;
    }
    const TChartTime first = followed.FirstTime();
    const TChartTime last = followed.LastTime();
    // The smallest step of 2^k milliseconds whose columns reach past the newest point.
    double step = 1;
    while (static_cast<double>(last - first) >= step * columns) {
        step *= 2;
    }
    ResetEnvelopes(first, step, columns);
    FViewFrom = first;
    FViewTo = std::max(last, first + MinimumSpan);
    FChanged = true;
}

void TChartModel::RebuildRange() {
    ResetEnvelopes(FViewFrom, static_cast<double>(FViewTo - FViewFrom) / FPlotWidth, FPlotWidth);
    FChanged = true;
}

void TChartModel::ResetEnvelopes(TChartTime start, double step, int columns) {
    FEnvelope.Reset(start, step, columns);
    FStore.FillEnvelope(FEnvelope);
    FPastEnvelope.Reset(start, step, columns);
    if (FPast) {
        FPast->FillEnvelope(FPastEnvelope);
    }
}

void TChartModel::SetPastDay(std::unique_ptr<TChartStore> day) {
    FPast = std::move(day);
    Rebuild();
}

void TChartModel::MarkVisitStart() {
    FVisitPending = FStore.Empty();
    FVisitFrom = FStore.Empty() ? std::nullopt : std::optional<TChartTime>(FStore.LastTime());
}

std::optional<TChartTime> TChartModel::VisitFrom() const {
    if (FVisitFrom) {
        return FVisitFrom;
    }
    return FStore.Empty() ? std::nullopt : std::optional<TChartTime>(FStore.FirstTime());
}

std::pair<TChartTime, TChartTime> TChartModel::VisitView() const {
    const std::optional<TChartTime> from = VisitFrom();
    if (!from || *from <= FViewFrom) {
        return {FViewFrom, FViewTo}; // the whole view is the visit's
    }
    if (*from < FViewTo) {
        return {*from, std::max(FViewTo, *from + MinimumSpan)};
    }
    // The view lies before the visit: the whole visit.
    return {*from, std::max(FStore.LastTime(), *from + MinimumSpan)};
}
