#pragma once
// Reads the event report files on a thread of its own, so that the window stays responsive
// while years of records are read; progress and the result are handed to the window's thread.
// Destroying the loader stops the reading and waits for its thread; nothing is handed over after.

#include "store/event_history.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class TEventHistoryLoader : public QObject {
    Q_OBJECT
public:
    using TProgress = std::function<void(int done, int total)>;
    using TLoaded = std::function<void(std::shared_ptr<TEventHistory>)>;

    // Both are called on the window's thread.
    TEventHistoryLoader(TProgress progress, TLoaded loaded, QObject* parent = nullptr);
    ~TEventHistoryLoader() override;

    // Starts reading `directory`'s event reports; a reading still under way is stopped first.
    void Start(const std::string& directory);
    bool Busy() const { return FBusy; }

private:
    void Stop();

    TProgress FProgress;
    TLoaded FLoaded;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    bool FBusy = false;
    unsigned FGeneration = 0; // of the last Start, read and written on the window's thread only
};
