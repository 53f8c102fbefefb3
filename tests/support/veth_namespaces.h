#pragma once
// Two network namespaces of the test's own, joined by a veth pair: the PC's side and the
// panel's, each with its loopback and one address on a /30 that leads nowhere else. Made with
// the `ip` tool (root needed) under names unique to this process, and deleted with everything
// in them when the object goes.

#include <string>

class TVethNamespaces {
public:
    // The two sides' addresses (they exist only inside the two namespaces).
    static constexpr const char* PcAddress = "10.214.0.1";
    static constexpr const char* PanelAddress = "10.214.0.2";

    TVethNamespaces();
    ~TVethNamespaces();
    TVethNamespaces(const TVethNamespaces&) = delete;
    TVethNamespaces& operator=(const TVethNamespaces&) = delete;

    // True when both namespaces and the pair stand; otherwise Why() says what failed.
    bool Ready() const { return FReady; }
    const std::string& Why() const { return FWhy; }

    const std::string& PcNamespace() const { return FPc; }
    const std::string& PanelNamespace() const { return FPanel; }

    // Gives the panel's side another address (a /32 on its end of the pair, routed to from the
    // PC's side), such as a trap at the default server address. False with the reason in Why().
    bool AddPanelAddress(const std::string& address);

    // Holds back (or lets go again) every frame leaving the PC's end of the pair, as a link that
    // takes nothing: a rate of one byte a second with room to queue 100 MB. False with the
    // reason in Why().
    bool HoldPcTraffic(bool hold);

    // Moves the calling process into the PC's namespace (call before any other thread exists;
    // threads started after live there too). False with the reason in Why().
    bool EnterPc();

private:
    bool Ip(const std::string& arguments);

    std::string FPc;
    std::string FPanel;
    std::string FPcEnd;
    std::string FPanelEnd;
    bool FReady = false;
    std::string FWhy;
};
