#pragma once
// One copy of the tool per folder. Two copies beside one executable would both rewrite
// "Kelm2.ini" and lose each other's index updates, and write the same reports. The first copy
// holds an advisory lock on "Orvant2.lock" in that folder for its whole run (the system lets go
// of it when the process ends, however it ends); a second copy is refused before it touches
// any other file.

#include <string>

inline constexpr const char* InstanceLockFileName = "Orvant2.lock";

class TInstanceLock {
public:
    // Takes the lock of `directory`. Raises EOrvant with the message for the user when another
    // copy holds it, and when the lock file is there but cannot be opened at all. A lock file
    // that cannot be opened for writing (another user's) is locked through a read-only open. A
    // folder where the lock file cannot be made is not refused: nothing there can be written
    // for two copies to lose. A lock file made by root in another user's folder is given to
    // that user.
    explicit TInstanceLock(const std::string& directory);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

private:
    int FHandle = -1;
};
