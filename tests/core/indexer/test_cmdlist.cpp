#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/indexer/cmdlist.h"
#include "platform/platform.h"
#include "support/testsupport.h"

namespace tavirel {
namespace {

using Lines = std::vector<std::string>;
using testsupport::TempDir;
namespace fs = std::filesystem;

TSettings Programs() {
  TSettings settings;
  settings.PerlPath = "/usr/bin/perl";
  settings.mknmzPath = "/usr/bin/mknmz";
  settings.mknmzOption = "--use-kakasi -EHK --all";
  return settings;
}

// Restores the process's current folder, which chdir lines change.
class CommandListTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = fs::current_path(); }
  void TearDown() override { fs::current_path(saved_); }
  fs::path saved_;
};

TEST_F(CommandListTest, LinesGiveTheirCommands) {
  const struct {
    const char* line;
    const char* command;
  } cases[] = {
      {"*mknmz --all -O \"/i\" \"/d\"", "\"/usr/bin/perl\" \"/usr/bin/mknmz\" --all -O \"/i\" \"/d\""},
      {"*mknmz    --all   ", "\"/usr/bin/perl\" \"/usr/bin/mknmz\" --all"},
      {"*mknmz", ""},
      {"*mknmz ", ""},
      {"*MKNMZ --all", ""},
      {" *mknmz --all", ""},
      {"*other --all", ""},
      {"!notepad.exe a.txt", "notepad.exe a.txt"},
      {"! x ", " x "},
      {"!", ""},
      {"mknmz --all", ""},
      {"   ", ""},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(ExpandCommandLine(test.line, Programs()), test.command) << test.line;
  }
}

