#include "core/errors.h"
#include "transport/hx_udp_socket.h"
#include "transport/socket_address.h"
#include "transport/socket_errors.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The local port a socket was bound to (tests bind port 0 and let the system choose).
std::string BoundPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    return std::to_string(ntohs(address.sin_port));
}

bool IsOpenDescriptor(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

// A datagram socket bound to a port of the system's choice on every interface.
struct TBound {
    explicit TBound(ISocketOwner* owner = nullptr) : Socket(owner) {
        Socket.SetPort("0");
        Socket.SetActive(true);
        Port = BoundPort(Socket.GetSocket());
    }
    THxUdpSocket Socket;
    std::string Port;
};

struct TRecordingOwner : ISocketOwner {
    void Report(const std::string& text) override { Reports.push_back(text); }
    std::vector<std::string> Reports;
};

} // namespace

TEST(SocketErrors, TableTextsAndTheCodesOutsideIt) {
    EXPECT_EQ(SocketErrorText(0), "No Error");
    EXPECT_EQ(SocketErrorText(10048), "Address already in use");
    EXPECT_EQ(SocketErrorText(10058), "Can't send after socket shutdown");
    EXPECT_EQ(SocketErrorText(11001), "Host not found");
    EXPECT_EQ(SocketErrorText(11004), "");
    for (int code : {-1, 1, 10000, 10072, 11005, 98}) {
        EXPECT_EQ(SocketErrorText(code), "Not a WinSock error") << code;
    }
}

