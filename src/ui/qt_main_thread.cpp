#include "ui/qt_main_thread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <exception>

void TQtMainThread::RunBlocking(const std::function<void()>& fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        app,
        [&] {
            try {
                fn();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error) {
        std::rethrow_exception(error);
    }
}

void TQtMainThread::ProcessPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
