#include "store/record_file.h"

#include "core/errors.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class RecordFileTest : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string Name = Dir.File("Zaznam.BIN");
};

TEST_F(RecordFileTest, AMissingFileIsCreatedEmptyAndLeftEmpty) {
    {
        TRecordFile file;
        file.Open(Name);
        EXPECT_TRUE(file.IsOpen());
        EXPECT_EQ(file.Position(), 0);
        file.Close();
        EXPECT_FALSE(file.IsOpen());
        file.Close(); // closing twice changes nothing
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(Name));
    EXPECT_EQ(std::filesystem::file_size(Name), 0u);
}

TEST_F(RecordFileTest, StandsAfterTheLastWholeRecordAndKeepsAPartRecord) {
    std::string bytes;
    for (int i = 0; i < 2 * 80 + 37; ++i) {
        bytes += static_cast<char>(i * 7);
    }
    WriteFileBytes(Name, bytes);
    {
        TRecordFile file;
        file.Open(Name);
        EXPECT_EQ(file.Position(), 160);
    } // closed by going
    EXPECT_EQ(ReadFileBytes(Name), bytes);
}

TEST_F(RecordFileTest, AFileThatCannotBeOpenedRaisesTheSystemsErrorAndStaysClosed) {
    std::filesystem::create_directory(Name);
    TRecordFile file;
    try {
        file.Open(Name);
        FAIL() << "a directory opened as a record file";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode, EISDIR);
        EXPECT_NE(std::string(error.what()).find(Name), std::string::npos);
    }
    EXPECT_FALSE(file.IsOpen());
    EXPECT_THROW(file.Position(), EInOutError);
    EXPECT_NO_THROW(file.Close());
}

} // namespace
