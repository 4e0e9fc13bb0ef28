#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "core/process/ucommon.h"

namespace tavirel {
namespace {

using Strings = std::vector<std::string>;

// "表" in Shift-JIS: its trail byte is the backslash code.
const std::string kHyo = "\x95\x5C";
// "ポ" in Shift-JIS: its trail byte is the "|" code.
const std::string kPo = "\x83\x7C";
// "ソ" in Shift-JIS: trail byte 0x5C as well.
const std::string kSo = "\x83\x5C";

struct ParseCase {
  const char* name;
  std::string field;
  Strings expected;
};

class ParseIndexDirectoryListTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseIndexDirectoryListTest, SplitsIntoEntries) {
  EXPECT_EQ(ParseIndexDirectoryList(GetParam().field), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ParseIndexDirectoryListTest,
    ::testing::Values(
        ParseCase{"empty", "", {}},
        ParseCase{"one", "C:\\idx", {"C:\\idx"}},
        ParseCase{"two_blanks_between", "C:\\a  C:\\b", {"C:\\a", "C:\\b"}},
        ParseCase{"quoted_with_blank", "\"C:\\my index\" D:\\x", {"C:\\my index", "D:\\x"}},
        ParseCase{"quoted_then_path_without_blank", "\"C:\\a b\"D:\\c", {"C:\\a b", "D:\\c"}},
        ParseCase{"repeat_in_other_case", "C:\\Index c:\\index", {"C:\\Index"}},
        ParseCase{"quoted_and_plain_differ_as_written", "\"C:\\a\" C:\\a", {"C:\\a", "C:\\a"}},
        ParseCase{"unterminated_quote", "\"C:\\a b", {"C:\\a b"}},
        ParseCase{"lone_quote", "\"", {}},
        ParseCase{"doubled_quote_keeps_one", "a\"\"b", {"a\"b"}},
        ParseCase{"trailing_blank", "a ", {"a"}},
        ParseCase{"double_byte_trail_is_not_blank_or_quote",
                  "C:\\" + kHyo + " C:\\" + kSo + "x", {"C:\\" + kHyo, "C:\\" + kSo + "x"}},
        // 0x81 0x40 is the full-width blank: it does not split.
        ParseCase{"full_width_blank_does_not_split", "a\x81\x40" "b", {"a\x81\x40" "b"}},
        // A double-byte character whose trail byte is the quote code cannot
        // exist (0x22 < 0x40), but one cut off at the end must not be read past.
        ParseCase{"cut_off_lead_byte", "abc\x95", {"abc\x95"}},
        ParseCase{"posix_paths", "/var/lib/namazu/index \"/home/u/my idx\"",
                  {"/var/lib/namazu/index", "/home/u/my idx"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JoinQuotedDirectories, QuotesEachEntryAndDoublesInnerQuotes) {
  EXPECT_EQ(JoinQuotedDirectories({}), "");
  EXPECT_EQ(JoinQuotedDirectories({"a", "b"}), "\"a\" \"b\"");
  EXPECT_EQ(JoinQuotedDirectories({"C:\\my idx"}), "\"C:\\my idx\"");
  EXPECT_EQ(JoinQuotedDirectories({"a\"b"}), "\"a\"\"b\"");
}

TEST(JoinQuotedDirectories, ParsesBackToTheSameList) {
  for (const Strings& list : {Strings{"C:\\a b", "D:\\c"}, Strings{"/x", "/y z", "/" + kHyo},
                              Strings{"a\"b", "c"}}) {
    EXPECT_EQ(ParseIndexDirectoryList(JoinQuotedDirectories(list)), list);
  }
}

// What a parse gives, joined and parsed again, is the same list, also when a
// lone lead byte stands before a quote or a blank. The texts are findings of
// the fuzz target.
TEST(JoinQuotedDirectories, ParseJoinParseIsStable) {
  for (const std::string text :
       {"\"/a b/c\" /d \"e\"\"f\" \" \x83\x5c\"\\ \"\x81\" \"", "/idx \x81", "\"a b\x81",
        "\"\x81\"\"", "x \"\x81\"", "\x81\"\" y",
        "[/a b/c\" /d \"e\"\"f\" \" \x83\x5c\"\\ \"\x81\" *", "\"\"\"", "/a \"\"\"",
        "\"\"\"\"\"\" \"\"\xa5 \"", "\"\"\"a \"\"b\"\"\" c"}) {
    const Strings first = ParseIndexDirectoryList(text);
    EXPECT_EQ(ParseIndexDirectoryList(JoinQuotedDirectories(first)), first) << text;
  }
}

TEST(StripQuotes, RemovesOneQuoteAtEachEnd) {
  const std::pair<std::string, std::string> cases[] = {
      {"\"a\"", "a"}, {"\"a", "a"}, {"a\"", "a"}, {"\"", ""}, {"", ""},
      {"\"\"a\"\"", "\"a\""}, {"a", "a"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(StripQuotes(in), out) << in;
}

struct PathCase {
  std::string in;
  std::string out;
};

TEST(UrlToLocalPath, WindowsStyle) {
  const PathCase cases[] = {
      {"file:///C|/doc/a.txt", "C:\\doc\\a.txt"},
      {"/C|/doc/a.txt", "C:\\doc\\a.txt"},
      {"C:/doc/a.txt", "C:\\doc\\a.txt"},
      {"http://example.jp/a|b", "http://example.jp/a|b"},
      {"HTTP://example.jp/", "HTTP://example.jp/"},
      {"ftp://h/x", "ftp://h/x"},
      {"gopher://h/x", "gopher://h/x"},
      {"telnet://h", "telnet://h"},
      // The "|" code as a trail byte stays part of its character.
      {"/C|/" + kPo + "/a.txt", "C:\\" + kPo + "\\a.txt"},
  };
  for (const auto& c : cases) EXPECT_EQ(UrlToLocalPath(c.in, PathStyle::Windows), c.out) << c.in;
}

TEST(UrlToLocalPath, PosixStyleOnlyDropsTheScheme) {
  EXPECT_EQ(UrlToLocalPath("file:///home/u/a.txt", PathStyle::Posix), "/home/u/a.txt");
  EXPECT_EQ(UrlToLocalPath("/home/u/a|b.txt", PathStyle::Posix), "/home/u/a|b.txt");
  EXPECT_EQ(UrlToLocalPath("http://h/x", PathStyle::Posix), "http://h/x");
}

TEST(LocalPathToUrl, BothStyles) {
  EXPECT_EQ(LocalPathToUrl("C:\\doc\\a.html", PathStyle::Windows), "/C|/doc/a.html");
  EXPECT_EQ(LocalPathToUrl("c:\\doc\\a.html", PathStyle::Windows), "/C|/doc/a.html");
  EXPECT_EQ(LocalPathToUrl("C:\\" + kHyo + "\\a.html", PathStyle::Windows),
            "/C|/" + kHyo + "/a.html");
  EXPECT_EQ(LocalPathToUrl("/home/u/a.html", PathStyle::Posix), "/home/u/a.html");
  // The two directions agree for a drive path.
  EXPECT_EQ(UrlToLocalPath(LocalPathToUrl("D:\\x\\y.txt", PathStyle::Windows), PathStyle::Windows),
            "D:\\x\\y.txt");
}

TEST(ExpandProgramRelativePath, OnlyPathsBeginningWithADot) {
  EXPECT_EQ(ExpandProgramRelativePath(".\\index", "C:\\prog", PathStyle::Windows),
            "C:\\prog\\.\\index");
  EXPECT_EQ(ExpandProgramRelativePath(".\\index", "C:\\", PathStyle::Windows), "C:\\.\\index");
  EXPECT_EQ(ExpandProgramRelativePath("D:\\index", "C:\\prog", PathStyle::Windows), "D:\\index");
  EXPECT_EQ(ExpandProgramRelativePath("", "C:\\prog", PathStyle::Windows), "");
  EXPECT_EQ(ExpandProgramRelativePath("./idx", "/opt/tavirel", PathStyle::Posix),
            "/opt/tavirel/./idx");
  EXPECT_EQ(ExpandProgramRelativePath("../idx", "/opt/tavirel/", PathStyle::Posix),
            "/opt/tavirel/../idx");
}

TEST(ExpandDriveConstant, ReplacesKnownLabels) {
  const Strings windowsList = {"{hd1} => C:    [SYSTEM]", "{hd2} => D:    []",
                               "{cdrom1} => Q:    [CDVOL]", "{removable1} => A:"};
  const Strings posixList = {"{hd1} => /    [root]", "{removable1} => /media/usb"};
  const std::tuple<std::string, Strings, std::string> cases[] = {
      {"{cdrom1}\\namazu\\index", windowsList, "Q:\\namazu\\index"},
      {"{hd2}\\x", windowsList, "D:\\x"},
      {"{removable1}\\x", windowsList, "A:\\x"},
      {"junk{hd1}\\x", windowsList, "C:\\x"},
      {"{hd9}\\x", windowsList, "{hd9}\\x"},
      {"}{hd1}", windowsList, "}{hd1}"},
      {"{hd1", windowsList, "{hd1"},
      {"", windowsList, ""},
      {"C:\\plain", windowsList, "C:\\plain"},
      {"{removable1}/idx", posixList, "/media/usb/idx"},
      {"{hd1}var/idx", posixList, "/var/idx"},
      {"{hd1}\\x", {}, "{hd1}\\x"},
  };
  for (const auto& [in, list, out] : cases) EXPECT_EQ(ExpandDriveConstant(in, list), out) << in;
}

TEST(TrailingSeparator, AddAndStrip) {
  const std::tuple<std::string, PathStyle, std::string, std::string> cases[] = {
      // path, style, AddTrailingBackslash, StripTrailingBackslash
      {"", PathStyle::Windows, "", ""},
      {"C:\\a", PathStyle::Windows, "C:\\a\\", "C:\\a"},
      {"C:\\a\\", PathStyle::Windows, "C:\\a\\", "C:\\a"},
      {"C:\\", PathStyle::Windows, "C:\\", "C:/"},
      {"C:\\" + kHyo, PathStyle::Windows, "C:\\" + kHyo + "\\", "C:\\" + kHyo},
      {"C:\\" + kHyo + "\\", PathStyle::Windows, "C:\\" + kHyo + "\\", "C:\\" + kHyo},
      {"", PathStyle::Posix, "", ""},
      {"/", PathStyle::Posix, "/", "/"},
      {"/a", PathStyle::Posix, "/a/", "/a"},
      {"/a/", PathStyle::Posix, "/a/", "/a"},
      {"/" + kHyo, PathStyle::Posix, "/" + kHyo + "/", "/" + kHyo},
  };
  for (const auto& [in, style, added, stripped] : cases) {
    EXPECT_EQ(AddTrailingBackslash(in, style), added) << in;
    EXPECT_EQ(StripTrailingBackslash(in, style), stripped) << in;
  }
}

TEST(StripFragment, CutsOnlyAFragmentOfTheFileName) {
  const std::tuple<std::string, PathStyle, std::string> cases[] = {
      {"C:\\doc\\a.html#top", PathStyle::Windows, "C:\\doc\\a.html"},
      {"C:\\doc#1\\a.html", PathStyle::Windows, "C:\\doc#1\\a.html"},
      {"a.html#x#y", PathStyle::Windows, "a.html#x"},
      {"a.html", PathStyle::Windows, "a.html"},
      {"C:\\" + kHyo + "#x", PathStyle::Windows, "C:\\" + kHyo},
      {"/doc/a.html#top", PathStyle::Posix, "/doc/a.html"},
      {"/doc#1/a.html", PathStyle::Posix, "/doc#1/a.html"},
  };
  for (const auto& [in, style, out] : cases) EXPECT_EQ(StripFragment(in, style), out) << in;
}

TEST(LastPos, FindsTheLastOccurrence) {
  EXPECT_EQ(LastPos("a b c", " "), 4);
  EXPECT_EQ(LastPos("abcabc", "abc"), 4);
  EXPECT_EQ(LastPos("abc", "x"), 0);
  EXPECT_EQ(LastPos("ab", "abc"), 0);
  EXPECT_EQ(LastPos("", "a"), 0);
  EXPECT_EQ(LastPos("aaa", "aa"), 2);
}

TEST(URLDecode, PercentAndPlus) {
  const PathCase cases[] = {
      {"a%41b", "aAb"},
      {"a+b", "a b"},
      {"a%2Bb", "a b"},
      {"a%4", std::string("a\x40")},
      {"%", std::string(1, '\0')},
      {"%zz", std::string(1, '\0')},
      {"%95%5C", kHyo},
      {"plain", "plain"},
  };
  for (const auto& c : cases) EXPECT_EQ(URLDecode(c.in), c.out) << c.in;
}

// Files in a fresh folder of the temporary directory, removed afterwards.
class FileHelpers : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("tavirel-ucommon-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    folder_ = dir_.string() + "/";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Touch(const std::string& name) { std::ofstream(dir_ / name) << "x"; }

  std::filesystem::path dir_;
  std::string folder_;
};

TEST_F(FileHelpers, FindFilesAppendsMatchingOrdinaryFiles) {
  Touch("NMZ.i");
  Touch("NMZ.r");
  Touch("other.txt");
  Touch(".NMZ.hidden");
  std::filesystem::create_directories(dir_ / "NMZ.dir");
  Strings found = FindFiles(folder_, "NMZ.*", {"kept"});
  EXPECT_EQ(found, (Strings{"kept", folder_ + "NMZ.i", folder_ + "NMZ.r"}));
}

TEST_F(FileHelpers, DeleteFilesTakesAQuotedFolderWithoutSeparator) {
  Touch("NMZ.i");
  Touch("NMZ.r");
  Touch("keep.txt");
  DeleteFiles("\"" + dir_.string() + "\"", "NMZ.*");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "NMZ.i"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "NMZ.r"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "keep.txt"));
}

TEST_F(FileHelpers, IsReadOnlyFile) {
  Touch("a.ini");
  std::string path = folder_ + "a.ini";
  EXPECT_FALSE(IsReadOnlyFile(path));
  ASSERT_TRUE(platform::SetReadOnly(path, true));
  EXPECT_TRUE(IsReadOnlyFile(path));
  EXPECT_TRUE(IsReadOnlyFile(folder_ + "missing.ini"));
}

TEST(PathHelpers, ParentFolder) {
  struct Case {
    const char* path;
    PathStyle style;
    const char* parent;
  };
  const Case cases[] = {
      {"/usr/bin/namazu", PathStyle::Posix, "/usr/bin"},
      {"/namazu", PathStyle::Posix, "/"},
      {"namazu", PathStyle::Posix, ""},
      {"C:\\namazu\\bin\\namazu.exe", PathStyle::Windows, "C:\\namazu\\bin"},
      {"C:\\namazu.exe", PathStyle::Windows, "C:\\"},
      // 表 ends in the byte of "\\": the folder is the one before it.
      {"C:\\a\\\x95\x5C.exe", PathStyle::Windows, "C:\\a"},
  };
  for (const Case& c : cases) EXPECT_EQ(ParentFolder(c.path, c.style), c.parent) << c.path;
}

}  // namespace
}  // namespace tavirel
