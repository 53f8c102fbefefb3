#include "transport/serial_device.h"

#include "core/errors.h"
#include "transport/com_port_errors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

// The n of a "COMn" name (any letter case, n from 1), or 0 when the name is not of that form.
int ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 7 || strncasecmp(name.c_str(), "COM", 3) != 0) {
        return 0;
    }
    int number = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return 0;
        }
        number = number * 10 + (name[i] - '0');
    }
    return number;
}

// Modem-line calls that a device without modem lines refuses; those are not failures here.
bool NoModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

std::string SerialDevicePath(const std::string& portName) {
    if (!portName.empty() && portName[0] == '/') {
        return portName;
    }
    if (int number = ComNumber(portName); number > 0) {
        return "/dev/ttyS" + std::to_string(number - 1);
    }
    return "/dev/" + portName;
}

TSerialDevice::~TSerialDevice() {
    Close();
}

void TSerialDevice::Open(const std::string& path) {
    Close();
    int handle = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        throw EComPort(1, errno);
    }
    // TIOCEXCL keeps other users out but not root; the lock keeps out every program that asks
    // for it, this one included.
    int error = 0;
    if (!::isatty(handle)) {
        error = ENOTTY;
    } else if (::flock(handle, LOCK_EX | LOCK_NB) != 0 || ::ioctl(handle, TIOCEXCL) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::close(handle);
        throw EComPort(1, error);
    }
    FHandle = handle;
}

void TSerialDevice::Close() {
    if (FHandle < 0) {
        return;
    }
    // The exclusive flag belongs to the tty, not to this descriptor: clear it for the next open.
    ::ioctl(FHandle, TIOCNXCL);
    ::close(FHandle);
    FHandle = -1;
}

void TSerialDevice::SetLine(const TSerialLine& line) {
    if (int error = IsOpen() ? ApplySerialLine(FHandle, line) : EBADF; error != 0) {
        throw EComPort(7, error);
    }
}

void TSerialDevice::SetModemLines(bool dtr, std::optional<bool> rts) {
    if (!IsOpen()) {
        throw EComPort(7, EBADF);
    }
    int on = (dtr ? TIOCM_DTR : 0) | (rts.value_or(false) ? TIOCM_RTS : 0);
    int off = (dtr ? 0 : TIOCM_DTR) | (rts.value_or(true) ? 0 : TIOCM_RTS);
    for (auto [request, bits] : {std::pair{TIOCMBIS, on}, std::pair{TIOCMBIC, off}}) {
        if (bits != 0 && ::ioctl(FHandle, request, &bits) != 0 && !NoModemLines(errno)) {
            throw EComPort(7, errno);
        }
    }
}

int32_t TSerialDevice::Write(const uint8_t* buffer, int32_t count, std::optional<int64_t> limitMs) {
    if (!IsOpen()) {
        throw EComPort(2, EBADF);
    }
    if (count < 0) {
        throw EComPort(2, EINVAL);
    }
    const int64_t deadline = limitMs ? NowMs() + *limitMs : 0;
    int32_t written = 0;
    while (written < count) {
        ssize_t n = ::write(FHandle, buffer + written, size_t(count - written));
        if (n > 0) {
            written += int32_t(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            throw EComPort(2, errno);
        }
        // The driver's queue is full: wait until it takes more or the time is up.
        int waitMs = -1;
        if (limitMs) {
            int64_t left = deadline - NowMs();
            if (left <= 0) {
                break;
            }
            waitMs = int(std::min<int64_t>(left, 1 << 30));
        }
        pollfd port{FHandle, POLLOUT, 0};
        int ready = ::poll(&port, 1, waitMs);
        if (ready < 0 && errno != EINTR) {
            throw EComPort(6, errno);
        }
        if (ready > 0 && (port.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            throw EComPort(6, (port.revents & POLLNVAL) ? EBADF : EIO);
        }
    }
    return written;
}

int32_t TSerialDevice::Read(uint8_t* buffer, int32_t count) {
    if (!IsOpen()) {
        throw EComPort(3, EBADF);
    }
    if (count < 0) {
        throw EComPort(3, EINVAL);
    }
    for (;;) {
        ssize_t n = ::read(FHandle, buffer, size_t(count));
        if (n >= 0) {
            return int32_t(n);
        }
        if (errno == EAGAIN) {
            return 0;
        }
        if (errno != EINTR) {
            throw EComPort(3, errno);
        }
    }
}

int32_t TSerialDevice::WaitingBytes() const {
    int waiting = 0;
    if (!IsOpen() || ::ioctl(FHandle, FIONREAD, &waiting) != 0) {
        throw EComPort(10, IsOpen() ? errno : EBADF);
    }
    return waiting;
}

int TSerialDevice::Purge() {
    if (!IsOpen()) {
        return EBADF;
    }
    return ::tcflush(FHandle, TCIOFLUSH) == 0 ? 0 : errno;
}
