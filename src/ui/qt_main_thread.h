#pragma once
// The hand-off to the window thread, for the serial event thread and the UDP worker.

#include "core/main_thread.h"

class TQtMainThread : public IMainThread {
public:
    // Runs fn in the window thread through a blocking queued call; rethrows what fn raised.
    void RunBlocking(const std::function<void()>& fn) override;
    // Lets the window handle its pending events (timers, received bytes and datagrams).
    void ProcessPendingEvents() override;
};
