#include "core/error_list.h"

#include <algorithm>
#include <cstdio>

bool TErrorList::Add(const std::string& message, const std::string& detail, const TDateTime& when) {
    auto found = std::find_if(FEntries.begin(), FEntries.end(),
                              [&](const TErrorEntry& entry) { return entry.Message == message; });
    TErrorEntry entry{message, detail, when, when, 1};
    const bool isNew = found == FEntries.end();
    if (!isNew) {
        entry.First = found->First;
        entry.Count = found->Count + 1;
        if (detail.empty()) {
            entry.Detail = found->Detail;
        }
        FEntries.erase(found);
    }
    FEntries.insert(FEntries.begin(), std::move(entry));
    if (FEntries.size() > MaxEntries) {
        FEntries.pop_back();
    }
    return isNew;
}

void TErrorList::Dismiss(const std::string& message) {
    std::erase_if(FEntries, [&](const TErrorEntry& entry) { return entry.Message == message; });
}

std::string ClockText(const TDateTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.Hour % 100, time.Minute % 100,
                  time.Second % 100);
    return text;
}
