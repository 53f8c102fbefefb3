#pragma once
// The destination address of the UDP link, from the text of the IP field, before every
// datagram. A dotted quad (or a blank text) is handed on as it stands and never touches the
// resolver. A host name is looked up on a thread of its own, so a slow or silent name server
// never holds up the window: until its address is known the link has no address to send to.
// A text that is neither a dotted quad nor a host name is refused at once. The address is
// reused until the text changes. A failed look-up is raised for the same text
// without asking anew, until a minute has passed; then the name is looked up again, and the
// old failure stands until the new look-up has answered.

#include "core/clock.h"
#include "link/link_sources.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class IMainThread;
class THandOff;

class THostAddressCache {
public:
    // A failed look-up of the same text is tried again after this long.
    static constexpr uint32_t RetryAfterMs = 60000;

    // Resolves a trimmed host name to a dotted address, raising HostLookUpFailed + name. It
    // runs on the look-up's own thread and may take as long as the name server does.
    using TResolver = std::function<std::string(const std::string& name)>;

    // `clock` gives the tick counter; a look-up's answer is handed to `mainThread`; `resolver`
    // defaults to the system's resolver. A resolver given here must outlive every look-up it
    // is asked for.
    THostAddressCache(const IClock& clock, IMainThread& mainThread, TResolver resolver = {});
    // A look-up still running is abandoned: its answer is dropped when it comes.
    ~THostAddressCache();
    THostAddressCache(const THostAddressCache&) = delete;
    THostAddressCache& operator=(const THostAddressCache&) = delete;

    // The text to give the socket as destination address for this IP field text: the text
    // itself for a dotted quad or a blank text, the host's dotted address once looked up, and
    // nothing while the look-up runs (one is started when none runs for this text). Raises the
    // look-up's failure (HostLookUpFailed + trimmed text), or NotAnAddress for a text that is
    // neither a dotted quad nor a host name. Called on the main thread.
    std::optional<std::string> AddressFor(const std::string& ipText);

    // The host name being looked up now, or the empty text.
    std::string Resolving() const;

    // What AddressFor knows of this IP field text now, without asking anybody: `name` is the
    // trimmed text, `address` the dotted address frames go to (only when Known). A host name
    // not asked for yet counts as Resolving: the next poll asks for it.
    TUdpAddressState StateFor(const std::string& ipText, std::string& name,
                              std::string& address) const;

private:
    void StartLookUp(const std::string& name);
    void Answered(const std::string& address, std::exception_ptr failure);

    const IClock& FClock;
    IMainThread& FMainThread;
    TResolver FResolver;
    std::string FName;    // the trimmed host name last looked up
    std::string FAddress; // its address, when the look-up succeeded
    std::exception_ptr FFailure;
    uint32_t FFailedAt = 0;
    std::shared_ptr<THandOff> FLookUp; // the running look-up's hand-off, null when none runs
};
