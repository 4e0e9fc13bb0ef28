#include "core/search/searchcmd.h"
#include "core/process/cmdline.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace tavirel {
namespace {

// Settings as a new settings file holds them on this platform.
TSettings DefaultSettings() {
  TSettings s;
  s.DirectoryCount = "1";
  s.IndexDirectories = {"/var/lib/namazu/index"};
  s.ListCount = "20";
  s.Sort = "None";
  s.UseNamazurc = "0";
  s.NamazurcPath = "/etc/namazu/namazurc";
  s.SetIndexInNamazurc = "0";
  s.RelativePath = "0";
  s.ResultDisplayTo = "Text";
  s.ConfirmCommandLine = "0";
  s.ResultUseTempDir = "1";
  s.WebBrowserDisplayTo = "Internal";
  s.namazuPath = "/usr/bin/namazu";
  s.Usepnamazu = "0";
  s.PerlPath = "/usr/bin/perl";
  s.pnamazuPath = "/usr/local/pnamazu/pnamazu.pl";
  return s;
}

const std::vector<std::string> NoDrives;

std::string Build(const TSettings& s, const SearchViewState& view = {},
                  std::string_view formula = "foo", bool namazurcExists = false,
                  const std::vector<std::string>& drives = NoDrives) {
  return BuildSearchCommand(s, view, formula, "/tmp", "/opt/tavirel", drives, namazurcExists)
      .CommandLine;
}

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Splits a command line as the Windows C runtime does in a double-byte code
// page: the first argument by the program-name rule, the others by the
// quote and backslash rules; a double-byte character is copied whole.
std::vector<std::string> SplitLikeWindows(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = line.size();
  auto skipBlanks = [&] { while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i; };
  skipBlanks();
  std::string program;
  if (i < n && line[i] == '"') {
    ++i;
    while (i < n && line[i] != '"') program += line[i++];
    if (i < n) ++i;
  } else {
    while (i < n && line[i] != ' ' && line[i] != '\t') program += line[i++];
  }
  args.push_back(program);
  for (;;) {
    skipBlanks();
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n) {
      const auto c = static_cast<unsigned char>(line[i]);
      if (IsLead(c) && i + 1 < n) {
        arg.append(line.substr(i, 2));
        i += 2;
      } else if (!quoted && (c == ' ' || c == '\t')) {
        break;
      } else if (c == '\\') {
        size_t run = 0;
        while (i < n && line[i] == '\\') ++run, ++i;
        if (i < n && line[i] == '"') {
          arg.append(run / 2, '\\');
          if (run % 2 == 1) arg += '"', ++i;
        } else {
          arg.append(run, '\\');
        }
      } else if (c == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += static_cast<char>(c);
        ++i;
      }
    }
    args.push_back(arg);
  }
  return args;
}

// ---- Defaults and the view menus ------------------------------------------------

TEST(SearchCommand, DefaultSettingsGiveTheDocumentedLine) {
  SearchCommand command = BuildSearchCommand(DefaultSettings(), {}, "foo", "/tmp",
                                             "/opt/tavirel", NoDrives, false);
  EXPECT_EQ(command.CommandLine,
            "\"/usr/bin/namazu\" --sort=score --max=20 --no-decode-uri "
            "--output=\"/tmp/result.txt\" -- \"foo\" \"/var/lib/namazu/index\"");
  EXPECT_EQ(command.ResultFilePath, "/tmp/result.txt");
}

