#include "link/frame_codec.h"

#include "core/errors.h"
#include "fakes.h"
#include "panel_frames.h"
#include "transport/com_port_errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what the codec hands to the transports, in order.
class TRecordingTransport : public IFrameTransport {
public:
    bool UdpSelected() const override {
        ++UdpAsked;
        return Udp;
    }
    std::string IpText() const override { return Ip; }
    void WriteSerial(const uint8_t* data, uint32_t count) override {
        if (FailSerial) {
            throw EComPort(3, 5);
        }
        Calls.push_back("serial " + HexText(TBytes(data, data + count)));
    }
    bool SetUdpDestination(const std::string& port, const std::string& address) override {
        if (address == "no.such.host") {
            throw EOrvant("Invalid address: " + address);
        }
        Calls.push_back("destination " + port + " " + address);
        return true;
    }
    bool SendDatagram(const uint8_t* data, uint32_t count) override {
        Calls.push_back("datagram " + HexText(TBytes(data, data + count)));
        return true;
    }

    bool Udp = false;
    bool FailSerial = false;
    std::string Ip = "192.168.1.10";
    mutable int UdpAsked = 0;
    std::vector<std::string> Calls;
};

class FrameCodec : public ::testing::Test {
protected:
    FrameCodec() {
        for (uint8_t letter : {'A', 'G', 'S', 'U', 'V'}) {
            Codec.RegisterDecoder(letter, [this, letter] { Record(letter); });
        }
    }

    // What a decoder sees: its letter and the first bytes of RxBuffer.
    void Record(uint8_t letter) {
        const auto& rx = Codec.RxBuffer();
        Decoded.push_back(std::string(1, static_cast<char>(letter)) + " " +
                          HexText(TBytes(rx.begin(), rx.begin() + Peek)));
    }

    void Send(uint8_t letter, const std::string& payloadHex) {
        const TBytes payload = HexBytes(payloadHex);
        Codec.SendFrame(letter, payload.data(), static_cast<uint16_t>(payload.size()));
    }

    void Feed(const TBytes& bytes) {
        for (uint8_t b : bytes) {
            Codec.ReceiveByte(b);
        }
    }
    void Feed(const std::string& hex) { Feed(HexBytes(hex)); }

    void Datagram(const TBytes& bytes) {
        Codec.ReceiveDatagram(bytes.data(), static_cast<int>(bytes.size()));
    }

    TRecordingTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
    std::vector<std::string> Decoded;
    std::size_t Peek = 7; // bytes of RxBuffer a decoder records
};

using Calls = std::vector<std::string>;

// ---- sending ----

TEST_F(FrameCodec, SendsTheKnownFramesOnTheSerialLine) {
    Send('A', "");
    Send('G', "AA 00");
    Send('T', "1E 2D 0D 11 05 0B");
    Send('A', "39"); // the checksum is 0xAA and is escaped too
    EXPECT_EQ(Transport.Calls,
              (Calls{"serial AA 01 30 41 71 AA 02", "serial AA 01 30 47 AA AA 00 21 AA 02",
                     "serial AA 01 30 54 1E 2D 0D 11 05 0B FD AA 02",
                     "serial AA 01 30 41 39 AA AA AA 02"}));
    EXPECT_EQ(Codec.TxLength(), 9);
}

TEST_F(FrameCodec, SendsTheKnownFramesAsDatagramsToPort1501OfTheIpField) {
    Transport.Udp = true;
    Send('A', "");
    Transport.Ip = "panel.local";
    Send('G', "AA 00");
    EXPECT_EQ(Transport.Calls,
              (Calls{"destination 1501 192.168.1.10", "datagram 01 30 41 71 02",
                     "destination 1501 panel.local", "datagram 01 30 47 AA 00 21 02"}));
}

