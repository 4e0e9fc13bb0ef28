// The private folder of the run: made under the parent the start names, only
// for this user, one per run, and gone with its files when released.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "core/search/runfolder.h"
#include "platform/platform.h"
#include "support/testsupport.h"

namespace tavirel {
namespace {

TEST(RunFolder, PrivateUnderItsParentAndRemovedWithItsFiles) {
  testsupport::TempDir parent;
  SetRunFolderParent(parent.path());
  const std::string folder = RunFolder();
  ASSERT_EQ(folder.rfind(parent.path() + "/tavirel-", 0), 0u) << folder;
  EXPECT_EQ(RunFolder(), folder);  // the same for the whole run
  struct stat st {};
  ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  testsupport::WriteBytes(folder + "/result.txt", "hits");
  ReleaseRunFolder();
  EXPECT_FALSE(platform::DirectoryExists(folder));
  EXPECT_TRUE(parent.Entries().empty());
  // A parent that cannot hold it gives no folder rather than a shared one.
  SetRunFolderParent(parent.File("missing"));
  EXPECT_EQ(RunFolder(), "");
  SetRunFolderParent("");
}

}  // namespace
}  // namespace tavirel
