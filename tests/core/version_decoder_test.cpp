// The version reply: its text up to the zero byte goes to the log and, stamped, to the event
// report, byte for byte but for control characters; a text without its end within 128 bytes
// writes nothing.

#include "core/errors.h"
#include "link/frame_codec.h"
#include "model/firmware_version.h"
#include "model/version_decoder.h"
#include "store/report_writer.h"

#include "fake_transport.h"
#include "fakes.h"
#include "panel_frames.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace {

class VersionDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clock.Time = At(2010, 12, 5, 14, 3, 22);
        Codec.RegisterDecoder('V', [this] { DecodeVersion(Codec, Log, Writer, Clock); });
    }
    void Serial(const std::string& payload) {
        for (uint8_t b : PanelSerialFrame('V', ToBytes(payload))) {
            Codec.ReceiveByte(b);
        }
    }
    void Datagram(const std::string& payload) {
        const TBytes d = PanelDatagram('V', ToBytes(payload));
        Codec.ReceiveDatagram(d.data(), static_cast<int>(d.size()));
    }
    std::string Report() const {
        return ReadFileBytes(Dir.Path() / "ReportUdal" / "Kelm2_Udal_20101205.txt");
    }

    TTempDir Dir;
    TFakeClock Clock;
    TFakeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    TReportFile ReportFile{EventReportKind, Dir.Path().string(), Clock};
    TReportWriter Writer{ReportFile};
};

} // namespace

TEST_F(VersionDecoderTest, WritesTheTextUpToItsZeroByteToTheLogAndTheReport) {
    Serial(std::string("V2.10\0junk", 10));
    Serial(std::string("\0", 1));
    Datagram("Verze \x8A\xE8\xFD\xAA" + std::string(1, '\0')); // 8-bit text, kept as it is
    const std::string longest(127, 'x');
    Serial(longest + std::string(1, '\0'));
    EXPECT_EQ(Log.Lines,
              (std::vector<std::string>{"Verse=V2.10", "Verse=", "Verse=Verze \x8A\xE8\xFD\xAA",
                                        "Verse=" + longest}));
    EXPECT_EQ(Report(), "14.03.22 05.12.2010 ;V2.10\r\n14.03.22 05.12.2010 ;\r\n"
                        "14.03.22 05.12.2010 ;Verze \x8A\xE8\xFD\xAA\r\n"
                        "14.03.22 05.12.2010 ;" +
                            longest + "\r\n");
}

// A CR LF inside the text would start a line of the panel's making in the report: every control
// character is written as a visible stand-in instead, on both paths.
TEST_F(VersionDecoderTest, ControlCharactersInTheTextNeverStartALine) {
    Datagram(std::string("V2.10\r\nind=  7;tPC=forged\x01\x1F\x7F\x80 \xFF") + '\0');
    Serial(std::string("\x09\x1B[2J") + '\0');
    const std::string forged = "V2.10<0D><0A>ind=  7;tPC=forged<01><1F><7F>\x80 \xFF";
    EXPECT_EQ(Log.Lines, (std::vector<std::string>{"Verse=" + forged, "Verse=<09><1B>[2J"}));
    EXPECT_EQ(Report(),
              "14.03.22 05.12.2010 ;" + forged + "\r\n14.03.22 05.12.2010 ;<09><1B>[2J\r\n");
}

TEST_F(VersionDecoderTest, ATextWithoutItsEndWritesNothing) {
    Serial(std::string(200, '\0')); // leaves zeros in the buffer behind the next payloads
    EXPECT_THROW(Serial(std::string(128, 'x') + std::string(1, '\0')), ERangeError);
    EXPECT_THROW(Serial("V2.10"), ERangeError); // the zero byte is not in what the panel sent
    EXPECT_THROW(Datagram("V2.10"), ERangeError);
    EXPECT_EQ(Log.Lines.size(), 1u);
    EXPECT_EQ(Report(), "14.03.22 05.12.2010 ;\r\n");
}

// The version read stays known while the same installation answers, also when it was read
// before its first status reply; another master's reply forgets it.
TEST(FirmwareVersion, IsKeptForTheInstallationThatAnsweredAndForgottenForAnother) {
    TFirmwareVersion version;
    int told = 0;
    version.Watch([&] { ++told; });
    version.Record("V2.10", TDateTime{});
    version.InstallationAnswered("00A1B2C3D400");
    version.InstallationAnswered("00A1B2C3D400");
    EXPECT_TRUE(version.Known());
    EXPECT_EQ(version.Text(), "V2.10");
    version.InstallationAnswered("0000000000BB");
    EXPECT_FALSE(version.Known());
    EXPECT_EQ(version.Text(), "");
    version.Record("V3.00", TDateTime{});
    version.InstallationAnswered("0000000000BB");
    EXPECT_EQ(version.Text(), "V3.00");
    EXPECT_EQ(told, 2);
}

// A panel that floods its version unasked: the same text of the same installation is written
// once within a minute; another text, another installation or a minute later is written again.
TEST_F(VersionDecoderTest, AFloodOfTheSameVersionIsWrittenOnceAMinute) {
    TFirmwareVersion firmware;
    TVersionRepeats repeats;
    Codec.RegisterDecoder('V',
                          [&] { DecodeVersion(Codec, Log, Writer, Clock, &firmware, &repeats); });
    firmware.InstallationAnswered("00A1B2C3D400");
    const std::string v1 = std::string("V2.10") + '\0';
    for (int k = 0; k < 100; ++k) {
        Datagram(v1);
    }
    Clock.Time.Second += 37;
    Datagram(v1);
    Datagram(std::string("V2.11") + '\0');
    Datagram(v1);
    firmware.InstallationAnswered("0000000000BB");
    Datagram(v1);
    Clock.Time.Minute += 1;
    Datagram(v1);
    Datagram(v1);
    EXPECT_EQ(Log.Lines.size(), 106u); // the communication log shows every reply
    EXPECT_EQ(Report(), "14.03.22 05.12.2010 ;V2.10\r\n"
                        "14.03.59 05.12.2010 ;V2.11\r\n"
                        "14.03.59 05.12.2010 ;V2.10\r\n"
                        "14.03.59 05.12.2010 ;V2.10\r\n"
                        "14.04.59 05.12.2010 ;V2.10\r\n");
}
