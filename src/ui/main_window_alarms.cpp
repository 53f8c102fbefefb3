// The window's part in the announced changes: the "Alarms" page, the count in the title (and so
// in the task bar), the task bar's call for attention at an alarm, and what counts as seen: the
// window active with the page in front that shows the unit.

#include "ui/main_window.h"

#include "model/installation_registry.h"

#include "link/frame_codec.h"
#include "model/status_decoder.h"
#include "store/notification_setting.h"
#include "store/report_lines_tap.h"
#include "ui/alarm_center.h"
#include "ui/alarm_page.h"
#include "ui/error_display.h"
#include "ui/link_health_view.h"
#include "ui/memo_log.h"
#include "ui/status_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QTabWidget>

void TForm1::BuildAlarms() {
    TabSheetAlarms = new TAlarmPage;
    TabSheetAlarms->setObjectName(QStringLiteral("TabSheetAlarms"));
    PageControl1->addTab(TabSheetAlarms, tr("Alarms"));
}

void TForm1::ConnectAlarms() {
    FCaption = windowTitle();
    FAlarms = new TAlarmCenter(*FEventQueued, *FLog, *TabSheetAlarms, *FErrors, this);
    // An installation is named by its master's name, for the master and its slaves alike.
    FAlarms->SetInstallationNames([this](uint64_t id) {
        const TInstallationInfo* info = FInstallations->Find(FInstallations->MasterOf(id));
        return info != nullptr ? info->Name : std::string();
    });
    FLinkHealth->SetLookWatch([this](const TLinkFacts& facts, const TLinkStatus& status) {
        FAlarms->LinkLooked(facts, status);
    });
    connect(FAlarms, &TAlarmCenter::CountChanged, this, &TForm1::AlarmCountChanged);
    connect(FAlarms, &TAlarmCenter::ShowWindowRequested, this, [this] {
        showNormal();
        raise();
        activateWindow();
    });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (isActiveWindow()) {
            FrontPageSeen();
        }
    });
    connect(TabSheetAlarms->CheckBoxNotifications, &QCheckBox::toggled, this, [this](bool on) {
        FAlarms->SetNotifications(on);
        FErrors->Guard([this, on] {
            if (TIniFile* settings = FSettings.Current()) {
                WriteNotificationsSetting(*settings, on);
            }
        });
    });
}

// "Upozorneni" from "Kelm2.ini": notifications on (the bus is reached from now on) or off.
void TForm1::LoadAlarmSettings() {
    const bool on =
        FSettings.Current() == nullptr || ReadNotificationsSetting(*FSettings.Current());
    {
        const QSignalBlocker quiet(TabSheetAlarms->CheckBoxNotifications);
        TabSheetAlarms->CheckBoxNotifications->setChecked(on);
    }
    FAlarms->SetNotifications(on);
}

// "(2) Orvant  v2.1" while two changes wait to be seen; an alarm asks the task bar for attention.
void TForm1::AlarmCountChanged(int count, bool critical) {
    setWindowTitle(count > 0 ? QStringLiteral("(%1) ").arg(count) + FCaption : FCaption);
    if (critical && !isActiveWindow()) {
        QApplication::alert(this);
    }
}

void TForm1::FrontPageSeen() {
    QWidget* front = PageControl1->currentWidget();
    if (front == Master) {
        FAlarms->UnitSeen(0);
        return;
    }
    for (int k = 0; k < 4; ++k) {
        if (front == TabSheetSl[k]) {
            FAlarms->UnitSeen(k + 1);
        }
    }
}

void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && FAlarms != nullptr) {
        FrontPageSeen();
    }
}
