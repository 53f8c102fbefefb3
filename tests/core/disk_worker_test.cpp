// The disk worker: jobs done in order off the main thread, outcomes run on the main thread (what
// they raise shown), and a shut-down that finishes the queued work but does not hang on a device
// that does not answer.

#include "core/event_queue.h"
#include "store/disk_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// What the jobs did, from any thread.
struct TDone {
    std::mutex Mutex;
    std::vector<std::string> Work;
    void Add(const std::string& what) {
        const std::lock_guard lock(Mutex);
        Work.push_back(what);
    }
    std::vector<std::string> Taken() {
        const std::lock_guard lock(Mutex);
        return Work;
    }
};

} // namespace

TEST(DiskWorker, DoesTheWorkInOrderAndRunsTheOutcomesOnTheMainThread) {
    TEventQueue mainThread;
    std::vector<std::string> shown;
    TDiskWorker worker(mainThread, [&](const std::string& text) { shown.push_back(text); });
    auto done = std::make_shared<TDone>();
    std::vector<std::string> outcomes;
    const auto mainId = std::this_thread::get_id();
    for (const std::string name : {"line", "save", "note"}) {
        worker.Queue(
            [done, name, mainId] {
                done->Add(std::this_thread::get_id() == mainId ? "on the main thread" : name);
                if (name == "save") {
                    throw std::runtime_error("Unable to write to Kelm2.ini");
                }
            },
            [&, name, mainId](std::exception_ptr failure) {
                outcomes.push_back(std::this_thread::get_id() == mainId ? name : "elsewhere");
                if (failure) {
                    std::rethrow_exception(failure);
                }
            });
    }
    ASSERT_TRUE(mainThread.ProcessUntil([&] { return outcomes.size() == 3; }, 1min));
    EXPECT_EQ(done->Taken(), (std::vector<std::string>{"line", "save", "note"}));
    EXPECT_EQ(outcomes, (std::vector<std::string>{"line", "save", "note"}));
    EXPECT_EQ(shown, (std::vector<std::string>{"Unable to write to Kelm2.ini"}));
}

// At the end the queued work is done, in order, but nothing is handed to the main thread any
// more; a job that hangs (a device that does not answer) is left behind after the limit, and
// the jobs behind it are dropped, so what reaches the disk is always what was queued up to a
// point.
TEST(DiskWorker, FinishDoesTheQueuedWorkAndLeavesAHungDeviceBehind) {
    TEventQueue mainThread;
    auto done = std::make_shared<TDone>();
    bool outcome = false;
    {
        TDiskWorker worker(mainThread, {});
        for (const std::string name : {"line", "save"}) {
            worker.Queue([done, name] { done->Add(name); }, [&](auto) { outcome = true; });
        }
        EXPECT_TRUE(worker.Finish(1min));
        EXPECT_EQ(done->Taken(), (std::vector<std::string>{"line", "save"}));
    }
    auto release = std::make_shared<std::atomic<bool>>(false);
    TDiskWorker worker(mainThread, {});
    worker.Queue(
        [done, release] {
            release->wait(false); // a flush that does not come back until released
            done->Add("hung line");
        },
        [&](auto) { outcome = true; });
    worker.Queue([done] { done->Add("its save"); }, [&](auto) { outcome = true; });
    EXPECT_FALSE(worker.Finish(50ms));
    worker.Queue([done] { done->Add("too late"); }, [&](auto) { outcome = true; });
    release->store(true);
    release->notify_all();
    // The thread left behind ends, and lets go of what its jobs held.
    EXPECT_TRUE(mainThread.ProcessUntil([&] { return done.use_count() == 1; }, 1min));
    mainThread.ProcessPendingEvents();
    EXPECT_EQ(done->Taken(), (std::vector<std::string>{"line", "save", "hung line"}));
    EXPECT_FALSE(outcome);
}
