#include "transport/base_thread.h"

#include <exception>

TBaseThread::TBaseThread(IMainThread& mainThread) : FHandOff(mainThread) {}

TBaseThread::~TBaseThread() {
    Terminate();
    WaitFor();
}

bool TBaseThread::OnOwnThread() const {
    return FThread.get_id() == std::this_thread::get_id();
}

void TBaseThread::Resume() {
    std::lock_guard lock(FLock);
    FSuspendRequested = false;
    if (!FStarted && !FTerminated) {
        FStarted = true;
        FOffResources = false;
        FThread = std::thread([this] { Execute(); });
    }
    FChanged.notify_all();
}

void TBaseThread::Suspend() {
    std::unique_lock lock(FLock);
    FSuspendRequested = true;
    if (OnOwnThread()) {
        return;
    }
    FChanged.wait(lock, [this] { return FOffResources || FFinished; });
}

bool TBaseThread::Suspended() const {
    std::lock_guard lock(FLock);
    return FSuspendRequested;
}

void TBaseThread::Terminate() {
    {
        std::lock_guard lock(FLock);
        FTerminated = true;
        FChanged.notify_all();
    }
    FHandOff.RequestStop();
    WakeUp();
}

void TBaseThread::WaitFor() {
    if (FThread.joinable() && !OnOwnThread()) {
        FThread.join();
    }
}

bool TBaseThread::Finished() const {
    std::lock_guard lock(FLock);
    return FFinished;
}

std::string TBaseThread::StatusText() const {
    std::lock_guard lock(FLock);
    return FStatusText;
}

void TBaseThread::Report(const std::string& text) {
    {
        std::lock_guard lock(FLock);
        FStatusText = text;
    }
    // SyncStatus: the callback and its data as they are now, the text by value.
    Synchronize([callback = OnStatus, data = OnStatusData, text] {
        if (callback != nullptr) {
            callback(data, text);
        }
    });
}

void TBaseThread::SetOffResources(bool off) {
    std::lock_guard lock(FLock);
    FOffResources = off;
    FChanged.notify_all();
}

bool TBaseThread::WaitWhileSuspended() {
    std::unique_lock lock(FLock);
    FOffResources = true;
    FChanged.notify_all();
    FChanged.wait(lock, [this] { return !FSuspendRequested || FTerminated; });
    FOffResources = false;
    return !FTerminated;
}

bool TBaseThread::Synchronize(std::function<void()> fn) {
    if (!OnOwnThread()) {
        return FHandOff.Run(std::move(fn));
    }
    SetOffResources(true);
    struct TBackOn {
        TBaseThread* Thread;
        ~TBackOn() { Thread->WaitWhileSuspended(); }
    } backOn{this};
    return FHandOff.Run(std::move(fn));
}

void TBaseThread::Execute() {
    try {
        while (WaitWhileSuspended()) {
            Process();
            if (FTerminated) {
                break;
            }
        }
        std::lock_guard lock(FLock);
        FStatusText = "ended";
    } catch (const std::exception& error) {
        Report(std::string("Exception: ") + error.what());
    } catch (...) {
        Report("Exception: unknown error");
    }
    std::lock_guard lock(FLock);
    FFinished = true;
    FOffResources = true;
    FChanged.notify_all();
}
