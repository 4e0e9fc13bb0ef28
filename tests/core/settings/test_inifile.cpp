// The INI reader/writer and the profile-string rules shared by the recent
// directories and the window placement.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "core/process/ucommon.h"
#include "core/settings/inifile.h"

#include "support/testsupport.h"

namespace tavirel {
namespace {

using namespace testsupport;

namespace fs = std::filesystem;

// ---- Parsing ------------------------------------------------------------------

TEST(IniFile, ParsesSectionsKeysAndTrimsBlanks) {
  TIniFile ini("[Window]\r\n  SavePosition =  1  \r\n\tScreenType=Small\t\r\n[ Search ]\r\n"
               "DirectoryCount=2\r\n");
  EXPECT_EQ(ini.ReadString("Window", "SavePosition", "x"), "1");
  EXPECT_EQ(ini.ReadString("Window", "ScreenType", "x"), "Small");
  EXPECT_EQ(ini.ReadString("Search", "DirectoryCount", "x"), "2");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"Window", "Search"}));
}

TEST(IniFile, AcceptsLfCrLfAndLoneCr) {
  TIniFile lf("[A]\nk1=v1\nk2=v2\n");
  TIniFile crlf("[A]\r\nk1=v1\r\nk2=v2\r\n");
  TIniFile cr("[A]\rk1=v1\rk2=v2");
  for (const TIniFile* ini : {&lf, &crlf, &cr}) {
    EXPECT_EQ(ini->ReadString("A", "k1", ""), "v1");
    EXPECT_EQ(ini->ReadString("A", "k2", ""), "v2");
    EXPECT_EQ(ini->ToText(), "[A]\r\nk1=v1\r\nk2=v2\r\n\r\n");
  }
}

TEST(IniFile, MissingSectionOrKeyGivesDefault) {
  TIniFile ini("[A]\r\nk=v\r\n");
  EXPECT_EQ(ini.ReadString("B", "k", "def"), "def");
  EXPECT_EQ(ini.ReadString("A", "other", "def"), "def");
  EXPECT_FALSE(ini.ValueExists("A", "other"));
  EXPECT_TRUE(ini.ValueExists("A", "K"));
  EXPECT_TRUE(ini.SectionExists("a"));
  EXPECT_FALSE(ini.SectionExists("B"));
}

TEST(IniFile, KeyIsBeforeFirstEqualsSign) {
  TIniFile ini("[A]\r\nopt = --a=b = c\r\nempty=\r\n=nameless\r\n");
  EXPECT_EQ(ini.ReadString("A", "opt", ""), "--a=b = c");
  EXPECT_EQ(ini.ReadString("A", "empty", "def"), "");
  EXPECT_TRUE(ini.ValueExists("A", "empty"));
  EXPECT_EQ(ini.ReadString("A", "", "def"), "nameless");
  EXPECT_EQ(ini.ToText(), "[A]\r\nopt=--a=b = c\r\nempty=\r\n=nameless\r\n\r\n");
}

TEST(IniFile, CommentsAndEmptyLinesAreDroppedOnRewrite) {
  TIniFile ini("[A]\r\n; a comment\r\n\r\n   ;indented comment\r\nk=v\r\n\r\n\r\n[B]\r\nx=1\r\n");
  EXPECT_EQ(ini.ToText(), "[A]\r\nk=v\r\n\r\n[B]\r\nx=1\r\n\r\n");
}

TEST(IniFile, LinesBeforeTheFirstSectionAreIgnored) {
  TIniFile ini("k=outside\r\nloose line\r\n[A]\r\nk=inside\r\n");
  EXPECT_EQ(ini.ReadString("A", "k", ""), "inside");
  EXPECT_EQ(ini.ToText(), "[A]\r\nk=inside\r\n\r\n");
}

TEST(IniFile, LineWithoutEqualsStaysInItsSection) {
  TIniFile ini("[A]\r\n  just some text  \r\nk=v\r\n[B]\r\n");
  ini.WriteString("A", "k", "w");
  ini.WriteString("A", "new", "n");
  EXPECT_EQ(ini.ToText(), "[A]\r\njust some text\r\nk=w\r\nnew=n\r\n\r\n[B]\r\n\r\n");
  EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"k", "new"}));
}

TEST(IniFile, BracketLinesAndOddHeaders) {
  // "[" alone and "x]" are plain lines; "[]" is a section with an empty name.
  TIniFile ini("[A]\r\n[\r\nx]\r\n[]\r\nk=v\r\n");
  EXPECT_EQ(ini.ReadString("", "k", ""), "v");
  EXPECT_EQ(ini.ToText(), "[A]\r\n[\r\nx]\r\n\r\n[]\r\nk=v\r\n\r\n");
}

