#include "store/crt_memo.h"

#include "core/errors.h"
#include "fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string Separator(39, '-');

void AddDirectLines(TMemoryLog& memo, int count) {
    for (int i = 0; i < count; ++i) {
        memo.AddLine("line " + std::to_string(i));
    }
}

class CrtMemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        Channel.AssignMemo(Memo);
        Channel.Rewrite();
    }
    TMemoryLog Memo;
    TCrtMemo Channel;
};

} // namespace

TEST(CommunicationLog, StartWritesBannerAndSeparatorOnly) {
    TMemoryLog memo;
    StartCommunicationLog(memo);
    EXPECT_EQ(memo.Lines, (std::vector<std::string>{"Start Komunikace", Separator}));
}

TEST(CommunicationLog, ClearThenMoreLinesWithoutNewBanner) {
    TMemoryLog memo;
    StartCommunicationLog(memo);
    memo.Clear();
    memo.AddLine("Verse=1.02");
    WriteSeparator();
    EXPECT_EQ(memo.Lines, (std::vector<std::string>{"Verse=1.02", Separator}));
}

TEST(CommunicationLog, StartKeepsLinesAlreadyInMemo) {
    TMemoryLog memo;
    memo.AddLine("********************  Shape1");
    StartCommunicationLog(memo);
    EXPECT_EQ(memo.Lines, (std::vector<std::string>{"********************  Shape1",
                                                    "Start Komunikace", Separator}));
}

TEST_F(CrtMemoTest, ChannelLineKeepsMemoAt501Lines) {
    AddDirectLines(Memo, 500);
    Channel.WriteLine("five hundred and first");
    EXPECT_EQ(Memo.LineCount(), 501);
    EXPECT_EQ(Memo.Lines.front(), "line 0");

    Channel.WriteLine("would be 502nd");
    EXPECT_EQ(Memo.LineCount(), 501);
    EXPECT_EQ(Memo.Lines.front(), "line 1");
    EXPECT_EQ(Memo.Lines.back(), "would be 502nd");
}

TEST_F(CrtMemoTest, DirectLinesNeverDeleteAndChannelRemovesOnlyOne) {
    AddDirectLines(Memo, 700);
    EXPECT_EQ(Memo.LineCount(), 700);
    Channel.WriteLine("through the channel");
    EXPECT_EQ(Memo.LineCount(), 700);
    EXPECT_EQ(Memo.Lines.front(), "line 1");
    AddDirectLines(Memo, 3);
    EXPECT_EQ(Memo.LineCount(), 703);
}

TEST_F(CrtMemoTest, PiecesWrittenSeparatelyFormOneLineAtLineEnd) {
    Channel.Write("Start ");
    Channel.Write("Kom");
    EXPECT_EQ(Memo.LineCount(), 0);
    Channel.WriteLine("unikace");
    EXPECT_EQ(Memo.Lines, std::vector<std::string>{"Start Komunikace"});
}

TEST_F(CrtMemoTest, LineOf128CharactersAcrossFullBufferIsWhole) {
    const std::string line(128, 'x');
    Channel.WriteLine(line); // the buffer fills exactly before the line end
    Channel.WriteLine(std::string(127, 'y'));
    // Here the buffer fills at the carriage return; its line feed must not start the next line.
    Channel.WriteLine("next");
    EXPECT_EQ(Memo.Lines, (std::vector<std::string>{line, std::string(127, 'y'), "next"}));
}

TEST_F(CrtMemoTest, LineOf129CharactersRaisesAndChannelGoesOn) {
    EXPECT_THROW(Channel.WriteLine(std::string(129, 'z')), ERangeError);
    EXPECT_EQ(Memo.LineCount(), 0);
    EXPECT_THROW(Channel.WriteLine(std::string(300, 'z')), ERangeError);
    Channel.WriteLine("fine");
    EXPECT_EQ(Memo.Lines, std::vector<std::string>{"fine"});
}

TEST_F(CrtMemoTest, CarriageReturnInsideTextEndsLineWithoutLosingRest) {
    Channel.WriteLine("one\r\ntwo");
    EXPECT_EQ(Memo.Lines, (std::vector<std::string>{"one", "two"}));
}

TEST_F(CrtMemoTest, RewriteDropsUnfinishedLineButKeepsMemo) {
    Channel.WriteLine("kept");
    Channel.Write("unfinished");
    Channel.Close();
    EXPECT_EQ(Memo.Lines, std::vector<std::string>{"kept"});
    EXPECT_THROW(Channel.Write("closed"), EInOutError);
    Channel.Rewrite();
    Channel.WriteLine("fresh");
    EXPECT_EQ(Memo.Lines, (std::vector<std::string>{"kept", "fresh"}));
}

TEST(CrtMemo, UnboundChannelCannotOpen) {
    TCrtMemo channel;
    EXPECT_THROW(channel.Rewrite(), EInOutError);
    EXPECT_THROW(channel.Write("x"), EInOutError);
}
