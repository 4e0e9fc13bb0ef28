// The settings file (name, defaults, load, save) on real files.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/platform.h"
#include "core/settings/inifile.h"
#include "core/settings/settings.h"

#include "support/testsupport.h"

namespace tavirel {
namespace {

using namespace testsupport;

namespace fs = std::filesystem;

std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

const std::string FontP = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
const std::string FontM = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

const std::string DefaultFileText = CrLf({
    "[Window]",
    "SavePosition=0",
    "ScreenType=Normal",
    "StayOnTop=0",
    "ShowIndexDir=1",
    "ShowStatusBar=1",
    "HideSearchButton=0",
    "ShowExplanation=1",
    "",
    "[Search]",
    "DirectoryCount=1",
    "Directory1=/var/lib/namazu/index",
    "FormulaHistoryCount=10",
    "Sort=None",
    "SortDirection=None",
    "ShowContents=1",
    "ListCount=20",
    "UseNamazurc=0",
    "NamazurcPath=/etc/namazu/namazurc",
    "SetIndexInNamazurc=0",
    "RelativePath=0",
    "",
    "[Result]",
    "SearchOnChangeSettings=0",
    "ConfirmCommandLine=0",
    "ResultUseTempDir=1",
    "FontNameResult=" + FontP,
    "FontSizeResult=9",
    "FontBoldResult=0",
    "FontNameText=" + FontM,
    "FontSizeText=9",
    "FontBoldText=0",
    "Color=1",
    "DisplayTo=Text",
    "FileNameBlankLineNext=2",
    "FileNameSpaceFromEnd=2",
    "UseDriveConstantsWebBrowser=0",
    "",
    "[Text]",
    "Convert=ToSJIS",
    "DecodeHeader=1",
    "",
    "[Document]",
    "HowToOpen=Define",
    "",
    "[Edit]",
    "CopyDefFileName=",
    "",
    "[WebBrowser]",
    "DisplayTo=Internal",
    "Type=NetscapeNavigator",
    "NavigatorPath=/usr/bin/firefox",
    "",
    "[Mknmz]",
    "ConfirmCommandLine=0",
    "ShowProcess=Internal",
    "",
    "[Command]",
    "namazuPath=/usr/bin/namazu",
    "mknmzPath=/usr/bin/mknmz",
    "PerlPath=/usr/bin/perl",
    "pnamazuPath=/usr/local/pnamazu/pnamazu.pl",
    "namazuOption=",
    "mknmzOption=--use-kakasi -EHK --all",
    "NamazuVersion=2.0",
    "Usepnamazu=0",
    "",
});

// The If-missing column, checked field by field. A new file holds the same
// values except "SortDirection" ("None" in the file, "Descending" if missing).
void ExpectFallbacks(const TSettings& s, const std::string& sortDirection = "Descending") {
  EXPECT_EQ(s.SavePosition, "0");
  EXPECT_EQ(s.ScreenType, "Normal");
  EXPECT_EQ(s.StayOnTop, "0");
  EXPECT_EQ(s.ShowIndexDir, "1");
  EXPECT_EQ(s.ShowStatusBar, "1");
  EXPECT_EQ(s.ShowExplanation, "1");
  EXPECT_EQ(s.DirectoryCount, "1");
  EXPECT_EQ(s.IndexDirectories, (std::vector<std::string>{"/var/lib/namazu/index"}));
  EXPECT_EQ(s.FormulaHistoryCount, "10");
  EXPECT_EQ(s.History, std::vector<std::string>(10));
  EXPECT_EQ(s.Sort, "None");
  EXPECT_EQ(s.SortDirection, sortDirection);
  EXPECT_EQ(s.ShowContents, "1");
  EXPECT_EQ(s.ListCount, "20");
  EXPECT_EQ(s.UseNamazurc, "0");
  EXPECT_EQ(s.NamazurcPath, "/etc/namazu/namazurc");
  EXPECT_EQ(s.SetIndexInNamazurc, "0");
  EXPECT_EQ(s.RelativePath, "0");
  EXPECT_EQ(s.SearchOnChangeSettings, "0");
  EXPECT_EQ(s.ConfirmCommandLine, "0");
  EXPECT_EQ(s.ResultUseTempDir, "1");
  EXPECT_EQ(s.FontNameResult, FontP);
  EXPECT_EQ(s.FontSizeResult, "9");
  EXPECT_EQ(s.FontBoldResult, "0");
  EXPECT_EQ(s.FontNameText, FontM);
  EXPECT_EQ(s.FontSizeText, "9");
  EXPECT_EQ(s.FontBoldText, "0");
  EXPECT_EQ(s.Color, "1");
  EXPECT_EQ(s.ResultDisplayTo, "Text");
  EXPECT_EQ(s.FileNameBlankLineNext, "2");
  EXPECT_EQ(s.FileNameSpaceFromEnd, "2");
  EXPECT_EQ(s.UseDriveConstantsWebBrowser, "0");
  EXPECT_EQ(s.Convert, "ToSJIS");
  EXPECT_EQ(s.DecodeHeader, "1");
  EXPECT_EQ(s.HowToOpen, "Define");
  EXPECT_EQ(s.WebBrowserDisplayTo, "Internal");
  EXPECT_EQ(s.BrowserType, "NetscapeNavigator");
  EXPECT_EQ(s.NavigatorPath, "/usr/bin/firefox");
  EXPECT_EQ(s.ShowProcess, "Internal");
  EXPECT_EQ(s.namazuPath, "/usr/bin/namazu");
  EXPECT_EQ(s.mknmzPath, "/usr/bin/mknmz");
  EXPECT_EQ(s.PerlPath, "/usr/bin/perl");
  EXPECT_EQ(s.pnamazuPath, "/usr/local/pnamazu/pnamazu.pl");
  EXPECT_EQ(s.namazuOption, "");
  EXPECT_EQ(s.mknmzOption, "--use-kakasi -EHK --all");
  EXPECT_EQ(s.NamazuVersion, "2.0");
  EXPECT_EQ(s.Usepnamazu, "0");
}

TSettings LoadText(const TempDir& dir, const std::string& text) {
  std::string file = dir.File("load.ini");
  WriteBytes(file, text);
  TSettings s;
  LoadSettings(s, file);
  return s;
}

// ---- File name ----------------------------------------------------------------------

TEST(SettingsFileName, PosixLowerCasesOnlyTheFileName) {
  EXPECT_EQ(SettingsFileNameFor("/Opt/Apps/Search.EXE"), "/Opt/Apps/search.ini");
  EXPECT_EQ(SettingsFileNameFor("/usr/bin/tavirel"), "/usr/bin/tavirel.ini");
  EXPECT_EQ(SettingsFileNameFor("/home/User.Name/Tavirel"), "/home/User.Name/tavirel.ini");
  EXPECT_EQ(SettingsFileNameFor("/a/b.c.EXE"), "/a/b.c.ini");
  EXPECT_EQ(SettingsFileNameFor("Prog"), "prog.ini");
  // Shift-JIS bytes are left alone: "\x83\x41" keeps its trail byte "A".
  EXPECT_EQ(SettingsFileNameFor("/X/\x83\x41PP.BIN"), "/X/\x83\x41pp.ini");
}

TEST(SettingsFileName, WindowsStyleLowerCasesTheWholePath) {
  EXPECT_EQ(SettingsFileNameFor("D:\\Apps\\Search.EXE", PathStyle::Windows),
            "d:\\apps\\search.ini");
  EXPECT_EQ(SettingsFileNameFor("C:\\Dir.X\\Prog", PathStyle::Windows), "c:\\dir.x\\prog.ini");
  // "\x83\x5C" is one character whose trail byte is "\": not a separator.
  EXPECT_EQ(SettingsFileNameFor("C:\\\x83\x5C" "A.EXE", PathStyle::Windows),
            "c:\\\x83\x5C" "a.ini");
}

TEST(SettingsInt, ParsesDecimalOrFallsBack) {
  EXPECT_EQ(SettingsInt("20", 1), 20);
  EXPECT_EQ(SettingsInt("-5", 1), -5);
  EXPECT_EQ(SettingsInt("abc", 1), 1);
  EXPECT_EQ(SettingsInt("99999999999", 1), 1);
  EXPECT_EQ(SettingsInt("", 3), 3);
  EXPECT_EQ(SettingsInt("All", 20), 20);
}

// ---- New file ------------------------------------------------------------------------

TEST(WriteDefaultSettings, NewFileHoldsEveryKeyInOrder) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteDefaultSettings(file);
  EXPECT_EQ(ReadBytes(file), DefaultFileText);
  TSettings s;
  LoadSettings(s, file);
  ExpectFallbacks(s, "None");  // "None": held as text, any word but "ascending" is descending
}

TEST(WriteDefaultSettings, OverwritesKeysAndKeepsOthers) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteBytes(file, "; note\r\n[Command]\r\nPerlPath=/opt/perl\r\nMine=1\r\n[Extra]\r\nx=y\r\n");
  WriteDefaultSettings(file);
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(file));
  EXPECT_EQ(ini.ReadString("Command", "PerlPath", ""), "/usr/bin/perl");
  EXPECT_EQ(ini.ReadString("Command", "Mine", ""), "1");
  EXPECT_EQ(ini.ReadString("Extra", "x", ""), "y");
  EXPECT_EQ(ini.SectionNames(),
            (std::vector<std::string>{"Command", "Extra", "Window", "Search", "Result", "Text",
                                      "Document", "Edit", "WebBrowser", "Mknmz"}));
}

