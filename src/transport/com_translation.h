#pragma once
#include <string>

// The text domain of the serial port's captions and messages.
inline constexpr const char* ComPortTextDomain = "comport";

// Looks a serial port text up in the "comport" translation catalogue; the text itself when no
// catalogue is installed or it has no entry.
std::string TranslateComPort(const char* text);
