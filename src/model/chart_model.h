#pragma once
// The supply-voltage chart without the screen: every point of the run in a TChartStore, and the
// envelope of the time range in view, kept up to date as points arrive, so that what is drawn
// never costs more than the width of the chart.
//
// The view either follows the newest points, showing the whole run from its first point to its
// newest, or shows a range the user chose by zooming or panning. A pause holds the picture still
// while points keep arriving; they are all there when the view moves again.
//
// While following, the columns are half pixels of a time step that doubles (merging pairs of
// columns) whenever the run outgrows them, so a point costs O(1) however long the run is.
//
// A past day's records (read back from its data report file) may lie beside the run as a second
// layer on the same time axis, with an envelope of the same columns. With the run hidden,
// following shows the whole past day.
//
// Neither layer draws a line across a gap in its records: a silence longer than three refresh
// intervals, or a break the window asks for (Stop, a device pulled, another installation).

#include "model/chart_store.h"
#include "model/status_view.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class TChartModel : public IChartSink {
public:
    // The three voltages of one record: series 0 mains, 1 battery, 2 lines supply.
    void AddChartPoints(const TDateTime& time, double vNet, double vBat, double vDet) override;
    void AddPoint(TChartTime time, const TChartValues& volts);

    // The refresh interval in force: a silence longer than GapIntervals of them between two
    // records is a gap in the lines.
    void SetPollInterval(uint32_t milliseconds) { FPollMs = milliseconds; }
    static constexpr uint32_t GapIntervals = 3;
    // The link broke (stopped, device gone, another installation answering): the line ends at
    // the newest record and starts again at the next one. `label` names what begins after the
    // gap (another installation's ID), or is empty.
    void Break(const std::string& label = {});
    // A status reply came from the master with this device ID, after its points were added:
    // when another installation answered before, the line breaks before its first record and
    // the gap is labelled with the new ID.
    void InstallationAnswered(const std::string& deviceId);

    // Whether the live run is drawn. While it is not, following shows the past day's records.
    void SetLiveShown(bool shown);
    bool LiveShown() const { return FLiveShown; }

    // The width of the plot in pixels; the envelope is rebuilt for it.
    void SetPlotWidth(int pixels);

    // Back to following the newest points (and out of a pause).
    void FollowNewest();
    // Shows [from, to] (at least MinimumSpan) and stops following.
    void ShowRange(TChartTime from, TChartTime to);
    // Shrinks (factor < 1) or widens the range in view around `anchor`, which stays in place.
    void Zoom(TChartTime anchor, double factor);
    // Moves the range in view by `delta` milliseconds.
    void Pan(TChartTime delta);
    void SetPaused(bool paused);

    bool Following() const { return FFollowing; }
    bool Paused() const { return FPaused; }
    // The time range in view.
    TChartTime ViewFrom() const { return FViewFrom; }
    TChartTime ViewTo() const { return FViewTo; }
    const TChartEnvelope& Envelope() const { return FEnvelope; }
    const TChartStore& Store() const { return FStore; }

    // The points just outside the view on the left and right, where the lines leave it.
    std::optional<TChartRecord> LeadIn() const { return FStore.LastBefore(FViewFrom); }
    std::optional<TChartRecord> LeadOut() const { return FStore.FirstFrom(FViewTo); }

    // The past day's layer (replacing one there was; nullptr removes it). The view is unchanged.
    void SetPastDay(std::unique_ptr<TChartStore> day);
    // The past day's records, and their envelope in the columns of Envelope(); nullptr and an
    // empty envelope without a past day.
    const TChartStore* PastDay() const { return FPast.get(); }
    const TChartEnvelope& PastEnvelope() const { return FPastEnvelope; }

    // A new visit began with the newest point (another installation answers): the visit's
    // points are those from it on, in the order they came. Before any point, the next one.
    void MarkVisitStart();
    // The time of the visit's first point (the run's first before any visit was marked).
    std::optional<TChartTime> VisitFrom() const;
    // The range in view cut to the current visit (the whole visit when the view lies before
    // it): what a picture of the visit shows.
    std::pair<TChartTime, TChartTime> VisitView() const;

    // True once after each change of the picture; the window redraws only then.
    bool TakeChanged();

    // The narrowest and widest ranges the view can show.
    static constexpr TChartTime MinimumSpan = 100;
    static constexpr TChartTime MaximumSpan = 100LL * 366 * ChartDay;

private:
    void Rebuild();
    void RebuildFollowing();
    void RebuildRange();
    void AddFollowing(TChartTime time, const TChartValues& volts);
    void ResetEnvelopes(TChartTime start, double step, int columns);

    TChartStore FStore;
    TChartEnvelope FEnvelope;
    std::unique_ptr<TChartStore> FPast;
    TChartEnvelope FPastEnvelope;
    // The store following and the read-out look at: the run, or the past day alone.
    const TChartStore& ShownStore() const;

    int FPlotWidth = 600;
    uint32_t FPollMs = 1000;
    std::string FInstallation; // the device ID of the last status reply; empty before any
    bool FLiveShown = true;
    bool FFollowing = true;
    bool FPaused = false;
    TChartTime FViewFrom = 0;
    TChartTime FViewTo = ChartSecond;
    bool FChanged = true;
    std::optional<TChartTime> FVisitFrom; // the time of the visit's first point, as it came
    bool FVisitPending = false;           // marked before any point: the next one begins it
};
