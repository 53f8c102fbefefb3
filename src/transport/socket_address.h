#pragma once
// Port and address texts of the socket layer, as the technician types them.
//
// A port text is trimmed of blanks and control characters at both ends; all digits is a port
// number (above 65535 raises ERangeError, too long for a 32-bit integer raises EConvertError),
// anything else is looked up as a service name ("Invalid port: " + text when unknown).
// An address text is trimmed; a dotted quad is four decimal numbers 0 to 255 (a leading zero is
// a zero: "192.168.010.100" is 192.168.10.100, never octal) and is taken as it stands, in its
// plain form; a host name (letters, digits, '-', '_' and dots, and none of the resolver's old
// numeric forms) is resolved to its first IPv4 address (HostLookUpFailed + name, with the
// resolver's reason as detail, when it does not resolve); any other text is refused with
// NotAnAddress(text).
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

// The head of the failure of a host name that does not resolve.
inline constexpr const char* HostLookUpFailed = "Host name look-up failed: ";
// The failure of a text that is neither a dotted quad nor a host name.
std::string NotAnAddress(const std::string& text);

// The trimmed text as a dotted quad of four decimal numbers, or nothing.
std::optional<TAddressSetting> DecimalQuad(const std::string& text);
// True when the trimmed text is a dotted quad, which never needs the resolver.
bool IsDottedQuad(const std::string& text);
// True when the trimmed text may be looked up as a host name.
bool IsHostName(const std::string& text);

// True when a dotted address is one of this PC's own (loopback, or an interface's).
bool IsOwnAddress(const std::string& dotted);

// The address of a socket address record in dotted form, and its port as a decimal text.
std::string DottedAddress(const sockaddr_in& address);
std::string DecimalPort(const sockaddr_in& address);
