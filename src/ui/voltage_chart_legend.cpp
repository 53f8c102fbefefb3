// Chart1's texts over the plot: the legend of the series (and of the past day's dashed layer)
// with the unit of the value axis, and the read-out of the record under the cursor.

#include "ui/voltage_chart.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr int LegendLineLength = 24;
constexpr int LegendGap = 12;

} // namespace

int TVoltageChart::LegendHeight() const {
    return fontMetrics().height() + 6;
}

void TVoltageChart::PaintLegend(QPainter& painter, const QRect& plot) const {
    const QFontMetrics metrics = fontMetrics();
    const int y = LegendHeight() / 2;
    const QColor text = palette().color(QPalette::WindowText);
    painter.setPen(text);
    // The unit of the value axis, over its labels.
    painter.drawText(QRect(0, 0, plot.left() - 4, LegendHeight()),
                     Qt::AlignRight | Qt::AlignVCenter, tr("V"));
    int x = plot.left() + 4;
    auto item = [&](const QString& title, const QColor& colour, Qt::PenStyle style) {
        painter.setPen(QPen(colour, 2, style));
        painter.drawLine(x, y, x + LegendLineLength, y);
        x += LegendLineLength + 4;
        painter.setPen(text);
        painter.drawText(x, y + metrics.ascent() / 2 - 1, title);
        x += metrics.horizontalAdvance(title) + LegendGap;
    };
    for (int s = 0; s < ChartSeriesCount; ++s) {
        if (SeriesAt(s).Visible && FLiveShown) {
            item(SeriesAt(s).Title, SeriesAt(s).Color, Qt::SolidLine);
        }
    }
    if (FModel.PastDay() != nullptr && !FModel.PastDay()->Empty()) {
        const TDateTime day = DateTimeOfChartTime(FModel.PastDay()->FirstTime());
        const QString date = QStringLiteral("%1.%2.%3")
                                 .arg(day.Day, 2, 10, QLatin1Char('0'))
                                 .arg(day.Month, 2, 10, QLatin1Char('0'))
                                 .arg(day.Year);
        for (int s = 0; s < ChartSeriesCount; ++s) {
            if (SeriesAt(s).Visible) {
                item(tr("%1 %2").arg(SeriesAt(s).Title, date), SeriesAt(s).Color, Qt::DashLine);
            }
        }
    }
}

void TVoltageChart::SetReadOut(std::optional<TChartTime> time) {
    if (time != FReadOut) {
        FReadOut = time;
        setAccessibleDescription(ReadOutText()); // what a screen reader tells of the read-out
        update();
    }
}

QString TVoltageChart::ReadOutText() const {
    if (!FReadOut) {
        return {};
    }
    // Only the layer drawn is read: with the run hidden and no past day, nothing.
    const TChartStore* layer = FLiveShown ? &FModel.Store() : FModel.PastDay();
    if (layer == nullptr) {
        return {};
    }
    if (const TChartGap* gap = layer->Gaps().At(*FReadOut)) {
        QString text = QString::fromStdString(ChartExportTimeText(*FReadOut)) + tr("   no reply");
        if (!gap->Label.empty()) {
            text += tr(" (then %1)").arg(QString::fromStdString(gap->Label));
        }
        return text;
    }
    const std::optional<TChartRecord> record = layer->Nearest(*FReadOut);
    if (!record) {
        return {};
    }
    QString text = QString::fromStdString(ChartExportTimeText(record->Time));
    for (int s = 0; s < ChartSeriesCount; ++s) {
        text += tr("   %1 %2 V").arg(SeriesAt(s).Title).arg(record->Values[s], 0, 'f', 3);
    }
    return text;
}

QImage TVoltageChart::Picture() {
    const std::optional<TChartTime> readOut = FReadOut;
    FReadOut.reset();
    FForPicture = true;
    const QImage picture = grab().toImage();
    FForPicture = false;
    FReadOut = readOut;
    return picture;
}

QImage TVoltageChart::PictureOf(TChartTime from, TChartTime to) {
    TChartModel& model = FModel;
    if (from == model.ViewFrom() && to == model.ViewTo()) {
        return Picture();
    }
    const bool following = model.Following();
    const bool paused = model.Paused();
    const TChartTime viewFrom = model.ViewFrom();
    const TChartTime viewTo = model.ViewTo();
    model.ShowRange(from, to);
    const QImage picture = Picture();
    if (following) {
        model.FollowNewest();
    } else {
        model.ShowRange(viewFrom, viewTo);
    }
    model.SetPaused(paused);
    return picture;
}

void TVoltageChart::PaintReadOut(QPainter& painter, const QRect& plot) const {
    const QString text = ReadOutText();
    if (text.isEmpty()) {
        return;
    }
    const int x = static_cast<int>(XOf(*FReadOut));
    painter.setPen(QPen(palette().color(QPalette::WindowText), 0, Qt::DotLine));
    painter.drawLine(x, plot.top(), x, plot.bottom());
    const QFontMetrics metrics = fontMetrics();
    QRect box(0, 0, metrics.horizontalAdvance(text) + 8, metrics.height() + 4);
    // Beside the cursor line, on the side with room.
    const int left = x + box.width() + 6 <= plot.right() ? x + 6 : x - 6 - box.width();
    box.moveTopLeft(QPoint(std::max(left, plot.left() + 2), plot.top() + 4));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(QColor(255, 255, 225));
    painter.drawRect(box);
    painter.drawText(box, Qt::AlignCenter, text);
}