TEST(IniFile, ClosingBracketAsTrailByteDoesNotCloseASection) {
  // "\x81\x5D" is one double-byte character whose trail byte is "]".
  std::string text = "[A]\r\n[x\x81\x5D\r\nk=v\r\n";
  TIniFile ini(text);
  EXPECT_FALSE(ini.SectionExists("x\x81"));
  EXPECT_EQ(ini.ReadString("A", "k", ""), "v");
  EXPECT_EQ(ini.ToText(), "[A]\r\n[x\x81\x5D\r\nk=v\r\n\r\n");
  // A real closing bracket after such a character does.
  TIniFile ini2("[\x81\x5D]\r\nk=v\r\n");
  EXPECT_EQ(ini2.ReadString("\x81\x5D", "k", ""), "v");
}

// ---- Names without regard to case ---------------------------------------------

TEST(IniFile, SectionAndKeyNamesIgnoreAsciiCase) {
  TIniFile ini("[window]\r\nsaveposition=1\r\n");
  EXPECT_EQ(ini.ReadString("Window", "SavePosition", "0"), "1");
  EXPECT_EQ(ini.ReadString("WINDOW", "SAVEPOSITION", "0"), "1");
  ini.WriteString("Window", "SavePosition", "0");
  // The key keeps its place (and takes the writer's spelling); the section
  // keeps the file's spelling; no second section or key appears.
  EXPECT_EQ(ini.ToText(), "[window]\r\nSavePosition=0\r\n\r\n");
}

TEST(IniFile, CaseFoldingLeavesTrailBytesAlone) {
  // "\x83\x41" (katakana A) and "\x83\x61" (a different character) differ only
  // in a trail byte that happens to be an ASCII letter.
  TIniFile ini("[S]\r\nK\x83\x41=one\r\nk\x83\x61=two\r\n");
  EXPECT_EQ(ini.ReadString("s", "k\x83\x41", ""), "one");
  EXPECT_EQ(ini.ReadString("s", "K\x83\x61", ""), "two");
  EXPECT_EQ(AsciiLowerSjis("AB\x83\x41Z"), "ab\x83\x41z");
  EXPECT_TRUE(SameTextSjis("Window", "wINDOW"));
  EXPECT_FALSE(SameTextSjis("\x83\x41", "\x83\x61"));
}

// ---- Repeated sections and keys ----------------------------------------------

TEST(IniFile, RepeatedSectionMergesIntoTheFirst) {
  TIniFile ini("[A]\r\na1=1\r\n[B]\r\nb=2\r\n[a]\r\na2=3\r\na1=ignored\r\n");
  EXPECT_EQ(ini.ReadString("A", "a2", ""), "3");
  EXPECT_EQ(ini.ReadString("A", "a1", ""), "1");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ini.ToText(), "[A]\r\na1=1\r\na2=3\r\na1=ignored\r\n\r\n[B]\r\nb=2\r\n\r\n");
}

TEST(IniFile, RepeatedKeyFirstIsReadAndWritten) {
  TIniFile ini("[A]\r\nk=first\r\nK=second\r\n");
  EXPECT_EQ(ini.ReadString("A", "k", ""), "first");
  ini.WriteString("A", "k", "new");
  EXPECT_EQ(ini.ToText(), "[A]\r\nk=new\r\nK=second\r\n\r\n");
  EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"k"}));
  ini.DeleteKey("A", "K");
  EXPECT_EQ(ini.ToText(), "[A]\r\n\r\n");
}

