#pragma once
// The one error display of the window. Every failure that reaches an event handler is shown with
// its message text; a message that is already on screen is not shown a second time, so a timer
// that keeps failing never piles up a stack of dialogs. Showing never blocks the event loop.

#include <QObject>
#include <QString>

#include <functional>
#include <map>

class QMessageBox;
class QWidget;

class TErrorDisplay : public QObject {
    Q_OBJECT
public:
    explicit TErrorDisplay(QWidget* window);

    void Show(const QString& message);
    // Runs a handler; whatever it raises is shown here and goes no further.
    void Guard(const std::function<void()>& handler);

    // The messages on screen now (for tests and screen readers).
    QStringList OpenMessages() const;

private:
    QWidget* FWindow;
    std::map<QString, QMessageBox*> FOpen;
};
