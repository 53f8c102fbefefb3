#pragma once
// The serial line's settings: their types, the component's defaults, the texts under which they
// are stored in "ComPort.ini" and listed in the settings dialog, and the flow-control summary.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>

enum TBaudRate : uint8_t {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};

enum TDataBits : uint8_t { dbFive, dbSix, dbSeven, dbEight };

enum TStopBits : uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };

enum TParityBits : uint8_t { prNone, prOdd, prEven, prMark, prSpace };

enum TDTRFlowControl : uint8_t { dtrDisable, dtrEnable, dtrHandshake };

enum TRTSFlowControl : uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };

// The flow-control record summarised in one word, as stored and offered in the dialog.
enum TFlowControl : uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };

struct TComParity {
    TParityBits Bits = prNone;
    bool Check = false;   // the receiver checks parity
    bool Replace = false; // bytes with a parity error are replaced by ReplaceChar
    uint8_t ReplaceChar = 0;
    bool operator==(const TComParity&) const = default;
};

struct TComFlowControl {
    TDTRFlowControl ControlDTR = dtrDisable;
    TRTSFlowControl ControlRTS = rtsDisable;
    bool OutCTSFlow = false;
    bool OutDSRFlow = false;
    bool XonXoffIn = false;
    bool XonXoffOut = false;
    bool DSRSensitivity = false;
    bool TxContinueOnXoff = false;
    uint8_t XonChar = 17;
    uint8_t XoffChar = 19;
    bool operator==(const TComFlowControl&) const = default;

    // fcHardware, fcSoftware or fcNone when RTS control, CTS output flow and both XON/XOFF flags
    // match that choice exactly; fcCustom otherwise. DTR, DSR and the XON/XOFF characters do not
    // count.
    TFlowControl FlowControl() const;
    // Sets exactly those four values for fcHardware, fcSoftware and fcNone; fcCustom changes
    // nothing.
    void SetFlowControl(TFlowControl value);
};

// Sizes of the driver's queues, in bytes. The XON/XOFF limits are a quarter of InputSize.
struct TComBuffer {
    int32_t InputSize = 1024;
    int32_t OutputSize = 1024;
    bool operator==(const TComBuffer&) const = default;
};

// Milliseconds; -1 stands for "no limit" in a total and "return at once" as ReadInterval.
// A write ends after at most WriteTotalConstant + WriteTotalMultiplier * bytes.
struct TComTimeouts {
    int32_t ReadInterval = -1;
    int32_t ReadTotalMultiplier = 0;
    int32_t ReadTotalConstant = 0;
    int32_t WriteTotalMultiplier = 100;
    int32_t WriteTotalConstant = 1000;
    bool operator==(const TComTimeouts&) const = default;
};

enum TComEvent : uint8_t {
    evRxChar,
    evTxEmpty,
    evRxFlag,
    evRing,
    evBreak,
    evCTS,
    evDSR,
    evError,
    evRLSD,
    evRx80Full
};

// A set of line events.
class TComEvents {
public:
    constexpr TComEvents() = default;
    constexpr TComEvents(std::initializer_list<TComEvent> events) {
        for (TComEvent event : events) {
            Include(event);
        }
    }
    static constexpr TComEvents All() {
        return {evRxChar, evTxEmpty, evRxFlag, evRing, evBreak,
                evCTS,    evDSR,     evError,  evRLSD, evRx80Full};
    }
    constexpr bool Contains(TComEvent event) const { return (FBits & Bit(event)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr void Include(TComEvent event) { FBits |= Bit(event); }
    constexpr void Exclude(TComEvent event) { FBits &= ~Bit(event); }
    constexpr bool operator==(const TComEvents&) const = default;

private:
    static constexpr uint16_t Bit(TComEvent event) { return uint16_t(1u << event); }
    uint16_t FBits = 0;
};

// The texts of the settings in enumeration order, as stored and listed.
extern const std::array<const char*, 16> BaudRateTexts;
extern const std::array<const char*, 4> DataBitsTexts;
extern const std::array<const char*, 3> StopBitsTexts;
extern const std::array<const char*, 5> ParityTexts;
extern const std::array<const char*, 4> FlowControlTexts;

std::string BaudRateToStr(TBaudRate value);
std::string DataBitsToStr(TDataBits value);
std::string StopBitsToStr(TStopBits value);
std::string ParityToStr(TParityBits value);
std::string FlowControlToStr(TFlowControl value);

// Reading a text back ignores letter case; a text that matches no entry gives the fallback:
// br9600, dbEight, sbOneStopBit, prNone, fcCustom (which leaves a flow-control record alone).
TBaudRate StrToBaudRate(const std::string& text);
TDataBits StrToDataBits(const std::string& text);
TStopBits StrToStopBits(const std::string& text);
TParityBits StrToParity(const std::string& text);
TFlowControl StrToFlowControl(const std::string& text);

// Bits per second of a table rate; 0 for brCustom, whose rate is held separately.
int32_t BaudRateToInt(TBaudRate value);
// Number of data bits, 5 to 8.
int DataBitsToInt(TDataBits value);
