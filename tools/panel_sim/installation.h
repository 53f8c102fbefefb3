#pragma once
// The simulated installation: the master and its slaves, the extinguishing sequence they run
// together (prealarm, alarm with the extinguishing delay, extinguishing time, extinguished,
// reset) and the faults of each unit. Every change that a panel logs goes to the event sink in
// the order the panel would log it. Time passes only through Advance, so a test can run a whole
// sequence in a blink.

#include "panel_sim/measurement.h"
#include "panel_sim/unit.h"

#include <array>
#include <cstdint>
#include <vector>

namespace panel_sim {

// Where the installation logs its events (the panel's event ring).
class IEventSink {
public:
    virtual ~IEventSink() = default;
    // device 0 to 4; loop 0 to 15 (0 A, 1 B, 2 C where a line is meant).
    virtual void AddEvent(uint8_t code, int device, int loop) = 0;
    // The log is cleared and numbered from 0 again (memory cleared, board replaced).
    virtual void RestartLog() = 0;
    // The log is cleared and `count` records are written into it at once (a panel that logged
    // a burst right after its memory was cleared).
    virtual void RefillLog(uint32_t count) = 0;
    // The log gets `capacity` slots: the records held are kept, the newest last, and numbered
    // again from 0 (a firmware update that sizes the memory anew).
    virtual void ResizeLog(uint16_t capacity) = 0;
};

enum class TPhase { Quiet, Prealarm, Delay, Extinguishing, Extinguished, Resetting };

struct TInstallationConfig {
    std::array<uint64_t, 5> Ids{}; // master, slaves 1 to 4
    int Slaves = 0;                // 0 to 4
    uint32_t Seed = 1;
    double DelaySeconds = 30.0;       // alarm to extinguishing
    double ExtinguishSeconds = 60.0;  // how long the valve is driven
    double ResetSeconds = 3.0;        // how long "Reset" shows before "Ready"
    double BatteryDrainMvPerS = 2.0;  // on battery
    double BatteryChargeMvPerS = 5.0; // after the mains returns
};

class TInstallation {
public:
    // Raises std::out_of_range for a slave count outside 0 to 4.
    TInstallation(const TInstallationConfig& config, IEventSink& events);

    int Slaves() const { return FSlaves; }
    // The number of slaves the master looks after (the 'S' command); raises std::out_of_range
    // outside 0 to 4.
    void SetSlaves(int count);
    const TUnit& Unit(int device) const { return FUnits.at(static_cast<std::size_t>(device)); }
    TPhase Phase() const { return FPhase; }
    // The extinguishing time field: the time left of the delay or of the extinguishing, in
    // tenths of a second; 0 otherwise.
    uint16_t TimTenths() const;
    // The system state code of the master ("Ready", "Prealarm A", ... "Reset").
    uint8_t SystemState() const;
    TOutputsActive Outputs() const;

    // Sequence. Each raises std::invalid_argument for a device that is not installed.
    void Prealarm(int device, int loop); // one line (0 A, 1 B) goes into alarm
    void Alarm(int device);              // both lines: the extinguishing delay starts
    void Extinguish();                   // skips what is left of the delay
    void Reset();                        // ends the alarm; faults stay until cleared

    // Faults, set or cleared; setting what is already set changes nothing and logs nothing.
    void SetMainsFault(int device, bool fault);
    void SetBatteryFault(int device, bool fault);
    void SetCommFault(int slave, bool fault);
    // A line fault or its clearing: code one of lnSilent, lnDisconnected, lnShort, lnFailure,
    // lnOff (an alarm goes through Prealarm). Raises std::invalid_argument otherwise.
    void SetLineState(int device, int loop, uint8_t code);
    // Logs a raw event of any code (0 to 255, codes past the panel's table too), as a field
    // log showed it; the installation's state does not change.
    void LogEvent(uint8_t code, int device, int loop);
    // Clears the event log: it starts again at index 0.
    void RestartLog() { FEvents.RestartLog(); }
    void RefillLog(uint32_t count) { FEvents.RefillLog(count); }
    void ResizeLog(uint16_t capacity) { FEvents.ResizeLog(capacity); }
    // Holds a value at a level (std::nullopt: back to what the state gives).
    void PinValue(int device, TValue value, std::optional<uint16_t> level);

    // Lets real time pass: the delay and extinguishing timers run, the battery charges or
    // drains, and every whole second each unit in contact measures again.
    void Advance(double seconds);

private:
    void RequireInstalled(int device) const;
    void LineToAlarm(int device, int loop);
    void StartDelay();
    void StartExtinguishing();
    void RunTimers(double seconds);
    void MeasureAll(double seconds);
    void RunBattery(TUnit& unit, int device, double seconds);
    void MeasureNow();

    IEventSink& FEvents;
    TInstallationConfig FConfig;
    std::array<TUnit, 5> FUnits;
    TDrift FDrift;
    int FSlaves = 0;
    TPhase FPhase = TPhase::Quiet;
    double FPhaseLeft = 0.0;    // seconds left of a timed phase
    double FSinceMeasure = 0.0; // seconds since the last measurement
    bool FDischarged = false;   // gas let out since the last reset
    uint8_t FResetState = 0;    // system state code shown while resetting
};

} // namespace panel_sim
