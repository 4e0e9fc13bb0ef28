#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/search/searchwords.h"
#include "platform/platform.h"

using namespace tavirel;

namespace {

// Tables are written in UTF-8 and compared as Shift-JIS.
std::string Sjis(std::string_view utf8) { return platform::Utf8ToCp932(utf8).value(); }
std::string Utf8(std::string_view sjis) { return platform::Cp932ToUtf8(sjis).value(); }

std::string Describe(const std::vector<TSearchWord>& words) {
  static const char* kinds[] = {"W", "P", "S", "I", "Ph", "R"};
  std::string out;
  for (const TSearchWord& w : words) {
    if (!out.empty()) out += " | ";
    out += kinds[static_cast<int>(w.Match)] + std::string(":") + Utf8(w.Text);
  }
  return out;
}

// The text with every found range in brackets.
std::string Marked(std::string_view text, const std::vector<TByteRange>& ranges) {
  std::string out;
  size_t at = 0;
  for (const TByteRange& r : ranges) {
    out += text.substr(at, r.Start - at);
    out += "[" + std::string(text.substr(r.Start, r.End - r.Start)) + "]";
    at = r.End;
  }
  out += text.substr(at);
  return out;
}

}  // namespace

TEST(SearchWords, FromFormulas) {
  struct Case {
    const char* formula;
    const char* words;
  };
  const Case cases[] = {
      {"namazu", "W:namazu"},
      {"Linux and Netscape", "W:Linux | W:Netscape"},
      {"Linux AND Netscape & Mozilla", "W:Linux | W:Netscape | W:Mozilla"},
      {"Linux or FreeBSD | NetBSD", "W:Linux | W:FreeBSD | W:NetBSD"},
      {"Linux not UNIX", "W:Linux"},
      {"Linux ! UNIX Emacs", "W:Linux | W:Emacs"},
      {"( Linux or FreeBSD ) and Netscape not Windows", "W:Linux | W:FreeBSD | W:Netscape"},
      {"Netscape not ( Windows or Mac ) Linux", "W:Netscape | W:Linux"},
      {"(Linux or FreeBSD)", "W:Linux | W:FreeBSD"},
      {"\"GNU Emacs\" {quick indexing}", "Ph:GNU Emacs | Ph:quick indexing"},
      {"\"and\" {not}", "W:and | W:not"},
      {"inter* *net *text* *", "P:inter | S:net | I:text"},
      {"/インター?フェ[イー]ス/ /a(b)c/", "R:インター?フェ[イー]ス | R:a(b)c"},
      {"+subject:会議 +from:hanako@example.jp", "W:会議 | W:hanako@example.jp"},
      {"+subject:\"GNU Emacs\" +message-id:<1998@foo.jp>", "Ph:GNU Emacs | W:<1998@foo.jp>"},
      {"温泉　旅館　and　温泉", "W:温泉 | W:旅館"},
      {"\"quick indexing", "W:quick | W:indexing"},
      {"東京都庁 or 大阪", "W:東京都庁 | W:大阪"},
      {"ソフト*", "P:ソフト"},
      {"{ボート マラソン} ボ(", "Ph:ボート マラソン | W:ボ"},  // ボ = 83 7B "{", マ = 83 7D "}"
      {"", ""},
      {"and or not ( )", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Describe(ExtractSearchWords(Sjis(c.formula))), c.words) << c.formula;
}

TEST(SearchWords, OccurrencesInShiftJisText) {
  struct Case {
    const char* formula;
    const char* text;
    const char* marked;
  };
  const Case cases[] = {
      // Case, whole words, wildcards.
      {"linux", "LINUX, Linux; linuxes", "[LINUX], [Linux]; linuxes"},
      {"index", "index indexing reindex", "[index] indexing reindex"},
      {"inter*", "internet inter winter", "[internet] [inter] winter"},
      {"*net", "internet netscape net", "[internet] netscape [net]"},
      {"*dex*", "indexing dex index", "[indexing] [dex] [index]"},
      {"TCP/IP", "use tcp/ip now", "use [tcp/ip] now"},
      // Full-width and half-width forms.
      {"linux", "ＬＩＮＵＸと Ｌｉｎｕｘ", "[ＬＩＮＵＸ]と [Ｌｉｎｕｘ]"},
      {"ＬＩＮＵＸ", "linux", "[linux]"},
      {"カレンダー", "ｶﾚﾝﾀﾞｰとカレンダー", "[ｶﾚﾝﾀﾞｰ]と[カレンダー]"},
      {"ｶﾞｲﾄﾞ", "ガイドとｶﾞｲﾄﾞ", "[ガイド]と[ｶﾞｲﾄﾞ]"},
      {"ガ", "ｶ ｶﾞ", "ｶ [ｶﾞ]"},  // the mark belongs to the kana before it
      {"c++", "Ｃ＋＋とc++", "[Ｃ＋＋]と[c++]"},
      // Japanese words are found inside longer runs.
      {"会議", "定例会議は会議室で", "定例[会議]は[会議]室で"},
      {"東京 and 都庁", "東京都庁", "[東京][都庁]"},
      // Trail bytes that look like ASCII letters are never a start.
      {"b", "インデックス b", "インデックス [b]"},       // ッ = 83 62
      {"a", "アイウ A", "アイウ [A]"},                    // ア = 83 41
      {"f", "デデ", "デデ"},                              // デ = 83 66
      {"\\", "ソ\\", "ソ[\\]"},                           // ソ = 83 5C
      {"インデックス", "インデックスインデックス", "[インデックス][インデックス]"},
      // Phrases allow blanks and line breaks between their words.
      {"\"quick indexing\"", "quick indexing, quick\n  indexing, quickindexing",
       "[quick indexing], [quick\n  indexing], quickindexing"},
      {"{温泉 旅館}", "温泉旅館と温泉 旅館", "[温泉旅館]と[温泉 旅館]"},
      // Regular expressions: ASCII words whole, Japanese the matched part.
      {"/^inter/", "internet winter", "[internet] winter"},
      {"/インター?フェ[イー]ス/", "新しいインタフェースとインターフェイス",
       "新しい[インタフェース]と[インターフェイス]"},
      {"/^LIN\\w+/ /^a\\D/", "Linux linuxes LIN ab a1", "[Linux] [linuxes] LIN [ab] a1"},
      {"/[/", "anything", "anything"},  // not a regular expression the engine reads
      // Tried only where the first character stands, seeing the one before.
      {"/^会議/", "会議は会議", "[会議]は会議"},
      {"/イン[タテ]/", "イスのインテリア", "イスの[インテ]リア"},
      // Overlapping words merge; a word that is absent marks nothing.
      {"東京 東京都 absent", "東京都へ", "[東京都]へ"},
      {"not linux", "linux", "linux"},
  };
  for (const Case& c : cases) {
    const std::string text = Sjis(c.text);
    const auto ranges = FindSearchWords(text, ExtractSearchWords(Sjis(c.formula)));
    EXPECT_EQ(Utf8(Marked(text, ranges)), c.marked) << c.formula << " in " << c.text;
  }
}

TEST(SearchWords, MalformedBytesAndCharacterOffsets) {
  // A lead byte at the end, a lead byte before a byte that is no trail byte,
  // and single bytes with no character: each is one character, and none of
  // them hides the words around it.
  const std::string text = std::string("\x81 x \x80\xa0\xfd") + Sjis("漢字x") + "\x82";
  const auto ranges = FindSearchWords(text, ExtractSearchWords("x"));
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0], (TByteRange{2, 3}));
  EXPECT_EQ(ranges[1], (TByteRange{11, 12}));
  EXPECT_EQ(ToCharRanges(text, ranges), (std::vector<TCharRange>{{2, 3}, {9, 10}}));
  EXPECT_TRUE(FindSearchWords("", ExtractSearchWords("x")).empty());
  EXPECT_TRUE(TWordFinder({}).Empty());
}

