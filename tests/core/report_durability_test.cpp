// What survives a power cut or a full disk: the report files against the real file system, with
// the process's own flushes to disk recorded on the way.

#include "store/report_file.h"

#include "core/errors.h"
#include "fakes.h"
#include "store/disk_calls.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <dlfcn.h>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::mutex SyncedMutex;
std::vector<std::string> Synced; // every path the program flushed with fsync, in order

std::vector<std::string> SyncedPaths() {
    std::lock_guard lock(SyncedMutex);
    return Synced;
}

void ForgetSynced() {
    std::lock_guard lock(SyncedMutex);
    Synced.clear();
}

std::string Canonical(const fs::path& path) {
    return fs::weakly_canonical(path).string();
}

} // namespace

// Takes the place of the C library's fsync in this test program: notes the flushed path, then
// flushes for real.
extern "C" int fsync(int fd) {
    using TFsync = int (*)(int);
    static const auto real = reinterpret_cast<TFsync>(::dlsym(RTLD_NEXT, "fsync"));
    char path[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = ::readlink(link.c_str(), path, sizeof path - 1);
    if (length > 0) {
        std::lock_guard lock(SyncedMutex);
        Synced.emplace_back(path, std::size_t(length));
    }
    return real(fd);
}

// A new day's event report file and its directory are written into their directories on the
// disk before a line counts as written; a file continued later needs no second flush.
TEST(ReportDurability, ANewEventFileAndItsDirectoryAreFlushedIntoTheirParents) {
    TTempDir dir;
    TFakeClock clock;
    ForgetSynced();
    {
        TReportFile report(EventReportKind, dir.Path().string(), clock);
        report.StartReport();
        report.WriteReportLine("line");
    }
    const std::vector<std::string> synced = SyncedPaths();
    const std::string base = Canonical(dir.Path());
    const std::string reports = Canonical(dir.Path() / "ReportUdal");
    EXPECT_EQ(std::count(synced.begin(), synced.end(), base), 1);
    EXPECT_EQ(std::count(synced.begin(), synced.end(), reports), 1);

    ForgetSynced();
    TReportFile again(EventReportKind, dir.Path().string(), clock);
    again.StartReport();
    const std::vector<std::string> later = SyncedPaths();
    EXPECT_EQ(std::count(later.begin(), later.end(), base), 0);
    EXPECT_EQ(std::count(later.begin(), later.end(), reports), 0);
}

// A write cut short (here by the file size limit, as by a full disk) leaves half a line; the next
// line must not be glued onto it.
TEST(ReportDurability, TheLineAfterAWriteThatFailedPartWayStartsOnAFreshLine) {
    TTempDir dir;
    TFakeClock clock;
    TReportFile report(DataReportKind, dir.Path().string(), clock);
    report.StartReport();
    const std::string fileName = report.ReportFileName();
    const auto size = fs::file_size(fileName);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = size + 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(report.WriteReportLine("0123456789ABCDEFGHIJ"), EInOutError);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &old), 0);

    report.WriteReportLine("next");
    const std::string bytes = ReadFileBytes(fileName);
    EXPECT_EQ(bytes.substr(size), "0123456789\r\nnext\r\n");
}

// A directory entry that cannot be flushed is not taken as done: each line is refused, naming
// the directory, until the flush succeeds; then the line is written.
TEST(ReportDurability, AFailedDirectoryFlushRefusesTheLinesUntilItSucceeds) {
    TTempDir dir;
    TFakeClock clock;
    TDiskCalls& calls = DiskCalls();
    const TDiskCalls saved = calls;
    bool failing = true;
    calls.SyncDirectory = [&](int fd) {
        if (failing) {
            errno = EIO;
            return -1;
        }
        return saved.SyncDirectory(fd);
    };
    TReportFile report(EventReportKind, dir.Path().string(), clock);
    report.StartReport(); // raises nothing
    for (int k = 0; k < 2; ++k) {
        try {
            report.WriteReportLine("line");
            ADD_FAILURE() << "a line written while its file's entry is not on the disk";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode, EIO);
            EXPECT_NE(std::string(e.what()).find(dir.Path().string()), std::string::npos);
        }
    }
    failing = false;
    report.WriteReportLine("line");
    calls = saved;
    const std::string text = ReadFileBytes(report.ReportFileName());
    EXPECT_EQ(text.substr(text.size() - 6), "line\r\n");
    EXPECT_EQ(text.find("line\r\n"), text.size() - 6); // once
}
