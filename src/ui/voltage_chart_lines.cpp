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

QList<QPolygonF> SeriesLines(const TChartEnvelope& envelope, int s, const TPlotMapping& map,
                             const TChartGaps& gaps, const std::optional<TChartRecord>& leadIn,
                             const std::optional<TChartRecord>& leadOut) {
    QList<QPolygonF> lines;
    auto point = [&](const TChartRecord& r) { return QPointF(map.X(r.Time), map.Y(r.Values[s])); };
    std::optional<TChartTime> last; // the last point drawn
    if (leadIn) {
        lines.append(QPolygonF{point(*leadIn)});
        last = leadIn->Time;
    }
    for (const TChartRun& run : ChartRuns(envelope, gaps)) {
        const TChartColumn& first = envelope.Column(run.First);
        if (!last || gaps.Between(*last, first.FirstTime)) {
            lines.append(QPolygonF());
            lines.back().reserve(4 * map.Plot.width() + 2);
        }
        TChartColumn pixel;
        int pixelX = 0;
        for (int c = run.First; c <= run.Last; ++c) {
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
                AppendPixel(lines.back(), pixel, s, map);
            }
            pixel = column;
            pixelX = columnX;
        }
        AppendPixel(lines.back(), pixel, s, map);
        last = pixel.LastTime;
    }
    if (leadOut) {
        if (!last || gaps.Between(*last, leadOut->Time)) {
            lines.append(QPolygonF());
        }
        lines.back().append(point(*leadOut));
    }
    return lines;
}
