#pragma once
// The one error display of the window: a panel under the pages that lists every failure that
// reached an event handler, never a dialog, so nothing ever blocks the window. Each distinct
// message is listed once with the time it last came, how often it came and, under it, what the
// system said and where; the newest is on top. A message stays until the user dismisses it. A
// new one draws the eye (the panel lights up for a moment) without taking the keyboard.

#include "core/error_list.h"

#include <QObject>
#include <QString>

#include <functional>

class QFrame;
class QListWidget;
class QPushButton;
class QTimer;
class QWidget;

class TErrorDisplay : public QObject {
    Q_OBJECT
public:
    // The panel is made here; the window places Area() under its pages.
    explicit TErrorDisplay(QWidget* window);

    // Lists a message (text exactly as raised) with its detail line.
    void Show(const QString& message, const QString& detail = {});
    // Shows a failure with the detail it carries; a serial failure a technician meets in the
    // workshop under its plain headline, its own text kept in the detail (PlainFailure).
    void Show(const std::exception& error);
    // Runs a handler; whatever it raises is shown here and goes no further.
    void Guard(const std::function<void()>& handler);

    // The messages listed now, newest first (for tests and screen readers).
    QStringList OpenMessages() const;
    // Dismisses the selected message, or the newest when none is selected.
    void DismissSelected();
    void DismissAll();

    QWidget* Area() const;
    // The height the panel takes at most (three lines of messages), for the window's minimum.
    int TallestHeight() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Refresh();
    void DrawTheEye();
    int ListHeight(int mostLines) const;

    TErrorList FList;
    QFrame* FArea;
    QListWidget* FListView;
    QPushButton* FDismiss;
    QPushButton* FDismissAll;
    QTimer* FHighlight;
};
