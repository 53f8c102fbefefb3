#include "core/errors.h"
#include "core/event_queue.h"
#include "hung_run.h"
#include "transport/base_thread.h"
#include "transport/hx_udp.h"

#include "bound_port.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <sys/socket.h>
#include <thread>

using namespace std::chrono_literals;

namespace {

// A loopback-reachable port that was free a moment ago (never 1501: the system picks it).
std::string FreePort() {
    THxUdpSocket probe(nullptr);
    probe.SetPort("0");
    probe.Open();
    return BoundPort(probe.GetSocket());
}

// The far end: a socket on a port of the system's choice, sending to the worker's port.
struct TPeer {
    explicit TPeer(const std::string& workerPort) : Socket(nullptr) {
        Socket.SetPort("0");
        Socket.Open();
        Port = BoundPort(Socket.GetSocket());
        Socket.SetDestinationAddress("127.0.0.1");
        Socket.SetDestinationPort(workerPort);
    }
    void Send(const std::string& bytes) {
        Socket.Send(reinterpret_cast<const uint8_t*>(bytes.data()), int32_t(bytes.size()));
    }
    THxUdpSocket Socket;
    std::string Port;
};

struct TDelivery {
    std::string Bytes, From, Port;
    bool OnMainThread;
};

// What reaches the main thread through the worker's callbacks.
struct TRecorder {
    std::thread::id Main = std::this_thread::get_id();
    std::vector<TDelivery> Data;
    std::vector<std::string> Status;
    std::string FailOn; // OnData raises for a datagram with these bytes

    static void OnData(void* self, const uint8_t* data, int32_t length, const std::string& from,
                       const std::string& port) {
        auto& r = *static_cast<TRecorder*>(self);
        std::string bytes(reinterpret_cast<const char*>(data), std::size_t(length));
        r.Data.push_back({bytes, from, port, std::this_thread::get_id() == r.Main});
        if (bytes == r.FailOn) {
            throw EOrvant("Version reply without its end");
        }
    }
    static void OnStatus(void* self, const std::string& text) {
        static_cast<TRecorder*>(self)->Status.push_back(text);
    }
};

class UdpWorker : public ::testing::Test {
protected:
    UdpWorker() {
        Worker.OnData = &TRecorder::OnData;
        Worker.OnDataData = &Rec;
        Worker.OnStatus = &TRecorder::OnStatus;
        Worker.OnStatusData = &Rec;
    }
    bool WaitForData(std::size_t count) {
        return Queue.ProcessUntil([&] { return Rec.Data.size() >= count; }, HungRun);
    }

    TEventQueue Queue;
    TRecorder Rec;
    THxUdp Worker{Queue};
};

// Counts its passes; raises in the pass given.
class TCountingThread : public TBaseThread {
public:
    using TBaseThread::TBaseThread;
    ~TCountingThread() override {
        Terminate();
        WaitFor();
    }
    std::atomic<int> Passes{0};
    int FailAt = -1;

protected:
    void Process() override {
        std::this_thread::sleep_for(2ms);
        if (++Passes == FailAt) {
            throw EOrvant("boom");
        }
    }
};

// A worker whose receive wait lasts an hour, so that only being woken ends it sooner; it tells
// when a pass has begun, that is when its next step is that wait.
class TPatientWorker : public THxUdp {
public:
    explicit TPatientWorker(IMainThread& mainThread) : THxUdp(mainThread) {
        FReceiveWaitSeconds = 3600;
    }
    ~TPatientWorker() override {
        Terminate();
        WaitFor();
    }
    std::atomic<bool> PassBegun{false};

protected:
    void Process() override {
        PassBegun = true;
        THxUdp::Process();
    }
};

} // namespace

TEST_F(UdpWorker, DatagramsReachOnDataOnTheMainThreadWithTheirSender) {
    const std::string port = FreePort();
    Worker.SetServerPort(" " + port + " ");
    ASSERT_FALSE(Worker.Suspended());
    EXPECT_EQ(Worker.ServerPort(), " " + port + " ");
    TPeer peer(port);
    peer.Send(std::string("\x01\x30\x41\x00\xAA\x71\x02", 7));
    peer.Send("second");
    ASSERT_TRUE(WaitForData(2));
    EXPECT_EQ(Rec.Data[0].Bytes, std::string("\x01\x30\x41\x00\xAA\x71\x02", 7));
    EXPECT_EQ(Rec.Data[1].Bytes, "second");
    for (const TDelivery& d : Rec.Data) {
        EXPECT_TRUE(d.OnMainThread);
        EXPECT_EQ(d.From, "127.0.0.1");
        EXPECT_EQ(d.Port, peer.Port);
    }
    EXPECT_EQ(Worker.GetFromPort(), peer.Port);
    EXPECT_TRUE(Rec.Status.empty());
}

