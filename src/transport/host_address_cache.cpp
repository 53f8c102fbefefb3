#include "transport/host_address_cache.h"

#include "core/errors.h"
#include "core/main_thread.h"
#include "transport/socket_address.h"

#include <thread>

namespace {

std::string SystemResolver(const std::string& name) {
    return ParseAddressText(name)->Text;
}

} // namespace

THostAddressCache::THostAddressCache(const IClock& clock, IMainThread& mainThread,
                                     TResolver resolver)
    : FClock(clock), FMainThread(mainThread),
      FResolver(resolver ? std::move(resolver) : SystemResolver) {}

THostAddressCache::~THostAddressCache() {
    if (FLookUp) {
        FLookUp->RequestStop();
    }
}

std::optional<std::string> THostAddressCache::AddressFor(const std::string& ipText) {
    const std::string name = TrimSocketText(ipText);
    if (name.empty() || IsDottedQuad(name)) {
        return ipText;
    }
    if (!IsHostName(name)) {
        throw EOrvant(NotAnAddress(name)); // no resolver could make an address of it
    }
    if (name != FName) {
        FFailure = nullptr;
        StartLookUp(name);
        return std::nullopt;
    }
    if (!FFailure) {
        return FLookUp ? std::nullopt : std::optional<std::string>(FAddress);
    }
    if (!FLookUp && uint32_t(FClock.TickCount() - FFailedAt) >= RetryAfterMs) {
        StartLookUp(name);
    }
    std::rethrow_exception(FFailure);
}

TUdpAddressState THostAddressCache::StateFor(const std::string& ipText, std::string& name,
                                             std::string& address) const {
    name = TrimSocketText(ipText);
    address.clear();
    if (name.empty()) {
        return TUdpAddressState::Missing;
    }
    if (const std::optional<TAddressSetting> quad = DecimalQuad(name)) {
        address = quad->Text;
        return TUdpAddressState::Known;
    }
    if (!IsHostName(name)) {
        return TUdpAddressState::Invalid;
    }
    if (name != FName || FLookUp) {
        return TUdpAddressState::Resolving; // asked at the next poll, or being asked now
    }
    if (FFailure) {
        return TUdpAddressState::LookUpFailed;
    }
    address = FAddress;
    return TUdpAddressState::Known;
}

std::string THostAddressCache::Resolving() const {
    return FLookUp ? FName : std::string();
}

// The look-up's thread only waits for the name server. It is not joined: a name server that
// never answers must not hold up the window's close either. Its answer comes to the main thread
// through its own hand-off, which is stopped when the name changes or the cache goes, so a late
// answer touches nothing.
void THostAddressCache::StartLookUp(const std::string& name) {
    if (FLookUp) {
        FLookUp->RequestStop();
    }
    FName = name;
    FAddress.clear();
    auto handOff = std::make_shared<THandOff>(FMainThread);
    FLookUp = handOff;
    std::thread([this, handOff, resolver = FResolver, name] {
        std::string address;
        std::exception_ptr failure;
        try {
            address = resolver(name);
        } catch (...) {
            failure = std::current_exception();
        }
        try {
            handOff->Run([this, address, failure] { Answered(address, failure); });
        } catch (...) {
            // Answered raises nothing; there is nobody to tell on this thread anyway.
        }
    }).detach();
}

void THostAddressCache::Answered(const std::string& address, std::exception_ptr failure) {
    FLookUp.reset();
    if (failure) {
        FFailure = failure;
        FFailedAt = FClock.TickCount();
    } else {
        FAddress = address;
        FFailure = nullptr;
    }
}