TEST(WriteDefaultSettings, UnwritableLocationFailsSilently) {
  TempDir dir;
  std::string plain = dir.File("plain");
  WriteBytes(plain, "x");
  // A path whose parent is a regular file, and one in a missing folder.
  for (const std::string& file : {plain + "/tavirel.ini", dir.File("gone/tavirel.ini")}) {
    WriteDefaultSettings(file);
    EXPECT_FALSE(platform::FileExists(file));
    TSettings s;
    LoadSettings(s, file);
    ExpectFallbacks(s);
  }
  EXPECT_EQ(ReadBytes(plain), "x");
  // A folder in place of the file: left as it is.
  std::string folder = dir.File("folder.ini");
  fs::create_directory(folder);
  WriteDefaultSettings(folder);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"folder.ini", "plain"}));
}

TEST(InitSettings, CreatesTheFileBesideTheProgramAndLoadsIt) {
  std::string expected = SettingsFileNameFor(platform::ProgramPath());
  ASSERT_FALSE(expected.empty());
  bool existed = platform::FileExists(expected);
  InitSettings(expected);
  EXPECT_EQ(Settings.IniFileName, expected);
  ASSERT_TRUE(platform::FileExists(expected));
  if (!existed) {
    EXPECT_EQ(ReadBytes(expected), DefaultFileText);
    ExpectFallbacks(Settings, "None");
    platform::DeleteFile(expected);
  }
}

