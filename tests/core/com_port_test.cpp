#include "core/errors.h"
#include "core/event_queue.h"
#include "hung_run.h"
#include "pty_pair.h"
#include "temp_dir.h"
#include "transport/com_port.h"
#include "transport/com_port_errors.h"
#include "transport/failure_headline.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <filesystem>

#include <set>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Every byte value, several times over, so that no byte is translated or swallowed unnoticed.
std::string AllBytes(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = char((i * 7 + i / 256) & 0xFF);
    }
    return bytes;
}

double ProcessCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

} // namespace

// A port on one end of a pseudo-terminal, the test on the other; the handlers record what
// reaches the main thread.
class ComPortPty : public ::testing::Test {
protected:
    ComPortPty() {
        SetComPort1Design(Port);
        Port.SetPort(Pty.SlavePath());
        Port.OnRxChar = [this](TComPort& sender, int32_t count) {
            EXPECT_EQ(std::this_thread::get_id(), MainId);
            EXPECT_GT(count, 0);
            std::string bytes;
            const int32_t read = sender.ReadStr(bytes, count);
            EXPECT_EQ(read, count);
            EXPECT_EQ(read, int32_t(bytes.size()));
            Received += bytes;
            ++Deliveries;
        };
        Port.OnException = [this](TComPort&, const std::exception& error) {
            EXPECT_EQ(std::this_thread::get_id(), MainId);
            Reports.push_back(error.what());
        };
    }

    bool ReceivedSize(std::size_t size) {
        return Queue.ProcessUntil([&] { return Received.size() >= size; }, HungRun);
    }

    const std::thread::id MainId = std::this_thread::get_id();
    TEventQueue Queue;
    TPtyPair Pty;
    TComPort Port{Queue};
    std::string Received;
    int Deliveries = 0;
    std::vector<std::string> Reports;
};

TEST_F(ComPortPty, BytesFromTheFarSideArriveOnceEachOnTheMainThread) {
    Port.Open();
    ASSERT_TRUE(Port.Connected());
    const std::string sent = AllBytes(3000);
    for (std::size_t at = 0; at < sent.size(); at += 700) {
        Pty.Send(sent.substr(at, 700));
        ASSERT_TRUE(ReceivedSize(std::min(at + 700, sent.size())));
    }
    // Nothing more comes once everything has been read.
    Queue.ProcessUntil([] { return false; }, 100ms);
    EXPECT_EQ(Received, sent);
    EXPECT_GE(Deliveries, 5);
    EXPECT_TRUE(Reports.empty());
}

TEST_F(ComPortPty, WriteArrivesWholeAndUntranslated) {
    Port.Open();
    const std::string frame = AllBytes(2048);
    EXPECT_EQ(Port.Write(frame.data(), int32_t(frame.size())), int32_t(frame.size()));
    EXPECT_EQ(Pty.Receive(frame.size(), HungRun), frame);
    EXPECT_EQ(Port.Write(frame.data(), 0), 0);
}

TEST_F(ComPortPty, WriteEndsWithTheBytesWrittenWhenTheTimeOutPasses) {
    Port.SetTimeouts({-1, 0, 0, 0, 50});
    Port.Open();
    // Nobody reads the far side, so the line's queues fill up long before this is out.
    const std::string big(4 << 20, 'x');
    int32_t written = Port.Write(big.data(), int32_t(big.size()));
    EXPECT_GT(written, 0);
    EXPECT_LT(written, int32_t(big.size()));
}

TEST_F(ComPortPty, OpenSetsRawLineAndPushesChangesOutsideUpdates) {
    Port.Open();
    termios line = Pty.SlaveSettings();
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));

    // A pseudo-terminal forces 8 data bits without parity, but keeps the parity's sense.
    Port.SetParity(TComParity{prOdd});
    EXPECT_EQ(Pty.SlaveSettings().c_cflag & PARODD, tcflag_t(PARODD));

    Port.BeginUpdate();
    Port.SetStopBits(sbTwoStopBits);
    TComFlowControl flow;
    flow.SetFlowControl(fcSoftware);
    Port.SetFlowControl(flow);
    EXPECT_EQ(Pty.SlaveSettings().c_cflag & CSTOPB, 0u);
    Port.EndUpdate();
    line = Pty.SlaveSettings();
    EXPECT_EQ(line.c_cflag & CSTOPB, tcflag_t(CSTOPB));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));

    flow.SetFlowControl(fcHardware);
    Port.SetFlowControl(flow);
    line = Pty.SlaveSettings();
    EXPECT_EQ(line.c_cflag & CRTSCTS, tcflag_t(CRTSCTS));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u);
}