TEST(IniFile, ManyNamesAndRunsOfPlainLines) {
  // Thousands of sections and keys (the name tables grow many times), and
  // plain lines with comments, keys and a repeated section between them.
  std::string text = "[P]\r\n  a  \r\n;c\r\n\r\nb\r\nk=1\r\nc\r\n[Q]\r\n[p]\r\nd\r\n[Big]\r\n";
  for (int i = 0; i < 5000; ++i) text += "Key" + std::to_string(i) + "=v" + std::to_string(i) + "\n";
  for (int i = 0; i < 3000; ++i) text += "[s" + std::to_string(i) + "]\r";
  TIniFile ini(text);
  EXPECT_EQ(ini.SectionNames().size(), 3003u);
  EXPECT_TRUE(ini.SectionExists("S2999") && !ini.SectionExists("s3000"));
  EXPECT_EQ(ini.ReadSection("big").size(), 5000u);
  for (int i = 0; i < 5000; i += 7) {
    EXPECT_EQ(ini.ReadString("BIG", "kEY" + std::to_string(i), ""), "v" + std::to_string(i));
  }
  for (int i = 0; i < 5000; i += 2) ini.DeleteKey("Big", "key" + std::to_string(i));
  ini.WriteString("Big", "Key1", "changed");
  ini.WriteString("Big", "Extra", "x");
  EXPECT_EQ(ini.ReadSection("Big").size(), 2501u);
  EXPECT_EQ(ini.ReadString("Big", "key1", ""), "changed");
  EXPECT_FALSE(ini.ValueExists("Big", "Key2"));
  const std::string written = ini.ToText();
  EXPECT_TRUE(written.starts_with("[P]\r\na\r\nb\r\nk=1\r\nc\r\nd\r\n\r\n[Q]\r\n\r\n[Big]\r\n"))
      << written.substr(0, 60);
  EXPECT_EQ(TIniFile(written).ToText(), written);
}

// ---- Writing --------------------------------------------------------------------

TEST(IniFile, WritePlacesKeysAndSections) {
  TIniFile ini("[A]\r\nk1=1\r\nk2=2\r\n[B]\r\nx=0\r\n");
  ini.WriteString("A", "k1", "one");      // keeps its place
  ini.WriteString("A", "k3", "three");    // end of its section
  ini.WriteString("C", "c", "");          // new section at the end, empty value
  ini.WriteString("B", "y", "why");
  EXPECT_EQ(ini.ToText(),
            "[A]\r\nk1=one\r\nk2=2\r\nk3=three\r\n\r\n"
            "[B]\r\nx=0\r\ny=why\r\n\r\n"
            "[C]\r\nc=\r\n\r\n");
}

TEST(IniFile, LineBreaksInAValueCannotPlantKeys) {
  TIniFile ini("[Search]\r\nHistory1=a\r\n[Command]\r\nnamazuPath=/usr/bin/namazu\r\n");
  ini.WriteString("Search", "History1", "foo\r\n[Command]\nnamazuPath=/tmp/evil");
  TIniFile reread(ini.ToText());
  EXPECT_EQ(reread.ReadString("Command", "namazuPath", ""), "/usr/bin/namazu");
  EXPECT_EQ(reread.ReadString("Search", "History1", ""), "foo  [Command] namazuPath=/tmp/evil");
}

TEST(IniFile, EmptyIniIsEmptyText) {
  TIniFile ini;
  EXPECT_EQ(ini.ToText(), "");
  ini.WriteString("S", "k", "v");
  EXPECT_EQ(ini.ToText(), "[S]\r\nk=v\r\n\r\n");
}

TEST(IniFile, EraseSectionAndListKeys) {
  TIniFile ini("[A]\r\nk=1\r\nline\r\nj=2\r\n[B]\r\nx=1\r\n[C]\r\ny=2\r\n");
  EXPECT_EQ(ini.ReadSection("a"), (std::vector<std::string>{"k", "j"}));
  EXPECT_TRUE(ini.ReadSection("none").empty());
  ini.EraseSection("b");
  EXPECT_FALSE(ini.SectionExists("B"));
  EXPECT_EQ(ini.ReadString("C", "y", ""), "2");  // the index survives the erase
  ini.EraseSection("none");
  EXPECT_EQ(ini.ToText(), "[A]\r\nk=1\r\nline\r\nj=2\r\n\r\n[C]\r\ny=2\r\n\r\n");
  ini.WriteString("B", "x", "new");
  EXPECT_EQ(ini.SectionNames(), (std::vector<std::string>{"A", "C", "B"}));
}

TEST(IniFile, ShiftJisValuesSurviveUnchanged) {
  // "ＭＳ Ｐゴシック" and a path with a trail byte "\" (0x5C in "ソ").
  std::string font = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
  std::string path = "/home/\x83\x5C\x83\x74\x83\x67/index";
  TIniFile ini;
  ini.WriteString("Result", "FontNameResult", font);
  ini.WriteString("Search", "Directory1", path);
  TIniFile again(ini.ToText());
  EXPECT_EQ(again.ReadString("Result", "FontNameResult", ""), font);
  EXPECT_EQ(again.ReadString("Search", "Directory1", ""), path);
}