TEST(SearchCommand, SortMenuItemsGiveTheirOptions) {
  struct Case {
    TSortKind sort;
    bool ascending;
    const char* options;
  };
  const Case cases[] = {
      {TSortKind::skEarlier, false, " --early --max=20"},
      {TSortKind::skEarlier, true, " --early --max=20"},
      {TSortKind::skLater, false, " --late --max=20"},
      {TSortKind::skLater, true, " --late --max=20"},
      {TSortKind::skScore, false, " --sort=score --max=20"},
      {TSortKind::skScore, true, " --sort=score --ascending --max=20"},
      {TSortKind::skTitle, true, " --sort=field:subject --ascending --max=20"},
      {TSortKind::skDate, false, " --sort=field:date --max=20"},
      {TSortKind::skUri, false, " --sort=field:uri --max=20"},
      {TSortKind::skSize, true, " --sort=field:size --ascending --max=20"},
      {TSortKind::skFrom, false, " --sort=field:from --max=20"},
      {TSortKind::skTo, false, " --sort=field:to --max=20"},
      {TSortKind::skNewsgroup, false, " --sort=field:newsgroup --max=20"},
      {TSortKind::skNone, false, " --max=20"},
      {TSortKind::skNone, true, " --ascending --max=20"},
  };
  for (const Case& c : cases) {
    SearchViewState view;
    view.Sort = c.sort;
    view.Ascending = c.ascending;
    EXPECT_EQ(SearchOptions(DefaultSettings(), view), c.options)
        << static_cast<int>(c.sort) << " ascending " << c.ascending;
  }
}

TEST(SearchCommand, SummaryCountAndFormatOptions) {
  TSettings s = DefaultSettings();
  SearchViewState view;
  view.ContentsOff = true;
  view.ListCountAll = true;
  s.ListCount = "50";
  EXPECT_EQ(SearchOptions(s, view), " --sort=score --short --all");

  view = {};
  s.ResultDisplayTo = "webBROWSER";
  EXPECT_EQ(SearchOptions(s, view), " --sort=score --max=50 --html");
  s.Usepnamazu = "1";
  EXPECT_EQ(SearchOptions(s, view), " --sort=score --max=50 -h");

  // A later page passes over the hits already shown; with every hit listed
  // there is no later page.
  s = DefaultSettings();
  view.Whence = 40;
  EXPECT_EQ(SearchOptions(s, view), " --sort=score --max=20 --whence=40");
  view.ListCountAll = true;
  EXPECT_EQ(SearchOptions(s, view), " --sort=score --all");
}

TEST(SearchCommand, ListCountIsClamped) {
  const std::pair<const char*, int> cases[] = {
      {"0", 20},   {"1", 1},    {"35", 35},  {"100", 100}, {"101", 100},
      {"abc", 20}, {"All", 20}, {"-7", 20},  {"", 20},     {" 35", 20},
      {"99999999999", 100},     {"-99999999999", 20},      {"2147483647", 100},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(MaxHitsFromListCount(text), expected) << text;
  }
  TSettings s = DefaultSettings();
  s.ListCount = "-7";
  EXPECT_EQ(SearchOptions(s, {}), " --sort=score --max=20");
}

TEST(SearchCommand, HitCountBoxChoosesTheMenuItem) {
  struct Case {
    int selected;
    const char* text;
    const char* listCount;
    TListCountItem item;
    bool selectFirst;
  };
  const Case cases[] = {
      {3, "whatever", "All", TListCountItem::lciAll, false},
      {-1, "7", "7", TListCountItem::lciTwenty, false},
      {-1, "21", "21", TListCountItem::lciFifty, false},
      {-1, "50", "50", TListCountItem::lciFifty, false},
      {-1, "51", "51", TListCountItem::lciHundred, false},
      {1, "100", "100", TListCountItem::lciHundred, false},
      {-1, "101", "20", TListCountItem::lciTwenty, true},
      {-1, "0", "20", TListCountItem::lciTwenty, true},
      {-1, "x", "20", TListCountItem::lciTwenty, false},
  };
  for (const Case& c : cases) {
    ListCountChoice choice = ListCountFromBox(c.selected, c.text);
    EXPECT_EQ(choice.ListCount, c.listCount) << c.text;
    EXPECT_EQ(choice.Item, c.item) << c.text;
    EXPECT_EQ(choice.SelectFirstItem, c.selectFirst) << c.text;
  }
}

TEST(SearchCommand, SortKeywords) {
  EXPECT_EQ(SortKindFromKeyword("later"), TSortKind::skLater);
  EXPECT_EQ(SortKindFromKeyword("URI"), TSortKind::skUri);
  EXPECT_EQ(SortKindFromKeyword("None"), TSortKind::skScore);
  EXPECT_EQ(SortKindFromKeyword(""), TSortKind::skScore);
  EXPECT_EQ(SortKeyword(TSortKind::skNone), "Score");
  for (TSortKind kind : {TSortKind::skEarlier, TSortKind::skDate, TSortKind::skNewsgroup}) {
    EXPECT_EQ(SortKindFromKeyword(SortKeyword(kind)), kind);
  }
}

