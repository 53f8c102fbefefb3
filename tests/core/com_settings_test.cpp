#include "core/errors.h"
#include "core/event_queue.h"
#include "temp_dir.h"
#include "transport/com_port.h"
#include "transport/com_port_errors.h"
#include "transport/com_settings.h"
#include "transport/serial_device.h"

#include <gtest/gtest.h>

TEST(ComSettingsTexts, EveryEntryReadsBackToItselfInAnyLetterCase) {
    for (std::size_t i = 0; i < BaudRateTexts.size(); ++i) {
        EXPECT_EQ(StrToBaudRate(BaudRateToStr(TBaudRate(i))), TBaudRate(i));
    }
    for (std::size_t i = 0; i < ParityTexts.size(); ++i) {
        EXPECT_EQ(StrToParity(ParityToStr(TParityBits(i))), TParityBits(i));
    }
    for (std::size_t i = 0; i < StopBitsTexts.size(); ++i) {
        EXPECT_EQ(StrToStopBits(StopBitsToStr(TStopBits(i))), TStopBits(i));
    }
    for (std::size_t i = 0; i < DataBitsTexts.size(); ++i) {
        EXPECT_EQ(StrToDataBits(DataBitsToStr(TDataBits(i))), TDataBits(i));
    }
    EXPECT_EQ(StrToBaudRate("custom"), brCustom);
    EXPECT_EQ(StrToBaudRate("CUSTOM"), brCustom);
    EXPECT_EQ(StrToParity("sPaCe"), prSpace);
    EXPECT_EQ(StrToFlowControl("hardware"), fcHardware);
    EXPECT_EQ(StrToFlowControl("SOFTWARE"), fcSoftware);
    EXPECT_EQ(BaudRateToStr(br14400), "14400");
    EXPECT_EQ(StopBitsToStr(sbOne5StopBits), "1.5");
    EXPECT_EQ(FlowControlToStr(fcNone), "None");
}

TEST(ComSettingsTexts, UnknownTextsFallBack) {
    EXPECT_EQ(StrToBaudRate("115201"), br9600);
    EXPECT_EQ(StrToBaudRate(""), br9600);
    EXPECT_EQ(StrToBaudRate(" 9600"), br9600);
    EXPECT_EQ(StrToBaudRate("Custom "), br9600);
    EXPECT_EQ(StrToDataBits("9"), dbEight);
    EXPECT_EQ(StrToStopBits("1,5"), sbOneStopBit);
    EXPECT_EQ(StrToParity("Parity"), prNone);
    EXPECT_EQ(StrToFlowControl("RTS/CTS"), fcCustom);
}

TEST(ComSettingsTexts, TableRatesInBitsPerSecond) {
    EXPECT_EQ(BaudRateToInt(brCustom), 0);
    EXPECT_EQ(BaudRateToInt(br110), 110);
    EXPECT_EQ(BaudRateToInt(br56000), 56000);
    EXPECT_EQ(BaudRateToInt(br115200), 115200);
    EXPECT_EQ(BaudRateToInt(br256000), 256000);
    EXPECT_EQ(DataBitsToInt(dbFive), 5);
    EXPECT_EQ(DataBitsToInt(dbEight), 8);
}

TEST(FlowControlSummary, ReadsTheFourValuesOnly) {
    TComFlowControl flow;
    EXPECT_EQ(flow.FlowControl(), fcNone);

    flow.ControlRTS = rtsHandshake;
    flow.OutCTSFlow = true;
    EXPECT_EQ(flow.FlowControl(), fcHardware);
    flow.XonXoffOut = true;
    EXPECT_EQ(flow.FlowControl(), fcCustom);

    TComFlowControl software;
    software.XonXoffIn = software.XonXoffOut = true;
    EXPECT_EQ(software.FlowControl(), fcSoftware);
    software.XonXoffIn = false;
    EXPECT_EQ(software.FlowControl(), fcCustom);

    // DTR, DSR and the XON/XOFF characters play no part.
    TComFlowControl none;
    none.ControlDTR = dtrEnable;
    none.OutDSRFlow = none.DSRSensitivity = none.TxContinueOnXoff = true;
    none.XonChar = 1;
    none.XoffChar = 2;
    EXPECT_EQ(none.FlowControl(), fcNone);
    none.ControlRTS = rtsEnable;
    EXPECT_EQ(none.FlowControl(), fcCustom);
    none.ControlRTS = rtsHandshake;
    EXPECT_EQ(none.FlowControl(), fcCustom);
}

