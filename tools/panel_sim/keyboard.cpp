#include "panel_sim/keyboard.h"

#include <unistd.h>

namespace panel_sim {

TKeyboard::TKeyboard(bool wanted) {
    if (!wanted || !isatty(0) || tcgetattr(0, &FSaved) != 0) {
        return;
    }
    termios keys = FSaved;
    keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    keys.c_cc[VMIN] = 0;
    keys.c_cc[VTIME] = 0;
    FActive = tcsetattr(0, TCSANOW, &keys) == 0;
}

TKeyboard::~TKeyboard() {
    if (FActive) {
        tcsetattr(0, TCSANOW, &FSaved);
    }
}

std::optional<char> TKeyboard::ReadKey() {
    char c = 0;
    ssize_t n = read(0, &c, 1);
    if (n == 1) {
        return c;
    }
    return std::nullopt;
}

std::optional<std::string> KeyAction(char key, const TKeyState& state) {
    switch (key) {
    case 'p':
        return "prealarm A";
    case 'a':
        return "alarm";
    case 'e':
        return "extinguish";
    case 'r':
        return "reset";
    case 'm':
        return state.MainsFault ? "mains-ok" : "mains-fail";
    case 'b':
        return state.BatteryFault ? "battery-ok" : "battery-fault";
    case 's':
        return state.SlaveFault ? "slave-ok 1" : "slave-fault 1";
    case 'q':
        return "quit";
    default:
        return std::nullopt;
    }
}

} // namespace panel_sim
