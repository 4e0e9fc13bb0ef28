#include "core/search/resultlist.h"
#include "core/search/hitnames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tavirel {
namespace {

const std::string Score = " (score: ";
const std::string ScoreJa = " (\x83\x58\x83\x52\x83\x41: ";   // " (スコア: "
const std::string Nihongo = "\x93\xfa\x96\x7b\x8c\xea";       // 日本語
const std::string Hyo = "\x95\x5c";                            // 表

std::string Join(const std::vector<std::string>& lines, const std::string& lineBreak) {
  std::string text;
  for (const std::string& line : lines) text += line + lineBreak;
  return text;
}

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Byte positions in `text` of every character, plus the end.
std::vector<size_t> CharStarts(const std::string& text) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < text.size();) {
    starts.push_back(i);
    const bool pair = IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
                      IsTrail(static_cast<unsigned char>(text[i + 1]));
    i += pair ? 2 : 1;
  }
  starts.push_back(text.size());
  return starts;
}

// The text between two character offsets, both included.
std::string Slice(const std::string& text, const std::vector<size_t>& starts, int32_t first,
                  int32_t last) {
  return text.substr(starts[first], starts[last + 1] - starts[first]);
}

// Checks that every hit's offsets, texts and character kinds agree with the text.
void ExpectConsistent(const ResultListParse& parse) {
  const std::vector<size_t> starts = CharStarts(parse.Text);
  ASSERT_EQ(parse.ResultCharKinds.size() + 1, starts.size());
  size_t titleChars = 0, uriChars = 0;
  for (const SearchHit& hit : parse.Hits) {
    ASSERT_GE(hit.TitleStart, 0);
    ASSERT_LT(hit.TitleEnd + 1, static_cast<int32_t>(starts.size()));
    EXPECT_EQ(Slice(parse.Text, starts, hit.TitleStart, hit.TitleEnd), hit.Title);
    EXPECT_TRUE(hit.TitleStart == 0 || parse.Text[starts[hit.TitleStart] - 1] == '\n');
    titleChars += static_cast<size_t>(hit.TitleEnd - hit.TitleStart + 1);
    if (hit.UriStart == 0) {
      EXPECT_EQ(hit.UriEnd, 0);
      EXPECT_TRUE(hit.Uri.empty());
      continue;
    }
    ASSERT_LT(hit.UriEnd + 1, static_cast<int32_t>(starts.size()));
    EXPECT_EQ(Slice(parse.Text, starts, hit.UriStart, hit.UriEnd), hit.Uri);
    EXPECT_EQ(parse.Text[starts[hit.UriStart] - 1], '\n');
    EXPECT_GT(hit.UriStart, hit.TitleEnd);
    uriChars += static_cast<size_t>(hit.UriEnd - hit.UriStart + 1);
  }
  size_t markedT = 0, markedU = 0;
  for (uint8_t kind : parse.ResultCharKinds) {
    markedT += kind == 'T';
    markedU += kind == 'U';
    EXPECT_TRUE(kind == 0 || kind == 'T' || kind == 'U');
  }
  EXPECT_EQ(markedT, titleChars);
  EXPECT_EQ(markedU, uriChars);
}

// A small result list: a header, two hits with each marker, a footer.
std::vector<std::string> SampleLines() {
  return {
      "Results:",                                           // 0
      "",                                                   // 1
      "1. " + Nihongo + " doc" + Score + "12)",             // 2
      "Author: x",                                          // 3
      "summary 1. text (score: 3) here",                    // 4
      "/idx/" + Hyo + ".txt (1,234 bytes)",                 // 5
      "",                                                   // 6
      "",                                                   // 7
      "2. second" + ScoreJa + "7)",                         // 8
      "/idx/b.html (99 bytes)",                             // 9
      "",                                                   // 10
      "",                                                   // 11
      "Current list: 1 - 2",                                // 12
      "",                                                   // 13
  };
}

// Character offset of line `index` in the CR LF text of `lines`.
int32_t LineOffset(const std::vector<std::string>& lines, size_t index) {
  int32_t offset = 0;
  for (size_t i = 0; i < index; ++i) {
    offset += static_cast<int32_t>(CharStarts(lines[i]).size() - 1) + 2;
  }
  return offset;
}

// ---- Small texts ------------------------------------------------------------------