// ---- Command line pieces ------------------------------------------------------------

TEST(SearchCommand, NamazuAndPnamazuForms) {
  struct Case {
    const char* usePnamazu;
    const char* useNamazurc;
    bool exists;
    const char* displayTo;
    const char* expected;
  };
  const Case cases[] = {
      {"0", "1", true, "Text",
       "\"/usr/bin/namazu\" --sort=score --max=20 --no-decode-uri "
       "--config=\"/etc/namazu/namazurc\" --output=\"/tmp/result.txt\" -- \"foo\" "
       "\"/var/lib/namazu/index\""},
      {"1", "1", true, "Text",
       "\"/usr/bin/perl\" \"/usr/local/pnamazu/pnamazu.pl\" --sort=score --max=20 "
       "-f \"/etc/namazu/namazurc\" -o \"/tmp/result.txt\" -- \"foo\" \"/var/lib/namazu/index\""},
      {"1", "0", true, "Text",
       "\"/usr/bin/perl\" \"/usr/local/pnamazu/pnamazu.pl\" --sort=score --max=20 "
       "-o \"/tmp/result.txt\" -- \"foo\" \"/var/lib/namazu/index\""},
      {"0", "1", false, "Text",
       "\"/usr/bin/namazu\" --sort=score --max=20 --no-decode-uri "
       "--output=\"/tmp/result.txt\" -- \"foo\" \"/var/lib/namazu/index\""},
      {"0", "0", false, "WebBrowser",
       "\"/usr/bin/namazu\" --sort=score --max=20 --html --output=\"/tmp/result.html\" "
       "-- \"foo\" \"/var/lib/namazu/index\""},
      {"1", "0", false, "WebBrowser",
       "\"/usr/bin/perl\" \"/usr/local/pnamazu/pnamazu.pl\" --sort=score --max=20 -h "
       "-o \"/tmp/result.html\" -- \"foo\" \"/var/lib/namazu/index\""},
  };
  for (const Case& c : cases) {
    TSettings s = DefaultSettings();
    s.Usepnamazu = c.usePnamazu;
    s.UseNamazurc = c.useNamazurc;
    s.ResultDisplayTo = c.displayTo;
    EXPECT_EQ(Build(s, {}, "foo", c.exists), c.expected);
  }
}

TEST(SearchCommand, ProgramAndDirectoryPathsAreExpanded) {
  const std::vector<std::string> drives = {"{hd1} => /mnt/data    [DATA]",
                                           "{cdrom1} => /media/cd"};
  TSettings s = DefaultSettings();
  s.namazuPath = "./bin/namazu";
  s.IndexDirectories = {"./index", "{hd1}/idx", "{cdrom1}/i\"x", "+news"};
  s.NamazurcPath = "\"{hd1}/rc\"";
  s.UseNamazurc = "1";
  EXPECT_EQ(NamazurcFilePath(s, drives), "/mnt/data/rc");
  EXPECT_EQ(Build(s, {}, "foo", true, drives),
            "\"/opt/tavirel/./bin/namazu\" --sort=score --max=20 --no-decode-uri "
            "--config=\"/mnt/data/rc\" --output=\"/tmp/result.txt\" -- \"foo\" "
            "\"/opt/tavirel/./index\" \"/mnt/data/idx\" \"/media/cd/i\\\"x\" +news");

  // The Perl searcher's paths are passed as stored.
  s.Usepnamazu = "1";
  s.PerlPath = "./perl";
  s.pnamazuPath = "{hd1}/pnamazu.pl";
  EXPECT_EQ(Build(s, {}, "foo", false, drives).substr(0, 32),
            "\"./perl\" \"{hd1}/pnamazu.pl\" --so");
}

TEST(SearchCommand, ExtraOptionsAreTrimmedAndFollowedByABlank) {
  TSettings s = DefaultSettings();
  s.namazuOption = "  -n 5 \t";
  EXPECT_EQ(Build(s),
            "\"/usr/bin/namazu\" --sort=score --max=20 --no-decode-uri "
            "--output=\"/tmp/result.txt\" -n 5 -- \"foo\" \"/var/lib/namazu/index\"");
}

