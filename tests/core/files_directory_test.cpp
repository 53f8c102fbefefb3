// Where the files of a run live: beside a writable executable, else in the user's data
// directory, made on first start.
#include "store/app_paths.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(FilesDirectory, BesideAWritableExecutableElseTheUserDataDirectoryMadeOnFirstStart) {
    TTempDir dir;
    const std::string data = dir.File("home/data/");
    const TFilesDirectory beside = FilesDirectory(dir.Path().string(), data.c_str(), "/nowhere");
    EXPECT_EQ(beside.Path, dir.Path().string());
    EXPECT_TRUE(beside.BesideExecutable);
    struct stat status {};
    EXPECT_NE(::stat(data.c_str(), &status), 0); // nothing made for the user

    // A directory this process cannot write in (one that is not there serves for root, who may
    // write in any that is): the user's, made with its parents and only for the user.
    const TFilesDirectory user = FilesDirectory(dir.File("usr/bin"), data.c_str(), "/nowhere");
    EXPECT_EQ(user.Path, dir.File("home/data/orvant2"));
    EXPECT_FALSE(user.BesideExecutable);
    ASSERT_EQ(::stat(user.Path.c_str(), &status), 0);
    EXPECT_TRUE(S_ISDIR(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(FilesDirectory(dir.File("usr/bin"), data.c_str(), nullptr).Path, user.Path);
    // Installed: never beside the program, not even for root (who may write there).
    for (const char* installed : {"/usr/bin", "/usr/local/bin", "/usr/lib/orvant2", "/usr"}) {
        const TFilesDirectory files = FilesDirectory(installed, data.c_str(), nullptr);
        EXPECT_EQ(files.Path, user.Path) << installed;
        EXPECT_FALSE(files.BesideExecutable) << installed;
    }
}

TEST(FilesDirectory, DataHomeWhenAbsoluteElseTheHomeDirectorysDefault) {
    EXPECT_EQ(UserDataDirectory("/srv/data/", "/home/tech"), "/srv/data/orvant2");
    EXPECT_EQ(UserDataDirectory(nullptr, "/home/tech/"), "/home/tech/.local/share/orvant2");
    EXPECT_EQ(UserDataDirectory("", "/home/tech"), "/home/tech/.local/share/orvant2");
    EXPECT_EQ(UserDataDirectory("data", "/home/tech"), "/home/tech/.local/share/orvant2");
    EXPECT_TRUE(UserDataDirectory(nullptr, nullptr).ends_with("/.local/share/orvant2"));
}
