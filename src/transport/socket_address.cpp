#include "transport/socket_address.h"

#include "core/errors.h"
#include "transport/socket_errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <ifaddrs.h>
#include <netdb.h>
#include <vector>

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

bool AllDigits(const std::string& text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

TPortSetting NumericPort(const std::string& digits) {
    // The number must first fit a 32-bit integer, then the port's 16 bits.
    std::size_t significant = digits.find_first_not_of('0');
    if (significant != std::string::npos && digits.size() - significant > 10) {
        throw EConvertError("'" + digits + "' is not a valid integer value");
    }
    const unsigned long long value = std::stoull(digits);
    if (value > 2147483647ULL) {
        throw EConvertError("'" + digits + "' is not a valid integer value");
    }
    if (value > 65535) {
        throw ERangeError();
    }
    return {htons(static_cast<uint16_t>(value)), digits};
}

TPortSetting ServicePort(const std::string& name) {
    servent entry{};
    servent* found = nullptr;
    std::vector<char> scratch(1024);
    while (::getservbyname_r(name.c_str(), nullptr, &entry, scratch.data(), scratch.size(),
                             &found) == ERANGE &&
           scratch.size() < 65536) {
        scratch.resize(scratch.size() * 2);
    }
    if (found == nullptr) {
        throw EOrvant("Invalid port: " + name);
    }
    const auto port = static_cast<uint16_t>(found->s_port);
    return {port, std::to_string(ntohs(port))};
}

TAddressSetting ResolvedAddress(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* results = nullptr;
    const int result = ::getaddrinfo(name.c_str(), nullptr, &hints, &results);
    if (result != 0 || results == nullptr) {
        const int code = SocketErrorFromResolver(result, errno);
        SetLastSocketError(code);
        EOrvant failure(HostLookUpFailed + name);
        failure.SetDetail(SocketErrorText(code));
        throw failure;
    }
    sockaddr_in first{};
    first.sin_addr = reinterpret_cast<const sockaddr_in*>(results->ai_addr)->sin_addr;
    ::freeaddrinfo(results);
    return {first.sin_addr.s_addr, DottedAddress(first)};
}

} // namespace

std::string TrimSocketText(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::optional<TPortSetting> ParsePortText(const std::string& text) {
    const std::string trimmed = TrimSocketText(text);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    return AllDigits(trimmed) ? NumericPort(trimmed) : ServicePort(trimmed);
}

std::optional<TAddressSetting> DecimalQuad(const std::string& text) {
    const std::string trimmed = TrimSocketText(text);
    uint32_t address = 0;
    int parts = 0;
    std::size_t at = 0;
    for (;;) {
        // Every part is decimal: a leading zero is a zero, never the sign of an octal number.
        const std::size_t end = std::min(trimmed.find('.', at), trimmed.size());
        const std::string part = trimmed.substr(at, end - at);
        if (++parts > 4 || !AllDigits(part) || part.size() > 3 || std::stoi(part) > 255) {
            return std::nullopt;
        }
        address = address << 8 | static_cast<uint32_t>(std::stoi(part));
        if (end == trimmed.size()) {
            break;
        }
        at = end + 1;
    }
    if (parts != 4) {
        return std::nullopt;
    }
    sockaddr_in record{};
    record.sin_addr.s_addr = htonl(address);
    return TAddressSetting{record.sin_addr.s_addr, DottedAddress(record)};
}

bool IsDottedQuad(const std::string& text) {
    return DecimalQuad(text).has_value();
}

bool IsHostName(const std::string& text) {
    const std::string trimmed = TrimSocketText(text);
    if (trimmed.empty()) {
        return false;
    }
    for (char c : trimmed) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(c >= '0' && c <= '9') && c != '-' && c != '.' && c != '_') {
            return false;
        }
    }
    // A text of digits and dots is a number, never a name (no top-level domain is numeric).
    if (trimmed.find_first_not_of("0123456789.") == std::string::npos) {
        return false;
    }
    // The resolver reads numbers in every old form ("010.1" as octal, "0x7f.1", "127.1") as an
    // address of its own making: such a text names no host, and it is no decimal quad either.
    in_addr numeric{};
    return ::inet_aton(trimmed.c_str(), &numeric) == 0;
}

std::optional<TAddressSetting> ParseAddressText(const std::string& text) {
    const std::string trimmed = TrimSocketText(text);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    if (auto quad = DecimalQuad(trimmed)) {
        return quad;
    }
    if (!IsHostName(trimmed)) {
        throw EOrvant(NotAnAddress(trimmed));
    }
    return ResolvedAddress(trimmed);
}

std::string NotAnAddress(const std::string& text) {
    return "Invalid address: " + TrimSocketText(text) +
           " is neither a dotted quad of four decimal numbers 0 to 255 nor a host name";
}

std::string DottedAddress(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return text;
}

std::string DecimalPort(const sockaddr_in& address) {
    return std::to_string(ntohs(address.sin_port));
}

bool IsOwnAddress(const std::string& dotted) {
    const std::optional<TAddressSetting> quad = DecimalQuad(dotted);
    if (!quad) {
        return false;
    }
    const uint32_t host = ntohl(quad->NetworkAddress);
    if (host >> 24 == 127 || host == 0) {
        return true; // loopback, or "this host"
    }
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) {
        return false;
    }
    bool own = false;
    for (const ifaddrs* i = interfaces; i != nullptr && !own; i = i->ifa_next) {
        if (i->ifa_addr != nullptr && i->ifa_addr->sa_family == AF_INET) {
            own = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr ==
                  quad->NetworkAddress;
        }
    }
    ::freeifaddrs(interfaces);
    return own;
}
