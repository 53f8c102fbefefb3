#include "store/connection_settings.h"

#include <exception>

TConnectionSettings ReadConnectionSettings(const TIniFile& settings) {
    const TConnectionSettings defaults;
    TConnectionSettings values;
    values.Adr = settings.ReadInteger(GeneralSection, "Adr", defaults.Adr);
    values.Udp = settings.ReadBool(GeneralSection, "UDP", defaults.Udp);
    values.Ip = settings.ReadString(GeneralSection, "IP", defaults.Ip);
    return values;
}

void WriteConnectionSettings(TIniFile& settings, const TConnectionSettings& values,
                             const std::function<void(const std::exception&)>& onFailure) {
    const std::function<void()> writes[] = {
        [&] { settings.WriteInteger(GeneralSection, "Adr", values.Adr); },
        [&] { settings.WriteBool(GeneralSection, "UDP", values.Udp); },
        [&] { settings.WriteString(GeneralSection, "IP", values.Ip); },
    };
    for (const auto& write : writes) {
        try {
            write();
        } catch (const std::exception& error) {
            onFailure(error);
        }
    }
}

void TSettingsHolder::Create(const std::string& fileName) {
    FSettings = std::make_unique<TIniFile>(fileName);
}

void TSettingsHolder::Release() {
    FSettings.reset();
}
