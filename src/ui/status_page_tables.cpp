#include "ui/status_page_tables.h"

#include "core/errors.h"
#include "model/led_blink.h"

#include <QCoreApplication>

#include <array>

namespace {

using F = TMeasureField;
using S = TStateField;

// clang-format off
constexpr std::array<TNumericFieldRow, 17> Numeric = {{
    {F::VA, 1000, "00.000 V", "Voltage", "Line A voltage", 1, true,
     {"NEditVa", "NEditVASl1", "NEditVASl2", "NEditVASl3", "NEditVASl4"}},
    {F::VB, 1000, "00.000 V", nullptr, "Line B voltage", 1, true,
     {"NEditVB", "NEditVBSl1", "NEditVBSl2", "NEditVBSl3", "NEditVBSl4"}},
    {F::VC, 1000, "00.000 V", nullptr, "Line C voltage", 1, false,
     {"NEditVc", "NEditVCSl1", "NEditVCSl2", "NEditVCSl3", "NEditVCSl4"}},
    {F::IA, 1000, "00.00 mA", "Current", "Line A current", 2, true,
     {"NEditiA", "NEditIASl1", "NEditIASl2", "NEditIASl3", "NEditIASl4"}},
    {F::IB, 1000, "00.00 mA", nullptr, "Line B current", 2, true,
     {"NEditiB", "NEditIBSl1", "NEditIBSl2", "NEditIBSl3", "NEditIBSl4"}},
    {F::IC, 1000, "00.00 mA", nullptr, "Line C current", 2, false,
     {"NEditiC", "NEditICSl1", "NEditICSl2", "NEditICSl3", "NEditICSl4"}},
    {F::VDet, 1000, "###00.00 V", "Lines voltage ", "Lines voltage", 3, true,
     {"NEditNapDet", "NEditNapDetSl1", "NEditNapDetSl2", "NEditNapDetSl3", "NEditNapDetSl4"}},
    {F::VBat, 1000, "00.00 V", "Battery", "Battery voltage", 3, true,
     {"NEditvBat", "NEditVBatSl1", "NEditVBatSl2", "NEditVbatSl3", "NEditVbatSl4"}},
    {F::VNet, 1000, "00.00 V", "Mains", "Mains voltage", 3, true,
     {"NEditVNet", "NEditVNetSl1", "NEditVNetSl2", "NeditVNetSl3", "NEditVNetSl4"}},
    {F::VSir, 1000, "00.000 V", "Acoustic", "Acoustic voltage", 4, false,
     {"NEditVSir", "NEditVSirSl1", "NEditVsirSl2", "NEditVSirSl3", "NEditVSirSl4"}},
    {F::VHas1, 1000, "00.000 V", "Valve 1", "Valve 1 voltage", 4, true,
     {"NEditVHas", "NEditVHasSl1", "NEditVhasSl2", "NEditVHasSl3", "NEditVHasSl4"}},
    {F::Tim, 10, "###0.0 s", "Time", "Extinguishing time", 4, false,
     {"NEditCasHas", nullptr, nullptr, nullptr, nullptr}},
    {F::CMer, 1, "0", "Measure num.", "Measure number", 4, true,
     {nullptr, "NEditCmerSl1", "NEditCMerSL2", "NEditCMerSl3", "NEditCMerSl4"}},
    {F::TI, 10, "###0.0 C", "Int. temp", "Internal temperature", 5, true,
     {"NEditTInt", "NEditTIntSl1", "NEditTIntSl2", "NEditTIntSl3", "NEditTIntSl4"}},
    {F::TE, 10, "###0.0 C", "Ext. temp", "External temperature", 5, true,
     {"NEditExtTemp", "NEditExtTempSl1", "NEditExtTempSl2", "NEditExtTempSl3", "NEditExtTempSl4"}},
    {F::TB, 10, "###0.0 C", "Batt. temp", "Battery temperature", 5, true,
     {"NEditTBat", "NEditTBatSL1", "NEditTBatSl2", "NEditTBatSl3", "NEditTBatSl4"}},
    {F::P, 1000, "###0.00 Bar", "Pressure", "Pressure", 6, true,
     {"NEditTlak", "NEditTlakSl1", "NEditTlakSl2", "NEditTlakSl3", "NEditTlakSl4"}},
}};

constexpr std::array<TColumnHeaderRow, 3> Headers = {{
    {"A", 0, true}, {"B", 1, true}, {"C", 2, false},
}};

constexpr std::array<TRadioGroupRow, 8> Radios = {{
    {S::stHas, "System state", 0, false, {"RadGrpHaseni", nullptr, nullptr, nullptr, nullptr}},
    {S::LineA, "Line A [0]", 0, true,
     {"RadGrpLinkaA", "RadGrpLinkaASl1", "RadGrpLinkaASl2", "RadGrpLinkaASl3", "RadGrpLinkaASl4"}},
    {S::LineB, "Line B [1]", 0, true,
     {"RadGrpLinkaB", "RadGrpLinKaBSl1", "RadGrpLinkaBSl2", "RadGrpLinkaBSl3", "RadGrpLinkaBSl4"}},
    {S::LineC, "Buttons [2]", 0, false,
     {"RadGrpLinkaC", "RadGrpLinkaCSl1", "RadGrpLinkaCSl2", "RadGrpLinkaCSl3", "RadGrpLinkaCSl4"}},
    {S::stV1, "Valve 1 state", 1, true,
     {"RadioGroupMag", "RadioGroupMagSl1", "RadioGroupMagSl2", "RadioGroupMagSl3",
      "RadioGroupMagSl4"}},
    {S::stSir, "Acoustic state", 1, false, {"RadioGroupSir", nullptr, nullptr, nullptr, nullptr}},
    {S::stBat, "Battery state", 1, true,
     {"RadioGroupBat", "RadioGroupBatSl1", "RadioGroupBatSl2", "RadioGroupBatSl3",
      "RadioGroupBatSl4"}},
    {S::stPro, "Operation state", 1, false,
     {"RadioGroupProv", nullptr, nullptr, nullptr, nullptr}},
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

std::span<const TNumericFieldRow> NumericFields() {
    return Numeric;
}

const TNumericFieldRow* FindNumericField(TMeasureField field) {
    for (const TNumericFieldRow& design : Numeric) {
        if (design.Field == field) {
            return &design;
        }
    }
    return nullptr;
}

std::span<const TColumnHeaderRow> ColumnHeaders() {
    return Headers;
}

std::span<const TRadioGroupRow> RadioGroups() {
    return Radios;
}

const TRadioGroupRow* FindRadioGroup(TStateField field) {
    for (const TRadioGroupRow& design : Radios) {
        if (design.Field == field) {
            return &design;
        }
    }
    return nullptr;
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
