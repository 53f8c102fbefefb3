#include "ui/qt_timer.h"

TQtTimer::TQtTimer(QObject* parent, uint32_t interval, bool enabled)
    : QObject(parent), FEnabled(enabled), FInterval(interval) {
    FTimer.setTimerType(Qt::PreciseTimer);
    connect(&FTimer, &QTimer::timeout, this, [this] {
        if (FHandler) {
            FHandler();
        }
    });
    Restart();
}

void TQtTimer::SetEnabled(bool enabled) {
    if (enabled == FEnabled) {
        return;
    }
    FEnabled = enabled;
    Restart();
}

void TQtTimer::SetInterval(uint32_t milliseconds) {
    FInterval = milliseconds;
    Restart(); // a running countdown starts again with the new interval
}

void TQtTimer::Restart() {
    FTimer.stop();
    if (FEnabled && FInterval > 0) {
        FTimer.start(static_cast<int>(FInterval));
    }
}
