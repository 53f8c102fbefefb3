#pragma once
// A label that keeps its whole text (its tool tip, and what screen readers read) and paints the
// longest of its forms that fits its width, the shortest one shortened where it matters least.
// It asks for room for its whole text but makes do with the width of `least`, so a row of them
// can be made as small as their least forms together and each still shows its essential part.

#include <QLabel>

class TFittingLabel : public QLabel {
public:
    TFittingLabel(Qt::TextElideMode elide, const QString& least, QWidget* parent);

    // The whole text and a shorter form shown before the whole is shortened (none: the whole).
    void SetForms(const QString& whole, const QString& shorter = {});
    // What is painted at the width the label has now.
    QString Shown() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextRoom() const;

    Qt::TextElideMode FElide;
    QString FLeast;
    QString FShorter;
};
