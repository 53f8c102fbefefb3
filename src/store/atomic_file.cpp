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
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

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
// for anything else (and for a link whose target cannot be resolved).
std::string ResolveLink(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string target(real);
            std::free(real);
            return target;
        }
    }
    return path;
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
// of a writer still running are left to it.
void RemoveOrphanedTempFiles(const std::string& target) {
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

// Gives the new file the old one's owner, group and permission bits, so that a run with other
// rights (under sudo, say) does not take the file from its user. EPERM when this process may
// not give the file that owner or group.
bool KeepOwnerAndMode(int fd, const struct stat& old) {
    struct stat made {};
    if (::fstat(fd, &made) != 0) {
        return false;
    }
    if ((made.st_uid != old.st_uid || made.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        return false;
    }
    // After the owner: a change of owner clears the set-id bits.
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
    const std::string target = ResolveLink(path);
    RemoveOrphanedTempFiles(target);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;

    std::string tempPath;
    const int fd = CreateFileBeside(target, tempPath);
    if (fd < 0) {
        return false;
    }
    if (!existed) {
        KeepFolderOwner(target, fd);
    }
    bool ok = WriteAll(fd, bytes.data(), bytes.size()) && (!existed || KeepOwnerAndMode(fd, old)) &&
              ForceToDisk(fd, TFlushKind::File, target);
    int savedErrno = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && DiskCalls().Rename(tempPath.c_str(), target.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        errno = savedErrno;
        return false;
    }
    // The new file is in place; a directory that cannot be flushed makes the rename less durable
    // but does not undo the write.
    FlushDirectory(DirectoryToOpen(target));
    return true;
}
