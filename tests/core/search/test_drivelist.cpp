#include "core/search/drivelist.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/drives.h"
#include "core/process/ucommon.h"

namespace tavirel {
namespace {

using platform::DriveInfo;
using platform::DriveType;

TEST(DriveConstantLines, LabelsCountPerTypeInRootOrder) {
  struct Case {
    const char* name;
    std::vector<DriveInfo> drives;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"none", {}, {}},
      {"removable, fixed, cdrom, fixed",
       {{"/media/floppy", DriveType::Removable, "FLOPPY"},
        {"/", DriveType::Fixed, "SYSTEM"},
        {"/media/cdrom", DriveType::CdRom, "NAMAZU_CD"},
        {"/srv", DriveType::Fixed, ""}},
       {"{removable1} => /media/floppy", "{hd1} => /    [SYSTEM]",
        "{cdrom1} => /media/cdrom    [NAMAZU_CD]", "{hd2} => /srv    []"}},
      {"other types get no line and no number",
       {{"/net", DriveType::Other, "x"}, {"/data", DriveType::Fixed, "DATA"}},
       {"{hd1} => /data    [DATA]"}},
      {"more than six drives are all listed",
       {{"/a", DriveType::Fixed, ""}, {"/b", DriveType::Fixed, ""}, {"/c", DriveType::Fixed, ""},
        {"/d", DriveType::Fixed, ""}, {"/e", DriveType::Fixed, ""}, {"/f", DriveType::Fixed, ""},
        {"/g", DriveType::Removable, ""}},
       {"{hd1} => /a    []", "{hd2} => /b    []", "{hd3} => /c    []", "{hd4} => /d    []",
        "{hd5} => /e    []", "{hd6} => /f    []", "{removable1} => /g"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildDriveConstantLines(c.drives), c.lines) << c.name;
  }
}

TEST(DriveConstantLines, ExpandDriveConstantReadsTheLines) {
  const auto lines = BuildDriveConstantLines(
      {{"/", DriveType::Fixed, "SYSTEM"}, {"/media/cdrom", DriveType::CdRom, "CD"}});
  EXPECT_EQ(ExpandDriveConstant("{cdrom1}/doc/a.html", lines), "/media/cdrom/doc/a.html");
}

TEST(MountTable, MountInfoFieldsAndEscapes) {
  const std::string text =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "23 22 0:5 / /proc rw - proc proc rw\n"
      "24 22 8:17 / /media/my\\040disk rw master:3 unbindable - vfat /dev/sdb1 rw\n"
      "25 22 8:1 /srv/data /mnt/bind rw - ext4 /dev/sda1 rw\n"
      "broken line without separator\n"
      "26 22 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n";
  const auto entries = platform::ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].mountPoint, "/");
  EXPECT_EQ(entries[0].device, "/dev/sda1");
  EXPECT_EQ(entries[0].fsType, "ext4");
  EXPECT_EQ(entries[2].mountPoint, "/media/my disk");
  EXPECT_EQ(entries[2].device, "/dev/sdb1");
  EXPECT_EQ(entries[2].fsType, "vfat");
  EXPECT_EQ(entries[3].root, "/srv/data");
  EXPECT_EQ(entries[4].fsType, "iso9660");

  const auto mounts = platform::ParseProcMounts("/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\n");
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[1].device, "proc");
  EXPECT_EQ(mounts[0].root, "/");
}

TEST(MountTable, EscapesAndCdRomRule) {
  EXPECT_EQ(platform::DecodeHexEscapes("My\\x20Disk"), "My Disk");
  EXPECT_EQ(platform::DecodeHexEscapes("bad\\xZZ\\x2"), "bad\\xZZ\\x2");
  EXPECT_EQ(platform::DecodeOctalEscapes("a\\040b\\011c\\9"), "a b\tc\\9");
  EXPECT_TRUE(platform::IsCdRomMount("/dev/sr0", "ext4"));
  EXPECT_TRUE(platform::IsCdRomMount("/dev/loop3", "udf"));
  EXPECT_FALSE(platform::IsCdRomMount("/dev/sda1", "ext4"));
  EXPECT_FALSE(platform::IsCdRomMount("srv", "nfs"));
}

TEST(MountTable, ListDrivesHasNoPseudoFileSystems) {
  for (const DriveInfo& drive : platform::ListDrives()) {
    EXPECT_FALSE(drive.root.empty());
    EXPECT_NE(drive.root.rfind("/proc", 0), 0u) << drive.root;
    EXPECT_NE(drive.root.rfind("/sys", 0), 0u) << drive.root;
  }
}

}  // namespace
}  // namespace tavirel