// A name that ends in a lead byte took the blank after it as its trail byte
// when read; written without that blank it would take the "=" or "]".
TEST(IniFile, NamesEndingInALeadByteSurviveARewrite) {
  const struct {
    std::string text, section, key, value;
  } cases[] = {
      {"[S]\r\nk\x81 =v\r\n", "S", "k\x81", "v"},
      {"[S]\r\nk\x81\t=v\r\n", "S", "k\x81", "v"},
      {"[S]\r\n\x81 =v\r\n", "S", "\x81", "v"},
      {"[S\x81 ]\r\nk=v\r\n", "S\x81", "k", "v"},
      {"[S\x81 ]\r\nk\x9f =\x81 \r\n", "S\x81", "k\x9f", "\x81"},
      {"[\x93\xfa\x81 ]\r\n\x93\xfa\xfc =\x93\xfa\r\n", "\x93\xfa\x81", "\x93\xfa\xfc",
       "\x93\xfa"},
  };
  for (const auto& c : cases) {
    TIniFile first(c.text);
    ASSERT_EQ(first.ReadString(c.section, c.key, "missing"), c.value) << c.text;
    TIniFile second(first.ToText());
    EXPECT_EQ(second.ReadString(c.section, c.key, "missing"), c.value) << c.text;
    EXPECT_EQ(second.ToText(), first.ToText()) << c.text;
  }
}

TEST(IniFile, BinaryTextDoesNotCrash) {
  std::string junk;
  unsigned state = 12345;
  for (int i = 0; i < 200000; ++i) {
    state = state * 1103515245u + 12345u;
    junk += static_cast<char>((state >> 16) & 0xFF);
  }
  junk += std::string("\r\n\0\0[Z]\0\r\nk=\0v\r\n", 16);
  TIniFile ini(junk);
  TIniFile again(ini.ToText());  // reparsing the rewrite works too, and is stable
  EXPECT_TRUE(TIniFile(again.ToText()).ToText() == again.ToText());
  EXPECT_TRUE(again.ToText() == ini.ToText());
  EXPECT_EQ(ini.ReadString("Window", "SavePosition", "0"), "0");
  EXPECT_EQ(ini.ReadString("Z", "k", ""), "v");  // NUL counts as a blank when trimming
}

// ---- Files ------------------------------------------------------------------------

TEST(IniFile, LoadAndSaveFile) {
  TempDir dir;
  ASSERT_FALSE(dir.path().empty());
  std::string file = dir.File("test.ini");
  TIniFile ini;
  EXPECT_FALSE(ini.LoadFromFile(file));  // missing
  EXPECT_EQ(ini.ToText(), "");
  WriteBytes(file, "; comment\n[A]\nk=v\n[Unknown]\nz=9\n");
  ASSERT_TRUE(ini.LoadFromFile(file));
  ini.WriteString("A", "k2", "v2");
  ASSERT_TRUE(ini.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "[A]\r\nk=v\r\nk2=v2\r\n\r\n[Unknown]\r\nz=9\r\n\r\n");
  EXPECT_FALSE(ini.LoadFromFile(dir.path()));  // a folder
}

TEST(IniFile, SaveRefusesReadOnlyFile) {
  TempDir dir;
  std::string file = dir.File("ro.ini");
  WriteBytes(file, "[A]\nk=v\n");
  ASSERT_TRUE(platform::SetReadOnly(file, true));
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(file));
  ini.WriteString("A", "k", "changed");
  EXPECT_FALSE(ini.SaveToFile(file));
  EXPECT_EQ(ReadBytes(file), "[A]\nk=v\n");
  platform::SetReadOnly(file, false);
}

// ---- Numbers ------------------------------------------------------------------------

TEST(IniFile, ParseDecimalInt) {
  EXPECT_EQ(ParseDecimalInt("0", 7), 0);
  EXPECT_EQ(ParseDecimalInt("42", 7), 42);
  EXPECT_EQ(ParseDecimalInt("-5", 7), -5);
  EXPECT_EQ(ParseDecimalInt("+3", 7), 3);
  EXPECT_EQ(ParseDecimalInt("2147483647", 7), 2147483647);
  EXPECT_EQ(ParseDecimalInt("-2147483648", 7), -2147483647 - 1);
  EXPECT_EQ(ParseDecimalInt("2147483648", 7), 7);
  EXPECT_EQ(ParseDecimalInt("99999999999", 7), 7);
  EXPECT_EQ(ParseDecimalInt("99999999999999999999999999999999", 7), 7);
  EXPECT_EQ(ParseDecimalInt("000000000000000000000012", 7), 12);
  EXPECT_EQ(ParseDecimalInt("", 7), 7);
  EXPECT_EQ(ParseDecimalInt("-", 7), 7);
  EXPECT_EQ(ParseDecimalInt("abc", 7), 7);
  EXPECT_EQ(ParseDecimalInt("12abc", 7), 7);
  EXPECT_EQ(ParseDecimalInt(" 12", 7), 7);
  EXPECT_EQ(ParseDecimalInt("0x10", 7), 7);
  EXPECT_EQ(ParseDecimalInt("1.5", 7), 7);
}

