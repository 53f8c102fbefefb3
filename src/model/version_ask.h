#pragma once
// The one conversation the service report holds with the panel: the firmware version, asked with
// 'V' when this run has not read it yet, awaited until a deadline. Nothing here waits: the
// answer comes through the version kept by the reply decoder, the deadline through a window
// timer, and whichever comes first ends the conversation.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

class ITimer;
class TFirmwareVersion;

class TVersionAsk {
public:
    // replied: true when the version is known (read earlier or just now), false when the
    // deadline passed first or the request could not be sent.
    using TDone = std::function<void(bool replied)>;
    using TSend = std::function<void()>;

    // `deadline` is a timer of its own (disabled here); `send` sends 'V' and raises when it
    // cannot. Each must outlive the conversation.
    TVersionAsk(TFirmwareVersion& version, ITimer& deadline, TSend send);
    ~TVersionAsk();
    TVersionAsk(const TVersionAsk&) = delete;
    TVersionAsk& operator=(const TVersionAsk&) = delete;

    // With the version known, done(true) at once and nothing is sent. Otherwise 'V' goes out and
    // done is called later, once. While a conversation runs, another Ask is refused (returns
    // false, done is never called); a send that fails calls done(false) before Ask returns, and
    // the failure propagates.
    bool Ask(uint32_t timeoutMs, TDone done);
    bool Waiting() const { return static_cast<bool>(FDone); }

private:
    void Finish(bool replied);

    TFirmwareVersion& FVersion;
    ITimer& FDeadline;
    TSend FSend;
    TDone FDone; // set while waiting
    std::size_t FWatch;
};
