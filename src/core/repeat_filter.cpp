#include "core/repeat_filter.h"

namespace {

// The message a failure shows; an exception of a foreign kind has none to compare.
std::string MessageOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return {};
    }
}

} // namespace

void TRepeatFilter::Run(const std::function<void()>& attempt) {
    std::exception_ptr failure;
    try {
        attempt();
    } catch (...) {
        failure = std::current_exception();
    }
    Settle(failure);
}

void TRepeatFilter::Settle(std::exception_ptr failure) {
    if (!failure) {
        FFailing = false;
        FLastMessage.clear();
        return;
    }
    std::string message = MessageOf(failure);
    if (FFailing && !message.empty() && message == FLastMessage) {
        return; // shown already; stays quiet until an attempt goes through
    }
    FFailing = true;
    FLastMessage = std::move(message);
    std::rethrow_exception(failure);
}