TEST(SearchWords, SummariesOfAResultList) {
  // A result list as namazu writes it: a hit with a summary, one without
  // (short form), and the words also in titles, authors and file names.
  const std::string file = Sjis(
      "検索結果\n\n検索式にマッチする 2 個の文書が見つかりました。\n\n"
      "1. 温泉の案内 (スコア: 2)\n著者: 温泉 太郎\n日付: Mon, 15 Mar 2010\n"
      "温泉旅館と ONSEN の話…\n/tmp/温泉.txt (529 bytes)\n\n\n\n\n"
      "2. 温泉 (スコア: 1)\n/tmp/b.txt (24 bytes)\n\n\n\n\n現在のリスト: 1 - 2\n");
  const ResultListParse parse = ParseResultText(file, 1, 2);
  ASSERT_EQ(parse.Hits.size(), 2u);
  const TWordFinder finder(ExtractSearchWords(Sjis("温泉 onsen")));
  const auto marks = FindWordsInSummaries(parse.Text, parse.Hits, finder);
  // The file itself, with lone CR line breaks, gives the same offsets.
  std::string withCr = file;
  std::replace(withCr.begin(), withCr.end(), '\n', '\r');
  EXPECT_EQ(FindWordsInSummaries(withCr, parse.Hits, finder), marks);
  std::vector<std::string> marked;
  for (const TCharRange& r : marks) {
    // Back to bytes of the rejoined text, counting characters as the list does.
    size_t pos = 0, start = 0;
    for (int64_t c = 0; c < r.End; ++c) {
      if (c == r.Start) start = pos;
      pos += ResultCharLength(parse.Text, pos);
    }
    marked.push_back(Utf8(parse.Text.substr(start, pos - start)));
  }
  EXPECT_EQ(marked, (std::vector<std::string>{"温泉", "ONSEN"}));
}
