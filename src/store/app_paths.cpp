#include "store/app_paths.h"

#include "core/errors.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const SelfExe = "/proc/self/exe";

// The target of /proc/self/exe. readlink does not say whether it cut the name short, so the
// buffer grows until the name fits with room to spare.
std::string ReadSelfExe() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink(SelfExe, buffer.data(), buffer.size());
        if (length < 0) {
            throw EInOutError(errno, SelfExe);
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

const char* const ToolDataName = "/orvant2";

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

// The home directory of the account that runs the tool, for a process started without HOME.
std::string AccountHome() {
    std::vector<char> buffer(4096);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || !IsAbsolute(found->pw_dir)) {
        throw EInOutError(ENOENT, "~");
    }
    return found->pw_dir;
}

// Create and replace files here: write and search permission for the effective user, and not a
// read-only mount (access says both). Never under /usr, where installed programs live: nothing
// there is written at run time, not even by root, who could.
bool KeepsFilesBesideIt(const std::string& directory) {
    if (directory == "/usr" || directory.starts_with("/usr/")) {
        return false;
    }
    const std::string path = directory.empty() ? "/" : directory;
    return faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

// mkdir -p, each new level only the user's.
void CreateDirectories(const std::string& path) {
    for (std::string::size_type slash = 1;; ++slash) {
        slash = path.find('/', slash);
        const std::string level = path.substr(0, slash);
        if (::mkdir(level.c_str(), 0700) != 0 && errno != EEXIST) {
            throw EInOutError(errno, level);
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        throw EInOutError(errno, path);
    }
    if (!S_ISDIR(status.st_mode)) {
        throw EInOutError(ENOTDIR, path);
    }
}

std::string WithoutTrailingSeparators(std::string path) {
    while (!path.empty() && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

} // namespace

std::string DirectoryOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) {
        return "";
    }
    return path.substr(0, slash);
}

std::string ExecutableDirectory() {
    return DirectoryOf(ReadSelfExe());
}

std::string AppFilePath(const std::string& name) {
    return ExecutableDirectory() + "/" + name;
}

std::string UserDataDirectory(const char* xdgDataHome, const char* home) {
    if (IsAbsolute(xdgDataHome)) {
        return WithoutTrailingSeparators(xdgDataHome) + ToolDataName;
    }
    const std::string base = IsAbsolute(home) ? home : AccountHome();
    return WithoutTrailingSeparators(base) + "/.local/share" + ToolDataName;
}

TFilesDirectory FilesDirectory(const std::string& executableDirectory, const char* xdgDataHome,
                               const char* home) {
    if (KeepsFilesBesideIt(executableDirectory)) {
        return {executableDirectory, true};
    }
    std::string path = UserDataDirectory(xdgDataHome, home);
    CreateDirectories(path);
    return {std::move(path), false};
}

TFilesDirectory FilesDirectory() {
    return FilesDirectory(ExecutableDirectory(), std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}
