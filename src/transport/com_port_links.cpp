#include "transport/com_port_links.h"

#include <algorithm>
#include <sys/stat.h>

namespace fs = std::filesystem;

bool ComPortPresent(const std::string& path) {
    struct stat status {};
    return !path.empty() && ::stat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

std::string LinkTarget(const std::string& path) {
    std::error_code error;
    if (!fs::is_symlink(path, error)) {
        return {};
    }
    const fs::path target = fs::canonical(path, error);
    return error ? std::string() : target.string();
}

std::vector<TComPortLink> EnumComPortLinks(const fs::path& dir) {
    std::vector<TComPortLink> links;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(dir, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string path = entry->path().string();
        if (std::string target = LinkTarget(path); !target.empty() && ComPortPresent(path)) {
            links.push_back({path, std::move(target)});
        }
    }
    std::sort(links.begin(), links.end(),
              [](const TComPortLink& a, const TComPortLink& b) { return a.Path < b.Path; });
    return links;
}
