#include "veth_namespaces.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

TVethNamespaces::TVethNamespaces() {
    const std::string tag = std::to_string(::getpid());
    FPc = "orvant-pc-" + tag;
    FPanel = "orvant-panel-" + tag;
    // Interface names hold at most 15 characters.
    FPcEnd = "o2pc" + tag;
    const std::string& pcEnd = FPcEnd;
    FPanelEnd = "o2pl" + tag;
    const std::string& panelEnd = FPanelEnd;
    if (::geteuid() != 0) {
        FWhy = "making network namespaces takes root";
        return;
    }
    FReady = Ip("netns add " + FPc) && Ip("netns add " + FPanel) &&
             Ip("link add " + pcEnd + " type veth peer name " + panelEnd) &&
             Ip("link set " + pcEnd + " netns " + FPc) &&
             Ip("link set " + panelEnd + " netns " + FPanel) &&
             Ip("-n " + FPc + " addr add " + PcAddress + "/30 dev " + pcEnd) &&
             Ip("-n " + FPanel + " addr add " + PanelAddress + "/30 dev " + panelEnd) &&
             Ip("-n " + FPc + " link set lo up") && Ip("-n " + FPanel + " link set lo up") &&
             Ip("-n " + FPc + " link set " + pcEnd + " up") &&
             Ip("-n " + FPanel + " link set " + panelEnd + " up");
}

TVethNamespaces::~TVethNamespaces() {
    if (::geteuid() != 0) {
        return;
    }
    // Deleting a namespace takes its end of the pair, and with it the other end; a pair that
    // never got into its namespace is deleted on its own.
    for (const std::string& command :
         {"netns del " + FPc, "netns del " + FPanel, "link del " + FPcEnd}) {
        const std::string line = "ip " + command + " >/dev/null 2>&1";
        [[maybe_unused]] int ignored = std::system(line.c_str());
    }
}

bool TVethNamespaces::Ip(const std::string& arguments) {
    const std::string command = "ip " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (status == 0) {
        return true;
    }
    FWhy = "\"ip " + arguments + "\" failed (exit status " +
           std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
    return false;
}

bool TVethNamespaces::AddPanelAddress(const std::string& address) {
    return Ip("-n " + FPanel + " addr add " + address + "/32 dev " + FPanelEnd) &&
           Ip("-n " + FPc + " route add " + address + "/32 dev " + FPcEnd);
}

bool TVethNamespaces::HoldPcTraffic(bool hold) {
    const std::string command = "ip netns exec " + FPc + " tc qdisc " +
                                (hold ? "add dev " + FPcEnd +
                                            " root tbf rate 8bit burst 1600 "
                                            "limit 100000000"
                                      : "del dev " + FPcEnd + " root") +
                                " >/dev/null 2>&1";
    if (std::system(command.c_str()) == 0) {
        return true;
    }
    FWhy = "\"" + command + "\" failed";
    return false;
}

bool TVethNamespaces::EnterPc() {
    const std::string path = "/run/netns/" + FPc;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
        FWhy = "cannot enter " + path + ": " + std::strerror(errno);
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    }
    ::close(fd);
    return true;
}
