#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/indexer/mknmzcmd.h"
#include "core/process/cmdline.h"
#include "platform/platform.h"
#include "support/testsupport.h"

namespace tavirel {
namespace {

using Lines = std::vector<std::string>;
constexpr auto Win = PathStyle::Windows;
constexpr auto Posix = PathStyle::Posix;

struct BuildCase {
  const char* name;
  PathStyle style;
  std::function<void(TIndexChoices&)> set;
  Lines expected;  // empty: generation fails
};

TEST(BuildCommandLines, GeneratesTheReservedLines) {
  // "表" ends in the byte of a backslash; it must not be taken for one.
  const std::string hyo = "\x95\x5C";
  const BuildCase cases[] = {
      {"two folders, other output, same-name folders, delete and mailnews", Win,
       [](TIndexChoices& c) {
         c.targetDirectories = "C:\\doc\\mail\r\nC:\\doc\\web";
         c.indexOtherDir = true;
         c.outputDir = "D:\\idx";
         c.makeDirChoice = mdcSameName;
         c.criteria[critDeleteBefore] = c.criteria[4] = true;
       },
       {"*mkdir \"D:\\idx\\mail\"", "*delete \"D:\\idx\\mail\", \"NMZ.*\"",
        "*mknmz --mailnews --output=\"D:\\idx\\mail\" \"C:\\doc\\mail\"",
        "*mkdir \"D:\\idx\\web\"", "*delete \"D:\\idx\\web\", \"NMZ.*\"",
        "*mknmz --mailnews --output=\"D:\\idx\\web\" \"C:\\doc\\web\""}},
      {"the same in posix style", Posix,
       [](TIndexChoices& c) {
         c.targetDirectories = "/doc/mail/\n/doc/web";
         c.indexOtherDir = true;
         c.outputDir = "/idx/";
         c.makeDirChoice = mdcSameName;
         c.criteria[critDeleteBefore] = c.criteria[4] = true;
       },
       {"*mkdir \"/idx/mail\"", "*delete \"/idx/mail\", \"NMZ.*\"",
        "*mknmz --mailnews --output=\"/idx/mail\" \"/doc/mail\"", "*mkdir \"/idx/web\"",
        "*delete \"/idx/web\", \"NMZ.*\"", "*mknmz --mailnews --output=\"/idx/web\" \"/doc/web\""}},
      {"drive root and trailing backslash, same place", Win,
       [](TIndexChoices& c) { c.targetDirectories = "C:\\\r\nC:\\doc\\"; },
       {"*mknmz --output=\"C:/\" \"C:/\"", "*mknmz --output=\"C:\\doc\" \"C:\\doc\""}},
      {"update mode keeps only the free options", Win,
       [](TIndexChoices& c) {
         c.targetDirectories = "C:\\i1\r\nC:\\i2";
         c.criteria[critUpdate] = c.criteria[critDeleteBefore] = c.criteria[3] = true;
         c.targetFile = TargetFileChoice::All;
         c.indexOtherDir = true;
         c.outputDir = "D:\\x";
         c.excludeDirPattern = "tmp";
         c.useTargetFileList = true;
         c.otherParameters = "  -v  ";
       },
       {"*mknmz -v --update=\"C:\\i1\"", "*mknmz -v --update=\"C:\\i2\""}},
      {"one shared index: one mkdir, one line naming every folder", Posix,
       [](TIndexChoices& c) {
         c.targetDirectories = "/a\n\n  /b/  \n-c\n";
         c.indexOtherDir = true;
         c.outputDir = "/idx";
         c.criteria[critDeleteBefore] = c.criteria[4] = true;
       },
       {"*mkdir \"/idx\"", "*delete \"/idx\", \"NMZ.*\"",
        "*mknmz --mailnews --output=\"/idx\" \"/a\" \"/b\" \"./-c\""}},
      {"one shared index without output: the first folder as listed", Posix,
       [](TIndexChoices& c) {
         c.targetDirectories = "/a/";
         c.indexOtherDir = true;
       },
       {"*mkdir \"/a/\"", "*mknmz --output=\"/a/\" \"/a\""}},
      {"numbered folders", Posix,
       [](TIndexChoices& c) {
         c.targetDirectories = "/a\n/b";
         c.indexOtherDir = true;
         c.outputDir = "/";
         c.makeDirChoice = mdcNumbered;
       },
       {"*mkdir \"/index1\"", "*mknmz --output=\"/index1\" \"/a\"", "*mkdir \"/index2\"",
        "*mknmz --output=\"/index2\" \"/b\""}},
      {"file list: one line, no folder argument", Win,
       [](TIndexChoices& c) {
         c.targetDirectories = "C:\\a\r\nC:\\b";
         c.useTargetFileList = true;
         c.targetFileListFileName = "C:\\list.txt";
         c.indexOtherDir = true;
         c.outputDir = "D:\\idx\\";
         c.makeDirChoice = mdcSameName;
       },
       {"*mkdir \"D:\\idx\"", "*mknmz --target-list=\"C:\\list.txt\" --output=\"D:\\idx\""}},
      {"every option in its place", Posix,
       [](TIndexChoices& c) {
         c.targetDirectories = "/d";
         c.targetFile = TargetFileChoice::RegEx;
         c.targetFilePattern = "\\.txt$";
         c.excludeDirPattern = " old ";
         c.denyFilePattern = "say \"no\"\\";
         c.useMediaType = true;
         c.useReplace = true;
         c.replace = "s#/d#http://h/#";
         c.useMknmzrc = true;
         c.mknmzrcFileName = "/etc/rc";
         c.criteria[2] = c.criteria[3] = c.criteria[11] = true;
         c.otherParameters = "--verbose";
       },
       {"*mknmz --allow=\"\\.txt$\" --exclude=\" old \" --deny=\"say \\\"no\\\"\\\\\" "
        "--media-type=\"\" --replace=\"s#/d#http://h/#\" --config=\"/etc/rc\" --no-hiragana "
        "--no-symbol --quiet --verbose --output=\"/d\" \"/d\""}},
      {"a folder that looks like an option stays a folder", Posix,
       [](TIndexChoices& c) { c.targetDirectories = "-O\n--exclude=x"; },
       {"*mknmz --output=\"-O\" \"./-O\"", "*mknmz --output=\"--exclude=x\" \"./--exclude=x\""}},
      {"Japanese folder ending in a trail byte 0x5C", Win,
       [hyo](TIndexChoices& c) { c.targetDirectories = "C:\\" + hyo; },
       {"*mknmz --output=\"C:\\" + hyo + "\" \"C:\\" + hyo + "\""}},
      {"no folder and no list", Win, [](TIndexChoices& c) { c.targetDirectories = " \r\n "; },
       {}},
  };
  for (const BuildCase& test : cases) {
    SCOPED_TRACE(test.name);
    TIndexChoices choices;
    test.set(choices);
    const TCommandLines result = BuildCommandLines(choices, test.style);
    EXPECT_EQ(result.ok, !test.expected.empty());
    EXPECT_EQ(result.lines, test.expected);
    EXPECT_EQ(result.message, result.ok ? "" : NoTargetDirectoryMessage);
  }
}

TEST(BuildCommandLines, QuotedArgumentsArriveUnchanged) {
  for (std::string text : {"plain", "with blank", "a\"b", "end\\", "c:\\x\\\"y", "\\\\srv\\s\\",
                           "\x95\x5C", "", "-O"}) {
    const Lines args = SplitCommandLine("prog " + QuoteArgument(text) + " next");
    ASSERT_EQ(args.size(), 3u) << text;
    EXPECT_EQ(args[1], text);
    EXPECT_EQ(args[2], "next");
  }
  EXPECT_EQ(SplitCommandLine("p " + DocumentFolderArgument("-O", Posix))[1], "./-O");
}

TEST(CriterionOption, TakesTheOptionFromTheCaption) {
  EXPECT_EQ(CriterionOption(CriteriaCaptions[2]), "--no-hiragana");
  EXPECT_EQ(CriterionOption(CriteriaCaptions[11]), "--quiet");
  EXPECT_EQ(CriterionOption(CriteriaCaptions[1]), "--update=");
  EXPECT_EQ(CriterionOption(CriteriaCaptions[0]), "");
  EXPECT_EQ(CriterionOption("x (a) (-b)"), "-b");
}

TEST(CheckIndexOptions, RefusesWhatCannotBeGenerated) {
  testsupport::TempDir dir;
  const std::string list = dir.Write("list.txt", "/x\n");
  const std::string out = dir.path();
  struct Case {
    const char* name;
    std::function<void(TIndexChoices&)> set;
    TIndexCheck::Kind kind;
    std::string message;
  };
  const std::string blank(BlankInIndexFolderMessage);
  const Case cases[] = {
      {"update needs nothing else",
       [](TIndexChoices& c) {
         c.criteria[critUpdate] = true;
         c.useTargetFileList = true;
       },
       TIndexCheck::Valid, ""},
      {"file list missing",
       [&](TIndexChoices& c) {
         c.useTargetFileList = true;
         c.targetFileListFileName = out + "/none";
       },
       TIndexCheck::Refused, std::string(FileListMissingMessage)},
      {"file list without output",
       [&](TIndexChoices& c) {
         c.useTargetFileList = true;
         c.targetFileListFileName = list;
         c.indexOtherDir = true;
         c.outputDir = "  ";
       },
       TIndexCheck::Refused, std::string(FileListNeedsOutputMessage)},
      {"file list indexed in the same place",
       [&](TIndexChoices& c) {
         c.useTargetFileList = true;
         c.targetFileListFileName = list;
         c.outputDir = out;
       },
       TIndexCheck::Refused, std::string(FileListNeedsOtherDirMessage)},
      {"file list with output", [&](TIndexChoices& c) {
         c.useTargetFileList = true;
         c.targetFileListFileName = list;
         c.indexOtherDir = true;
         c.outputDir = out;
       },
       TIndexCheck::Valid, ""},
      {"missing output folder",
       [&](TIndexChoices& c) {
         c.targetDirectories = "/a";
         c.outputDir = out + "/new/deep";
       },
       TIndexCheck::AskCreateOutput, ""},
      {"output that is a file",
       [&](TIndexChoices& c) {
         c.targetDirectories = "/a";
         c.outputDir = list;
       },
       TIndexCheck::AskCreateOutput, ""},
      {"several folders, other output, none given",
       [](TIndexChoices& c) {
         c.targetDirectories = "/a\n\n";
         c.indexOtherDir = true;
       },
       TIndexCheck::Refused, std::string(SeveralNeedOutputMessage)},
      {"one folder, numbered folders, no output",
       [](TIndexChoices& c) {
         c.targetDirectories = "/a";
         c.indexOtherDir = true;
         c.makeDirChoice = mdcNumbered;
       },
       TIndexCheck::Refused, std::string(NoOutputBaseMessage)},
      {"one folder, shared index, no output",
       [](TIndexChoices& c) {
         c.targetDirectories = "/a";
         c.indexOtherDir = true;
       },
       TIndexCheck::Valid, ""},
      {"the root with same-name folders",
       [&](TIndexChoices& c) {
         c.targetDirectories = "/a\n/";
         c.indexOtherDir = true;
         c.outputDir = out;
         c.makeDirChoice = mdcSameName;
       },
       TIndexCheck::Refused, std::string(RootHasNoNameMessage)},
      {"a quote in a folder name",
       [](TIndexChoices& c) { c.targetDirectories = "/a\"b"; },
       TIndexCheck::Refused, std::string(QuoteInPathMessage)},
      // mknmz cannot write an index into a folder whose path has a blank;
      // documents in such folders are fine.
      {"an index beside documents in a folder with a blank",
       [](TIndexChoices& c) { c.targetDirectories = "/a\n/my docs/"; },
       TIndexCheck::Refused, blank + "\n/my docs"},
      {"an update of such an index",
       [](TIndexChoices& c) {
         c.targetDirectories = "/idx 1";
         c.criteria[critUpdate] = true;
       },
       TIndexCheck::Refused, blank + "\n/idx 1"},
      {"a folder named after documents in a folder with a blank",
       [&](TIndexChoices& c) {
         c.targetDirectories = "/a\n/d/my memo";
         c.indexOtherDir = true;
         c.outputDir = out;
         c.makeDirChoice = mdcSameName;
       },
       TIndexCheck::Refused, blank + "\n" + out + "/my memo"},
      {"one shared index of folders with blanks",
       [&](TIndexChoices& c) {
         c.targetDirectories = "/my docs\n/d/my memo";
         c.indexOtherDir = true;
         c.outputDir = out;
       },
       TIndexCheck::Valid, ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    TIndexChoices choices;
    test.set(choices);
    const TIndexCheck check = CheckIndexOptions(choices, Posix);
    EXPECT_EQ(check.kind, test.kind);
    EXPECT_EQ(check.message, test.message);
  }
}

TEST(IndexDefaults, EachPageSavesItsOwnKeysAndReadsThemBack) {
  TIndexChoices saved;
  saved.targetFile = TargetFileChoice::RegEx;
  saved.targetFilePattern = " \\.txt ";
  saved.useTargetFileList = true;
  saved.targetFileListFileName = " /l.txt ";
  saved.criteria[3] = saved.criteria[9] = saved.criteria[critUpdate] = true;
  saved.useMknmzrc = true;
  saved.mknmzrcFileName = " /rc ";
  saved.otherParameters = " -v ";

  TIniFile ini;
  WriteIndexDefaults(ini, saved, IndexDefaultsPage::Other);
  EXPECT_FALSE(ini.ValueExists(IndexDefaultsSection, "TargetFile"));
  EXPECT_EQ(ini.ReadString(IndexDefaultsSection, "Option1", ""), "--no-symbol");
  EXPECT_EQ(ini.ReadString(IndexDefaultsSection, "Option2", ""), "--meta");
  EXPECT_EQ(ini.ReadString(IndexDefaultsSection, "OptionCount", ""), "2");
  EXPECT_EQ(ini.ReadString(IndexDefaultsSection, "UpdateIndex", ""), "1");
  EXPECT_EQ(ini.ReadString(IndexDefaultsSection, "OtherOptions", ""), "-v");
  WriteIndexDefaults(ini, saved, IndexDefaultsPage::File);
  EXPECT_EQ(ini.ReadString(IndexDefaultsSection, "TargetFile", ""), "RegEx");

  TIndexChoices read;
  read.criteria[5] = true;  // not saved: cleared on reading
  ReadIndexDefaults(ini, read);
  EXPECT_EQ(read.criteria, saved.criteria);
  EXPECT_EQ(read.targetFile, TargetFileChoice::RegEx);
  EXPECT_EQ(read.targetFilePattern, "\\.txt");
  EXPECT_TRUE(read.useTargetFileList);
  EXPECT_EQ(read.targetFileListFileName, "/l.txt");
  EXPECT_EQ(read.mknmzrcFileName, "/rc");
  EXPECT_TRUE(read.useMknmzrc && !read.useReplace && !read.useMediaType);

  // Fewer options later: old keys above the count stay and are ignored; an
  // absurd count reads only what exists.
  saved.criteria[9] = false;
  WriteIndexDefaults(ini, saved, IndexDefaultsPage::Other);
  EXPECT_EQ(ini.ReadString(IndexDefaultsSection, "Option2", ""), "--meta");
  ReadIndexDefaults(ini, read);
  EXPECT_FALSE(read.criteria[9]);
  ini.WriteString(IndexDefaultsSection, "OptionCount", "2000000000");
  ReadIndexDefaults(ini, read);
  EXPECT_TRUE(read.criteria[9]);

  TIndexChoices empty;
  ReadIndexDefaults(TIniFile(), empty);
  EXPECT_EQ(empty.targetFile, TargetFileChoice::Default);
  EXPECT_EQ(empty.criteria, (std::array<bool, CriteriaCount>{}));
}

}  // namespace
}  // namespace tavirel
