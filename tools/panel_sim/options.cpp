#include "panel_sim/options.h"

#include "panel_sim/scenario.h"

#include <charconv>
#include <sstream>
#include <stdexcept>

namespace panel_sim {

namespace {

uint64_t Unsigned(const std::string& text, uint64_t high, int base, const std::string& what) {
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > high) {
        throw std::invalid_argument(what + ": \"" + text + "\" is not a number from 0 to " +
                                    std::to_string(high));
    }
    return value;
}

// "--id HEX[,HEX...]": the master's ID, then the slaves'. Slaves not named get the master's ID
// plus their number.
void ParseIds(const std::string& text, std::array<uint64_t, 5>& ids) {
    std::istringstream in(text);
    std::size_t n = 0;
    for (std::string part; std::getline(in, part, ',');) {
        if (n == ids.size()) {
            throw std::invalid_argument("--id: at most five IDs (master and four slaves)");
        }
        ids[n++] = Unsigned(part, 0xFFFFFFFFFFFFull, 16, "--id");
    }
    if (n == 0) {
        throw std::invalid_argument("--id needs a hexadecimal device ID");
    }
    for (std::size_t k = n; k < ids.size(); ++k) {
        ids[k] = (ids[0] + k) & 0xFFFFFFFFFFFFull;
    }
}

} // namespace

TSimOptions ParseOptions(const std::vector<std::string>& args) {
    TSimOptions o;
    for (std::size_t k = 0; k < o.Ids.size(); ++k) {
        o.Ids[k] = DefaultMasterId + k;
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw std::invalid_argument(a + " needs a value");
            }
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.Help = true;
        } else if (a == "--link") {
            o.Link = value();
        } else if (a == "--udp") {
            o.Udp = value();
        } else if (a == "--slaves") {
            o.Slaves = static_cast<int>(Unsigned(value(), 4, 10, a));
        } else if (a == "--backlog") {
            o.Backlog = static_cast<uint32_t>(Unsigned(value(), 1000000, 10, a));
        } else if (a == "--impossible-date") {
            o.ImpossibleDate = static_cast<uint32_t>(Unsigned(value(), 1000000, 10, a));
        } else if (a == "--capacity") {
            o.Capacity = static_cast<uint16_t>(Unsigned(value(), 65535, 10, a));
            if (o.Capacity == 0) {
                throw std::invalid_argument("--capacity: the event ring needs at least 1 slot");
            }
        } else if (a == "--seed") {
            o.Seed = static_cast<uint32_t>(Unsigned(value(), UINT32_MAX, 10, a));
        } else if (a == "--scenario") {
            o.Scenario = value();
        } else if (a == "--id") {
            ParseIds(value(), o.Ids);
        } else if (a == "--version") {
            o.Version = value();
            if (o.Version.size() > 127) {
                throw std::invalid_argument("--version: at most 127 characters");
            }
        } else if (a == "--reply-delay") {
            o.ReplyDelayMs = static_cast<uint32_t>(Unsigned(value(), 60000, 10, a));
        } else if (a == "--lose-record") {
            o.LostRecord = static_cast<uint16_t>(Unsigned(value(), 65535, 10, a));
        } else if (a == "--empty-slot") {
            o.EmptySlot = static_cast<uint16_t>(Unsigned(value(), 65535, 10, a));
        } else if (a == "--answer-g-every") {
            o.AnswerGEvery = static_cast<uint32_t>(Unsigned(value(), 1000, 10, a));
            if (o.AnswerGEvery == 0) {
                throw std::invalid_argument("--answer-g-every: 1 answers every request");
            }
        } else if (a == "--duplicate-every") {
            o.DuplicateEvery = static_cast<uint32_t>(Unsigned(value(), 1000, 10, a));
        } else if (a == "--hold-back-every") {
            o.HoldBackEvery = static_cast<uint32_t>(Unsigned(value(), 1000, 10, a));
        } else if (a == "--verbose" || a == "-v") {
            o.Verbose = true;
        } else if (a == "--no-keys") {
            o.Keys = false;
        } else {
            throw std::invalid_argument("unknown option \"" + a + "\" (see --help)");
        }
    }
    return o;
}