TEST(SearchCommand, IndexDirectoryItems) {
  struct Case {
    const char* useNamazurc;
    const char* setIndex;
    const char* relative;
    std::vector<std::string> directories;
    const char* tail;   // what follows the quoted formula
  };
  const std::string hyo = "\x95\x5c";            // 表, trail byte 0x5C
  const std::string soft = "\x83\x5c\x83\x74\x83\x67";  // ソフト
  const Case cases[] = {
      {"1", "1", "0", {"/idx", "/idx/mail"}, ""},
      {"1", "1", "1", {"/idx", "/idx/mail"}, ""},
      {"0", "1", "0", {"/idx"}, " \"/idx\""},
      {"1", "0", "1", {"/idx", "/idx/mail", "/other", "+news", "/idx2"},
       " +mail \"/other\" +news +2"},
      {"0", "0", "1", {"/idx", "/idx/mail"}, " \"/idx\" \"/idx/mail\""},
      {"1", "0", "1", {"/IDX", "/idx/mail"}, " \"/idx/mail\""},
      {"0", "0", "0", {"/a b", "+x y"}, " \"/a b\" \"+x y\""},
      {"0", "0", "0", {"/data/" + hyo, "/data/" + soft}, " \"/data/\x95\x5c\" \"/data/\x83\x5c\x83\x74\x83\x67\""},
      {"1", "0", "1", {"/data/" + hyo, "/data/" + hyo + "/mail"}, " +mail"},
      {"1", "0", "1", {"/idx", "/idx/" + hyo}, " +\x95\x5c"},
  };
  for (const Case& c : cases) {
    TSettings s = DefaultSettings();
    s.UseNamazurc = c.useNamazurc;
    s.SetIndexInNamazurc = c.setIndex;
    s.RelativePath = c.relative;
    s.IndexDirectories = c.directories;
    const std::string line = Build(s);
    const std::string formulaEnd = "\"foo\"";
    ASSERT_GE(line.size(), formulaEnd.size());
    const size_t at = line.rfind(formulaEnd);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(line.substr(at + formulaEnd.size()), c.tail) << line;
  }
}

TEST(SearchCommand, ResultFileNameAndFolder) {
  TSettings s = DefaultSettings();
  EXPECT_EQ(ResultFolder(s, "/tmp", "/opt/tavirel/"), "/tmp/");
  s.ResultUseTempDir = "0";
  EXPECT_EQ(ResultFolder(s, "/tmp", "/opt/tavirel/"), "/opt/tavirel/");
  EXPECT_EQ(ResultFolder(s, "/tmp", "/opt/tavirel"), "/opt/tavirel/");
  EXPECT_EQ(ResultFileName(s), "result.txt");
  s.ResultDisplayTo = "WEBBROWSER";
  EXPECT_EQ(ResultFileName(s), "result.html");
  EXPECT_EQ(BuildSearchCommand(s, {}, "x", "/opt/t/", "/opt/t", NoDrives, false).ResultFilePath,
            "/opt/t/result.html");
}

// ---- The formula ---------------------------------------------------------------------

TEST(SearchCommand, FormulaQuoting) {
  const std::pair<std::string, std::string> cases[] = {
      {"foo", "\"foo\""},
      {"a\\b", "\"a\\b\""},                         // no quote: backslash as it is
      {"foo bar", "\"foo bar\""},
      {"\"foo bar\"", "\"\\\"foo bar\\\"\""},       // phrase
      {"a\\\"b", "\"a\\\\\\\"b\""},                 // backslash before a quote doubled
      {"foo\\", "\"foo\\\\\""},                     // before the closing quote doubled
      {"\"C:\\dir\\\"", "\"\\\"C:\\dir\\\\\\\"\""},
      {"\x95\x5c", "\"\x95\x5c\""},                 // 表: its trail byte is no backslash
      {"\"\x95\x5c\"", "\"\\\"\x95\x5c\\\"\""},
      {"a\x81\x40" "b", "\"a\x81\x40" "b\""},        // full-width blank kept
  };
  for (const auto& [formula, quoted] : cases) EXPECT_EQ(QuoteFormula(formula), quoted) << formula;
}

