#pragma once
// The lines of the voltage chart: an envelope of pixel columns (and the records just outside the
// view, where the lines leave it) turned into one polyline per series.

#include "model/chart_model.h"
#include "model/chart_scale.h"

#include <QList>
#include <QPolygonF>
#include <QRect>

#include <optional>

// Where times and voltages lie on the widget.
struct TPlotMapping {
    QRect Plot;
    TChartTime From;
    TChartTime To;
    TChartValueRange Values;

    double X(TChartTime t) const {
        return Plot.left() + static_cast<double>(t - From) * Plot.width() / (To - From);
    }
    double Y(float v) const {
        return Plot.bottom() -
               (v - Values.Minimum) * Plot.height() / (Values.Maximum - Values.Minimum);
    }
};

// The lines of series s: from the record before the view through every column of the envelope
// (first, lowest, highest, last; columns that fall on one pixel drawn as one) to the record
// after, one line for each stretch between the layer's gaps.
QList<QPolygonF> SeriesLines(const TChartEnvelope& envelope, int s, const TPlotMapping& map,
                             const TChartGaps& gaps, const std::optional<TChartRecord>& leadIn,
                             const std::optional<TChartRecord>& leadOut);
