#pragma once
// The settings file "Kelm2.ini" as the window uses it: the file name, the connection keys of
// section "General" with their defaults, and the holder through which the rest of the program
// reaches the one settings object while it exists.

#include "store/ini_file.h"

#include <functional>
#include <memory>
#include <string>

inline constexpr const char* SettingsFileName = "Kelm2.ini";
inline constexpr const char* GeneralSection = "General";
// Where the tool looks for the panel over UDP until the settings name another address: shown
// in the IP field as designed and read as the default of "IP".
inline constexpr const char* DefaultServerAddress = "192.168.1.100";

// The communication page's values that the settings file keeps between runs.
struct TConnectionSettings {
    int Adr = 2;                           // "Adr": the Address field
    bool Udp = true;                       // "UDP": the UDP box
    std::string Ip = DefaultServerAddress; // "IP": the IP field's text
};

// Reads "Adr", "UDP" and "IP" of "General"; what is missing or unreadable gives its default.
TConnectionSettings ReadConnectionSettings(const TIniFile& settings);

// Writes "Adr", "UDP" and "IP" of "General", in this order. A key that cannot be written is
// handed to `onFailure` with its error and the remaining keys are still written, so one failed
// key loses nothing else.
void WriteConnectionSettings(TIniFile& settings, const TConnectionSettings& values,
                             const std::function<void(const std::exception&)>& onFailure);

// The one settings object of "Kelm2.ini". The window creates it when it is shown and releases
// it when it closes; whoever needs the settings in between (the event bookkeeping) holds the
// holder, which lives as long as the window, and asks it for the object each time. Used on the
// main thread only, so the file has one writer; every write replaces the file whole.
class TSettingsHolder {
public:
    // Creates the settings object for `fileName`, replacing any earlier one.
    void Create(const std::string& fileName);
    // Releases the settings object (every write is on disk already); nothing happens when there
    // is none.
    void Release();
    // The settings object, or null before the window is shown and after it has closed: a reply
    // decoded then leaves the file alone.
    TIniFile* Current() { return FSettings.get(); }
    const TIniFile* Current() const { return FSettings.get(); }

private:
    std::unique_ptr<TIniFile> FSettings;
};