TEST(ResultList, SampleInEveryLineBreakStyle) {
  const std::vector<std::string> lines = SampleLines();
  const std::string crlf = Join(lines, "\r\n");
  for (const char* lineBreak : {"\n", "\r\n", "\r"}) {
    ResultListParse parse = ParseResultText(Join(lines, lineBreak), 2, 2);
    EXPECT_TRUE(parse.Found);
    EXPECT_EQ(parse.Text, crlf);
    ASSERT_EQ(parse.Hits.size(), 2u);
    ExpectConsistent(parse);

    const SearchHit& first = parse.Hits[0];
    EXPECT_EQ(first.Title, "1. " + Nihongo + " doc");
    EXPECT_EQ(first.TitleStart, LineOffset(lines, 2));
    EXPECT_EQ(first.TitleEnd, first.TitleStart + 9);   // "1. 日本語 doc" is 10 characters
    EXPECT_EQ(first.Uri, "/idx/" + Hyo + ".txt");
    EXPECT_EQ(first.UriStart, LineOffset(lines, 5));
    EXPECT_EQ(first.UriEnd, first.UriStart + 9);

    const SearchHit& second = parse.Hits[1];
    EXPECT_EQ(second.Title, "2. second");
    EXPECT_EQ(second.TitleStart, LineOffset(lines, 8));
    EXPECT_EQ(second.Uri, "/idx/b.html");
    EXPECT_EQ(second.UriStart, LineOffset(lines, 9));
    EXPECT_EQ(parse.ResultCharKinds[second.TitleStart], 'T');
    EXPECT_EQ(parse.ResultCharKinds[second.TitleEnd + 1], 0);
    EXPECT_EQ(parse.ResultCharKinds[second.UriEnd], 'U');
    EXPECT_EQ(parse.ResultCharKinds[second.UriEnd + 1], 0);
  }
}

TEST(ResultList, TitleMarkers) {
  struct Case {
    std::string titleLine;
    std::string title;   // empty: the line is not a title
  };
  const Case cases[] = {
      {"1. a (score: b) c" + Score + "1)", "1. a (score: b) c"},
      {"1. a" + Score + "1) x" + ScoreJa + "2)", "1. a"},   // " (score:" is looked for first
      {"1. " + Nihongo + ScoreJa + "9)", "1. " + Nihongo},
      {"1. no marker here", ""},
      {"1. x(score: 1)", ""},
  };
  for (const Case& c : cases) {
    ResultListParse parse =
        ParseResultText(Join({"head", c.titleLine, "/p/q (1 bytes)", "", "", "end"}, "\n"), 2, 2);
    EXPECT_TRUE(parse.Found);
    if (c.title.empty()) {
      EXPECT_TRUE(parse.Hits.empty()) << c.titleLine;
    } else {
      ASSERT_EQ(parse.Hits.size(), 1u) << c.titleLine;
      EXPECT_EQ(parse.Hits[0].Title, c.title);
      EXPECT_EQ(parse.Hits[0].Uri, "/p/q");
      ExpectConsistent(parse);
    }
  }
}

TEST(ResultList, ListStartsAfterTheFirstLine) {
  // A first line that looks like a title is not the start of the list.
  ResultListParse parse = ParseResultText(
      Join({"1. first (score: 1)", "/a (1 bytes)", "", "", "x", "", ""}, "\n"), 2, 2);
  EXPECT_FALSE(parse.Found);
  EXPECT_TRUE(parse.Hits.empty());

  // Without any "1. " line the text stays as it is, with no kinds marked.
  parse = ParseResultText("no hits\nat all (score: 1)\n/a (1 bytes)\n\n\n", 2, 2);
  EXPECT_FALSE(parse.Found);
  EXPECT_EQ(parse.Text, "no hits\r\nat all (score: 1)\r\n/a (1 bytes)\r\n\r\n\r\n");
  EXPECT_EQ(parse.ResultCharKinds, std::vector<uint8_t>(parse.Text.size(), 0));

  // Text before the first "1. " line is skipped even if it carries a marker.
  parse = ParseResultText(
      Join({"h", "0. early (score: 1)", "1. real (score: 2)", "/r (1 bytes)", "", "", "e"}, "\n"),
      2, 2);
  ASSERT_EQ(parse.Hits.size(), 1u);
  EXPECT_EQ(parse.Hits[0].Title, "1. real");

  // A later page (--whence) numbers on: its list starts at its first hit.
  parse = ParseResultText(Join({"h", "", "21. later (score: 2)", "/r (1 bytes)", "", "",
                                "22. next (score: 1)", "/s (1 bytes)", "", "", "e"},
                               "\n"),
                          2, 2);
  ASSERT_EQ(parse.Hits.size(), 2u);
  EXPECT_EQ(parse.Hits[0].Title, "21. later");
  EXPECT_EQ(parse.Hits[1].Uri, "/s");
}

