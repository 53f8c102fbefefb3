#pragma once
// The calls through which report lines and replaced settings files reach the disk: writes,
// forced flushes, renames and directory flushes. Their order is what survives a power cut (a
// report line on the disk before the index that moves past it), so they pass through one table
// where that order can be watched. The program itself never changes the table.
//
// Some file systems (network and FUSE ones among them) refuse to force data to disk at all. A
// flush they refuse is taken as done: the files there are as durable as their file system
// allows, and refusing the write would stop the event copy for good. It is told once a run.

#include <cstddef>
#include <functional>
#include <string>
#include <sys/types.h>

struct TDiskCalls {
    std::function<ssize_t(int fd, const void* data, std::size_t size)> Write;
    std::function<int(int fd)> SyncData;      // the file's data (fdatasync)
    std::function<int(int fd)> SyncFile;      // the file's data and attributes (fsync)
    std::function<int(int fd)> SyncDirectory; // a directory's entries (fsync of the directory)
    std::function<int(const char* from, const char* to)> Rename;
    // A rename that fails (EEXIST) where `to` exists (renameat2 with RENAME_NOREPLACE).
    std::function<int(const char* from, const char* to)> RenameNoReplace;
};

// The system's calls.
TDiskCalls SystemDiskCalls();
// The calls in force: the system's unless a test put its own in.
TDiskCalls& DiskCalls();

enum class TFlushKind { Data, File, Directory };

// Forces what was written to `fd` (named `name` for the notice) onto the disk. True when done,
// and when the file system cannot do it (EINVAL, ENOTSUP); false with errno set on a real
// failure.
bool ForceToDisk(int fd, TFlushKind kind, const std::string& name);

// Where the first notice about a file system that cannot flush goes from now on; an empty
// function drops it. The notice is told on the thread that writes (the main thread, or the disk
// worker's thread for the event report): it hands it on to be shown.
void SetUnsupportedFlushNotice(std::function<void(const std::string& text)> notice);
