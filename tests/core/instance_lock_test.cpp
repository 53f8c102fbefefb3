// One copy of the tool per folder: a second is refused while the first runs, and a program the
// first one started (the PDF viewer of a service report) holds nothing once the tool has ended.

#include "store/instance_lock.h"

#include "core/errors.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// A program started as the tool starts a viewer, running until it is ended.
class TStartedProgram {
public:
    TStartedProgram() {
        char sleep[] = "sleep";
        char seconds[] = "600";
        char* argv[] = {sleep, seconds, nullptr};
        FStarted = ::posix_spawnp(&FPid, "sleep", nullptr, nullptr, argv, environ) == 0;
    }
    ~TStartedProgram() {
        if (FStarted) {
            ::kill(FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
        }
    }
    bool Started() const { return FStarted; }

private:
    pid_t FPid = -1;
    bool FStarted = false;
};

} // namespace

TEST(InstanceLock, ASecondCopyIsRefusedAndAProgramItStartedHoldsNothingAfterIt) {
    TTempDir dir;
    std::optional<TInstanceLock> first(std::in_place, dir.Path().string());
    EXPECT_THROW(TInstanceLock second(dir.Path().string()), EOrvant);

    const TStartedProgram viewer; // still open after the tool ends
    ASSERT_TRUE(viewer.Started());
    first.reset();
    EXPECT_NO_THROW(TInstanceLock next(dir.Path().string()));
}