TEST_F(FrameCodec, AsksForTheTransportAtEveryFrame) {
    Send('A', "");
    Transport.Udp = true;
    Send('A', "");
    Transport.Udp = false;
    Send('V', "");
    EXPECT_EQ(Transport.UdpAsked, 3);
    EXPECT_EQ(Transport.Calls,
              (Calls{"serial AA 01 30 41 71 AA 02", "destination 1501 192.168.1.10",
                     "datagram 01 30 41 71 02", "serial AA 01 30 56 86 AA 02"}));
}

TEST_F(FrameCodec, RefusesOversizedFramesBeforeSendingAnything) {
    const TBytes tooLong(TFrameCodec::MaxPayload + 1, 0x00);
    const TBytes longest(TFrameCodec::MaxPayload, 0x00);
    // Escaping counts twice for a payload byte and for the checksum: 2044 bytes of 0xAA and one
    // that makes the checksum 0xAA fill TxBuffer exactly; a 0x00 more (same checksum) is one
    // byte too many, and only the checksum's escape makes it so.
    TBytes fits(2044, 0xAA);
    fits.push_back(static_cast<uint8_t>(0xAA - 'A' - TFrameCodec::AddressByte - 2044 * 0xAA));
    TBytes overflows = fits;
    overflows.push_back(0x00);
    ASSERT_EQ(PanelSerialFrame('A', fits).size(), TFrameCodec::BufferSize);
    ASSERT_EQ(PanelSerialFrame('A', overflows).size(), TFrameCodec::BufferSize + 1);
    ASSERT_EQ(PanelChecksum('A', overflows), 0xAA);

    for (bool udp : {false, true}) {
        Transport.Udp = udp;
        EXPECT_THROW(Codec.SendFrame('A', tooLong.data(), tooLong.size()), ERangeError);
    }
    Transport.Udp = false;
    EXPECT_THROW(Codec.SendFrame('A', overflows.data(), overflows.size()), ERangeError);
    EXPECT_TRUE(Transport.Calls.empty());

    Codec.SendFrame('A', fits.data(), fits.size());
    EXPECT_EQ(Codec.TxLength(), static_cast<int32_t>(TFrameCodec::BufferSize));
    TBytes sent(Codec.TxBuffer(), Codec.TxBuffer() + Codec.TxLength());
    sent[1] = 0x03; // the panel's start marker, to compare with what a panel would send
    EXPECT_EQ(sent, PanelSerialFrame('A', fits));

    Codec.SendFrame('A', longest.data(), longest.size());
    Transport.Udp = true;
    Codec.SendFrame('A', overflows.data(), overflows.size()); // no escaping over UDP
    EXPECT_EQ(Codec.TxLength(), 2046 + 5);
    EXPECT_EQ(Transport.Calls.size(), 4u);
}

TEST_F(FrameCodec, TransportFailuresReachTheCaller) {
    Transport.FailSerial = true;
    EXPECT_THROW(Send('A', ""), EComPort);
    Transport.Udp = true;
    Transport.Ip = "no.such.host";
    EXPECT_THROW(Send('A', ""), EOrvant);
    EXPECT_TRUE(Transport.Calls.empty()); // no datagram to a stale destination
}

TEST_F(FrameCodec, ReceivesWhatItSendsWithEveryByteValue) {
    TBytes payload;
    for (int i = 0; i < 256; ++i) {
        payload.push_back(static_cast<uint8_t>(i));
    }
    payload.insert(payload.end(), 20, 0xAA);
    TBytes seen;
    Codec.RegisterDecoder('S',
                          [&] { seen.assign(Codec.Payload(), Codec.Payload() + payload.size()); });
    Codec.SendFrame('S', payload.data(), payload.size());
    TBytes frame(Codec.TxBuffer(), Codec.TxBuffer() + Codec.TxLength());
    frame[1] = 0x03;
    Feed(frame);
    EXPECT_EQ(seen, payload);
    EXPECT_EQ(Codec.RxCount(), payload.size() + 3);
}

// ---- the serial receive machine ----

