#include "core/errors.h"
#include "model/status_record.h"

#include "little_endian.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace {

using TPayload = std::array<uint8_t, StatusRecordSize>;

// The fifteen common values, written from `at` with values base, base+1, ... in record order
// (so a value read from the wrong offset shows as the wrong number).
void PutCommon(TPayload& p, std::size_t at, uint16_t base) {
    for (std::size_t i = 0; i < 15; ++i) {
        PutU16(&p[at + 2 * i], static_cast<uint16_t>(base + i));
    }
}

void ExpectCommon(const TMeasuredValues& v, uint16_t base) {
    const uint16_t expected[15] = {v.VA,   v.IA,    v.VB,   v.IB, v.VC, v.IC, v.VNet, v.VDet,
                                   v.VBat, v.VHas1, v.VSir, v.TE, v.TI, v.TB, v.P};
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(expected[i], base + i) << "common field " << i;
    }
}

} // namespace

TEST(DeviceIdText, IsTwelveUpperCaseDigitsMostSignificantFirst) {
    TPayload p{};
    for (int i = 0; i < 6; ++i) {
        p[i] = static_cast<uint8_t>(i + 1);
    }
    EXPECT_EQ(DeviceIdText(ReadMasterBlock(p.data()).ID), "060504030201");
    EXPECT_EQ(DeviceIdText(0xABCDEF0A0B0CULL), "ABCDEF0A0B0C");
    EXPECT_EQ(DeviceIdText(0), "000000000000");
    EXPECT_EQ(DeviceIdText(0x7), "000000000007");
    // Only the 48 bits of an ID are written.
    EXPECT_EQ(DeviceIdText(0xFFFF123456789ABCULL), "123456789ABC");
}

TEST(StatusRecord, MasterFieldsAtTheirOffsets) {
    TPayload p{};
    PutU48(&p[0], 0x665544332211ULL);
    PutU16(&p[6], 0x1234);
    PutU16(&p[8], 0x2345);
    PutU16(&p[10], 0x3456);
    PutCommon(p, 12, 1000);
    p[42] = 1;
    p[43] = 2;
    p[44] = 3;
    p[45] = 0x0F;
    PutU32(&p[46], 0x80400001);
    PutU32(&p[50], 0x00100008);
    PutU16(&p[54], 0x0101);
    p[56] = 5;
    p[57] = 6;
    p[58] = 7;
    p[59] = 8;
    p[60] = 9;
    PutU16(&p[61], 300);
    // The first slave's first byte follows the master's last; it must not leak into Tim.
    p[63] = 0xEE;

    const TMasterBlock m = ReadStatusRecord(p.data()).Master;
    EXPECT_EQ(m.ID, 0x665544332211ULL);
    EXPECT_EQ(m.EventStart, 0x1234);
    EXPECT_EQ(m.EventEnd, 0x2345);
    EXPECT_EQ(m.EventCapacity, 0x3456);
    ExpectCommon(m, 1000);
    EXPECT_EQ(m.LineA, 1);
    EXPECT_EQ(m.LineB, 2);
    EXPECT_EQ(m.LineC, 3);
    EXPECT_EQ(m.SlaveFlags, 0x0F);
    EXPECT_EQ(m.Led0, 0x80400001U);
    EXPECT_EQ(m.Led1, 0x00100008U);
    EXPECT_EQ(m.Out, 0x0101);
    EXPECT_EQ(m.stHas, 5);
    EXPECT_EQ(m.stBat, 6);
    EXPECT_EQ(m.stV1, 7);
    EXPECT_EQ(m.stSir, 8);
    EXPECT_EQ(m.stPro, 9);
    EXPECT_EQ(m.Tim, 300);
}

