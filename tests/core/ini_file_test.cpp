#include "store/ini_file.h"

#include "core/errors.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The message of the EOrvant that `action` raises ("" when it raises none).
template <typename F> std::string RaisedMessage(F action) {
    try {
        action();
    } catch (const EOrvant& e) {
        return e.what();
    }
    return "";
}

std::vector<std::string> DirectoryNames(const fs::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

unsigned PermissionBits(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

class IniFileTest : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string Name = Dir.File("Kelm2.ini");
};

} // namespace

TEST_F(IniFileTest, ReadsNamesWithoutRegardToCaseAndBlanks) {
    WriteFileBytes(Name, "; settings\r\n[General]\r\n  Adr = 7 \r\nIP=10.0.0.1\n"
                         "[ Zar0 ]\nid\t=\t00AB\r\n");
    TIniFile ini(Name);
    EXPECT_EQ(ini.ReadInteger("general", "ADR", 2), 7);
    EXPECT_EQ(ini.ReadString("GENERAL", "ip", "x"), "10.0.0.1");
    EXPECT_EQ(ini.ReadString("zar0", "ID", "0"), "00AB");
    EXPECT_EQ(ini.ReadString("General", "id", "none"), "none");
    EXPECT_EQ(ini.ReadString("Zar1", "id", "0"), "0");
    EXPECT_TRUE(ini.SectionExists("ZAR0"));
    EXPECT_FALSE(ini.SectionExists("Zar1"));
    EXPECT_FALSE(ini.SectionExists("settings"));
}

TEST_F(IniFileTest, ReadsIntegersInTheirFormsAndGivesTheDefaultForAnythingElse) {
    const std::vector<std::pair<std::string, int>> cases = {{"42", 42},
                                                            {"-42", -42},
                                                            {"+7", 7},
                                                            {"007", 7},
                                                            {"$1F", 31},
                                                            {"$ff", 255},
                                                            {"0x10", 16},
                                                            {"0X1f", 31},
                                                            {"0x1", 1},
                                                            {"2147483647", INT_MAX},
                                                            {"-2147483648", INT_MIN},
                                                            {"$7FFFFFFF", INT_MAX},
                                                            {"0x", -1},
                                                            {"$", -1},
                                                            {"", -1},
                                                            {"abc", -1},
                                                            {"12abc", -1},
                                                            {"1 2", -1},
                                                            {"2147483648", -1},
                                                            {"-2147483649", -1},
                                                            {"$80000000", -1},
                                                            {"0x100000000", -1},
                                                            {"$-1", -1},
                                                            {"0x-1", -1},
                                                            {"+-1", -1},
                                                            {"-", -1},
                                                            {"1.5", -1}};
    std::string text = "[N]\r\n";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        text += "k" + std::to_string(i) + "=" + cases[i].first + "\r\n";
    }
    WriteFileBytes(Name, text);
    TIniFile ini(Name);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(ini.ReadInteger("N", "k" + std::to_string(i), -1), cases[i].second)
            << "text \"" << cases[i].first << "\"";
    }
}

TEST_F(IniFileTest, ReadsBooleansAsIntegers) {
    WriteFileBytes(Name, "[General]\r\nOff=0\r\nOn=5\r\nText=abc\r\nHex=$0\r\n");
    TIniFile ini(Name);
    EXPECT_FALSE(ini.ReadBool("General", "Off", true));
    EXPECT_TRUE(ini.ReadBool("General", "On", false));
    EXPECT_TRUE(ini.ReadBool("General", "Text", true));
    EXPECT_FALSE(ini.ReadBool("General", "Text", false));
    EXPECT_FALSE(ini.ReadBool("General", "Hex", true));
    EXPECT_TRUE(ini.ReadBool("General", "Missing", true));
}

TEST_F(IniFileTest, CutsLongValuesAt2047Characters) {
    const std::string exact(2047, 'a');
    const std::string longer = std::string(2047, 'b') + "cdef";
    WriteFileBytes(Name, "[S]\r\nexact=" + exact + "\r\nlonger=" + longer + "\r\n");
    TIniFile ini(Name);
    EXPECT_EQ(ini.ReadString("S", "exact", ""), exact);
    EXPECT_EQ(ini.ReadString("S", "longer", ""), std::string(2047, 'b'));
}