std::string HelpText() {
    std::string names;
    for (const std::string& n : BuiltinScenarioNames()) {
        names += (names.empty() ? "" : ", ") + n;
    }
    return "Usage: orvant2-panel-sim [options]\n"
           "\n"
           "Plays an Orvant master unit (with its slaves) on a pseudo-terminal, so that Orvant2\n"
           "can be run, trained on and tested without a panel. Point the tool's serial port\n"
           "(ComPort.ini, Port=) at the link path, or with --udp answer over UDP as well\n"
           "(Kelm2.ini, UDP=1, IP=the address). The panel answers 'A' (status), 'G' (event\n"
           "record), 'U' (event indices) and 'V' (version), and carries out 'S' (slaves) and\n"
           "'T' (clock).\n"
           "\n"
           "Options:\n"
           "  --link PATH         make PATH a symlink to the pseudo-terminal (removed on exit);\n"
           "                      without it the terminal's own path is printed\n"
           "  --udp ADDR[:PORT]   answer datagrams on this IPv4 address and port (default port\n"
           "                      1501) as well, replying to each sender\n"
           "  --slaves N          slaves in the installation, 0 to 4 (default 2)\n"
           "  --backlog N         old events already in the log at start (default 20)\n"
           "  --impossible-date N backlog record N (from 0) is stamped 31 February, as a panel\n"
           "                      whose clock was set wrongly logs it\n"
           "  --capacity N        event log slots, 1 to 65535 (default 500); the log wraps\n"
           "  --seed N            seed of the measured values' drift (default 1): the same seed\n"
           "                      gives the same values\n"
           "  --scenario NAME|FILE  what happens, and when (default quiet). Built in: " +
           names +
           ".\n"
           "                      A file has lines \"SECONDS ACTION\", \"+SECONDS ACTION\" (after\n"
           "                      the step before) and \"loop SECONDS\"; '#' starts a comment\n"
           "  --id HEX[,HEX...]   device IDs of master and slaves, up to 12 hex digits each\n"
           "                      (default 00A1B2C3D400; slaves not named get master + k)\n"
           "  --version TEXT      the firmware version the panel reports (default V2.10 SIM)\n"
           "  --reply-delay MS    send every reply this many milliseconds late, as a slow link\n"
           "                      or a busy panel does (default 0)\n"
           "  --lose-record N     never answer the request for event record N\n"
           "  --empty-slot N      answer event record N as an empty slot, whatever the log holds\n"
           "  --answer-g-every N  answer 'G' only every N-th time it comes (default 1: always)\n"
           "  --duplicate-every N send every N-th reply twice (default 0: none)\n"
           "  --hold-back-every N hold every N-th reply back and send it after the next one\n"
           "                      (at most a second late; default 0: none)\n"
           "  --verbose, -v       note every request, the status polls too\n"
           "  --no-keys           do not read keys from the terminal\n"
           "  --help, -h          this text\n"
           "\n"
           "Actions (scenario files):\n"
           "  prealarm [A|B] [DEV]   alarm [DEV]   extinguish   reset\n"
           "  mains-fail [DEV]   mains-ok [DEV]   battery-fault [DEV]   battery-ok [DEV]\n"
           "  slave-fault [K]   slave-ok [K]   slaves N   event CODE [DEV [LOOP]]\n"
           "  log-restart   (the event log is cleared and numbered from 0 again)\n"
           "  log-refill N   (cleared, then N records written at once)\n"
           "  log-capacity N   (N slots; the newest records kept, numbered from 0 again)\n"
           "  line DEV A|B|C silent|disconnected|short|failure|off\n"
           "  set DEV VALUE LEVEL|auto   (VA IA VB IB VC IC VNet VDet VBat VHas1 VSir TE TI TB P,\n"
           "                              raw units: mV, uA, 0.1 C, mbar)\n"
           "  DEV is 0 for the master, 1 to 4 for a slave.\n"
           "\n"
           "Keys (when stdin is a terminal):\n"
           "  p prealarm   a alarm   e extinguish   r reset\n"
           "  m mains failure on/off   b battery fault on/off   s slave 1 fault on/off   q quit\n"
           "\n"
           "SIGINT and SIGTERM end it cleanly; the link symlink is removed.\n";
}

} // namespace panel_sim
