#include "panel_sim/actions.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <sstream>
#include <stdexcept>

namespace panel_sim {

namespace {

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) {
        words.push_back(w);
    }
    return words;
}

int Number(const std::string& word, int low, int high, const std::string& what) {
    int value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value < low || value > high) {
        throw std::invalid_argument(what + " must be " + std::to_string(low) + " to " +
                                    std::to_string(high) + ", not \"" + word + "\"");
    }
    return value;
}

int Line(const std::string& word) {
    if (word == "A" || word == "a") {
        return 0;
    }
    if (word == "B" || word == "b") {
        return 1;
    }
    if (word == "C" || word == "c") {
        return 2;
    }
    throw std::invalid_argument("a line is A, B or C, not \"" + word + "\"");
}

int LineCode(const std::string& word) {
    static const std::map<std::string, int> codes = {
        {"silent", lnSilent}, {"disconnected", lnDisconnected},
        {"short", lnShort},   {"failure", lnFailure},
        {"off", lnOff},
    };
    auto it = codes.find(word);
    if (it == codes.end()) {
        throw std::invalid_argument("a line state is silent, disconnected, short, failure or off");
    }
    return it->second;
}

void RequireCount(const std::vector<std::string>& w, std::size_t low, std::size_t high) {
    if (w.size() - 1 < low || w.size() - 1 > high) {
        throw std::invalid_argument("wrong number of words in \"" + w[0] + "\"");
    }
}

// The arguments of the verbs that take an optional device or slave.
std::vector<int> OptionalDevice(const std::vector<std::string>& w, int low, int fallback) {
    RequireCount(w, 0, 1);
    return {w.size() > 1 ? Number(w[1], low, 4, "the device") : fallback};
}

std::vector<int> PrealarmArgs(const std::vector<std::string>& w) {
    RequireCount(w, 0, 2);
    int line = 0, device = 0;
    for (std::size_t i = 1; i < w.size(); ++i) {
        if (w[i] == "A" || w[i] == "B" || w[i] == "a" || w[i] == "b") {
            line = Line(w[i]);
        } else {
            device = Number(w[i], 0, 4, "the device");
        }
    }
    return {line, device};
}

std::vector<int> SetArgs(const std::vector<std::string>& w) {
    RequireCount(w, 3, 3);
    auto value = ValueByName(w[2]);
    if (!value) {
        throw std::invalid_argument("no measured value \"" + w[2] + "\" (VA ... P)");
    }
    int level = w[3] == "auto" ? -1 : Number(w[3], 0, 65535, "the level");
    return {Number(w[1], 0, 4, "the device"), *value, level};
}

} // namespace

TAction ParseAction(const std::string& text) {
    std::vector<std::string> w = Words(text);
    if (w.empty()) {
        throw std::invalid_argument("an empty action");
    }
    TAction a{w[0], {}, text};
    const std::string& v = w[0];
    if (v == "prealarm") {
        a.Args = PrealarmArgs(w);
    } else if (v == "alarm" || v == "mains-fail" || v == "mains-ok" || v == "battery-fault" ||
               v == "battery-ok") {
        a.Args = OptionalDevice(w, 0, 0);
    } else if (v == "slave-fault" || v == "slave-ok") {
        a.Args = OptionalDevice(w, 1, 1);
    } else if (v == "extinguish" || v == "reset" || v == "log-restart") {
        RequireCount(w, 0, 0);
    } else if (v == "line") {
        RequireCount(w, 3, 3);
        a.Args = {Number(w[1], 0, 4, "the device"), Line(w[2]), LineCode(w[3])};
    } else if (v == "set") {
        a.Args = SetArgs(w);
    } else if (v == "event") {
        RequireCount(w, 1, 3);
        a.Args = {Number(w[1], 0, 255, "the event code"),
                  w.size() > 2 ? Number(w[2], 0, 4, "the device") : 0,
                  w.size() > 3 ? Number(w[3], 0, 15, "the loop") : 0};
    } else if (v == "log-refill") {
        RequireCount(w, 1, 1);
        a.Args = {Number(w[1], 0, 65535, "the number of records")};
    } else if (v == "log-capacity") {
        RequireCount(w, 1, 1);
        a.Args = {Number(w[1], 1, 65535, "the capacity")};
    } else if (v == "slaves") {
        RequireCount(w, 1, 1);
        a.Args = {Number(w[1], 0, 4, "the number of slaves")};
    } else {
        throw std::invalid_argument("unknown action \"" + v + "\"");
    }
    return a;
}

void ApplyAction(const TAction& a, TInstallation& inst) {
    const std::string& v = a.Verb;
    const std::vector<int>& x = a.Args;
    if (v == "prealarm") {
        inst.Prealarm(x[1], x[0]);
    } else if (v == "alarm") {
        inst.Alarm(x[0]);
    } else if (v == "extinguish") {
        inst.Extinguish();
    } else if (v == "reset") {
        inst.Reset();
    } else if (v == "mains-fail" || v == "mains-ok") {
        inst.SetMainsFault(x[0], v == "mains-fail");
    } else if (v == "battery-fault" || v == "battery-ok") {
        inst.SetBatteryFault(x[0], v == "battery-fault");
    } else if (v == "slave-fault" || v == "slave-ok") {
        inst.SetCommFault(x[0], v == "slave-fault");
    } else if (v == "line") {
        inst.SetLineState(x[0], x[1], static_cast<uint8_t>(x[2]));
    } else if (v == "set") {
        std::optional<uint16_t> level;
        if (x[2] >= 0) {
            level = static_cast<uint16_t>(x[2]);
        }
        inst.PinValue(x[0], static_cast<TValue>(x[1]), level);
    } else if (v == "event") {
        inst.LogEvent(static_cast<uint8_t>(x[0]), x[1], x[2]);
    } else if (v == "slaves") {
        inst.SetSlaves(x[0]);
    } else if (v == "log-restart") {
        inst.RestartLog();
    } else if (v == "log-refill") {
        inst.RefillLog(static_cast<uint32_t>(x[0]));
    } else if (v == "log-capacity") {
        inst.ResizeLog(static_cast<uint16_t>(x[0]));
    }
}

} // namespace panel_sim
