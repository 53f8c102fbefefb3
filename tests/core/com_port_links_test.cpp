#include "transport/com_port_links.h"

#include "pty_pair.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

// Links are followed to their device; a link that leads nowhere, a plain file and a missing
// path are no serial device.
TEST(ComPortLinks, LinksLeadToTheirDeviceAndOnlyDevicesArePresent) {
    TTempDir dir;
    TPtyPair pty;
    fs::create_directories(dir.Path() / "by-id");
    fs::create_symlink(pty.SlavePath(), dir.Path() / "by-id" / "usb-adapter");
    fs::create_symlink(dir.Path() / "gone", dir.Path() / "by-id" / "unplugged");
    WriteFileBytes(dir.Path() / "plain", "");
    const std::string link = (dir.Path() / "by-id" / "usb-adapter").string();

    EXPECT_TRUE(ComPortPresent(pty.SlavePath()));
    EXPECT_TRUE(ComPortPresent(link));
    EXPECT_FALSE(ComPortPresent((dir.Path() / "by-id" / "unplugged").string()));
    EXPECT_FALSE(ComPortPresent((dir.Path() / "plain").string()));
    EXPECT_EQ(LinkTarget(link), fs::canonical(pty.SlavePath()).string());
    EXPECT_EQ(LinkTarget(pty.SlavePath()), "");
    const std::vector<TComPortLink> links = EnumComPortLinks(dir.Path());
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].Path, link);
    EXPECT_TRUE(EnumComPortLinks(dir.Path() / "none").empty());
}