// Each group of settings the line refuses names itself in the error.
TEST_F(ComPortPty, ImpossibleSettingsAreRefusedWithTheirOwnErrorAndThePortStaysClosed) {
    auto openError = [this] {
        try {
            Port.Open();
        } catch (const EComPort& e) {
            return std::string(e.what());
        }
        return std::string("opened");
    };
    const TComBuffer buffer = Port.Buffer();
    Port.SetBuffer({0, buffer.OutputSize});
    EXPECT_EQ(openError(), "Setting the serial queue sizes failed (errno 22)");
    Port.SetBuffer(buffer);
    const TComTimeouts timeouts = Port.Timeouts();
    TComTimeouts negative = timeouts;
    negative.WriteTotalMultiplier = -2;
    Port.SetTimeouts(negative);
    EXPECT_EQ(openError(), "Setting the serial time-outs failed (errno 22)");
    Port.SetTimeouts(timeouts);
    Port.SetStopBits(sbOne5StopBits); // needs 5 data bits
    EXPECT_EQ(openError(), "Setting the line parameters failed (errno 22)");
    EXPECT_FALSE(Port.Connected());

    Port.SetDataBits(dbFive);
    Port.Open();
    Port.SetBaudRate(brCustom);
    EXPECT_THROW(Port.SetCustomBaudRate(0), EComPort);
    EXPECT_NO_THROW(Port.SetCustomBaudRate(31250));
    EXPECT_TRUE(Port.Connected());
}

TEST_F(ComPortPty, MissingDeviceRaisesError1WithTheSystemCode) {
    Port.SetPort("/dev/orvant-no-such-tty");
    try {
        Port.Open();
        FAIL() << "a missing device opened";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code, 1);
        EXPECT_STREQ(e.what(), "Cannot open the serial port (errno 2)");
        // The technician reads a plain headline first, the port's own text under it.
        const TFailureText text = PlainFailure(e);
        EXPECT_EQ(text.Message, "Serial port not found");
        EXPECT_EQ(text.Detail, "Cannot open the serial port (errno 2) - No such file or "
                               "directory on /dev/orvant-no-such-tty");
    }
    EXPECT_FALSE(Port.Connected());
    EXPECT_EQ(PlainFailure(EComPort(1, EACCES)).Message,
              "No permission to open the serial port: the user must be in the \"dialout\" group");
    EXPECT_EQ(PlainFailure(EComPort(7, EINVAL)).Message,
              "Setting the line parameters failed (errno 22)");
}

TEST_F(ComPortPty, ReadAndWriteOnAClosedPortRaiseWithBadHandle) {
    const char frame[] = "\xAA\x01";
    try {
        Port.Write(frame, 2);
        FAIL() << "write on a closed port succeeded";
    } catch (const EComPort& e) {
        EXPECT_STREQ(e.what(), "Writing to the serial port failed (errno 9)");
    }
    std::string bytes;
    try {
        Port.ReadStr(bytes, 4);
        FAIL() << "read on a closed port succeeded";
    } catch (const EComPort& e) {
        EXPECT_STREQ(e.what(), "Reading from the serial port failed (errno 9)");
    }
    EXPECT_FALSE(Port.Connected());
    EXPECT_EQ(Pty.Receive(1, 50ms), "");
}

TEST_F(ComPortPty, ASecondOpenOfTheDeviceFailsUntilTheFirstCloses) {
    Port.Open();
    TComPort second(Queue);
    second.SetPort(Pty.SlavePath());
    try {
        second.Open();
        FAIL() << "the device opened twice";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code, 1);
        EXPECT_EQ(e.SystemCode, EWOULDBLOCK);
        EXPECT_EQ(PlainFailure(e).Message, "Serial port in use by another program");
    }
    EXPECT_FALSE(second.Connected());
    Port.Close();
    second.Open();
    EXPECT_TRUE(second.Connected());
}

TEST_F(ComPortPty, CloseStopsTheEventThreadEvenWhileItWaitsForTheMainThread) {
    Port.Open();
    Pty.Send("abc");
    // The event thread now waits for the main thread to take the delivery, which never does.
    std::this_thread::sleep_for(50ms);
    Port.Close();
    EXPECT_FALSE(Port.Connected());
    Pty.Send("def");
    Queue.ProcessUntil([] { return false; }, 100ms);
    EXPECT_EQ(Deliveries, 0);

    // The bytes that were waiting at the close were purged with the queues.
    Port.Open();
    Pty.Send("ghi");
    ASSERT_TRUE(Queue.ProcessUntil([&] { return Received.ends_with("ghi"); }, HungRun));
    EXPECT_EQ(Received.find("abc"), std::string::npos);
}

