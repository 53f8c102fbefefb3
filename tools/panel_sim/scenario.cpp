#include "panel_sim/scenario.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace panel_sim {

namespace {

// A slave fault needs a slave: these scenarios say "slaves 1" where they need one.
const std::map<std::string, std::string>& Builtins() {
    static const std::map<std::string, std::string> scenarios = {
        {"quiet", "# nothing happens: measured values drift, the clock runs\n"},
        {"alarm", "10 prealarm A\n"
                  "+10 alarm\n"
                  "# 30 s delay, 60 s extinguishing, then extinguished\n"
                  "+120 reset\n"},
        {"faults", "10 mains-fail\n"
                   "+60 mains-ok\n"
                   "+40 battery-fault\n"
                   "+30 battery-ok\n"
                   "+10 line 0 A disconnected\n"
                   "+20 line 0 A silent\n"
                   "+10 slaves 1\n"
                   "+5 slave-fault 1\n"
                   "+30 slave-ok 1\n"},
        {"tour", "5 prealarm A\n"
                 "+10 reset\n"
                 "+10 mains-fail\n"
                 "+30 mains-ok\n"
                 "+20 alarm\n"
                 "+10 extinguish\n"
                 "+70 reset\n"
                 "+10 battery-fault\n"
                 "+20 battery-ok\n"
                 "+10 line 0 C short\n"
                 "+15 line 0 C silent\n"
                 "loop 240\n"},
    };
    return scenarios;
}

double Seconds(const std::string& word, int lineNo) {
    std::size_t used = 0;
    double value = -1.0;
    try {
        value = std::stod(word, &used);
    } catch (const std::exception&) {
    }
    if (used != word.size() || value < 0.0) {
        throw std::invalid_argument("line " + std::to_string(lineNo) + ": \"" + word +
                                    "\" is not a number of seconds");
    }
    return value;
}

std::string Trimmed(std::string line) {
    line = line.substr(0, line.find('#'));
    auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

TScenario ParseScenario(const std::string& name, const std::string& text) {
    TScenario scenario{name, {}, 0.0};
    std::istringstream in(text);
    double last = 0.0;
    int lineNo = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++lineNo;
        std::string line = Trimmed(raw);
        if (line.empty()) {
            continue;
        }
        std::string when = line.substr(0, line.find_first_of(" \t"));
        std::string rest = when.size() < line.size() ? Trimmed(line.substr(when.size())) : "";
        if (when == "loop") {
            scenario.LoopSeconds = Seconds(rest, lineNo);
            continue;
        }
        double at = when[0] == '+' ? last + Seconds(when.substr(1), lineNo) : Seconds(when, lineNo);
        try {
            scenario.Steps.push_back({at, ParseAction(rest)});
        } catch (const std::invalid_argument& e) {
            throw std::invalid_argument("line " + std::to_string(lineNo) + ": " + e.what());
        }
        last = at;
    }
    std::stable_sort(scenario.Steps.begin(), scenario.Steps.end(),
                     [](const TScenarioStep& a, const TScenarioStep& b) { return a.At < b.At; });
    if (scenario.LoopSeconds > 0.0 && !scenario.Steps.empty() &&
        scenario.LoopSeconds <= scenario.Steps.back().At) {
        throw std::invalid_argument("the loop must come after the last step");
    }
    return scenario;
}

std::vector<std::string> BuiltinScenarioNames() {
    std::vector<std::string> names;
    for (const auto& [name, text] : Builtins()) {
        names.push_back(name);
    }
    return names;
}

TScenario LoadScenario(const std::string& nameOrFile) {
    auto it = Builtins().find(nameOrFile);
    if (it != Builtins().end()) {
        return ParseScenario(it->first, it->second);
    }
    std::ifstream file(nameOrFile);
    if (!file) {
        throw std::invalid_argument("no scenario or file named \"" + nameOrFile + "\"");
    }
    std::stringstream text;
    text << file.rdbuf();
    try {
        return ParseScenario(nameOrFile, text.str());
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(nameOrFile + ", " + e.what());
    }
}

std::vector<TAction> TScenarioPlayer::Advance(double seconds) {
    std::vector<TAction> due;
    FTime += seconds;
    for (;;) {
        while (FNext < FScenario.Steps.size() && FScenario.Steps[FNext].At <= FTime) {
            due.push_back(FScenario.Steps[FNext++].Action);
        }
        if (FScenario.LoopSeconds <= 0.0 || FTime < FScenario.LoopSeconds) {
            return due;
        }
        FTime -= FScenario.LoopSeconds;
        FNext = 0;
    }
}

} // namespace panel_sim
