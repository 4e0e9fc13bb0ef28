#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings/alias.h"

using namespace tavirel;

namespace {

// Japanese names in Shift-JIS: 論文 (an alias), メール (a group), 日本語 (a
// caption) and 表示 (whose trail byte is a backslash).
const std::string kRonbun = "\x98\x5F\x95\xB6";
const std::string kMail = "\x83\x81\x81\x5B\x83\x8B";
const std::string kNihongo = "\x93\xFA\x96\x7B\x8C\xEA";
const std::string kHyouji = "\x95\x5C\x8E\xA6";

TEST(BuildQueryText, JoinsPlainAndWithOr) {
  struct Case {
    std::vector<std::string> formulas;
    bool useOr;
    std::string expected;
  };
  const Case cases[] = {
      {{"foo", "bar baz", "(x and y)"}, false, "foo bar baz (x and y)"},
      {{"foo", "bar baz", "(x and y)"}, true, "( foo ) or ( bar baz ) or (x and y)"},
      {{"a"}, true, "( a )"},
      {{"(a)"}, true, "(a)"},
      {{"("}, true, "( ( )"},
      {{"()"}, true, "()"},
      {{}, false, ""},
      {{}, true, ""},
      {{" a", "", "b "}, false, "a  b"},
      {{kNihongo, kHyouji}, true, "( " + kNihongo + " ) or ( " + kHyouji + " )"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildQueryText(c.formulas, c.useOr), c.expected)
        << (c.formulas.empty() ? std::string("(none)") : c.formulas.front());
  }
}

TEST(AliasFile, ReadsAliasesAndGroupsByTheProfileRules) {
  const std::string longValue(3000, 'x');
  const std::string text =
      "; made by hand\r\n"
      "[DIRALIASLIST]\r\n"
      "COUNT = 3\r\n"
      "alias1 = " + kRonbun + "\r\n"
      "Alias2=\"quoted name\"\r\n"
      "[diralias1]\r\n"
      "dircount=4\r\n"
      "directory1=/idx/" + kHyouji + "\r\n"
      "Directory2=   \r\n"
      "Directory4=\"/idx/with blank\"\r\n"
      "[DirAlias3]\r\n"
      "DirCount=abc\r\n"
      "Directory1=/never\r\n"
      "[QueryGroupList]\r\n"
      "Count=2\r\n"
      "Group1=" + kMail + "\r\n"
      "[QueryGroup1]\r\n"
      "QueryCount=3\r\n"
      "Query1=from:" + kNihongo + "\r\n"
      "Caption1=" + kNihongo + "\r\n"
      "Query2=" + longValue + "\r\n"
      "Caption3=no formula\r\n"
      "[QueryGroup2]\r\n"
      "QueryCount=-1\r\n"
      "Query1=never\r\n";
  const TAliasFile file = ParseAliasText(text);
  EXPECT_TRUE(file.Error.empty());
  EXPECT_EQ(file.AliasNames, (std::vector<std::string>{kRonbun, "quoted name", ""}));
  EXPECT_EQ(file.DirAliasDirectories,
            (std::vector<std::string>{"/idx/" + kHyouji + "\r\n/idx/with blank", "", ""}));
  EXPECT_EQ(file.GroupNames, (std::vector<std::string>{kMail, ""}));
  ASSERT_EQ(file.QueryGroups.size(), 2u);
  const TQueryGroup& mail = file.QueryGroups[0];
  EXPECT_EQ(mail.Queries, (std::vector<std::string>{"from:" + kNihongo, longValue.substr(0, 2047),
                                                    ""}));
  EXPECT_EQ(mail.Captions, (std::vector<std::string>{kNihongo, longValue.substr(0, 2047),
                                                     "no formula"}));
  EXPECT_EQ(mail.Ticked, (std::vector<bool>{false, false, false}));
  EXPECT_TRUE(file.QueryGroups[1].Queries.empty());
}

TEST(AliasFile, DamagedCountsStayBounded) {
  struct Case {
    std::string count;
    size_t entries;
  };
  const Case cases[] = {{"abc", 0}, {"-1", 0}, {"0", 0}, {"2", 2},
                        {"100000", static_cast<size_t>(MaxAliasEntries)},
                        {"99999999999999999999", 0}};
  for (const Case& c : cases) {
    const TAliasFile file = ParseAliasText("[DirAliasList]\nCount=" + c.count +
                                           "\n[DirAlias1]\nDirCount=" + c.count +
                                           "\nDirectory1=/a\n[QueryGroupList]\nCount=" + c.count +
                                           "\n[QueryGroup1]\nQueryCount=" + c.count + "\n");
    EXPECT_EQ(file.AliasNames.size(), c.entries) << c.count;
    EXPECT_EQ(file.QueryGroups.size(), c.entries) << c.count;
    if (c.entries > 0) {
      EXPECT_EQ(file.DirAliasDirectories[0], "/a") << c.count;
      EXPECT_EQ(file.QueryGroups[0].Queries.size(), c.entries) << c.count;
    }
  }
  // Every group claiming the most formulas: all groups together stop at the total.
  std::string many = "[QueryGroupList]\nCount=1000\n";
  for (int n = 1; n <= 1000; ++n) {
    many += "[QueryGroup" + std::to_string(n) + "]\nQueryCount=1000\n";
  }
  const TAliasFile file = ParseAliasText(many);
  ASSERT_EQ(file.QueryGroups.size(), 1000u);
  size_t total = 0;
  for (const TQueryGroup& group : file.QueryGroups) total += group.Queries.size();
  EXPECT_EQ(total, static_cast<size_t>(MaxAliasTotalEntries));
  EXPECT_EQ(file.QueryGroups[99].Queries.size(), 1000u);
  EXPECT_TRUE(file.QueryGroups[100].Queries.empty());
}

}  // namespace
