#include "ui/alarm_center.h"

#include "core/clock.h"
#include "ui/alarm_page.h"
#include "ui/desktop_notifier.h"
#include "ui/error_display.h"
#include "ui/qt_timer.h"

#include <QCheckBox>
#include <QPushButton>

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

std::string CurrentUserName() {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_name != nullptr) {
        return found->pw_name;
    }
    const char* user = std::getenv("USER");
    return user != nullptr && *user != '\0' ? user : "uid " + std::to_string(getuid());
}

TAlarmCenter::TAlarmCenter(IReportLines& report, ICommLog& log, TAlarmPage& page,
                           TErrorDisplay& errors, QObject* parent)
    : QObject(parent), FWatch(SystemClock()), FList(report, log, SystemClock()), FPage(page),
      FErrors(errors) {
    FThrottleTimer = new TQtTimer(this, TNotificationThrottle::GapMs, false);
    FThrottleTimer->setObjectName(QStringLiteral("TimerNotifications"));
    FNotifier = new TDesktopNotifier(log, this);
    FThrottle = std::make_unique<TNotificationThrottle>(SystemClock(), *FThrottleTimer,
                                                        [this](const TNotice& notice) {
                                                            if (FNotificationsOn) {
                                                                FNotifier->Show(notice);
                                                            }
                                                        });
    connect(FNotifier, &TDesktopNotifier::AcknowledgeChosen, this,
            [this](const std::vector<std::size_t>& rows) {
                Acknowledge(
                    [&] { return FList.AcknowledgeRows(rows, CurrentUserName(), "notification"); });
            });
    connect(FNotifier, &TDesktopNotifier::Activated, this, &TAlarmCenter::ShowWindowRequested);
    connect(FPage.ButtonAcknowledge, &QPushButton::clicked, this, &TAlarmCenter::AcknowledgeAll);
}

TAlarmCenter::~TAlarmCenter() = default;

void TAlarmCenter::SetInstallationNames(std::function<std::string(uint64_t)> names) {
    FNames = std::move(names);
}

QString TAlarmCenter::InstallationOf(uint64_t id) const {
    return QString::fromLocal8Bit(InstallationText(id, FNames ? FNames(id) : std::string()));
}

void TAlarmCenter::StatusDecoded(const TStatusRecord& record) {
    for (const TAnnouncement& a : FWatch.StatusDecoded(record)) {
        Announce(a);
    }
}

void TAlarmCenter::LinkLooked(const TLinkFacts& facts, const TLinkStatus& status) {
    if (auto a = FWatch.LinkLooked(facts.Polling, status.AgeMs, facts.RefreshMs)) {
        Announce(*a);
    }
}

// The change is in the list and on the page even when its note cannot be written.
void TAlarmCenter::Announce(const TAnnouncement& a) {
    const std::size_t row = FList.Entries().size();
    FErrors.Guard([&] { FList.Add(a); });
    const QString installation = InstallationOf(a.Installation);
    FPage.ShowEntry(row, FList.Entries()[row], installation);
    FPage.ShowUnacknowledged(FList.Unacknowledged());
    FThrottle->Offer(NoticeOf(a, row, installation.toLocal8Bit().toStdString()));
    emit CountChanged(FList.Unacknowledged(), a.Critical());
}

void TAlarmCenter::UnitSeen(int device) {
    const uint64_t installation = FWatch.Installation();
    Acknowledge([&] {
        return FList.Acknowledge(
            [&](const TAlarmEntry& e) {
                const TAnnouncement& a = e.Announcement;
                return a.Installation == installation &&
                       (a.Device == device || (device == 0 && a.Device == LinkUnit));
            },
            CurrentUserName(), "window");
    });
}

void TAlarmCenter::AcknowledgeAll() {
    Acknowledge([&] {
        return FList.Acknowledge([](const TAlarmEntry&) { return true; }, CurrentUserName(),
                                 "alarm list");
    });
}

void TAlarmCenter::Acknowledge(const std::function<int()>& step) {
    const int before = FList.Unacknowledged();
    FErrors.Guard([&] { step(); });
    if (FList.Unacknowledged() == before) {
        return;
    }
    ShowRows();
    emit CountChanged(FList.Unacknowledged(), false);
}

void TAlarmCenter::ShowRows() {
    const auto& entries = FList.Entries();
    for (std::size_t row = 0; row < entries.size(); ++row) {
        FPage.ShowEntry(row, entries[row], InstallationOf(entries[row].Announcement.Installation));
    }
    FPage.ShowUnacknowledged(FList.Unacknowledged());
}

void TAlarmCenter::SetNotifications(bool on) {
    FNotificationsOn = on;
    if (on) {
        FNotifier->Start();
    }
}
