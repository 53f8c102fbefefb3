// A run as root in a technician's folder, then the technician's own runs: the lock still locks,
// and the reports stay writable. Needs root to make the first run (the test machine's CI runs as
// root); the technician's run is a child process with the folder owner's user and group.

#include "core/errors.h"
#include "store/instance_lock.h"
#include "store/report_file.h"

#include "fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t Technician = 4321;

// Runs `step` in a child process as the technician; its exit code (0: as expected).
int AsTechnician(const std::function<int()>& step) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(Technician) != 0 || ::setuid(Technician) != 0) {
            ::_exit(90);
        }
        ::_exit(step());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

// 0 when a start in `dir` is refused because another copy runs there.
int RefusedAsRunning(const std::string& dir) {
    try {
        TInstanceLock lock(dir);
    } catch (const EOrvant& e) {
        return std::string(e.what()).find("already running") != std::string::npos ? 0 : 2;
    }
    return 1;
}

uid_t OwnerOf(const std::filesystem::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_uid;
}

class RootRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "a run as root needs root";
        }
        ASSERT_EQ(::chown(Dir.Path().c_str(), Technician, Technician), 0);
        Clock.Time = At(2010, 12, 5, 14, 3, 22);
    }
    TTempDir Dir;
    TFakeClock Clock;
};

} // namespace

TEST_F(RootRunTest, WhatRootMakesInTheFolderStaysTheTechniciansAndTheLockStillLocks) {
    const std::string dir = Dir.Path().string();
    {
        TInstanceLock lock(dir);
        TReportFile report(EventReportKind, dir, Clock);
        report.WriteReportLine("written as root");
        EXPECT_EQ(OwnerOf(Dir.Path() / InstanceLockFileName), Technician);
        EXPECT_EQ(OwnerOf(Dir.Path() / "ReportUdal"), Technician);
        EXPECT_EQ(OwnerOf(Dir.Path() / "ReportUdal" / "Kelm2_Udal_20101205.txt"), Technician);
        EXPECT_EQ(AsTechnician([&] { return RefusedAsRunning(dir); }), 0);
    }
    EXPECT_EQ(AsTechnician([&] {
                  TReportFile report(EventReportKind, dir, Clock);
                  report.WriteReportLine("written by the technician");
                  return 0;
              }),
              0);
}

// A lock file left by an older run as root (root's, not writable for others) still locks.
TEST_F(RootRunTest, ALockFileTheTechnicianCannotWriteStillLocks) {
    const std::string path = (Dir.Path() / InstanceLockFileName).string();
    const int held = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(AsTechnician([&] { return RefusedAsRunning(Dir.Path().string()); }), 0);
    ::close(held);
    // Not held: the technician's copy starts, with its lock taken through a read-only open.
    EXPECT_EQ(AsTechnician([&] {
                  TInstanceLock lock(Dir.Path().string());
                  return RefusedAsRunning(Dir.Path().string()) == 0 ? 0 : 3;
              }),
              0);
}
