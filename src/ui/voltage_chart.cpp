#include "ui/voltage_chart.h"

#include "model/number_format.h"
#include "ui/voltage_chart_lines.h"

#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {

constexpr int TickLength = 4;
constexpr int RightMargin = 16;
// Space left free beside each bottom label, as a share of its width.
constexpr double LabelSeparation = 0.20;

const QColor BackWallColor = Qt::white;
const QColor GridColor(0xD8, 0xD8, 0xD8);
const QColor GapColor(0xEC, 0xEC, 0xF4); // a light band where no reply came

// The voltage steps of the left axis labels, smallest first (a fitted axis may be 0.05 V tall).
constexpr double ValueSteps[] = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30};

// The separators of the labels' number format, from the chart's locale.
TFormatSymbols SymbolsOf(const QLocale& locale) {
    return {locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString()};
}

} // namespace

TVoltageChart::TVoltageChart(QWidget* parent)
    : QWidget(parent), Series1{QStringLiteral("Series1"), tr("Mains"), Qt::red, true},
      Series2{QStringLiteral("Series2"), tr("Battery"), QColor(0x00, 0x80, 0x00), false},
      Series3{QStringLiteral("Series3"), tr("Lines supply"), Qt::yellow, true},
      LeftAxis{0, 30, QStringLiteral("##.##  ")}, RightAxis{0, 24, QString()},
      FRedrawTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("Chart1"));
    setAccessibleName(tr("Supply voltages"));
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 120);
    setCursor(Qt::OpenHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true); // the read-out follows the pointer
    FRedrawTimer->setObjectName(QStringLiteral("RedrawTimer"));
    FRedrawTimer->setInterval(1000 / RedrawsPerSecond);
    connect(FRedrawTimer, &QTimer::timeout, this, &TVoltageChart::RedrawTimerTimer);
}

// A chart out of sight has nothing to redraw, and shown again it is drawn whole anyway: its
// timer wakes nobody meanwhile.
void TVoltageChart::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FRedrawTimer->start();
}

void TVoltageChart::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    FRedrawTimer->stop();
}

void TVoltageChart::RedrawTimerTimer() {
    if (FModel.TakeChanged()) {
        update();
    }
}

const TChartSeries& TVoltageChart::SeriesAt(int index) const {
    return index == 0 ? Series1 : (index == 1 ? Series2 : Series3);
}

TChartSeriesShown TVoltageChart::Shown() const {
    return {Series1.Visible, Series2.Visible, Series3.Visible};
}

void TVoltageChart::SetFitValues(bool fit) {
    FFitValues = fit;
    update();
    emit ViewModeChanged();
}

void TVoltageChart::SetLiveShown(bool shown) {
    FLiveShown = shown;
    FModel.SetLiveShown(shown);
    setAccessibleDescription(ReadOutText());
    update();
    emit ViewModeChanged();
}

TChartValueRange TVoltageChart::ValueAxisRange() const {
    const TChartValueRange fixed{LeftAxis.Minimum, LeftAxis.Maximum};
    if (!FFitValues) {
        return fixed;
    }
    const TChartSeriesShown none{};
    const std::optional<TChartValueRange> past =
        ValueRangeOf(FModel.PastEnvelope(), FModel.PastDay() ? Shown() : none);
    const std::optional<TChartValueRange> data =
        ValueRangeOf(FModel.Envelope(), FLiveShown ? Shown() : none, past);
    return data ? FittedValueAxis(*data) : fixed;
}

int TVoltageChart::BottomAxisHeight() const {
    return TickLength + 2 * fontMetrics().height() + 4;
}

int TVoltageChart::LeftAxisWidth() const {
    const TFormatSymbols symbols = SymbolsOf(locale());
    int widest = 0;
    for (double v : {LeftAxis.Minimum, LeftAxis.Maximum, 88.88}) {
        const std::string text = FormatFloat(LeftAxis.LabelFormat.toStdString(), v, symbols);
        widest = std::max(widest, fontMetrics().horizontalAdvance(QString::fromStdString(text)));
    }
    return widest + TickLength + 2;
}

