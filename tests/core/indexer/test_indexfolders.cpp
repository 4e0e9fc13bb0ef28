#include "core/indexer/indexfolders.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavirel;

TEST(IndexFolders, TargetsOfTheRecordedCommandLine) {
  using Folders = std::vector<std::string>;
  struct Case {
    const char* name;
    std::string status;
    Folders folders;
  };
  const std::string head = "files 25\nkeys 78\n";
  const Case cases[] = {
      {"relative targets and option values", head + "argv -O\tidx\tdocs\ncwd /tmp/w\n",
       {"/tmp/w/docs"}},
      {"several folders, Japanese and blanks",
       head + "argv -O\t/i/\xe7\xb4\xa2\xe5\xbc\x95\t/d/\xe6\x96\x87 a/\t--output-dir\tx\t/d/b\n"
              "cwd /\n",
       {"/d/\xe6\x96\x87 a", "/d/b"}},
      {"values joined to options, --, dots",
       head + "argv --media-type=text/plain\t-a\t-t\ttext/html\t--\t-dash\t./x/../y\ncwd /h\n",
       {"/h/-dash", "/h/y"}},
      {"CR LF lines, a folder named twice", "argv /a\t/a/\r\ncwd /\r\n", {"/a"}},
      {"a target list", head + "argv -F\tlist.txt\ncwd /h\n", {}},
      {"relative without a cwd", head + "argv docs\n", {}},
      {"no argv line", head + "cwd /h\n", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(IndexedFoldersFromStatus(c.status), c.folders) << c.name;
}

TEST(IndexFolders, ChangesMarkIndexesUntilUpdated) {
  const std::string unapplied(UnappliedChangesText);
  TIndexChanges changes;
  changes.Reset(1);
  EXPECT_EQ(changes.StatusText(), "");
  changes.Changed(0);
  changes.Changed(5);  // no such index: nothing
  EXPECT_EQ(changes.StatusText(), unapplied);
  changes.Updated(0);
  EXPECT_EQ(changes.StatusText(), "");
  changes.Reset(3);
  changes.Changed(0);
  changes.Changed(2);
  changes.Changed(2);
  EXPECT_EQ(changes.StaleCount(), 2u);
  EXPECT_EQ(changes.StatusText(), unapplied + " (\x8d\xf5\x88\xf8 2 \x8c\x8f)");  // (索引 2 件)
  changes.Updated(2);
  EXPECT_FALSE(changes.Stale(2));
  EXPECT_TRUE(changes.Stale(0));
}
