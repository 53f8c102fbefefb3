#include "ui/status_page_tables.h"

#include "core/errors.h"
#include "model/led_blink.h"

#include <QCoreApplication>

#include <array>

namespace {

// clang-format off
constexpr std::array<TColumnHeaderRow, 3> Headers = {{
    {"A", 0, true}, {"B", 1, true}, {"C", 2, false},
}};

constexpr std::array<TOutputBoxRow, 9> Outputs = {{
    {0, {"CheckBoxChlaz", nullptr, nullptr, nullptr, nullptr}},
    {1, {"CheckBoxTechnol", nullptr, nullptr, nullptr, nullptr}},
    {2, {"CheckBoxPoplach", nullptr, nullptr, nullptr, nullptr}},
    {3, {"CheckBoxPred", nullptr, nullptr, nullptr, nullptr}},
    {4, {"CheckBoxPorucha", "CheckBoxPoruchaSL1", "CheckBoxPoruchaSl2", "CheckBoxPoruchaSl3",
         "CheckBoxPoruchaSl4"}},
    {5, {"CheckBoxTest", nullptr, nullptr, nullptr, nullptr}},
    {6, {"CheckBoxSir", nullptr, nullptr, nullptr, nullptr}},
    {7, {"CheckBoxVentil1", "CheckBoxVentilSl1", "CheckBoxVentilSl2", "CheckBoxVentilSl3",
         "CheckBoxVentilSl4"}},
    {8, {"CheckBoxVentil2", nullptr, nullptr, nullptr, nullptr}},
}};
// clang-format on

constexpr TDeviceNames IdEdits = {"EditID", "EditIDSl1", "EditIDSl2", "EditIDSL3", "EditIDSl4"};

constexpr std::array<TTextFieldRow, 3> EventFields = {{
    {"EditZac", "Start", "Event log start"},
    {"EditKon", "End", "Event log end"},
    {"EditMax", "Max", "Event log size"},
}};

constexpr TDeviceNames PageNames = {"Master", "TabSheetSl1", "TabSheetSl2", "TabSheetSl3",
                                    "TabSheetSl4"};

// The master's shape names by LED index; slots 7 and 15 have no LED.
constexpr std::array<const char*, 23> MasterLedNames = {
    "LedProvoz",        "LedPoruchaMem",    "LedPorucha",       "LedPoplach",
    "LedPredPoplachA",  "LedBlok",          "LedKlic",          nullptr,
    "Shape17",          "LedPoruchaSireny", "LedVadnaBaterie",  "LedPoruchaSite",
    "LedPoruchaP1",     "LedPoruchaC",      "LedPoruchaAB",     nullptr,
    "LedPoruchaVentil", "LedPoruchaRes",    "LedPoruchaKom",    "LedPoruchaLinka4",
    "LedPoruchaLinka3", "LedPoruchaLinka2", "LedPoruchaLinka1",
};

void CheckDevice(int device) {
    if (device < 0 || device >= DeviceCount) {
        throw ERangeError();
    }
}

} // namespace

const char* PageName(int device) {
    CheckDevice(device);
    return PageNames[static_cast<std::size_t>(device)];
}

QString PageCaption(int device) {
    static const char* const Captions[DeviceCount] = {"Master", "Slave 1", "Slave2", "Slave3",
                                                      "Slave4"};
    CheckDevice(device);
    return QCoreApplication::translate("TStatusPage", Captions[device]);
}

QString DeviceName(int device) {
    CheckDevice(device);
    return device == 0 ? QCoreApplication::translate("TStatusPage", "Master")
                       : QCoreApplication::translate("TStatusPage", "Slave %1").arg(device);
}

std::span<const TColumnHeaderRow> ColumnHeaders() {
    return Headers;
}

std::span<const TOutputBoxRow> OutputBoxes() {
    return Outputs;
}

const char* DeviceIdEditName(int device) {
    CheckDevice(device);
    return IdEdits[static_cast<std::size_t>(device)];
}

std::span<const TTextFieldRow> EventLogFields() {
    return EventFields;
}

QString LedShapeName(int device, int index) {
    CheckDevice(device);
    if (!IsLedIndex(index)) {
        throw ERangeError();
    }
    const QString name = QString::fromLatin1(MasterLedNames[static_cast<std::size_t>(index)]);
    return device == 0 ? name : name + QStringLiteral("Sl%1").arg(device);
}

int LedTag(int device, int index) {
    return 8000 + 100 * device + index;
}

QColor LedColour(int index) {
    if (index == 0) {
        return QColor(0x00, 0xFF, 0x00); // lime
    }
    if (index == 3 || index == 4) {
        return QColor(0xFF, 0x00, 0x00);
    }
    return QColor(0xFF, 0xFF, 0x00);
}

bool LedShownOnDevice(int device, int index) {
    if (device == 0) {
        return true;
    }
    return index != 9 && index != 13 && (index < 19 || index > 22);
}