QRect TVoltageChart::PlotRect() const {
    const int left = LeftAxisWidth();
    const int bottom = height() - BottomAxisHeight();
    return QRect(QPoint(left, LegendHeight()), QPoint(width() - RightMargin, bottom - 1));
}

TChartTime TVoltageChart::TimeAt(double x) const {
    const QRect plot = PlotRect();
    const double span = static_cast<double>(FModel.ViewTo() - FModel.ViewFrom());
    return FModel.ViewFrom() +
           static_cast<TChartTime>(std::llround((x - plot.left()) * span / plot.width()));
}

double TVoltageChart::XOf(TChartTime time) const {
    const QRect plot = PlotRect();
    const double span = static_cast<double>(FModel.ViewTo() - FModel.ViewFrom());
    return plot.left() + static_cast<double>(time - FModel.ViewFrom()) * plot.width() / span;
}

void TVoltageChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FModel.SetPlotWidth(PlotRect().width());
}

void TVoltageChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), BackWallColor);
    const QRect plot = PlotRect();
    if (plot.width() <= 0 || plot.height() <= 0) {
        return;
    }
    FModel.SetPlotWidth(plot.width());
    const TChartValueRange axis = ValueAxisRange();
    PaintLeftAxis(painter, plot, axis);
    PaintLegend(painter, plot);
    // Before the first point there is no time to label and nothing to draw.
    if (!FModel.Store().Empty() || FModel.PastDay() != nullptr) {
        PaintBottomAxis(painter, plot);
        PaintSeries(painter, plot, axis);
        PaintReadOut(painter, plot);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    if (hasFocus() && !FForPicture) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

std::vector<TVoltageChart::TValueTick>
TVoltageChart::ValueTicks(const QRect& plot, const TChartValueRange& axis) const {
    const double range = axis.Maximum - axis.Minimum;
    const int lineHeight = fontMetrics().height();
    double step = ValueSteps[std::size(ValueSteps) - 1];
    for (double s : ValueSteps) {
        if (plot.height() * s / range >= 1.5 * lineHeight) {
            step = s;
            break;
        }
    }
    const TFormatSymbols symbols = SymbolsOf(locale());
    const std::string format = LeftAxis.LabelFormat.toStdString();
    std::vector<TValueTick> ticks;
    const int first = static_cast<int>(std::ceil(axis.Minimum / step - 1e-9));
    for (int i = first; i * step <= axis.Maximum + 1e-9; ++i) {
        const double value = i * step;
        QString label = QString::fromStdString(FormatFloat(format, value, symbols));
        if (label.trimmed().isEmpty()) {
            label = QStringLiteral("0") + label; // "##.##" makes nothing of zero
        }
        ticks.push_back({value, label});
    }
    return ticks;
}

QStringList TVoltageChart::ValueAxisLabels() const {
    QStringList labels;
    for (const TValueTick& tick : ValueTicks(PlotRect(), ValueAxisRange())) {
        labels << tick.Label;
    }
    return labels;
}

void TVoltageChart::PaintLeftAxis(QPainter& painter, const QRect& plot,
                                  const TChartValueRange& axis) const {
    const double range = axis.Maximum - axis.Minimum;
    const int lineHeight = fontMetrics().height();
    for (const TValueTick& tick : ValueTicks(plot, axis)) {
        const int y =
            plot.bottom() -
            static_cast<int>(std::lround((tick.Value - axis.Minimum) / range * plot.height()));
        painter.setPen(GridColor);
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawLine(plot.left() - TickLength, y, plot.left(), y);
        const QRect box(0, y - lineHeight / 2, plot.left() - TickLength, lineHeight);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, tick.Label);
    }
}

