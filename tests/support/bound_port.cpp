#include "bound_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

std::string BoundPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return std::to_string(ntohs(address.sin_port));
}
