// The real mknmz, run the way the reserved list runs it (captured runner,
// output converted to Shift-JIS line by line), read by the progress parser
// as the lines arrive; and the index it writes read back by the index check:
// a first run, an update that adds and removes files, and an update with
// nothing to do.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "core/indexer/mknmzprogress.h"
#include "core/jconv/jconvert.h"
#include "core/process/runner.h"
#include "core/search/indexstatus.h"
#include "platform/platform.h"
#include "support/testsupport.h"

namespace tavirel {
namespace {

using testsupport::TempDir;

// The lines as the index window's view keeps them.
class LinesView : public IConsoleView {
 public:
  std::vector<std::string> lines{""};
  int LineCount() const override { return static_cast<int>(lines.size()); }
  void AppendLine(std::string_view line) override { lines.emplace_back(line); }
  void InsertLine(int index, std::string_view line) override {
    lines.insert(lines.begin() + index, std::string(line));
  }
  void ReplaceLine(int index, std::string_view line) override {
    lines.at(static_cast<size_t>(index)) = std::string(line);
  }
  void ShowLastLine() override {}
  int Tag() const override { return tag; }
  void SetTag(int value) override { tag = value; }
  int tag = 1;
};

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

time_t ToTime(const TIndexDate& d) {
  std::tm tm{};
  tm.tm_year = d.Year - 1900;
  tm.tm_mon = d.Month - 1;
  tm.tm_mday = d.Day;
  tm.tm_hour = d.Hour;
  tm.tm_min = d.Minute;
  tm.tm_sec = d.Second;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

class MknmzLive : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!platform::FileExists("/usr/bin/mknmz") || !platform::FileExists("/usr/bin/perl"))
      GTEST_SKIP() << "mknmz is not installed";
  }
  // One run watched for progress; the changes seen and the time span.
  void Run(TMknmzProgressWatcher& watcher, time_t& started, time_t& ended) {
    started = std::time(nullptr);
    ConsoleRunCallbacks callbacks;
    callbacks.processEvents = [] {};
    callbacks.showMessage = [](std::string_view) {};
    watcher.Reset();
    ASSERT_NE(RunConsoleProcess("/usr/bin/perl /usr/bin/mknmz -O " + index_ + " " + corpus_,
                                dir_.path(), psmCaptured, &watcher, callbacks),
              0);
    ended = std::time(nullptr);
  }
  void WriteDoc(int n) {
    // Japanese in EUC-JP (温泉の案内) and an English word.
    dir_.Write("corpus/doc" + std::to_string(n) + ".txt",
               "\xb2\xb9\xc0\xf4\xa4\xce\xb0\xc6\xc6\xe2 lantern " + std::to_string(n) + "\n");
  }

  TempDir dir_{"tavirel-mknmz"};
  std::string corpus_ = dir_.File("corpus");
  std::string index_ = dir_.File("index");
};

TEST_F(MknmzLive, ProgressAndIndexStatusOverUpdates) {
  ASSERT_TRUE(platform::CreateFolders(corpus_));
  ASSERT_TRUE(platform::CreateFolders(index_));
  EXPECT_EQ(ReadIndexStatus(index_).State, TIndexState::NotIndex);  // empty folder
  for (int n = 1; n <= 12; ++n) WriteDoc(n);

  struct Step {
    const char* name;
    std::vector<int> add, remove;
    TMknmzPhase phase;
    int64_t total;       // the count mknmz gives, -1 for none
    int64_t documents;   // in the index afterwards
  };
  const Step steps[] = {
      {"first run", {}, {}, TMknmzPhase::Finished, 12, 12},
      {"update", {13, 14}, {1}, TMknmzPhase::Finished, 2, 13},
      {"nothing to do", {}, {}, TMknmzPhase::NothingToIndex, -1, 13},
  };
  time_t lastUpdate = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    for (int n : s.add) WriteDoc(n);
    for (int n : s.remove) platform::DeleteFile(dir_.File("corpus/doc" + std::to_string(n) + ".txt"));
    LinesView lines;
    std::vector<TMknmzProgress> changes;
    TMknmzProgressWatcher watcher(lines, Now,
                                  [&](const TMknmzProgress& p) { changes.push_back(p); });
    time_t started = 0, ended = 0;
    Run(watcher, started, ended);
    EXPECT_GT(lines.lines.size(), 3u);  // the output is shown as it is
    const TMknmzProgress& p = watcher.Progress();
    EXPECT_EQ(p.Phase, s.phase);
    EXPECT_EQ(p.Total, s.total);
    // Every file is counted once, in order; nothing beyond what mknmz said.
    std::vector<int64_t> seen;
    for (const TMknmzProgress& c : changes)
      if (c.Phase == TMknmzPhase::Indexing && c.Current > 0 &&
          (seen.empty() || seen.back() != c.Current))
        seen.push_back(c.Current);
    std::vector<int64_t> expected;
    for (int64_t n = 1; n <= s.total; ++n) expected.push_back(n);
    EXPECT_EQ(seen, expected);

    const TIndexStatus status = ReadIndexStatus(index_);
    EXPECT_EQ(status.State, TIndexState::Index);
    EXPECT_EQ(status.Documents, s.documents);
    EXPECT_FALSE(status.Updating);
    ASSERT_TRUE(status.LastUpdate.Valid());
    const time_t updated = ToTime(status.LastUpdate);
    if (s.phase == TMknmzPhase::NothingToIndex) {
      EXPECT_EQ(updated, lastUpdate);  // a run with nothing to do leaves the date
    } else {
      EXPECT_GE(updated, started);
      EXPECT_LE(updated, ended);
    }
    lastUpdate = updated;
  }
  EXPECT_EQ(ReadIndexStatus(corpus_).State, TIndexState::NotIndex);
}

}  // namespace
}  // namespace tavirel
