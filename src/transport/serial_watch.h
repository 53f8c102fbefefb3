#pragma once
// Keeps the serial port open for as long as the user wants it open. A port whose adapter was
// pulled (or whose far end hung up) is closed at once, which frees the device's name for the
// adapter's return, and opened again as soon as its path leads to a device again; polling then
// goes on by itself. The port's name is opened as given each time, so a path under
// /dev/serial/by-id/ follows the adapter to whichever ttyUSBn it comes back as.
//
// "Stop" ends the wish: a stopped port stays closed until "Init". "Init" on a port whose device
// has gone closes it and opens it again.

#include <cstdint>
#include <optional>
#include <tuple>

class TComPort;

class TSerialWatch {
public:
    // How often the window should call Tick, in milliseconds.
    static constexpr uint32_t TickInterval = 250;

    enum class TState : uint8_t {
        Open,     // open on a device that works
        Stopped,  // closed with "Stop"
        Closed,   // wanted, but the device is there and refused to open (busy, no permission)
        Gone,     // wanted, but the device has gone and has not come back yet
        NotFound, // wanted, but its path has led to no device since Want
    };

    // The port must outlive the watch. Until Want or Tick the port is not wanted.
    explicit TSerialWatch(TComPort& port);

    // The start-up and "Init": from now on the port should be open. A port open on a gone
    // device is closed first; then the port is opened, raising what Open raises.
    void Want();
    // "Stop": closes the port (raising what Close raises) and rests until the next Want.
    void Stop();

    // Called every TickInterval on the main thread. A wanted port on a gone device is closed;
    // a wanted port that is closed is opened when its path leads to a device that has not
    // already refused to open. Raises nothing: a failed reopen is tried again when the device
    // changes (is gone and back, or a by-id link points elsewhere).
    void Tick();

    TState State() const;
    bool Wanted() const { return FWanted; }

private:
    // What the port's path leads to now (file system, inode, device number), or nothing.
    using TIdentity = std::tuple<uint64_t, uint64_t, uint64_t>;
    std::optional<TIdentity> DeviceIdentity() const;
    void CloseGone();

    TComPort& FPort;
    bool FWanted = false;
    bool FAbsent = false;                    // the path led nowhere at the last look
    bool FLost = false;                      // the device went while wanted, and is not back yet
    std::optional<TIdentity> FRefusedDevice; // the device that last refused to open
};
