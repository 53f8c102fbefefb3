#include "ui/qt_main_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

bool TQtMainThread::IsMainThread() const {
    QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void TQtMainThread::Post(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return;
    }
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void TQtMainThread::ProcessPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
