// Chart1's mouse and keys: zoom, pan, following the newest points, the read-out and the value
// scale.

#include "ui/voltage_chart.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

namespace {

// Each notch of the mouse wheel, and each + key, shows this share of the range before.
constexpr double ZoomPerNotch = 0.8;
// Left and Right move the view by this share of it.
constexpr int PanShareOfView = 10;

} // namespace

void TVoltageChart::ViewMoved() {
    emit ViewModeChanged();
    update();
}

void TVoltageChart::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        return;
    }
    FModel.Zoom(TimeAt(event->position().x()), std::pow(ZoomPerNotch, notches));
    ViewMoved();
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
    const QPoint at = event->position().toPoint();
    if (!FDragging) {
        const bool inPlot = PlotRect().contains(at);
        SetReadOut(inPlot ? std::optional<TChartTime>(TimeAt(at.x())) : std::nullopt);
        return;
    }
    const int dx = at.x() - FDragFrom.x();
    if (dx == 0) {
        return;
    }
    const double span = static_cast<double>(FModel.ViewTo() - FModel.ViewFrom());
    FModel.Pan(-static_cast<TChartTime>(std::llround(dx * span / PlotRect().width())));
    FDragFrom = at;
    ViewMoved();
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
        ViewMoved();
    }
}

void TVoltageChart::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (!hasFocus()) {
        SetReadOut(std::nullopt);
    }
}

void TVoltageChart::ZoomAroundReadOut(double factor) {
    const TChartTime middle = FModel.ViewFrom() + (FModel.ViewTo() - FModel.ViewFrom()) / 2;
    FModel.Zoom(FReadOut.value_or(middle), factor);
    ViewMoved();
}

void TVoltageChart::MoveReadOut(int pixels) {
    const double x = FReadOut ? XOf(*FReadOut) : PlotRect().center().x();
    const QRect plot = PlotRect();
    SetReadOut(TimeAt(std::clamp(x + pixels, double(plot.left()), double(plot.right()))));
}

void TVoltageChart::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool control = event->modifiers().testFlag(Qt::ControlModifier);
    const TChartTime tenth = (FModel.ViewTo() - FModel.ViewFrom()) / PanShareOfView;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int sign = event->key() == Qt::Key_Left ? -1 : 1;
        if (shift) {
            MoveReadOut(sign * (control ? 10 : 1));
        } else {
            FModel.Pan(sign * tenth);
            ViewMoved();
        }
        break;
    }
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomAroundReadOut(ZoomPerNotch);
        break;
    case Qt::Key_Minus:
        ZoomAroundReadOut(1 / ZoomPerNotch);
        break;
    case Qt::Key_Home:
        FModel.FollowNewest();
        ViewMoved();
        break;
    case Qt::Key_Escape:
        SetReadOut(std::nullopt);
        break;
    case Qt::Key_F:
        SetFitValues(true);
        break;
    case Qt::Key_X:
        SetFitValues(false);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
