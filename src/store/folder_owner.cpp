#include "store/folder_owner.h"

#include <sys/stat.h>
#include <unistd.h>

void KeepFolderOwner(const std::string& path, int fd) {
    if (::geteuid() != 0) {
        return; // an ordinary user's files are that user's
    }
    const auto slash = path.find_last_not_of('/') == std::string::npos
                           ? std::string::npos
                           : path.rfind('/', path.find_last_not_of('/'));
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    struct stat owner {};
    if (::stat(folder.c_str(), &owner) != 0 || owner.st_uid == 0) {
        return;
    }
    [[maybe_unused]] const int done = fd >= 0 ? ::fchown(fd, owner.st_uid, owner.st_gid)
                                              : ::lchown(path.c_str(), owner.st_uid, owner.st_gid);
}
