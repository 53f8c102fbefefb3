// Where the files of a run live: beside a writable executable, else in the user's data
// directory, made on first start.
#include "store/app_paths.h"

#include "core/errors.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

TEST(FilesDirectory, AWritableExecutableDirectoryKeepsEveryFileBesideIt) {
    TTempDir dir;
    const std::string data = dir.File("data");
    const TFilesDirectory files = FilesDirectory(dir.Path().string(), data.c_str(), "/nowhere");
    EXPECT_EQ(files.Path, dir.Path().string());
    EXPECT_TRUE(files.BesideExecutable);
    EXPECT_FALSE(fs::exists(data)); // nothing made in the user's directory
}

// An executable directory this process cannot write in (one that is not there serves for root,
// who may write in any directory that is): the user's data directory, created with its parents
// and only for the user.
TEST(FilesDirectory, ElsewhereTheUserDataDirectoryIsCreatedOnFirstStart) {
    TTempDir dir;
    const std::string data = dir.File("home/.data/");
    const TFilesDirectory files = FilesDirectory(dir.File("usr/bin"), data.c_str(), "/nowhere");
    EXPECT_EQ(files.Path, dir.File("home/.data/orvant2"));
    EXPECT_FALSE(files.BesideExecutable);
    struct stat status {};
    ASSERT_EQ(::stat(files.Path.c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    // The second start finds it.
    EXPECT_EQ(FilesDirectory(dir.File("usr/bin"), data.c_str(), "/nowhere").Path, files.Path);
}

TEST(FilesDirectory, AFileInThePlaceOfTheDirectoryIsRefusedByName) {
    TTempDir dir;
    WriteFileBytes(dir.Path() / "orvant2", "");
    const std::string data = dir.Path().string();
    try {
        FilesDirectory(dir.File("usr/bin"), data.c_str(), "/nowhere");
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_EQ(error.ErrorCode, ENOTDIR);
        EXPECT_NE(std::string(error.what()).find(dir.File("orvant2")), std::string::npos);
    }
}

TEST(FilesDirectory, DataHomeWhenAbsoluteElseTheHomeDirectorysDefault) {
    EXPECT_EQ(UserDataDirectory("/srv/data/", "/home/tech"), "/srv/data/orvant2");
    EXPECT_EQ(UserDataDirectory("/", "/home/tech"), "/orvant2");
    EXPECT_EQ(UserDataDirectory(nullptr, "/home/tech"), "/home/tech/.local/share/orvant2");
    EXPECT_EQ(UserDataDirectory("", "/home/tech/"), "/home/tech/.local/share/orvant2");
    EXPECT_EQ(UserDataDirectory("data", "/home/tech"), "/home/tech/.local/share/orvant2");
    // Without HOME: the account's home directory.
    const std::string fallback = UserDataDirectory(nullptr, nullptr);
    EXPECT_EQ(fallback.front(), '/');
    EXPECT_TRUE(fallback.ends_with("/.local/share/orvant2"));
}