// ---- Profile strings ----------------------------------------------------------------

TEST(ProfileString, ReadTrimsAndStripsOneEnclosingPair) {
  TIniFile ini("[S]\r\nd=\"quoted\"\r\ns='single'\r\ndd=\"\"twice\"\"\r\n"
               "mixed=\"abc'\r\nlone=\"\r\nplain=  x  \r\ninner=a \"b\" c\r\n");
  EXPECT_EQ(ReadProfileString(ini, "S", "d", ""), "quoted");
  EXPECT_EQ(ReadProfileString(ini, "S", "s", ""), "single");
  EXPECT_EQ(ReadProfileString(ini, "S", "dd", ""), "\"twice\"");
  EXPECT_EQ(ReadProfileString(ini, "S", "mixed", ""), "\"abc'");
  EXPECT_EQ(ReadProfileString(ini, "S", "lone", ""), "\"");
  EXPECT_EQ(ReadProfileString(ini, "S", "plain", ""), "x");
  EXPECT_EQ(ReadProfileString(ini, "S", "inner", ""), "a \"b\" c");
  EXPECT_EQ(ReadProfileString(ini, "s", "MISSING", "def"), "def");
}

TEST(ProfileString, WriteAddsOnePairWhenNeeded) {
  TIniFile ini;
  WriteProfileString(ini, "S", "a", "\"C:\\a b\" \"D:\\c\"");
  WriteProfileString(ini, "S", "b", "'x'");
  WriteProfileString(ini, "S", "c", "plain");
  WriteProfileString(ini, "S", "d", "\"half");
  EXPECT_EQ(ini.ReadString("S", "a", ""), "\"\"C:\\a b\" \"D:\\c\"\"");
  EXPECT_EQ(ini.ReadString("S", "b", ""), "\"'x'\"");
  EXPECT_EQ(ini.ReadString("S", "c", ""), "plain");
  EXPECT_EQ(ini.ReadString("S", "d", ""), "\"half");
}

TEST(ProfileString, RoundTripThroughFileIsUnchanged) {
  const std::vector<std::string> values = {
      "\"C:\\a b\" \"D:\\c\"",
      "\"/var/lib/namazu/index\" \"/home/user/my index\"",
      "\"/only/one\"",
      "'single quoted'",
      "\"\"",
      "''",
      "\"",
      "'",
      "\"mixed'",
      "no quotes at all",
      "",
      "\"\x83\x5C\x83\x74\x83\x67\"",  // "ソフト" in quotes
  };
  TempDir dir;
  std::string file = dir.File("mru.ini");
  TIniFile ini;
  for (size_t i = 0; i < values.size(); ++i) {
    WriteProfileString(ini, "S", "k" + std::to_string(i), values[i]);
  }
  ASSERT_TRUE(ini.SaveToFile(file));
  TIniFile again;
  ASSERT_TRUE(again.LoadFromFile(file));
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(ReadProfileString(again, "S", "k" + std::to_string(i), "?"), values[i]) << i;
  }
}

TEST(ProfileString, ValuesAreCutAt2047Bytes) {
  TIniFile ini;
  ini.WriteString("S", "long", std::string(5000, 'x'));
  EXPECT_EQ(ReadProfileString(ini, "S", "long", "").size(), 2047u);
  // Quotes are stripped before the cut.
  ini.WriteString("S", "quoted", "\"" + std::string(2047, 'y') + "\"");
  EXPECT_EQ(ReadProfileString(ini, "S", "quoted", ""), std::string(2047, 'y'));
  // The cut never splits a double-byte character.
  std::string wide;
  for (int i = 0; i < 1100; ++i) wide += "\x83\x41";
  ini.WriteString("S", "wide", "a" + wide);  // the 2047th byte would be a lead byte
  std::string read = ReadProfileString(ini, "S", "wide", "");
  EXPECT_EQ(read.size(), 2047u);
  ini.WriteString("S", "wide2", wide);
  read = ReadProfileString(ini, "S", "wide2", "");
  EXPECT_EQ(read.size(), 2046u);
  EXPECT_EQ(read, wide.substr(0, 2046));
}

