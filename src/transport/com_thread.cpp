#include "transport/com_thread.h"

#include "transport/com_port_errors.h"

#include <cerrno>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

struct TComThread::THandlers {
    TEventsHandler OnEvents;
    TErrorHandler OnError;
};

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
    : FDevice(device), FEvents(events), FInputSize(inputSize),
      FHandlers(std::make_shared<THandlers>(THandlers{std::move(onEvents), std::move(onError)})),
      FHandOff(mainThread) {
    FPoll = ::epoll_create1(EPOLL_CLOEXEC);
    FStopSignal = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (FPoll < 0 || FStopSignal < 0 ||
        !Watch(FPoll, device.Handle(), EPOLLIN | EPOLLRDHUP | EPOLLET, PortTag) ||
        !Watch(FPoll, FStopSignal, EPOLLIN, StopTag)) {
        int error = errno;
        CloseDescriptors();
        throw EComPort(1, error);
    }
    FThread = std::thread([this] { Run(); });
}

TComThread::~TComThread() {
    Stop();
    CloseDescriptors();
}

void TComThread::CloseDescriptors() {
    for (int* fd : {&FPoll, &FStopSignal}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void TComThread::Stop() {
    // The hand-off stops waiting for the main thread; the signal wakes the wait on the port.
    FHandOff.RequestStop();
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(FStopSignal, &one, sizeof one);
    if (FThread.joinable()) {
        FThread.join();
    }
}

void TComThread::Run() {
    for (;;) {
        epoll_event ready[2];
        int count = ::epoll_wait(FPoll, ready, 2, -1);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (FHandOff.StopRequested()) {
            return;
        }
        if (count < 0) {
            ReportEnd(std::make_exception_ptr(EComPort(6, errno)));
            return;
        }
        uint32_t portFlags = 0;
        for (int i = 0; i < count; ++i) {
            if (ready[i].data.u64 == PortTag) {
                portFlags |= ready[i].events;
            }
        }
        if (portFlags != 0 && !ServePort(portFlags)) {
            return;
        }
    }
}

bool TComThread::ServePort(uint32_t flags) {
    int32_t waiting = 0;
    try {
        waiting = FDevice.WaitingBytes();
    } catch (...) {
        // The count cannot be read: the device has failed and will not come back by itself.
        ReportEnd(std::current_exception());
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
        try {
            if (!FHandOff.Run([handlers = FHandlers, events, waiting] {
                    handlers->OnEvents(events, waiting);
                })) {
                return false;
            }
        } catch (...) {
            if (!Report(std::current_exception())) {
                return false;
            }
        }
    }
    if ((flags & (EPOLLHUP | EPOLLERR | EPOLLRDHUP)) != 0) {
        ReportEnd(std::make_exception_ptr(EComPort(6, EIO)));
        return false;
    }
    return true;
}

bool TComThread::Report(std::exception_ptr error) {
    try {
        return FHandOff.Run([handlers = FHandlers, error] { handlers->OnError(error, false); });
    } catch (...) {
        // The report itself failed; there is no one left to tell.
        return !FHandOff.StopRequested();
    }
}

void TComThread::ReportEnd(std::exception_ptr error) {
    try {
        FHandOff.Run([handlers = FHandlers, error] { handlers->OnError(error, true); });
    } catch (...) {
        // The report itself failed; there is no one left to tell.
    }
}
