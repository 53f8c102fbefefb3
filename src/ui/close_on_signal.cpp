#include "ui/close_on_signal.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int SignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const int savedErrno = errno; // the interrupted code may be about to read it
    const char byte = 1;
    // Only async-signal-safe work here: the window closes when the event loop reads the pipe.
    [[maybe_unused]] ssize_t n = write(SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

void SetHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

void CatchTerminationSignals() {
    if (SignalPipe[0] < 0 && pipe2(SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    SetHandler(OnSignal);
}

void CloseOnTerminationSignals(QWidget* window) {
    CatchTerminationSignals();
    if (SignalPipe[0] < 0) {
        return;
    }
    // A byte already in the pipe wakes the notifier as soon as the event loop runs.
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, window);
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [target] {
        char buffer[16];
        while (read(SignalPipe[0], buffer, sizeof buffer) > 0) {
        }
        if (target) {
            target->close();
        }
    });
}

void RestoreTerminationSignals() {
    SetHandler(SIG_DFL);
}