void TVoltageChart::PaintBottomAxis(QPainter& painter, const QRect& plot) const {
    const TChartTime from = FModel.ViewFrom();
    const TChartTime to = FModel.ViewTo();
    const QFontMetrics metrics = fontMetrics();
    const int oneLine = metrics.horizontalAdvance(QStringLiteral("00:00:00 00.00.00"));
    const int twoLines = metrics.horizontalAdvance(QStringLiteral("00:00:00"));
    // One line while at least four labels fit, otherwise time above date.
    const bool wrap = plot.width() / (oneLine * (1 + LabelSeparation)) < 4;
    const int labelWidth = wrap ? twoLines : oneLine;
    const int maxLabels =
        std::max(1, static_cast<int>(plot.width() / (labelWidth * (1 + LabelSeparation))));
    const double scale = plot.width() / static_cast<double>(to - from);
    for (TChartTime tick : ChartTimeTicks(from, to, maxLabels)) {
        const int x = plot.left() + static_cast<int>(std::lround((tick - from) * scale));
        painter.setPen(GridColor);
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawLine(x, plot.bottom(), x, plot.bottom() + TickLength);
        QString label = QString::fromStdString(ChartAxisTimeText(tick));
        if (wrap) {
            label.replace(QLatin1Char(' '), QLatin1Char('\n'));
        }
        // A label at either end is moved in rather than cut off by the window's edge.
        const int left = std::clamp(x - labelWidth, -labelWidth / 2, width() - 3 * labelWidth / 2);
        const QRect box(left, plot.bottom() + TickLength + 1, 2 * labelWidth, 2 * metrics.height());
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, label);
    }
}

void TVoltageChart::PaintSeries(QPainter& painter, const QRect& plot,
                                const TChartValueRange& axis) const {
    const TPlotMapping map{plot, FModel.ViewFrom(), FModel.ViewTo(), axis};
    painter.save();
    painter.setClipRect(plot.adjusted(1, 1, 0, 0));
    painter.setRenderHint(QPainter::Antialiasing, false);
    // The gaps of the layer in front under everything, the past day under the live run, dashed.
    const TChartStore* past = FModel.PastDay();
    PaintGaps(painter, plot, FLiveShown || past == nullptr ? FModel.Store().Gaps() : past->Gaps());
    auto draw = [&](const QList<QPolygonF>& lines) {
        for (const QPolygonF& line : lines) {
            if (line.size() == 1) {
                painter.drawPoint(line.front()); // a lone record between two gaps
            } else {
                painter.drawPolyline(line);
            }
        }
    };
    if (past != nullptr) {
        const auto leadIn = past->LastBefore(FModel.ViewFrom());
        const auto leadOut = past->FirstFrom(FModel.ViewTo());
        for (int s = 0; s < ChartSeriesCount; ++s) {
            if (SeriesAt(s).Visible) {
                painter.setPen(QPen(SeriesAt(s).Color, 0, Qt::DashLine));
                draw(SeriesLines(FModel.PastEnvelope(), s, map, past->Gaps(), leadIn, leadOut));
            }
        }
    }
    if (FLiveShown) {
        const std::optional<TChartRecord> leadIn = FModel.LeadIn();
        const std::optional<TChartRecord> leadOut = FModel.LeadOut();
        for (int s = 0; s < ChartSeriesCount; ++s) {
            if (SeriesAt(s).Visible) {
                painter.setPen(QPen(SeriesAt(s).Color, 0));
                draw(
                    SeriesLines(FModel.Envelope(), s, map, FModel.Store().Gaps(), leadIn, leadOut));
            }
        }
    }
    painter.restore();
}

// A light band over every gap in view (to the plot's right edge while the gap lasts), with
// what began after it, such as another installation's ID, at its top.
void TVoltageChart::PaintGaps(QPainter& painter, const QRect& plot, const TChartGaps& gaps) const {
    for (const TChartGap& gap : gaps.In(FModel.ViewFrom(), FModel.ViewTo())) {
        const double left = std::max<double>(XOf(gap.From), plot.left());
        const double right = gap.To ? std::min<double>(XOf(*gap.To), plot.right()) : plot.right();
        if (right <= left) {
            continue;
        }
        const QRectF band(QPointF(left, plot.top()), QPointF(right, plot.bottom()));
        painter.fillRect(band, GapColor);
        if (!gap.Label.empty()) {
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(band.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                             QString::fromStdString(gap.Label));
        }
    }
}
