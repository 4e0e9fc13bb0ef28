#include "platform/folderwatch.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "platform/platform.h"
#include "support/testsupport.h"

using namespace tavirel;
using namespace tavirel::platform;
namespace fs = std::filesystem;

namespace {

// "文書 フォルダ": a Japanese name with a blank, as a program path (Shift-JIS)
// and as the file system writes it.
const std::string kDocsSjis = "\x95\xb6\x8f\x91 \x83\x74\x83\x48\x83\x8b\x83\x5f";

// The groups that changed within `ms` milliseconds.
std::set<int> ChangesWithin(TFolderWatcher& watcher, int ms) {
  pollfd fd{watcher.Handle(), POLLIN, 0};
  if (::poll(&fd, 1, ms) <= 0) return {};
  return watcher.ReadChanges();
}

}  // namespace

TEST(FolderWatch, ChangesBelowAFolderReportItsGroup) {
  testsupport::TempDir dir;
  const std::string docs = dir.path() + "/" + *Cp932ToUtf8(kDocsSjis);
  fs::create_directories(docs + "/sub");
  fs::create_directories(docs + "/index");
  fs::create_directories(dir.path() + "/other");
  const std::string docsProgram = ProgramPathFromNative(docs);
  TFolderWatcher watcher;
  ASSERT_GE(watcher.Handle(), 0);
  ASSERT_EQ(watcher.Watch(7, docsProgram, docsProgram + "/index"), TWatchResult::wrWatching);
  ASSERT_EQ(watcher.Watch(8, ProgramPathFromNative(dir.path() + "/other")),
            TWatchResult::wrWatching);
  EXPECT_EQ(watcher.WatchCount(), 3u);  // the folder and "sub", not the index

  struct Case {
    const char* name;
    std::function<void()> change;
    std::set<int> groups;
  };
  const Case cases[] = {
      {"file added in a subfolder", [&] { testsupport::WriteBytes(docs + "/sub/a.txt", "x"); }, {7}},
      {"file changed", [&] { testsupport::WriteBytes(docs + "/sub/a.txt", "xy"); }, {7}},
      {"the index rewritten", [&] { testsupport::WriteBytes(docs + "/index/NMZ.i", "x"); }, {}},
      {"folder made, then a file in it",
       [&] {
         fs::create_directories(docs + "/new");
         ChangesWithin(watcher, 1000);  // the new folder is taken in
         testsupport::WriteBytes(docs + "/new/b.txt", "x");
       },
       {7}},
      {"file removed in the other folder",
       [&] {
         testsupport::WriteBytes(dir.path() + "/other/c.txt", "x");
         ChangesWithin(watcher, 1000);
         fs::remove(dir.path() + "/other/c.txt");
       },
       {8}},
  };
  for (const Case& c : cases) {
    ChangesWithin(watcher, 0);
    c.change();
    EXPECT_EQ(ChangesWithin(watcher, c.groups.empty() ? 300 : 2000), c.groups) << c.name;
  }
}

TEST(FolderWatch, LimitsAndFoldersThatCannotBeWatched) {
  testsupport::TempDir dir;
  for (const char* sub : {"a", "b", "c", "d"}) fs::create_directories(dir.path() + "/" + sub);
  TFolderWatcher watcher(3);
  EXPECT_EQ(watcher.Watch(1, dir.path()), TWatchResult::wrOwnLimit);
  EXPECT_EQ(watcher.WatchCount(), 3u);
  EXPECT_EQ(watcher.LimitSeen(), TWatchResult::wrOwnLimit);
  EXPECT_EQ(watcher.Watch(2, dir.path() + "/missing"), TWatchResult::wrFailed);
  watcher.Clear();
  EXPECT_EQ(watcher.WatchCount(), 0u);
  EXPECT_EQ(watcher.LimitSeen(), TWatchResult::wrWatching);
  EXPECT_FALSE(IsNetworkFolder(dir.path()));
}