TEST(SearchCommand, SearcherReceivesTheFormulaAsOneArgument) {
  const std::string formulas[] = {
      "foo",          "\"foo bar\"",   "foo \"bar baz\" or qux", "a\\\"b",     "foo\\",
      "\\\\\"x\"\\",  "x\"\"y",        "\"\x95\x5c\"",           "\x83\x5c\\", "\x83\x5c\"",
      "a\x81\x40" "b", "\"unterminated",
  };
  TSettings s = DefaultSettings();
  s.IndexDirectories = {"/data/\x95\x5c", "/idx/a b"};
  for (const std::string& formula : formulas) {
    const std::vector<std::string> args = SplitLikeWindows(Build(s, {}, formula));
    const std::vector<std::string> expected = {
        "/usr/bin/namazu", "--sort=score", "--max=20", "--no-decode-uri",
        "--output=/tmp/result.txt", "--", formula, "/data/\x95\x5c", "/idx/a b"};
    EXPECT_EQ(args, expected) << formula;
  }
}

TEST(SearchCommand, FormulaBeginningWithADashIsNotTakenForOptions) {
  TSettings s = DefaultSettings();
  for (const std::string formula : {"-o notes.txt", "--help", "-"}) {
    const std::vector<std::string> args = SplitLikeWindows(Build(s, {}, formula));
    const std::vector<std::string> expected = {
        "/usr/bin/namazu", "--sort=score", "--max=20", "--no-decode-uri",
        "--output=/tmp/result.txt", "--", formula, "/var/lib/namazu/index"};
    EXPECT_EQ(args, expected) << formula;
  }
  // A dash inside the formula is left alone.
  EXPECT_EQ(SplitLikeWindows(Build(s, {}, "a -b"))[6], "a -b");
}

// ---- Checks ----------------------------------------------------------------------------

TEST(SearchCommand, RequestChecks) {
  struct Case {
    const char* directoryCount;
    std::string formula;
    std::optional<std::string_view> message;
  };
  const Case cases[] = {
      {"0", "foo", NoIndexDirectoryMessage},
      {"", "foo", NoIndexDirectoryMessage},
      {"x", "foo", NoIndexDirectoryMessage},
      {"-1", "", NoIndexDirectoryMessage},
      {"1", "", NoFormulaMessage},
      {"1", " \t ", NoFormulaMessage},
      {"1", "\x81\x40\x81\x40", NoFormulaMessage},
      {"1", " \x81\x40 \x81\x40 ", NoFormulaMessage},
      {"1", "\x81\x40" "a\x81\x40", std::nullopt},
      {"1", "\x81\x81\x40", std::nullopt},   // ＝ followed by @: no blank in it
      {"2", "foo", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckSearchRequest(c.directoryCount, c.formula), c.message)
        << c.directoryCount << " / " << c.formula;
  }
  EXPECT_EQ(TrimBlanks("  a b \r\n"), "a b");
}

TEST(SearchCommand, BrowserDisplayAndConfirmation) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"WebBrowser", "External", true}, {"webbrowser", "EXTERNAL", true},
      {"WebBrowser", "Internal", false}, {"Text", "External", false}};
  for (const auto& [result, browser, external] : cases) {
    TSettings s = DefaultSettings();
    s.ResultDisplayTo = result;
    s.WebBrowserDisplayTo = browser;
    EXPECT_EQ(ResultsInExternalBrowser(s), external) << result << " " << browser;
  }
  EXPECT_EQ(ConfirmQuestionText("cmd", false), ContinueQuestion);
  EXPECT_EQ(ConfirmQuestionText("cmd", true), "cmd\n\n" + std::string(ContinueQuestion));
}

// ---- Run -------------------------------------------------------------------------------

class SearchRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavirel_searchrun_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    command_ = BuildSearchCommand(DefaultSettings(), {}, "foo", folder_, "/opt/tavirel",
                                  NoDrives, false);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void WriteResult(const std::string& text) { std::ofstream(command_.ResultFilePath) << text; }
  bool ResultExists() const { return std::filesystem::exists(command_.ResultFilePath); }

  std::string folder_;
  SearchCommand command_;
};