TEST(ResultList, EmptyAndTinyInputs) {
  for (const std::string input : {"", "\n", "\r\n", "x", "h\n1. a (score: 1)"}) {
    ResultListParse parse = ParseResultText(input, 2, 2);
    EXPECT_TRUE(parse.Hits.empty()) << input;
    ExpectConsistent(parse);
  }
  EXPECT_EQ(ParseResultText("", 2, 2).Text, "");
  EXPECT_EQ(ParseResultText("\n", 2, 2).Text, "\r\n");
  EXPECT_EQ(ParseResultText("a\n\n", 2, 2).Text, "a\r\n\r\n");
}

TEST(ResultList, LastTwoLinesAreNeverExamined) {
  // The title on the third line from the end is recognised, and the empty
  // lines after the file name may be the last two.
  ResultListParse parse =
      ParseResultText(Join({"h", "1. t (score: 1)", "/p (1 bytes)", "", ""}, "\n"), 2, 2);
  ASSERT_EQ(parse.Hits.size(), 1u);
  EXPECT_EQ(parse.Hits[0].Uri, "/p");

  // The file-name line among the last two lines is not.
  parse = ParseResultText(Join({"h", "1. t (score: 1)", "x", "/p (1 bytes)", ""}, "\n"), 1, 2);
  ASSERT_EQ(parse.Hits.size(), 1u);
  EXPECT_TRUE(parse.Hits[0].Uri.empty());

  // Nor the title line.
  parse = ParseResultText(Join({"h", "x", "1. t (score: 1)", ""}, "\n"), 2, 2);
  EXPECT_TRUE(parse.Found);
  EXPECT_TRUE(parse.Hits.empty());

  // The same in every line break style; a "1. " inside a line does not start
  // the list, and a file-name line among the last two lines is never taken.
  for (const std::string lineBreak : {"\n", "\r\n", "\r"}) {
    for (const bool lastTwo : {false, true}) {
      std::vector<std::string> lines = {"h", "x1. no (score: 1)", "1. t (score: 1)",
                                        "/p (1 bytes)", ""};
      if (!lastTwo) lines.push_back("");
      const std::string text = Join(lines, lineBreak);
      for (const ResultHitList& found :
           {FindResultHits(text, 1, 2), ResultHitList{ParseResultText(text, 1, 2).Hits, true}}) {
        ASSERT_EQ(found.Hits.size(), 1u) << text;
        EXPECT_EQ(found.Hits[0].Title, "1. t");
        EXPECT_EQ(found.Hits[0].Uri, lastTwo ? "" : "/p");
      }
    }
  }
}

TEST(ResultList, BlankLinesAfterTheFileName) {
  // "/one" is followed by one empty line, "/two" by three, then text.
  const std::string text =
      Join({"h", "1. t (score: 1)", "/one (1 bytes)", "", "/two (2 bytes)", "", "", "", "f", "", ""},
           "\n");
  struct Case {
    int blankLines;
    const char* uri;
  };
  const Case cases[] = {{1, "/one"}, {2, "/two"}, {3, "/two"}, {4, ""},
                        {0, "/one"}, {-3, "/one"}, {2000000000, ""}};
  for (const Case& c : cases) {
    ResultListParse parse = ParseResultText(text, c.blankLines, 2);
    ASSERT_EQ(parse.Hits.size(), 1u);
    EXPECT_EQ(parse.Hits[0].Uri, c.uri) << c.blankLines;
    ExpectConsistent(parse);
  }
  // Values that are no number count as 1, like those below 1.
  TSettings settings;
  settings.FileNameSpaceFromEnd = "2";
  for (const char* value : {"0", "abc", "-3", ""}) {
    settings.FileNameBlankLineNext = value;
    EXPECT_EQ(ParseResultText(text, settings).Hits[0].Uri, "/one") << value;
  }
  // The look-ahead does not count lines past the end as empty: a file name
  // on the third line from the end is followed by just two lines.
  const std::string nearEnd = Join({"h", "1. t (score: 1)", "/p (1 bytes)", "", ""}, "\n");
  EXPECT_EQ(ParseResultText(nearEnd, 2, 2).Hits[0].Uri, "/p");
  EXPECT_EQ(ParseResultText(nearEnd, 3, 2).Hits[0].Uri, "");
}

