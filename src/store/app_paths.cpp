#include "store/app_paths.h"

#include "core/errors.h"

#include <cerrno>
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
