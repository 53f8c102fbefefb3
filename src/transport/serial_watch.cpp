#include "transport/serial_watch.h"

#include "transport/com_port.h"

#include <sys/stat.h>

TSerialWatch::TSerialWatch(TComPort& port) : FPort(port) {}

std::optional<TSerialWatch::TIdentity> TSerialWatch::DeviceIdentity() const {
    struct stat info {};
    if (::stat(FPort.DevicePath().c_str(), &info) != 0) {
        return std::nullopt;
    }
    return TIdentity{uint64_t(info.st_dev), uint64_t(info.st_ino), uint64_t(info.st_rdev)};
}

void TSerialWatch::CloseGone() {
    FLost = true;
    FRefusedDevice.reset(); // whatever the path shows now has not been tried since
    try {
        FPort.Close();
    } catch (...) {
        // A gone device has nothing left to purge; the port is closed all the same.
    }
}

void TSerialWatch::Want() {
    FWanted = true;
    if (FPort.Connected() && FPort.DeviceGone()) {
        CloseGone();
    }
    try {
        FPort.Open();
    } catch (...) {
        const auto device = DeviceIdentity();
        FAbsent = !device;
        FRefusedDevice = device;
        throw;
    }
    FAbsent = false;
    FLost = false;
}

void TSerialWatch::Stop() {
    FWanted = false;
    FLost = false;
    FRefusedDevice.reset();
    FPort.Close();
}

void TSerialWatch::Tick() {
    if (!FWanted) {
        return;
    }
    if (FPort.Connected()) {
        if (!FPort.DeviceGone()) {
            return;
        }
        CloseGone();
    }
    const auto device = DeviceIdentity();
    FAbsent = !device;
    if (!device) {
        FRefusedDevice.reset();
        return;
    }
    if (FRefusedDevice == device) {
        return;
    }
    try {
        FPort.Open();
        FLost = false;
        FRefusedDevice.reset();
    } catch (...) {
        FRefusedDevice = device;
    }
}

TSerialWatch::TState TSerialWatch::State() const {
    if (!FWanted) {
        return FPort.Connected() && !FPort.DeviceGone() ? TState::Open : TState::Stopped;
    }
    if (FPort.Connected()) {
        return FPort.DeviceGone() ? TState::Gone : TState::Open;
    }
    if (FLost) {
        return TState::Gone;
    }
    return FAbsent ? TState::NotFound : TState::Closed;
}