// A settings file that is a FIFO, a link to an endless device or too large is
// neither read (the start does not hang) nor written; the start says why.
TEST(InitSettings, RefusesSpecialAndOversizedFiles) {
  TempDir dir;
  const std::string big(MaxSettingsFileBytes + 1, '\n');
  const struct {
    const char* name;
    std::function<void(const std::string&)> make;
    const char* expectedStart;  // the message's first bytes
  } cases[] = {
      {"fifo", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
       "\x92\xca\x8f\xed"},  // 通常
      {"zero", [](const std::string& p) { fs::create_symlink("/dev/zero", p); },
       "\x92\xca\x8f\xed"},
      {"big", [&](const std::string& p) { WriteBytes(p, big); }, "\x83\x74\x83\x40"},  // ファ
  };
  for (const auto& c : cases) {
    const std::string file = dir.File(std::string(c.name) + ".ini");
    c.make(file);
    const std::string message = InitSettings(file);
    EXPECT_EQ(message.rfind(c.expectedStart, 0), 0u) << c.name << ": " << message;
    EXPECT_NE(message.find(file), std::string::npos) << c.name;
    ExpectFallbacks(Settings);
    Settings.SavePosition = "1";
    SaveSettings(Settings, file);
  }
  EXPECT_EQ(ReadBytes(dir.File("big.ini")), big);
  EXPECT_EQ(fs::read_symlink(dir.File("zero.ini")), "/dev/zero");
  EXPECT_TRUE(fs::is_fifo(dir.File("fifo.ini")));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"big.ini", "fifo.ini", "zero.ini"}));
  EXPECT_EQ(InitSettings(dir.File("new.ini")), "");
}

// A file just under the limit that a save would make larger than it is left
// as it is, so that the next start can still read it.
TEST(SaveSettings, NeverWritesAFileTheNextStartRefuses) {
  TempDir dir;
  const std::string text = "[Notes]\r\nn=" + std::string(MaxSettingsFileBytes - 32, 'n') + "\r\n";
  const std::string file = dir.Write("t.ini", text);
  EXPECT_EQ(InitSettings(file), "");
  SaveSettings(Settings, file);
  EXPECT_TRUE(ReadBytes(file) == text);
  EXPECT_EQ(InitSettings(file), "");
}

TEST(InitSettings, RemovesStaleCopiesOfAKilledSave) {
  TempDir dir;
  const std::string file = dir.Write("t.ini", DefaultFileText);
  dir.Write(".t.ini.tmp4242", "[Window]\r\nSavePos");
  dir.Write(".other.ini.tmp1", "x");
  const std::string stale = dir.File(".t.ini.tmp4242");
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, stale.c_str(), old, 0), 0);
  EXPECT_EQ(InitSettings(file), "");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{".other.ini.tmp1", "t.ini"}));
}

// ---- Loading ----------------------------------------------------------------------------

TEST(LoadSettings, MissingFileGivesFallbacks) {
  TempDir dir;
  TSettings s;
  s.IniFileName = "kept";
  LoadSettings(s, dir.File("none.ini"));
  ExpectFallbacks(s);
  EXPECT_EQ(s.IniFileName, "kept");
}

TEST(LoadSettings, EmptyFileAndFolderGiveFallbacks) {
  TempDir dir;
  ExpectFallbacks(LoadText(dir, ""));
  TSettings s;
  LoadSettings(s, dir.path());
  ExpectFallbacks(s);
}

TEST(LoadSettings, BinaryFileGivesFallbacks) {
  TempDir dir;
  std::string junk;
  unsigned state = 987654321;
  for (int i = 0; i < 100000; ++i) {
    state = state * 1664525u + 1013904223u;
    junk += static_cast<char>((state >> 24) & 0xFF);
    if (i % 97 == 0) junk += '\0';
  }
  std::string file = dir.File("binary.ini");
  WriteBytes(file, junk);
  TSettings s;
  LoadSettings(s, file);
  ExpectFallbacks(s);
  // Saving over it does not crash either, and the result reads back.
  SaveSettings(s, file);
  TSettings again;
  LoadSettings(again, file);
  ExpectFallbacks(again);
}

