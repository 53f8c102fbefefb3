#pragma once
// The program's thin object layer over the system's sockets.
//
// THxSocketInterface is how a socket is held and used; a socket object lives as long as a
// std::shared_ptr to it exists. THxBlockSocket carries the shared fields, message routing and the
// port and address texts (socket_address.h), and blocking stream sending and receiving;
// THxUdpSocket (hx_udp_socket.h) is the datagram socket the program uses.
//
// Failures are raised as EOrvant with the message text; socket errors read as the texts of
// socket_errors.h. A socket object has no lock: one thread waits and reads, another may set the
// destination and send (the system allows it); whatever replaces the handle must first keep the
// waiting thread off the socket.

#include <cstdint>
#include <functional>
#include <netinet/in.h>
#include <string>
#include <vector>

// Where a socket reports its messages: the thread that owns it, which hands them on to the
// main thread.
class ISocketOwner {
public:
    virtual ~ISocketOwner() = default;
    virtual void Report(const std::string& text) = 0;
};

class THxSocketInterface {
public:
    virtual ~THxSocketInterface() = default;
    virtual void Disconnect() = 0;
    virtual int Connect() = 0;
    virtual bool Send(const uint8_t* data, int32_t len) = 0;
    virtual uint8_t* Receive(int32_t& len) = 0;
    virtual bool WaitForData(int seconds) = 0;
    virtual std::string GetPort() = 0;
    virtual void SetAddress(const std::string& text) = 0;
    virtual std::string GetAddress() = 0;
    virtual void GetErrorText(std::string& text) = 0;
    virtual int GetSocket() = 0;
    virtual void SetSocket(int handle) = 0;
    virtual void SetPort(const std::string& text) = 0;
    virtual void Close() = 0;
};

class THxBlockSocket : public THxSocketInterface {
public:
    static constexpr const char* Unset = "<unset>";
    static constexpr const char* Unknown = "<unknown>";

    // owner receives the socket's messages; it may be null (then OnLog, then standard output).
    explicit THxBlockSocket(ISocketOwner* owner);
    // Closes the socket.
    ~THxBlockSocket() override;
    THxBlockSocket(const THxBlockSocket&) = delete;
    THxBlockSocket& operator=(const THxBlockSocket&) = delete;

    // True when the socket becomes writable within 10 microseconds.
    virtual bool CanWrite();
    // When connected: closes, then calls OnDisconnect with this socket.
    void Disconnect() override;
    // Connects to FAddr; the system's result (0 or -1).
    int Connect() override;
    // Raises "No connection established" when not connected; false when the socket is not
    // writable now or the send failed (a failed send disconnects).
    bool Send(const uint8_t* data, int32_t len) override;
    // Waits at most a second for data and reads what is waiting; null when nothing came. The
    // result lies in a buffer of the socket's own, valid until the next Receive. Raises "No
    // connection established" when not connected; the peer closing disconnects.
    uint8_t* Receive(int32_t& len) override;
    // True when data is waiting within the given whole seconds; false at once without a socket.
    bool WaitForData(int seconds) override;
    // The peer's port and address once a socket is set (a failed query raises its error text);
    // the texts last set otherwise.
    std::string GetPort() override;
    std::string GetAddress() override;
    // Shuts the socket down both ways and releases it; the texts go back to "<unset>" and
    // "<unknown>".
    void Close() override;

    void SetAddress(const std::string& text) final;
    void SetPort(const std::string& text) final;
    // The text of the calling thread's last socket error.
    void GetErrorText(std::string& text) final;
    // Disconnects a socket already set, then takes the handle (-1 takes none).
    void SetSocket(int handle) final;
    int GetSocket() final { return FSocket; }

    // Routes a message: to the owner thread, else OnLog, else a line on standard output.
    void Log(const std::string& text);
    // Forgets the owner thread (when it goes before the socket).
    void DetachOwner() { FOwner = nullptr; }

    std::function<void(const std::string& text)> OnLog;
    std::function<void(THxBlockSocket& socket)> OnDisconnect;

protected:
    // Frees the old receive buffer and makes a zero-filled one of len bytes.
    uint8_t* NewBuffer(int32_t len);
    // The count of bytes waiting, or -1 after logging "Ioctl went wrong, message: ...".
    int32_t WaitingBytes();

    int FSocket = -1;
    bool FConnected = false;
    sockaddr_in FAddr{};
    std::string FPortText = Unset;
    std::string FAddressText = Unknown;
    std::vector<uint8_t> FBuffer;
    ISocketOwner* FOwner;

private:
    bool Ready(short events, int64_t timeoutMicroseconds);
    std::string PeerName(bool address);
};

// Starts the system's socket library; Linux needs nothing started.
void StartSocketLibrary();
