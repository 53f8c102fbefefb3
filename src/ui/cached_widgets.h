#pragma once
// A group box, radio button and check box that draw each look once and copy it after (see
// TLookCache): the status pages repaint them with every change of a field inside or beside them.
// A widget out of sight keeps no pictures.

#include "ui/look_cache.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOption>

#include <type_traits>

template <class TWidget> class TKeptLooks : public TWidget {
    static_assert(std::is_same_v<TWidget, QGroupBox> || std::is_same_v<TWidget, QRadioButton> ||
                  std::is_same_v<TWidget, QCheckBox>);

public:
    using TWidget::TWidget;

protected:
    void paintEvent(QPaintEvent* event) override {
        if constexpr (std::is_same_v<TWidget, QGroupBox>) {
            if (this->isCheckable()) {
                TWidget::paintEvent(event); // its check box has looks of its own
                return;
            }
            QStyleOptionGroupBox option;
            this->initStyleOption(&option);
            FLooks.Paint(*this, TLook::Of(option, *this, option.text), [&](QPainter& painter) {
                this->style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, this);
            });
        } else {
            constexpr QStyle::ControlElement element = std::is_same_v<TWidget, QRadioButton>
                                                           ? QStyle::CE_RadioButton
                                                           : QStyle::CE_CheckBox;
            QStyleOptionButton option;
            this->initStyleOption(&option);
            FLooks.Paint(*this, TLook::Of(option, *this, option.text), [&](QPainter& painter) {
                this->style()->drawControl(element, &option, &painter, this);
            });
        }
    }

    void hideEvent(QHideEvent* event) override {
        FLooks.Clear();
        TWidget::hideEvent(event);
    }

private:
    TLookCache FLooks;
};

using TGroupBox = TKeptLooks<QGroupBox>;
using TRadioButton = TKeptLooks<QRadioButton>;
using TCheckBox = TKeptLooks<QCheckBox>;