TEST(LoadSettings, PerlPathFallbackWhenMissing) {
  TempDir dir;
  TSettings s = LoadText(dir, "[Command]\r\nnamazuPath=/opt/namazu\r\n");
  EXPECT_EQ(s.PerlPath, "/usr/bin/perl");
  EXPECT_EQ(s.namazuPath, "/opt/namazu");
}

TEST(LoadSettings, NamesIgnoreCase) {
  TempDir dir;
  TSettings s = LoadText(dir, "[window]\r\nsaveposition=1\r\n[SEARCH]\r\nSORTDIRECTION=Ascending\r\n"
                              "directorycount=2\r\nDIRECTORY1=/a\r\ndirectory2=/b\r\n");
  EXPECT_EQ(s.SavePosition, "1");
  EXPECT_EQ(s.SortDirection, "Ascending");
  EXPECT_EQ(s.IndexDirectories, (std::vector<std::string>{"/a", "/b"}));
}

TEST(LoadSettings, BadDirectoryCountLoadsOneDirectory) {
  TempDir dir;
  for (const char* count : {"0", "abc", "-5", "-1", "99999999999", "", "1.5", "0x10",
                            "-99999999999999999999"}) {
    TSettings s = LoadText(dir, std::string("[Search]\r\nDirectoryCount=") + count +
                                    "\r\nDirectory1=/first\r\nDirectory2=/second\r\n");
    EXPECT_EQ(s.DirectoryCount, "1") << count;
    EXPECT_EQ(s.IndexDirectories, (std::vector<std::string>{"/first"})) << count;
  }
}

TEST(LoadSettings, EmptyFirstDirectoryTakesTheDefault) {
  TempDir dir;
  TSettings s = LoadText(dir, "[Search]\r\nDirectoryCount=2\r\nDirectory1=\r\nDirectory2=/two\r\n");
  EXPECT_EQ(s.DirectoryCount, "2");
  EXPECT_EQ(s.IndexDirectories,
            (std::vector<std::string>{"/var/lib/namazu/index", "/two"}));
  // Missing keys beyond the file read as empty.
  s = LoadText(dir, "[Search]\r\nDirectoryCount=3\r\nDirectory1=/one\r\n");
  EXPECT_EQ(s.IndexDirectories, (std::vector<std::string>{"/one", "", ""}));
}

TEST(LoadSettings, HugeDirectoryCountIsCapped) {
  TempDir dir;
  for (const char* count : {"5000", "2147483647"}) {
    TSettings s = LoadText(dir, std::string("[Search]\r\nDirectoryCount=") + count +
                                    "\r\nDirectory1=/first\r\nDirectory1000=/last\r\n"
                                    "Directory1001=/beyond\r\n");
    EXPECT_EQ(s.DirectoryCount, std::to_string(MaxListKeys)) << count;
    ASSERT_EQ(s.IndexDirectories.size(), static_cast<size_t>(MaxListKeys)) << count;
    EXPECT_EQ(s.IndexDirectories.front(), "/first");
    EXPECT_EQ(s.IndexDirectories.back(), "/last");
  }
  TSettings s = LoadText(dir, "[Search]\r\nDirectoryCount=1000\r\n");
  EXPECT_EQ(s.DirectoryCount, "1000");
  EXPECT_EQ(s.IndexDirectories.size(), 1000u);
}

TEST(LoadSettings, FormulaHistoryCount) {
  TempDir dir;
  TSettings s = LoadText(dir, "[Search]\r\nFormulaHistoryCount=3\r\nHistory1=a\r\nHistory3=c\r\n"
                              "History4=d\r\n");
  EXPECT_EQ(s.FormulaHistoryCount, "3");
  EXPECT_EQ(s.History, (std::vector<std::string>{"a", "", "c"}));
  for (const char* count : {"abc", "-1", "-5", "0", "99999999999", ""}) {
    s = LoadText(dir, std::string("[Search]\r\nFormulaHistoryCount=") + count +
                          "\r\nHistory1=a\r\n");
    EXPECT_EQ(s.FormulaHistoryCount, count) << count;  // held as read
    EXPECT_TRUE(s.History.empty()) << count;
  }
  s = LoadText(dir, "[Search]\r\nFormulaHistoryCount=2147483647\r\nHistory1=a\r\n");
  EXPECT_EQ(s.FormulaHistoryCount, "2147483647");
  ASSERT_EQ(s.History.size(), static_cast<size_t>(MaxListKeys));
  EXPECT_EQ(s.History[0], "a");
}

