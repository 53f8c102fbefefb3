#pragma once
// Port and address texts of the socket layer, as the technician types them.
//
// A port text is trimmed of blanks and control characters at both ends; all digits is a port
// number (above 65535 raises ERangeError, too long for a 32-bit integer raises EConvertError),
// anything else is looked up as a service name ("Invalid port: " + text when unknown).
// An address text is trimmed; a dotted quad is taken as it stands, anything else is resolved as
// a host name to its first IPv4 address ("Invalid address: " + text when it does not resolve).
// An empty text after trimming changes nothing: the parsers then return nothing.

#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>

// Blanks and control characters off both ends.
std::string TrimSocketText(const std::string& text);

struct TPortSetting {
    uint16_t NetworkPort; // network byte order
    std::string Text;     // the digits as typed, or the service's port in decimal
};

struct TAddressSetting {
    in_addr_t NetworkAddress; // network byte order
    std::string Text;         // the dotted quad as typed, or the host's address in dotted form
};

std::optional<TPortSetting> ParsePortText(const std::string& text);
std::optional<TAddressSetting> ParseAddressText(const std::string& text);

// True when the trimmed text is a dotted quad, which never needs the resolver.
bool IsDottedQuad(const std::string& text);

// The address of a socket address record in dotted form, and its port as a decimal text.
std::string DottedAddress(const sockaddr_in& address);
std::string DecimalPort(const sockaddr_in& address);
