#include "link/commands.h"

#include "core/errors.h"
#include "fake_transport.h"
#include "fakes.h"

#include <gtest/gtest.h>

namespace {

using TBytes = std::vector<uint8_t>;

class CommandsTest : public ::testing::Test {
protected:
    TFakeTransport Transport;
    TMemoryLog Log;
    TFrameCodec Codec{Transport, Log};
};

} // namespace

TEST_F(CommandsTest, RequestsWithoutPayloadCarryOnlyAddressAndLetter) {
    SendStatusRequest(Codec);
    SendEventInfoRequest(Codec);
    SendVersionRequest(Codec);
    ASSERT_EQ(Transport.Sent.size(), 3u);
    EXPECT_EQ(Transport.Sent[0], (TBytes{0xAA, 0x01, 0x30, 0x41, 0x71, 0xAA, 0x02}));
    EXPECT_EQ(Transport.Sent[1], (TBytes{0xAA, 0x01, 0x30, 0x55, 0x85, 0xAA, 0x02}));
    EXPECT_EQ(Transport.Sent[2], (TBytes{0xAA, 0x01, 0x30, 0x56, 0x86, 0xAA, 0x02}));
}

TEST_F(CommandsTest, EventRequestSendsIndexLeastSignificantByteFirst) {
    SendEventRequest(Codec, GetEventsButtonIndex);
    SendEventRequest(Codec, 0x1234);
    ASSERT_EQ(Transport.Sent.size(), 2u);
    EXPECT_EQ(Transport.Sent[0], (TBytes{0xAA, 0x01, 0x30, 0x47, 0x96, 0x00, 0x0D, 0xAA, 0x02}));
    EXPECT_EQ(Transport.Sent[1], (TBytes{0xAA, 0x01, 0x30, 0x47, 0x34, 0x12, 0xBD, 0xAA, 0x02}));
}

TEST_F(CommandsTest, SetSlavesSendsOneByteAndRefusesCountsOutsideZeroToFour) {
    SendSetSlaves(Codec, 3);
    ASSERT_EQ(Transport.Sent.size(), 1u);
    EXPECT_EQ(Transport.Sent[0], (TBytes{0xAA, 0x01, 0x30, 0x53, 0x03, 0x86, 0xAA, 0x02}));

    SendSetSlaves(Codec, 0);
    SendSetSlaves(Codec, 4);
    EXPECT_EQ(Transport.Sent.size(), 3u);

    EXPECT_THROW(SendSetSlaves(Codec, 5), ERangeError);
    EXPECT_THROW(SendSetSlaves(Codec, -1), ERangeError);
    EXPECT_THROW(SendSetSlaves(Codec, 256 + 3), ERangeError); // must not wrap into a byte
    EXPECT_EQ(Transport.Sent.size(), 3u);
}

TEST_F(CommandsTest, SetTimeSendsSecondMinuteHourDayMonthYearAndDropsMilliseconds) {
    TDateTime time = At(2011, 5, 17, 13, 45, 30);
    time.Millisecond = 999;
    SendSetTime(Codec, time);
    ASSERT_EQ(Transport.Sent.size(), 1u);
    EXPECT_EQ(Transport.Sent[0], (TBytes{0xAA, 0x01, 0x30, 0x54, 0x1E, 0x2D, 0x0D, 0x11, 0x05, 0x0B,
                                         0xFD, 0xAA, 0x02}));
}

TEST(SetTimePayload, AcceptsTheYearsOneByteCanHold) {
    using TPayload = std::array<uint8_t, 6>;
    EXPECT_EQ(SetTimePayload(At(2000, 1, 1, 0, 0, 0)), (TPayload{0, 0, 0, 1, 1, 0}));
    EXPECT_EQ(SetTimePayload(At(2255, 12, 31, 23, 59, 59)), (TPayload{59, 59, 23, 31, 12, 255}));
}

TEST_F(CommandsTest, SetTimeRefusesYearsOutside2000To2255AndSendsNothing) {
    EXPECT_THROW(SendSetTime(Codec, At(1999, 12, 31, 23, 59, 59)), ERangeError);
    EXPECT_THROW(SendSetTime(Codec, At(2256, 1, 1, 0, 0, 0)), ERangeError);
    EXPECT_TRUE(Transport.Sent.empty());
}

TEST(SetTimePayload, RefusesFieldsOutsideTheCalendar) {
    EXPECT_THROW(SetTimePayload(At(2011, 13, 1, 0, 0, 0)), ERangeError);
    EXPECT_THROW(SetTimePayload(At(2011, 5, 0, 0, 0, 0)), ERangeError);
    EXPECT_THROW(SetTimePayload(At(2011, 5, 17, 24, 0, 0)), ERangeError);
    EXPECT_THROW(SetTimePayload(At(2011, 5, 17, 13, -1, 0)), ERangeError);
}
