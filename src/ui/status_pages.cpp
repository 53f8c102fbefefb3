#include "ui/status_pages.h"

#include "core/comm_log.h"
#include "core/errors.h"
#include "ui/led_shape.h"
#include "ui/stale_marker.h"
#include "ui/status_page.h"

#include <QLineEdit>
#include <QWidget>

namespace {

void CheckSlave(int slave) {
    if (slave < 1 || slave > SlaveCount) {
        throw ERangeError();
    }
}

} // namespace

TStatusPages::TStatusPages(const TPanelState& state, QObject* parent)
    : QObject(parent), FState(state) {
    for (int device = 0; device < DeviceCount; ++device) {
        auto* page = new TStatusPage(device);
        FPages[static_cast<std::size_t>(device)] = page;
        FStaleMarkers[static_cast<std::size_t>(device)] = new TStaleMarker(page);
    }
}

TStatusPages::~TStatusPages() {
    // Pages nobody took into a window are still ours.
    for (const QPointer<TStatusPage>& page : FPages) {
        if (page != nullptr && page->parent() == nullptr) {
            delete page.data();
        }
    }
}

TStatusPage* TStatusPages::Page(int device) const {
    if (device < 0 || device >= DeviceCount) {
        throw ERangeError();
    }
    return FPages[static_cast<std::size_t>(device)];
}

void TStatusPages::ShowDeviceId(int device, const std::string& idText) {
    Page(device)->ShowDeviceId(QString::fromLatin1(idText));
}

void TStatusPages::ShowValue(int device, TMeasureField field, uint16_t raw) {
    Page(device)->ShowValue(field, raw);
}

void TStatusPages::ShowStateCode(int device, TStateField field, uint8_t code) {
    Page(device)->ShowStateCode(field, code);
}

void TStatusPages::ShowOutputs(int device, uint16_t out) {
    Page(device)->ShowOutputs(out);
}

void TStatusPages::ShowSlavePage(int slave, bool shown) {
    CheckSlave(slave);
    bool& wanted = FSlaveShown[static_cast<std::size_t>(slave - 1)];
    if (wanted != shown) {
        wanted = shown;
        emit SlavePageShownChanged(slave, shown);
    }
}

bool TStatusPages::SlavePageShown(int slave) const {
    CheckSlave(slave);
    return FSlaveShown[static_cast<std::size_t>(slave - 1)];
}

void TStatusPages::ShowEventIndices(uint16_t start, uint16_t end, uint16_t capacity) {
    const TStatusPage* master = Master();
    master->EditZac()->setText(QString::number(start));
    master->EditKon()->setText(QString::number(end));
    master->EditMax()->setText(QString::number(capacity));
}

void TStatusPages::BuildLedTable(QWidget* window, ICommLog& log) {
    TLedTable table{};
    for (TShape* shape : window->findChildren<TShape*>()) {
        const int tag = shape->Tag();
        if (tag < 8000) {
            log.AddLine("********************  " + shape->objectName().toStdString());
            continue;
        }
        const int row = (tag - 8000) / 100;
        const int index = (tag - 8000) % 100;
        if (row >= DeviceCount || index > 22) {
            throw ERangeError();
        }
        table[static_cast<std::size_t>(row)][static_cast<std::size_t>(index)] = shape;
    }
    FLedTable = table;
}

TShape* TStatusPages::LedAt(int device, int index) const {
    if (device < 0 || device >= DeviceCount || index < 0 || index > 22) {
        return nullptr;
    }
    return FLedTable[static_cast<std::size_t>(device)][static_cast<std::size_t>(index)];
}

void TStatusPages::SetStale(bool stale, const QString& lastReply) {
    for (TStaleMarker* marker : FStaleMarkers) {
        marker->SetStale(stale, lastReply);
    }
    if (stale == FStale) {
        return;
    }
    FStale = stale;
    for (const auto& row : FLedTable) {
        for (TShape* shape : row) {
            if (shape != nullptr) {
                shape->SetGreyed(stale);
            }
        }
    }
}

TStaleMarker* TStatusPages::StaleMarker(int device) const {
    Page(device); // checks the device number
    return FStaleMarkers[static_cast<std::size_t>(device)];
}

void TStatusPages::TimerLedTimer() {
    if (FStale) {
        return; // old masks must not blink as if they were live
    }
    FBlinker.Tick(FState, [this](const TLedRefresh& led) {
        if (TShape* shape = LedAt(led.Device, led.Index)) {
            shape->SetLit(led.Lit);
        }
    });
}
