#include "net_namespace.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool BringLoopbackUp(std::string& why) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        why = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ::ioctl(s, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP;
    up = up && ::ioctl(s, SIOCSIFFLAGS, &request) == 0;
    if (!up) {
        why = std::string("loopback up: ") + std::strerror(errno);
    }
    ::close(s);
    return up;
}

} // namespace

bool EnterPrivateNetworkNamespace(std::string& why) {
    if (::unshare(CLONE_NEWNET) != 0) {
        why = std::string("cannot make a network namespace (") + std::strerror(errno) +
              "); it takes root";
        return false;
    }
    return BringLoopbackUp(why);
}

bool NoRouteTo(const std::string& dottedAddress) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return false;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9); // discard; connect on a datagram socket sends nothing
    const bool parsed = ::inet_pton(AF_INET, dottedAddress.c_str(), &to.sin_addr) == 1;
    const bool unreachable = parsed &&
                             ::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 &&
                             errno == ENETUNREACH;
    ::close(s);
    return unreachable;
}
