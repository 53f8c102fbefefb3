#include "ui/voltage_chart_lines.h"

#include <cmath>

namespace {

// One pixel column of a series: first, lowest, highest and last value, the two in between
// halfway between the first and the last point's place.
void AppendPixel(QPolygonF& line, const TChartColumn& pixel, int s, const TPlotMapping& map) {
    line.append(QPointF(map.X(pixel.FirstTime), map.Y(pixel.First[s])));
    if (pixel.Count > 1) {
        const double middle = (map.X(pixel.FirstTime) + map.X(pixel.LastTime)) / 2;
        line.append(QPointF(middle, map.Y(pixel.Min[s])));
        line.append(QPointF(middle, map.Y(pixel.Max[s])));
        line.append(QPointF(map.X(pixel.LastTime), map.Y(pixel.Last[s])));
    }
}

} // namespace

QPolygonF SeriesLine(const TChartEnvelope& envelope, int s, const TPlotMapping& map,
                     const std::optional<TChartRecord>& leadIn,
                     const std::optional<TChartRecord>& leadOut) {
    QPolygonF line;
    line.reserve(4 * map.Plot.width() + 2);
    if (leadIn) {
        line.append(QPointF(map.X(leadIn->Time), map.Y(leadIn->Values[s])));
    }
    TChartColumn pixel;
    int pixelX = 0;
    for (int c = 0; c < envelope.ColumnCount(); ++c) {
        const TChartColumn& column = envelope.Column(c);
        if (column.Count == 0) {
            continue;
        }
        const int columnX = static_cast<int>(std::floor(map.X(column.FirstTime)));
        if (pixel.Count != 0 && columnX == pixelX) {
            pixel.Append(column);
            continue;
        }
        if (pixel.Count != 0) {
            AppendPixel(line, pixel, s, map);
        }
        pixel = column;
        pixelX = columnX;
    }
    if (pixel.Count != 0) {
        AppendPixel(line, pixel, s, map);
    }
    if (leadOut) {
        line.append(QPointF(map.X(leadOut->Time), map.Y(leadOut->Values[s])));
    }
    return line;
}
