#pragma once
// The window thread as the main thread of the hand-off, for the serial event thread and the UDP
// worker.

#include "core/main_thread.h"

class TQtMainThread : public IMainThread {
public:
    // True in the window thread, and before the application object exists.
    bool IsMainThread() const override;
    // Queues fn as a call to the application object; dropped if the application ends first.
    void Post(std::function<void()> fn) override;
    // Lets the window handle its pending events (timers, received bytes and datagrams).
    void ProcessPendingEvents() override;
};
