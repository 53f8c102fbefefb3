// The program's UDP link without a window: the panel object with its worker, the frame codec
// sending through it and receiving from it on the main thread, and the destination address
// looked up once per host name.

#include "core/errors.h"
#include "core/event_queue.h"
#include "link/frame_codec.h"
#include "model/pult.h"
#include "model/traffic_log.h"
#include "transport/host_address_cache.h"

#include "bound_port.h"
#include "fakes.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <condition_variable>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// A name server that counts its look-ups, knows one name, and answers only while open: a closed
// one is a name server that does not answer (yet). Its state lives as long as the look-ups that
// ask it, which are not joined.
class TNameServer {
public:
    THostAddressCache::TResolver Fn() {
        return [state = FState](const std::string& name) -> std::string {
            std::unique_lock lock(state->Mutex);
            ++state->Calls;
            state->Changed.wait(lock, [&] { return state->Open; });
            if (name != state->Known) {
                throw EOrvant("Invalid address: " + name);
            }
            return "10.1.2.3";
        };
    }
    void Open(bool open) {
        std::lock_guard lock(FState->Mutex);
        FState->Open = open;
        FState->Changed.notify_all();
    }
    void Know(const std::string& name) {
        std::lock_guard lock(FState->Mutex);
        FState->Known = name;
    }
    int Calls() {
        std::lock_guard lock(FState->Mutex);
        return FState->Calls;
    }

private:
    struct TState {
        std::mutex Mutex;
        std::condition_variable Changed;
        bool Open = true;
        int Calls = 0;
        std::string Known = "panel.site";
    };
    std::shared_ptr<TState> FState = std::make_shared<TState>();
};

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
        ++Datagrams;
        return FPult->SendDatagram(data, count);
    }
    int Datagrams = 0;
    std::string Ip;
    std::string PeerPort;
    std::string AskedPort;

private:
    tPult*& FPult;
};

} // namespace

// A name server that does not answer never holds up the main thread: the look-up runs on its
// own thread, and until it answers there is no address.
TEST(HostAddressCache, LooksUpANameOnItsOwnThreadOnceAndADottedQuadNever) {
    TEventQueue queue;
    TFakeClock clock;
    TNameServer server;
    THostAddressCache cache(clock, queue, server.Fn());
    EXPECT_EQ(cache.AddressFor(" 192.168.1.100 "), " 192.168.1.100 ");
    EXPECT_EQ(cache.AddressFor(""), "");
    EXPECT_EQ(server.Calls(), 0);

    server.Open(false);
    for (int poll = 0; poll < 3; ++poll) {
        EXPECT_EQ(cache.AddressFor(" panel.site"), std::nullopt);
    }
    EXPECT_EQ(cache.Resolving(), "panel.site");
    server.Open(true);
    ASSERT_TRUE(queue.ProcessUntil([&] { return cache.Resolving().empty(); }, 5s));
    for (int poll = 0; poll < 3; ++poll) {
        EXPECT_EQ(cache.AddressFor(" panel.site"), "10.1.2.3");
    }
    EXPECT_EQ(server.Calls(), 1);

    // A failed look-up is raised again for the same text without asking, for a minute; then
    // the name is asked again, and the failure stands until the answer comes.
    EXPECT_EQ(cache.AddressFor("gone.site"), std::nullopt);
    ASSERT_TRUE(queue.ProcessUntil([&] { return cache.Resolving().empty(); }, 5s));
    for (int poll = 0; poll < 3; ++poll) {
        try {
            cache.AddressFor("gone.site");
            FAIL() << "an unknown name resolved";
        } catch (const EOrvant& error) {
            EXPECT_STREQ(error.what(), "Invalid address: gone.site");
        }
        clock.Ticks += 1000;
    }
    EXPECT_EQ(server.Calls(), 2);
    clock.Ticks += THostAddressCache::RetryAfterMs;
    server.Know("gone.site"); // the name server knows it now
    EXPECT_THROW(cache.AddressFor("gone.site"), EOrvant);
    EXPECT_EQ(cache.Resolving(), "gone.site");
    ASSERT_TRUE(queue.ProcessUntil([&] { return cache.Resolving().empty(); }, 5s));
    EXPECT_EQ(cache.AddressFor("gone.site"), "10.1.2.3");
    EXPECT_EQ(server.Calls(), 3);

    // A text changed while its look-up runs: the old answer is dropped, the new text counts.
    server.Know("other.site");
    server.Open(false);
    EXPECT_EQ(cache.AddressFor("panel.site"), std::nullopt);
    EXPECT_EQ(cache.AddressFor("other.site"), std::nullopt);
    server.Open(true);
    ASSERT_TRUE(queue.ProcessUntil([&] { return cache.Resolving().empty(); }, 5s));
    EXPECT_EQ(cache.AddressFor("other.site"), "10.1.2.3");
    EXPECT_EQ(server.Calls(), 5);
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
    // One poll to the peer at 127.0.0.1, which makes it the panel; the peer takes it.
    void SendToPeer() {
        Transport.Ip = "127.0.0.1";
        Transport.PeerPort = PeerPort;
        Codec.SendFrame('A', nullptr, 0);
        int32_t length = 0;
        ASSERT_NE(Peer.Receive(length), nullptr);
    }

    TEventQueue Queue;
    TFakeClock Clock;
    TMemoryLog Log;
    tPult* PultPointer = nullptr;
    TPultTransport Transport;
    TFrameCodec Codec;
    std::vector<std::string> Shown;
    bool UdpChosen = true;
    tPult Pult{Codec, [this] { return UdpChosen; },
               [this](const std::string& text) { Shown.push_back(text); }};
    THxUdpSocket Peer{nullptr};
    std::string PeerPort, WorkerPort;
};

