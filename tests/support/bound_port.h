#pragma once
// The port the system bound a socket to, as the decimal text the socket layer takes.

#include <string>

std::string BoundPort(int fd);
