#include "ui/fitting_label.h"

#include <QPainter>
#include <QStyle>

TFittingLabel::TFittingLabel(Qt::TextElideMode elide, const QString& least, QWidget* parent)
    : QLabel(parent), FElide(elide), FLeast(least) {}

void TFittingLabel::SetForms(const QString& whole, const QString& shorter) {
    if (whole == text() && shorter == FShorter) {
        return; // an unchanged text is neither laid out nor painted again
    }
    FShorter = shorter;
    setText(whole);
    setToolTip(whole);
}

QRect TFittingLabel::TextRoom() const {
    return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

QString TFittingLabel::Shown() const {
    const QFontMetrics metrics = fontMetrics();
    const int room = TextRoom().width();
    QString shown = text();
    if (metrics.horizontalAdvance(shown) > room && !FShorter.isEmpty()) {
        shown = FShorter;
    }
    return metrics.elidedText(shown, FElide, room);
}

QSize TFittingLabel::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(FLeast) + 2 * margin() + margins.left() +
                margins.right(),
            QLabel::minimumSizeHint().height()};
}

void TFittingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, TextRoom(),
                          QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), Shown(), foregroundRole());
}
