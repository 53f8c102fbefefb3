#pragma once
// The window's side of the announced changes: every status record and every look at the link go
// through the watch (alarm_watch.h); what it announces goes into the alarm list (and the event
// report), onto the "Alarms" page and, at most one a second, out as a desktop notification. The
// count of changes not yet acknowledged is what the window's title shows.

#include "link/link_health.h"
#include "model/alarm_list.h"
#include "model/alarm_watch.h"
#include "model/notification_throttle.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TAlarmPage;
class TDesktopNotifier;
class TErrorDisplay;
class TQtTimer;

// The name of the user who acknowledges: the login name.
std::string CurrentUserName();

class TAlarmCenter : public QObject {
    Q_OBJECT
public:
    // The report and the log must outlive the center; the page is the window's.
    TAlarmCenter(IReportLines& report, ICommLog& log, TAlarmPage& page, TErrorDisplay& errors,
                 QObject* parent);
    ~TAlarmCenter() override;

    // How an installation is named in the list and the notifications: a name for the ID, or ""
    // when it has none (then the ID alone is shown). Without it every installation is its ID.
    void SetInstallationNames(std::function<std::string(uint64_t)> names);

    void StatusDecoded(const TStatusRecord& record);
    void LinkLooked(const TLinkFacts& facts, const TLinkStatus& status);

    // The page in front shows unit `device` (0 master, 1 to 4 slaves) of the current
    // installation: its changes count as seen, and on the master's page the link's as well.
    void UnitSeen(int device);
    // "Acknowledge all" on the page.
    void AcknowledgeAll();

    // Desktop notifications on or off (the page's box); off, nothing is sent.
    void SetNotifications(bool on);
    bool Notifications() const { return FNotificationsOn; }

    const TAlarmList& List() const { return FList; }
    TDesktopNotifier& Notifier() { return *FNotifier; }

signals:
    // The count of changes not acknowledged; `critical`: an alarm has just been announced.
    void CountChanged(int count, bool critical);
    // The technician clicked a notification: the window should come to the front.
    void ShowWindowRequested();

private:
    void Announce(const TAnnouncement& a);
    // Runs an acknowledgement; when it took rows, the page and the count follow.
    void Acknowledge(const std::function<int()>& step);
    QString InstallationOf(uint64_t id) const;
    void ShowRows();

    TAlarmWatch FWatch;
    TAlarmList FList;
    TAlarmPage& FPage;
    TErrorDisplay& FErrors;
    TQtTimer* FThrottleTimer;
    std::unique_ptr<TNotificationThrottle> FThrottle;
    TDesktopNotifier* FNotifier;
    std::function<std::string(uint64_t)> FNames;
    bool FNotificationsOn = true;
};
