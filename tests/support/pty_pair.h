#pragma once
// A pseudo-terminal standing in for a serial line: the port under test opens SlavePath(), the
// test plays the far side through the master.

#include <chrono>
#include <string>
#include <termios.h>

class TPtyPair {
public:
    // Opens a pair in raw mode. The pair keeps a descriptor of its own on the slave so the far
    // side lives on while the port under test closes and opens again.
    TPtyPair();
    ~TPtyPair();
    TPtyPair(const TPtyPair&) = delete;
    TPtyPair& operator=(const TPtyPair&) = delete;

    const std::string& SlavePath() const { return FSlavePath; }

    // Sends bytes from the far side.
    void Send(const std::string& bytes);
    // Reads from the far side until count bytes have come or timeout passes; returns them.
    std::string Receive(std::size_t count, std::chrono::milliseconds timeout);
    // The line settings the slave has now (as the port under test left them).
    termios SlaveSettings() const;
    // The far side hangs up (like an adapter pulled): the master and the pair's own slave
    // descriptor are closed.
    void HangUp();

private:
    int FMaster = -1;
    int FSlave = -1;
    std::string FSlavePath;
};
