#pragma once
// The serial line the simulator plays on: a pseudo-terminal in raw mode. The tool opens its
// slave side like a serial port; a stable symlink can point at it so that the tool's settings
// need not change from run to run.

#include <cstdint>
#include <string>
#include <vector>

namespace panel_sim {

class TPtyLink {
public:
    // Opens the pseudo-terminal and, when linkPath is not empty, makes linkPath a symlink to
    // its slave side. An old symlink at linkPath (left by a run that was killed) is replaced;
    // anything else there is left alone and raises std::runtime_error, as do failures of the
    // system calls.
    explicit TPtyLink(const std::string& linkPath);
    // Removes the symlink if it still points at this terminal, and closes the terminal.
    ~TPtyLink();
    TPtyLink(const TPtyLink&) = delete;
    TPtyLink& operator=(const TPtyLink&) = delete;

    // The descriptor to wait on for bytes from the tool.
    int Fd() const { return FMaster; }
    const std::string& SlavePath() const { return FSlavePath; }
    const std::string& LinkPath() const { return FLinkPath; }

    // The bytes waiting now (possibly none); never blocks.
    std::vector<uint8_t> Read();
    // Writes a whole frame. If nobody reads and the terminal's buffer is full, the rest is
    // dropped as a line would lose it; the tool asks again.
    void Write(const std::vector<uint8_t>& bytes);

private:
    void MakeSymlink();

    int FMaster = -1;
    int FSlave = -1; // held open so the line stays up while the tool closes and reopens it
    std::string FSlavePath;
    std::string FLinkPath;
};

} // namespace panel_sim
