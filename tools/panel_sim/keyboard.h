#pragma once
// Single keys from the terminal the simulator runs in: the terminal is put into non-canonical
// mode without echo while the simulator runs, and restored afterwards.

#include <optional>
#include <string>
#include <termios.h>

namespace panel_sim {

class TKeyboard {
public:
    // Takes keys only when stdin is a terminal and `wanted` is set; otherwise Active() is false.
    explicit TKeyboard(bool wanted);
    ~TKeyboard();
    TKeyboard(const TKeyboard&) = delete;
    TKeyboard& operator=(const TKeyboard&) = delete;

    bool Active() const { return FActive; }
    int Fd() const { return 0; }
    // The key waiting, if any.
    std::optional<char> ReadKey();

private:
    bool FActive = false;
    termios FSaved{};
};

// What a key does: an action text (see actions.h), "quit", or nothing for other keys. The
// toggling keys look at the installation's state, so they are given it.
struct TKeyState {
    bool MainsFault = false;
    bool BatteryFault = false;
    bool SlaveFault = false; // slave 1's
};
std::optional<std::string> KeyAction(char key, const TKeyState& state);

} // namespace panel_sim
