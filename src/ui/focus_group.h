#pragma once
// Display-only items (state buttons, relay boxes, LEDs) as one stop of the Tab chain, so that
// keyboard and screen reader users can reach and read them without a stop per item: Tab enters
// the group at its tab stop, the arrow keys move among its visible items (wrapping around), and
// Tab leaves. Moving never changes an item; the last item visited becomes the tab stop.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class TFocusGroup : public QObject {
    Q_OBJECT

public:
    explicit TFocusGroup(QObject* parent);

    // Adds an item after the others; the first one added is the tab stop.
    void Add(QWidget* item);
    QWidget* TabStop() const { return FTabStop; }
    // Makes `item` (one of the group's) the stop Tab lands on.
    void SetTabStop(QWidget* item);
    // Whether the keyboard focus is on one of the items.
    bool HasFocus() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveFocus(QWidget* from, int step);

    QList<QPointer<QWidget>> FItems;
    QPointer<QWidget> FTabStop;
};