TEST_F(FrameCodec, ChecksumDecidesWhetherASerialFrameIsDecoded) {
    Feed("AA 03 30 55 00 00 05 00 8A AA 02");
    EXPECT_EQ(Decoded, (Calls{"U 30 55 00 00 05 00 8A"}));
    EXPECT_EQ(Codec.RxState(), 0);
    Feed("AA 03 30 55 00 00 05 00 8B AA 02");
    EXPECT_EQ(Decoded.size(), 1u);
    EXPECT_EQ(Codec.RxState(), 0);
    EXPECT_TRUE(Log.Lines.empty()); // dropped silently
}

TEST_F(FrameCodec, FindsTheStartMarkerAmongRepeatedEscapesAndIgnoresOwnEcho) {
    Feed("AA 01 30 41 71 AA 02"); // our own poll echoed back
    EXPECT_TRUE(Decoded.empty());
    EXPECT_EQ(Codec.RxState(), 0);
    Feed("41 02 AA AA AA 03 30 55 00 00 05 00 8A AA 02");
    EXPECT_EQ(Decoded, (Calls{"U 30 55 00 00 05 00 8A"}));
}

TEST_F(FrameCodec, StartMarkerInsideAFrameRestartsIt) {
    Feed("AA 03 30 41 AA 03 30 41");
    EXPECT_EQ(Codec.RxState(), 2);
    EXPECT_EQ(Codec.RxCount(), 2);
    Feed("71 AA 02");
    EXPECT_EQ(Decoded, (Calls{"A 30 41 71 00 00 00 00"}));
}

TEST_F(FrameCodec, UnknownByteAfterEscapeKeepsDroppingUntilAMarkerByte) {
    Feed("AA 03 30 41 AA 05");
    EXPECT_EQ(Codec.RxState(), 3);
    Feed("71 41 01 AA"); // all dropped but the last, an escaped data byte 0xAA
    EXPECT_EQ(Codec.RxState(), 2);
    EXPECT_EQ(Codec.RxCount(), 3);
    Feed("AA 05 02"); // 05 dropped again, then the end marker: 30 41 do not sum to AA
    EXPECT_TRUE(Decoded.empty());
    EXPECT_EQ(Codec.RxState(), 0);
    Feed("AA 03 30 41 AA 05 1B AA 1B AA 02"); // body 30 41 AA, checksum 1B
    EXPECT_EQ(Decoded, (Calls{"A 30 41 AA 1B 00 00 00"}));
}

TEST_F(FrameCodec, UnescapesBodyBytesAndTheChecksum) {
    Feed(PanelSerialFrame('G', HexBytes("AA 00")));
    Feed(PanelSerialFrame('A', HexBytes("39")));
    EXPECT_EQ(Decoded, (Calls{"G 30 47 AA 00 21 00 00", "A 30 41 39 AA 21 00 00"}));
}

TEST_F(FrameCodec, ShorterFrameLeavesTheTailOfAnEarlierOne) {
    Feed(PanelSerialFrame('V', HexBytes("11 22 33 44 55")));
    Feed(PanelSerialFrame('A', {}));
    EXPECT_EQ(Decoded.back(), "A 30 41 71 22 33 44 55");
}

TEST_F(FrameCodec, DiscardsBodiesTooShortToCarryALetter) {
    Feed(PanelSerialFrame('A', {}));
    Decoded.clear();
    Feed("AA 03 AA 02");    // no body at all
    Feed("AA 03 41 AA 02"); // one byte
    EXPECT_TRUE(Decoded.empty());
    EXPECT_EQ(Codec.RxState(), 0);
    Feed("AA 03 30 30 AA 02"); // address and checksum only: the letter slot holds the sum
    EXPECT_TRUE(Decoded.empty());
}