TEST(LoadSettings, ValuesAreTakenAsText) {
  TempDir dir;
  TSettings s = LoadText(dir, "[Result]\r\nDisplayTo=webbrowser\r\nFontSizeResult=big\r\n"
                              "[WebBrowser]\r\nDisplayTo=External\r\nType=navigator\r\n"
                              "[Search]\r\nListCount=All\r\nSort=Date\r\n"
                              "[Command]\r\nnamazuOption=  -s  \r\n");
  EXPECT_EQ(s.ResultDisplayTo, "webbrowser");
  EXPECT_EQ(s.WebBrowserDisplayTo, "External");
  EXPECT_EQ(s.BrowserType, "navigator");
  EXPECT_EQ(s.FontSizeResult, "big");
  EXPECT_EQ(s.ListCount, "All");
  EXPECT_EQ(s.Sort, "Date");
  EXPECT_EQ(s.namazuOption, "-s");
}

// ---- Saving ------------------------------------------------------------------------------

TSettings Loaded(const std::string& file) {
  TSettings s;
  LoadSettings(s, file);
  return s;
}

TEST(SaveSettings, RoundTripOfEveryField) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteDefaultSettings(file);
  TSettings s = Loaded(file);
  s.SavePosition = "1";
  s.ScreenType = "Small";
  s.StayOnTop = "1";
  s.ShowIndexDir = "0";
  s.ShowStatusBar = "0";
  s.ShowExplanation = "0";
  s.IndexDirectories = {"/idx/one", "/idx/\x83\x5C\x83\x74\x83\x67 two"};
  s.History = std::vector<std::string>(10);
  s.History[0] = "namazu and \x8C\x9F\x8D\xF5";
  s.History[9] = "last";
  s.Sort = "Date";
  s.SortDirection = "Ascending";  // not saved
  s.ShowContents = "0";
  s.ListCount = "All";
  s.UseNamazurc = "1";
  s.NamazurcPath = "/etc/nmz";
  s.SetIndexInNamazurc = "1";
  s.RelativePath = "1";
  s.SearchOnChangeSettings = "1";
  s.ConfirmCommandLine = "1";
  s.ResultUseTempDir = "0";
  s.FontNameResult = "IPAGothic";
  s.FontSizeResult = "11";
  s.FontBoldResult = "1";
  s.FontNameText = "Mono";
  s.FontSizeText = "12";
  s.FontBoldText = "1";
  s.Color = "0";
  s.ResultDisplayTo = "WebBrowser";
  s.FileNameBlankLineNext = "3";
  s.FileNameSpaceFromEnd = "4";
  s.UseDriveConstantsWebBrowser = "1";
  s.Convert = "NKF";
  s.DecodeHeader = "0";
  s.HowToOpen = "System";
  s.WebBrowserDisplayTo = "External";
  s.BrowserType = "InternetExplorer";
  s.NavigatorPath = "/usr/bin/nav";
  s.ShowProcess = "DOSWindow";
  s.AutoUpdateIndex = "1";
  s.namazuPath = "/n";
  s.mknmzPath = "/m";
  s.PerlPath = "/p";
  s.pnamazuPath = "/pn";
  s.namazuOption = "-a";
  s.mknmzOption = "-b";
  s.NamazuVersion = "2.0.21";
  s.Usepnamazu = "1";
  SaveSettings(s, file);
  EXPECT_EQ(s.DirectoryCount, "2");

  TSettings r = Loaded(file);
  TSettings expected = s;
  expected.SortDirection = "None";  // the file's value stays
  EXPECT_EQ(r.SavePosition, expected.SavePosition);
  EXPECT_EQ(r.ScreenType, expected.ScreenType);
  EXPECT_EQ(r.StayOnTop, expected.StayOnTop);
  EXPECT_EQ(r.ShowIndexDir, expected.ShowIndexDir);
  EXPECT_EQ(r.ShowStatusBar, expected.ShowStatusBar);
  EXPECT_EQ(r.ShowExplanation, expected.ShowExplanation);
  EXPECT_EQ(r.DirectoryCount, expected.DirectoryCount);
  EXPECT_EQ(r.IndexDirectories, expected.IndexDirectories);
  EXPECT_EQ(r.FormulaHistoryCount, expected.FormulaHistoryCount);
  EXPECT_EQ(r.History, expected.History);
  EXPECT_EQ(r.Sort, expected.Sort);
  EXPECT_EQ(r.SortDirection, expected.SortDirection);
  EXPECT_EQ(r.ShowContents, expected.ShowContents);
  EXPECT_EQ(r.ListCount, expected.ListCount);
  EXPECT_EQ(r.UseNamazurc, expected.UseNamazurc);
  EXPECT_EQ(r.NamazurcPath, expected.NamazurcPath);
  EXPECT_EQ(r.SetIndexInNamazurc, expected.SetIndexInNamazurc);
  EXPECT_EQ(r.RelativePath, expected.RelativePath);
  EXPECT_EQ(r.SearchOnChangeSettings, expected.SearchOnChangeSettings);
  EXPECT_EQ(r.ConfirmCommandLine, expected.ConfirmCommandLine);
  EXPECT_EQ(r.ResultUseTempDir, expected.ResultUseTempDir);
  EXPECT_EQ(r.FontNameResult, expected.FontNameResult);
  EXPECT_EQ(r.FontSizeResult, expected.FontSizeResult);
  EXPECT_EQ(r.FontBoldResult, expected.FontBoldResult);
  EXPECT_EQ(r.FontNameText, expected.FontNameText);
  EXPECT_EQ(r.FontSizeText, expected.FontSizeText);
  EXPECT_EQ(r.FontBoldText, expected.FontBoldText);
  EXPECT_EQ(r.Color, expected.Color);
  EXPECT_EQ(r.ResultDisplayTo, expected.ResultDisplayTo);
  EXPECT_EQ(r.FileNameBlankLineNext, expected.FileNameBlankLineNext);
  EXPECT_EQ(r.FileNameSpaceFromEnd, expected.FileNameSpaceFromEnd);
  EXPECT_EQ(r.UseDriveConstantsWebBrowser, expected.UseDriveConstantsWebBrowser);
  EXPECT_EQ(r.Convert, expected.Convert);
  EXPECT_EQ(r.DecodeHeader, expected.DecodeHeader);
  EXPECT_EQ(r.HowToOpen, expected.HowToOpen);
  EXPECT_EQ(r.WebBrowserDisplayTo, expected.WebBrowserDisplayTo);
  EXPECT_EQ(r.BrowserType, expected.BrowserType);
  EXPECT_EQ(r.NavigatorPath, expected.NavigatorPath);
  EXPECT_EQ(r.ShowProcess, expected.ShowProcess);
  EXPECT_EQ(r.AutoUpdateIndex, "1");
  EXPECT_EQ(r.namazuPath, expected.namazuPath);
  EXPECT_EQ(r.mknmzPath, expected.mknmzPath);
  EXPECT_EQ(r.PerlPath, expected.PerlPath);
  EXPECT_EQ(r.pnamazuPath, expected.pnamazuPath);
  EXPECT_EQ(r.namazuOption, expected.namazuOption);
  EXPECT_EQ(r.mknmzOption, expected.mknmzOption);
  EXPECT_EQ(r.NamazuVersion, expected.NamazuVersion);
  EXPECT_EQ(r.Usepnamazu, expected.Usepnamazu);

  // Keys already present kept their places; History keys came after FormulaHistoryCount.
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(file));
  std::vector<std::string> search = ini.ReadSection("Search");
  std::vector<std::string> expectedSearch = {"DirectoryCount", "Directory1", "FormulaHistoryCount",
                                             "Sort", "SortDirection", "ShowContents", "ListCount",
                                             "UseNamazurc", "NamazurcPath", "SetIndexInNamazurc",
                                             "RelativePath", "Directory2"};
  for (int i = 1; i <= 10; ++i) expectedSearch.push_back("History" + std::to_string(i));
  EXPECT_EQ(search, expectedSearch);
  EXPECT_EQ(ini.ReadSection("Mknmz"),
            (std::vector<std::string>{"ConfirmCommandLine", "ShowProcess", "AutoUpdate"}));
  EXPECT_EQ(ini.ReadString("Window", "HideSearchButton", ""), "0");
  EXPECT_EQ(ini.ReadString("Edit", "CopyDefFileName", "x"), "");
}

