#include "ui/desktop_notifier.h"

#include "ui/panel_text.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPromise>
#include <QStringList>
#include <QVariantMap>

#include <thread>

namespace {

// The urgency hint desktops read from a notification: 1 normal, 2 critical.
constexpr uchar UrgencyNormal = 1;
constexpr uchar UrgencyCritical = 2;

const QString ActionDefault = QStringLiteral("default");
const QString ActionAcknowledge = QStringLiteral("acknowledge");

QDBusMessage NotificationCall(const char* method) {
    return QDBusMessage::createMethodCall(
        QString::fromLatin1(NotificationService), QString::fromLatin1(NotificationPath),
        QString::fromLatin1(NotificationService), QString::fromLatin1(method));
}

} // namespace

TDesktopNotifier::TDesktopNotifier(ICommLog& log, QObject* parent) : QObject(parent), FLog(log) {}

TDesktopNotifier::~TDesktopNotifier() = default;

void TDesktopNotifier::Start() {
    if (FStarted) {
        return;
    }
    FStarted = true;
    QPromise<bool> promise;
    FBusWatcher = new QFutureWatcher<bool>(this);
    connect(FBusWatcher, &QFutureWatcherBase::finished, this, [this] {
        BusReached(FBusWatcher->future().resultCount() > 0 && FBusWatcher->result());
    });
    FBusWatcher->setFuture(promise.future());
    // Connecting waits for the bus's answer; the thread only waits and hands the result over.
    // It is not joined: a bus that never answers must not hold up the window's close either.
    std::thread([promise = std::move(promise)]() mutable {
        promise.start();
        promise.addResult(QDBusConnection::sessionBus().isConnected());
        promise.finish();
    }).detach();
}

void TDesktopNotifier::BusReached(bool connected) {
    if (!connected) {
        FUnavailable = true;
        FWaiting.clear();
        SayOnce("Desktop notifications: no session bus; alarms are shown in this window only");
        return;
    }
    FBus = QDBusConnection::sessionBus(); // connected already: no waiting here
    // Any sender: naming the service would make the bus look up its owner, and wait for it.
    FBus->connect(QString(), QString::fromLatin1(NotificationPath),
                  QString::fromLatin1(NotificationService), QStringLiteral("ActionInvoked"), this,
                  SLOT(ActionInvoked(uint, QString)));
    FBus->connect(QString(), QString::fromLatin1(NotificationPath),
                  QString::fromLatin1(NotificationService), QStringLiteral("NotificationClosed"),
                  this, SLOT(NotificationClosed(uint, uint)));
    auto* probe =
        new QDBusPendingCallWatcher(FBus->asyncCall(NotificationCall("GetCapabilities")), this);
    connect(probe, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QStringList> reply = *call;
        if (reply.isError()) {
            SayOnce("Desktop notifications: no notification service on the session bus (" +
                    reply.error().name().toStdString() + "); alarms are shown in this window only");
        } else {
            FServiceAnswered = true;
            FMarkup = reply.value().contains(QStringLiteral("body-markup"));
        }
    });
    std::vector<TNotice> waiting;
    waiting.swap(FWaiting);
    for (const TNotice& notice : waiting) {
        Send(notice);
    }
}

void TDesktopNotifier::Show(const TNotice& notice) {
    Start();
    if (FUnavailable) {
        return;
    }
    if (!FBus) {
        FWaiting.push_back(notice);
        return;
    }
    Send(notice);
}

void TDesktopNotifier::Send(const TNotice& notice) {
    QDBusMessage call = NotificationCall("Notify");
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>(notice.Critical ? UrgencyCritical : UrgencyNormal));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("orvant2"));
    // A server that shows markup in the body would take "<" and "&" of a name for it.
    const QString body = DecodePanelText(notice.Body);
    call << QStringLiteral("Orvant2") << uint(0) << QStringLiteral("orvant2")
         << DecodePanelText(notice.Summary) << (FMarkup ? body.toHtmlEscaped() : body)
         << QStringList{ActionDefault, tr("Show"), ActionAcknowledge, tr("Acknowledge")} << hints
         << int(-1);
    auto* pending = new QDBusPendingCallWatcher(FBus->asyncCall(call), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, rows = notice.Rows](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                const QDBusPendingReply<uint> reply = *done;
                if (reply.isError()) {
                    SayOnce("Desktop notifications: the notification service refused (" +
                            reply.error().name().toStdString() +
                            "); alarms are shown in this window only");
                    return;
                }
                FServiceAnswered = true;
                FShown.insert(reply.value(), rows);
            });
}

void TDesktopNotifier::ActionInvoked(uint id, const QString& action) {
    const auto shown = FShown.constFind(id);
    if (shown == FShown.constEnd()) {
        return; // another program's notification
    }
    if (action == ActionAcknowledge) {
        emit AcknowledgeChosen(*shown);
    } else if (action == ActionDefault) {
        emit Activated();
    }
}

void TDesktopNotifier::NotificationClosed(uint id, uint) {
    FShown.remove(id);
}

void TDesktopNotifier::SayOnce(const std::string& text) {
    if (!FSaid) {
        FSaid = true;
        FLog.AddLine(text);
    }
}
