#pragma once
// The communication page's link controls as the core's link handlers read and set them.

#include "link/link_controls.h"

class TCommunicationPage;

class TLinkControlsView : public ILinkControls {
public:
    explicit TLinkControlsView(TCommunicationPage& page);

    int RefreshValue() const override;
    int SlavesValue() const override;
    void SetSlavesValue(int slaves) override;
    bool UdpChecked() const override;
    void SetIpEnabled(bool enabled) override;
    // Asks over the window, "No" being the default.
    bool Confirm(const std::string& question) override;

private:
    TCommunicationPage& FPage;
};
