#pragma once
// Where the tool's files live. Every file of the tool (settings, serial settings, report
// directories, "Zaznam.BIN") lies beside the executable, never in the working directory, so the
// tool finds the same files however it was started.

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