TEST_F(IniFileTest, MissingOrUnreadableFileReadsAsDefaultsAndReadingCreatesNothing) {
    TIniFile missing(Name);
    EXPECT_EQ(missing.ReadInteger("General", "Adr", 2), 2);
    EXPECT_TRUE(missing.ReadBool("General", "UDP", true));
    EXPECT_FALSE(missing.SectionExists("General"));
    EXPECT_FALSE(fs::exists(Name));

    fs::create_directory(Name); // a directory where the file should be cannot be read
    TIniFile directory(Name);
    EXPECT_EQ(directory.ReadString("General", "IP", "192.168.1.10"), "192.168.1.10");
}

TEST_F(IniFileTest, CreatesTheFileWithCrLfLines) {
    TIniFile ini(Name);
    ini.WriteInteger("General", "Adr", -3);
    ini.WriteBool("General", "UDP", true);
    ini.WriteBool("General", "Off", false);
    ini.WriteString("Zar0", "id", "0123456789AB");
    EXPECT_EQ(ReadFileBytes(Name), "[General]\r\nAdr=-3\r\nUDP=1\r\nOff=0\r\n"
                                   "\r\n[Zar0]\r\nid=0123456789AB\r\n");
    EXPECT_EQ(ini.ReadInteger("general", "adr", 0), -3);
    EXPECT_EQ(DirectoryNames(Dir.Path()), std::vector<std::string>{"Kelm2.ini"});
}

TEST_F(IniFileTest, WritesKeepCommentsOrderAndAppendNewKeysToTheirOwnSection) {
    WriteFileBytes(Name, "; written by hand\n"
                         "[General]\n"
                         "Adr = 2\n"
                         "; the panel's address\n"
                         "IP=10.0.0.1\n"
                         "\n"
                         "; first installation\n"
                         "[Zar0]\n"
                         "id=00AABBCCDDEE\n");
    TIniFile ini(Name);
    ini.WriteInteger("GENERAL", "adr", 5);
    ini.WriteInteger("general", "PocetZar", 1);
    ini.WriteInteger("Zar0", "index", 12);
    ini.WriteString("Zar1", "id", "0");
    EXPECT_EQ(ReadFileBytes(Name), "; written by hand\r\n"
                                   "[General]\r\n"
                                   "Adr = 5\r\n"
                                   "; the panel's address\r\n"
                                   "IP=10.0.0.1\r\n"
                                   "PocetZar=1\r\n"
                                   "\r\n"
                                   "; first installation\r\n"
                                   "[Zar0]\r\n"
                                   "id=00AABBCCDDEE\r\n"
                                   "index=12\r\n"
                                   "\r\n"
                                   "[Zar1]\r\n"
                                   "id=0\r\n");
}

TEST_F(IniFileTest, SectionSplitInTwoBlocksActsAsOneSection) {
    WriteFileBytes(Name, "[A]\r\nx=1\r\n[B]\r\ny=  \r\n[a]\r\nz=3\r\n");
    TIniFile ini(Name);
    EXPECT_EQ(ini.ReadInteger("A", "z", 0), 3);
    EXPECT_EQ(ini.ReadString("B", "y", "default"), "");
    ini.WriteInteger("A", "z", 4);
    ini.WriteInteger("A", "w", 5);
    ini.WriteInteger("B", "y", 6);
    EXPECT_EQ(ReadFileBytes(Name), "[A]\r\nx=1\r\nw=5\r\n[B]\r\ny=6\r\n[a]\r\nz=4\r\n");
}

TEST_F(IniFileTest, KeepsEightBitBytesAsTheyAre) {
    const std::string value = "P\xF8\xED"
                              "stroj \xE8.1";
    TIniFile ini(Name);
    ini.WriteString("Za\xF8", "n\xE1zev", value);
    EXPECT_EQ(ini.ReadString("Za\xF8", "n\xE1zev", ""), value);
    EXPECT_EQ(ini.ReadString("ZA\xD8", "n\xE1zev", "none"), "none"); // only ASCII folds
}

TEST_F(IniFileTest, SeesAndKeepsChangesMadeByAnotherProgram) {
    TIniFile ini(Name);
    ini.WriteInteger("General", "Adr", 2);
    WriteFileBytes(Name, "[General]\r\nAdr=9\r\nIP=10.1.1.1\r\n");
    EXPECT_EQ(ini.ReadInteger("General", "Adr", 0), 9);
    ini.WriteBool("General", "UDP", false);
    EXPECT_EQ(ReadFileBytes(Name), "[General]\r\nAdr=9\r\nIP=10.1.1.1\r\nUDP=0\r\n");
}

