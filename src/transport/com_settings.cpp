#include "transport/com_settings.h"

#include <cstddef>
#include <strings.h>

const std::array<const char*, 16> BaudRateTexts = {
    "Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
    "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
const std::array<const char*, 4> DataBitsTexts = {"5", "6", "7", "8"};
const std::array<const char*, 3> StopBitsTexts = {"1", "1.5", "2"};
const std::array<const char*, 5> ParityTexts = {"None", "Odd", "Even", "Mark", "Space"};
const std::array<const char*, 4> FlowControlTexts = {"Hardware", "Software", "None", "Custom"};

namespace {

constexpr std::array<int32_t, 16> BaudRateValues = {0,     110,    300,    600,   1200,  2400,
                                                    4800,  9600,   14400,  19200, 38400, 56000,
                                                    57600, 115200, 128000, 256000};

// The index of text in table ignoring letter case, or fallback when no entry matches.
template <std::size_t N>
std::size_t IndexOfText(const std::array<const char*, N>& table, const std::string& text,
                        std::size_t fallback) {
    for (std::size_t i = 0; i < N; ++i) {
        if (strcasecmp(table[i], text.c_str()) == 0) {
            return i;
        }
    }
    return fallback;
}

} // namespace

TFlowControl TComFlowControl::FlowControl() const {
    if (ControlRTS == rtsHandshake && OutCTSFlow && !XonXoffIn && !XonXoffOut) {
        return fcHardware;
    }
    if (ControlRTS == rtsDisable && !OutCTSFlow && XonXoffIn && XonXoffOut) {
        return fcSoftware;
    }
    if (ControlRTS == rtsDisable && !OutCTSFlow && !XonXoffIn && !XonXoffOut) {
        return fcNone;
    }
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
    switch (value) {
    case fcHardware:
        ControlRTS = rtsHandshake;
        OutCTSFlow = true;
        XonXoffIn = XonXoffOut = false;
        break;
    case fcSoftware:
        ControlRTS = rtsDisable;
        OutCTSFlow = false;
        XonXoffIn = XonXoffOut = true;
        break;
    case fcNone:
        ControlRTS = rtsDisable;
        OutCTSFlow = false;
        XonXoffIn = XonXoffOut = false;
        break;
    case fcCustom:
        break;
    }
}

std::string BaudRateToStr(TBaudRate value) {
    return BaudRateTexts.at(value);
}
std::string DataBitsToStr(TDataBits value) {
    return DataBitsTexts.at(value);
}
std::string StopBitsToStr(TStopBits value) {
    return StopBitsTexts.at(value);
}
std::string ParityToStr(TParityBits value) {
    return ParityTexts.at(value);
}
std::string FlowControlToStr(TFlowControl value) {
    return FlowControlTexts.at(value);
}

TBaudRate StrToBaudRate(const std::string& text) {
    return TBaudRate(IndexOfText(BaudRateTexts, text, br9600));
}

TDataBits StrToDataBits(const std::string& text) {
    return TDataBits(IndexOfText(DataBitsTexts, text, dbEight));
}

TStopBits StrToStopBits(const std::string& text) {
    return TStopBits(IndexOfText(StopBitsTexts, text, sbOneStopBit));
}

TParityBits StrToParity(const std::string& text) {
    return TParityBits(IndexOfText(ParityTexts, text, prNone));
}

TFlowControl StrToFlowControl(const std::string& text) {
    return TFlowControl(IndexOfText(FlowControlTexts, text, fcCustom));
}

int32_t BaudRateToInt(TBaudRate value) {
    return BaudRateValues.at(value);
}

int DataBitsToInt(TDataBits value) {
    return 5 + int(value);
}