TEST_F(SearchRun, OldResultIsDeletedAndTheNewOneReported) {
  WriteResult("old");
  std::string seenLine, seenFolder;
  bool existedDuringRun = true;
  SearchRunOutcome outcome = RunSearchCommand(
      DefaultSettings(), command_, "/opt/tavirel", {},
      [&](const std::string& line, const std::string& folder) {
        seenLine = line;
        seenFolder = folder;
        existedDuringRun = ResultExists();
        WriteResult("new");
        return 1;
      });
  EXPECT_EQ(outcome.Result, TSearchRunResult::srrResultReady);
  EXPECT_TRUE(outcome.Started);
  EXPECT_FALSE(existedDuringRun);
  EXPECT_EQ(seenLine, command_.CommandLine);
  EXPECT_EQ(seenFolder, "/opt/tavirel");
}

TEST_F(SearchRun, MissingResultIsReported) {
  for (int started : {1, 0}) {
    WriteResult("stale");
    SearchRunOutcome outcome = RunSearchCommand(DefaultSettings(), command_, "/opt/tavirel", {},
                                                [&](const std::string&, const std::string&) {
                                                  return started;
                                                });
    EXPECT_EQ(outcome.Result, TSearchRunResult::srrResultMissing);
    EXPECT_EQ(outcome.Started, started != 0);
    EXPECT_EQ(outcome.Message,
              std::string(ResultFileMissingMessage) + "\n" + command_.ResultFilePath);
  }
}

TEST_F(SearchRun, ConfirmationIsAskedOnlyWhenSwitchedOn) {
  int asked = 0, ran = 0;
  auto runner = [&](const std::string&, const std::string&) { ++ran; WriteResult("r"); return 1; };
  auto decline = [&](const std::string& line) { ++asked; EXPECT_EQ(line, command_.CommandLine); return false; };

  TSettings s = DefaultSettings();
  SearchRunOutcome outcome = RunSearchCommand(s, command_, "/", decline, runner);
  EXPECT_EQ(outcome.Result, TSearchRunResult::srrResultReady);
  EXPECT_EQ(asked, 0);

  s.ConfirmCommandLine = "1";
  outcome = RunSearchCommand(s, command_, "/", decline, runner);
  EXPECT_EQ(outcome.Result, TSearchRunResult::srrDeclined);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(ran, 1);
  EXPECT_FALSE(ResultExists());
}