TEST(ResultList, BlanksFromTheEndOfTheFileNameLine) {
  struct Case {
    std::string line;
    int spaceFromEnd;
    std::string uri;   // empty: not taken
  };
  const Case cases[] = {
      {"/a/b c.txt (1,234 bytes)", 2, "/a/b c.txt"},
      {"/a/b c.txt (1,234 bytes)", 1, "/a/b c.txt (1,234"},
      {"/a/b c.txt (1,234 bytes)", 3, "/a/b"},
      {"/a/b c.txt (1,234 bytes)", 4, ""},
      {"/a/b c.txt (1,234 bytes)", 0, "/a/b c.txt"},
      {"/a/b c.txt (1,234 bytes)", -3, "/a/b c.txt"},
      {"/" + Nihongo + " (5 bytes)", 2, "/" + Nihongo},
      {"nospace", 2, ""},
      {"ab (1 bytes)", 2, "ab"},
      {"a (1 bytes)", 2, ""},   // a file name needs two characters
      {" (1 bytes)", 2, ""},
  };
  for (const Case& c : cases) {
    ResultListParse parse =
        ParseResultText(Join({"h", "1. t (score: 1)", c.line, "", "", "end", ""}, "\n"), 2,
                        c.spaceFromEnd);
    ASSERT_EQ(parse.Hits.size(), 1u);
    EXPECT_EQ(parse.Hits[0].Uri, c.uri) << c.line << " / " << c.spaceFromEnd;
    ExpectConsistent(parse);
  }
  TSettings settings;
  settings.FileNameBlankLineNext = "2";
  const std::string text = Join({"h", "1. t (score: 1)", "/a b (1 bytes)", "", "", "e", ""}, "\n");
  for (const char* value : {"0", "abc", "-3"}) {
    settings.FileNameSpaceFromEnd = value;
    EXPECT_EQ(ParseResultText(text, settings).Hits[0].Uri, "/a b") << value;
  }
}

TEST(ResultList, AHitWaitsForItsFileNameLine) {
  // The first hit's file-name line has no blanks; its title state does not
  // return, so the second title is skipped and the later file name taken.
  ResultListParse parse = ParseResultText(
      Join({"h", "1. one (score: 2)", "nospace", "", "", "2. two (score: 1)", "/two (1 bytes)",
            "", "", "end", ""},
           "\n"),
      2, 2);
  ASSERT_EQ(parse.Hits.size(), 1u);
  EXPECT_EQ(parse.Hits[0].Title, "1. one");
  EXPECT_EQ(parse.Hits[0].Uri, "/two");
  ExpectConsistent(parse);
}

// Every prefix of a valid result text, and random bytes, parse without a
// fault and with offsets that agree with the text.
TEST(ResultList, TruncatedAndBinaryInput) {
  const std::string full = Join(SampleLines(), "\r\n");
  for (size_t length = 0; length <= full.size(); ++length) {
    ResultListParse parse = ParseResultText(std::string_view(full).substr(0, length), 2, 2);
    ASSERT_LE(parse.Hits.size(), 2u);
    ExpectConsistent(parse);
    if (::testing::Test::HasFailure()) FAIL() << "prefix length " << length;
  }
  std::mt19937 rng(12345);
  const std::string alphabet =
      std::string("\r\n \x83\x95\x5c\x41\xfc\xff") + std::string(1, '\0') + "(score:1. ";
  for (int round = 0; round < 300; ++round) {
    std::string bytes(rng() % 400, '\0');
    for (char& b : bytes) {
      b = rng() % 2 ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
    }
    ResultListParse parse = ParseResultText("h\n1. x (score: 1)\n" + bytes, 1, 1);
    ExpectConsistent(parse);
    if (::testing::Test::HasFailure()) FAIL() << "round " << round;
  }
}

