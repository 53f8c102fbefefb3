#pragma once
// Chart1: the supply voltages of the master over time, drawn from the core's chart model. Three
// series (Series1 mains, red; Series2 battery, the chart's default green; Series3 lines supply,
// yellow), no legend and no title, flat, white back wall. The left axis is fixed from 0 to 30 V
// with labels "##.##  "; the bottom axis shows local time as "hh:mm:ss dd.mm.yy", wrapped onto
// two lines where one does not fit; the right axis is fixed with maximum 24 and carries no series.
//
// Only what can be seen is drawn: per pixel column the first, lowest, highest and last value,
// kept by the model as points arrive. The picture is redrawn at most RedrawsPerSecond times.
// The mouse wheel zooms time around the pointer, dragging pans it, a double click returns to
// following the newest points; the voltage axis stays fixed.

#include "model/chart_model.h"

#include <QColor>
#include <QPoint>
#include <QString>
#include <QWidget>

class QTimer;

// One line of the chart.
struct TChartSeries {
    QString Name;  // "Series1" ...
    QString Title; // what it shows, for the exported file and screen readers
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

    // The plot area inside the axes, in widget coordinates.
    QRect PlotRect() const;
    // The time under a horizontal widget position.
    TChartTime TimeAt(double x) const;

    static constexpr int RedrawsPerSecond = 4;

signals:
    // The view changed between following, paused and a chosen range.
    void ViewModeChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void RedrawTimerTimer();
    void PaintLeftAxis(QPainter& painter, const QRect& plot) const;
    void PaintBottomAxis(QPainter& painter, const QRect& plot) const;
    void PaintSeries(QPainter& painter, const QRect& plot) const;
    int LeftAxisWidth() const;
    int BottomAxisHeight() const;
    const TChartSeries& SeriesAt(int index) const;

    TChartModel FModel;
    QTimer* FRedrawTimer;
    bool FDragging = false;
    QPoint FDragFrom;
};
