#include "ui/event_history_loader.h"

#include <QMetaObject>

TEventHistoryLoader::TEventHistoryLoader(TProgress progress, TLoaded loaded, QObject* parent)
    : QObject(parent), FProgress(std::move(progress)), FLoaded(std::move(loaded)) {}

TEventHistoryLoader::~TEventHistoryLoader() {
    Stop();
}

void TEventHistoryLoader::Stop() {
    FStop = true;
    if (FThread.joinable()) {
        FThread.join();
    }
    FStop = false;
}

void TEventHistoryLoader::Start(const std::string& directory) {
    Stop();
    FBusy = true;
    const unsigned generation = ++FGeneration;
    FThread = std::thread([this, directory, generation] {
        // Queued to this object: a call still queued when the object goes is dropped with it,
        // and one of a reading started again since is passed over.
        auto progress = [this, generation](std::size_t done, std::size_t total) {
            QMetaObject::invokeMethod(
                this,
                [this, done, total, generation] {
                    if (generation == FGeneration) {
                        FProgress(static_cast<int>(done), static_cast<int>(total));
                    }
                },
                Qt::QueuedConnection);
        };
        auto history =
            std::make_shared<TEventHistory>(LoadEventHistory(directory, progress, FStop));
        if (FStop) {
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, history, generation] {
                if (generation != FGeneration) {
                    return;
                }
                FBusy = false;
                FLoaded(history);
            },
            Qt::QueuedConnection);
    });
}