TEST(SaveSettings, IntoAFileWithoutOurKeysAppendsInSaveOrder) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteBytes(file, "");
  TSettings s = Loaded(file);
  SaveSettings(s, file);
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(file));
  EXPECT_EQ(ini.SectionNames(),
            (std::vector<std::string>{"Window", "Search", "Result", "Text", "Document",
                                      "WebBrowser", "Mknmz", "Command"}));
  EXPECT_EQ(ini.ReadSection("Window"),
            (std::vector<std::string>{"SavePosition", "StayOnTop", "ShowIndexDir",
                                      "ShowStatusBar", "ScreenType", "ShowExplanation"}));
  std::vector<std::string> search = {"DirectoryCount", "Directory1", "FormulaHistoryCount"};
  for (int i = 1; i <= 10; ++i) search.push_back("History" + std::to_string(i));
  for (const char* k : {"Sort", "ShowContents", "ListCount", "UseNamazurc", "NamazurcPath",
                        "SetIndexInNamazurc", "RelativePath"}) {
    search.push_back(k);
  }
  EXPECT_EQ(ini.ReadSection("Search"), search);
  EXPECT_EQ(ini.ReadSection("Result").front(), "DisplayTo");
  EXPECT_EQ(ini.ReadSection("Result").size(), 14u);
  EXPECT_EQ(ini.ReadSection("Mknmz"), (std::vector<std::string>{"ShowProcess"}));
  EXPECT_EQ(ini.ReadSection("Command"),
            (std::vector<std::string>{"namazuPath", "mknmzPath", "PerlPath", "pnamazuPath",
                                      "namazuOption", "mknmzOption", "NamazuVersion",
                                      "Usepnamazu"}));
  EXPECT_FALSE(ini.ValueExists("Search", "SortDirection"));
  EXPECT_EQ(ini.ReadString("Command", "namazuOption", "x"), "");
  EXPECT_NE(ReadBytes(file).find("\r\nnamazuOption=\r\n"), std::string::npos);
}