TEST_F(ComPortPty, TheHandlerMayCloseAndReopenThePort) {
    Port.OnRxChar = [this](TComPort& sender, int32_t count) {
        std::string bytes;
        sender.ReadStr(bytes, count);
        Received += bytes;
        sender.Close();
        if (Received == "1") {
            sender.Open();
        }
    };
    Port.Open();
    Pty.Send("1");
    ASSERT_TRUE(ReceivedSize(1));
    EXPECT_TRUE(Port.Connected());
    Pty.Send("2");
    ASSERT_TRUE(ReceivedSize(2));
    EXPECT_FALSE(Port.Connected());
    EXPECT_EQ(Received, "12");
}

TEST_F(ComPortPty, AnErrorInTheHandlerIsReportedAndReceptionGoesOn) {
    Port.OnRxChar = [this](TComPort& sender, int32_t count) {
        std::string bytes;
        sender.ReadStr(bytes, count);
        Received += bytes;
        if (bytes.find('!') != std::string::npos) {
            throw EComPort(10, EIO);
        }
    };
    Port.Open();
    Pty.Send("bad!");
    ASSERT_TRUE(Queue.ProcessUntil([&] { return !Reports.empty(); }, HungRun));
    EXPECT_EQ(Reports.front(), "Reading the serial line's errors failed (errno 5)");
    Pty.Send("good");
    ASSERT_TRUE(ReceivedSize(8));
    EXPECT_EQ(Received, "bad!good");
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(ComPortPty, AHangUpIsReportedOnceWithoutSpinningAndTheNextOpenWorks) {
    Port.Open();
    Pty.HangUp();
    ASSERT_TRUE(Queue.ProcessUntil([&] { return !Reports.empty(); }, HungRun));

    const double cpuBefore = ProcessCpuMs();
    Queue.ProcessUntil([] { return false; }, 300ms);
    EXPECT_LT(ProcessCpuMs() - cpuBefore, 150.0) << "the event thread spins on a dead device";
    EXPECT_EQ(Reports.size(), 1u);

    const char frame[] = "\xAA\x01";
    try {
        Port.Write(frame, 2);
        FAIL() << "write to a hung-up line succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code, 2);
        EXPECT_EQ(e.SystemCode, EIO);
    }
    EXPECT_NO_THROW(Port.Close());
    EXPECT_FALSE(Port.Connected());

    TPtyPair replugged;
    Port.SetPort(replugged.SlavePath());
    Port.Open();
    replugged.Send("back");
    ASSERT_TRUE(ReceivedSize(4));
    EXPECT_EQ(Received, "back");
}

// Any error that ends the line's thread, not only a pulled adapter's, leaves nothing reading the
// line: it is shown once and the port counts as gone, so that it is closed and opened again.
TEST_F(ComPortPty, AnyErrorThatEndsTheEventThreadMarksThePortGone) {
    auto handlesOfTheLine = [this] {
        std::set<int> handles;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (std::filesystem::read_symlink(entry.path(), ec).string() == Pty.SlavePath()) {
                handles.insert(std::stoi(entry.path().filename().string()));
            }
        }
        return handles;
    };
    const std::set<int> before = handlesOfTheLine();
    Port.Open();
    std::set<int> ours = handlesOfTheLine();
    for (int handle : before) {
        ours.erase(handle);
    }
    ASSERT_EQ(ours.size(), 1u);
    const int handle = *ours.begin();
    // The thread still waits on the line, but its count of waiting bytes now fails (ENOTTY).
    const int line = ::dup(handle);
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::dup2(devNull, handle), handle);
    Pty.Send("x");
    ASSERT_TRUE(Queue.ProcessUntil([&] { return !Reports.empty(); }, HungRun));
    EXPECT_TRUE(Port.DeviceGone());
    Queue.ProcessUntil([] { return false; }, 100ms);
    EXPECT_EQ(Reports.size(), 1u);
    ::close(devNull);
    ::close(line);
    try {
        Port.Close();
    } catch (const EComPort&) {
        // /dev/null cannot be purged
    }
    Port.Open();
    Pty.Send("back");
    ASSERT_TRUE(ReceivedSize(5));
    EXPECT_EQ(Received, "xback"); // the byte the failed thread could not count is read now
}

