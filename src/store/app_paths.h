#pragma once
// Where the tool's files live. Every file of the tool (settings, serial settings, report
// directories, "Zaznam.BIN", the instance lock) lies in one files directory, never in the
// working directory, so the tool finds the same files however it was started. The directory is
// decided once at start (FilesDirectory) and handed to everything that opens a file:
// - beside the executable when the user may write there: a portable copy on a service laptop
//   keeps its settings and reports with it, as a build tree does;
// - otherwise, and always when installed under /usr (even for root, who may write there), in
//   the user's data directory, $XDG_DATA_HOME/orvant2, by default ~/.local/share/orvant2,
//   created on first start.

#include <string>

// The directory of the running executable, without a trailing separator ("" when the executable
// lies in the root directory). Raises EInOutError when the system cannot name the executable.
std::string ExecutableDirectory();

// The full name of a file beside the executable: ExecutableDirectory() + "/" + name.
// Raises as ExecutableDirectory().
std::string AppFilePath(const std::string& name);

// The directory part of a path, without a trailing separator: everything before the last "/"
// ("" for "/name" and for a name without any "/").
std::string DirectoryOf(const std::string& path);

// The tool's per-user data directory, without a trailing separator: xdgDataHome + "/orvant2"
// when that is an absolute path, else home + "/.local/share/orvant2" (a relative or empty value
// counts as unset, as the desktop's base directory rules say). home null or not absolute: the
// home directory of the user's account. Raises EInOutError (ENOENT) when there is none.
std::string UserDataDirectory(const char* xdgDataHome, const char* home);

struct TFilesDirectory {
    std::string Path;      // without a trailing separator
    bool BesideExecutable; // true: the executable's directory; false: the per-user one
};

// Decides where the files of this run live: executableDirectory when this process may create
// and replace files in it and it is not /usr or below, else UserDataDirectory(xdgDataHome, home),
// which is created with any missing parents (mode 0700, only the user's). Raises EInOutError naming
// the directory that cannot be created or is not a directory.
TFilesDirectory FilesDirectory(const std::string& executableDirectory, const char* xdgDataHome,
                               const char* home);

// The same for this process: its executable's directory, XDG_DATA_HOME and HOME.
TFilesDirectory FilesDirectory();
