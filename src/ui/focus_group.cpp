#include "ui/focus_group.h"

#include <QKeyEvent>

TFocusGroup::TFocusGroup(QObject* parent) : QObject(parent) {}

void TFocusGroup::Add(QWidget* item) {
    item->setFocusPolicy(Qt::NoFocus);
    // Installed after any display-only filter, so it sees the arrow keys first.
    item->installEventFilter(this);
    FItems << item;
    if (FTabStop == nullptr) {
        SetTabStop(item);
    }
}

void TFocusGroup::SetTabStop(QWidget* item) {
    if (item == FTabStop) {
        return;
    }
    if (FTabStop != nullptr) {
        FTabStop->setFocusPolicy(Qt::NoFocus);
    }
    FTabStop = item;
    item->setFocusPolicy(Qt::TabFocus);
}

bool TFocusGroup::HasFocus() const {
    for (const QPointer<QWidget>& item : FItems) {
        if (item != nullptr && item->hasFocus()) {
            return true;
        }
    }
    return false;
}

bool TFocusGroup::eventFilter(QObject* watched, QEvent* event) {
    auto* item = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::FocusIn) {
        SetTabStop(item);
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Left:
                MoveFocus(item, -1);
                return true;
            case Qt::Key_Down:
            case Qt::Key_Right:
                MoveFocus(item, 1);
                return true;
            default:
                break;
            }
        }
    }
    return false;
}

void TFocusGroup::MoveFocus(QWidget* from, int step) {
    const qsizetype count = FItems.size();
    qsizetype index = FItems.indexOf(from);
    for (qsizetype tried = 1; index >= 0 && tried < count; ++tried) {
        QWidget* next = FItems[(index + step * tried + count * count) % count];
        if (next != nullptr && next->isVisible() && next->isEnabled()) {
            SetTabStop(next);
            next->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}