// Values from the settings file never become options or leave their own
// argument, as the runner splits the command line: the program paths, the
// namazurc path, the directories and the extra options.
TEST(SearchCommand, SettingsValuesStayTheirOwnArguments) {
  const std::string attack = "x\" --output=/victim \"";
  const std::string backslashAttack = "x\\\" --output=/victim \\\"";
  struct Case {
    const char* name;
    std::function<void(TSettings&)> set;
    std::vector<std::string> expected;  // the arguments after the options
  };
  const Case cases[] = {
      {"namazu path", [&](TSettings& s) { s.namazuPath = "/bin/nz" + attack; }, {}},
      {"perl path", [&](TSettings& s) { s.Usepnamazu = "1"; s.PerlPath = "/bin/perl" + attack; }, {}},
      {"pnamazu path", [&](TSettings& s) { s.Usepnamazu = "1"; s.pnamazuPath = "/p.pl" + backslashAttack; }, {}},
      {"namazurc path", [&](TSettings& s) { s.UseNamazurc = "1"; s.NamazurcPath = "/rc" + backslashAttack; }, {}},
      {"directories", [&](TSettings& s) {
         s.IndexDirectories = {"--output=/victim", "-o/victim", attack, backslashAttack, "+a b", "+c\"d"};
       }, {"--output=/victim", "-o/victim", attack, backslashAttack, "+a b", "+c\"d"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSettings s = DefaultSettings();
    c.set(s);
    const std::vector<std::string> args = SplitCommandLine(Build(s, {}, "foo", true));
    const bool pnamazu = s.Usepnamazu == "1";
    // The program (and the script) keep every byte but the quotes.
    const std::string program = pnamazu ? s.PerlPath : s.namazuPath;
    std::string unquoted;
    for (char ch : program) if (ch != '"') unquoted += ch;
    EXPECT_EQ(args.at(0), unquoted);
    if (pnamazu) {
      EXPECT_EQ(args.at(1), s.pnamazuPath);
    }
    // Options are ours; the namazurc path is one argument.
    const auto dashes = std::find(args.begin(), args.end(), "--");
    ASSERT_NE(dashes, args.end());
    for (auto it = args.begin() + (pnamazu ? 2 : 1); it != dashes; ++it) {
      const bool value = it[-1] == "-f" || it[-1] == "-o";
      EXPECT_TRUE(value || it->rfind("--", 0) == 0 || *it == "-h" || *it == "-f" || *it == "-o")
          << *it;
      if (it->rfind("--config=", 0) != 0) {
        EXPECT_EQ(it->find("/victim"), std::string::npos) << *it;
      }
    }
    if (s.UseNamazurc == "1") {
      const std::string config = "--config=" + NamazurcFilePath(s, NoDrives);
      EXPECT_NE(std::find(args.begin(), args.end(), config), args.end());
    }
    EXPECT_EQ(dashes[1], "foo");
    const std::vector<std::string> after(dashes + 2, args.end());
    EXPECT_EQ(after, c.expected.empty() ? std::vector<std::string>{"/var/lib/namazu/index"}
                                        : c.expected);
  }
}

// Which folders are looked at before a search, and when it is refused.
TEST(SearchCommand, IndexFoldersCheckedBeforeTheSearch) {
  testsupport::TempDir root("tavirel-idxcheck");
  std::filesystem::create_directories(root.File("plain"));
  std::filesystem::create_directories(root.File("index"));
  for (const char* name : {"NMZ.i", "NMZ.ii", "NMZ.w", "NMZ.wi", "NMZ.t"})
    root.Write(std::string("index/") + name, "x");
  const std::string index = root.File("index"), plain = root.File("plain");
  struct Case {
    const char* name;
    std::vector<std::string> directories;
    const char* useNamazurc;
    const char* setInNamazurc;
    const char* relative;
    size_t checked;
    int unchecked;
    int usable;
    bool refused;
  };
  const Case cases[] = {
      {"an index", {index}, "0", "0", "0", 1, 0, 1, false},
      {"an index and a plain folder", {index, plain}, "0", "0", "0", 2, 0, 1, false},
      {"only a plain folder", {plain}, "0", "0", "0", 1, 0, 0, true},
      {"a missing folder", {index + "-gone"}, "0", "0", "0", 1, 0, 0, true},
      {"a default-folder item is namazu's", {plain, "+other"}, "0", "0", "0", 1, 1, 0, false},
      {"folders set in the namazurc", {plain}, "1", "1", "0", 0, 0, 0, false},
      {"relative: the base is not searched", {plain, index}, "1", "0", "1", 1, 0, 1, false},
  };
  for (const Case& c : cases) {
    TSettings settings = DefaultSettings();
    settings.IndexDirectories = c.directories;
    settings.UseNamazurc = c.useNamazurc;
    settings.SetIndexInNamazurc = c.setInNamazurc;
    settings.RelativePath = c.relative;
    const TIndexDirectoryCheck check = CheckIndexDirectories(settings, "/opt/tavirel", NoDrives);
    EXPECT_EQ(check.Directories.size(), c.checked) << c.name;
    EXPECT_EQ(check.Unchecked, c.unchecked) << c.name;
    EXPECT_EQ(check.Usable(), c.usable) << c.name;
    EXPECT_EQ(check.Refused(), c.refused) << c.name;
    // The short form names the folders by their last name only.
    const std::string shortText = check.StatusText(" | ", false);
    EXPECT_EQ(shortText.find(root.path()), std::string::npos) << shortText;
    if (c.checked == 2) {
      EXPECT_NE(shortText.find(": plain"), std::string::npos) << shortText;
    }
    // Every folder that is no index is named in the message, and only those.
    const std::string problems = check.ProblemText();
    for (size_t i = 0; i < check.Directories.size(); ++i) {
      const bool bad = check.Statuses[i].State != TIndexState::Index;
      EXPECT_EQ(problems.find(check.Directories[i]) != std::string::npos, bad) << c.name;
    }
  }
}

}  // namespace
}  // namespace tavirel
