#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/indexer/mknmzprogress.h"
#include "core/jconv/jconvert.h"
#include "platform/platform.h"
#include "support/testsupport.h"

using namespace tavirel;

namespace {
std::string Sjis(std::string_view utf8) { return platform::Utf8ToCp932(utf8).value(); }
std::string Utf8(std::string_view sjis) { return platform::Cp932ToUtf8(sjis).value(); }
}  // namespace

TEST(MknmzProgress, LinesOneByOne) {
  struct Step {
    const char* line;  // UTF-8, given as Shift-JIS with the runner's blank
    double now;
    const char* text;  // MknmzProgressText afterwards
    int perMille;
  };
  const Step steps[] = {
      {"Useless use of greediness modifier", 0, "", -1},
      {"検索対象のファイルを調べています...", 0.5, "", -1},
      {"/x/a.txt ファイルは削除されています", 0.6, "", -1},
      {"200個のファイルがインデックス作成の対象として見つかりました", 1, "文書 0 / 200", 0},
      {"1/200 - /x/1.txt [text/plain]", 1.5, "文書 1 / 200", 5},
      {"Redundant argument in sprintf at x line 1097, <GEN5> line 3.", 2, "文書 1 / 200", 5},
      {"20/200 - /x/20.txt [text/plain]", 11, "文書 20 / 200・残り約 2 分", 100},
      {"インデックスを書き出しています...", 12, "文書 20 / 200", 100},
      {"21/199 - /x/21.txt Unable to convert zip file", 12, "文書 21 / 199・残り約 2 分", 105},
      {"198/199 - /x/198.txt [text/plain]", 100, "文書 198 / 199・残り 1 分未満", 994},
      {"199/199 - /x/199.txt [text/plain]", 100.5, "文書 199 / 199", 1000},
      {"[基本]", 101, "文書 199 / 199", 1000},
      {"12/x - not a file line", 102, "文書 199 / 199", 1000},
  };
  TMknmzProgressParser parser;
  parser.Reset(0);
  for (const Step& s : steps) {
    parser.FeedLine(Sjis(s.line) + " ", s.now);
    EXPECT_EQ(Utf8(MknmzProgressText(parser.Progress())), s.text) << s.line;
    EXPECT_EQ(MknmzProgressPerMille(parser.Progress()), s.perMille) << s.line;
  }
  EXPECT_EQ(parser.Progress().Phase, TMknmzPhase::Finished);
}

TEST(MknmzProgress, RunsWithoutProgress) {
  struct Case {
    std::vector<const char*> lines;
    TMknmzPhase phase;
    const char* text;
  };
  const Case cases[] = {
      {{"検索対象のファイルを調べています...", "インデックスすべきファイルはありません"},
       TMknmzPhase::NothingToIndex, "インデックスすべきファイルはありません"},
      {{"Looking for indexing files...", "No files to index."}, TMknmzPhase::NothingToIndex,
       "インデックスすべきファイルはありません"},
      {{"Looking for indexing files...", "3 files are found to be indexed.",
        "1/3 - /x [text/plain]"},
       TMknmzPhase::Indexing, "文書 1 / 3"},
      {{"Unknown option: bogus"}, TMknmzPhase::Starting, ""},  // -q prints nothing else
      {{}, TMknmzPhase::Starting, ""},
  };
  for (const Case& c : cases) {
    TMknmzProgressParser parser;
    parser.Reset(0);
    for (const char* line : c.lines) parser.FeedLine(Sjis(line), 0);
    EXPECT_EQ(parser.Progress().Phase, c.phase);
    EXPECT_EQ(Utf8(MknmzProgressText(parser.Progress())), c.text);
  }
  EXPECT_EQ(Utf8(CommandProgressText(2, 5)), "コマンド 2 / 5");
}

TEST(MknmzProgress, RealConsoleOutput) {
  // Real mknmz output, EUC-JP as mknmz writes it; the runner gives the lines
  // in Shift-JIS. In each run one file that looked like a document (a zip
  // file named .txt) gave none, so the total drops by one on the way. The
  // small run lives beside the tests; the 5,000-file run is only read where
  // the project's shared data lies beside the repository.
  struct Run {
    std::string path;
    bool optional;
    int64_t found, indexed;
  };
  const Run runs[] = {
      {TAVIREL_TEST_DATA "/mknmz-console-15.txt", false, 15, 14},
      {TAVIREL_SHARED_DATA "/mknmz-console-5000.txt", true, 5000, 4999},
  };
  for (const Run& run : runs) {
    SCOPED_TRACE(run.path);
    const std::string raw = tavirel::testsupport::ReadBytes(run.path);
    if (raw.empty() && run.optional) {
      std::printf("skipped: %s is not there (a large optional file)\n", run.path.c_str());
      continue;
    }
    ASSERT_FALSE(raw.empty());
    const std::string text = ConvertKanjiCode(raw, kcSjis);
    const std::string_view rawText = raw;
    TMknmzProgressParser parser;
    parser.Reset(0);
    double now = 0;
    int64_t lastCurrent = 0, changes = 0, totalDrops = 0, lastTotal = -1;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      if (parser.FeedLine(text.substr(start, end - start), now += 0.01)) ++changes;
      const TMknmzProgress& p = parser.Progress();
      if (p.Phase == TMknmzPhase::Indexing) {
        EXPECT_GE(p.Current, lastCurrent);  // never goes back
        lastCurrent = p.Current;
      }
      if (lastTotal > 0 && p.Total < lastTotal) ++totalDrops;
      lastTotal = p.Total;
      if (start == 0) {
        EXPECT_EQ(p.Total, -1);
      }
      start = end + 1;
    }
    const TMknmzProgress& p = parser.Progress();
    EXPECT_EQ(p.Phase, TMknmzPhase::Finished);
    EXPECT_EQ(p.Current, run.indexed);
    EXPECT_EQ(p.Total, run.indexed);
    EXPECT_EQ(totalDrops, 1);
    EXPECT_GT(changes, run.indexed);

    // Lines the runner has not converted yet (still EUC-JP) are read the same.
    TMknmzProgressParser unconverted;
    unconverted.Reset(0);
    size_t lines = 0;
    for (size_t at = 0, end; at < rawText.size() && lines < 6; at = end + 1, ++lines) {
      end = std::min(rawText.find('\n', at), rawText.size());
      unconverted.FeedLine(rawText.substr(at, end - at), 0);
    }
    EXPECT_EQ(unconverted.Progress().Total, run.found);
    EXPECT_EQ(unconverted.Progress().Current, 1);
  }
}
