#include "link/poll_cycle.h"

#include "core/errors.h"
#include "fake_transport.h"
#include "fakes.h"
#include "transport/com_port_errors.h"

#include <cerrno>

#include <gtest/gtest.h>

namespace {

// A transport that can run a check while a frame is being written.
class TProbeTransport : public TFakeTransport {
public:
    void WriteSerial(const uint8_t* data, uint32_t count) override {
        if (DuringWrite) {
            DuringWrite();
        }
        TFakeTransport::WriteSerial(data, count);
    }
    std::function<void()> DuringWrite;
};

class PollCycleTest : public ::testing::Test {
protected:
    PollCycleTest() {
        // The window's side: every expiry runs the poll, and what it raises is shown.
        Timer.RunShowingFailures([this] { Poll.Timer1Timer(); }, Shown);
    }

    // Lets time pass and returns the number of polls sent meanwhile.
    size_t PollsIn(uint32_t milliseconds) {
        const size_t before = Transport.Sent.size();
        Timer.Advance(milliseconds);
        return Transport.Sent.size() - before;
    }

    TProbeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    TFakeTimer Timer;
    TFakeLinkControls Controls;
    TFakeSerialPort Port{Transport};
    TPollCycle Poll{Timer, Codec, Controls, Port};
    std::vector<std::string> Shown;
};

const std::vector<uint8_t> StatusRequest{0xAA, 0x01, 0x30, 0x41, 0x71, 0xAA, 0x02};
const std::string WriteFailure = "Writing to the serial port failed (errno 5)";

} // namespace

TEST_F(PollCycleTest, FirstPollComesOneSecondAfterStartThenEveryRefreshInterval) {
    Controls.Refresh = 250;
    Poll.Start();
    EXPECT_EQ(PollsIn(999), 0u);
    EXPECT_EQ(PollsIn(1), 1u);
    EXPECT_EQ(Transport.Sent.back(), StatusRequest);
    EXPECT_EQ(Timer.Interval(), 250u);
    EXPECT_EQ(PollsIn(249), 0u);
    EXPECT_EQ(PollsIn(1), 1u);
    EXPECT_EQ(PollsIn(1000), 4u);
    EXPECT_TRUE(Shown.empty());
}

TEST_F(PollCycleTest, NewRefreshValueRestartsTheCountdownAtOnce) {
    Poll.Start();
    EXPECT_EQ(PollsIn(1000), 1u);
    EXPECT_EQ(PollsIn(600), 0u); // 400 ms before the next poll would be due
    Controls.Refresh = 250;
    Poll.SpinEditRefreshChange();
    EXPECT_EQ(PollsIn(249), 0u);
    EXPECT_EQ(PollsIn(1), 1u);
    EXPECT_EQ(PollsIn(249), 0u);
    EXPECT_EQ(PollsIn(1), 1u);
    EXPECT_EQ(PollsIn(750), 3u);
}

TEST_F(PollCycleTest, TimerIsOffAndBusyWhileSendingAndAPollDuringTheSendDoesNothing) {
    Poll.Start();
    bool enabledDuringSend = true;
    bool busyDuringSend = false;
    int writes = 0;
    Transport.DuringWrite = [&] {
        if (++writes > 1) {
            return;
        }
        enabledDuringSend = Timer.Enabled();
        busyDuringSend = Poll.Busy();
        Poll.Timer1Timer(); // as if events were handled while the frame goes out
    };
    EXPECT_EQ(PollsIn(1000), 1u);
    EXPECT_FALSE(enabledDuringSend);
    EXPECT_TRUE(busyDuringSend);
    EXPECT_FALSE(Poll.Busy());
    EXPECT_TRUE(Timer.Enabled());
}

TEST_F(PollCycleTest, FailedPollIsShownOnceAndPollingResumesWhenTheCauseIsGone) {
    Poll.Start();
    bool failing = true;
    int writes = 0;
    Transport.DuringWrite = [&] {
        ++writes;
        if (failing) {
            throw EComPort(2, EIO);
        }
    };
    Timer.Advance(1000);
    ASSERT_EQ(Shown, std::vector<std::string>{WriteFailure});
    EXPECT_TRUE(Timer.Enabled());
    EXPECT_FALSE(Poll.Busy());

    Timer.Advance(5000); // five more failed polls, none shown
    EXPECT_EQ(writes, 6);
    EXPECT_EQ(Shown.size(), 1u);
    EXPECT_TRUE(Timer.Enabled());
    EXPECT_EQ(Timer.Interval(), 1000u);

    failing = false;
    EXPECT_EQ(PollsIn(3000), 3u);

    failing = true; // a new run of failures is shown again
    Timer.Advance(2000);
    EXPECT_EQ(Shown, (std::vector<std::string>{WriteFailure, WriteFailure}));
}

TEST_F(PollCycleTest, AFailureWithAnotherMessageIsShownToo) {
    Poll.Start();
    Transport.DuringWrite = [] { throw EComPort(2, EIO); };
    Timer.Advance(2000);
    Transport.Udp = true; // over to UDP, but the IP field holds no address
    Transport.Ip = "10.0.0.x";
    Timer.Advance(2000);
    EXPECT_EQ(Shown, (std::vector<std::string>{WriteFailure, "Invalid address: 10.0.0.x"}));

    Transport.Ip = "127.0.0.1"; // the field corrected
    EXPECT_EQ(PollsIn(2000), 2u);
    EXPECT_EQ(Transport.Sent.back(), (std::vector<uint8_t>{0x01, 0x30, 0x41, 0x71, 0x02}));
    EXPECT_EQ(Shown.size(), 2u);
}

TEST_F(PollCycleTest, NegativeRefreshIsRefusedAndKeepsTheInterval) {
    Poll.Start();
    Controls.Refresh = 500;
    Poll.SpinEditRefreshChange();
    Controls.Refresh = -5;
    EXPECT_THROW(Poll.SpinEditRefreshChange(), ERangeError);
    EXPECT_EQ(Timer.Interval(), 500u);

    // A poll that meets the value sends, keeps the old rhythm and shows the refusal once.
    EXPECT_EQ(PollsIn(500), 1u);
    EXPECT_EQ(Shown, std::vector<std::string>{"Range check error"});
    EXPECT_EQ(PollsIn(1000), 2u);
    EXPECT_EQ(Shown.size(), 1u);
    EXPECT_TRUE(Timer.Enabled());
}

TEST(PollCycleRefresh, IntervalStaysWithinTheFieldBounds) {
    EXPECT_EQ(TPollCycle::RefreshInterval(0), 100u); // 0 would stop the timer silently
    EXPECT_EQ(TPollCycle::RefreshInterval(100), 100u);
    EXPECT_EQ(TPollCycle::RefreshInterval(2500), 2500u);
    EXPECT_EQ(TPollCycle::RefreshInterval(10000), 10000u);
    EXPECT_EQ(TPollCycle::RefreshInterval(60000), 10000u);
    EXPECT_THROW(TPollCycle::RefreshInterval(-1), ERangeError);
}

TEST_F(PollCycleTest, StopEndsPollingAndStartBeginsWithOneSecondAgain) {
    Controls.Refresh = 200;
    Poll.Start();
    EXPECT_EQ(PollsIn(1200), 2u);
    Poll.Stop();
    EXPECT_EQ(PollsIn(5000), 0u);
    Poll.Start();
    EXPECT_EQ(PollsIn(999), 0u);
    EXPECT_EQ(PollsIn(1), 1u);
}
