#include "ui/radio_group.h"

#include "core/errors.h"
#include "ui/focus_group.h"

#include <QButtonGroup>
#include <QEvent>
#include <QKeyEvent>
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
            return true;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            // Tab still moves on; every other key (Space above all) is swallowed.
            const int key = static_cast<QKeyEvent*>(event)->key();
            return key != Qt::Key_Tab && key != Qt::Key_Backtab;
        }
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
    : TGroupBox(title, parent), FButtons(new QButtonGroup(this)), FFocus(new TFocusGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new TRadioButton(items[i], this);
        MakeDisplayOnly(button); // the state comes from the panel
        FFocus->Add(button);
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
        // Tab lands on the item the panel reports, unless the technician is inside the group.
        if (!FFocus->HasFocus()) {
            FFocus->SetTabStop(Button(index));
        }
        return;
    }
    // An exclusive group keeps one button checked; let go of it for a moment to clear it.
    if (QAbstractButton* checked = FButtons->checkedButton()) {
        FButtons->setExclusive(false);
        checked->setChecked(false);
        FButtons->setExclusive(true);
    }
}