TEST(SocketErrors, LinuxNumbersTranslateToTheirOwnTexts) {
    // Linux numbers differ from the BSD ones the codes were made from: 10000 + errno would be
    // wrong for nearly all of them.
    EXPECT_EQ(SocketErrorFromErrno(0), 0);
    EXPECT_EQ(SocketErrorFromErrno(EADDRINUSE), 10048);
    EXPECT_EQ(SocketErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(SocketErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(SocketErrorFromErrno(EAGAIN), 10035);
    EXPECT_EQ(SocketErrorFromErrno(EINTR), 10004);
    EXPECT_EQ(SocketErrorFromErrno(EPERM), 10013);
    EXPECT_EQ(SocketErrorText(SocketErrorFromErrno(EHOSTUNREACH)), "No route to host");
    // Every errno either has a text of the table or keeps its own number.
    for (int error = 1; error < 140; ++error) {
        const int code = SocketErrorFromErrno(error);
        if (code != error) {
            EXPECT_NE(SocketErrorText(code), "Not a WinSock error") << error;
        }
    }
    EXPECT_EQ(SocketErrorFromResolver(EAI_NONAME, 0), 11001);
    EXPECT_EQ(SocketErrorFromResolver(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(SocketErrorFromResolver(EAI_FAIL, 0), 11003);
    EXPECT_EQ(SocketErrorFromResolver(EAI_NODATA, 0), 11004);
    EXPECT_EQ(SocketErrorFromResolver(EAI_SYSTEM, ENETUNREACH), 10051);

    THxUdpSocket socket(nullptr);
    std::string text = "old";
    SetLastSocketError(11004);
    socket.GetErrorText(text);
    EXPECT_EQ(text, "");
    SetLastSocketError(4711);
    socket.GetErrorText(text);
    EXPECT_EQ(text, "Not a WinSock error");
}

TEST(SocketTexts, PortsAreTrimmedNumbersOrServiceNames) {
    THxUdpSocket socket(nullptr);
    EXPECT_EQ(socket.DestinationPortText(), "<unset>");
    socket.SetDestinationPort(" \t1501\r\n");
    EXPECT_EQ(socket.DestinationPortText(), "1501");
    socket.SetDestinationPort("  ");
    socket.SetDestinationPort("");
    EXPECT_EQ(socket.DestinationPortText(), "1501");
    socket.SetDestinationPort(" domain ");
    EXPECT_EQ(socket.DestinationPortText(), "53");
    socket.SetDestinationPort("65535");
    EXPECT_EQ(socket.DestinationPortText(), "65535");

    try {
        socket.SetDestinationPort(" no-such-service ");
        FAIL() << "an unknown service was taken";
    } catch (const EOrvant& error) {
        EXPECT_STREQ(error.what(), "Invalid port: no-such-service");
    }
    EXPECT_THROW(socket.SetDestinationPort("65536"), ERangeError);
    EXPECT_THROW(socket.SetDestinationPort("99999999999"), EConvertError);
    EXPECT_THROW(socket.SetDestinationPort("2147483648"), EConvertError);
    EXPECT_EQ(socket.DestinationPortText(), "65535"); // refused texts change nothing
}

TEST(SocketTexts, AddressesAreDottedQuadsOrResolvedNames) {
    THxUdpSocket socket(nullptr);
    EXPECT_EQ(socket.DestinationAddressText(), "<unset>");
    socket.SetDestinationAddress(" 127.0.0.1\t");
    EXPECT_EQ(socket.DestinationAddressText(), "127.0.0.1");
    socket.SetDestinationAddress(" ");
    EXPECT_EQ(socket.DestinationAddressText(), "127.0.0.1");
    socket.SetDestinationAddress("localhost");
    EXPECT_EQ(socket.DestinationAddressText(), "127.0.0.1"); // the address, not the name

    // A label over 63 characters is refused by the resolver itself, without asking a server.
    const std::string bad(64, 'x');
    try {
        socket.SetDestinationAddress(" " + bad + " ");
        FAIL() << "an unresolvable name was taken";
    } catch (const EOrvant& error) {
        EXPECT_EQ(std::string(error.what()), HostLookUpFailed + bad);
    }
    EXPECT_EQ(socket.DestinationAddressText(), "127.0.0.1");
    EXPECT_TRUE(IsDottedQuad(" 10.0.0.1 "));
    EXPECT_FALSE(IsDottedQuad("localhost"));
    EXPECT_FALSE(IsDottedQuad("10.0.1"));
}

TEST(UdpSocket, ADatagramArrivesWholeWithItsSender) {
    TBound receiver;
    TBound sender;
    EXPECT_TRUE(receiver.Socket.Active());
    // Bound to the wildcard address, the socket has no port or address of its own to show.
    EXPECT_EQ(receiver.Socket.GetPort(), "<unset>");
    EXPECT_EQ(receiver.Socket.GetAddress(), "<unset>");

    sender.Socket.SetDestinationAddress("127.0.0.1");
    sender.Socket.SetDestinationPort(receiver.Port);
    const uint8_t frame[] = {0x01, 0x30, 0x41, 0x00, 0xAA, 0x71, 0x02};
    ASSERT_TRUE(sender.Socket.Send(frame, sizeof frame));

    int32_t length = 0;
    const uint8_t* data = receiver.Socket.Receive(length);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(length, int32_t(sizeof frame));
    EXPECT_EQ(std::vector<uint8_t>(data, data + length),
              std::vector<uint8_t>(frame, frame + sizeof frame));
    EXPECT_EQ(receiver.Socket.FromAddressText(), "127.0.0.1");
    EXPECT_EQ(receiver.Socket.FromPortText(), sender.Port);

    // Nothing waiting: null after about a second, not a hang.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(receiver.Socket.Receive(length), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(UdpSocket, BindingNeedsAPortAndReportsAPortInUse) {
    THxUdpSocket unset(nullptr);
    try {
        unset.Open();
        FAIL() << "bound without a port";
    } catch (const EOrvant& error) {
        EXPECT_STREQ(error.what(), "UDP Server-port not set");
    }

    TRecordingOwner owner;
    TBound first;
    THxUdpSocket second(&owner);
    std::vector<std::string> logged;
    second.OnLog = [&](const std::string& text) { logged.push_back(text); };
    second.SetPort(first.Port);
    second.SetActive(true);
    EXPECT_FALSE(second.Active());
    // The owner thread comes first; OnLog is only the second choice.
    EXPECT_EQ(owner.Reports, std::vector<std::string>{"Address already in use"});
    EXPECT_TRUE(logged.empty());
}

TEST(UdpSocket, NoDescriptorOutlivesItsSocket) {
    TBound bound;
    const int first = bound.Socket.GetSocket();
    const int replacement = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    bound.Socket.SetSocket(replacement);
    EXPECT_FALSE(IsOpenDescriptor(first));
    EXPECT_EQ(bound.Socket.GetSocket(), replacement);
    bound.Socket.SetActive(false);
    EXPECT_FALSE(IsOpenDescriptor(replacement));
    EXPECT_EQ(bound.Socket.GetSocket(), -1);

    int kept = -1;
    {
        THxUdpSocket socket(nullptr);
        socket.SetPort("0");
        ASSERT_TRUE(socket.Open());
        kept = socket.GetSocket();
    }
    EXPECT_FALSE(IsOpenDescriptor(kept));
}

TEST(BlockSocket, StreamUseNeedsAConnectionAndDisconnectTellsOnce) {
    THxBlockSocket socket(nullptr);
    int32_t length = 0;
    uint8_t byte = 0;
    EXPECT_THROW(socket.Send(&byte, 1), EOrvant);
    EXPECT_THROW(socket.Receive(length), EOrvant);
    EXPECT_EQ(socket.GetPort(), "<unset>");
    EXPECT_EQ(socket.GetAddress(), "<unknown>");

    int disconnects = 0;
    socket.OnDisconnect = [&](THxBlockSocket& which) {
        EXPECT_EQ(&which, &socket);
        ++disconnects;
    };
    socket.Disconnect();
    EXPECT_EQ(disconnects, 0);

    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    socket.SetSocket(pair[0]);
    ASSERT_EQ(::write(pair[1], "abc", 3), 3);
    uint8_t* data = socket.Receive(length);
    ASSERT_EQ(length, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), 3), "abc");
    ::close(pair[1]); // the peer goes: the next read disconnects
    EXPECT_EQ(socket.Receive(length), nullptr);
    EXPECT_EQ(disconnects, 1);
    EXPECT_FALSE(IsOpenDescriptor(pair[0]));
    socket.Disconnect();
    EXPECT_EQ(disconnects, 1);
}
