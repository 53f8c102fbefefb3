// The program's UDP link without a window: the panel object with its worker, the frame codec
// sending through it and receiving from it on the main thread, and the destination address
// looked up once per host name.

#include "core/errors.h"
#include "core/event_queue.h"
#include "link/frame_codec.h"
#include "model/pult.h"
#include "transport/host_address_cache.h"

#include "bound_port.h"
#include "fakes.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>

using namespace std::chrono_literals;

namespace {

// A resolver that counts its look-ups and knows one name.
struct TCountingResolver {
    int Calls = 0;
    std::string Known = "panel.site";
    THostAddressCache::TResolver Fn() {
        return [this](const std::string& name) -> std::string {
            ++Calls;
            if (name != Known) {
                throw EOrvant("Invalid address: " + name);
            }
            return "10.1.2.3";
        };
    }
};

// SendFrame's transport in the program: UDP through the panel object. Tests never send to
// port 1501: the port the codec asks for is noted, and the datagram goes to the test's peer.
class TPultTransport : public IFrameTransport {
public:
    explicit TPultTransport(tPult*& pult) : FPult(pult) {}
    bool UdpSelected() const override { return true; }
    std::string IpText() const override { return Ip; }
    void WriteSerial(const uint8_t*, uint32_t) override {}
    void SetUdpDestination(const std::string& port, const std::string& address) override {
        AskedPort = port;
        FPult->SetUdpDestination(PeerPort, address);
    }
    void SendDatagram(const uint8_t* data, uint32_t count) override {
        FPult->SendDatagram(data, count);
    }
    std::string Ip;
    std::string PeerPort;
    std::string AskedPort;

private:
    tPult*& FPult;
};

} // namespace

TEST(HostAddressCache, LooksUpANameOnceAndADottedQuadNever) {
    TFakeClock clock;
    TCountingResolver resolver;
    THostAddressCache cache(clock, resolver.Fn());
    EXPECT_EQ(cache.AddressFor(" 192.168.1.100 "), " 192.168.1.100 ");
    EXPECT_EQ(cache.AddressFor(""), "");
    EXPECT_EQ(resolver.Calls, 0);

    for (int poll = 0; poll < 3; ++poll) {
        EXPECT_EQ(cache.AddressFor(" panel.site"), "10.1.2.3");
    }
    EXPECT_EQ(resolver.Calls, 1);

    // A failed look-up is raised again for the same text without asking, for a minute.
    for (int poll = 0; poll < 3; ++poll) {
        try {
            cache.AddressFor("gone.site");
            FAIL() << "an unknown name resolved";
        } catch (const EOrvant& error) {
            EXPECT_STREQ(error.what(), "Invalid address: gone.site");
        }
        clock.Ticks += 1000;
    }
    EXPECT_EQ(resolver.Calls, 2);
    clock.Ticks += THostAddressCache::RetryAfterMs;
    resolver.Known = "gone.site"; // the name server knows it now
    EXPECT_EQ(cache.AddressFor("gone.site"), "10.1.2.3");
    EXPECT_EQ(resolver.Calls, 3);

    // A changed text is looked up at once, also right after a failure.
    resolver.Known = "other.site";
    EXPECT_THROW(cache.AddressFor("panel.site"), EOrvant);
    EXPECT_EQ(cache.AddressFor("other.site"), "10.1.2.3");
    EXPECT_EQ(resolver.Calls, 5);
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
    tPult Pult{Codec, [this](const std::string& text) { Shown.push_back(text); }};
    THxUdpSocket Peer{nullptr};
    std::string PeerPort, WorkerPort;
};

TEST_F(PultOverUdp, FramesGoOutAsDatagramsAndRepliesAreDecodedOnTheMainThread) {
    EXPECT_EQ(Pult.Udp()->GetDestinationAddress(), "192.168.1.100");
    EXPECT_EQ(Pult.Udp()->GetDestinationPort(), "1501");

    // The IP field's text (a host name) replaces the default address before the datagram goes.
    Transport.Ip = " localhost ";
    Transport.PeerPort = PeerPort;
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

TEST_F(PultOverUdp, ADecoderFailureIsShownAndLaterRepliesAreStillDecoded) {
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

TEST_F(PultOverUdp, APortAlreadyTakenIsShownOnceAndEndedNever) {
    std::vector<std::string> shown;
    {
        // A second copy of the tool on the same port.
        tPult second(Codec, [&](const std::string& text) { shown.push_back(text); });
        second.StartUdp(Queue, Clock, "192.168.1.100", WorkerPort);
        EXPECT_FALSE(second.Udp()->Suspended()); // resumed all the same, and silent
        tPult::UdpStatus(&second, "ended");
    }
    Queue.ProcessPendingEvents();
    EXPECT_EQ(shown, std::vector<std::string>{"Address already in use"});
}
