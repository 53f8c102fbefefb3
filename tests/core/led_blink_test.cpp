#include "model/led_blink.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t Bit(int n) {
    return uint32_t{1} << n;
}

// The looks of one LED of one device over the next `ticks` ticks.
std::vector<bool> Looks(TLedBlinker& blinker, const TPanelState& state, int device, int index,
                        int ticks) {
    std::vector<bool> looks;
    for (int t = 0; t < ticks; ++t) {
        blinker.Tick(state, [&](const TLedRefresh& r) {
            if (r.Device == device && r.Index == index) {
                looks.push_back(r.Lit);
            }
        });
    }
    return looks;
}

TEST(LedLook, FourLooksFromTheTwoMaskBits) {
    for (uint16_t c : {0, 1, 2, 3, 4, 5, 6, 7, 8, 65535}) {
        EXPECT_TRUE(LedLit(true, false, c)) << c;
        EXPECT_FALSE(LedLit(false, false, c)) << c;
        EXPECT_EQ(LedLit(true, true, c), (c & 4) != 0) << c;
        EXPECT_EQ(LedLit(false, true, c), (c & 1) != 0) << c;
    }
}

TEST(LedLook, ReadsTheBitOfItsOwnIndexOnly) {
    EXPECT_TRUE(LedLit(Bit(22), 0, 22, 0));
    EXPECT_FALSE(LedLit(Bit(22), 0, 21, 0));
    EXPECT_FALSE(LedLit(~Bit(5), 0, 5, 0));
    // Blink bit of another LED does not make this one blink.
    EXPECT_TRUE(LedLit(Bit(5), Bit(6), 5, 0));
}

TEST(LedTick, SysReadyAloneIsSteadyAndEverythingElseDark) {
    TPanelState state;
    state.LedOn[0] = Bit(0);
    TLedBlinker blinker;
    for (int t = 0; t < 16; ++t) {
        blinker.Tick(state, [&](const TLedRefresh& r) {
            EXPECT_EQ(r.Lit, r.Device == 0 && r.Index == 0)
                << "device " << r.Device << " index " << r.Index << " tick " << t;
        });
    }
}

TEST(LedTick, AlarmInBothMasksBlinksSlowlyOnCounterBitTwo) {
    TPanelState state;
    state.LedOn[0] = Bit(3);
    state.LedBlink[0] = Bit(3);
    TLedBlinker blinker;
    // Counter values 1 to 16 after each tick: lit on 4..7 and 12..15.
    const std::vector<bool> expected = {false, false, false, true, true, true, true, false,
                                        false, false, false, true, true, true, true, false};
    EXPECT_EQ(Looks(blinker, state, 0, 3, 16), expected);
}

TEST(LedTick, AlarmInBlinkMaskOnlyBlinksFastOnOddCounts) {
    TPanelState state;
    state.LedBlink[2] = Bit(3);
    TLedBlinker blinker;
    EXPECT_EQ(Looks(blinker, state, 2, 3, 6),
              (std::vector<bool>{true, false, true, false, true, false}));
}

TEST(LedTick, CounterWrapKeepsBothRhythms) {
    TPanelState state;
    state.LedOn[1] = Bit(10);
    state.LedBlink[1] = Bit(10) | Bit(11);
    TLedBlinker blinker;
    blinker.SetCounter(65531);
    std::vector<bool> slow;
    std::vector<bool> fast;
    for (int t = 0; t < 8; ++t) {
        blinker.Tick(state, [&](const TLedRefresh& r) {
            if (r.Device == 1 && r.Index == 10) {
                slow.push_back(r.Lit);
            } else if (r.Device == 1 && r.Index == 11) {
                fast.push_back(r.Lit);
            }
        });
    }
    // Counter 65532..65535 lit (bit 2 set), then 0..3 dark: four and four across the wrap.
    EXPECT_EQ(slow, (std::vector<bool>{true, true, true, true, false, false, false, false}));
    // 65532 even, 65533 odd, ..., 0 even, 1 odd: strict alternation across the wrap.
    EXPECT_EQ(fast, (std::vector<bool>{false, true, false, true, false, true, false, true}));
    EXPECT_EQ(blinker.Counter(), 3);
}

TEST(LedTick, DevicesUseTheirOwnMasksInPhase) {
    TPanelState state;
    state.LedBlink[3] = Bit(19);
    state.LedBlink[4] = Bit(19);
    state.LedOn[4] = Bit(20);
    TLedBlinker blinker;
    blinker.Tick(state, [&](const TLedRefresh& r) {
        const bool expected =
            (r.Index == 19 && (r.Device == 3 || r.Device == 4)) || (r.Index == 20 && r.Device == 4);
        EXPECT_EQ(r.Lit, expected) << r.Device << "/" << r.Index;
    });
}

TEST(LedRefreshOrder, MasterFirstThenEachIndexAcrossTheSlaves) {
    const std::vector<int> order(LedRefreshOrder().begin(), LedRefreshOrder().end());
    EXPECT_EQ(order, (std::vector<int>{0,  6,  5, 4,  3,  2,  1,  8,  14, 13, 12,
                                       11, 10, 9, 16, 22, 21, 20, 19, 18, 17}));

    std::vector<std::pair<int, int>> seen;
    TLedBlinker blinker;
    blinker.Tick(TPanelState{},
                 [&](const TLedRefresh& r) { seen.emplace_back(r.Device, r.Index); });
    ASSERT_EQ(seen.size(), 5u * 21u);
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(seen[i], std::make_pair(0, order[i]));
        for (int slave = 1; slave <= 4; ++slave) {
            EXPECT_EQ(seen[21 + i * 4 + static_cast<std::size_t>(slave - 1)],
                      std::make_pair(slave, order[i]));
        }
    }
}

TEST(LedRefreshOrder, CoversEveryLedOfEveryDeviceOnce) {
    std::set<std::pair<int, int>> seen;
    TLedBlinker blinker;
    blinker.Tick(TPanelState{}, [&](const TLedRefresh& r) {
        EXPECT_TRUE(seen.emplace(r.Device, r.Index).second) << r.Device << "/" << r.Index;
    });
    for (int device = 0; device < 5; ++device) {
        for (int index = 0; index < 32; ++index) {
            EXPECT_EQ(seen.count({device, index}) == 1, IsLedIndex(index))
                << device << "/" << index;
        }
    }
}

TEST(LedGroups, ColumnsHoldEachLedIndexOnce) {
    std::set<int> seen;
    for (const TLedGroup& group : LedGroups()) {
        for (int index : group) {
            EXPECT_TRUE(IsLedIndex(index));
            EXPECT_TRUE(seen.insert(index).second);
        }
    }
    EXPECT_EQ(seen.size(), 21u);
    EXPECT_FALSE(IsLedIndex(7));
    EXPECT_FALSE(IsLedIndex(15));
    EXPECT_FALSE(IsLedIndex(23));
    EXPECT_FALSE(IsLedIndex(-1));
}

} // namespace
