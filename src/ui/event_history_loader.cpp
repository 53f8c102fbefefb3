#include "ui/event_history_loader.h"

#include <set>

TEventHistoryLoader::TEventHistoryLoader(TProgress progress, TLoaded loaded, QObject* parent)
    : QObject(parent), FProgress(std::move(progress)), FLoaded(std::move(loaded)),
      FRead(LoadEventHistory) {}

void TEventHistoryLoader::Start(const std::string& directory, const TEventFilter& filter,
                                TEventColumn column, bool ascending) {
    FReading.Start(
        [this, read = FRead, directory, filter, column, ascending](TDetachedReading::TJob& job) {
            // On the reading thread: only the job and its own copies are touched here; `this` only
            // in what is handed back to the window's thread.
            auto progress = [this, &job](std::size_t done, std::size_t total) {
                job.HandBack([this, done, total] {
                    FProgress(static_cast<int>(done), static_cast<int>(total));
                });
            };
            auto loaded = std::make_shared<TLoadedHistory>();
            loaded->History = read(directory, progress, job.Stop);
            if (job.Stop) {
                return;
            }
            loaded->Filter = filter;
            loaded->Column = column;
            loaded->Ascending = ascending;
            loaded->Shown = FilterEvents(loaded->History, filter);
            SortEventRows(loaded->History, loaded->Shown.Rows, column, ascending);
            std::set<uint64_t> ids;
            for (const TEventEntry& entry : loaded->History.Entries()) {
                if (entry.Id != 0) {
                    ids.insert(entry.Id);
                }
            }
            loaded->Ids.assign(ids.begin(), ids.end());
            job.HandBack([this, loaded] {
                FReading.Finished();
                FLoaded(loaded);
            });
        });
}
