#include "link/link_controls.h"

#include "core/errors.h"
#include "fake_transport.h"
#include "fakes.h"
#include "transport/com_port_errors.h"

#include <gtest/gtest.h>

namespace {

using TBytes = std::vector<uint8_t>;

class LinkControlsTest : public ::testing::Test {
protected:
    LinkControlsTest() {
        Timer.RunShowingFailures([this] { Handlers.Timer1Timer(); }, Shown);
    }

    size_t PollsIn(uint32_t milliseconds) {
        const size_t before = Transport.Sent.size();
        Timer.Advance(milliseconds);
        return Transport.Sent.size() - before;
    }

    TFakeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    TFakeTimer Timer;
    TFakeSerialPort Port{Transport};
    TFakeLinkControls Controls;
    TFakeClock Clock;
    TLinkControls Handlers{Codec, Timer, Port, Controls, Log, Clock};
    std::vector<std::string> Shown;
};

} // namespace

TEST_F(LinkControlsTest, ServiceButtonsSendTheirRequests) {
    Controls.Slaves = 3;
    Clock.Time = {2011, 5, 17, 13, 45, 30, 250};
    Handlers.ButtonSetSlaveClick();
    Handlers.ButtonSetTimeClick();
    Handlers.Button8Click();
    Handlers.Button7Click();
    Handlers.ButtonVerseClick();
    const std::vector<TBytes> expected{
        {0xAA, 0x01, 0x30, 0x53, 0x03, 0x86, 0xAA, 0x02},
        {0xAA, 0x01, 0x30, 0x54, 0x1E, 0x2D, 0x0D, 0x11, 0x05, 0x0B, 0xFD, 0xAA, 0x02},
        {0xAA, 0x01, 0x30, 0x47, 0x96, 0x00, 0x0D, 0xAA, 0x02},
        {0xAA, 0x01, 0x30, 0x55, 0x85, 0xAA, 0x02},
        {0xAA, 0x01, 0x30, 0x56, 0x86, 0xAA, 0x02},
    };
    EXPECT_EQ(Transport.Sent, expected);
}

// After "Stop" the commands say that the link is stopped, ask nothing and send nothing (not a
// write on the closed port, told in another system's words); "Init" brings them back.
TEST_F(LinkControlsTest, CommandsSayTheLinkIsStoppedUntilInit) {
    Controls.Answer = true;
    Handlers.ButtonStopClick();
    for (auto command : {&TLinkControls::ButtonSetTimeClick, &TLinkControls::ButtonSetSlaveClick,
                         &TLinkControls::ButtonVerseClick, &TLinkControls::Button7Click,
                         &TLinkControls::Button8Click}) {
        try {
            (Handlers.*command)();
            ADD_FAILURE() << "a command went out on a stopped link";
        } catch (const EOrvant& error) {
            EXPECT_STREQ(error.what(), TLinkControls::LinkStopped);
        }
    }
    EXPECT_TRUE(Transport.Sent.empty());
    EXPECT_TRUE(Controls.Questions.empty());
    Handlers.Button1Click();
    Handlers.ButtonSetTimeClick();
    EXPECT_EQ(Transport.Sent.size(), 1u);
}

TEST_F(LinkControlsTest, CommandsThatChangeThePanelAskFirstAndSendOnlyOnYes) {
    Controls.Slaves = 0;
    Clock.Time = {2026, 12, 7, 14, 3, 7, 0};
    Controls.Answer = false;
    Handlers.ButtonSetSlaveClick();
    Handlers.ButtonSetTimeClick();
    EXPECT_TRUE(Transport.Sent.empty());
    EXPECT_EQ(Controls.Questions,
              (std::vector<std::string>{"Set the number of slaves of the panel to 0?",
                                        "Set the panel clock to 14:03:07 07.12.2026?"}));

    Controls.Answer = true;
    Handlers.ButtonSetSlaveClick();
    Handlers.ButtonSetTimeClick();
    const std::vector<TBytes> expected{
        {0xAA, 0x01, 0x30, 0x53, 0x00, 0x83, 0xAA, 0x02},
        {0xAA, 0x01, 0x30, 0x54, 0x07, 0x03, 0x0E, 0x07, 0x0C, 0x1A, 0xC9, 0xAA, 0x02},
    };
    EXPECT_EQ(Transport.Sent, expected);
}

TEST_F(LinkControlsTest, RefusedValuesSendNothing) {
    Controls.Slaves = 5;
    EXPECT_THROW(Handlers.ButtonSetSlaveClick(), ERangeError);
    Clock.Time = {2256, 1, 1, 0, 0, 0, 0};
    EXPECT_THROW(Handlers.ButtonSetTimeClick(), ERangeError);
    EXPECT_TRUE(Transport.Sent.empty());
    EXPECT_TRUE(Controls.Questions.empty()); // nothing is asked about a value that cannot go
}

