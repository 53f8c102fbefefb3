#pragma once
// The simulated master unit as the link sees it: it answers the PC's requests from its
// installation, its event ring and its clock. It knows nothing of how requests arrive (serial
// line or datagram): a front end hands it one request at a time and sends back what it returns.

#include "panel_sim/event_ring.h"
#include "panel_sim/installation.h"
#include "panel_sim/panel_calendar.h"
#include "panel_sim/request.h"
#include "panel_sim/status_image.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace panel_sim {

struct TSimPanelConfig {
    TInstallationConfig Installation;
    uint16_t Capacity = 500; // event ring slots, 1 to 65535
    uint32_t Backlog = 20;   // old events already in the ring at start
    // A backlog record (counted from 0) stamped 31 February of its year, as a panel whose clock
    // was set wrongly logs it; none when empty.
    std::optional<uint32_t> ImpossibleDateRecord;
    std::string Version = "V2.10 SIM";
    TPanelDateTime Start; // the panel clock at start
    // A slot whose record the panel never sends (a damaged memory cell); none when empty.
    std::optional<uint16_t> LostRecord;
    // A slot the panel always answers as empty (a cell that reads back blank), whatever the
    // ring holds there; none when empty.
    std::optional<uint16_t> EmptySlot;
    // 'G' is answered only every n-th time it comes (a link that loses most requests); 1: always.
    uint32_t AnswerGEvery = 1;
};

// One line of the simulator's own output.
using TLogLine = std::function<void(const std::string& line)>;

class TSimPanel : public IEventSink {
public:
    // Raises std::out_of_range / std::invalid_argument for a configuration the panel cannot
    // have (capacity 0, more than 4 slaves, a version text over 127 characters or with a zero
    // byte, a start time outside the panel calendar).
    TSimPanel(const TSimPanelConfig& config, TLogLine log);

    // The reply to one request, or nothing: 'S' and 'T' are carried out without a reply, and a
    // request the panel cannot serve (unknown letter, payload too short, index past the ring,
    // an impossible date) is ignored with a note in the output.
    std::optional<TMessage> Handle(const TMessage& request);

    // Lets real time pass for the clock and the installation.
    void Advance(double seconds);

    // Every request is noted in the output, the status polls too.
    void SetVerbose(bool verbose) { FVerbose = verbose; }

    TInstallation& Installation() { return FInstallation; }
    const TEventRing& Ring() const { return FRing; }
    const TPanelClock& Clock() const { return FClock; }

    void AddEvent(uint8_t code, int device, int loop) override;
    void RestartLog() override;
    void RefillLog(uint32_t count) override;
    void ResizeLog(uint16_t capacity) override;

private:
    void AddBacklog(uint32_t count);
    void AddEventAt(uint8_t code, int device, int loop, const TPanelDateTime& time);
    std::optional<TMessage> EventRecordReply(const TMessage& request);
    std::optional<TMessage> EventIndexReply() const;
    void SetSlaves(const TMessage& request);
    void SetTime(const TMessage& request);
    void Note(const std::string& line) const;

    TLogLine FLog;
    TEventRing FRing;
    TPanelClock FClock;
    TInstallation FInstallation;
    TStatusImage FImage;
    std::string FVersion;
    std::optional<uint32_t> FImpossibleDateRecord;
    std::optional<uint16_t> FLostRecord;
    std::optional<uint16_t> FEmptySlot;
    uint32_t FAnswerGEvery = 1;
    uint32_t FGRequests = 0; // 'G' requests seen, for FAnswerGEvery
    bool FVerbose = false;
};

// A date and time as the simulator prints it: "hh:mm:ss dd.mm.yyyy".
std::string FormatPanelTime(const TPanelDateTime& t);

} // namespace panel_sim
