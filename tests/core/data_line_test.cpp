#include "model/data_line.h"

#include "link/frame_codec.h"
#include "model/status_decoder.h"
#include "store/report_file.h"
#include "store/report_writer.h"

#include "fake_transport.h"
#include "fakes.h"
#include "little_endian.h"
#include "panel_frames.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DataLineTest, OnlyTheFirstPadOfVAKeepsItsSpace) {
    TMasterBlock m;
    m.ID = 0x0000A1B2C3D4ULL;
    m.VA = 23987;
    std::string line = DataLineText(m);
    EXPECT_EQ(line.substr(0, 26), ";ID=0000A1B2C3D4;VA=23987;");
    m.VA = 987;
    line = DataLineText(m);
    EXPECT_EQ(line.substr(0, 26), ";ID=0000A1B2C3D4;VA= 0987;");
    m.VA = 5;
    EXPECT_EQ(DataLineText(m).substr(16, 10), ";VA= 0005;");
}

TEST(DataLineTest, SmIsLineCThenBThenAAndWideValuesTakeTheirRoom) {
    TMasterBlock m;
    m.LineA = 1;
    m.LineB = 2;
    m.LineC = 3;
    EXPECT_NE(DataLineText(m).find(";Sm=321;"), std::string::npos);
    // No fixed columns: a code of 16 or more gives two digits, a temperature of 1000 four.
    m.LineC = 0x1F;
    m.TE = 1000;
    const std::string line = DataLineText(m);
    EXPECT_NE(line.find(";Sm=1F21;"), std::string::npos) << line;
    EXPECT_NE(line.find(";TE=1000;"), std::string::npos) << line;
}

// A status reply through the decoder into the day's data report file: every field from its own
// place in the record, raw and unscaled, into one stamped line.
TEST(DataLineTest, StatusReplyWritesOneStampedLineCharacterByCharacter) {
    TTempDir dir;
    TFakeClock clock;
    clock.Time = At(2010, 12, 5, 14, 3, 22);
    TReportFile report(DataReportKind, dir.Path().string(), clock);
    TReportWriter writer(report);
    TDataLineWriter dataLine(writer);

    TFakeTransport transport;
    TMemoryLog log;
    TFrameCodec codec(transport, log);
    TPanelState state;
    class : public IStatusView {
        void ShowDeviceId(int, const std::string&) override {}
        void ShowValue(int, TMeasureField, uint16_t) override {}
        void ShowStateCode(int, TStateField, uint8_t) override {}
        void ShowOutputs(int, uint16_t) override {}
        void ShowSlavePage(int, bool) override {}
    } view;
    TStatusDecoder decoder(codec, state, view, clock);
    decoder.AttachDataLine(dataLine);
    codec.RegisterDecoder('A', [&] { decoder.DecodeStatus(); });

    TBytes p(StatusRecordSize, 0);
    const uint8_t id[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    std::copy(std::begin(id), std::end(id), p.begin());
    PutU16(&p[6], 11); // event log indices are not in the line
    const uint16_t values[15] = {987,   250, 23987, 0,  65535, 5, 23456, 24100,
                                 13780, 0,   12,    23, 1000,  5, 1013};
    for (int i = 0; i < 15; ++i) {
        PutU16(&p[12 + 2 * i], values[i]);
    }
    p[42] = 1; // LineA
    p[43] = 2; // LineB
    p[44] = 3; // LineC
    p[45] = 0x0F;
    PutU32(&p[46], 15);
    PutU32(&p[50], 0xABCDEF01);
    PutU16(&p[54], 0x0101);                    // Out: bits 0 and 8
    p[56] = 9;                                 // stHas
    p[57] = 2;                                 // stBat
    p[58] = 16;                                // stV1, past its list
    p[59] = 0;                                 // stSir
    p[60] = 3;                                 // stPro
    PutU16(&p[61], 300);                       // Tim, tenths of a second
    PutU16(&p[SlaveBlockOffset(1) + 6], 4444); // slaves are not in the line

    const TBytes datagram = PanelDatagram('A', p);
    codec.ReceiveDatagram(datagram.data(), static_cast<int>(datagram.size()));
    report.FinishReport();

    const std::string expected =
        "05.12.10 14:03:22  ;ID=060504030201;VA= 0987;IA=00250;VB=23987;IB=00000;VC=65535;"
        "IC=00005;VNet=23456;VDet=24100;VBat=13780;VHas1=00000;VSir=00012;TE=023;TI=1000;"
        "TB=005;P=01013;Sm=321;Led0=0000000F;Led1=ABCDEF01;Out=0101;stHas=9;stBat=2;stV1=10;"
        "stSir=0;stPro=3;Tim=012C;\r\n";
    const std::string file = ReadFileBytes(dir.Path() / "ReportData" / "Kelm2_Data_20101205.txt");
    // The file holds the line and then the end marker.
    ASSERT_GE(file.size(), expected.size());
    const std::string line = file.substr(0, expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(line[i], expected[i]) << "character " << i + 1 << " of\n" << line;
    }
    EXPECT_EQ(file.substr(expected.size()), "05.12.10 14:03:22  ******* Rep End *******\r\n");
}

} // namespace
