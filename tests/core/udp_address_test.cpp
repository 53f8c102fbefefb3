// What the IP field's text leads to, as the status bar tells it: only the address polls go to,
// a blank field, a name being looked up or not found, a text that is no address; dotted quads
// read as decimal; and which datagrams count as the panel's replies.

#include "core/errors.h"
#include "core/event_queue.h"
#include "hung_run.h"
#include "link/frame_codec.h"
#include "link/link_health.h"
#include "link/status_bar_text.h"
#include "model/pult.h"
#include "model/traffic_log.h"
#include "transport/socket_address.h"

#include "bound_port.h"
#include "fakes.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// SendFrame over UDP as the window does it: the IP field's text, sent to the test's peer port.
class TFieldTransport : public IFrameTransport {
public:
    explicit TFieldTransport(tPult& pult) : FPult(pult) {}
    bool UdpSelected() const override { return true; }
    std::string IpText() const override { return Ip; }
    void WriteSerial(const uint8_t*, uint32_t) override {}
    bool SetUdpDestination(const std::string&, const std::string& address) override {
        return FPult.SetUdpDestination(PeerPort, address);
    }
    bool SendDatagram(const uint8_t* data, uint32_t count) override {
        return FPult.SendDatagram(data, count);
    }
    std::string UdpDestinationText() const override { return FPult.DestinationText(); }
    std::string Ip;
    std::string PeerPort;

private:
    tPult& FPult;
};

class UdpAddress : public ::testing::Test {
protected:
    UdpAddress() {
        Peer.SetPort("0");
        Peer.Open();
        THxUdpSocket probe(nullptr);
        probe.SetPort("0");
        probe.Open();
        WorkerPort = BoundPort(probe.GetSocket());
        probe.Close();
        Pult.StartUdp(Queue, Clock, "192.168.1.100", WorkerPort);
        Transport.PeerPort = BoundPort(Peer.GetSocket());
        Codec.AddObserver(Health);
        Codec.AddObserver(Traffic);
        Codec.RegisterDecoder('A', [this] { ++Decoded; });
    }

    // The status bar's target and state, as the window makes them at this moment.
    std::string Bar() {
        TLinkFacts facts;
        facts.Udp = true;
        facts.Polling = true;
        facts.UdpAddress = Pult.AddressState(Transport.Ip, facts.ResolvingName);
        const TLinkStatus status = Health.Look(facts);
        const TStatusBarText bar = StatusBarText(true, Pult.TargetText(Transport.Ip), "", status,
                                                 Codec.Counters(), 0, std::nullopt);
        return bar.Target + " | " + bar.State;
    }
    // One poll; what it raises, as the error display would show it.
    std::string Poll() {
        try {
            Codec.SendFrame('A', nullptr, 0);
        } catch (const EOrvant& error) {
            return error.what();
        }
        return {};
    }
    bool LookedUp() {
        return Queue.ProcessUntil([&] { return Pult.Resolving().empty(); }, HungRun);
    }

    TEventQueue Queue;
    TFakeClock Clock;
    TMemoryLog Log;
    tPult Pult{Codec, [] { return true; }};
    TFieldTransport Transport{Pult};
    TFrameCodec Codec{Transport, Log};
    TLinkHealth Health{Clock};
    TTrafficLog Traffic{Clock};
    THxUdpSocket Peer{nullptr};
    std::string WorkerPort;
    int Decoded = 0;
};

} // namespace

TEST_F(UdpAddress, TheStatusBarNamesOnlyTheAddressPolled) {
    const std::string port = ":" + Transport.PeerPort;
    // A field of blanks names no server: nothing is sent, and the bar says so.
    Transport.Ip = "   ";
    EXPECT_EQ(Poll(), tPult::NoServerAddress);
    EXPECT_EQ(Bar(), "UDP (no address):1501 | no server address");

    Transport.Ip = "127.0.0.1";
    EXPECT_EQ(Poll(), "");
    EXPECT_EQ(Bar(), "UDP 127.0.0.1" + port + " | no reply");
    // The traffic monitor names where the poll went.
    const std::string sent = TrafficLine(Traffic.At(Traffic.Size() - 1), false);
    EXPECT_NE(sent.find(" TX UDP 127.0.0.1" + port + " "), std::string::npos) << sent;

    // A new name, typed before the next poll: not the address polled until now.
    Transport.Ip = "localhost";
    EXPECT_EQ(Bar(), "UDP localhost" + port + " | resolving localhost");
    EXPECT_EQ(Poll(), "");
    ASSERT_TRUE(LookedUp());
    EXPECT_EQ(Poll(), "");
    EXPECT_EQ(Bar(), "UDP localhost 127.0.0.1" + port + " | no reply");

    // A name that cannot be looked up (a label over 63 characters: refused without a server)
    // is a failed look-up, and the address polled before is not named.
    const std::string bad(64, 'x');
    Transport.Ip = bad;
    EXPECT_EQ(Poll(), "");
    ASSERT_TRUE(LookedUp());
    EXPECT_EQ(Poll(), HostLookUpFailed + bad);
    EXPECT_EQ(Bar(), "UDP " + bad + port + " | look-up failed " + bad);

    // Neither a dotted quad nor a host name (numbers in the resolver's old octal and hex forms
    // included): refused, and said.
    for (const std::string text :
         {"192.168.1", "0x7f.1", "10.0.0.1.5", "panel site", "1.2.3.256", "1.2.3.4.", "1..2.3",
          "1.2.3.99999999999", "017.1", "0x7f000001"}) {
        Transport.Ip = text;
        EXPECT_EQ(Poll(), NotAnAddress(text)) << text;
        EXPECT_EQ(Bar(), "UDP " + text + port + " | invalid address") << text;
    }

    // Zero-padded parts are decimal; a name may hold digits, hyphens and dots.
    Transport.Ip = "127.000.000.010";
    EXPECT_EQ(Bar(), "UDP 127.0.0.10" + port + " | no reply");
    Transport.Ip = "255.255.255.255";
    EXPECT_EQ(Bar(), "UDP 255.255.255.255" + port + " | no reply");
    Transport.Ip = "panel-1.site";
    EXPECT_EQ(Bar(), "UDP panel-1.site" + port + " | resolving panel-1.site");
}

// Over loopback the polls of the tool come back to its own port: they are no replies, however
// the IP field's address is typed; a reply from the panel's address is one however it is typed.
TEST_F(UdpAddress, OwnPollsAreNeverRepliesAndThePanelIsKnownByItsAddress) {
    Transport.Ip = " 127.000.0.1 ";
    Transport.PeerPort = WorkerPort; // the polls go to the tool itself
    for (int poll = 0; poll < 3; ++poll) {
        ASSERT_EQ(Poll(), "");
    }
    ASSERT_TRUE(
        Queue.ProcessUntil([&] { return Codec.Counters().DatagramsIgnored == 3; }, HungRun));
    EXPECT_EQ(Decoded, 0);
    EXPECT_EQ(Codec.Counters().ShortReplies, 0u);

    // The panel answers from 127.0.0.1, which the field typed with blanks and zeros.
    Peer.SetDestinationAddress("127.0.0.1");
    Peer.SetDestinationPort(WorkerPort);
    const std::vector<uint8_t> reply{0x01, 0x30, 0x41, 0x71, 0x02};
    Peer.Send(reply.data(), int32_t(reply.size()));
    ASSERT_TRUE(Queue.ProcessUntil([&] { return Decoded == 1; }, HungRun));
    EXPECT_EQ(Codec.Counters().DatagramsIgnored, 3u);
}
