#include "ui/cached_widgets.h"

#include <QPainter>
#include <QStyleOption>

void TGroupBox::paintEvent(QPaintEvent* event) {
    if (isCheckable()) {
        QGroupBox::paintEvent(event); // its check box has looks of its own
        return;
    }
    QStyleOptionGroupBox option;
    initStyleOption(&option);
    FLooks.Paint(*this, TLook::Of(option, *this, option.text), [&](QPainter& painter) {
        style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
    });
}

void TRadioButton::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    FLooks.Paint(*this, TLook::Of(option, *this, option.text), [&](QPainter& painter) {
        style()->drawControl(QStyle::CE_RadioButton, &option, &painter, this);
    });
}

void TCheckBox::paintEvent(QPaintEvent*) {
    QStyleOptionButton option;
    initStyleOption(&option);
    FLooks.Paint(*this, TLook::Of(option, *this, option.text), [&](QPainter& painter) {
        style()->drawControl(QStyle::CE_CheckBox, &option, &painter, this);
    });
}

void TGroupBox::hideEvent(QHideEvent* event) {
    FLooks.Clear();
    QGroupBox::hideEvent(event);
}

void TRadioButton::hideEvent(QHideEvent* event) {
    FLooks.Clear();
    QRadioButton::hideEvent(event);
}

void TCheckBox::hideEvent(QHideEvent* event) {
    FLooks.Clear();
    QCheckBox::hideEvent(event);
}
