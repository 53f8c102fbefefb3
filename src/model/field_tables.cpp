#include "model/field_tables.h"

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

// clang-format on

} // namespace

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

bool ShownOnDevice(const TDeviceNames& names, bool shownOnSlave, int device) {
    return names[static_cast<std::size_t>(device)] != nullptr && (device == 0 || shownOnSlave);
}

std::string FieldValueText(const TNumericFieldRow& row, uint16_t raw,
                           const TFormatSymbols& symbols) {
    const long double value = static_cast<long double>(raw) / static_cast<long double>(row.Divisor);
    return FormatFloat(row.Format, value, symbols);
}