TEST(SaveSettings, UnknownSectionsAndKeysSurviveCommentsDoNot) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteDefaultSettings(file);
  std::string text = "; my settings\r\n" + ReadBytes(file) +
                     "[SearchMRU]\r\nItem_0=\"\"/a\" \"/b\"\"\r\n[Private]\r\n; note\r\nmine=yes\r\n";
  text.insert(text.find("[Search]"), "; about search\r\nUnknownKey=kept\r\n");
  WriteBytes(file, text);
  TSettings s = Loaded(file);
  s.SavePosition = "1";
  SaveSettings(s, file);
  std::string saved = ReadBytes(file);
  EXPECT_EQ(saved.find(";"), std::string::npos);
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(file));
  EXPECT_EQ(ini.ReadString("Window", "UnknownKey", ""), "kept");
  EXPECT_EQ(ini.ReadString("Private", "mine", ""), "yes");
  EXPECT_EQ(ReadMruItems(ini, "SearchMRU"), (std::vector<std::string>{"\"/a\" \"/b\""}));
  EXPECT_EQ(ini.ReadString("Window", "SavePosition", ""), "1");
  // Apart from the changed value and the comments, the file is as it was.
  std::string expected = DefaultFileText;
  expected.replace(expected.find("SavePosition=0"), 14, "SavePosition=1");
  expected.insert(expected.find("\r\n\r\n[Search]") + 2, "UnknownKey=kept\r\n");
  std::string history;
  for (int i = 1; i <= 10; ++i) history += "History" + std::to_string(i) + "=\r\n";
  expected.insert(expected.find("RelativePath=0\r\n") + 16, history);
  expected += "[SearchMRU]\r\nItem_0=\"\"/a\" \"/b\"\"\r\n\r\n[Private]\r\nmine=yes\r\n\r\n";
  EXPECT_EQ(saved, expected);
}

TEST(SaveSettings, LowerCaseNamesAreUpdatedInPlace) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteBytes(file, "[window]\r\nsaveposition=1\r\n");
  TSettings s = Loaded(file);
  EXPECT_EQ(s.SavePosition, "1");
  s.SavePosition = "0";
  SaveSettings(s, file);
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(file));
  EXPECT_EQ(ini.SectionNames().front(), "window");
  EXPECT_EQ(ini.ReadSection("Window").front(), "SavePosition");
  EXPECT_EQ(ini.ReadString("Window", "SavePosition", ""), "0");
  EXPECT_EQ(ini.ReadSection("Window").size(), 6u);  // no second SavePosition
}

TEST(SaveSettings, ShrinkingTheDirectoryListLeavesOldLines) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteDefaultSettings(file);
  TSettings s = Loaded(file);
  s.IndexDirectories = {"/one", "/two", "/three"};
  SaveSettings(s, file);
  s.IndexDirectories = {"/only"};
  SaveSettings(s, file);
  EXPECT_EQ(s.DirectoryCount, "1");
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(file));
  EXPECT_EQ(ini.ReadString("Search", "DirectoryCount", ""), "1");
  EXPECT_EQ(ini.ReadString("Search", "Directory1", ""), "/only");
  EXPECT_EQ(ini.ReadString("Search", "Directory2", ""), "/two");
  EXPECT_EQ(ini.ReadString("Search", "Directory3", ""), "/three");
  EXPECT_EQ(Loaded(file).IndexDirectories, (std::vector<std::string>{"/only"}));

  // An emptied list saves "0"; the next start reads Directory1 still in the file.
  s.IndexDirectories.clear();
  SaveSettings(s, file);
  ASSERT_TRUE(ini.LoadFromFile(file));
  EXPECT_EQ(ini.ReadString("Search", "DirectoryCount", ""), "0");
  TSettings r = Loaded(file);
  EXPECT_EQ(r.DirectoryCount, "1");
  EXPECT_EQ(r.IndexDirectories, (std::vector<std::string>{"/only"}));
}

TEST(SaveSettings, HistoryKeysFollowFormulaHistoryCount) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteBytes(file, "[Search]\r\nFormulaHistoryCount=2\r\nHistory1=a\r\nHistory2=b\r\nHistory3=c\r\n");
  TSettings s = Loaded(file);
  ASSERT_EQ(s.History, (std::vector<std::string>{"a", "b"}));
  s.History = {"new"};  // shorter than the count: the rest is written empty
  SaveSettings(s, file);
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(file));
  EXPECT_EQ(ini.ReadString("Search", "History1", ""), "new");
  EXPECT_EQ(ini.ReadString("Search", "History2", "x"), "");
  EXPECT_EQ(ini.ReadString("Search", "History3", ""), "c");  // beyond the count: untouched

  for (const char* count : {"-5", "abc", "0", "99999999999"}) {
    WriteBytes(file, "[Search]\r\nHistory1=a\r\n");
    s = Loaded(file);
    s.FormulaHistoryCount = count;
    s.History = {"x"};
    SaveSettings(s, file);
    ASSERT_TRUE(ini.LoadFromFile(file));
    EXPECT_EQ(ini.ReadString("Search", "FormulaHistoryCount", ""), count);  // unchanged
    EXPECT_EQ(ini.ReadString("Search", "History1", ""), "a") << count;       // not written
    EXPECT_FALSE(ini.ValueExists("Search", "History2")) << count;
  }

  // A huge count writes at most MaxListKeys keys.
  WriteBytes(file, "[Search]\r\n");
  s = Loaded(file);
  s.FormulaHistoryCount = "2147483647";
  SaveSettings(s, file);
  ASSERT_TRUE(ini.LoadFromFile(file));
  EXPECT_TRUE(ini.ValueExists("Search", "History" + std::to_string(MaxListKeys)));
  EXPECT_FALSE(ini.ValueExists("Search", "History" + std::to_string(MaxListKeys + 1)));
}

