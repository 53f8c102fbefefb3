// orvant2-panel-sim: an Orvant master unit on a pseudo-terminal, and over UDP when asked, for
// running, training on and testing Orvant2 without a panel. See --help.

#include "panel_sim/actions.h"
#include "panel_sim/front_end.h"
#include "panel_sim/keyboard.h"
#include "panel_sim/options.h"
#include "panel_sim/pty_link.h"
#include "panel_sim/scenario.h"
#include "panel_sim/sim_panel.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <poll.h>
#include <stdexcept>

using namespace panel_sim;

namespace {

volatile std::sig_atomic_t StopRequested = 0;

void OnStopSignal(int) {
    StopRequested = 1;
}

void InstallSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// Every line of output carries the PC's time, so a run can be laid beside the tool's logs.
void Log(const std::string& line) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::cout << stamp << ' ' << line << std::endl;
}

TSimPanelConfig PanelConfig(const TSimOptions& o) {
    TSimPanelConfig c;
    c.Installation.Ids = o.Ids;
    c.Installation.Slaves = o.Slaves;
    c.Installation.Seed = o.Seed;
    c.Capacity = o.Capacity;
    c.Backlog = o.Backlog;
    c.ImpossibleDateRecord = o.ImpossibleDate;
    c.Version = o.Version;
    c.LostRecord = o.LostRecord;
    c.EmptySlot = o.EmptySlot;
    c.AnswerGEvery = o.AnswerGEvery;
    c.Start = LocalNow();
    if (c.Start.Year < 2000 || c.Start.Year > 2133) {
        c.Start = TPanelDateTime{}; // a PC clock outside the panel calendar: start at 2000
    }
    return c;
}

void Apply(const TAction& action, TSimPanel& panel, const std::string& from) {
    try {
        Log(from + ": " + action.Text);
        ApplyAction(action, panel.Installation());
    } catch (const std::exception& e) {
        Log(from + ": cannot " + action.Text + ": " + e.what());
    }
}

// Returns false when the key asks to quit.
bool OnKey(char key, TSimPanel& panel) {
    const TInstallation& inst = panel.Installation();
    TKeyState state{inst.Unit(0).MainsFault, inst.Unit(0).BatteryFault,
                    inst.Slaves() >= 1 && inst.Unit(1).CommFault};
    auto action = KeyAction(key, state);
    if (!action) {
        return true;
    }
    if (*action == "quit") {
        return false;
    }
    Apply(ParseAction(*action), panel, "key");
    return true;
}

void Run(TSimPanel& panel, TPtyLink& link, TUdpLink* udp, TScenarioPlayer& player,
         TKeyboard& keyboard, std::chrono::milliseconds replyDelay, TReplyFaults faults) {
    TReplyDelay delay(replyDelay, faults);
    TSerialFrontEnd serial(link, panel, delay, Log);
    std::vector<IFrontEnd*> frontEnds{&serial};
    std::optional<TUdpFrontEnd> datagrams;
    if (udp != nullptr) {
        frontEnds.push_back(&datagrams.emplace(*udp, panel, delay, Log));
    }
    auto last = std::chrono::steady_clock::now();
    while (!StopRequested) {
        std::vector<pollfd> fds;
        for (IFrontEnd* f : frontEnds) {
            fds.push_back({f->PollFd(), POLLIN, 0});
        }
        if (keyboard.Active()) {
            fds.push_back({keyboard.Fd(), POLLIN, 0});
        }
        int ready = poll(fds.data(), fds.size(), delay.WaitMs(100));
        delay.SendDue();
        auto now = std::chrono::steady_clock::now();
        double seconds = std::chrono::duration<double>(now - last).count();
        last = now;
        panel.Advance(seconds);
        for (const TAction& action : player.Advance(seconds)) {
            Apply(action, panel, "scenario");
        }
        if (ready <= 0) {
            continue; // time-out, or a signal
        }
        for (std::size_t i = 0; i < frontEnds.size(); ++i) {
            if (fds[i].revents & POLLIN) {
                frontEnds[i]->OnReadable();
            }
        }
        if (keyboard.Active() && (fds.back().revents & POLLIN)) {
            std::optional<char> key = keyboard.ReadKey();
            if (key && !OnKey(*key, panel)) {
                return;
            }
        }
    }
}

void Announce(const TSimOptions& o, const TSimPanel& panel, const TPtyLink& link,
              const TUdpLink* udp) {
    char id[16];
    std::snprintf(id, sizeof id, "%012llX", static_cast<unsigned long long>(o.Ids[0]));
    Log("Orvant panel simulator: master " + std::string(id) + ", " + std::to_string(o.Slaves) +
        " slaves, event log " + std::to_string(panel.Ring().Start()) + ".." +
        std::to_string(panel.Ring().End()) + " of " + std::to_string(panel.Ring().Capacity()) +
        ", scenario " + o.Scenario + ", clock " + FormatPanelTime(panel.Clock().Now()));
    Log("serial line: " + link.SlavePath() +
        (link.LinkPath().empty() ? "" : " (link " + link.LinkPath() + ")"));
    if (udp != nullptr) {
        Log("UDP: " + udp->LocalText());
    }
}

} // namespace

int main(int argc, char** argv) {
    TSimOptions options;
    TScenario scenario;
    std::optional<sockaddr_in> udpEndpoint;
    try {
        options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.Help) {
            std::cout << HelpText();
            return 0;
        }
        scenario = LoadScenario(options.Scenario);
        if (!options.Udp.empty()) {
            udpEndpoint = TUdpLink::ParseEndpoint(options.Udp);
        }
    } catch (const std::exception& e) {
        std::cerr << "orvant2-panel-sim: " << e.what() << "\n";
        return 2;
    }
    InstallSignals();
    try {
        TSimPanel panel(PanelConfig(options), Log);
        panel.SetVerbose(options.Verbose);
        TScenarioPlayer player(scenario);
        TKeyboard keyboard(options.Keys);
        std::optional<TUdpLink> udp;
        if (udpEndpoint) {
            udp.emplace(*udpEndpoint);
        }
        TPtyLink link(options.Link); // last: the link appears once the panel can answer
        Announce(options, panel, link, udp ? &*udp : nullptr);
        if (keyboard.Active()) {
            Log("keys: p prealarm, a alarm, e extinguish, r reset, m mains, b battery, "
                "s slave 1, q quit");
        }
        Run(panel, link, udp ? &*udp : nullptr, player, keyboard,
            std::chrono::milliseconds(options.ReplyDelayMs),
            TReplyFaults{options.DuplicateEvery, options.HoldBackEvery});
        Log("stopped");
    } catch (const std::exception& e) {
        std::cerr << "orvant2-panel-sim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