TEST_F(CommandListTest, FolderLinesTouchOnlyWhatTheyName) {
  const struct {
    const char* name;
    std::string line;  // "@" stands for the test folder
    Lines gone;        // files deleted, folders made
  } cases[] = {
      {"delete with \", \"", "*delete \"@/idx\", \"NMZ.*\"", {"idx/NMZ.i", "idx/NMZ.w"}},
      {"delete with \",\"", "*delete \"@/idx\",\"NMZ.*\"", {"idx/NMZ.i", "idx/NMZ.w"}},
      {"delete all files of one folder, never below", "*delete \"@/idx\", \"*\"",
       {"idx/NMZ.i", "idx/NMZ.w", "idx/keep.txt"}},
      {"delete in another folder named by the line", "*delete \"@/idx/../other\", \"NMZ.i\"",
       {"other/NMZ.i"}},
      {"delete without quotes", "*delete @/idx, NMZ.*", {}},
      {"delete with an empty folder", "*delete \"\", \"NMZ.*\"", {}},
      {"delete with an unbalanced quote", "*delete \"@/idx, \"NMZ.*\"", {}},
      {"delete with a mask that names a path", "*delete \"@\", \"idx/NMZ.i\"", {}},
      {"mkdir with parents", "*mkdir \"@/new/deep\"", {"new/deep"}},
      {"mkdir of a file", "*mkdir \"@/idx/keep.txt\"", {}},
      {"mkdir without quotes", "*mkdir @/bare", {"bare"}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    TempDir dir;
    for (const char* file : {"idx/NMZ.i", "idx/NMZ.w", "idx/keep.txt", "idx/sub/NMZ.i",
                             "idx/.NMZ.hidden", "other/NMZ.i"}) {
      fs::create_directories(fs::path(dir.File(file)).parent_path());
      dir.Write(file, "x");
    }
    std::string line = test.line;
    for (size_t at; (at = line.find('@')) != line.npos;) line.replace(at, 1, dir.path());
    EXPECT_EQ(ExpandCommandLine(line, Programs()), "");
    for (const char* file : {"idx/NMZ.i", "idx/NMZ.w", "idx/keep.txt", "idx/sub/NMZ.i",
                             "idx/.NMZ.hidden", "other/NMZ.i", "new/deep", "bare"}) {
      const bool listed = std::find(test.gone.begin(), test.gone.end(), file) != test.gone.end();
      const bool made = std::string(file) == "new/deep" || std::string(file) == "bare";
      EXPECT_EQ(fs::exists(dir.File(file)), made == listed) << file;
    }
    EXPECT_TRUE(fs::is_regular_file(dir.File("idx/keep.txt")) || test.gone.size() == 3);
  }
}

TEST_F(CommandListTest, ChdirChangesTheCurrentFolderOnlyToAFolder) {
  TempDir dir;
  fs::create_directories(dir.File("a"));
  const fs::path start = fs::current_path();
  for (const std::string& line : {"*chdir \"" + dir.File("missing") + "\"", "*chdir " + dir.File("a"),
                                  std::string("*chdir \"\"")}) {
    EXPECT_EQ(ExpandCommandLine(line, Programs()), "");
    EXPECT_EQ(fs::current_path(), start) << line;
  }
  ExpandCommandLine("*chdir \"" + dir.File("a") + "\"", Programs());
  EXPECT_EQ(fs::current_path(), fs::canonical(dir.File("a")));
}

TEST(CommandListFile, OnlyFilesThatBeginWithTheHeaderAreLists) {
  const std::string header(CommandListHeader);
  const std::string longLine(1 << 20, 'x');
  const struct {
    const char* name;
    std::string bytes;
    bool ok;
    Lines lines;
  } cases[] = {
      {"CR LF", header + "\r\n*mknmz a\r\n \r\n*mkdir \"b\"\r\n", true, {"*mknmz a", " ", "*mkdir \"b\""}},
      {"LF and no final break", header + "\na\n\nb", true, {"a", "", "b"}},
      {"CR only", header + "\ra\rb\r", true, {"a", "b"}},
      {"a 1 MB line", header + "\r\n" + longLine + "\r\n", true, {longLine}},
      {"header and an empty line", header + "\r\n\r\n", true, {""}},
      {"header only", header + "\r\n", false, {}},
      {"empty", "", false, {}},
      {"another header", "this is a 'tavirel for namazu' command line list file.\r\na\r\n", false, {}},
      {"header with a blank", header + " \r\na\r\n", false, {}},
      {"binary", header + "\r\n" + std::string("ab\0cd", 5) + "\r\n", false, {}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    Lines lines = {"old"};
    EXPECT_EQ(ParseCommandList(test.bytes, lines), test.ok);
    EXPECT_EQ(lines, test.ok ? test.lines : Lines{"old"});
  }
}

TEST(CommandListFile, SavesAtomicallyAndRefusesOddFiles) {
  TempDir dir;
  const std::string path = dir.File("list.txt");
  const Lines lines = {"*mkdir \"/x\"", "*mknmz --all \"\x95\x5C\""};
  std::string message;
  ASSERT_TRUE(SaveCommandListFile(path, lines, message));
  EXPECT_EQ(testsupport::ReadBytes(path), FormatCommandList(lines));
  EXPECT_EQ(FormatCommandList({"a"}), std::string(CommandListHeader) + "\r\na\r\n");
  Lines loaded;
  ASSERT_TRUE(LoadCommandListFile(path, loaded, message));
  EXPECT_EQ(loaded, lines);

  // A failed save leaves the old file as it was.
  ASSERT_TRUE(platform::SetReadOnly(path, true));
  EXPECT_FALSE(SaveCommandListFile(path, {"new"}, message));
  EXPECT_EQ(message.rfind(SaveFailedMessage, 0), 0u);
  EXPECT_EQ(testsupport::ReadBytes(path), FormatCommandList(lines));
  EXPECT_FALSE(SaveCommandListFile(dir.File("missing/list.txt"), {"new"}, message));

  const struct {
    std::string path;
    std::string_view message;
  } refused[] = {
      {dir.path(), NotRegularFileMessage},
      {dir.File("big.txt"), CommandListTooLargeMessage},
      {dir.File("none.txt"), ReadFailedMessage},
      {dir.Write("bad.txt", "not a list\r\na\r\n"), InvalidCommandListMessage},
  };
  fs::resize_file(dir.Write("big.txt", std::string(CommandListHeader) + "\r\n"),
                  MaxCommandListBytes + 1);
  for (const auto& test : refused) {
    Lines kept = {"kept"};
    EXPECT_FALSE(LoadCommandListFile(test.path, kept, message)) << test.path;
    EXPECT_EQ(message, test.message) << test.path;
    EXPECT_EQ(kept, Lines{"kept"});
  }
}

// What a reserved line asks for, read without doing it. A line that is not
// acted on carries nothing (a fuzz finding: a "*delete" with an empty mask
// kept its folder).
TEST(ReservedLine, ParsedWithoutSideEffects) {
  struct Case {
    const char* line;
    TReservedKind kind;
    const char* text;
    const char* folder;
    const char* mask;
  };
  const Case cases[] = {
      {"!ls -l", TReservedKind::Command, "ls -l", "", ""},
      {"*mknmz  --all \"/d\" ", TReservedKind::Mknmz, "--all \"/d\"", "", ""},
      {"*mkdir \"/a b\"", TReservedKind::Mkdir, "", "/a b", ""},
      {"*delete \"/i\", \"NMZ.*\"", TReservedKind::Delete, "", "/i", "NMZ.*"},
      {"*delete \"/i\",\"*\"", TReservedKind::Delete, "", "/i", "*"},
      {"*delete \"/i\", \"\"", TReservedKind::None, "", "", ""},
      {"*delete /i, NMZ.*", TReservedKind::None, "", "", ""},
      {"*chdir \"/w\"", TReservedKind::Chdir, "", "/w", ""},
      {"*chdir /w", TReservedKind::None, "", "", ""},
      {" *mknmz --all", TReservedKind::None, "", "", ""},
      {"*MKNMZ --all", TReservedKind::None, "", "", ""},
      {"*mknmz", TReservedKind::None, "", "", ""},
  };
  for (const Case& c : cases) {
    const TReservedLine read = ParseReservedLine(c.line);
    EXPECT_EQ(read.Kind, c.kind) << c.line;
    EXPECT_EQ(read.Text, c.text) << c.line;
    EXPECT_EQ(read.Folder, c.folder) << c.line;
    EXPECT_EQ(read.Mask, c.mask) << c.line;
  }
}

TEST(CommandListFile, SavedListsAreTidy) {
  EXPECT_EQ(TidyCommandList({"  a  ", "", " \t ", "b"}), (Lines{"a", "b"}));
  EXPECT_EQ(FirstCommandLine("  *mknmz a  \r\n*mknmz b"), "*mknmz a");
  EXPECT_EQ(FirstCommandLine("\n\n x \n"), "x");
  EXPECT_EQ(FirstCommandLine(" \r\n "), "");
}

TEST_F(CommandListTest, RunStartsEachCommandInTheCurrentFolder) {
  TempDir dir;
  fs::create_directories(dir.File("bin"));
  fs::create_directories(dir.File("work"));
  TSettings settings = Programs();
  settings.mknmzPath = dir.File("bin/mknmz");
  struct Start {
    std::string command, folder;
    TProcessShowMode mode;
    TArgumentCoding coding;
  };
  for (const char* showProcess : {"Internal", "DOSWindow", "doswindow"}) {
    SCOPED_TRACE(showProcess);
    settings.ShowProcess = showProcess;
    std::vector<Start> starts;
    std::vector<std::string> progress;
    CommandRunHooks hooks;
    hooks.beforeLine = [&](int number, int count, const std::string& line) {
      progress.push_back(std::to_string(number) + " / " + std::to_string(count));
      return line;
    };
    hooks.start = [&](std::string_view command, std::string_view folder, TProcessShowMode mode,
                      TArgumentCoding coding) {
      starts.push_back({std::string(command), std::string(folder), mode, coding});
      if (command == "fails") return -1;  // could not be started
      if (command == "throws") throw std::runtime_error("x");
      return command == "first" ? 0 : 3;
    };
    std::vector<std::string> ends;
    hooks.afterLine = [&](int number, int count, const TCommandResult& result) {
      ends.push_back(std::to_string(number) + "/" + std::to_string(count) + ":" +
                     std::to_string(result.exitCode) + (result.started ? "" : " not started"));
    };
    const Lines lines = {"!first", "!fails", "!throws", "plain", "*chdir \"" + dir.File("work") + "\"",
                         "*mknmz --all"};
    const TCommandRunSummary summary = RunCommandList(lines, settings, hooks);
    EXPECT_EQ(summary.lines, 6);
    EXPECT_EQ(summary.started, 2);
    // The line that could not start and the one that ended with 3 failed;
    // the line that threw is not reported as anything.
    EXPECT_EQ(summary.failedLines, (std::vector<int>{2, 6}));
    EXPECT_EQ(ends, (Lines{"1/6:0", "2/6:-1 not started", "6/6:3"}));
    const TProcessShowMode mode = std::string(showProcess) == "DOSWindow" ? psmNormal : psmCaptured;
    const std::string bin = fs::canonical(dir.File("bin")).string();
    const std::string work = fs::canonical(dir.File("work")).string();
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(starts[0].command, "first");
    EXPECT_EQ(starts[0].folder, bin);
    EXPECT_EQ(starts[2].command, "throws");
    EXPECT_EQ(starts[3].command, "\"/usr/bin/perl\" \"" + settings.mknmzPath + "\" --all");
    EXPECT_EQ(starts[3].folder, work);
    // Only the mknmz line has arguments that name files and folders.
    EXPECT_EQ(starts[0].coding, acAsWritten);
    EXPECT_EQ(starts[3].coding, acMknmz);
    for (const Start& start : starts) EXPECT_EQ(start.mode, mode);
    EXPECT_EQ(progress, (Lines{"1 / 6", "2 / 6", "3 / 6", "4 / 6", "5 / 6", "6 / 6"}));
  }
}

TEST(RunCommandList, SaysHowARunEnded) {
  // Texts in UTF-8 here, compared after conversion of the program's Shift-JIS.
  const auto SjisToUtf8 = [](const std::string& sjis) {
    return platform::Cp932ToUtf8(sjis).value_or("(not Shift-JIS)");
  };
  struct Case {
    TCommandRunSummary summary;
    const char* progress;
    const char* status;
  };
  std::vector<int> many(12);
  for (int i = 0; i < 12; ++i) many[i] = i + 1;
  const Case cases[] = {
      {{3, 3, {}}, "3 / 3 終了", "実行が終わりました。失敗したコマンドはありません。"},
      {{3, 2, {1, 3}}, "3 / 3 終了・失敗 2", "実行が終わりました。失敗したコマンド: 2 件（1, 3 行目）"},
      {{12, 12, many}, "12 / 12 終了・失敗 12",
       "実行が終わりました。失敗したコマンド: 12 件（1, 2, 3, 4, 5, 6, 7, 8, 9, 10, … 行目）"},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(SjisToUtf8(RunEndProgressText(test.summary)), test.progress);
    EXPECT_EQ(SjisToUtf8(RunEndStatusText(test.summary)), test.status);
  }
  EXPECT_EQ(CommandFailureText(2, 3, {true, 0}), "");
  EXPECT_EQ(SjisToUtf8(CommandFailureText(2, 3, {true, 2})),
            "×コマンド 2 / 3 は失敗しました（終了コード 2）。");
  EXPECT_EQ(SjisToUtf8(CommandFailureText(1, 1, {false, -1})),
            "×コマンド 1 / 1 を開始できませんでした。");
}

}  // namespace
}  // namespace tavirel
