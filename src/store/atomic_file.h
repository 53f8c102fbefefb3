#pragma once
// Whole-file reading, crash-safe replacement of small files (settings files) and crash-safe
// creation of new files that never replace an earlier one (service reports).
//
// Both report failure by returning false with errno set, so that the caller can raise the
// error its own users expect.

#include <functional>
#include <string>

// Reads the whole file into `bytes`. False (errno set, `bytes` untouched) when the file cannot
// be opened or read; errno is ENOENT when it does not exist.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Flushes a directory's entries (a file created, renamed or removed in it) to disk. True on
// success and on file systems that cannot flush a directory; false (errno set) otherwise.
bool FlushDirectory(const std::string& directory);

// Replaces the file with `bytes` so that the file on disk is always either the old or the new
// whole file, even when the program or the machine dies in the middle: the bytes go to a new
// file beside it, are flushed to disk, and that file is renamed over the old one; then the
// directory is flushed too (where that fails, the write still counts). An existing file keeps
// its owner, group and permission bits; a new one belongs to this process and gets the usual
// bits (0666 less the umask). A symbolic link stays a link and its target is replaced.
// False (errno set) on any failure, EPERM when the owner or group cannot be kept; then the old
// file is untouched and no temporary file is left behind. Temporary files that a writer which
// died left beside the file are removed, at the first replacement of the file in a run.
bool ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// Writes `bytes` as a new file at `path`, never replacing a file there: the bytes go to a new
// hidden file beside it, which must then hold all of them (its size is checked), are flushed to
// disk, and the file is renamed to `path` only if that name is free; then the directory is
// flushed too. False (errno set) on any failure, EEXIST when `path` is taken; then nothing is
// left behind, neither at `path` nor beside it.
bool CreateFileAtomically(const std::string& path, const std::string& bytes);

// CreateFileAtomically at the first free one of pathFor(0), pathFor(1), ... (at most 1000
// tried). The path written, or empty (errno set) when it failed.
std::string CreateFileWithFreeName(const std::function<std::string(int attempt)>& pathFor,
                                   const std::string& bytes);
