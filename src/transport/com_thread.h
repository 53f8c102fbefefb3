#pragma once
// The serial port's event thread. It only waits: for bytes arriving on the port or for the stop
// signal. What it sees it hands to the main thread with a blocking hand-off, so every handler
// runs on the main thread and one delivery is handled completely before the next is looked at.

#include "core/main_thread.h"
#include "transport/com_settings.h"
#include "transport/serial_device.h"

#include <exception>
#include <functional>
#include <memory>
#include <thread>

class TComThread {
public:
    // Runs on the main thread: the events seen and the count of bytes waiting (above zero).
    using TEventsHandler = std::function<void(TComEvents events, int32_t count)>;
    // Runs on the main thread: an error of the port's wait, or one a handler raised. `ended`
    // is true when the error ended the thread: nothing is read from the line any more.
    using TErrorHandler = std::function<void(std::exception_ptr error, bool ended)>;

    // Starts waiting on the open device. evRxChar is delivered when bytes arrive, evRx80Full
    // with it when the waiting bytes reach 80% of inputSize; only events in the set are
    // delivered. An error a handler raises is reported through onError and the thread goes on.
    // A device that fails or hangs up (an adapter pulled, the far end of a pseudo-terminal
    // closed, any error of the wait or of the waiting-byte count) is reported once, after the
    // bytes still waiting, as ending the thread, and the thread stops waiting.
    // Raises EComPort 1 with the system's errno when the thread cannot be set up.
    TComThread(const TSerialDevice& device, TComEvents events, int32_t inputSize,
               IMainThread& mainThread, TEventsHandler onEvents, TErrorHandler onError);
    // Stops the thread.
    ~TComThread();
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    // Called on the main thread, also from inside one of this thread's own handlers, any number
    // of times. Abandons a hand-off that waits for the main thread, ends the thread and joins
    // it. No handler of this thread runs after Stop has returned (the one that called it
    // finishes), and the thread does not touch the device again.
    void Stop();

private:
    struct THandlers;

    void Run();
    // Delivers what is waiting after the device reported flags; false when waiting must end.
    bool ServePort(uint32_t flags);
    // Hands the error to the main thread; false when a stop was requested meanwhile.
    bool Report(std::exception_ptr error);
    // Reports an error that ends the thread.
    void ReportEnd(std::exception_ptr error);
    void CloseDescriptors();

    const TSerialDevice& FDevice;
    TComEvents FEvents;
    int32_t FInputSize;
    // Shared with the hand-offs in flight, which may outlive this object by a moment.
    std::shared_ptr<const THandlers> FHandlers;
    THandOff FHandOff;
    int FPoll = -1;
    int FStopSignal = -1;
    std::thread FThread;
};
