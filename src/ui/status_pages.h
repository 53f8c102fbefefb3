#pragma once
// The five status pages (master and slaves 1 to 4) as the status decoder sees them, and the LEDs
// on them: the LED table built from the shapes' tags and the 200 ms LED tick that draws each LED
// lit, dark or blinking from the panel state's masks.
//
// The main window puts the pages into its page control (with PageCaption as tab caption), calls
// BuildLedTable when it is shown, runs TimerLedTimer from its LED timer and shows or hides a slave
// page's tab when SlavePageShownChanged says so.

#include "model/event_bookkeeping.h"
#include "model/led_blink.h"
#include "model/panel_state.h"
#include "model/status_view.h"

#include <QObject>
#include <QPointer>

#include <array>

class ICommLog;
class QWidget;
class TShape;
class TStaleMarker;
class TStatusPage;

class TStatusPages : public QObject, public IStatusView, public IEventIndexView {
    Q_OBJECT

public:
    // Builds the five pages; they belong to whoever takes them into a widget (until then, to
    // this object). `state` is read at every LED tick and must outlive this object.
    explicit TStatusPages(const TPanelState& state, QObject* parent = nullptr);
    ~TStatusPages() override;

    // Device 0 (master) to 4; anything else raises ERangeError.
    TStatusPage* Page(int device) const;
    TStatusPage* Master() const { return Page(0); }
    TStatusPage* Slave(int k) const { return Page(k); }

    // IStatusView. A device outside 0 to 4 raises ERangeError.
    void ShowDeviceId(int device, const std::string& idText) override;
    void ShowValue(int device, TMeasureField field, uint16_t raw) override;
    void ShowStateCode(int device, TStateField field, uint8_t code) override;
    void ShowOutputs(int device, uint16_t out) override;
    // Records whether slave k's page should be shown, and signals a change. All four start
    // shown, as the window is designed.
    void ShowSlavePage(int slave, bool shown) override;
    bool SlavePageShown(int slave) const;
    // The master page's event log counters "Start", "End" and "Max", in decimal.
    void ShowEventIndices(uint16_t start, uint16_t end, uint16_t capacity) override;

    // Fills the LED table from every shape under `window` by its tag: a tag below 8000 is not
    // an LED and is reported as "********************  " + the shape's name in `log`; otherwise
    // row = (tag - 8000) / 100 and index = (tag - 8000) % 100 must lie in 0 to 4 and 0 to 22, or
    // the table is left as it was and ERangeError raised.
    void BuildLedTable(QWidget* window, ICommLog& log);
    // The shape the LED table holds for a device's LED index, or null.
    TShape* LedAt(int device, int index) const;

    // The LED tick, every 200 ms: advances the blink counter and redraws every LED in the table.
    // While the values are stale the LEDs keep their last look and do not blink.
    void TimerLedTimer();

    // Marks every page's values as old (greyed, with the time of the last reply) or live
    // again; LEDs are greyed with them.
    void SetStale(bool stale, const QString& lastReply);
    bool Stale() const { return FStale; }
    TStaleMarker* StaleMarker(int device) const;
    TLedBlinker& Blinker() { return FBlinker; }

signals:
    void SlavePageShownChanged(int slave, bool shown);

private:
    using TLedTable = std::array<std::array<TShape*, 23>, DeviceCount>;

    const TPanelState& FState;
    std::array<QPointer<TStatusPage>, DeviceCount> FPages;
    std::array<bool, SlaveCount> FSlaveShown{true, true, true, true};
    TLedTable FLedTable{};
    TLedBlinker FBlinker;
    std::array<TStaleMarker*, DeviceCount> FStaleMarkers{};
    bool FStale = false;
};