TEST(ResultList, FindNthFromEnd) {
  struct Case {
    std::string line;
    char ch;
    int n;
    int position;
  };
  const Case cases[] = {
      {"a b c", ' ', 1, 4},
      {"a b c", ' ', 2, 2},
      {"a b c", ' ', 3, 0},
      {"a b c", ' ', 0, 0},
      {"", ' ', 1, 0},
      {Nihongo + " x y", ' ', 2, 4},
      {Hyo + "a", '\\', 1, 0},                     // the trail byte is no backslash
      {"a\\" + Hyo + "\\b", '\\', 1, 4},
      {"a\\" + Hyo + "\\b", '\\', 2, 2},
      {"\x95", '\x95', 1, 1},                      // a lone lead byte at the end
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindNthFromEnd(c.line, c.ch, c.n), c.position) << c.line << " n=" << c.n;
  }
}

// ---- Hit choice and jumps ------------------------------------------------------------

std::vector<SearchHit> ThreeHits() {
  std::vector<SearchHit> hits(3);
  const int32_t bounds[3][4] = {{10, 20, 30, 40}, {50, 60, 70, 80}, {90, 95, 100, 110}};
  for (size_t i = 0; i < 3; ++i) {
    hits[i].TitleStart = bounds[i][0];
    hits[i].TitleEnd = bounds[i][1];
    hits[i].UriStart = bounds[i][2];
    hits[i].UriEnd = bounds[i][3];
    hits[i].Uri = "u";
  }
  return hits;
}

TEST(ResultList, HitAtOffset) {
  const std::vector<SearchHit> hits = ThreeHits();
  const std::pair<int32_t, int> cases[] = {{0, 0},   {15, 0},  {40, 0},  {41, 1}, {55, 1},
                                           {80, 1},  {81, 2},  {110, 2}, {111, -1}, {-1, -1}};
  for (const auto& [offset, index] : cases) EXPECT_EQ(FindHitAt(hits, offset), index) << offset;
  EXPECT_EQ(FindHitAt({}, 5), -1);

  // A last hit whose file-name line never came cannot be opened.
  std::vector<SearchHit> open = ThreeHits();
  open[2].UriStart = open[2].UriEnd = 0;
  open[2].Uri.clear();
  EXPECT_EQ(FindHitAt(open, 92), -1);
  EXPECT_EQ(FindHitAt({open[2]}, 0), -1);
}

TEST(ResultList, JumpsBetweenHits) {
  const std::vector<SearchHit> hits = ThreeHits();
  const std::pair<int32_t, std::optional<int32_t>> next[] = {
      {0, 30}, {15, 70}, {35, 70}, {55, 100}, {95, 100}, {100, std::nullopt}};
  for (const auto& [offset, target] : next) EXPECT_EQ(NextHitCaret(hits, offset), target) << offset;
  const std::pair<int32_t, std::optional<int32_t>> previous[] = {
      {0, std::nullopt}, {10, std::nullopt}, {15, 10}, {45, 10}, {55, 10},
      {85, 50},          {105, 50},          {200, 90}};
  for (const auto& [offset, target] : previous) {
    EXPECT_EQ(PreviousHitCaret(hits, offset), target) << offset;
  }
  EXPECT_EQ(NextHitCaret({}, 0), std::nullopt);
  EXPECT_EQ(PreviousHitCaret({}, 50), std::nullopt);

  // N towards a last hit without a file-name line stops at its title, not at the top.
  std::vector<SearchHit> open = ThreeHits();
  open[2].UriStart = open[2].UriEnd = 0;
  EXPECT_EQ(NextHitCaret(open, 55), 90);
  EXPECT_EQ(NextHitCaret(open, 92), std::nullopt);
  EXPECT_EQ(PreviousHitCaret(open, 92), 90);
}

TEST(ResultList, DocumentPaths) {
  const std::vector<std::string> drives = {"{hd1} => /mnt/d    [D]"};
  EXPECT_EQ(HitDocumentPath("/idx/a.txt", "/opt/t", drives), "/idx/a.txt");
  EXPECT_EQ(HitDocumentPath("file:///idx/a.txt", "/opt/t", drives), "/idx/a.txt");
  EXPECT_EQ(HitDocumentPath("./doc/a.txt", "/opt/t", drives), "/opt/t/./doc/a.txt");
  EXPECT_EQ(HitDocumentPath("{hd1}/a.txt", "/opt/t", drives), "/mnt/d/a.txt");
  EXPECT_EQ(ShellOpenPath("/d/a.html#part"), "/d/a.html");
  EXPECT_EQ(ShellOpenPath("/d#x/a.html"), "/d#x/a.html");
}

