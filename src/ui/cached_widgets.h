#pragma once
// A group box, radio button and check box that draw each look once and copy it after (see
// TLookCache): the status pages repaint them with every change of a field inside or beside them.

#include "ui/look_cache.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

class TGroupBox : public QGroupBox {
    Q_OBJECT

public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TLookCache FLooks;
};

class TRadioButton : public QRadioButton {
    Q_OBJECT

public:
    using QRadioButton::QRadioButton;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TLookCache FLooks;
};

class TCheckBox : public QCheckBox {
    Q_OBJECT

public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TLookCache FLooks;
};
