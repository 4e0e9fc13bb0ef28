#include "core/search/resultpage.h"

#include <gtest/gtest.h>

#include <string>

using namespace tavirel;

namespace {
// Shift-JIS pieces of namazu's Japanese result.
const std::string kMatched = std::string(MatchedCountMarker);           // 検索式にマッチする
const std::string kCurrent = std::string(CurrentListMarker);            // 現在のリスト:
const std::string kFound = " \x8c\xc2\x82\xcc\x95\xb6\x8f\x91";          // 個の文書
}  // namespace

TEST(ResultPage, RangeAndTotalOfEveryFormOfResult) {
  struct Case {
    const char* name;
    std::string result;
    int total, first, last;
    bool next, previous;
  };
  const Case cases[] = {
      {"plain, first page", kMatched + "42" + kFound + "\r\n\r\n1. a\r\n" + kCurrent + "1 - 20\r\n",
       42, 1, 20, true, false},
      {"plain, middle page", kMatched + "42" + kFound + "\n" + kCurrent + "21 - 40\n", 42, 21, 40,
       true, true},
      {"plain, last page", kMatched + "42" + kFound + "\n" + kCurrent + "41 - 42\n", 42, 41, 42,
       false, true},
      {"all hits fit", kMatched + "3" + kFound + "\n" + kCurrent + "1 - 3\n", 3, 1, 3, false,
       false},
      {"HTML page", "<p><strong>" + kMatched + "<!-- HIT -->25<!-- HIT -->" + kFound +
                        "</strong></p>\n<strong>" + kCurrent + "11 - 20</strong><br>\n",
       25, 11, 20, true, true},
      {"English", " Total 25 documents matching your query.\n\nCurrent List: 1 - 10\n", 25, 1, 10,
       true, false},
      {"English HTML", "<strong> Total <!-- HIT -->25<!-- HIT --> documents</strong>\n"
                       "<strong>Current List: 21 - 25</strong>",
       25, 21, 25, false, true},
      {"no hit", kMatched.substr(0, kMatched.size() - 1) + "\x95\xb6\x8f\x91\n", 0, 0, 0, false,
       false},
      {"range cut off", kMatched + "42" + kFound + "\n" + kCurrent + "21 -", 0, 0, 0, false, false},
      {"count too long", kMatched + "99999999999" + kFound + "\n" + kCurrent + "1 - 20", 0, 0, 0,
       false, false},
  };
  for (const Case& c : cases) {
    const TResultPage page = ReadResultPage(c.result);
    EXPECT_EQ(page.Total, c.total) << c.name;
    EXPECT_EQ(page.First, c.first) << c.name;
    EXPECT_EQ(page.Last, c.last) << c.name;
    EXPECT_EQ(page.HasNext(), c.next) << c.name;
    EXPECT_EQ(page.HasPrevious(), c.previous) << c.name;
    EXPECT_EQ(page.Partial(), c.next || c.previous) << c.name;
  }
}

TEST(ResultPage, NeighbouringPagesAndStatus) {
  const TResultPage middle{42, 21, 40};
  EXPECT_EQ(middle.NextWhence(), 40);
  EXPECT_EQ(middle.PreviousWhence(20), 0);
  // A page reached with another count steps back by the count, never below 0.
  EXPECT_EQ((TResultPage{42, 31, 40}).PreviousWhence(20), 10);
  EXPECT_EQ((TResultPage{42, 11, 20}).PreviousWhence(50), 0);
  // "42 件中 21 - 40 件目を表示しています" and the keys while there is more.
  const std::string shown = "42 \x8c\x8f\x92\x86 21 - 40 \x8c\x8f\x96\xda";
  EXPECT_EQ(ResultPageStatusText(middle).rfind(shown, 0), 0u);
  EXPECT_NE(ResultPageStatusText(middle).find("Space"), std::string::npos);
  EXPECT_EQ(ResultPageStatusText({42, 41, 42}).find("Space"), std::string::npos);
}