TEST_F(FrameCodec, DiscardsABodyLongerThanTheBufferAndGoesOn) {
    // The longest body that fits: address, letter, 4094 payload bytes, checksum.
    const TBytes fullPayload(TFrameCodec::BufferSize - 3, 0x5A);
    Feed(PanelSerialFrame('V', fullPayload));
    EXPECT_EQ(Codec.RxCount(), TFrameCodec::BufferSize);
    EXPECT_EQ(Decoded.size(), 1u);
    const auto before = Codec.RxBuffer();

    TBytes longer = PanelSerialFrame('V', TBytes(TFrameCodec::BufferSize - 2, 0x5A));
    Feed(TBytes(longer.begin(), longer.end() - 2));
    EXPECT_EQ(Codec.RxState(), 0); // waiting for a start marker
    Feed(TBytes(longer.end() - 2, longer.end()));
    EXPECT_EQ(Decoded.size(), 1u);
    EXPECT_EQ(Codec.RxBuffer(), before);

    Feed("AA 03 30 55 00 00 05 00 8A AA 02");
    EXPECT_EQ(Decoded.back(), "U 30 55 00 00 05 00 8A");
}

TEST_F(FrameCodec, BytesArrivingWhileAFrameIsHandledAreLoggedAndDropped) {
    Codec.RegisterDecoder('A', [this] {
        EXPECT_EQ(Codec.RxState(), 4);
        Feed("41 AA 03 00"); // a decoder that lets events run
        Record('A');
    });
    Feed(PanelSerialFrame('A', {}));
    EXPECT_EQ(Log.Lines, (Calls{"4 65", "4 170", "4 3", "4 0"}));
    EXPECT_EQ(Codec.RxState(), 0);
    Feed(PanelSerialFrame('U', HexBytes("00 00 05 00")));
    EXPECT_EQ(Decoded, (Calls{"A 30 41 71 00 00 00 00", "U 30 55 00 00 05 00 8A"}));
}

TEST_F(FrameCodec, DecoderFailureEndsOnlyItsFrame) {
    Codec.RegisterDecoder('V', [] { throw ERangeError(); });
    EXPECT_THROW(Feed(PanelSerialFrame('V', HexBytes("00"))), ERangeError);
    EXPECT_EQ(Codec.RxState(), 0);
    EXPECT_FALSE(Codec.Handling());
    EXPECT_THROW(Datagram(PanelDatagram('V', HexBytes("41 42 00"))), ERangeError);
    EXPECT_FALSE(Codec.Handling());
    Feed(PanelSerialFrame('A', {}));
    Datagram(PanelDatagram('U', HexBytes("00 00 05 00")));
    EXPECT_EQ(Decoded, (Calls{"A 30 41 71 42 00 09 02", "U 30 55 00 00 05 00 8A"}));
}

TEST_F(FrameCodec, LettersWithoutADecoderAreDropped) {
    Feed(PanelSerialFrame('Z', HexBytes("01")));
    Codec.DispatchReply('T');
    Codec.RegisterDecoder('A', nullptr);
    Feed(PanelSerialFrame('A', {}));
    EXPECT_TRUE(Decoded.empty());
    EXPECT_EQ(Codec.RxState(), 0);
}

// ---- datagrams ----

TEST_F(FrameCodec, DatagramIsCopiedFromItsSecondByteWithoutChecks) {
    Datagram(HexBytes("FF 30 41 11 22 00 77")); // wrong checksum and closing byte
    EXPECT_EQ(Decoded, (Calls{"A 30 41 11 22 00 77 00"}));
    EXPECT_EQ(Codec.RxState(), 0);
    EXPECT_EQ(Codec.RxCount(), 0);
}

