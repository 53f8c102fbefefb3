#include "ui/radio_group.h"

#include "core/errors.h"

#include <QButtonGroup>
#include <QEvent>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Swallows what would let the technician change a display-only button.
class TDisplayOnlyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return true;
        default:
            return false;
        }
    }
};

} // namespace

void MakeDisplayOnly(QAbstractButton* button) {
    button->setFocusPolicy(Qt::NoFocus);
    button->installEventFilter(new TDisplayOnlyFilter(button));
}

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), FButtons(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        MakeDisplayOnly(button); // the state comes from the panel
        FButtons->addButton(button, i);
        layout->addWidget(button); // spread over the group's height as it grows
    }
}

int TRadioGroup::Count() const {
    return static_cast<int>(FButtons->buttons().size());
}

QRadioButton* TRadioGroup::Button(int index) const {
    return static_cast<QRadioButton*>(FButtons->button(index));
}

int TRadioGroup::ItemIndex() const {
    return FButtons->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (index < -1 || index >= Count()) {
        throw ERangeError();
    }
    if (index >= 0) {
        Button(index)->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; let go of it for a moment to clear it.
    if (QAbstractButton* checked = FButtons->checkedButton()) {
        FButtons->setExclusive(false);
        checked->setChecked(false);
        FButtons->setExclusive(true);
    }
}
