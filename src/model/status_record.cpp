#include "model/status_record.h"

#include "core/bytes.h"
#include "core/errors.h"

#include <cstdio>

namespace {

// The fifteen common values lie back to back, two bytes each, from p.
void ReadMeasuredValues(const uint8_t* p, TMeasuredValues& v) {
    v.VA = ReadU16(p + 0);
    v.IA = ReadU16(p + 2);
    v.VB = ReadU16(p + 4);
    v.IB = ReadU16(p + 6);
    v.VC = ReadU16(p + 8);
    v.IC = ReadU16(p + 10);
    v.VNet = ReadU16(p + 12);
    v.VDet = ReadU16(p + 14);
    v.VBat = ReadU16(p + 16);
    v.VHas1 = ReadU16(p + 18);
    v.VSir = ReadU16(p + 20);
    v.TE = ReadU16(p + 22);
    v.TI = ReadU16(p + 24);
    v.TB = ReadU16(p + 26);
    v.P = ReadU16(p + 28);
}

} // namespace

uint16_t TMeasuredValues::Value(TMeasureField field) const {
    switch (field) {
    case TMeasureField::VA:
        return VA;
    case TMeasureField::IA:
        return IA;
    case TMeasureField::VB:
        return VB;
    case TMeasureField::IB:
        return IB;
    case TMeasureField::VC:
        return VC;
    case TMeasureField::IC:
        return IC;
    case TMeasureField::VNet:
        return VNet;
    case TMeasureField::VDet:
        return VDet;
    case TMeasureField::VBat:
        return VBat;
    case TMeasureField::VHas1:
        return VHas1;
    case TMeasureField::VSir:
        return VSir;
    case TMeasureField::TE:
        return TE;
    case TMeasureField::TI:
        return TI;
    case TMeasureField::TB:
        return TB;
    case TMeasureField::P:
        return P;
    case TMeasureField::CMer:
    case TMeasureField::Tim:
        break;
    }
    throw ERangeError();
}

TMasterBlock ReadMasterBlock(const uint8_t* p) {
    TMasterBlock m;
    m.ID = ReadU48(p + 0);
    m.EventStart = ReadU16(p + 6);
    m.EventEnd = ReadU16(p + 8);
    m.EventCapacity = ReadU16(p + 10);
    ReadMeasuredValues(p + 12, m);
    m.LineA = p[42];
    m.LineB = p[43];
    m.LineC = p[44];
    m.SlaveFlags = p[45];
    m.Led0 = ReadU32(p + 46);
    m.Led1 = ReadU32(p + 50);
    m.Out = ReadU16(p + 54);
    m.stHas = p[56];
    m.stBat = p[57];
    m.stV1 = p[58];
    m.stSir = p[59];
    m.stPro = p[60];
    m.Tim = ReadU16(p + 61);
    return m;
}

TSlaveBlock ReadSlaveBlock(const uint8_t* p) {
    TSlaveBlock s;
    s.ID = ReadU48(p + 0);
    ReadMeasuredValues(p + 6, s);
    // Byte 36 is carried but not interpreted.
    s.CMer = p[37];
    s.LineA = p[38];
    s.LineB = p[39];
    s.LineC = p[40];
    s.Led0 = ReadU32(p + 41);
    s.Led1 = ReadU32(p + 45);
    s.Out = p[49];
    // Byte 50 is carried but not interpreted.
    s.stBat = p[51];
    s.stV1 = p[52];
    // Bytes 53 and 54 are carried but not interpreted.
    return s;
}

TStatusRecord ReadStatusRecord(const uint8_t* payload) {
    TStatusRecord r;
    r.Master = ReadMasterBlock(payload);
    for (int k = 1; k <= SlaveCount; ++k) {
        r.Slaves[k - 1] = ReadSlaveBlock(payload + SlaveBlockOffset(k));
    }
    return r;
}

std::string DeviceIdText(uint64_t id) {
    char text[13];
    std::snprintf(text, sizeof text, "%012llX",
                  static_cast<unsigned long long>(id & 0xFFFFFFFFFFFFULL));
    return text;
}

uint64_t DeviceIdValue(const std::string& text) {
    uint64_t value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            break;
        }
        value = (value << 4) | static_cast<uint64_t>(digit);
    }
    return value;
}
