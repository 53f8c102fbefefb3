#include "ui/event_history_loader.h"

TEventHistoryLoader::TEventHistoryLoader(TProgress progress, TLoaded loaded, QObject* parent)
    : QObject(parent), FProgress(std::move(progress)), FLoaded(std::move(loaded)),
      FRead(LoadEventHistory) {}

void TEventHistoryLoader::Start(const std::string& directory) {
    FReading.Start([this, read = FRead, directory](TDetachedReading::TJob& job) {
        // On the reading thread: only the job and its own copies are touched here; `this` only
        // in what is handed back to the window's thread.
        auto progress = [this, &job](std::size_t done, std::size_t total) {
            job.HandBack([this, done, total] {
                FProgress(static_cast<int>(done), static_cast<int>(total));
            });
        };
        auto history = std::make_shared<TEventHistory>(read(directory, progress, job.Stop));
        job.HandBack([this, history] {
            FReading.Finished();
            FLoaded(history);
        });
    });
}
