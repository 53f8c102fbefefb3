#pragma once
// The destination address of the UDP link, from the text of the IP field, before every
// datagram. A dotted quad (or a blank text) is handed on as it stands and never touches the
// resolver. A host name is resolved once and its address reused until the text changes, so a
// slow or unreachable name server costs one wait, not one per poll. A failed look-up is raised
// again for the same text without asking anew, until a minute has passed or the text changes.

#include "core/clock.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

class THostAddressCache {
public:
    // A failed look-up of the same text is tried again after this long.
    static constexpr uint32_t RetryAfterMs = 60000;

    // Resolves a trimmed host name to a dotted address, raising "Invalid address: " + name.
    using TResolver = std::function<std::string(const std::string& name)>;

    // `clock` gives the tick counter; `resolver` defaults to the system's resolver.
    explicit THostAddressCache(const IClock& clock, TResolver resolver = {});

    // The text to give the socket as destination address for this IP field text: the text
    // itself for a dotted quad or a blank text, else the host's dotted address. Raises the
    // look-up's failure ("Invalid address: " + trimmed text).
    std::string AddressFor(const std::string& ipText);

private:
    const IClock& FClock;
    TResolver FResolver;
    std::string FName;    // the trimmed host name last looked up
    std::string FAddress; // its address, when the look-up succeeded
    std::exception_ptr FFailure;
    uint32_t FFailedAt = 0;
};