TEST_F(ComPortPty, ChangingThePortWhileOpenMovesToTheNewDevice) {
    TPtyPair other;
    Port.Open();
    Port.SetPort(other.SlavePath());
    EXPECT_TRUE(Port.Connected());
    other.Send("xyz");
    ASSERT_TRUE(ReceivedSize(3));

    // The first device is free again.
    TComPort first(Queue);
    first.SetPort(Pty.SlavePath());
    EXPECT_NO_THROW(first.Open());
}

TEST_F(ComPortPty, DiscardNullDropsZeroBytes) {
    Port.OnRxChar = [this](TComPort& sender, int32_t count) {
        std::string bytes;
        const int32_t read = sender.ReadStr(bytes, count);
        EXPECT_EQ(read, int32_t(bytes.size()));
        Received += bytes;
    };
    Port.SetDiscardNull(true);
    Port.Open();
    Pty.Send(std::string("a\0b\0\0c", 6));
    Queue.ProcessUntil([&] { return Received == "abc"; }, HungRun);
    EXPECT_EQ(Received, "abc");
}

TEST_F(ComPortPty, LoadingAnotherPortWhileOpenReopensAndAFailureRaises17) {
    TTempDir dir;
    TPtyPair other;
    Port.Open();
    WriteFileBytes(dir.File("ComPort.ini"), "[ComPort1]\r\nPort=" + other.SlavePath() + "\r\n");
    Port.LoadSettings(stIniFile, dir.File("ComPort.ini"));
    EXPECT_TRUE(Port.Connected());
    other.Send("k");
    ASSERT_TRUE(ReceivedSize(1));

    WriteFileBytes(dir.File("ComPort.ini"), "[ComPort1]\r\nPort=/dev/orvant-no-such-tty\r\n");
    try {
        Port.LoadSettings(stIniFile, dir.File("ComPort.ini"));
        FAIL() << "loading a missing device succeeded";
    } catch (const EComPort& e) {
        EXPECT_STREQ(e.what(), "Failed to load settings");
    }
    EXPECT_FALSE(Port.Connected());
}

TEST_F(ComPortPty, ASecondCloseQueuedDuringTheFirstFindsThePortClosed) {
    Port.Open();
    Pty.Send("abc");
    // The event thread waits for the main thread to take the delivery; a second "Stop" (a double
    // click, or one with SIGTERM) waits in the queue as well while the first one closes.
    std::this_thread::sleep_for(50ms);
    std::atomic<bool> secondDone{false};
    THandOff otherThread(Queue);
    std::thread second([&] {
        otherThread.Run([&] { Port.Close(); });
        secondDone = true;
    });
    std::this_thread::sleep_for(50ms);
    Port.Close();
    EXPECT_FALSE(Port.Connected());
    ASSERT_TRUE(Queue.ProcessUntil([&] { return secondDone.load(); }, HungRun));
    second.join();
    EXPECT_EQ(Deliveries, 0);
    Port.Open();
    Pty.Send("x");
    ASSERT_TRUE(ReceivedSize(1));
    EXPECT_EQ(Received, "x");
}

// A line held by flow control (here: nobody reads the far side until the queues are full) must
// not stall the window at every poll for the port's whole write time-out: a frame's write ends
// after the time the frame needs plus a margin, and says that it timed out.
TEST_F(ComPortPty, AFrameTheLineDoesNotTakeEndsSoonWithATimeOut) {
    Port.SetTimeouts({-1, 0, 0, 0, 50});
    Port.Open();
    const std::string big(4 << 20, 'x');
    ASSERT_LT(Port.Write(big.data(), int32_t(big.size())), int32_t(big.size()));
    Port.SetTimeouts(TComTimeouts{}); // the design's time-outs: over a second for a poll
    const std::string poll = "\xAA\x01\x30\x41\x71\xAA\x02";
    const auto start = std::chrono::steady_clock::now();
    try {
        Port.WriteFrame(poll.data(), int32_t(poll.size()));
        FAIL() << "a frame that was not taken was reported as written";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code, 2);
        EXPECT_EQ(e.SystemCode, ETIMEDOUT);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);

    Pty.Receive(1 << 20, 200ms); // the far side reads again: frames go out whole
    Port.WriteFrame(poll.data(), int32_t(poll.size()));
}
