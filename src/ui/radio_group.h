#pragma once
// A titled group of radio buttons showing one choice from a fixed list, like a state code of the
// panel. The buttons only show what the panel reports: a click or key does not change them. The
// group is one Tab stop, landing on the selected item; the arrow keys move among the items.

#include "ui/cached_widgets.h"

#include <QStringList>

class QAbstractButton;
class QButtonGroup;
class QRadioButton;
class TFocusGroup;

// Makes a check box or radio button show only what the program sets: clicks and keys do not
// change it, and it takes no focus unless a focus group gives it some (Tab still leaves it). A
// screen reader reads its caption and state.
void MakeDisplayOnly(QAbstractButton* button);

class TRadioGroup : public TGroupBox {
    Q_OBJECT

public:
    // A group titled `title` with one radio button per item, top to bottom, none selected.
    TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int Count() const;
    QRadioButton* Button(int index) const;

    // The selected item, or -1 when none is.
    int ItemIndex() const;
    // Selects item `index` (0 to Count() - 1), or none for -1. Anything else raises ERangeError.
    void SetItemIndex(int index);

private:
    QButtonGroup* FButtons;
    TFocusGroup* FFocus;
};
