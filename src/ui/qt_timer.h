#pragma once
// A window timer behind the core's timer interface. Like the old window timers, an interval of 0
// never fires.

#include "core/timer.h"

#include <QObject>
#include <QTimer>

class TQtTimer : public QObject, public ITimer {
    Q_OBJECT
public:
    explicit TQtTimer(QObject* parent, uint32_t interval, bool enabled);

    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return FEnabled; }
    void SetInterval(uint32_t milliseconds) override;
    uint32_t Interval() const override { return FInterval; }
    void SetOnTimer(std::function<void()> handler) override { FHandler = std::move(handler); }

private:
    void Restart();

    QTimer FTimer;
    bool FEnabled = false;
    uint32_t FInterval = 1000;
    std::function<void()> FHandler;
};