// A missing serial port is one message and no poll is written to it. With UDP chosen it is a
// note in the log, until the serial link is chosen again.
TEST_F(LinkControlsTest, AMissingSerialPortIsOneMessageOnSerialAndANoteOnUdp) {
    Handlers.ButtonStopClick();
    Port.DeviceMissing = true;
    EXPECT_THROW(Handlers.Button1Click(), EComPort);
    EXPECT_EQ(PollsIn(5000), 0u);
    Controls.Udp = Transport.Udp = true;
    Handlers.ButtonStopClick();
    Handlers.Button1Click();
    EXPECT_EQ(Log.Lines, std::vector<std::string>{"Not in use now: Cannot open the serial port "
                                                  "(errno 2) (No such file or directory)"});
    EXPECT_EQ(PollsIn(2000), 2u);
    Controls.Udp = Transport.Udp = false;
    EXPECT_THROW(Handlers.CheckBoxUDPClick(), EComPort);
    EXPECT_TRUE(Shown.empty());
}

TEST_F(LinkControlsTest, InitOpensOnlyAClosedPortAndRaisesWhenItCannot) {
    Handlers.Button1Click();
    EXPECT_EQ(Port.Opens, 0);

    Handlers.ButtonStopClick();
    Port.DeviceMissing = true;
    EXPECT_THROW(Handlers.Button1Click(), EComPort);
    EXPECT_FALSE(Port.Connected());
    EXPECT_TRUE(Handlers.Poll().Running()); // polling runs for when the port comes

    Port.DeviceMissing = false;
    Handlers.Button1Click();
    EXPECT_EQ(Port.Opens, 2);
    EXPECT_TRUE(Port.Connected());
}

TEST_F(LinkControlsTest, FailedButtonSendIsRaisedAndLeavesPollingAlone) {
    Handlers.Poll().Start();
    Timer.Advance(400);
    Transport.SerialOpen = false;
    EXPECT_THROW(Handlers.ButtonVerseClick(), EComPort);
    EXPECT_TRUE(Timer.Enabled());
    EXPECT_EQ(Timer.Remaining(), 600u);

    // No poll is written to the closed port, so there is no second message.
    Timer.Advance(600);
    EXPECT_TRUE(Shown.empty());
}

TEST_F(LinkControlsTest, UdpBoxLocksTheIpField) {
    Controls.Udp = true;
    Handlers.CheckBoxUDPClick();
    EXPECT_FALSE(Controls.IpEnabled);
    Controls.Udp = false;
    Handlers.CheckBoxUDPClick();
    EXPECT_TRUE(Controls.IpEnabled);
}

TEST_F(LinkControlsTest, ClearEmptiesTheLogAndComSettingsShowsTheDialog) {
    Log.AddLine("one");
    Log.AddLine("two");
    Handlers.Button2Click();
    EXPECT_EQ(Log.LineCount(), 0);
    Handlers.Button5Click();
    EXPECT_EQ(Port.Dialogs, 1);
}

// The slave field follows the panel; the question names the change; the log tells what was
// sent and, from the replies after it, whether the panel took it. "Set time" logs its time.
TEST_F(LinkControlsTest, SetSlavesStartsFromThePanelAndLogsWhetherItTookEffect) {
    Handlers.StatusSlaves(2);
    EXPECT_EQ(Controls.Slaves, 2);
    Controls.Slaves = 3;
    Handlers.StatusSlaves(2); // an unchanged count leaves what the technician typed
    Handlers.ButtonSetSlaveClick();
    EXPECT_EQ(Controls.Questions.back(), "Change the panel from 2 to 3 slaves?");
    Handlers.StatusSlaves(2); // a reply already under way
    Handlers.StatusSlaves(3);
    Handlers.StatusSlaves(3);
    Handlers.ButtonSetSlaveClick(); // the panel refuses this time
    Handlers.StatusSlaves(2);
    Handlers.StatusSlaves(2);
    Handlers.StatusSlaves(2);
    Clock.Time = {2026, 12, 7, 14, 3, 7, 0};
    Handlers.ButtonSetTimeClick();
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{
                             "Set slaves: 3 sent", "Set slaves: the panel now has 3 slaves",
                             "Set slaves: 3 sent",
                             "Set slaves: not taken, the panel still has 2 slaves, not 3",
                             "Set time: 14:03:07 07.12.2026 sent"}));
    EXPECT_EQ(Controls.Slaves, 2);
}