TEST_F(IniFileTest, UnwritableLocationRaisesWithTheFileName) {
    const std::string inMissingDir = Dir.File("no-such-dir/Kelm2.ini");
    TIniFile missingDir(inMissingDir);
    EXPECT_EQ(RaisedMessage([&] { missingDir.WriteInteger("General", "Adr", 1); }),
              "Unable to write to " + inMissingDir);

    WriteFileBytes(Dir.File("plain"), "x");
    const std::string underFile = Dir.File("plain/Kelm2.ini");
    TIniFile notADir(underFile);
    EXPECT_EQ(RaisedMessage([&] { notADir.WriteString("General", "IP", "1.2.3.4"); }),
              "Unable to write to " + underFile);
}

TEST_F(IniFileTest, ExistingFileThatCannotBeReadIsNotOverwritten) {
    fs::create_directory(Name);
    WriteFileBytes(Dir.File("Kelm2.ini/inside"), "kept");
    TIniFile ini(Name);
    EXPECT_EQ(RaisedMessage([&] { ini.WriteInteger("General", "Adr", 1); }),
              "Unable to write to " + Name);
    EXPECT_EQ(ReadFileBytes(Dir.File("Kelm2.ini/inside")), "kept");

    // A link that points at itself cannot be opened, yet a rename would replace it.
    const std::string loop = Dir.File("loop.ini");
    fs::create_symlink("loop.ini", loop);
    TIniFile looped(loop);
    EXPECT_EQ(RaisedMessage([&] { looped.WriteInteger("General", "Adr", 1); }),
              "Unable to write to " + loop);
    EXPECT_TRUE(fs::is_symlink(loop));
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldBreakTheFile) {
    const std::string before = "[General]\r\nIP=10.0.0.1\r\n";
    WriteFileBytes(Name, before);
    TIniFile ini(Name);
    const std::string expected = "Unable to write to " + Name;
    EXPECT_EQ(RaisedMessage([&] { ini.WriteString("General", "IP", "1\r\n[Evil]\r\nx=1"); }),
              expected);
    EXPECT_EQ(RaisedMessage([&] { ini.WriteString("General", "IP", std::string("1\0", 2)); }),
              expected);
    EXPECT_EQ(RaisedMessage([&] { ini.WriteString("General", "a=b", "1"); }), expected);
    EXPECT_EQ(RaisedMessage([&] { ini.WriteString("General", ";c", "1"); }), expected);
    EXPECT_EQ(RaisedMessage([&] { ini.WriteString("General", " IP", "1"); }), expected);
    EXPECT_EQ(RaisedMessage([&] { ini.WriteString("Gen]eral", "IP", "1"); }), expected);
    EXPECT_EQ(RaisedMessage([&] { ini.WriteString("", "IP", "1"); }), expected);
    EXPECT_EQ(ReadFileBytes(Name), before);
    ini.WriteString("General", "IP", "  padded  ");
    EXPECT_EQ(ini.ReadString("General", "IP", ""), "padded"); // blanks around values drop
}

// The file-size limit makes the write of the new file fail for real, part-way through; the
// old file must come through whole and no temporary file may stay behind.
TEST_F(IniFileTest, WriteFailingPartWayLeavesTheOldFileWhole) {
    const std::string before = "[General]\r\nAdr=2\r\n";
    WriteFileBytes(Name, before);
    TIniFile ini(Name);

    rlimit oldLimit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = oldLimit;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string message =
        RaisedMessage([&] { ini.WriteString("General", "IP", std::string(500, '1')); });
    ::setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message, "Unable to write to " + Name);
    EXPECT_EQ(ReadFileBytes(Name), before);
    EXPECT_EQ(DirectoryNames(Dir.Path()), std::vector<std::string>{"Kelm2.ini"});
}

TEST_F(IniFileTest, KeepsPermissionBitsAndSymbolicLinks) {
    WriteFileBytes(Name, "[General]\r\n");
    fs::permissions(Name, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const std::string link = Dir.File("link.ini");
    fs::create_symlink(Name, link);

    TIniFile ini(link);
    ini.WriteInteger("General", "Adr", 3);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(Name), "[General]\r\nAdr=3\r\n");
    EXPECT_EQ(PermissionBits(Name), 0640u);

    const mode_t oldMask = ::umask(027);
    TIniFile fresh(Dir.File("ComPort.ini"));
    fresh.WriteString("ComPort1", "Port", "COM5");
    ::umask(oldMask);
    EXPECT_EQ(PermissionBits(Dir.File("ComPort.ini")), 0640u);
}