TEST(ProfileString, Integers) {
  TIniFile ini("[Window]\r\nFlags=0\r\nShowCmd=\"3\"\r\nPixelsPerInch=abc\r\n");
  EXPECT_EQ(ReadProfileInt(ini, "window", "flags", 9), 0);
  EXPECT_EQ(ReadProfileInt(ini, "Window", "ShowCmd", 9), 3);
  EXPECT_EQ(ReadProfileInt(ini, "Window", "PixelsPerInch", 96), 96);
  EXPECT_EQ(ReadProfileInt(ini, "Window", "Missing", -1), -1);
  WriteProfileInt(ini, "Window", "PixelsPerInch", 120);
  EXPECT_EQ(ini.ReadString("Window", "PixelsPerInch", ""), "120");
}

// ---- Recent entries -------------------------------------------------------------------

TEST(Mru, ReadsItemsFromZeroUpSkippingEmptyOnes) {
  TIniFile ini("[SearchMRU]\r\nItem_0=\"\"/a\" \"/b\"\"\r\nItem_1=\r\nItem_2=/c\r\n"
               "Item_9=/last\r\nItem_10=/beyond\r\n");
  EXPECT_EQ(ReadMruItems(ini, "SearchMRU"),
            (std::vector<std::string>{"\"/a\" \"/b\"", "/c", "/last"}));
  EXPECT_TRUE(ReadMruItems(ini, "Other").empty());
}

TEST(Mru, DuplicatesKeepTheNewest) {
  TIniFile ini("[SearchMRU]\r\nItem_0=/A\r\nItem_1=/b\r\nItem_2=/a\r\n");
  EXPECT_EQ(ReadMruItems(ini, "SearchMRU"), (std::vector<std::string>{"/A", "/b"}));
}

TEST(Mru, EraseAndRewrite) {
  TIniFile ini("[SearchMRU]\r\nItem_0=old\r\nItem_5=older\r\nUser_0=3\r\n[Window]\r\nk=v\r\n");
  std::vector<std::string> items;
  for (int i = 0; i < 12; ++i) items.push_back("\"/dir" + std::to_string(i) + "\"");
  WriteMruItems(ini, "SearchMRU", items);
  std::string expected = "[Window]\r\nk=v\r\n\r\n[SearchMRU]\r\n";
  for (int i = 0; i < 10; ++i) {
    expected += "Item_" + std::to_string(i) + "=\"\"/dir" + std::to_string(i) + "\"\"\r\n";
  }
  expected += "\r\n";
  EXPECT_EQ(ini.ToText(), expected);
  std::vector<std::string> firstTen(items.begin(), items.begin() + 10);
  EXPECT_EQ(ReadMruItems(TIniFile(ini.ToText()), "SearchMRU"), firstTen);

  WriteMruItems(ini, "SearchMRU", {});
  EXPECT_FALSE(ini.SectionExists("SearchMRU"));
}

TEST(Mru, FileRoundTripKeepsOtherSections) {
  TempDir dir;
  std::string file = dir.File("settings.ini");
  WriteBytes(file, "[Window]\r\nSavePosition=1\r\n[SearchMRU]\r\nItem_0=x\r\n");
  std::vector<std::string> items = {"\"C:\\a b\" \"D:\\c\"", "\"/var/lib/namazu/index\""};
  ASSERT_TRUE(WriteMruItemsToFile(file, "SearchMRU", items));
  EXPECT_EQ(ReadMruItemsFromFile(file, "searchmru"), items);
  TIniFile ini;
  ASSERT_TRUE(ini.LoadFromFile(file));
  EXPECT_EQ(ini.ReadString("Window", "SavePosition", ""), "1");
  EXPECT_EQ(ini.ReadString("SearchMRU", "Item_0", ""), "\"\"C:\\a b\" \"D:\\c\"\"");

  EXPECT_TRUE(ReadMruItemsFromFile(dir.File("missing.ini"), "SearchMRU").empty());

  // A read-only file is left alone.
  std::string before = ReadBytes(file);
  ASSERT_TRUE(platform::SetReadOnly(file, true));
  EXPECT_FALSE(WriteMruItemsToFile(file, "SearchMRU", {"other"}));
  EXPECT_EQ(ReadBytes(file), before);
  platform::SetReadOnly(file, false);
}

}  // namespace
}  // namespace tavirel
