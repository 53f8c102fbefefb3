#include "ui/voltage_chart.h"

#include "model/number_format.h"

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
constexpr int TopMargin = 10;
constexpr int RightMargin = 16;
// Space left free beside each bottom label, as a share of its width.
constexpr double LabelSeparation = 0.20;
// Each notch of the mouse wheel shows this share of the range before.
constexpr double ZoomPerNotch = 0.8;

const QColor BackWallColor = Qt::white;
const QColor GridColor(0xD8, 0xD8, 0xD8);

// The voltage steps of the left axis labels, smallest first.
constexpr double ValueSteps[] = {0.5, 1, 2, 5, 10, 15, 30};

// The separators of the labels' number format, from the chart's locale.
TFormatSymbols SymbolsOf(const QLocale& locale) {
    return {locale.decimalPoint().toStdString(), locale.groupSeparator().toStdString()};
}

// Where times and voltages lie on the widget.
struct TPlotMapping {
    QRect Plot;
    TChartTime From;
    TChartTime To;
    double Minimum;
    double Maximum;

    double X(TChartTime t) const {
        return Plot.left() + static_cast<double>(t - From) * Plot.width() / (To - From);
    }
    double Y(float v) const {
        return Plot.bottom() - (v - Minimum) * Plot.height() / (Maximum - Minimum);
    }
};

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

// The line of series s through the envelope; columns that fall on one pixel are drawn as one.
void AppendEnvelope(QPolygonF& line, const TChartEnvelope& envelope, int s,
                    const TPlotMapping& map) {
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
}

} // namespace

TVoltageChart::TVoltageChart(QWidget* parent)
    : QWidget(parent), Series1{QStringLiteral("Series1"), tr("Mains [V]"), Qt::red, true},
      Series2{QStringLiteral("Series2"), tr("Battery [V]"), QColor(0x00, 0x80, 0x00), false},
      Series3{QStringLiteral("Series3"), tr("Lines [V]"), Qt::yellow, true},
      LeftAxis{0, 30, QStringLiteral("##.##  ")}, RightAxis{0, 24, QString()},
      FRedrawTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("Chart1"));
    setAccessibleName(tr("Supply voltages"));
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 120);
    setCursor(Qt::OpenHandCursor);
    FRedrawTimer->setInterval(1000 / RedrawsPerSecond);
    connect(FRedrawTimer, &QTimer::timeout, this, &TVoltageChart::RedrawTimerTimer);
    FRedrawTimer->start();
}

void TVoltageChart::RedrawTimerTimer() {
    if (FModel.TakeChanged()) {
        update();
    }
}

const TChartSeries& TVoltageChart::SeriesAt(int index) const {
    return index == 0 ? Series1 : (index == 1 ? Series2 : Series3);
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
    return QRect(QPoint(left, TopMargin), QPoint(width() - RightMargin, bottom - 1));
}

TChartTime TVoltageChart::TimeAt(double x) const {
    const QRect plot = PlotRect();
    const double span = static_cast<double>(FModel.ViewTo() - FModel.ViewFrom());
    return FModel.ViewFrom() +
           static_cast<TChartTime>(std::llround((x - plot.left()) * span / plot.width()));
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
    PaintLeftAxis(painter, plot);
    // Before the first point there is no time to label and nothing to draw.
    if (!FModel.Store().Empty()) {
        PaintBottomAxis(painter, plot);
        PaintSeries(painter, plot);
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
}

void TVoltageChart::PaintLeftAxis(QPainter& painter, const QRect& plot) const {
    const double range = LeftAxis.Maximum - LeftAxis.Minimum;
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
    const int first = static_cast<int>(std::ceil(LeftAxis.Minimum / step - 1e-9));
    for (int i = first; i * step <= LeftAxis.Maximum + 1e-9; ++i) {
        const double value = i * step;
        const int y =
            plot.bottom() -
            static_cast<int>(std::lround((value - LeftAxis.Minimum) / range * plot.height()));
        painter.setPen(GridColor);
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawLine(plot.left() - TickLength, y, plot.left(), y);
        const QString label = QString::fromStdString(FormatFloat(format, value, symbols));
        const QRect box(0, y - lineHeight / 2, plot.left() - TickLength, lineHeight);
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, label);
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

void TVoltageChart::PaintSeries(QPainter& painter, const QRect& plot) const {
    const TPlotMapping map{plot, FModel.ViewFrom(), FModel.ViewTo(), LeftAxis.Minimum,
                           LeftAxis.Maximum};
    const std::optional<TChartRecord> leadIn = FModel.LeadIn();
    const std::optional<TChartRecord> leadOut = FModel.LeadOut();
    painter.save();
    painter.setClipRect(plot.adjusted(1, 1, 0, 0));
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPolygonF line;
    line.reserve(4 * plot.width() + 2);
    for (int s = 0; s < ChartSeriesCount; ++s) {
        const TChartSeries& series = SeriesAt(s);
        if (!series.Visible) {
            continue;
        }
        line.clear();
        if (leadIn) {
            line.append(QPointF(map.X(leadIn->Time), map.Y(leadIn->Values[s])));
        }
        AppendEnvelope(line, FModel.Envelope(), s, map);
        if (leadOut) {
            line.append(QPointF(map.X(leadOut->Time), map.Y(leadOut->Values[s])));
        }
        painter.setPen(QPen(series.Color, 0));
        painter.drawPolyline(line);
    }
    painter.restore();
}

void TVoltageChart::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        return;
    }
    FModel.Zoom(TimeAt(event->position().x()), std::pow(ZoomPerNotch, notches));
    emit ViewModeChanged();
    update();
    event->accept();
}

void TVoltageChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        FDragging = true;
        FDragFrom = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
    }
}

void TVoltageChart::mouseMoveEvent(QMouseEvent* event) {
    if (!FDragging) {
        return;
    }
    const QPoint at = event->position().toPoint();
    const int dx = at.x() - FDragFrom.x();
    if (dx == 0) {
        return;
    }
    const QRect plot = PlotRect();
    const double span = static_cast<double>(FModel.ViewTo() - FModel.ViewFrom());
    FModel.Pan(-static_cast<TChartTime>(std::llround(dx * span / plot.width())));
    FDragFrom = at;
    emit ViewModeChanged();
    update();
}

void TVoltageChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        FDragging = false;
        setCursor(Qt::OpenHandCursor);
    }
}

void TVoltageChart::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        FModel.FollowNewest();
        emit ViewModeChanged();
        update();
    }
}