TEST_F(FrameCodec, ShortDatagramsDecodeOnlyTheStatusLetter) {
    Datagram(HexBytes("01 30 47 AA 00 02"));    // 'G' in 6 bytes: ignored
    Datagram(HexBytes("01 30 55 01 02 03"));    // 'U' in 6 bytes
    Datagram(HexBytes("01 30 56 00 86 02"));    // 'V' in 6 bytes
    Datagram(HexBytes("01 30 53 00 00 83 02")); // 'S' is no reply on this path
    EXPECT_TRUE(Decoded.empty());
    Datagram(HexBytes("01 30 41"));                // 'A' at any length
    Datagram(HexBytes("01 30 47 AA 00 21 02"));    // 7 bytes
    Datagram(HexBytes("01 30 56 00 00 00 00 02")); // 8 bytes
    EXPECT_EQ(Decoded, (Calls{"A 30 41 00 00 83 02 00", "G 30 47 AA 00 21 02 00",
                              "V 30 56 00 00 00 00 02"}));
}

TEST_F(FrameCodec, DatagramsOutsideTheBufferSizeAreDropped) {
    Datagram(PanelDatagram('A', {}));
    Decoded.clear();
    const auto before = Codec.RxBuffer();
    Datagram(HexBytes("01 30"));  // RxBuffer still holds 'A' at index 1
    Datagram(TBytes(4099, 0x41)); // one byte past RxBuffer
    Codec.ReceiveDatagram(nullptr, 5);
    Codec.ReceiveDatagram(before.data(), -1);
    EXPECT_TRUE(Decoded.empty());
    EXPECT_EQ(Codec.RxBuffer(), before);

    TBytes longest(4098, 0x41);
    Datagram(longest);
    EXPECT_EQ(Decoded.size(), 1u);
    EXPECT_EQ(Codec.RxBuffer()[4096], 0x41);
}

TEST_F(FrameCodec, DatagramDuringASerialFrameLeavesBothIntact) {
    Feed("AA 03 30 55 00 00");
    Datagram(PanelDatagram('G', HexBytes("01 02 03")));
    Feed("05 00 8A AA 02");
    EXPECT_EQ(Decoded, (Calls{"G 30 47 01 02 03 7D 02", "U 30 55 00 00 05 00 8A"}));
}

TEST_F(FrameCodec, NoFrameOverwritesTheBufferWhileADecoderReadsIt) {
    Codec.RegisterDecoder('A', [this] {
        Datagram(PanelDatagram('U', HexBytes("00 00 05 00")));
        Record('A');
    });
    Feed(PanelSerialFrame('A', {}));
    Codec.RegisterDecoder('G', [this] {
        Feed(PanelSerialFrame('U', HexBytes("00 00 05 00"))); // a serial reply meanwhile
        Record('G');
    });
    Datagram(PanelDatagram('G', HexBytes("AA 00")));
    EXPECT_EQ(Decoded, (Calls{"A 30 41 71 00 00 00 00", "G 30 47 AA 00 21 02 00"}));
    EXPECT_EQ(Codec.RxState(), 0);
    EXPECT_TRUE(Log.Lines.empty());
}

} // namespace

// Datagrams are decoded whatever their checksum, but a wrong or missing one is counted, and so
// is a serial frame dropped for its checksum.
TEST_F(FrameCodec, CountsBadChecksumsOnBothPathsAndWhatWasDispatched) {
    Datagram(HexBytes("01 30 55 00 00 05 00 8A 02"));
    Datagram(HexBytes("01 30 55 00 00 05 00 8B 02"));
    Datagram(HexBytes("01 30 41 71"));
    EXPECT_EQ(Decoded.size(), 3u);
    EXPECT_EQ(Codec.Counters().DatagramChecksumErrors, 2u);
    EXPECT_EQ(Codec.PayloadLength(), 0u);

    Feed("AA 03 30 55 00 00 05 00 8B AA 02");
    EXPECT_EQ(Codec.Counters().SerialChecksumErrors, 1u);
    Feed("AA 03 30 47 AA AA 00 21 AA 02");
    EXPECT_EQ(Codec.PayloadLength(), 2u);
    EXPECT_EQ(Codec.Counters().Dispatched, 4u);
    EXPECT_EQ(Codec.Counters().ShortReplies, 0u);
}
