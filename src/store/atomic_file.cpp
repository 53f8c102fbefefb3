#include "store/atomic_file.h"

#include "store/app_paths.h"
#include "store/disk_calls.h"
#include "store/folder_owner.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = DiskCalls().Write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// The file a symbolic link points to, so that replacing it keeps the link; the path itself
// for anything else (and for a link whose target cannot be resolved). `info` gets the status of
// the file there; false when there is none.
bool ResolveLink(const std::string& path, std::string& target, struct stat& info) {
    target = path;
    if (::lstat(path.c_str(), &info) != 0) {
        return false;
    }
    if (!S_ISLNK(info.st_mode)) {
        return true;
    }
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    return ::stat(target.c_str(), &info) == 0;
}

// The directory to open for a path's entry: its directory part, "/" or the working directory.
std::string DirectoryToOpen(const std::string& path) {
    const std::string directory = DirectoryOf(path);
    if (!directory.empty()) {
        return directory;
    }
    return path.starts_with('/') ? "/" : ".";
}

// The prefix of the temporary files made for target: "." + its name + ".tmp-", then the
// writer's process id, "-" and a counter.
std::string TempPrefix(const std::string& target) {
    const auto slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    return "." + base + ".tmp-";
}

// Removes temporary files of target that a writer left when it died before its rename. Those
// of a writer still running are left to it. Once a run for each file: the files of earlier runs
// are gone after that, and no other writer of our files runs beside us (the instance lock), so
// the folder is not read again for every record the event copy saves.
void RemoveOrphanedTempFiles(const std::string& target) {
    static std::mutex cleanedLock;
    static std::unordered_set<std::string> cleaned;
    {
        const std::lock_guard lock(cleanedLock);
        if (!cleaned.insert(target).second) {
            return;
        }
    }
    const std::string directory = DirectoryToOpen(target);
    const std::string prefix = TempPrefix(target);
    DIR* entries = ::opendir(directory.c_str());
    if (entries == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        const std::string_view name(entry->d_name);
        if (!name.starts_with(prefix)) {
            continue;
        }
        const pid_t writer = static_cast<pid_t>(std::atoll(entry->d_name + prefix.size()));
        if (writer > 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH) {
            ::unlinkat(::dirfd(entries), entry->d_name, 0);
        }
    }
    ::closedir(entries);
}

// Gives the new file (`made` its status) the old one's owner, group and permission bits, so
// that a run with other rights (under sudo, say) does not take the file from its user. EPERM
// when this process may not give the file that owner or group.
bool KeepOwnerAndMode(int fd, const struct stat& made, const struct stat& old) {
    const bool ownerChanges = made.st_uid != old.st_uid || made.st_gid != old.st_gid;
    if (ownerChanges && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        return false;
    }
    // After the owner: a change of owner clears the set-id bits.
    if (!ownerChanges && (made.st_mode & 07777) == (old.st_mode & 07777)) {
        return true;
    }
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

// Creates a new, hidden file beside `target` and opens it for writing. The name carries the
// process id and a counter so that two writers never share one; 0666 lets the umask decide the
// permissions of a file that did not exist before.
int CreateFileBeside(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const auto slash = target.rfind('/');
    const std::string head = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = head + TempPrefix(target) + std::to_string(::getpid()) + "-" +
                   std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Whether the file holds exactly `size` bytes: a write that the system took but did not store
// (a full file system under some network mounts) shows here at the latest. EIO when not. `info`
// gets the file's status.
bool HoldsSize(int fd, std::size_t size, struct stat& info) {
    if (::fstat(fd, &info) != 0) {
        return false;
    }
    if (static_cast<std::size_t>(info.st_size) != size) {
        errno = EIO;
        return false;
    }
    return true;
}

// Gives `from` the name `to` unless a file has that name (EEXIST then). File systems without
// such a rename get a hard link and the old name removed; those without hard links either
// (FAT on a USB stick) a look first and a plain rename, which only another program writing the
// same name at the same moment could outrun.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (DiskCalls().RenameNoReplace(from.c_str(), to.c_str()) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP && errno != EOPNOTSUPP) {
        return false;
    }
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP) {
        return false;
    }
    struct stat info {};
    if (::lstat(to.c_str(), &info) == 0) {
        errno = EEXIST;
        return false;
    }
    return DiskCalls().Rename(from.c_str(), to.c_str()) == 0;
}

// Writes the bytes into a new file beside `target`, checks that it holds them all, lets `prepare`
// finish it (given its status; false with errno set: a failure), flushes and closes it, and lets
// `place` give it its name. On any failure the new file is removed and errno kept; after success
// the directory is flushed too (where that fails, the file still counts as written).
bool WriteBesideAndPlace(const std::string& target, const std::string& bytes,
                         const std::function<bool(int fd, const struct stat& made)>& prepare,
                         const std::function<bool(const std::string& tempPath)>& place) {
    std::string tempPath;
    const int fd = CreateFileBeside(target, tempPath);
    if (fd < 0) {
        return false;
    }
    struct stat made {};
    bool ok = WriteAll(fd, bytes.data(), bytes.size()) && HoldsSize(fd, bytes.size(), made) &&
              prepare(fd, made) && ForceToDisk(fd, TFlushKind::File, target);
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && !place(tempPath)) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        errno = savedErrno;
        return false;
    }
    FlushDirectory(DirectoryToOpen(target));
    return true;
}

} // namespace

// File systems that cannot flush a directory say EINVAL; there an entry is as durable as they
// allow.
bool FlushDirectory(const std::string& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool flushed = ForceToDisk(fd, TFlushKind::Directory, directory);
    const int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    return flushed;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int savedErrno = errno;
            ::close(fd);
            errno = savedErrno;
            return false;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    bytes = std::move(content);
    return true;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& bytes) {
    std::string target;
    struct stat old {};
    const bool existed = ResolveLink(path, target, old);
    RemoveOrphanedTempFiles(target);
    return WriteBesideAndPlace(
        target, bytes,
        [&](int fd, const struct stat& made) {
            if (!existed) {
                KeepFolderOwner(target, fd);
                return true;
            }
            return KeepOwnerAndMode(fd, made, old);
        },
        [&](const std::string& tempPath) {
            return DiskCalls().Rename(tempPath.c_str(), target.c_str()) == 0;
        });
}

bool CreateFileAtomically(const std::string& path, const std::string& bytes) {
    RemoveOrphanedTempFiles(path);
    struct stat taken {};
    if (::lstat(path.c_str(), &taken) == 0) {
        errno = EEXIST; // nothing written for a name that is known to be taken
        return false;
    }
    return WriteBesideAndPlace(
        path, bytes,
        [&](int fd, const struct stat&) {
            KeepFolderOwner(path, fd);
            return true;
        },
        [&](const std::string& tempPath) { return RenameWithoutReplacing(tempPath, path); });
}

std::string CreateFileWithFreeName(const std::function<std::string(int attempt)>& pathFor,
                                   const std::string& bytes) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string path = pathFor(attempt);
        if (CreateFileAtomically(path, bytes)) {
            return path;
        }
        if (errno != EEXIST) {
            return {};
        }
    }
    return {};
}
