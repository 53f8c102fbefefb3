#include "store/disk_calls.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::function<void(const std::string&)>& Notice() {
    static std::function<void(const std::string&)> notice;
    return notice;
}

// Flushes run on the disk worker's thread as well as on the main thread.
std::atomic<bool>& NoticeGiven() {
    static std::atomic<bool> given = false;
    return given;
}

const char* CallName(TFlushKind kind) {
    return kind == TFlushKind::Data ? "fdatasync" : "fsync";
}

} // namespace

TDiskCalls SystemDiskCalls() {
    return TDiskCalls{
        [](int fd, const void* data, std::size_t size) { return ::write(fd, data, size); },
        [](int fd) { return ::fdatasync(fd); },
        [](int fd) { return ::fsync(fd); },
        [](int fd) { return ::fsync(fd); },
        [](const char* from, const char* to) { return std::rename(from, to); },
        [](const char* from, const char* to) {
            return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
        },
    };
}

TDiskCalls& DiskCalls() {
    static TDiskCalls calls = SystemDiskCalls();
    return calls;
}

bool ForceToDisk(int fd, TFlushKind kind, const std::string& name) {
    const TDiskCalls& calls = DiskCalls();
    const auto& call = kind == TFlushKind::Data   ? calls.SyncData
                       : kind == TFlushKind::File ? calls.SyncFile
                                                  : calls.SyncDirectory;
    if (call(fd) == 0) {
        return true;
    }
    const int error = errno;
    if (error != EINVAL && error != ENOTSUP && error != EOPNOTSUPP) {
        return false;
    }
    // Directories on many file systems say EINVAL as a matter of course: only files are told.
    if (kind != TFlushKind::Directory && Notice() && !NoticeGiven().exchange(true)) {
        Notice()("The file system of " + name + " cannot force data to disk (" + CallName(kind) +
                 ": " + std::strerror(error) +
                 "); files there are written without it, so a power cut may lose the last lines.");
    }
    errno = error;
    return true;
}

void SetUnsupportedFlushNotice(std::function<void(const std::string& text)> notice) {
    Notice() = std::move(notice);
    NoticeGiven() = false;
}
