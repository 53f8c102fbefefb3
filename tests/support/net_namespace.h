#pragma once
// A network of the test's own: a fresh network namespace with nothing but loopback, so that a
// tool polling its default server address cannot reach any real network.

#include <string>

// Moves the calling process (its main thread, and every thread started after) into a new
// network namespace and brings its loopback up. Call before any other thread exists. False
// with the reason in `why` when the system refuses (it takes root).
bool EnterPrivateNetworkNamespace(std::string& why);

// True when the system has no route to the IPv4 address: connecting a UDP socket to it (which
// sends nothing) fails with "network unreachable".
bool NoRouteTo(const std::string& dottedAddress);
