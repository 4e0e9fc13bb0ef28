#include <gtest/gtest.h>

#include <string>

#include "core/search/indexstatus.h"
#include "platform/platform.h"
#include "support/testsupport.h"

using namespace tavirel;
using namespace tavirel::testsupport;

namespace {
std::string Utf8(std::string_view sjis) { return platform::Cp932ToUtf8(sjis).value(); }
}  // namespace

TEST(IndexStatus, ReadingTheFiles) {
  EXPECT_EQ(DocumentsFromStatusFile("files 14\nkeys 432\nargv -O\t/x\n"), 14);
  EXPECT_EQ(DocumentsFromStatusFile("keys 432\n"), -1);
  EXPECT_EQ(DocumentsFromStatusFile("files x\n"), -1);
  const std::string log =
      "[Base]\nDate:                Tue Dec  8 05:39:17 2026\nTotal Documents:     4,999\n\n"
      "[Append]\nDate:                Wed Jan  6 23:05:01 2027\nTotal Documents:     5,012\n";
  EXPECT_EQ(LastDateFromLog(log), (TIndexDate{2027, 1, 6, 23, 5, 1}));
  EXPECT_EQ(LastTotalFromLog(log), 5012);
  // A tail that starts in the middle of a line still finds the last ones.
  EXPECT_EQ(LastTotalFromLog(log.substr(log.size() - 30)), 5012);
  EXPECT_FALSE(ParseLogDate("Tue Foo  8 05:39:17 2026").Valid());
  EXPECT_FALSE(ParseLogDate("").Valid());
  EXPECT_FALSE(LastDateFromLog("Date: soon\n").Valid());
}

TEST(IndexStatus, FoldersThatAreNoIndex) {
  TempDir dir;
  const std::string missing = dir.File("none");
  EXPECT_EQ(ReadIndexStatus(missing).State, TIndexState::Missing);
  EXPECT_EQ(ReadIndexStatus("").State, TIndexState::Missing);
  EXPECT_EQ(Utf8(IndexProblemText(missing, ReadIndexStatus(missing))),
            "インデックスのフォルダがありません: " + missing);
  // Every file but NMZ.t: namazu cannot search it.
  for (const char* name : {"NMZ.i", "NMZ.ii", "NMZ.w", "NMZ.wi", "NMZ.status"})
    dir.Write(name, "files 3\n");
  EXPECT_EQ(ReadIndexStatus(dir.path()).State, TIndexState::NotIndex);
  EXPECT_EQ(Utf8(IndexProblemText(dir.path(), ReadIndexStatus(dir.path()))),
            "このフォルダはインデックスではありません: " + dir.path());
  dir.Write("NMZ.t", "");
  const TIndexStatus status = ReadIndexStatus(dir.path() + "/");
  EXPECT_EQ(status.State, TIndexState::Index);
  EXPECT_EQ(status.Documents, 3);
  EXPECT_FALSE(status.LastUpdate.Valid());
  EXPECT_EQ(IndexProblemText(dir.path(), status), "");
  EXPECT_EQ(Utf8(IndexStatusText(status)), "文書 3 件");
  dir.Write("NMZ.lock2", "");
  dir.Write("NMZ.log", "Date:  Tue Dec  8 05:39:17 2026\n");
  EXPECT_EQ(Utf8(IndexStatusText(ReadIndexStatus(dir.path()))),
            "文書 3 件、更新 2026/12/08 05:39、インデックスを更新中です");
  EXPECT_EQ(Utf8(IndexStatusText(TIndexStatus{})), "文書数不明");

  // A long log is read from its end: the last update wins, and without a
  // count in NMZ.status the log's last one is taken.
  std::string log;
  while (log.size() < 200000) log += "Date:  Mon Jan  4 10:00:00 2021\nTotal Documents: 7\n";
  log += "Date:  Sat Feb 27 18:30:59 2027\nTotal Documents: 9\n";
  dir.Write("NMZ.log", log);
  dir.Write("NMZ.status", "keys 1\n");
  const TIndexStatus longLog = ReadIndexStatus(dir.path());
  EXPECT_EQ(longLog.LastUpdate, (TIndexDate{2027, 2, 27, 18, 30, 59}));
  EXPECT_EQ(longLog.Documents, 9);
}
