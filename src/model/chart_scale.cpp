#include "model/chart_scale.h"

#include <algorithm>

std::optional<TChartValueRange> ValueRangeOf(const TChartEnvelope& envelope,
                                             const TChartSeriesShown& shown,
                                             std::optional<TChartValueRange> more) {
    std::optional<TChartValueRange> range = more;
    for (int c = 0; c < envelope.ColumnCount(); ++c) {
        const TChartColumn& column = envelope.Column(c);
        if (column.Count == 0) {
            continue;
        }
        for (int s = 0; s < ChartSeriesCount; ++s) {
            if (!shown[static_cast<std::size_t>(s)]) {
                continue;
            }
            if (!range) {
                range = TChartValueRange{column.Min[s], column.Max[s]};
            }
            range->Minimum = std::min<double>(range->Minimum, column.Min[s]);
            range->Maximum = std::max<double>(range->Maximum, column.Max[s]);
        }
    }
    return range;
}

TChartValueRange FittedValueAxis(const TChartValueRange& data) {
    const double margin = (data.Maximum - data.Minimum) / 20;
    TChartValueRange axis{data.Minimum - margin, data.Maximum + margin};
    if (axis.Maximum - axis.Minimum < FitMinimumSpan) {
        const double middle = (data.Minimum + data.Maximum) / 2;
        axis = {middle - FitMinimumSpan / 2, middle + FitMinimumSpan / 2};
    }
    return axis;
}
