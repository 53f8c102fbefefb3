// The system's table of disk calls reaches the system: every other test of the files puts a
// recorder in its place, so only here would a flush that does nothing be noticed. A call on a
// descriptor that is not open must come back from the kernel with EBADF, and the flush that
// makes such a call says it failed.

#include "store/disk_calls.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A descriptor that was open and is no longer.
int ClosedDescriptor(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    EXPECT_GE(fd, 0);
    ::close(fd);
    return fd;
}

} // namespace

TEST(DiskCalls, TheSystemTableMakesEachCall) {
    TTempDir dir;
    for (const TDiskCalls& calls : {SystemDiskCalls(), DiskCalls()}) {
        const int closed = ClosedDescriptor(dir.File("closed"));
        for (const auto* call : {&calls.SyncData, &calls.SyncFile, &calls.SyncDirectory}) {
            errno = 0;
            EXPECT_EQ((*call)(closed), -1);
            EXPECT_EQ(errno, EBADF);
        }
        errno = 0;
        EXPECT_EQ(calls.Write(closed, "x", 1), -1);
        EXPECT_EQ(errno, EBADF);
        errno = 0;
        EXPECT_NE(calls.Rename(dir.File("absent").c_str(), dir.File("other").c_str()), 0);
        EXPECT_EQ(errno, ENOENT);

        const int fd = ::open(dir.File("report").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(calls.Write(fd, "line\r\n", 6), 6);
        EXPECT_EQ(calls.SyncData(fd), 0);
        EXPECT_EQ(calls.SyncFile(fd), 0);
        ::close(fd);
        EXPECT_EQ(ReadFileBytes(dir.Path() / "report"), "line\r\n");
        EXPECT_EQ(calls.Rename(dir.File("report").c_str(), dir.File("renamed").c_str()), 0);
        EXPECT_EQ(ReadFileBytes(dir.Path() / "renamed"), "line\r\n");
        std::filesystem::remove(dir.Path() / "renamed");
    }
    // A flush that fails is a failure, not done.
    const int closed = ClosedDescriptor(dir.File("closed"));
    for (TFlushKind kind : {TFlushKind::Data, TFlushKind::File, TFlushKind::Directory}) {
        errno = 0;
        EXPECT_FALSE(ForceToDisk(closed, kind, "closed"));
        EXPECT_EQ(errno, EBADF);
    }
}