// A run with other rights (under sudo) must not take the file from its user; a temporary file
// that a writer which died left behind goes at the next write, one of a running writer stays.
TEST_F(IniFileTest, KeepsOwnerAndGroupAndRemovesTempFilesOfDeadWriters) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a file to another user needs root";
    }
    const pid_t dead = ::fork();
    if (dead == 0) {
        ::_exit(0);
    }
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const std::string orphan = Dir.File(".Kelm2.ini.tmp-" + std::to_string(dead) + "-0");
    const std::string running = Dir.File(".Kelm2.ini.tmp-" + std::to_string(::getppid()) + "-0");
    WriteFileBytes(orphan, "half");
    WriteFileBytes(running, "busy");
    WriteFileBytes(Name, "[General]\r\n");
    // Owner and group each kept, also when only one of them differs from this process's.
    for (const auto& [uid, gid] :
         {std::pair<uid_t, gid_t>{1234, 2345}, {1234, ::getegid()}, {::geteuid(), 2345}}) {
        ASSERT_EQ(::chown(Name.c_str(), uid, gid), 0);
        TIniFile(Name).WriteInteger("General", "Adr", int(uid + gid));
        struct stat info {};
        ASSERT_EQ(::stat(Name.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, uid);
        EXPECT_EQ(info.st_gid, gid);
    }
    EXPECT_FALSE(fs::exists(orphan));
    EXPECT_TRUE(fs::exists(running));
}

// A user who may replace the file but not give it back to its owner is told why the write
// fails, and the file stays as it was.
TEST_F(IniFileTest, AFileWhoseOwnerCannotBeKeptIsNotReplacedAndTheErrorSaysWhy) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "a file of another user needs root to make";
    }
    fs::permissions(Dir.Path(), fs::perms::all);
    WriteFileBytes(Name, "[General]\r\nAdr=1\r\n"); // root's file, as a run under sudo left it
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        if (::setgid(1234) != 0 || ::setuid(1234) != 0) {
            ::_exit(2);
        }
        const std::string message =
            RaisedMessage([&] { TIniFile(Name).WriteInteger("General", "Adr", 3); });
        [[maybe_unused]] ssize_t n = ::write(pipeFds[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, std::size_t(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(message, "Unable to write to " + Name +
                           ": it belongs to user 0 group 0, which this program (user 1234) "
                           "cannot keep");
    EXPECT_EQ(ReadFileBytes(Name), "[General]\r\nAdr=1\r\n");
    EXPECT_EQ(DirectoryNames(Dir.Path()), std::vector<std::string>{"Kelm2.ini"});
}

TEST_F(IniFileTest, ReadingAllAtOnceGivesWhatSingleReadsGive) {
    const std::string longValue(3000, 'v');
    WriteFileBytes(Name, "stray=1\r\n[General]\r\n PocetZar = 0x10 \r\nPocetZar=2\r\n[Zar0]\r\n"
                         "; id=comment\r\nid=00AB\r\n[zar0]\r\nindex=x\r\nlong=" +
                             longValue + "\r\n[ZAR1]\r\n[ Other ]\r\n");
    TIniFile ini(Name);
    const TIniValues all = ini.ReadAll();
    for (const auto& [section, key] :
         std::vector<std::pair<std::string, std::string>>{{"general", "pocetzar"},
                                                          {"ZAR0", "ID"},
                                                          {"Zar0", "index"},
                                                          {"Zar0", "long"},
                                                          {"Zar0", "; id"},
                                                          {"", "stray"},
                                                          {"Zar1", "id"},
                                                          {"Other", "x"}}) {
        EXPECT_EQ(all.ReadString(section, key, "d"), ini.ReadString(section, key, "d")) << key;
        EXPECT_EQ(all.ReadInteger(section, key, -1), ini.ReadInteger(section, key, -1)) << key;
    }
    EXPECT_EQ(all.ReadInteger("General", "PocetZar", 0), 16);
    EXPECT_EQ(all.SectionNames(), (std::vector<std::string>{"General", "Zar0", "ZAR1", "Other"}));
    EXPECT_EQ(TIniValues().ReadString("General", "IP", "d"), "d");
}
