#include "store/instance_lock.h"

#include "core/errors.h"
#include "store/folder_owner.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The process id the holder wrote into the lock file, as text; empty when unknown.
std::string HolderText(int handle) {
    char text[32] = {};
    const ssize_t got = ::pread(handle, text, sizeof text - 1, 0);
    std::string holder = got > 0 ? std::string(text, std::size_t(got)) : std::string();
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\r')) {
        holder.pop_back();
    }
    return holder.find_first_not_of("0123456789") == std::string::npos ? holder : "";
}

} // namespace

TInstanceLock::TInstanceLock(const std::string& directory) {
    const std::string path = directory + "/" + InstanceLockFileName;
    FHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    bool writable = FHandle >= 0;
    if (writable) {
        KeepFolderOwner(path, FHandle);
    } else if (errno == EACCES || errno == EPERM || errno == EROFS) {
        // A lock file of another user (left by a run as root, say) locks as well read-only.
        const int refusal = errno;
        FHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (FHandle < 0 && errno != ENOENT) {
            throw EOrvant(
                "Orvant2 cannot use its lock file " + path + " (" + std::strerror(refusal) +
                "), so it cannot make sure that no other copy uses the settings and "
                "reports in " +
                directory + ". Give the file to your user or remove it, then start again.");
        }
    }
    if (FHandle < 0) {
        return; // a folder where nothing can be made: nothing there for two copies to lose
    }
    if (::flock(FHandle, LOCK_EX | LOCK_NB) == 0) {
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (writable && ::ftruncate(FHandle, 0) == 0) {
            [[maybe_unused]] const ssize_t written = ::pwrite(FHandle, pid.data(), pid.size(), 0);
        }
        return;
    }
    const int error = errno;
    const std::string holder = HolderText(FHandle);
    ::close(FHandle);
    FHandle = -1;
    if (error != EWOULDBLOCK) {
        return; // a file system without locks: as without a lock file
    }
    throw EOrvant("Orvant2 is already running in " + directory +
                  (holder.empty() ? "" : " (process " + holder + ")") +
                  ". Only one copy may use its settings and reports at a time: use the window "
                  "that is open, or close it first.");
}

TInstanceLock::~TInstanceLock() {
    if (FHandle >= 0) {
        ::close(FHandle);
    }
}
