// A serial adapter that goes away and comes back: the port is closed when its device has gone
// and opened again, with no user action, as soon as its path leads to a device again, whether
// the path is a link (as under /dev/serial/by-id/) that points to a new device or a device node
// that disappears and reappears. "Stop" still means stop; "Init" on a gone device reopens it.

#include "core/event_queue.h"
#include "hung_run.h"
#include "pty_pair.h"
#include "temp_dir.h"
#include "transport/com_port.h"
#include "transport/com_port_errors.h"
#include "transport/serial_watch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <list>
#include <sys/inotify.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

class SerialWatch : public ::testing::Test {
protected:
    SerialWatch() {
        SetComPort1Design(Port);
        Port.OnRxChar = [this](TComPort& sender, int32_t count) {
            std::string bytes;
            sender.ReadStr(bytes, count);
            Received += bytes;
        };
        Port.OnException = [this](TComPort&, const std::exception& error) {
            Reports.push_back(std::string(error.what()) + " / " + DetailOf(error));
        };
    }

    // The far side hangs up; the port's thread reports it on the main thread.
    void PullAdapter(TPtyPair& pty) {
        pty.HangUp();
        ASSERT_TRUE(Queue.ProcessUntil([&] { return Port.DeviceGone(); }, HungRun));
        EXPECT_EQ(Watch.State(), TSerialWatch::TState::Gone);
    }

    // Ticks the watch (as the window's timer does) until the port is open again.
    bool TicksReopen() {
        return Queue.ProcessUntil(
            [&] {
                Watch.Tick();
                return Watch.State() == TSerialWatch::TState::Open;
            },
            HungRun);
    }

    // Bytes from the far side arrive through the port.
    bool Carries(TPtyPair& pty) {
        Received.clear();
        pty.Send("hello");
        return Queue.ProcessUntil([&] { return Received == "hello"; }, HungRun);
    }

    TEventQueue Queue;
    TTempDir Dir;
    TComPort Port{Queue};
    TSerialWatch Watch{Port};
    std::string Received;
    std::vector<std::string> Reports;
};

} // namespace

TEST_F(SerialWatch, ALinkThatPointsToTheAdapterAgainIsFollowedAndStopStillStops) {
    const std::filesystem::path link = Dir.Path() / "usb-Orvant_Panel-if00-port0";
    auto first = std::make_unique<TPtyPair>();
    std::filesystem::create_symlink(first->SlavePath(), link);
    Port.SetPort(link.string());
    Watch.Want();
    ASSERT_TRUE(Carries(*first));

    PullAdapter(*first);
    // The waiting-byte count or the wait itself fails, whichever the hang-up reaches first.
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_TRUE(Reports[0] == "Reading the serial line's errors failed (errno 5) / "
                              "Input/output error on " +
                                  link.string() ||
                Reports[0] == "Cannot read the serial port's status (errno 5) / "
                              "Input/output error on " +
                                  link.string())
        << Reports[0];
    Watch.Tick();
    EXPECT_FALSE(Port.Connected()) << "a gone device is let go at once";
    EXPECT_EQ(Watch.State(), TSerialWatch::TState::Gone);
    try {
        Port.WriteFrame("x", 1);
        ADD_FAILURE() << "a closed port wrote";
    } catch (const EComPort& error) {
        EXPECT_EQ(error.Detail(), "Bad file descriptor on " + link.string());
    }

    // The adapter comes back as another device; the link now points there.
    auto second = std::make_unique<TPtyPair>();
    first.reset();
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second->SlavePath(), link);
    ASSERT_TRUE(TicksReopen());
    EXPECT_TRUE(Carries(*second));
    EXPECT_EQ(Reports.size(), 1u) << "reopening is silent";

    Watch.Stop();
    Watch.Tick();
    EXPECT_FALSE(Port.Connected());
    EXPECT_EQ(Watch.State(), TSerialWatch::TState::Stopped);
}

TEST_F(SerialWatch, ADeviceNodeThatDisappearsAndComesBackIsOpenedAgain) {
    auto pty = std::make_unique<TPtyPair>();
    const std::string node = pty->SlavePath();
    Port.SetPort(node);
    Watch.Want();
    PullAdapter(*pty);
    pty.reset();
    Watch.Tick(); // lets the device go, so that its number can be given out again
    ASSERT_FALSE(std::filesystem::exists(node));
    EXPECT_EQ(Watch.State(), TSerialWatch::TState::Gone);

    // The system gives out the lowest free number: open pairs until the node is back.
    std::list<TPtyPair> others;
    TPtyPair* back = nullptr;
    for (int i = 0; i < 64 && back == nullptr; ++i) {
        others.emplace_back();
        if (others.back().SlavePath() == node) {
            back = &others.back();
        }
    }
    if (back == nullptr) {
        GTEST_SKIP() << node << " was taken by another program meanwhile";
    }
    ASSERT_TRUE(TicksReopen());
    EXPECT_TRUE(Carries(*back));
}

TEST_F(SerialWatch, InitOnAGoneDeviceClosesAndReopensAndAFailedOpenIsNotRetriedOnTheSameDevice) {
    TPtyPair pty;
    const std::filesystem::path link = Dir.Path() / "panel";
    std::filesystem::create_symlink(pty.SlavePath(), link);
    Port.SetPort(link.string());
    Watch.Want();
    // The device stays while the port's own thread thinks it gone: "Init" must reopen it.
    Port.OnRxChar = [](TComPort&, int32_t) { throw EComPort(3, EIO); };
    pty.Send("x");
    ASSERT_TRUE(Queue.ProcessUntil([&] { return Port.DeviceGone(); }, HungRun));
    Port.OnRxChar = [this](TComPort& sender, int32_t count) {
        std::string bytes;
        sender.ReadStr(bytes, count);
        Received += bytes;
    };
    Watch.Want();
    EXPECT_TRUE(Port.Connected());
    EXPECT_FALSE(Port.DeviceGone());
    EXPECT_TRUE(Carries(pty));

    // A device that is there but refuses to open is not hammered: one try per device, however
    // often the watch ticks. The system tells of every open.
    Watch.Stop();
    std::filesystem::remove(link);
    const std::string refusing = (Dir.Path() / "plain-file").string();
    std::filesystem::create_symlink(refusing, link);
    { std::ofstream(refusing) << "not a tty"; }
    const int opens = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(opens, 0);
    ASSERT_GE(::inotify_add_watch(opens, refusing.c_str(), IN_OPEN), 0);
    auto openedSinceLastLook = [opens] {
        alignas(inotify_event) char events[4096];
        bool opened = false;
        while (::read(opens, events, sizeof events) > 0) {
            opened = true;
        }
        return opened;
    };
    EXPECT_THROW(Watch.Want(), EComPort);
    EXPECT_TRUE(openedSinceLastLook());
    for (int tick = 0; tick < 3; ++tick) {
        Watch.Tick();
    }
    EXPECT_FALSE(openedSinceLastLook());
    ::close(opens);
    EXPECT_EQ(Watch.State(), TSerialWatch::TState::Closed);
    std::filesystem::remove(link);
    std::filesystem::create_symlink(pty.SlavePath(), link);
    ASSERT_TRUE(TicksReopen());
}
