#pragma once
// Chart1: the supply voltages of the master over time, drawn from the core's chart model. Three
// series (Series1 mains, red; Series2 battery, the chart's default green; Series3 lines supply,
// yellow), flat, white back wall, with a legend of the series above the plot and the unit "V"
// over the value axis. The left axis is fixed from 0 to 30 V with labels "##.##  " unless the
// user asks to fit it to the data in view; the bottom axis shows local time as
// "hh:mm:ss dd.mm.yy", wrapped onto two lines where one does not fit; the right axis is fixed
// with maximum 24 and carries no series. A past day's layer is drawn dashed in the same colours.
// No line crosses a gap in the replies: a light band lies over it instead.
//
// Only what can be seen is drawn: per pixel column the first, lowest, highest and last value,
// kept by the model as points arrive. The picture is redrawn at most RedrawsPerSecond times a
// second, and only while it is in sight: out of sight its timer sleeps.
//
// Mouse: the wheel zooms time around the pointer, dragging pans it, a double click returns to
// following the newest points, and the pointer's place shows the read-out (time and the three
// values of the nearest record). Keys, once the chart has the focus: Left and Right pan a tenth
// of the view, + and - zoom around the read-out (or the middle), Home follows the newest points,
// Shift+Left and Shift+Right move the read-out a pixel (with Ctrl ten), Esc hides it, F fits
// the value axis to the data in view, X returns it to the fixed range.

#include "model/chart_model.h"
#include "model/chart_scale.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>
#include <vector>

class QTimer;

// One line of the chart.
struct TChartSeries {
    QString Name;  // "Series1" ...
    QString Title; // what it shows: legend, read-out, screen readers
    QColor Color;  // line colour
    bool FastLine; // a fast line (Series1, Series3) or a line with hidden point markers
    bool Visible = true;
};

// A fixed value axis.
struct TChartValueAxis {
    double Minimum = 0;
    double Maximum = 30;
    QString LabelFormat; // number format of the labels; empty: no labels
};

class TVoltageChart : public QWidget {
    Q_OBJECT
public:
    explicit TVoltageChart(QWidget* parent = nullptr);

    // The points and the view; the status decoder adds to it as its chart step.
    TChartModel& Model() { return FModel; }
    const TChartModel& Model() const { return FModel; }

    TChartSeries Series1;
    TChartSeries Series2;
    TChartSeries Series3;
    TChartValueAxis LeftAxis;
    TChartValueAxis RightAxis;

    // Fit: the value axis follows the data in view (with a small margin); otherwise LeftAxis.
    void SetFitValues(bool fit);
    bool FitValues() const { return FFitValues; }
    // The live layer drawn (true) or only the past day's.
    void SetLiveShown(bool shown);
    bool LiveShown() const { return FLiveShown; }
    // The range the value axis shows now, and the labels along it, lowest first.
    TChartValueRange ValueAxisRange() const;
    QStringList ValueAxisLabels() const;

    // The read-out at a time (nothing hides it), and its text: the time and the values of the
    // nearest record of the layer drawn ("" without a record), or "no reply" in a gap.
    void SetReadOut(std::optional<TChartTime> time);
    std::optional<TChartTime> ReadOut() const { return FReadOut; }
    QString ReadOutText() const;

    // The chart as drawn, without the read-out and the focus frame.
    QImage Picture();
    // The same of the range [from, to]; the view is given back as it was.
    QImage PictureOf(TChartTime from, TChartTime to);

    // The plot area inside the axes, in widget coordinates.
    QRect PlotRect() const;
    // The time under a horizontal widget position, and the position of a time.
    TChartTime TimeAt(double x) const;
    double XOf(TChartTime time) const;
    const TChartSeries& SeriesAt(int index) const;

    static constexpr int RedrawsPerSecond = 4;

signals:
    // The view changed between following, paused and a chosen range, or its value scale.
    void ViewModeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void RedrawTimerTimer();
    struct TValueTick {
        double Value;
        QString Label;
    };
    std::vector<TValueTick> ValueTicks(const QRect& plot, const TChartValueRange& axis) const;
    void PaintLeftAxis(QPainter& painter, const QRect& plot, const TChartValueRange& axis) const;
    void PaintBottomAxis(QPainter& painter, const QRect& plot) const;
    void PaintSeries(QPainter& painter, const QRect& plot, const TChartValueRange& axis) const;
    void PaintLegend(QPainter& painter, const QRect& plot) const;
    void PaintReadOut(QPainter& painter, const QRect& plot) const;
    void PaintGaps(QPainter& painter, const QRect& plot, const TChartGaps& gaps) const;
    int LeftAxisWidth() const;
    int BottomAxisHeight() const;
    int LegendHeight() const;
    TChartSeriesShown Shown() const;
    void ViewMoved();
    void ZoomAroundReadOut(double factor);
    void MoveReadOut(int pixels);

    TChartModel FModel;
    QTimer* FRedrawTimer;
    bool FDragging = false;
    QPoint FDragFrom;
    bool FFitValues = false;
    bool FLiveShown = true;
    std::optional<TChartTime> FReadOut;
    bool FForPicture = false;
};
