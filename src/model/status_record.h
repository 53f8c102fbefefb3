#pragma once
// The status record: the payload of the master's reply to 'A'. A 63-byte master block followed
// by four 55-byte slave blocks, little-endian and unaligned (slaves 1 and 3 start at odd
// offsets). All four slave blocks are always present; SlaveFlags says which slaves belong to
// the installation. Bytes the panel carries without a settled meaning are not kept here.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The fields the window shows as numbers. The first fifteen are common to master and slave
// blocks, in record order; CMer exists only on slaves, Tim only on the master.
enum class TMeasureField {
    VA,    // line A voltage, millivolts
    IA,    // line A current, microamperes
    VB,    // line B voltage, millivolts
    IB,    // line B current, microamperes
    VC,    // line C voltage, millivolts
    IC,    // line C current, microamperes
    VNet,  // mains voltage, millivolts
    VDet,  // lines supply voltage, millivolts
    VBat,  // battery voltage, millivolts
    VHas1, // valve 1 output voltage, millivolts
    VSir,  // acoustic signaller output voltage, millivolts
    TE,    // external temperature, tenths of a degree Celsius
    TI,    // internal temperature, tenths of a degree Celsius
    TB,    // battery temperature, tenths of a degree Celsius
    P,     // pressure, millibar
    CMer,  // measurement number (slaves)
    Tim,   // extinguishing time, tenths of a second (master)
};

// The fields the window shows as a choice from a fixed text list.
enum class TStateField { stHas, stPro, stSir, stV1, stBat, LineA, LineB, LineC };

constexpr std::size_t MasterBlockSize = 63;
constexpr std::size_t SlaveBlockSize = 55;
constexpr std::size_t StatusRecordSize = 283;
constexpr int SlaveCount = 4;
constexpr int DeviceCount = 5; // device 0 is the master, 1 to 4 the slaves

// Offset of slave k's block (k = 1..4) from the first byte of the record.
constexpr std::size_t SlaveBlockOffset(int k) {
    return MasterBlockSize + SlaveBlockSize * static_cast<std::size_t>(k - 1);
}

// The fifteen raw measured values that master and slave blocks share, in record order.
struct TMeasuredValues {
    uint16_t VA = 0;
    uint16_t IA = 0;
    uint16_t VB = 0;
    uint16_t IB = 0;
    uint16_t VC = 0;
    uint16_t IC = 0;
    uint16_t VNet = 0;
    uint16_t VDet = 0;
    uint16_t VBat = 0;
    uint16_t VHas1 = 0;
    uint16_t VSir = 0;
    uint16_t TE = 0;
    uint16_t TI = 0;
    uint16_t TB = 0;
    uint16_t P = 0;

    // The raw value of one of the fifteen common fields (VA to P); CMer and Tim are not
    // common and raise ERangeError.
    uint16_t Value(TMeasureField field) const;
};

// The fifteen common fields, in the order the window is given them.
constexpr std::array<TMeasureField, 15> CommonMeasureFields = {
    TMeasureField::VA,   TMeasureField::IA,    TMeasureField::VB,   TMeasureField::IB,
    TMeasureField::VC,   TMeasureField::IC,    TMeasureField::VNet, TMeasureField::VDet,
    TMeasureField::VBat, TMeasureField::VHas1, TMeasureField::VSir, TMeasureField::TE,
    TMeasureField::TI,   TMeasureField::TB,    TMeasureField::P,
};

struct TMasterBlock : TMeasuredValues {
    uint64_t ID = 0;            // 48-bit device ID
    uint16_t EventStart = 0;    // start index of the panel's event log
    uint16_t EventEnd = 0;      // end index of the panel's event log
    uint16_t EventCapacity = 0; // record slots in the panel's event log ring
    uint8_t LineA = 0;
    uint8_t LineB = 0;
    uint8_t LineC = 0;
    uint8_t SlaveFlags = 0; // bit k-1: slave k belongs to the installation
    uint32_t Led0 = 0;      // LED on mask, bit n = LED index n
    uint32_t Led1 = 0;      // LED blink mask
    uint16_t Out = 0;       // relay and output states
    uint8_t stHas = 0;
    uint8_t stBat = 0;
    uint8_t stV1 = 0;
    uint8_t stSir = 0;
    uint8_t stPro = 0;
    uint16_t Tim = 0; // extinguishing time, tenths of a second
};

struct TSlaveBlock : TMeasuredValues {
    uint64_t ID = 0;
    uint8_t CMer = 0; // measurement number, a plain count
    uint8_t LineA = 0;
    uint8_t LineB = 0;
    uint8_t LineC = 0;
    uint32_t Led0 = 0;
    uint32_t Led1 = 0;
    uint8_t Out = 0; // bit 4 failure relay, bit 7 valve
    uint8_t stBat = 0;
    uint8_t stV1 = 0;
};

struct TStatusRecord {
    TMasterBlock Master;
    std::array<TSlaveBlock, SlaveCount> Slaves; // Slaves[k - 1] is slave k
};

// Reads the master block starting at p (63 bytes are read).
TMasterBlock ReadMasterBlock(const uint8_t* p);
// Reads a slave block starting at p (55 bytes are read).
TSlaveBlock ReadSlaveBlock(const uint8_t* p);
// Reads the whole record from the first payload byte of a status reply. The length is not
// checked: the caller guarantees 283 readable bytes, which keep whatever they last held.
TStatusRecord ReadStatusRecord(const uint8_t* payload);

// The text form of a device ID: 12 upper-case hexadecimal digits, most significant byte first
// (only the low 48 bits are used).
std::string DeviceIdText(uint64_t id);
// A device ID read back from its text (EditID, the settings file): hexadecimal digits of either
// case up to the first other character; an empty text gives 0. More than 16 digits keep the low
// 64 bits.
uint64_t DeviceIdValue(const std::string& text);
