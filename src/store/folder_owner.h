#pragma once
// A run as root (under sudo, say) in a technician's folder must not leave files there that the
// technician's own runs cannot open: what such a run creates is given to the owner of the folder
// it lies in.

#include <string>

// Gives `path` (just created by this process) the owner and group of the folder that holds it,
// when this process runs as root and the folder belongs to someone else. `fd` is the open file,
// or -1 to go by the name. Failures change nothing: the file stays as it was made.
void KeepFolderOwner(const std::string& path, int fd = -1);
