// The program's UDP link without a window: the panel object with its worker, the frame codec
// sending through it and receiving from it on the main thread, and the destination address
// looked up once per host name.

#include "core/errors.h"
#include "core/event_queue.h"
#include "hung_run.h"
#include "link/frame_codec.h"
#include "model/pult.h"
#include "transport/host_address_cache.h"

#include "bound_port.h"
#include "fakes.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <future>
#include <sys/socket.h>

using namespace std::chrono_literals;

namespace {

// A resolver that counts its look-ups, knows one name, and answers only once let go: until then
// it is a name server that does not answer. Its state lives as long as the look-ups that ask it.
struct TResolverState {
    std::atomic<int> Calls{0};
    std::atomic<bool> KnowsGone{false};
    std::promise<void> Answer;
};
THostAddressCache::TResolver CountingResolver(const std::shared_ptr<TResolverState>& state) {
    return [state, answer = state->Answer.get_future().share()](const std::string& name) {
        ++state->Calls;
        answer.wait();
        if (name != "panel.site" && !(name == "gone.site" && state->KnowsGone)) {
            throw EOrvant("Invalid address: " + name);
        }
        return std::string("10.1.2.3");
    };
}

// SendFrame's transport in the program: UDP through the panel object. Tests never send to
// port 1501: the port the codec asks for is noted, and the datagram goes to the test's peer.
class TPultTransport : public IFrameTransport {
public:
    explicit TPultTransport(tPult*& pult) : FPult(pult) {}
    bool UdpSelected() const override { return true; }
    std::string IpText() const override { return Ip; }
    void WriteSerial(const uint8_t*, uint32_t) override {}
    bool SetUdpDestination(const std::string& port, const std::string& address) override {
        AskedPort = port;
        return FPult->SetUdpDestination(PeerPort, address);
    }
    bool SendDatagram(const uint8_t* data, uint32_t count) override {
        return FPult->SendDatagram(data, count);
    }
    std::string Ip;
    std::string PeerPort;
    std::string AskedPort;

private:
    tPult*& FPult;
};

} // namespace

// The look-up runs on its own thread: until the name server answers there is no address, and
// the main thread never waits for it.
TEST(HostAddressCache, LooksUpANameOnItsOwnThreadOnceAndADottedQuadNever) {
    TEventQueue queue;
    TFakeClock clock;
    auto resolver = std::make_shared<TResolverState>();
    THostAddressCache cache(clock, queue, CountingResolver(resolver));
    EXPECT_EQ(cache.AddressFor(" 192.168.1.100 "), " 192.168.1.100 ");
    EXPECT_EQ(cache.AddressFor(""), "");
    for (int poll = 0; poll < 3; ++poll) {
        EXPECT_EQ(cache.AddressFor(" panel.site"), std::nullopt);
    }
    EXPECT_EQ(cache.Resolving(), "panel.site");
    resolver->Answer.set_value();
    auto answered = [&] {
        return queue.ProcessUntil([&] { return cache.Resolving().empty(); }, HungRun);
    };
    ASSERT_TRUE(answered());
    EXPECT_EQ(cache.AddressFor(" panel.site"), "10.1.2.3");
    EXPECT_EQ(resolver->Calls, 1);

    // A failed look-up is raised again for the same text without asking, for a minute; then
    // the name is asked again, the failure standing until the answer comes.
    EXPECT_EQ(cache.AddressFor("gone.site"), std::nullopt);
    ASSERT_TRUE(answered());
    for (int poll = 0; poll < 3; ++poll) {
        EXPECT_THROW(cache.AddressFor("gone.site"), EOrvant);
        EXPECT_EQ(cache.Resolving(), ""); // not asked again
        clock.Ticks += 1000;
    }
    EXPECT_EQ(resolver->Calls, 2);
    clock.Ticks += THostAddressCache::RetryAfterMs;
    resolver->KnowsGone = true;
    EXPECT_THROW(cache.AddressFor("gone.site"), EOrvant);
    ASSERT_TRUE(answered());
    EXPECT_EQ(cache.AddressFor("gone.site"), "10.1.2.3");
    EXPECT_EQ(resolver->Calls, 3);
}

