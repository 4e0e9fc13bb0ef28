#include "core/search/mainview.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/settings/inifile.h"

namespace tavirel {
namespace {

TEST(MainLayout, HeaderHeightAndSecondRow) {
  struct Case {
    bool normal, tall, external;
    int width;
    int header;
    bool countAndSort, contents, tutorial;
  };
  const Case cases[] = {
      {true, true, false, 545, 65, true, true, true},
      {true, true, false, 470, 65, true, true, false},
      {true, true, false, 449, 65, true, false, false},
      {true, false, false, 545, 40, false, false, false},
      {true, false, true, 545, 65, true, true, true},   // external: always two rows
      {false, true, false, 545, 40, false, false, false},
      {false, false, true, 545, 40, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.normal << c.tall << c.external << " " << c.width);
    EXPECT_EQ(HeaderHeight(c.normal, c.tall, c.external), c.header);
    const HeaderRowVisibility row = HeaderRowFor(c.normal, c.tall, c.external, c.width);
    EXPECT_EQ(row.CountAndSort, c.countAndSort);
    EXPECT_EQ(row.ContentsBox, c.contents);
    EXPECT_EQ(row.TutorialButton, c.tutorial);
  }
}

TEST(MainLayout, WindowHeightLimits) {
  // With the result list: at least 250, no upper limit.
  WindowHeightLimits list = ComputeWindowLayout(true, false, false, true, 20, 25, 180);
  EXPECT_TRUE(list.BodyVisible);
  EXPECT_EQ(list.MinHeight, 250);
  EXPECT_EQ(list.MaxHeight, 0);
  EXPECT_EQ(list.WindowHeight, 250);
  EXPECT_EQ(ComputeWindowLayout(true, true, false, true, 20, 25, 420).WindowHeight, 420);

  // External results: only the panels, fixed height.
  struct Case {
    bool normal, showIndexDir;
    int status, frame, expected;
  };
  const Case cases[] = {
      {true, true, 20, 25, 65 + 33 + 20 + 25},
      {true, false, 20, 25, 65 + 20 + 25},
      {true, true, 0, 25, 65 + 33 + 25},
      {false, true, 20, 0, 40 + 33 + 20},
  };
  for (const Case& c : cases) {
    WindowHeightLimits ext =
        ComputeWindowLayout(c.normal, false, true, c.showIndexDir, c.status, c.frame, 420);
    EXPECT_FALSE(ext.BodyVisible);
    EXPECT_EQ(ext.MinHeight, c.expected);
    EXPECT_EQ(ext.MaxHeight, c.expected);
    EXPECT_EQ(ext.WindowHeight, c.expected);
  }
}

TEST(MainLayout, AppearanceWords) {
  EXPECT_TRUE(IsNormalAppearance("Normal"));
  EXPECT_TRUE(IsNormalAppearance("NORMAL"));
  EXPECT_FALSE(IsNormalAppearance("Small"));
  EXPECT_FALSE(IsNormalAppearance("Tiny"));
  EXPECT_FALSE(IsNormalAppearance(""));
}

TEST(ListCountStart, StoredValues) {
  struct Case {
    const char* stored;
    const char* listCount;
    TCountItem item;
    int boxIndex;
    const char* boxText;
  };
  const Case cases[] = {
      {"20", "20", TCountItem::ciTwenty, -1, "20"},
      {"1", "1", TCountItem::ciTwenty, -1, "1"},
      {"35", "35", TCountItem::ciFifty, -1, "35"},
      {"51", "51", TCountItem::ciHundred, -1, "51"},
      {"100", "100", TCountItem::ciHundred, -1, "100"},
      {"All", "All", TCountItem::ciAll, 3, ""},
      {"all", "all", TCountItem::ciAll, 3, ""},
      {"0", "20", TCountItem::ciTwenty, 0, ""},
      {"101", "20", TCountItem::ciTwenty, 0, ""},
      {"-7", "20", TCountItem::ciTwenty, 0, ""},
      {"abc", "20", TCountItem::ciTwenty, 0, ""},
      {"", "20", TCountItem::ciTwenty, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const ListCountStart start = ListCountAtStart(c.stored);
    EXPECT_EQ(start.ListCount, c.listCount);
    EXPECT_EQ(start.Item, c.item);
    EXPECT_EQ(start.BoxIndex, c.boxIndex);
    EXPECT_EQ(start.BoxText, c.boxText);
  }
}

TEST(RecentLists, AddMovesToTopIgnoringCaseAndCuts) {
  std::vector<std::string> list = {"b", "C", "d"};
  AddToTopOfList(list, "c");
  EXPECT_EQ(list, (std::vector<std::string>{"c", "b", "d"}));
  AddToTopOfList(list, "new");
  EXPECT_EQ(list, (std::vector<std::string>{"new", "c", "b", "d"}));
  EXPECT_TRUE(ListContainsText(list, "NEW"));
  EXPECT_FALSE(ListContainsText(list, "ne"));

  std::vector<std::string> recent;
  for (int i = 0; i < 12; ++i) AddToTopOfList(recent, "/idx/" + std::to_string(i), 10);
  ASSERT_EQ(recent.size(), 10u);
  EXPECT_EQ(recent.front(), "/idx/11");
  EXPECT_EQ(recent.back(), "/idx/2");
  AddToTopOfList(recent, "/IDX/5", 10);
  EXPECT_EQ(recent.front(), "/IDX/5");
  EXPECT_EQ(recent.size(), 10u);
}

TEST(RecentLists, OneEntryForOneListOfFolders) {
  struct Case {
    const char* a;
    const char* b;
    bool same;
  };
  const Case cases[] = {
      {"/idx/a", "\"/idx/a\"", true},
      {"\"/idx/a\" \"/idx/b\"", "/idx/a   /idx/b", true},
      {"\"/idx/my docs\"", "  \"/IDX/my docs\" ", true},
      {"/idx/a /idx/b", "/idx/b /idx/a", false},  // the order is the search's
      {"/idx/a /idx/b", "/idx/a", false},
      {"\"/idx/my docs\"", "/idx/my docs", false},  // unquoted: two folders
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameDirectoryList(c.a, c.b), c.same) << c.a << " | " << c.b;
    std::vector<std::string> list = {"/other", c.a};
    AddRecentDirectory(list, c.b, 10);
    EXPECT_EQ(list.front(), c.b);
    EXPECT_EQ(list.size(), c.same ? 2u : 3u) << c.a << " | " << c.b;
    EXPECT_EQ(ContainsDirectoryList({c.a}, c.b), c.same);
  }
}

TEST(MarkSteps, RoundTheEndsAndFromTheCaret) {
  const std::vector<TCharRange> marks = {{10, 15}, {20, 25}, {40, 45}};
  struct Case {
    int current;
    int64_t caret;
    bool forward;
    int expected;
  };
  const Case cases[] = {
      {0, 0, true, 1},  {2, 0, true, 0},  {0, 0, false, 2}, {1, 0, false, 0},
      {-1, 0, true, 0}, {-1, 20, true, 1}, {-1, 21, true, 2}, {-1, 41, true, 0},
      {-1, 0, false, 2}, {-1, 20, false, 0}, {-1, 41, false, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StepToMark(marks, c.current, c.caret, c.forward), c.expected)
        << c.current << " " << c.caret << " " << c.forward;
  }
  EXPECT_EQ(StepToMark({}, -1, 0, true), -1);
}

TEST(RecentLists, MenuCaptions) {
  EXPECT_EQ(RecentMenuCaption(0, "\"/var/idx\""), "&1 \"/var/idx\"");
  EXPECT_EQ(RecentMenuCaption(8, "/a"), "&9 /a");
  EXPECT_EQ(RecentMenuCaption(9, "/a"), "1&0 /a");
  EXPECT_EQ(RecentMenuCaption(1, "/R&D"), "&2 /R&&D");
}

TEST(History, FillAndTakeBack) {
  TSettings s;
  s.FormulaHistoryCount = "5";
  s.History = {"one", "  ", "three", "", "five", "beyond"};
  EXPECT_EQ(HistoryForBox(s), (std::vector<std::string>{"one", "three", "five"}));

  // Three formulas in the box: History1..3 from the box, 4 and 5 as loaded.
  TakeHistoryFromBox(s, {"x", "y", "z"});
  EXPECT_EQ(s.History, (std::vector<std::string>{"x", "y", "z", "", "five", "beyond"}));

  // More formulas than FormulaHistoryCount: only the first N are taken.
  s.FormulaHistoryCount = "2";
  TakeHistoryFromBox(s, {"p", "q", "r"});
  EXPECT_EQ(s.History[0], "p");
  EXPECT_EQ(s.History[1], "q");
  EXPECT_EQ(s.History[2], "z");

  // A count that is not a number takes nothing and fills nothing.
  s.FormulaHistoryCount = "many";
  TakeHistoryFromBox(s, {"k"});
  EXPECT_EQ(s.History[0], "p");
  EXPECT_TRUE(HistoryForBox(s).empty());
}

TEST(FontsAndMenus, Fallbacks) {
  const std::pair<const char*, int> sizes[] = {{"9", 9},   {"12", 12}, {"abc", 9}, {"", 9},
                                               {"0", 9},   {"-3", 9},  {" 14 ", 14},
                                               {"100000", 9}};
  for (const auto& [text, points] : sizes) EXPECT_EQ(FontSizeFromSetting(text), points) << text;
  EXPECT_EQ(FontNameFromSetting("IPAGothic"), "IPAGothic");
  EXPECT_EQ(FontNameFromSetting("  "), std::string(FallbackFontName));

  const std::pair<const char*, TDocTypeItem> docs[] = {
      {"PlainText", TDocTypeItem::dtiPlainText}, {"mailnews", TDocTypeItem::dtiMailNews},
      {"HTML", TDocTypeItem::dtiHtml},           {"SYSTEM", TDocTypeItem::dtiSystem},
      {"Define", TDocTypeItem::dtiByExtension},  {"Foo", TDocTypeItem::dtiByExtension}};
  for (const auto& [text, item] : docs) EXPECT_EQ(DocTypeItemFromSetting(text), item) << text;
  EXPECT_EQ(DocTypeKeyword(DocTypeItemFromSetting("Foo")), "Define");
  EXPECT_EQ(DocTypeKeyword(TDocTypeItem::dtiHtml), "HTML");

  EXPECT_EQ(ConvertItemFromSetting("none"), TConvertItem::cvNone);
  EXPECT_EQ(ConvertItemFromSetting("NKF"), TConvertItem::cvNkf);
  EXPECT_EQ(ConvertItemFromSetting("Bogus"), TConvertItem::cvToSjis);
}

TEST(HelpPages, Paths) {
  EXPECT_EQ(NamazuDocPath("D:\\tools\\namazu\\bin\\namazu.exe", "tutorial.html", PathStyle::Windows),
            "D:\\tools\\namazu\\share\\namazu\\doc\\ja\\tutorial.html");
  EXPECT_EQ(NamazuDocPath("C:\\namazu\\bin\\namazu.exe", "manual.html", PathStyle::Windows),
            "C:\\namazu\\share\\namazu\\doc\\ja\\manual.html");
  EXPECT_EQ(NamazuDocPath("/usr/bin/namazu", "manual.html", PathStyle::Posix),
            "/usr/share/namazu/doc/ja/manual.html");
  EXPECT_EQ(NamazuDocFallbackPath("manual.html"), "/usr/share/doc/namazu2-common/ja/manual.html");
  EXPECT_EQ(StartHelpPath("/opt/tavirel"), "/opt/tavirel/help/start.html");
  EXPECT_EQ(ProgramHelpPath("/opt/tavirel/"), "/opt/tavirel/help/index.html");
  EXPECT_EQ(MainWindowTitle("\"/idx\""), "tavirel for Namazu - [\"/idx\"]");
}

TEST(Placement, RoundTripAndMalformedKeys) {
  TIniFile ini;
  TWindowPlacement placement;
  placement.ShowCmd = ShowCmdMaximized;
  placement.PixelsPerInch = 120;
  placement.NormPos[0] = 10;
  placement.NormPos[1] = 20;
  placement.NormPos[2] = 555;
  placement.NormPos[3] = 440;
  WriteWindowPlacement(ini, "Window", placement);
  EXPECT_EQ(ini.ReadString("Window", "NormPos", ""), "10,20,555,440");
  EXPECT_EQ(ini.ReadString("Window", "MinMaxPos", ""), "-1,-1,-1,-1");
  auto read = ReadWindowPlacement(ini, "Window");
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->ShowCmd, ShowCmdMaximized);
  EXPECT_EQ(read->PixelsPerInch, 120);
  EXPECT_EQ(read->NormPos[2], 555);