// ---- The shared 10,000-hit result file --------------------------------------------------

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// A title line as the searcher writes it: a hit number (with thousands
// separators), ". ", the title, " (スコア: ", digits, ")".
bool LooksLikeTitleLine(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && ((line[i] >= '0' && line[i] <= '9') || line[i] == ',')) ++i;
  if (i == 0 || line.substr(i, 2) != ". ") return false;
  if (line.empty() || line.back() != ')') return false;
  line.remove_suffix(1);
  size_t digits = 0;
  while (!line.empty() && line.back() >= '0' && line.back() <= '9') line.remove_suffix(1), ++digits;
  return digits > 0 && line.size() >= ScoreJa.size() + i + 2 &&
         line.substr(line.size() - ScoreJa.size()) == ScoreJa;
}

std::string WithThousands(size_t n) {
  std::string digits = std::to_string(n);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
  return digits;
}

TEST(ResultList, SharedTenThousandHitFile) {
  const std::string data = ReadFile(std::string(TAVIREL_SHARED_DATA) + "/result-10k.txt");
  if (data.empty()) GTEST_SKIP() << "result-10k.txt not found";

  size_t titleLines = 0, lineCount = 0;
  std::istringstream lines(data);
  for (std::string line; std::getline(lines, line);) {
    ++lineCount;
    titleLines += LooksLikeTitleLine(line);
  }
  ASSERT_GT(titleLines, 1000u);

  const ResultListParse parse = ParseResultText(data, 2, 2);
  ASSERT_TRUE(parse.Found);
  ASSERT_EQ(parse.Hits.size(), titleLines);
  EXPECT_EQ(parse.Text.size(), data.size() + lineCount);   // LF became CR LF
  ExpectConsistent(parse);

  for (size_t i = 0; i < parse.Hits.size(); ++i) {
    const SearchHit& hit = parse.Hits[i];
    ASSERT_EQ(hit.Title.rfind(WithThousands(i + 1) + ". ", 0), 0u) << i << ": " << hit.Title;
    ASSERT_EQ(hit.Uri.rfind("/tmp/nmzbench/docs10k/", 0), 0u) << i << ": " << hit.Uri;
    ASSERT_EQ(hit.Uri.find(' '), std::string::npos) << hit.Uri;
  }

  // Spot checks by offset: the first and the last hit.
  const std::vector<size_t> starts = CharStarts(parse.Text);
  auto offsetOf = [&](size_t bytePos) {
    return static_cast<int32_t>(std::lower_bound(starts.begin(), starts.end(), bytePos) -
                                starts.begin());
  };
  const SearchHit& first = parse.Hits.front();
  EXPECT_EQ(first.Title, "1. If the Library as you received it specifies that a proxy can");
  EXPECT_EQ(first.TitleStart, offsetOf(parse.Text.find("\r\n1. If the Library") + 2));
  EXPECT_EQ(first.Uri, "/tmp/nmzbench/docs10k/html/en/h02251.html");
  EXPECT_EQ(first.UriStart, offsetOf(parse.Text.find("/tmp/nmzbench/docs10k/html/en/h02251")));
  EXPECT_EQ(Slice(parse.Text, starts, first.UriStart, first.UriEnd), first.Uri);

  const SearchHit& last = parse.Hits.back();
  EXPECT_EQ(last.Title, WithThousands(parse.Hits.size()) + ". t01916.txt");
  EXPECT_EQ(last.TitleStart, offsetOf(parse.Text.rfind("\r\n" + last.Title + ScoreJa) + 2));
  EXPECT_EQ(last.Uri, "/tmp/nmzbench/docs10k/text/ja/t01916.txt");
  EXPECT_EQ(last.UriEnd, offsetOf(parse.Text.rfind("t01916.txt (103 bytes)")) + 9);
  EXPECT_EQ(parse.ResultCharKinds[last.UriEnd], 'U');
  EXPECT_EQ(parse.ResultCharKinds[last.UriEnd + 1], 0);

  // The same file with CR LF line ends gives the same hits.
  std::string crlf;
  crlf.reserve(data.size() + lineCount);
  for (char c : data) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const ResultListParse again = ParseResultText(crlf, 2, 2);
  ASSERT_EQ(again.Hits.size(), parse.Hits.size());
  EXPECT_EQ(again.Text, parse.Text);
  for (size_t i = 0; i < parse.Hits.size(); i += 997) {
    EXPECT_EQ(again.Hits[i].TitleStart, parse.Hits[i].TitleStart);
    EXPECT_EQ(again.Hits[i].UriEnd, parse.Hits[i].UriEnd);
    EXPECT_EQ(again.Hits[i].Uri, parse.Hits[i].Uri);
  }
}

