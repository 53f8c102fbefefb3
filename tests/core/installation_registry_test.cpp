// The installations file: the slaves each master named, the name and site a technician gave it,
// and its last visit, kept across runs; what a name may hold.

#include "model/installation_registry.h"
#include "model/installation_text.h"

#include "core/civil_time.h"
#include "core/errors.h"

#include "fakes.h"
#include "temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr uint64_t MasterA = 0x00C0FFEE0000;
constexpr uint64_t SlaveA1 = 0x00C0FFEE0001;
constexpr uint64_t SlaveA1New = 0x00C0FFEE0011;
constexpr uint64_t MasterB = 0x00B0B0B0B000;

int64_t Seconds(int hour, int minute) {
    return CivilSeconds(At(2026, 12, 7, hour, minute, 0));
}

std::string Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const EOrvant& error) {
        return error.what();
    }
    return {};
}

} // namespace

TEST(InstallationRegistry, KeepsEverySlaveNameSiteAndVisitAcrossRuns) {
    TTempDir dir;
    const std::string path = dir.File(InstallationsFileName);
    {
        TInstallationRegistry registry(path);
        registry.Load(); // no file yet: an older files directory
        EXPECT_TRUE(registry.Installations().empty());
        registry.Answered(MasterA, {SlaveA1}, Seconds(10, 0));
        registry.VisitStarted(MasterA, Seconds(10, 0));
        registry.SaveIfDue();
        registry.Answered(MasterA, {SlaveA1}, Seconds(10, 1));
        EXPECT_FALSE(registry.Due()); // the same slave again: no write for every reply
        registry.Answered(MasterA, {SlaveA1}, Seconds(11, 1));
        EXPECT_TRUE(registry.Due()); // but its last-seen time is written within the hour
        registry.SaveIfDue();
        registry.Answered(MasterA, {SlaveA1New}, Seconds(11, 2)); // slave 1 replaced
        EXPECT_TRUE(registry.Due());
        registry.SetNameAndSite(MasterA,
                                "  Kotelna \xC5\xA0"
                                "kodovka ",
                                "Plze\xC5\x88, hala 3");
        // Written at once: a crash right after loses nothing.
    }
    TInstallationRegistry again(path);
    again.Load();
    const TInstallationInfo* a = again.Find(MasterA);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Name, "Kotelna \xC5\xA0kodovka");
    EXPECT_EQ(a->Site, "Plze\xC5\x88, hala 3");
    EXPECT_EQ(a->LastVisit, Seconds(10, 0));
    EXPECT_EQ(a->Slaves.size(), 2u);
    EXPECT_EQ(a->Slaves.at(SlaveA1), Seconds(11, 1));
    EXPECT_EQ(a->Slaves.at(SlaveA1New), Seconds(11, 2));
    EXPECT_EQ(again.MasterOf(SlaveA1), MasterA);
    EXPECT_EQ(again.MasterOf(0x1234), 0x1234u);
    EXPECT_THAT(again.Members(MasterA), ::testing::ElementsAre(MasterA, SlaveA1, SlaveA1New));
    EXPECT_EQ(again.Label(MasterA), "00C0FFEE0000 Kotelna \xC5\xA0kodovka (Plze\xC5\x88, hala 3)");

    // A visit in this run: "since the last visit" is the one before it.
    EXPECT_EQ(again.PreviousVisit(MasterA), Seconds(10, 0));
    again.VisitStarted(MasterA, Seconds(14, 0));
    EXPECT_EQ(again.PreviousVisit(MasterA), Seconds(10, 0));
    EXPECT_EQ(again.Find(MasterA)->LastVisit, Seconds(14, 0));
}

TEST(InstallationRegistry, RefusesNamesWithControlCharactersOrTooLongAndKeepsTheOldOne) {
    TTempDir dir;
    TInstallationRegistry registry(dir.File(InstallationsFileName));
    registry.SetNameAndSite(MasterA, "Boiler house", "");
    EXPECT_EQ(Message([&] { registry.SetNameAndSite(MasterA, "Boiler\r\n[00C0FFEE0000]", ""); }),
              "The installation's name may not hold line breaks, tabs or other control "
              "characters.");
    EXPECT_EQ(Message([&] { registry.SetNameAndSite(MasterA, "x", std::string(300, 'a')); }),
              "The installation's site has 300 characters; at most 80 are allowed.");
    EXPECT_EQ(Message([&] { registry.SetNameAndSite(MasterA, "\xC5", ""); }),
              "The installation's name is not readable text (not UTF-8); type it again.");
    EXPECT_EQ(CheckedInstallationText("name", std::string(80, 'a')), std::string(80, 'a'));
    EXPECT_THROW(CheckedInstallationText("name", "a\xC2\x85"
                                                 "b"),
                 EOrvant); // NEL, a C1 code
    EXPECT_EQ(registry.Find(MasterA)->Name, "Boiler house");
}

TEST(InstallationRegistry, AFileThatCannotBeWrittenKeepsTheOldName) {
    TTempDir dir;
    const auto folder = dir.Path() / "files";
    std::filesystem::create_directory(folder);
    TInstallationRegistry registry((folder / InstallationsFileName).string());
    registry.SetNameAndSite(MasterA, "Old", "");
    std::filesystem::rename(folder, dir.Path() / "gone"); // even root cannot write there now
    EXPECT_THROW(registry.SetNameAndSite(MasterA, "New", ""), EInOutError);
    EXPECT_EQ(registry.Find(MasterA)->Name, "Old");
    EXPECT_THROW(registry.SetNameAndSite(MasterB, "New", ""), EInOutError);
    EXPECT_EQ(registry.Find(MasterB), nullptr);
}
