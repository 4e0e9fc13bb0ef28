#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings/dialogs.h"
#include "support/testsupport.h"

using namespace tavirel;
using tavirel::testsupport::TempDir;

namespace {

using Strings = std::vector<std::string>;

TEST(OptionValues, FilledFromSettingsAndStoredBack) {
  struct Case {
    std::string displayTo, showProcess, webDisplayTo, browserType, blankLine;
    int resultOutput, mknmzWindow, webOutput, browserItem;
    std::string blankText;
    // What OK stores for the untouched controls.
    std::string storedDisplayTo, storedShowProcess, storedWebDisplayTo, storedBrowserType;
  };
  const Case cases[] = {
      {"Text", "Internal", "Internal", "NetscapeNavigator", "2", 0, 0, 0, 2, "2", "Text",
       "Internal", "Internal", "DefaultBrowser"},
      {"webBROWSER", "doswindow", "EXTERNAL", "navigator", "abc", 1, 1, 1, 0, "0", "WebBrowser",
       "DOSWindow", "External", "Navigator"},
      {"", "DOS", "", "InternetExplorer", "12", 0, 0, 0, 1, "9", "Text", "Internal", "Internal",
       "InternetExplorer"},
      {"x", "", "x", "", "-3", 0, 0, 0, 2, "0", "Text", "Internal", "Internal", "DefaultBrowser"},
  };
  for (const Case& c : cases) {
    TSettings settings;
    settings.ResultDisplayTo = c.displayTo;
    settings.ShowProcess = c.showProcess;
    settings.WebBrowserDisplayTo = c.webDisplayTo;
    settings.BrowserType = c.browserType;
    settings.FileNameBlankLineNext = c.blankLine;
    settings.ShowExplanation = "1";
    settings.SavePosition = "true";  // only "1" is on
    settings.NavigatorPath = "\"/opt/my browser/run\"";
    settings.namazuOption = " -a ";
    const TOptionValues values = OptionValuesFromSettings(settings);
    EXPECT_EQ(values.ResultOutput, c.resultOutput) << c.displayTo;
    EXPECT_EQ(values.MknmzWindow, c.mknmzWindow) << c.showProcess;
    EXPECT_EQ(values.WebBrowserOutputTo, c.webOutput) << c.webDisplayTo;
    EXPECT_EQ(values.WebBrowserType, c.browserItem) << c.browserType;
    EXPECT_EQ(values.BlankLine, c.blankText) << c.blankLine;
    EXPECT_TRUE(values.ShowExplanation);
    EXPECT_FALSE(values.SaveWindowPos);

    TSettings stored;
    StoreOptionValues(values, stored);
    EXPECT_EQ(stored.ResultDisplayTo, c.storedDisplayTo);
    EXPECT_EQ(stored.ShowProcess, c.storedShowProcess);
    EXPECT_EQ(stored.WebBrowserDisplayTo, c.storedWebDisplayTo);
    EXPECT_EQ(stored.BrowserType, c.storedBrowserType);
    EXPECT_EQ(stored.SavePosition, "0");
    EXPECT_EQ(stored.ShowExplanation, "1");
    EXPECT_EQ(stored.NavigatorPath, settings.NavigatorPath);
    EXPECT_EQ(stored.namazuOption, " -a ");
  }
}

TEST(OptionHelp, ThreeRunsOnThePathsAsTyped) {
  const Strings drives = {"{hd1} => /    [root]"};
  const auto runs = OptionHelpRuns("{hd1}usr/bin/perl", "\"/opt/na mazu/bin/mknmz\"",
                                   "/usr/bin/namazu", drives, PathStyle::Posix);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].CommandLine, "\"/usr/bin/perl\" -v");
  EXPECT_EQ(runs[0].WorkFolder, "/usr/bin");
  EXPECT_EQ(runs[1].CommandLine, "\"/usr/bin/perl\" \"/opt/na mazu/bin/mknmz\" --help");
  EXPECT_EQ(runs[1].WorkFolder, "/opt/na mazu/bin");
  EXPECT_EQ(runs[2].CommandLine, "\"/usr/bin/namazu\" --help");
  EXPECT_EQ(runs[2].WorkFolder, "/usr/bin");
}

TEST(BrowseDialogs, StartFolderQuotingAndFilters) {
  TempDir dir;
  struct Start {
    std::string path, folder, file;
  };
  const Start starts[] = {
      {dir.path() + "/perl", dir.path(), "perl"},
      {"\"" + dir.path() + "/perl\"", dir.path(), "perl"},
      {"/no/such/folder/namazu", "/prog", "namazu"},
      {"", "/prog", ""},
  };
  for (const Start& s : starts) {
    const TBrowseStart start = BrowseStartFor(s.path, "/prog", PathStyle::Posix);
    EXPECT_EQ(start.Folder, s.folder) << s.path;
    EXPECT_EQ(start.FileName, s.file) << s.path;
  }
  EXPECT_EQ(QuotePathWithBlanks("/usr/bin/perl"), "/usr/bin/perl");
  EXPECT_EQ(QuotePathWithBlanks("C:\\Program Files\\Netscape\\netscape.exe"),
            "\"C:\\Program Files\\Netscape\\netscape.exe\"");

  // ﾌﾟﾛｸﾞﾗﾑ, すべてのﾌｧｲﾙ and namazu設定ファイル in Shift-JIS.
  const std::string program = "\xCC\xDF\xDB\xB8\xDE\xD7\xD1";
  const std::string all = "\x82\xB7\x82\xD7\x82\xC4\x82\xCC\xCC\xA7\xB2\xD9";
  const std::string rc = "namazu\x90\xDD\x92\xE8\x83\x74\x83\x40\x83\x43\x83\x8B";
  struct Filter {
    std::string filter;
    PathStyle style;
    Strings entries;
  };
  const Filter filters[] = {
      {program + " (*.exe)|*.exe", PathStyle::Windows, {program + " (*.exe)"}},
      {program + " (*.exe)|*.exe", PathStyle::Posix, {program + " (*.exe)", all + " (*)"}},
      {all + " (*.*)|*.*|Perl script (*.pl)|*.pl", PathStyle::Posix,
       {all + " (*)", "Perl script (*.pl)"}},
      {all + " (*.*)|*.*|" + rc + "(namazurc)|namazurc;.namazurc", PathStyle::Posix,
       {all + " (*)", rc + "(namazurc .namazurc)"}},
  };
  for (const Filter& f : filters) {
    EXPECT_EQ(FileDialogFilters(f.filter, f.style), f.entries) << f.filter;
  }
}

TEST(DirectoryList, LinesSplitAndJoinQuoted) {
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd\r\n"), (Strings{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("\r\n\r\nx"), (Strings{"", "", "x"}));
  EXPECT_EQ(SplitLines(""), Strings{});

  const std::pair<Strings, std::string> joins[] = {
      {{"C:\\idx", "C:\\My Index"}, "C:\\idx \"C:\\My Index\""},
      {{"", "   ", "\t"}, ""},
      {{" /lead", "/trail ", "", "/plain"}, "\" /lead\" \"/trail \" /plain"},
  };
  for (const auto& [in, out] : joins) EXPECT_EQ(JoinDirectoryLines(in), out) << out;

}

}  // namespace
