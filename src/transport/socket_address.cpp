#include "transport/socket_address.h"

#include "core/errors.h"
#include "transport/socket_errors.h"

#include <arpa/inet.h>
#include <cerrno>
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
        SetLastSocketError(SocketErrorFromResolver(result, errno));
        throw EOrvant("Invalid address: " + name);
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

bool IsDottedQuad(const std::string& text) {
    in_addr address{};
    return ::inet_pton(AF_INET, TrimSocketText(text).c_str(), &address) == 1;
}

std::optional<TAddressSetting> ParseAddressText(const std::string& text) {
    const std::string trimmed = TrimSocketText(text);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    in_addr address{};
    if (::inet_pton(AF_INET, trimmed.c_str(), &address) == 1) {
        return TAddressSetting{address.s_addr, trimmed};
    }
    return ResolvedAddress(trimmed);
}

std::string DottedAddress(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return text;
}

std::string DecimalPort(const sockaddr_in& address) {
    return std::to_string(ntohs(address.sin_port));
}
