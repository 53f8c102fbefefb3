#pragma once
// The status bar of the main window: where the link points, its state, the age of the last
// valid reply on a green, amber or red ground, and the counters since the start.

#include "link/link_health.h"
#include "link/status_bar_text.h"

#include <QElapsedTimer>
#include <QStatusBar>

class QLabel;

class TLinkStatusBar : public QStatusBar {
    Q_OBJECT
public:
    // The reply age's text is brought up to date at most this often (its colour at once).
    static constexpr int AgeRefreshMs = 1000;

    explicit TLinkStatusBar(QWidget* parent = nullptr);

    void ShowLink(const TStatusBarText& text, TAgeColour colour);

    // Room for every field's least form, the firmware's and the installation's too before they
    // show: the window's smallest size keeps all of them in sight.
    QSize minimumSizeHint() const override;
    // The firmware version of the installation answering now; empty hides it.
    void ShowFirmware(const QString& version);
    // The installation answering now: its ID with name and site; empty hides it.
    void ShowInstallation(const QString& label);

    QLabel* Target() const { return FTarget; }
    QLabel* State() const { return FState; }
    QLabel* Age() const { return FAge; }
    QLabel* Counters() const { return FCounters; }
    QLabel* Firmware() const { return FFirmware; }
    QLabel* Installation() const { return FInstallation; }
    TAgeColour AgeColour() const { return FColour; }

private:
    QLabel* AddLabel(QLabel* label, const char* name, const QString& spoken, int stretch);

    QLabel* FTarget;
    QLabel* FState;
    QLabel* FAge;
    QLabel* FCounters;
    QLabel* FFirmware;
    QLabel* FInstallation;
    TAgeColour FColour = TAgeColour::Amber;
    QElapsedTimer FAgeShown; // since the age's text was last brought up to date
};
