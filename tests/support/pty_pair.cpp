#include "pty_pair.h"

#include <algorithm>
#include <cerrno>
#include <limits.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

TPtyPair::TPtyPair() {
    char name[PATH_MAX] = {};
    if (::openpty(&FMaster, &FSlave, name, nullptr, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "openpty");
    }
    FSlavePath = name;
    termios raw{};
    ::tcgetattr(FSlave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(FSlave, TCSANOW, &raw);
}

TPtyPair::~TPtyPair() {
    HangUp();
}

void TPtyPair::Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::write(FMaster, bytes.data() + sent, bytes.size() - sent);
        if (n < 0 && errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "write to pty master");
        }
        sent += n > 0 ? std::size_t(n) : 0;
    }
}

std::string TPtyPair::Receive(std::size_t count, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    std::string bytes;
    while (bytes.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd master{FMaster, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&master, 1, int(left.count())) <= 0) {
            break;
        }
        char chunk[4096];
        ssize_t n = ::read(FMaster, chunk, std::min(sizeof chunk, count - bytes.size()));
        if (n <= 0) {
            break;
        }
        bytes.append(chunk, std::size_t(n));
    }
    return bytes;
}

termios TPtyPair::SlaveSettings() const {
    termios settings{};
    if (::tcgetattr(FSlave, &settings) != 0) {
        throw std::system_error(errno, std::generic_category(), "tcgetattr on pty slave");
    }
    return settings;
}

void TPtyPair::HangUp() {
    for (int* fd : {&FSlave, &FMaster}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}
