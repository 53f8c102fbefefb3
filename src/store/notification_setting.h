#pragma once
// Whether the tool sends desktop notifications: key "Upozorneni" of section "General" in
// "Kelm2.ini", 1 (the default) or 0.

#include "store/connection_settings.h"

inline constexpr const char* NotificationsKey = "Upozorneni";

inline bool ReadNotificationsSetting(const TIniFile& settings) {
    return settings.ReadBool(GeneralSection, NotificationsKey, true);
}

// Raises as TIniFile::WriteBool when the file cannot be replaced.
inline void WriteNotificationsSetting(TIniFile& settings, bool on) {
    settings.WriteBool(GeneralSection, NotificationsKey, on);
}
