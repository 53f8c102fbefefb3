#include "transport/host_address_cache.h"

#include "transport/socket_address.h"

namespace {

std::string SystemResolver(const std::string& name) {
    return ParseAddressText(name)->Text;
}

} // namespace

THostAddressCache::THostAddressCache(const IClock& clock, TResolver resolver)
    : FClock(clock), FResolver(resolver ? std::move(resolver) : SystemResolver) {}

std::string THostAddressCache::AddressFor(const std::string& ipText) {
    const std::string name = TrimSocketText(ipText);
    if (name.empty() || IsDottedQuad(name)) {
        return ipText;
    }
    if (name == FName) {
        if (!FFailure) {
            return FAddress;
        }
        if (uint32_t(FClock.TickCount() - FFailedAt) < RetryAfterMs) {
            std::rethrow_exception(FFailure);
        }
    }
    FName = name;
    FAddress.clear();
    FFailure = nullptr;
    try {
        FAddress = FResolver(name);
    } catch (...) {
        FFailure = std::current_exception();
        FFailedAt = FClock.TickCount();
        throw;
    }
    return FAddress;
}
