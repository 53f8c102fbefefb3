#pragma once
// The conversation that copies one installation's event log, record by record: one request 'G'
// outstanding at a time, awaited until a deadline, and a reply written only when it is the
// record awaited. A late or repeated reply, or one nobody asked for, is dropped.
//
// The copy also guards the stored index against the log it belongs to:
// - An index outside the records the panel holds means the log was restarted or replaced (or
//   the settings file edited): the copy resumes at the oldest record held and says so once.
// - A slot the panel never wrote comes back empty (ID and time zero): nothing real lies there,
//   so nothing is written and the copy moves to the panel's end index.
// - A record the panel does not deliver although it answers its polls is asked for three times;
//   then the copy notes it and moves on, so one bad slot never stops the copy.
//
// A deadline passes only when both DeadlineStatusReplies status replies have come since the
// request and DeadlineMs have gone by: while the link is down no status reply comes, so no
// deadline passes, and a fast poll over a slow link still gives the reply time to arrive.

#include "model/event_record.h"
#include "model/event_window.h"

#include <cstdint>
#include <optional>
#include <string>

// What the copy does to the world: the bookkeeping sends, saves and tells.
class IEventCopyActions {
public:
    virtual ~IEventCopyActions() = default;
    // Sends 'G' for the record at `index`. Raises what the link raises.
    virtual void RequestRecord(uint16_t index) = 0;
    // Saves the installation's next index; raises when the settings file cannot be written
    // (the copy then stays where it was).
    virtual void SaveIndex(uint16_t index) = 0;
    // Tells the technician something about the copy (log and event report).
    virtual void Note(const std::string& text) = 0;
};

// What a record reply is to the copy.
enum class TRecordVerdict : uint8_t {
    Awaited,   // the record asked for: write it, then Advance() once it is on disk
    EmptySlot, // the awaited slot was never written: handled, nothing to write
    Unawaited, // late, repeated or never asked for: drop it
};

class TEventCopy {
public:
    static constexpr uint32_t DeadlineStatusReplies = 3;
    static constexpr uint32_t DeadlineMs = 2000;
    static constexpr uint32_t RequestsBeforeGivingUp = 3;

    // `index` is the stored index of the installation; `actions` must outlive the copy.
    TEventCopy(uint16_t index, IEventCopyActions& actions);

    // A status reply with the panel's window, at the clock's tick: checks the stored index
    // against it and asks for the next record when one waits and nothing is outstanding (or
    // its deadline has passed).
    void OnStatus(const TEventWindow& window, uint32_t tick);
    // A 'U' reply with the panel's end index: asks as a status reply does.
    void OnEventInfo(uint16_t end, uint32_t tick);
    // A record reply. An awaited reply ends the request; the caller writes an Awaited record
    // and calls Advance() once its line is on disk (if it never is, the next poll asks again).
    TRecordVerdict OnRecord(const TEventRecord& record);
    // Moves past the record just written and saves the new index.
    void Advance();

    uint16_t Index() const { return FIndex; }
    // Records of the panel's window after the stored index.
    uint32_t Waiting() const { return RecordsWaiting(FIndex, FWindow); }
    bool Outstanding() const { return FRequest.has_value(); }

private:
    struct TRequest {
        uint16_t Index = 0;
        uint32_t SentTick = 0;
        uint32_t StatusReplies = 0; // status replies since it was sent
    };

    void AskIfBehind(uint32_t tick);
    bool DeadlinePassed(uint32_t tick) const;
    void MoveTo(uint16_t index);
    void Send(uint32_t tick);

    IEventCopyActions& FActions;
    uint16_t FIndex;
    TEventWindow FWindow;
    bool FWindowKnown = false;
    std::optional<TRequest> FRequest;
    uint32_t FRequestsForIndex = 0; // requests sent for FIndex without its reply
};

// A record the panel answers for a slot it never wrote.
bool IsEmptySlot(const TEventRecord& record);
