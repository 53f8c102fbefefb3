#include "panel_sim/pty_link.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace panel_sim {

namespace {

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

TPtyLink::TPtyLink(const std::string& linkPath) : FLinkPath(linkPath) {
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B115200);
    cfsetospeed(&raw, B115200);
    char name[256] = {};
    if (openpty(&FMaster, &FSlave, name, &raw, nullptr) != 0) {
        throw SystemError("cannot open a pseudo-terminal");
    }
    FSlavePath = name;
    fcntl(FMaster, F_SETFD, FD_CLOEXEC);
    fcntl(FSlave, F_SETFD, FD_CLOEXEC);
    fcntl(FMaster, F_SETFL, fcntl(FMaster, F_GETFL) | O_NONBLOCK);
    if (!FLinkPath.empty()) {
        try {
            MakeSymlink();
        } catch (...) {
            close(FMaster);
            close(FSlave);
            throw;
        }
    }
}

TPtyLink::~TPtyLink() {
    if (!FLinkPath.empty()) {
        char target[512] = {};
        ssize_t n = readlink(FLinkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && FSlavePath == std::string(target, static_cast<std::size_t>(n))) {
            unlink(FLinkPath.c_str());
        }
    }
    close(FSlave);
    close(FMaster);
}

void TPtyLink::MakeSymlink() {
    struct stat st {};
    if (lstat(FLinkPath.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            errno = EEXIST;
            throw SystemError("will not replace " + FLinkPath + ", which is not a symlink");
        }
        unlink(FLinkPath.c_str());
    }
    if (symlink(FSlavePath.c_str(), FLinkPath.c_str()) != 0) {
        throw SystemError("cannot make the link " + FLinkPath);
    }
}

std::vector<uint8_t> TPtyLink::Read() {
    std::vector<uint8_t> bytes;
    uint8_t chunk[1024];
    for (;;) {
        ssize_t n = read(FMaster, chunk, sizeof chunk);
        if (n > 0) {
            bytes.insert(bytes.end(), chunk, chunk + n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return bytes; // EAGAIN: all read; EIO: nobody on the far side
    }
}

void TPtyLink::Write(const std::vector<uint8_t>& bytes) {
    std::size_t done = 0;
    int waits = 0;
    while (done < bytes.size()) {
        ssize_t n = write(FMaster, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // Full: give the reader a moment, then drop the rest rather than stall the panel.
        pollfd p{FMaster, POLLOUT, 0};
        if (n < 0 && errno == EAGAIN && ++waits <= 5 && poll(&p, 1, 20) > 0) {
            continue;
        }
        return;
    }
}

} // namespace panel_sim