// Titles mknmz made from file names, as namazu prints them; the first is the
// one namazu printed for 旅行の覚え書き.txt on this system.
TEST(HitNames, TitleNamazuPrintsForAFileName) {
  const std::pair<std::string, std::string> cases[] = {
      {"\xE6\x97\x85\xE8\xA1\x8C\xE3\x81\xAE\xE8\xA6\x9A\xE3\x81\x88\xE6\x9B\xB8\xE3\x81\x8D.txt",
       "\xE6\x97\x85\xE4\x9F\x8C\xE3\x81\x87\xE6\xA6\x9A\xE3\x81\x88\xE6\x9B\x8C\xE1\x81\x8D.tx"},
      // 𠮷野家.txt: an even count of high bytes keeps the last one.
      {"\xF0\xA0\xAE\xB7\xE9\x87\x8E\xE5\xAE\xB6.txt",
       "\xF0\xA0\x87\xB5\xE9\x87\xE5\x87\xB4.txt"},
      {"english  file.txt", "english file.txt"},  // blanks folded
      {std::string(250, 'a'), std::string(199, 'a')},
  };
  for (const auto& [name, title] : cases) EXPECT_EQ(NamazuTitleForFileName(name), title) << name;
}

// A result of namazu --no-decode-uri made readable: file names decoded, a
// title made from the file name replaced, everything else unchanged.
TEST(ResultList, ReadableResultText) {
  const std::string travelUtf8 =
      "\xE6\x97\x85\xE8\xA1\x8C\xE3\x81\xAE\xE8\xA6\x9A\xE3\x81\x88\xE6\x9B\xB8\xE3\x81\x8D.txt";
  const std::string travelSjis =
      "\x97\xB7\x8D\x73\x82\xCC\x8A\x6F\x82\xA6\x8F\x91\x82\xAB.txt";  // 旅行の覚え書き.txt
  const std::string encoded =
      "/d/%E8%B3%87%20x/%E6%97%85%E8%A1%8C%E3%81%AE%E8%A6%9A%E3%81%88%E6%9B%B8%E3%81%8D.txt";
  const std::string folder = "/d/\x8E\x91 x/";  // 資 x
  const std::string input = Join(
      {"head", "", "1. " + NamazuTitleForFileName(travelUtf8) + ScoreJa + "2)", "summary",
       encoded + " (38 bytes)", "", "", "", "",
       "2. " + Nihongo + ScoreJa + "1)", "/d/%F0%9F%98%80.txt (3 bytes)", "", "", "", "",
       "3. http://x/%E6.html" + ScoreJa + "1)", "http://x/%E6.html (3 bytes)", "", "", "", "",
       "foot", ""},
      "\n");
  const std::string expected = Join(
      {"head", "", "1. " + travelSjis + ScoreJa + "2)", "summary",
       folder + travelSjis + " (38 bytes)", "", "", "", "",
       "2. " + Nihongo + ScoreJa + "1)", "/d/%F0%9F%98%80.txt (3 bytes)", "", "", "", "",
       "3. http://x/%E6.html" + ScoreJa + "1)", "http://x/%E6.html (3 bytes)", "", "", "", "",
       "foot", ""},
      "\n");
  EXPECT_EQ(ReadableResultText(input, 2, 2), expected);
  const ResultListParse parse = ParseResultText(ReadableResultText(input, 2, 2), 2, 2);
  ASSERT_EQ(parse.Hits.size(), 3u);
  EXPECT_EQ(parse.Hits[0].Uri, folder + travelSjis);
  ExpectConsistent(parse);
  // A line break in a name stays escaped: the list keeps its lines.
  EXPECT_EQ(DecodeHitAddress("/d/a%0Ab%E6%97%85.txt"), "/d/a%0Ab\x97\xB7.txt");
  // Nothing to decode: the bytes come back as they were.
  const std::string plain = Join({"h", "1. a" + Score + "1)", "/a.txt (1 bytes)", "", "", "x"}, "\r\n");
  EXPECT_EQ(ReadableResultText(plain, 2, 2), plain);
}

}  // namespace
}  // namespace tavirel