class PultOverUdp : public ::testing::Test {
protected:
    PultOverUdp() : Transport(PultPointer), Codec(Transport, Log) {
        // The far end first, on a port of the system's choice; the worker's port likewise.
        Peer.SetPort("0");
        Peer.Open();
        PeerPort = BoundPort(Peer.GetSocket());
        THxUdpSocket probe(nullptr);
        probe.SetPort("0");
        probe.Open();
        WorkerPort = BoundPort(probe.GetSocket());
        probe.Close();

        PultPointer = &Pult;
        Pult.StartUdp(Queue, Clock, "192.168.1.100", WorkerPort);
        Peer.SetDestinationAddress("127.0.0.1");
        Peer.SetDestinationPort(WorkerPort);
    }
    void PeerSends(const std::vector<uint8_t>& datagram) {
        Peer.Send(datagram.data(), int32_t(datagram.size()));
    }

    TEventQueue Queue;
    TFakeClock Clock;
    TMemoryLog Log;
    tPult* PultPointer = nullptr;
    TPultTransport Transport;
    TFrameCodec Codec;
    std::vector<std::string> Shown;
    tPult Pult{Codec, [] { return true; },
               [this](const std::string& text) { Shown.push_back(text); }};
    THxUdpSocket Peer{nullptr};
    std::string PeerPort, WorkerPort;
};

TEST_F(PultOverUdp, FramesGoOutAsDatagramsAndRepliesAreDecodedOnTheMainThread) {
    EXPECT_EQ(Pult.Udp()->GetDestinationAddress(), "192.168.1.100");
    EXPECT_EQ(Pult.Udp()->GetDestinationPort(), "1501");

    // The IP field's text (a host name) replaces the default address once it is looked up.
    Transport.Ip = " localhost ";
    Transport.PeerPort = PeerPort;
    Codec.SendFrame('V', nullptr, 0);
    ASSERT_TRUE(Queue.ProcessUntil([&] { return Pult.Resolving().empty(); }, HungRun));
    Codec.SendFrame('V', nullptr, 0);
    EXPECT_EQ(Transport.AskedPort, "1501");
    EXPECT_EQ(Pult.Udp()->GetDestinationAddress(), "127.0.0.1");
    int32_t length = 0;
    const uint8_t* got = Peer.Receive(length);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(got, got + length),
              (std::vector<uint8_t>{0x01, 0x30, 0x56, 0x86, 0x02}));

    const auto mainThread = std::this_thread::get_id();
    std::vector<std::thread::id> decodedOn;
    Codec.RegisterDecoder('A', [&] { decodedOn.push_back(std::this_thread::get_id()); });
    PeerSends({0x01, 0x30, 0x41, 0x71, 0x02});
    ASSERT_TRUE(Queue.ProcessUntil([&] { return decodedOn.size() == 1; }, HungRun));
    EXPECT_EQ(decodedOn[0], mainThread);
    EXPECT_TRUE(Shown.empty());
}

TEST_F(PultOverUdp, ADecoderFailureIsShownAndLaterRepliesAreStillDecoded) {
    Transport.Ip = "127.0.0.1"; // the peer is the panel once a frame went there
    Codec.SendFrame('V', nullptr, 0);
    int decoded = 0;
    Codec.RegisterDecoder('V', [&] {
        if (++decoded == 1) {
            throw EOrvant("Version reply without its end");
        }
    });
    const std::vector<uint8_t> version{0x01, 0x30, 'V', 'V', '2', '.', '1', 0x00, 0x00, 0x02};
    PeerSends(version);
    ASSERT_TRUE(Queue.ProcessUntil([&] { return !Shown.empty(); }, HungRun));
    EXPECT_EQ(Shown, std::vector<std::string>{"Version reply without its end"});
    PeerSends(version);
    ASSERT_TRUE(Queue.ProcessUntil([&] { return decoded == 2; }, HungRun));
    EXPECT_EQ(Shown.size(), 1u);
}

TEST_F(PultOverUdp, APortAlreadyTakenIsRaisedOnceAndEndedNever) {
    std::vector<std::string> shown;
    {
        // A second copy of the tool on the same port.
        tPult second(
            Codec, [] { return true; }, [&](const std::string& text) { shown.push_back(text); });
        EXPECT_THROW(second.StartUdp(Queue, Clock, "192.168.1.100", WorkerPort), EOrvant);
        EXPECT_FALSE(second.Udp()->Suspended()); // resumed all the same, and silent
        tPult::UdpStatus(&second, "ended");
    }
    Queue.ProcessPendingEvents();
    EXPECT_TRUE(shown.empty());
}
