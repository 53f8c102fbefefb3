#include "transport/com_thread.h"

#include "core/errors.h"

#include <cerrno>
#include <chrono>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr uint64_t PortTag = 1;
constexpr uint64_t StopTag = 2;

// Adds fd to the wait set. The port is watched edge-triggered: a wake-up means new bytes came
// (as a line event does), so bytes that a handler leaves unread do not wake the thread again
// and again.
bool Watch(int poll, int fd, uint32_t events, uint64_t tag) {
    epoll_event event{};
    event.events = events;
    event.data.u64 = tag;
    return ::epoll_ctl(poll, EPOLL_CTL_ADD, fd, &event) == 0;
}

} // namespace

TComThread::TComThread(const TSerialDevice& device, TComEvents events, int32_t inputSize,
                       IMainThread& mainThread, TEventsHandler onEvents, TErrorHandler onError)
    : FDevice(device), FEvents(events), FInputSize(inputSize), FMainThread(mainThread),
      FOnEvents(std::move(onEvents)), FOnError(std::move(onError)) {
    FPoll = ::epoll_create1(EPOLL_CLOEXEC);
    FStopSignal = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (FPoll < 0 || FStopSignal < 0 ||
        !Watch(FPoll, device.Handle(), EPOLLIN | EPOLLRDHUP | EPOLLET, PortTag) ||
        !Watch(FPoll, FStopSignal, EPOLLIN, StopTag)) {
        int error = errno;
        Finish();
        throw EComPort(1, error);
    }
    FThread = std::thread([this] { Run(); });
}

TComThread::~TComThread() {
    Stop();
    Finish();
}

void TComThread::Finish() {
    if (FThread.joinable()) {
        FThread.join();
    }
    for (int* fd : {&FPoll, &FStopSignal}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

bool TComThread::Stop() {
    if (!FThread.joinable()) {
        return true;
    }
    if (!FStopRequested.exchange(true)) {
        uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(FStopSignal, &one, sizeof one);
    }
    if (FInHandOff) {
        return false;
    }
    // The thread may be waiting for the main thread to take a hand-off; run those (they do
    // nothing now) until it has seen the stop signal.
    std::unique_lock lock(FMutex);
    while (!FEnded.wait_for(lock, std::chrono::milliseconds(2), [this] { return FFinished; })) {
        lock.unlock();
        FMainThread.ProcessPendingEvents();
        lock.lock();
    }
    lock.unlock();
    FThread.join();
    return true;
}

void TComThread::Run() {
    for (;;) {
        epoll_event ready[2];
        int count = ::epoll_wait(FPoll, ready, 2, -1);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (FStopRequested) {
            break;
        }
        if (count < 0) {
            Report(std::make_exception_ptr(EComPort(6, errno)));
            break;
        }
        uint32_t portFlags = 0;
        for (int i = 0; i < count; ++i) {
            if (ready[i].data.u64 == PortTag) {
                portFlags |= ready[i].events;
            }
        }
        if (portFlags != 0 && !ServePort(portFlags)) {
            break;
        }
    }
    std::lock_guard lock(FMutex);
    FFinished = true;
    FEnded.notify_all();
}

bool TComThread::ServePort(uint32_t flags) {
    int32_t waiting = 0;
    try {
        waiting = FDevice.WaitingBytes();
    } catch (...) {
        // The count cannot be read: the device has failed and will not come back by itself.
        Report(std::current_exception());
        return false;
    }
    TComEvents events;
    if (FEvents.Contains(evRxChar)) {
        events.Include(evRxChar);
    }
    if (FEvents.Contains(evRx80Full) && int64_t(waiting) * 10 >= int64_t(FInputSize) * 8) {
        events.Include(evRx80Full);
    }
    if (waiting > 0 && !events.Empty()) {
        HandOff([&] { FOnEvents(events, waiting); });
    }
    if (FStopRequested) {
        return false;
    }
    if ((flags & (EPOLLHUP | EPOLLERR | EPOLLRDHUP)) != 0) {
        Report(std::make_exception_ptr(EComPort(6, EIO)));
        return false;
    }
    return true;
}

void TComThread::HandOff(const std::function<void()>& fn) {
    try {
        FMainThread.RunBlocking([&] {
            if (FStopRequested) {
                return;
            }
            FInHandOff = true;
            try {
                fn();
            } catch (...) {
                FInHandOff = false;
                throw;
            }
            FInHandOff = false;
        });
    } catch (...) {
        Report(std::current_exception());
    }
}

void TComThread::Report(std::exception_ptr error) {
    try {
        FMainThread.RunBlocking([&] {
            if (FStopRequested) {
                return;
            }
            FInHandOff = true;
            try {
                FOnError(error);
            } catch (...) {
                // The report itself failed; there is no one left to tell.
            }
            FInHandOff = false;
        });
    } catch (...) {
    }
}
