#include "model/panel_texts.h"

#include <gtest/gtest.h>

#include <string>

TEST(PanelTexts, ListsHaveThePanelsLengthsAndEnds) {
    struct TCase {
        TStateList List;
        std::size_t Size;
        std::string_view First;
        std::string_view Last;
    };
    const TCase cases[] = {
        {TStateList::Line, 10, "Silent", "Off"},      {TStateList::System, 10, "Ready", "Reset"},
        {TStateList::Valve, 4, "OK", "Short"},        {TStateList::Acoustic, 3, "OK", "Short"},
        {TStateList::Battery, 4, "OK", "Discharged"}, {TStateList::Operation, 4, "Ready", "Stop"},
    };
    for (const TCase& c : cases) {
        const auto texts = StateTexts(c.List);
        ASSERT_EQ(texts.size(), c.Size);
        EXPECT_EQ(texts.front(), c.First);
        EXPECT_EQ(texts.back(), c.Last);
    }
    EXPECT_EQ(StateTexts(TStateList::Battery)[2], "Charging "); // the trailing blank is the panel's
    EXPECT_EQ(StateTexts(TStateList::Valve)[1], "Raised resistance");
    EXPECT_EQ(StateTexts(TStateList::System)[6], "Exting. Time");
}

TEST(PanelTexts, EachStateFieldUsesItsList) {
    EXPECT_EQ(StateListOf(TStateField::stHas), TStateList::System);
    EXPECT_EQ(StateListOf(TStateField::stPro), TStateList::Operation);
    EXPECT_EQ(StateListOf(TStateField::stSir), TStateList::Acoustic);
    EXPECT_EQ(StateListOf(TStateField::stV1), TStateList::Valve);
    EXPECT_EQ(StateListOf(TStateField::stBat), TStateList::Battery);
    EXPECT_EQ(StateListOf(TStateField::LineA), TStateList::Line);
    EXPECT_EQ(StateListOf(TStateField::LineB), TStateList::Line);
    EXPECT_EQ(StateListOf(TStateField::LineC), TStateList::Line);
}

TEST(PanelTexts, CodePastTheListSelectsTheLastItem) {
    EXPECT_EQ(StateItemIndex(TStateField::stHas, 12), 9); // "Reset"
    EXPECT_EQ(StateItemIndex(TStateField::stHas, 10), 9);
    EXPECT_EQ(StateItemIndex(TStateField::stHas, 9), 9);
    EXPECT_EQ(StateItemIndex(TStateField::stHas, 8), 8);
    EXPECT_EQ(StateItemIndex(TStateField::stSir, 3), 2); // "Short"
    EXPECT_EQ(StateItemIndex(TStateField::stSir, 255), 2);
    EXPECT_EQ(StateItemIndex(TStateField::LineC, 0), 0);
    EXPECT_EQ(StateItemIndex(TStateList::Operation, 4), 3);
    EXPECT_EQ(StateTexts(TStateList::Acoustic)[StateItemIndex(TStateField::stSir, 3)], "Short");
}

TEST(PanelTexts, MasterOutputBitsAndTheirCaptions) {
    const auto bits = MasterOutputBits();
    const char* captions[] = {"Cooiling", "Technologic", "Alarm",    "Pre alarm", "Failure",
                              "Test",     "Acoustic",    "Valvel 1", "Valvel 2"};
    ASSERT_EQ(bits.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(bits[i].Bit, i);
        EXPECT_EQ(bits[i].Caption, captions[i]);
    }
    EXPECT_EQ(bits[SlaveFailureBit].Caption, "Failure");
    EXPECT_EQ(bits[SlaveValveBit].Caption, "Valvel 1");
}

TEST(PanelTexts, LedNamesByIndexWithGapsAtSevenAndFifteen) {
    EXPECT_EQ(LedName(0), "Sys. ready");
    EXPECT_EQ(LedName(5), "Stop extinguis.");
    EXPECT_EQ(LedName(8), "Fault processor");
    EXPECT_EQ(LedName(14), "Fault loop A+B");
    EXPECT_EQ(LedName(16), "Fault valve");
    EXPECT_EQ(LedName(19), "Fault slave4");
    EXPECT_EQ(LedName(22), "Fault slave1");
    int named = 0;
    for (int n = -1; n <= 32; ++n) {
        named += LedName(n).empty() ? 0 : 1;
    }
    EXPECT_EQ(named, 21); // 0..22 less 7 and 15
    EXPECT_TRUE(LedName(7).empty());
    EXPECT_TRUE(LedName(15).empty());
    EXPECT_TRUE(LedName(23).empty());
}