TEST(FlowControlSummary, ChoosingSetsExactlyFourValuesAndCustomNothing) {
    TComFlowControl flow;
    flow.ControlDTR = dtrEnable;
    flow.ControlRTS = rtsEnable;
    flow.XonXoffIn = true;
    flow.XonChar = 5;
    flow.DSRSensitivity = true;

    TComFlowControl custom = flow;
    custom.SetFlowControl(fcCustom);
    EXPECT_EQ(custom, flow);

    flow.SetFlowControl(fcHardware);
    EXPECT_EQ(flow.ControlRTS, rtsHandshake);
    EXPECT_TRUE(flow.OutCTSFlow);
    EXPECT_FALSE(flow.XonXoffIn);
    EXPECT_FALSE(flow.XonXoffOut);
    EXPECT_EQ(flow.ControlDTR, dtrEnable);
    EXPECT_EQ(flow.XonChar, 5);
    EXPECT_TRUE(flow.DSRSensitivity);

    flow.SetFlowControl(fcSoftware);
    EXPECT_EQ(flow.FlowControl(), fcSoftware);
    EXPECT_EQ(flow.ControlRTS, rtsDisable);
    EXPECT_FALSE(flow.OutCTSFlow);

    flow.SetFlowControl(fcNone);
    EXPECT_EQ(flow.FlowControl(), fcNone);
    EXPECT_EQ(flow.ControlDTR, dtrEnable);
}

