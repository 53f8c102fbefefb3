#pragma once
// The serial port's event thread. It only waits: for bytes arriving on the port or for the stop
// signal. What it sees it hands to the main thread with a blocking hand-off, so every handler
// runs on the main thread and one delivery is handled completely before the next is looked at.

#include "core/main_thread.h"
#include "transport/com_settings.h"
#include "transport/serial_device.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class TComThread {
public:
    // Runs on the main thread: the events seen and the count of bytes waiting (above zero).
    using TEventsHandler = std::function<void(TComEvents events, int32_t count)>;
    // Runs on the main thread: an error of the port's wait, or one a handler raised.
    using TErrorHandler = std::function<void(std::exception_ptr error)>;

    // Starts waiting on the open device. evRxChar is delivered when bytes arrive, evRx80Full
    // with it when the waiting bytes reach 80% of inputSize; only events in the set are
    // delivered. An error a handler raises is reported through onError and the thread goes on.
    // A device that fails or hangs up (an adapter pulled, the far end of a pseudo-terminal
    // closed) is reported once, after the bytes still waiting, and the thread stops waiting.
    // Raises EComPort 1 with the system's errno when the thread cannot be set up.
    TComThread(const TSerialDevice& device, TComEvents events, int32_t inputSize,
               IMainThread& mainThread, TEventsHandler onEvents, TErrorHandler onError);
    // Stops the thread. Must not be destroyed inside one of its own hand-offs.
    ~TComThread();
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    // Called on the main thread. Asks the thread to end and waits until it has, letting the
    // main thread run pending hand-offs meanwhile (they no longer reach the handlers), and
    // returns true. Called from inside one of this thread's own hand-offs it cannot wait: the
    // thread ends as soon as that hand-off returns, without touching the device again, and
    // Stop returns false; call it again later to collect the thread.
    bool Stop();

private:
    void Run();
    // Delivers what is waiting after the device reported flags; false when waiting must end.
    bool ServePort(uint32_t flags);
    void HandOff(const std::function<void()>& fn);
    void Report(std::exception_ptr error);
    void Finish();

    const TSerialDevice& FDevice;
    TComEvents FEvents;
    int32_t FInputSize;
    IMainThread& FMainThread;
    TEventsHandler FOnEvents;
    TErrorHandler FOnError;
    int FPoll = -1;
    int FStopSignal = -1;
    std::atomic<bool> FStopRequested{false};
    std::atomic<bool> FInHandOff{false};
    std::mutex FMutex;
    std::condition_variable FEnded;
    bool FFinished = false;
    std::thread FThread;
};
