#include "ui/led_shape.h"

#include <QPainter>

namespace {

constexpr int Diameter = 16;
// A dark LED keeps its hatch in its own colour over a dim base, so that "dark" reads as an LED
// that is off rather than as a gap in the panel.
const QColor DarkBase(0x3C, 0x3C, 0x3C);

} // namespace

TShape::TShape(QWidget* parent) : QWidget(parent) {
    setFixedSize(sizeHint());
    UpdateAccessibleName();
}

void TShape::SetBrushColor(const QColor& colour) {
    if (colour != FBrushColor) {
        FBrushColor = colour;
        update();
    }
}

void TShape::SetBrushStyle(Qt::BrushStyle style) {
    if (style != FBrushStyle) {
        FBrushStyle = style;
        UpdateAccessibleName();
        update();
    }
}

void TShape::SetGreyed(bool greyed) {
    if (greyed != FGreyed) {
        FGreyed = greyed;
        update();
    }
}

void TShape::SetCaption(const QString& caption) {
    FCaption = caption;
    UpdateAccessibleName();
}

QSize TShape::sizeHint() const {
    return {Diameter, Diameter};
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(1, 1, -1, -1);
    if (FBrushStyle != Qt::SolidPattern) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(DarkBase);
        painter.drawEllipse(circle);
    }
    painter.setPen(QPen(Qt::black, 1));
    QColor colour = FBrushColor;
    if (FGreyed) {
        // The hue stays recognisable, the light goes: an old look is not a live one.
        colour =
            QColor::fromHsv(colour.hsvHue(), colour.hsvSaturation() / 4, colour.value() * 3 / 5);
    }
    painter.setBrush(QBrush(colour, FBrushStyle));
    painter.drawEllipse(circle);
    if (hasFocus()) { // reached by keyboard: a ring shows where
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

void TShape::UpdateAccessibleName() {
    const QString look = Lit() ? tr("lit") : tr("dark");
    setAccessibleName(FCaption.isEmpty() ? look : tr("%1, %2").arg(FCaption, look));
}