TEST(SerialDeviceNaming, PathsComNamesAndDevNames) {
    EXPECT_EQ(SerialDevicePath("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(SerialDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(SerialDevicePath("COM5"), "/dev/ttyS4");
    EXPECT_EQ(SerialDevicePath("com12"), "/dev/ttyS11");
    EXPECT_EQ(SerialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDevicePath("COM0"), "/dev/COM0");
    EXPECT_EQ(SerialDevicePath("COMX"), "/dev/COMX");
    EXPECT_EQ(SerialDevicePath("COM"), "/dev/COM");
}

TEST(ComPortSettings, ComponentDefaultsAndTheWindowDesign) {
    TEventQueue queue;
    TComPort port(queue);
    EXPECT_EQ(port.Port(), "COM1");
    EXPECT_EQ(port.BaudRate(), br9600);
    EXPECT_EQ(port.CustomBaudRate(), 9600);
    EXPECT_EQ(port.Buffer(), TComBuffer{});
    EXPECT_EQ(port.Timeouts().ReadInterval, -1);
    EXPECT_EQ(port.Timeouts().WriteTotalConstant, 1000);
    EXPECT_EQ(port.Timeouts().WriteTotalMultiplier, 100);
    EXPECT_EQ(port.Events(), TComEvents::All());
    EXPECT_FALSE(port.Connected());

    SetComPort1Design(port);
    EXPECT_EQ(port.Name(), "ComPort1");
    EXPECT_EQ(port.Port(), "COM5");
    EXPECT_EQ(port.BaudRate(), br115200);
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.StopBits(), sbOneStopBit);
    EXPECT_EQ(port.Parity(), TComParity{});
    EXPECT_EQ(port.FlowControl().FlowControl(), fcNone);
    EXPECT_EQ(port.FlowControl().ControlDTR, dtrDisable);
    EXPECT_EQ(port.Events(), (TComEvents{evRxChar, evTxEmpty, evRxFlag, evRx80Full}));
    EXPECT_FALSE(port.Events().Contains(evRing));
}

class ComPortIni : public ::testing::Test {
protected:
    ComPortIni() { SetComPort1Design(Port); }
    std::string Path() const { return Dir.File("ComPort.ini"); }
    TTempDir Dir;
    TEventQueue Queue;
    TComPort Port{Queue};
};

TEST_F(ComPortIni, WithoutFileKeepsTheDesignAndStoresTheSixKeysInOrder) {
    Port.LoadSettings(stIniFile, Path());
    EXPECT_EQ(Port.Port(), "COM5");
    EXPECT_EQ(Port.BaudRate(), br115200);
    EXPECT_EQ(Port.FlowControl().FlowControl(), fcNone);
    EXPECT_FALSE(Port.Connected());

    Port.StoreSettings(stIniFile, Path());
    EXPECT_EQ(ReadFileBytes(Path()), "[ComPort1]\r\nPort=COM5\r\nBaudRate=115200\r\nStopBits=1\r\n"
                                     "DataBits=8\r\nParity=None\r\nFlowControl=None\r\n");
}

TEST_F(ComPortIni, StoredValuesLoadIntoAnotherPort) {
    Port.SetPort("ttyUSB3");
    Port.SetBaudRate(brCustom);
    Port.SetCustomBaudRate(250000);
    Port.SetDataBits(dbSeven);
    Port.SetStopBits(sbTwoStopBits);
    Port.SetParity(TComParity{prMark});
    TComFlowControl flow;
    flow.SetFlowControl(fcHardware);
    Port.SetFlowControl(flow);
    Port.StoreSettings(stIniFile, Path());
    EXPECT_NE(ReadFileBytes(Path()).find("BaudRate=Custom\r\nCustomBaudRate=250000\r\nStopBits=2"),
              std::string::npos);

    TComPort other(Queue);
    other.LoadSettings(stIniFile, Path());
    EXPECT_EQ(other.Port(), "ttyUSB3");
    EXPECT_EQ(other.BaudRate(), brCustom);
    EXPECT_EQ(other.CustomBaudRate(), 250000);
    EXPECT_EQ(other.DataBits(), dbSeven);
    EXPECT_EQ(other.StopBits(), sbTwoStopBits);
    EXPECT_EQ(other.Parity().Bits, prMark);
    EXPECT_EQ(other.FlowControl(), flow);
}

TEST_F(ComPortIni, LowerCaseCustomIsCustomWithRate9600WhenTheRateIsMissing) {
    Port.SetCustomBaudRate(31250);
    WriteFileBytes(Path(), "[ComPort1]\r\nBaudRate=custom\r\n");
    Port.LoadSettings(stIniFile, Path());
    EXPECT_EQ(Port.BaudRate(), brCustom);
    EXPECT_EQ(Port.CustomBaudRate(), 9600);
    EXPECT_EQ(Port.Port(), "COM5");
}

TEST_F(ComPortIni, UnknownTextsFallBackAndUnknownFlowControlLeavesTheRecord) {
    TComFlowControl flow;
    flow.ControlDTR = dtrEnable;
    flow.ControlRTS = rtsEnable;
    flow.XonXoffOut = true;
    Port.SetFlowControl(flow);
    WriteFileBytes(Path(), "[comport1]\r\nbaudrate=115.2k\r\nDataBits=eight\r\nStopBits=3\r\n"
                           "Parity=odd\r\nFlowControl=RTS\r\n");
    Port.LoadSettings(stIniFile, Path());
    EXPECT_EQ(Port.BaudRate(), br9600);
    EXPECT_EQ(Port.DataBits(), dbEight);
    EXPECT_EQ(Port.StopBits(), sbOneStopBit);
    EXPECT_EQ(Port.Parity().Bits, prOdd);
    EXPECT_EQ(Port.FlowControl(), flow);

    // A record that matches no summary is stored as "Custom", and "Custom" loads as no change.
    Port.StoreSettings(stIniFile, Path());
    EXPECT_NE(ReadFileBytes(Path()).find("FlowControl=Custom\r\n"), std::string::npos);
    Port.LoadSettings(stIniFile, Path());
    EXPECT_EQ(Port.FlowControl(), flow);
}

TEST_F(ComPortIni, StoreFailureRaises16) {
    try {
        Port.StoreSettings(stIniFile, Dir.File("missing/ComPort.ini"));
        FAIL() << "store into a missing directory succeeded";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.Code, 16);
        EXPECT_STREQ(e.what(), "Failed to store settings");
    }
}