TEST(StatusRecord, EachSlaveReadsItsOwnBlock) {
    EXPECT_EQ(SlaveBlockOffset(1), 63u);
    EXPECT_EQ(SlaveBlockOffset(2), 118u);
    EXPECT_EQ(SlaveBlockOffset(3), 173u);
    EXPECT_EQ(SlaveBlockOffset(4), 228u);
    EXPECT_EQ(SlaveBlockOffset(4) + SlaveBlockSize, StatusRecordSize);

    TPayload p{};
    for (int k = 1; k <= 4; ++k) {
        const std::size_t b = SlaveBlockOffset(k);
        PutU48(&p[b], 0x100000000000ULL * k + 0xA0 + k);
        PutCommon(p, b + 6, static_cast<uint16_t>(10000 * k));
        p[b + 36] = 0xFF; // carried, not interpreted
        p[b + 37] = static_cast<uint8_t>(40 + k);
        p[b + 38] = static_cast<uint8_t>(10 + k);
        p[b + 39] = static_cast<uint8_t>(20 + k);
        p[b + 40] = static_cast<uint8_t>(30 + k);
        PutU32(&p[b + 41], 0x01000000U * k + 1);
        PutU32(&p[b + 45], 0x00010000U * k + 2);
        p[b + 49] = static_cast<uint8_t>(0x90 + k);
        p[b + 50] = 0xFF;
        p[b + 51] = static_cast<uint8_t>(50 + k);
        p[b + 52] = static_cast<uint8_t>(60 + k);
        p[b + 53] = 0xFF;
        p[b + 54] = 0xFF;
    }
    const TStatusRecord r = ReadStatusRecord(p.data());
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        const TSlaveBlock& s = r.Slaves[k - 1];
        EXPECT_EQ(s.ID, 0x100000000000ULL * k + 0xA0 + k);
        ExpectCommon(s, static_cast<uint16_t>(10000 * k));
        EXPECT_EQ(s.CMer, 40 + k);
        EXPECT_EQ(s.LineA, 10 + k);
        EXPECT_EQ(s.LineB, 20 + k);
        EXPECT_EQ(s.LineC, 30 + k);
        EXPECT_EQ(s.Led0, 0x01000000U * k + 1);
        EXPECT_EQ(s.Led1, 0x00010000U * k + 2);
        EXPECT_EQ(s.Out, 0x90 + k);
        EXPECT_EQ(s.stBat, 50 + k);
        EXPECT_EQ(s.stV1, 60 + k);
    }
}

TEST(StatusRecord, SlaveFourValveStateIsRecordByte280) {
    TPayload p{};
    p[280] = 3;
    const TStatusRecord r = ReadStatusRecord(p.data());
    EXPECT_EQ(r.Slaves[3].stV1, 3);
    EXPECT_EQ(r.Slaves[2].stV1, 0);
    EXPECT_EQ(r.Master.stV1, 0);
}

TEST(StatusRecord, WideFieldsAreUnsigned) {
    TPayload p;
    p.fill(0xFF);
    const TStatusRecord r = ReadStatusRecord(p.data());
    EXPECT_EQ(r.Master.ID, 0xFFFFFFFFFFFFULL);
    EXPECT_EQ(r.Master.TE, 65535); // never a negative temperature
    EXPECT_EQ(r.Master.Led1, 0xFFFFFFFFU);
    EXPECT_EQ(r.Master.Out, 0xFFFF);
    EXPECT_EQ(r.Slaves[3].Led0, 0xFFFFFFFFU);
    EXPECT_EQ(r.Slaves[3].ID, 0xFFFFFFFFFFFFULL);
}

TEST(StatusRecord, ValueByFieldCoversTheCommonFieldsOnly) {
    TPayload p{};
    PutCommon(p, 12, 500);
    const TMasterBlock m = ReadMasterBlock(p.data());
    for (std::size_t i = 0; i < CommonMeasureFields.size(); ++i) {
        EXPECT_EQ(m.Value(CommonMeasureFields[i]), 500 + i);
    }
    EXPECT_THROW(m.Value(TMeasureField::CMer), ERangeError);
    EXPECT_THROW(m.Value(TMeasureField::Tim), ERangeError);
}
