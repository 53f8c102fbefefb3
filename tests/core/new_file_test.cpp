// New files written whole or not at all, never over an earlier one (service reports): a full
// disk, a failed flush or a taken name leave the directory as it was, and a file system without
// an atomic no-replace rename still never replaces.

#include "store/atomic_file.h"
#include "store/disk_calls.h"
#include "store/pdf_document_info.h"

#include "temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>

using ::testing::ElementsAre;

namespace {

std::vector<std::string> Names(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class NewFileTest : public ::testing::Test {
protected:
    ~NewFileTest() override { DiskCalls() = SystemDiskCalls(); }
    TTempDir Dir;
};

} // namespace

TEST_F(NewFileTest, AFreeNameIsTakenAndAnEarlierFileNeverReplaced) {
    const std::string first = Dir.File("report.pdf");
    ASSERT_TRUE(CreateFileAtomically(first, "first"));
    EXPECT_FALSE(CreateFileAtomically(first, "second"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadFileBytes(first), "first");

    auto pathFor = [&](int attempt) {
        return Dir.File("report" + (attempt > 0 ? "_" + std::to_string(attempt + 1) : "") + ".pdf");
    };
    EXPECT_EQ(CreateFileWithFreeName(pathFor, "second"), Dir.File("report_2.pdf"));
    EXPECT_EQ(ReadFileBytes(first), "first");
    EXPECT_EQ(ReadFileBytes(Dir.File("report_2.pdf")), "second");
    EXPECT_THAT(Names(Dir.Path()), ElementsAre("report.pdf", "report_2.pdf"));
}

// A name taken between the look and the rename (another copy of the tool, say) is still not
// replaced: the rename itself refuses; where the file system has no such rename, a hard link
// does, and where it has no hard links either, the look just before the plain rename.
TEST_F(NewFileTest, TheRenameItselfNeverReplaces) {
    const std::string target = Dir.File("report.pdf");
    DiskCalls().RenameNoReplace = [&](const char* from, const char* to) {
        WriteFileBytes(target, "theirs"); // the name is taken at the last moment
        return SystemDiskCalls().RenameNoReplace(from, to);
    };
    EXPECT_FALSE(CreateFileAtomically(target, "ours"));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(ReadFileBytes(target), "theirs");
    EXPECT_THAT(Names(Dir.Path()), ElementsAre("report.pdf"));

    std::filesystem::remove(target);
    DiskCalls().RenameNoReplace = [&](const char*, const char*) {
        WriteFileBytes(target, "theirs");
        errno = EINVAL; // no RENAME_NOREPLACE here: a hard link instead
        return -1;
    };
    EXPECT_FALSE(CreateFileAtomically(target, "ours"));
    EXPECT_EQ(ReadFileBytes(target), "theirs");
    EXPECT_THAT(Names(Dir.Path()), ElementsAre("report.pdf"));

    std::filesystem::remove(target);
    DiskCalls().RenameNoReplace = [](const char*, const char*) {
        errno = EINVAL;
        return -1;
    };
    ASSERT_TRUE(CreateFileAtomically(target, "ours"));
    EXPECT_EQ(ReadFileBytes(target), "ours");
    EXPECT_THAT(Names(Dir.Path()), ElementsAre("report.pdf"));
}

// A full disk at the first or a later write, a flush or a rename that fails: the cause comes
// back and the directory holds what it held before, without a torn or temporary file.
TEST_F(NewFileTest, AFailureAnywhereLeavesNoFile) {
    WriteFileBytes(Dir.Path() / "earlier.pdf", "earlier");
    const std::string bytes(100000, 'x');
    struct TFault {
        const char* Name;
        std::function<void(TDiskCalls&)> Plant;
        int Error;
    };
    int writes = 0;
    const TFault faults[] = {
        {"full at once",
         [](TDiskCalls& c) {
             c.Write = [](int, const void*, std::size_t) -> ssize_t {
                 errno = ENOSPC;
                 return -1;
             };
         },
         ENOSPC},
        {"full after some",
         [&](TDiskCalls& c) {
             c.Write = [&](int fd, const void* data, std::size_t size) -> ssize_t {
                 if (++writes > 1) {
                     errno = ENOSPC;
                     return -1;
                 }
                 return SystemDiskCalls().Write(fd, data, size / 2);
             };
         },
         ENOSPC},
        {"stored short", // the system said every byte was written, but the file is shorter
         [](TDiskCalls& c) {
             c.Write = [](int fd, const void* data, std::size_t size) -> ssize_t {
                 SystemDiskCalls().Write(fd, data, size - 1);
                 return static_cast<ssize_t>(size);
             };
         },
         EIO},
        {"flush",
         [](TDiskCalls& c) {
             c.SyncFile = [](int) {
                 errno = EIO;
                 return -1;
             };
         },
         EIO},
        {"rename",
         [](TDiskCalls& c) {
             c.RenameNoReplace = [](const char*, const char*) {
                 errno = EDQUOT;
                 return -1;
             };
         },
         EDQUOT},
    };
    for (const TFault& fault : faults) {
        SCOPED_TRACE(fault.Name);
        DiskCalls() = SystemDiskCalls();
        fault.Plant(DiskCalls());
        EXPECT_EQ(CreateFileWithFreeName([&](int) { return Dir.File("new.pdf"); }, bytes), "");
        EXPECT_EQ(errno, fault.Error);
        EXPECT_THAT(Names(Dir.Path()), ElementsAre("earlier.pdf"));
    }
    EXPECT_EQ(ReadFileBytes(Dir.Path() / "earlier.pdf"), "earlier");
}

TEST(PdfDocumentInfo, AnUpdatePointsToTheNewInformationAndBackToTheOldTable) {
    std::string pdf =
        "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\nxref\n0 2\n"
        "0000000000 65535 f \n0000000009 00000 n \n"
        "trailer\n<<\n/Size 2\n/Root 1 0 R\n/ID [<AB><CD>]\n>>\nstartxref\n45\n%%EOF\n";
    const std::size_t before = pdf.size();
    ASSERT_TRUE(AddDocumentInfo(pdf, {"Report", "Jan Nov\xC3\xA1k", "", "Orvant2"}));
    const std::string update = pdf.substr(before);
    const std::size_t object = update.find("2 0 obj");
    ASSERT_NE(object, std::string::npos);
    EXPECT_NE(update.find("/Author <FEFF004A0061006E0020004E006F007600E1006B>"), std::string::npos)
        << update;
    EXPECT_EQ(update.find("/Subject"), std::string::npos); // empty: left out
    char entry[32];
    std::snprintf(entry, sizeof entry, "xref\n2 1\n%010zu 00000 n \n", before + object);
    EXPECT_NE(update.find(entry), std::string::npos) << update;
    EXPECT_NE(update.find("/Size 3 /Root 1 0 R /Info 2 0 R /Prev 45 /ID [<AB><CD>]"),
              std::string::npos)
        << update;
    const std::size_t xref = before + update.find("xref");
    EXPECT_TRUE(update.ends_with("startxref\n" + std::to_string(xref) + "\n%%EOF\n")) << update;

    // A PDF cut short is no PDF to update.
    std::string cut = pdf.substr(0, pdf.size() - 10);
    EXPECT_FALSE(AddDocumentInfo(cut, {"Report", "", "", ""}));
    EXPECT_EQ(cut, pdf.substr(0, pdf.size() - 10));
    EXPECT_EQ(PdfTextString("\xF0\x9F\x98\x80"), "<FEFFD83DDE00>");
}