  const std::pair<const char*, const char*> broken[] = {
      {"NormPos", "10,20,555"},     {"NormPos", "10,20,555,440,1"}, {"NormPos", "a,b,c,d"},
      {"NormPos", "100,20,50,440"}, {"MinMaxPos", ""},              {"PixelsPerInch", "x"}};
  for (const auto& [key, value] : broken) {
    TIniFile bad(ini.ToText());
    bad.WriteString("Window", key, value);
    EXPECT_FALSE(ReadWindowPlacement(bad, "Window").has_value()) << key << "=" << value;
  }
  int four[4];
  EXPECT_TRUE(ParseFourInts(" -1 , 2,3 ,4", four));
  EXPECT_EQ(four[0], -1);
  EXPECT_EQ(four[3], 4);
}

class RecentFile : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavirel_mainview_XXXXXX";
    folder_ = mkdtemp(pattern);
    path_ = folder_ + "/tavirel.ini";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string Read() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string folder_, path_;
};

TEST_F(RecentFile, WritesSectionAndPlacementKeepingTheRest) {
  Write("[Search]\r\nListCount=35\r\n[SearchMRU]\r\nItem_0=/old\r\nItem_1=/older\r\n");
  TWindowPlacement placement;
  placement.NormPos[2] = 545;
  placement.NormPos[3] = 420;
  ASSERT_TRUE(WriteRecentAndPlacement(path_, {"\"/a b\" \"/c\"", "/d"}, &placement, "Window"));
  EXPECT_EQ(ReadRecentDirectories(path_), (std::vector<std::string>{"\"/a b\" \"/c\"", "/d"}));
  const std::string text = Read();
  EXPECT_NE(text.find("Item_0=\"\"/a b\" \"/c\"\"\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("/older"), std::string::npos);
  EXPECT_NE(text.find("ListCount=35"), std::string::npos);
  ASSERT_TRUE(ReadWindowPlacementFromFile(path_, "Window").has_value());
}

TEST_F(RecentFile, ReadOnlyOrMissingFileIsLeftAlone) {
  const std::string before = "[SearchMRU]\r\nItem_0=/keep\r\n";
  Write(before);
  chmod(path_.c_str(), 0444);
  EXPECT_FALSE(WriteRecentAndPlacement(path_, {"/x"}, nullptr, "Window"));
  EXPECT_EQ(Read(), before);
  std::filesystem::remove(path_);
  EXPECT_FALSE(WriteRecentAndPlacement(path_, {"/x"}, nullptr, "Window"));
  EXPECT_FALSE(std::filesystem::exists(path_));
}

}  // namespace
}  // namespace tavirel
