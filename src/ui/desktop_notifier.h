#pragma once
// Desktop notifications through the freedesktop notification service on the session bus. The
// bus is reached off the window's thread (a bus that does not answer must not freeze the window)
// and every call is asynchronous. Without a session bus or a notification service the tool works
// as before: that is said once in the communication log, and notices are dropped.
//
// A notification offers "Acknowledge", which acknowledges the rows of the alarm list it tells of;
// clicking it (the default action) brings the window to the front.

#include "core/comm_log.h"
#include "model/notification_throttle.h"

#include <QDBusConnection>
#include <QFutureWatcher>
#include <QHash>
#include <QObject>

#include <cstddef>
#include <optional>
#include <vector>

class QDBusPendingCallWatcher;

inline constexpr const char* NotificationService = "org.freedesktop.Notifications";
inline constexpr const char* NotificationPath = "/org/freedesktop/Notifications";

class TDesktopNotifier : public QObject {
    Q_OBJECT
public:
    TDesktopNotifier(ICommLog& log, QObject* parent);
    ~TDesktopNotifier() override;

    // Reaches for the session bus (once), and asks the service what it can do.
    void Start();
    // Shows the notice; before the bus is reached it waits, and is dropped when there is none.
    void Show(const TNotice& notice);
    // True once the service has answered.
    bool Ready() const { return FServiceAnswered; }

signals:
    // "Acknowledge" chosen in a notification: the rows it told of.
    void AcknowledgeChosen(const std::vector<std::size_t>& rows);
    // The notification itself was clicked.
    void Activated();

private slots:
    void ActionInvoked(uint id, const QString& action);
    void NotificationClosed(uint id, uint reason);

private:
    void BusReached(bool connected);
    void Send(const TNotice& notice);
    void SayOnce(const std::string& text);

    ICommLog& FLog;
    QFutureWatcher<bool>* FBusWatcher = nullptr;
    std::optional<QDBusConnection> FBus;
    bool FStarted = false;
    bool FUnavailable = false; // said in the log; notices are dropped from then on
    bool FServiceAnswered = false;
    bool FMarkup = false; // the service shows markup in the body
    bool FSaid = false;
    std::vector<TNotice> FWaiting; // shown once the bus is reached
    QHash<uint, std::vector<std::size_t>> FShown;
};