TEST_F(UdpWorker, SendsOnlyToADestinationSetBeforehand) {
    const uint8_t frame[] = {0x01, 0x30, 0x56, 0x86, 0x02};
    try {
        Worker.SendBuffer(frame, sizeof frame);
        FAIL() << "sent without an address";
    } catch (const EOrvant& error) {
        EXPECT_STREQ(error.what(), "Destination-address not set.");
    }
    Worker.SetDestinationAddress("127.0.0.1");
    try {
        Worker.SendBuffer(frame, sizeof frame);
        FAIL() << "sent without a port";
    } catch (const EOrvant& error) {
        EXPECT_STREQ(error.what(), "Destination-port not set");
    }
}

TEST_F(UdpWorker, AFailingCallbackIsReportedAndReceptionGoesOn) {
    const std::string port = FreePort();
    Worker.SetServerPort(port);
    TPeer peer(port);
    Rec.FailOn = "bad";
    peer.Send("bad");
    ASSERT_TRUE(WaitForData(1));
    peer.Send("good");
    ASSERT_TRUE(WaitForData(2));
    EXPECT_EQ(Rec.Data[1].Bytes, "good");
    ASSERT_TRUE(Queue.ProcessUntil([&] { return !Rec.Status.empty(); }, HungRun));
    EXPECT_EQ(Rec.Status, std::vector<std::string>{"Version reply without its end"});
    EXPECT_FALSE(Worker.Finished());
}

TEST_F(UdpWorker, APortInUseIsReportedAndLeavesTheWorkerPausedUntilRebound) {
    THxUdpSocket holder(nullptr);
    holder.SetPort("0");
    ASSERT_TRUE(holder.Open());
    const std::string taken = BoundPort(holder.GetSocket());

    Worker.SetServerPort(taken);
    EXPECT_EQ(Rec.Status, std::vector<std::string>{"Address already in use"});
    EXPECT_TRUE(Worker.Suspended());

    const std::string port = FreePort();
    Worker.SetServerPort(port);
    EXPECT_FALSE(Worker.Suspended());
    TPeer peer(port);
    peer.Send("after rebinding");
    ASSERT_TRUE(WaitForData(1));
    EXPECT_EQ(Rec.Data[0].Bytes, "after rebinding");
}

TEST_F(UdpWorker, EndsPromptlyAlsoWhileItsHandOffWaitsForTheMainThread) {
    const std::string port = FreePort();
    Worker.SetServerPort(port);
    TPeer peer(port);
    peer.Send("never handled");
    // The main thread does not take the hand-off; the worker waits for it.
    std::this_thread::sleep_for(200ms);
    const auto start = std::chrono::steady_clock::now();
    Worker.Terminate();
    Worker.WaitFor();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    EXPECT_TRUE(Worker.Finished());
    EXPECT_EQ(Worker.StatusText(), "ended");
    Queue.ProcessPendingEvents(); // the abandoned call does nothing now
    EXPECT_TRUE(Rec.Data.empty());
    EXPECT_TRUE(Rec.Status.empty()); // "ended" is stored, not reported
}

// Closing the window must not wait for the receive time-out: the stop itself wakes the reader.
TEST(UdpWorkerStop, WakesTheWaitingReaderSoItEndsBeforeAnythingElseCouldEndTheWait) {
    TEventQueue queue;
    TPatientWorker worker(queue);
    const std::string port = FreePort();
    worker.SetServerPort(port);
    ASSERT_TRUE(queue.ProcessUntil([&] { return worker.PassBegun.load(); }, HungRun));
    worker.Terminate();
    const bool endedFirst = queue.ProcessUntil([&] { return worker.Finished(); }, HungRun);
    // Left waiting, only a datagram would end the wait within the hour: one goes out, so that
    // the worker ends either way.
    TPeer(port).Send("late");
    worker.WaitFor();
    EXPECT_TRUE(endedFirst) << "the worker went on waiting after the stop";
    EXPECT_EQ(worker.StatusText(), "ended");
}

TEST(BaseThread, PausesBetweenPassesAndAnEscapingErrorEndsIt) {
    TEventQueue queue;
    std::vector<std::string> status;
    TCountingThread thread(queue);
    thread.OnStatusData = &status;
    thread.OnStatus = [](void* data, const std::string& text) {
        static_cast<std::vector<std::string>*>(data)->push_back(text);
    };
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(thread.Passes, 0); // created suspended

    thread.Resume();
    ASSERT_TRUE(queue.ProcessUntil([&] { return thread.Passes >= 3; }, HungRun));
    thread.Suspend();
    const int paused = thread.Passes;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(thread.Passes, paused);

    thread.FailAt = paused + 2;
    thread.Resume();
    ASSERT_TRUE(queue.ProcessUntil([&] { return thread.Finished(); }, HungRun));
    EXPECT_EQ(status, std::vector<std::string>{"Exception: boom"});
    EXPECT_EQ(thread.Passes, paused + 2); // nothing restarts the loop
}