TEST(SaveSettings, JoinedDirectoryTextsSurvive) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteDefaultSettings(file);
  TSettings s = Loaded(file);
  s.IndexDirectories = {"/home/a b/index", "\"quoted\""};
  SaveSettings(s, file);
  ASSERT_TRUE(WriteMruItemsToFile(file, "SearchMRU", {"\"/home/a b/index\" \"/x\"", "\"/y\""}));
  EXPECT_EQ(ReadMruItemsFromFile(file, "SearchMRU"),
            (std::vector<std::string>{"\"/home/a b/index\" \"/x\"", "\"/y\""}));
  // The settings themselves are plain text, no quoting: read back as written.
  EXPECT_EQ(Loaded(file).IndexDirectories, s.IndexDirectories);
}

TEST(SaveSettings, ReadOnlyFileIsNeverTouched) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  WriteDefaultSettings(file);
  WriteBytes(file, ReadBytes(file) + "; comment that a save would drop\r\n");
  ASSERT_TRUE(platform::SetReadOnly(file, true));
  ASSERT_TRUE(IsReadOnlyFile(file));
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  std::string bytes = ReadBytes(file);

  TSettings s = Loaded(file);
  s.SavePosition = "1";
  s.IndexDirectories = {"/changed"};
  SaveSettings(s, file);
  ASSERT_TRUE(WriteMruItemsToFile(file, "SearchMRU", {"x"}) == false);

  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(ReadBytes(file), bytes);
  EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced by a rename either
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"tavirel.ini"}));
  platform::SetReadOnly(file, false);
}

TEST(SaveSettings, MissingFileIsNotCreated) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  TSettings s = Loaded(file);
  SaveSettings(s, file);
  EXPECT_FALSE(fs::exists(file));
  std::string plain = dir.File("plain");
  WriteBytes(plain, "x");
  SaveSettings(s, plain + "/tavirel.ini");  // parent is a regular file
  EXPECT_EQ(ReadBytes(plain), "x");
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"plain"}));
}

TEST(SaveSettings, FolderInPlaceOfTheFileIsLeftAlone) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  fs::create_directory(file);
  TSettings s = Loaded(file);
  SaveSettings(s, file);
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_TRUE(fs::is_empty(file));
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"tavirel.ini"}));
}

// A write that fails half-way (the file size limit is hit while the new text
// is written, which also works as root) leaves the old file byte for byte and
// no temporary file behind.
TEST(SaveSettings, FailedWriteLeavesTheOldFile) {
  TempDir dir;
  std::string file = dir.File("tavirel.ini");
  std::string old = "[Window]\r\nSavePosition=0\r\n; the old file\r\n";
  WriteBytes(file, old);
  ::chmod(file.c_str(), 0640);
  TSettings s = Loaded(file);
  s.SavePosition = "1";

  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 200;  // the new text is far longer
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  SaveSettings(s, file);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);

  EXPECT_EQ(ReadBytes(file), old);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"tavirel.ini"}));
  EXPECT_EQ(s.SavePosition, "1");  // Settings unchanged by the failure

  // Once the limit is gone the same save succeeds and keeps the permission bits.
  SaveSettings(s, file);
  EXPECT_EQ(Loaded(file).SavePosition, "1");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"tavirel.ini"}));
}

TEST(Settings, FileInAFolderWithAJapaneseName) {
  TempDir dir;
  // "設定" in Shift-JIS; the platform layer converts it for the file system.
  std::string folder = dir.path() + "/\x90\xDD\x92\xE8";
  ASSERT_TRUE(platform::CreateFolders(folder));
  std::string file = folder + "/tavirel.ini";
  WriteDefaultSettings(file);
  ASSERT_TRUE(platform::FileExists(file));
  TSettings s = Loaded(file);
  ExpectFallbacks(s, "None");
  s.ListCount = "50";
  SaveSettings(s, file);
  EXPECT_EQ(Loaded(file).ListCount, "50");
  EXPECT_TRUE(fs::exists(fs::path(dir.path()) / "\xE8\xA8\xAD\xE5\xAE\x9A" / "tavirel.ini"));
}

}  // namespace
}  // namespace tavirel