TEST_F(PultOverUdp, FramesGoOutAsDatagramsAndRepliesAreDecodedOnTheMainThread) {
    EXPECT_EQ(Pult.Udp()->GetDestinationAddress(), "192.168.1.100");
    EXPECT_EQ(Pult.Udp()->GetDestinationPort(), "1501");

    // The IP field's text (a host name) replaces the default address once it is looked up;
    // until then nothing goes.
    Transport.Ip = " localhost ";
    Transport.PeerPort = PeerPort;
    Codec.SendFrame('V', nullptr, 0);
    EXPECT_EQ(Transport.Datagrams, 0);
    ASSERT_TRUE(Queue.ProcessUntil([&] { return Pult.Resolving().empty(); }, 5s));
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
    ASSERT_TRUE(Queue.ProcessUntil([&] { return decodedOn.size() == 1; }, 5s));
    EXPECT_EQ(decodedOn[0], mainThread);
    EXPECT_TRUE(Shown.empty());
}

// Port 1501 is open to the whole network: only the address the frames go to is the panel, and
// only while UDP is the chosen link. Anything else is counted, shown with its sender, and never
// decoded; a wrong checksum from the panel is decoded as before.
TEST_F(PultOverUdp, OnlyThePanelIsHeardAndOnlyWhileUdpIsChosen) {
    TTrafficLog traffic(Clock);
    Codec.AddObserver(traffic);
    int decoded = 0;
    Codec.RegisterDecoder('A', [&] { ++decoded; });
    const std::vector<uint8_t> status{0x01, 0x30, 0x41, 0x00, 0x02}; // checksum wrong
    auto handled = [&](uint64_t n) {
        return Queue.ProcessUntil(
            [&] { return Codec.Counters().Dispatched + Codec.Counters().DatagramsIgnored == n; },
            5s);
    };
    PeerSends(status); // before any frame went out nobody is the panel
    ASSERT_TRUE(handled(1));

    SendToPeer();
    // Another host as far as the tool can tell: 127.0.0.2, on loopback like the panel.
    const int stranger = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.2");
    ASSERT_EQ(::bind(stranger, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons(uint16_t(std::stoi(WorkerPort)));
    ASSERT_EQ(::sendto(stranger, status.data(), status.size(), 0,
                       reinterpret_cast<sockaddr*>(&address), sizeof address),
              ssize_t(status.size()));
    const std::string strangerPort = BoundPort(stranger);
    ::close(stranger);
    ASSERT_TRUE(handled(2));
    EXPECT_EQ(decoded, 0);
    const std::string summary = FrameSummary(traffic.At(traffic.Size() - 1));
    EXPECT_TRUE(summary.starts_with("'A' status, 0 of 283 bytes, bad checksum")) << summary;
    EXPECT_TRUE(summary.ends_with(", ignored: not the panel (127.0.0.2:" + strangerPort + ")"))
        << summary;

    PeerSends(status);
    ASSERT_TRUE(handled(3));
    EXPECT_EQ(decoded, 1);
    EXPECT_EQ(Codec.Counters().DatagramChecksumErrors, 1u);

    UdpChosen = false; // the serial link chosen: not even the panel is heard over UDP
    PeerSends(status);
    ASSERT_TRUE(handled(4));
    EXPECT_EQ(decoded, 1);
    EXPECT_EQ(Codec.Counters().DatagramsIgnored, 3u);
    Codec.RemoveObserver(traffic);
}

// The socket keeps its previous destination for a blank text (at start-up the default server
// address): a blank IP field sends nothing and says why.
TEST_F(PultOverUdp, ABlankIpFieldSendsNothing) {
    SendToPeer();
    for (const char* blank : {"", "  "}) {
        Transport.Ip = blank;
        try {
            Codec.SendFrame('A', nullptr, 0);
            FAIL() << "sent with a blank IP field";
        } catch (const EOrvant& error) {
            EXPECT_STREQ(error.what(), tPult::NoServerAddress);
        }
    }
    EXPECT_EQ(Transport.Datagrams, 1);
}

TEST_F(PultOverUdp, ADecoderFailureIsShownAndLaterRepliesAreStillDecoded) {
    SendToPeer();
    int decoded = 0;
    Codec.RegisterDecoder('V', [&] {
        if (++decoded == 1) {
            throw EOrvant("Version reply without its end");
        }
    });
    const std::vector<uint8_t> version{0x01, 0x30, 'V', 'V', '2', '.', '1', 0x00, 0x00, 0x02};
    PeerSends(version);
    ASSERT_TRUE(Queue.ProcessUntil([&] { return !Shown.empty(); }, 5s));
    EXPECT_EQ(Shown, std::vector<std::string>{"Version reply without its end"});
    PeerSends(version);
    ASSERT_TRUE(Queue.ProcessUntil([&] { return decoded == 2; }, 5s));
    EXPECT_EQ(Shown.size(), 1u);
}

// A second copy of the tool on the same port: the message names the port and what it costs,
// with the system's text under it; "ended" is never shown.
TEST_F(PultOverUdp, APortAlreadyTakenNamesThePortAndWhatItCosts) {
    std::vector<std::string> shown;
    {
        tPult second(
            Codec, [] { return true; }, [&](const std::string& text) { shown.push_back(text); });
        try {
            second.StartUdp(Queue, Clock, "192.168.1.100", WorkerPort);
            FAIL() << "a port in use was bound";
        } catch (const EOrvant& error) {
            EXPECT_EQ(std::string(error.what()),
                      "UDP port " + WorkerPort +
                          " is in use by another program (or another copy of this tool): replies "
                          "over UDP cannot be received");
            EXPECT_EQ(error.Detail(), "Address already in use");
        }
        EXPECT_FALSE(second.Udp()->Suspended()); // resumed all the same, and silent
        tPult::UdpStatus(&second, "ended");
    }
    Queue.ProcessPendingEvents();
    EXPECT_TRUE(shown.empty());
}
