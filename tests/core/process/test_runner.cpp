#include "core/process/arguments.h"
#include "core/process/cmdline.h"
#include "core/process/runner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/process/cmdline.h"

namespace tavirel {
namespace {

using Lines = std::vector<std::string>;

class FakeView : public IConsoleView {
 public:
  Lines lines;
  int tag = 1;
  int shows = 0;
  int insertsBeforeThrow = -1;  // throw on that insert when >= 0

  int LineCount() const override { return static_cast<int>(lines.size()); }
  void AppendLine(std::string_view line) override { lines.emplace_back(line); }
  void InsertLine(int index, std::string_view line) override {
    if (insertsBeforeThrow == 0) throw std::runtime_error("insert failed");
    if (insertsBeforeThrow > 0) --insertsBeforeThrow;
    lines.insert(lines.begin() + index, std::string(line));
  }
  void ReplaceLine(int index, std::string_view line) override {
    lines.at(static_cast<size_t>(index)) = std::string(line);
  }
  void ShowLastLine() override { ++shows; }
  int Tag() const override { return tag; }
  void SetTag(int value) override { tag = value; }
};

struct Recorder {
  std::vector<std::string> messages;
  int events = 0;
  std::vector<int> tagsDuringRun;
  FakeView* view = nullptr;

  ConsoleRunCallbacks Callbacks() {
    ConsoleRunCallbacks callbacks;
    callbacks.processEvents = [this] {
      ++events;
      if (view != nullptr) tagsDuringRun.push_back(view->Tag());
    };
    callbacks.showMessage = [this](std::string_view text) { messages.emplace_back(text); };
    return callbacks;
  }
};

// The output lines of a single run: what lies between the header's empty
// line and the two empty lines at its end.
Lines OutputOf(const Lines& lines) {
  EXPECT_GE(lines.size(), 7u);
  if (lines.size() < 7) return {};
  return Lines(lines.begin() + 4, lines.end() - 2);
}

std::string Sh(const std::string& script) { return "/bin/sh -c \"" + script + "\""; }

// --- command line splitting -------------------------------------------------

TEST(SplitCommandLine, FollowsTheWindowsRules) {
  struct Case {
    std::string line;
    Lines expected;
  };
  const Case cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"prog", {"prog"}},
      {"  prog   a\tb  ", {"prog", "a", "b"}},
      {R"("C:\Program Files\perl.exe" -v)", {R"(C:\Program Files\perl.exe)", "-v"}},
      // The program name: quotes only group, a backslash never escapes.
      {R"("c:\dir\" a)", {R"(c:\dir\)", "a"}},
      {R"("pro"g x)", {"prog", "x"}},
      {R"(c:\bin\x.exe\ a)", {R"(c:\bin\x.exe\)", "a"}},
      // Further arguments.
      {R"(p "a b" c)", {"p", "a b", "c"}},
      {R"(p "a b"c d)", {"p", "a bc", "d"}},
      {R"(p a\\b c:\dir\)", {"p", R"(a\\b)", R"(c:\dir\)"}},
      {R"(p a\"b)", {"p", R"(a"b)"}},
      {R"(p a\\"b c")", {"p", R"(a\b c)"}},
      {R"(p a\\\"b)", {"p", R"(a\"b)"}},
      {R"(p "a""b" "x""")", {"p", R"(a"b)", R"(x")"}},
      {R"(p """a""")", {"p", R"("a")"}},
      {R"(p "" x "")", {"p", "", "x", ""}},
      {R"(p "open to the end)", {"p", "open to the end"}},
      {R"(p "C:\dir\\" next)", {"p", R"(C:\dir\)", "next"}},
      // A Shift-JIS trail byte 0x5C is not a backslash: the quote closes.
      {"p \"\x95\x5C\" x", {"p", "\x95\x5C", "x"}},
      {"p \x95\x5C\"a b\"", {"p", "\x95\x5C" "a b"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.expected) << c.line;
  }
}

// --- turning output into lines ----------------------------------------------

TEST(ConsoleOutputWriter, AssemblesChunksIntoLines) {
  struct Case {
    const char* name;
    std::vector<std::string> chunks;  // each one flushed on its own
    Lines expected;                   // lines inserted, in order
  };
  const Case cases[] = {
      {"carry-over", {"hel", "lo\nwor", "ld\n"}, {"hello ", "world "}},
      {"blank lines kept in the middle, dropped at the end",
       {"a\n\nb\n\n\n"}, {"a ", " ", "b "}},
      {"blank lines at the end of each chunk", {"a\n\n", "\nb\n"}, {"a ", " ", "b "}},
      {"line ends", {"a\r\nb\rc\n\r\nd\n"}, {"a ", "b ", "c ", " ", "d "}},
      {"trailing blanks only at the end of the text", {"x  \ny \t\x01\n"}, {"x   ", "y "}},
      {"CR and LF split between chunks", {"a\r", "\nb\n"}, {"a ", "b "}},
      {"last line without a line feed", {"a\nlast"}, {"a ", "last "}},
      {"only blanks", {"  \n\n\t"}, {}},
      {"NUL bytes are dropped, the rest is kept", {std::string("a\0b\nc\0", 7)}, {"ab ", "c "}},
  };
  for (const Case& c : cases) {
    FakeView view;
    view.lines = {"header", ""};
    ConsoleOutputWriter writer(view);
    for (const std::string& chunk : c.chunks) {
      writer.Add(chunk);
      writer.Flush();
    }
    writer.Finish();
    Lines expected = {"header"};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    expected.push_back("");
    EXPECT_EQ(view.lines, expected) << c.name;
  }
}

TEST(ConsoleOutputWriter, ConvertsTheRunsJapaneseCode) {
  // あい in EUC-JP could be Shift-JIS as well; ん (A4 F3) decides EUC-JP,
  // and the line shown before is converted too.
  const std::string eucAi = "\xA4\xA2\xA4\xA4";
  const std::string eucN = "\xA4\xF3";
  const std::string sjisAi = "\x82\xA0\x82\xA2";  // あい
  const std::string sjisN = "\x82\xF1";           // ん
  const std::string sjisKan = "\x8A\xBF";         // 漢
  struct Case {
    const char* name;
    std::vector<std::string> chunks;
    Lines expected;
    TKanjiCode code;
  };
  const Case cases[] = {
      {"EUC-JP decided later", {eucAi + "\nascii\n", eucN + "\n"},
       {sjisAi + " ", "ascii ", sjisN + " "}, kcEuc},
      {"EUC-JP never decided stays", {eucAi + "\n"}, {eucAi + " "}, kcAscii},
      {"Shift-JIS left alone", {sjisKan + "\n" + eucN + "\n"}, {sjisKan + " ", eucN + " "}, kcSjis},
      {"JIS", {"a\x1B$B$\"\x1B(Bz\n"}, {"a\x82\xA0z "}, kcJisNew},
      {"a stray binary byte does not hide the code",
       {"\x07" + eucN + "\n"}, {"\x07" + sjisN + " "}, kcEuc},
      // mknmz: /x/索引: 無効な (a UTF-8 name among EUC-JP): the name is no
      // EUC-JP, the rest decides it.
      {"a name in UTF-8 does not hide the EUC-JP around it",
       {"mknmz: /x/\xE7\xB4\xA2\xE5\xBC\x95: \xCC\xB5\xB8\xFA\xA4\xCA\n"},
       {"mknmz: /x/\x8D\xF5\x88\xF8: \x96\xB3\x8C\xF8\x82\xC8 "}, kcEuc},
  };
  for (const Case& c : cases) {
    FakeView view;
    view.lines = {""};
    ConsoleOutputWriter writer(view);
    for (const std::string& chunk : c.chunks) {
      writer.Add(chunk);
      writer.Flush();
    }
    writer.Finish();
    Lines expected = c.expected;
    expected.push_back("");
    EXPECT_EQ(view.lines, expected) << c.name;
    EXPECT_EQ(writer.Code(), c.code) << c.name;
  }
}

TEST(ConsoleOutputWriter, ShowsTheViewBeforeAnInsertErrorGoesOn) {
  FakeView view;
  view.lines = {""};
  view.insertsBeforeThrow = 1;
  ConsoleOutputWriter writer(view);
  writer.Add("a\nb\nc\n");
  EXPECT_THROW(writer.Flush(), std::runtime_error);
  EXPECT_EQ(view.lines, (Lines{"a ", ""}));
  EXPECT_EQ(view.shows, 1);
}

// --- running programs -----------------------------------------------------------

class RunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("tavirel_runner_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    dir_ = folder_.string();
    recorder_.view = &view_;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  intptr_t Capture(const std::string& commandLine) {
    return RunConsoleProcess(commandLine, dir_, psmCaptured, &view_, recorder_.Callbacks());
  }

  std::filesystem::path folder_;
  std::string dir_;
  FakeView view_;
  Recorder recorder_;
};

TEST_F(RunnerTest, CapturedRunShowsHeaderOutputAndEnd) {
  const std::string command = Sh("printf 'one\\n\\ntwo  \\nthree\\n'; echo err 1>&2");
  view_.tag = 7;
  EXPECT_NE(Capture(command), 0);
  EXPECT_EQ(view_.lines, (Lines{"WorkDir: " + dir_, "CommandLine: ", command, "", "one ", " ",
                                "two   ", "three ", "err ", "", ""}));
  EXPECT_EQ(view_.tag, 1);
  EXPECT_GE(view_.shows, 2);
  EXPECT_TRUE(recorder_.messages.empty());
}

TEST_F(RunnerTest, SecondRunFollowsAfterFourEmptyLines) {
  ASSERT_NE(Capture(Sh("echo first")), 0);
  ASSERT_NE(Capture(Sh("echo second")), 0);
  const Lines& lines = view_.lines;
  auto first = std::find(lines.begin(), lines.end(), "first ");
  ASSERT_NE(first, lines.end());
  ASSERT_GE(lines.end() - first, 6);
  EXPECT_EQ(Lines(first + 1, first + 5), (Lines{"", "", "", ""}));
  EXPECT_EQ(*(first + 5), "WorkDir: " + dir_);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "second "), lines.end());
}

TEST_F(RunnerTest, LastLineWithoutLineFeedIsShown) {
  ASSERT_NE(Capture(Sh("printf 'a\\nlast'")), 0);
  EXPECT_EQ(OutputOf(view_.lines), (Lines{"a ", "last "}));
}

TEST_F(RunnerTest, ProgramThatCannotStart) {
  const std::string script = (folder_ / "script").string();
  std::ofstream(script) << "#!/bin/sh\necho hi\n";
  ::chmod(script.c_str(), 0644);
  struct Case {
    std::string command;
    std::string workDir;
    int error;
  };
  const Case cases[] = {
      {"/nonexistent/prog arg", dir_, ENOENT},
      {"no-such-program-anywhere arg", dir_, ENOENT},
      {"\"" + script + "\" x", dir_, EACCES},
      {"/bin/sh -c true", dir_ + "/missing", ENOENT},
  };
  for (const Case& c : cases) {
    FakeView view;
    view.lines = {"before"};
    Recorder recorder;
    EXPECT_EQ(RunConsoleProcess(c.command, c.workDir, psmCaptured, &view, recorder.Callbacks()),
              0);
    ASSERT_EQ(recorder.messages.size(), 1u) << c.command;
    EXPECT_EQ(recorder.messages[0], StartFailureMessage(c.workDir, c.command, c.error));
    // Nothing after the header lines.
    EXPECT_EQ(view.lines, (Lines{"before", "", "", "WorkDir: " + c.workDir, "CommandLine: ",
                                 c.command, "", ""}));
    EXPECT_EQ(view.tag, 1);

    for (TProcessShowMode mode : {psmHidden, psmNormal, psmMinimized}) {
      Recorder other;
      EXPECT_EQ(RunConsoleProcess(c.command, c.workDir, mode, nullptr, other.Callbacks()), 0);
      EXPECT_EQ(other.messages,
                (std::vector<std::string>{StartFailureMessage(c.workDir, c.command, c.error)}));
    }
  }
}

TEST_F(RunnerTest, ReportsHowTheProgramEnded) {
  const struct {
    std::string command;
    int exitCode;
  } cases[] = {{Sh("exit 0"), 0}, {Sh("exit 3"), 3}, {Sh("kill -9 $$"), 128 + 9},
               {"\"" + dir_ + "/no such program\"", -1}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.command);
    int exitCode = 12345;
    RunConsoleProcess(test.command, dir_, psmCaptured, &view_, recorder_.Callbacks(), acAsWritten,
                      &exitCode);
    EXPECT_EQ(exitCode, test.exitCode);
    exitCode = 12345;
    RunConsoleProcess(test.command, dir_, psmHidden, nullptr, recorder_.Callbacks(), acAsWritten,
                      &exitCode);
    EXPECT_EQ(exitCode, test.exitCode);
  }
}

TEST(RunnerMessages, StartFailureText) {
  // コマンドの実行に失敗しました。 / 作業ディレクトリ: / コマンド: / エラーコード：
  EXPECT_EQ(StartFailureMessage("/w", "cmd x", 2),
            "\x83\x52\x83\x7D\x83\x93\x83\x68\x82\xCC\x8E\xC0\x8D\x73\x82\xC9\x8E\xB8\x94\x73"
            "\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n\n"
            "\x8D\xEC\x8B\xC6\x83\x66\x83\x42\x83\x8C\x83\x4E\x83\x67\x83\x8A: /w\n"
            "\x83\x52\x83\x7D\x83\x93\x83\x68: cmd x\n"
            "\x83\x47\x83\x89\x81\x5B\x83\x52\x81\x5B\x83\x68\x81\x46 2");
}

TEST_F(RunnerTest, UnknownModeStartsNothing) {
  const std::string marker = (folder_ / "marker").string();
  for (int mode : {-1, 4, 99}) {
    EXPECT_EQ(RunConsoleProcess(Sh("touch " + marker), dir_, static_cast<TProcessShowMode>(mode),
                                &view_, recorder_.Callbacks()),
              0);
  }
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_TRUE(view_.lines.empty());
  EXPECT_TRUE(recorder_.messages.empty());
}

TEST_F(RunnerTest, UncapturedModesWaitForTheProgram) {
  // Without a display the visible modes run without a terminal.
  const char* display = std::getenv("DISPLAY");
  std::string savedDisplay = display ? display : "";
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  int n = 0;
  for (TProcessShowMode mode : {psmHidden, psmNormal, psmMinimized}) {
    const std::string marker = (folder_ / ("done" + std::to_string(n++))).string();
    // Standard input is empty, so cat ends at once.
    EXPECT_NE(RunConsoleProcess(Sh("cat; sleep 0.2; pwd -P > " + marker), dir_, mode, nullptr,
                                recorder_.Callbacks()),
              0);
    std::ifstream in(marker);
    std::string folder;
    std::getline(in, folder);
    EXPECT_EQ(std::filesystem::path(folder), std::filesystem::canonical(folder_));
  }
  if (display != nullptr) ::setenv("DISPLAY", savedDisplay.c_str(), 1);
  EXPECT_TRUE(recorder_.messages.empty());
}

TEST_F(RunnerTest, VisibleModesUseTheTerminalEmulator) {
  // A stand-in terminal that records its arguments and runs the command.
  const std::filesystem::path bin = folder_ / "bin";
  std::filesystem::create_directories(bin);
  const std::string record = (folder_ / "terminal-args").string();
  const std::string terminal = (bin / "x-terminal-emulator").string();
  std::ofstream(terminal) << "#!/bin/sh\nprintf '%s|' \"$@\" > '" << record
                          << "'\nshift\nexec \"$@\"\n";
  ::chmod(terminal.c_str(), 0755);
  const std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  const char* display = std::getenv("DISPLAY");
  const std::string savedDisplay = display ? display : "";
  ::setenv("PATH", (bin.string() + ":" + savedPath).c_str(), 1);
  ::setenv("DISPLAY", ":99", 1);

  const std::string marker = (folder_ / "ran").string();
  EXPECT_NE(RunConsoleProcess("sh -c \"sleep 0.2; touch " + marker + "\"", dir_, psmMinimized,
                              nullptr, recorder_.Callbacks()),
            0);
  EXPECT_TRUE(std::filesystem::exists(marker));  // waited for, through the terminal
  std::string args;
  std::getline(std::ifstream(record), args);
  EXPECT_TRUE(args == "-e|/usr/bin/sh|-c|sleep 0.2; touch " + marker + "|" ||
              args == "-e|/bin/sh|-c|sleep 0.2; touch " + marker + "|")
      << args;

  // A program that is not there is reported before any terminal opens.
  std::filesystem::remove(record);
  EXPECT_EQ(RunConsoleProcess("no-such-program-anywhere", dir_, psmNormal, nullptr,
                              recorder_.Callbacks()),
            0);
  EXPECT_FALSE(std::filesystem::exists(record));
  EXPECT_EQ(recorder_.messages,
            (std::vector<std::string>{StartFailureMessage(dir_, "no-such-program-anywhere",
                                                          ENOENT)}));

  // The captured and hidden modes never use it.
  ASSERT_NE(Capture("/bin/echo captured"), 0);
  EXPECT_FALSE(std::filesystem::exists(record));
  ::setenv("PATH", savedPath.c_str(), 1);
  if (display != nullptr) {
    ::setenv("DISPLAY", savedDisplay.c_str(), 1);
  } else {
    ::unsetenv("DISPLAY");
  }
}

TEST_F(RunnerTest, SilentProgramKeepsTheWindowAlive) {
  ASSERT_NE(Capture(Sh("sleep 0.5; echo done")), 0);
  // Events are handled throughout, always with the view marked busy.
  EXPECT_GE(recorder_.events, 3);
  for (int tag : recorder_.tagsDuringRun) EXPECT_EQ(tag, 0);
  EXPECT_EQ(OutputOf(view_.lines), (Lines{"done "}));
}

TEST_F(RunnerTest, BinaryOutputAndNulBytes) {
  ASSERT_NE(Capture(Sh("printf 'a\\000b\\377c\\n\\001\\002'")), 0);
  EXPECT_EQ(OutputOf(view_.lines), (Lines{"ab\xFF" "c "}));

  FakeView random;
  Recorder recorder;
  ASSERT_NE(RunConsoleProcess(Sh("head -c 2000000 /dev/urandom"), dir_, psmCaptured, &random,
                              recorder.Callbacks()),
            0);
  EXPECT_EQ(random.tag, 1);
  size_t bytes = 0;
  for (const std::string& line : random.lines) bytes += line.size();
  // Nothing after a NUL byte is lost.
  EXPECT_GT(bytes, 1900000u);
}

TEST_F(RunnerTest, OneLineOfFiveMegabytes) {
  constexpr size_t kSize = 5 * 1000 * 1000;
  ASSERT_NE(Capture(Sh("head -c " + std::to_string(kSize) + " /dev/zero | tr '\\000' x; echo;"
                       " head -c 100 /dev/zero | tr '\\000' y")),
            0);
  Lines output = OutputOf(view_.lines);
  ASSERT_EQ(output.size(), 2u);
  EXPECT_EQ(output[0], std::string(kSize, 'x') + " ");
  EXPECT_EQ(output[1], std::string(100, 'y') + " ");
}

TEST_F(RunnerTest, EucOutputBecomesShiftJis) {
  // あい (undecided), then ん, which shows the run writes EUC-JP.
  ASSERT_NE(Capture(Sh("printf 'x \\244\\242\\244\\244\\n'; sleep 0.2; printf '\\244\\363\\n'")), 0);
  EXPECT_EQ(OutputOf(view_.lines), (Lines{"x \x82\xA0\x82\xA2 ", "\x82\xF1 "}));
}

TEST_F(RunnerTest, ProgramsRunInTheProgramsCodePage) {
  ::setenv("LC_ALL", "C.UTF-8", 1);
  ::setenv("LANGUAGE", "en", 1);
  ::setenv("TAVIREL_TEST_KEPT", "yes", 1);
  ASSERT_NE(Capture("/usr/bin/env"), 0);
  ::unsetenv("LC_ALL");
  ::unsetenv("LANGUAGE");
  ::unsetenv("TAVIREL_TEST_KEPT");
  Lines output = OutputOf(view_.lines);
  auto has = [&](const std::string& line) {
    return std::find(output.begin(), output.end(), line) != output.end();
  };
  EXPECT_TRUE(has("LANG=ja_JP.SJIS "));
  EXPECT_TRUE(has("PERL_BADLANG=0 "));
  EXPECT_TRUE(has("TAVIREL_TEST_KEPT=yes "));
  for (const std::string& line : output) {
    for (const char* dropped : {"LC_ALL=", "LC_CTYPE=", "LC_MESSAGES=", "LANGUAGE="}) {
      EXPECT_NE(line.rfind(dropped, 0), 0u) << line;
    }
  }
}

TEST_F(RunnerTest, ArgumentsReachTheProgramUnchanged) {
  // A Shift-JIS argument with a 0x5C trail byte, quotes and backslashes.
  ASSERT_NE(Capture("/bin/sh -c \"printf '[%s]\\n' \\\"$@\\\"\" sh \"\x95\x5C\" a\\\"b \"c d\""),
            0);
  EXPECT_EQ(OutputOf(view_.lines), (Lines{"[\x95\x5C] ", "[a\"b] ", "[c d] "}));
}

// File and folder arguments reach the program in the file system's code,
// everything else as the command line's Shift-JIS bytes.
TEST_F(RunnerTest, FileNameArgumentsReachTheProgramInUtf8) {
  const std::string sjis = "\x93\xFA\x96\x7B";   // 日本
  const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC";
  // A program that writes its arguments, one a line, to a file: the view
  // would show names in UTF-8 converted for the screen.
  const std::string printer = dir_ + "/printargs";
  const std::string written = dir_ + "/args.txt";
  std::ofstream(printer) << "#!/bin/sh\nfor a; do printf '[%s] \\n' \"$a\"; done > " + written + "\n";
  ::chmod(printer.c_str(), 0755);
  struct Case {
    TArgumentCoding coding;
    std::string arguments;
    Lines expected;
  };
  const Case cases[] = {
      {acAsWritten, "x " + sjis, {"[x] ", "[" + sjis + "] "}},
      // namazu: the formula stays, the folder, -o value and --output= value change.
      {acNamazu, "-o /r/" + sjis + " --output=/" + sjis + " -n 5 -- " + sjis + " /i/" + sjis,
       {"[-o] ", "[/r/" + utf8 + "] ", "[--output=/" + utf8 + "] ", "[-n] ", "[5] ", "[--] ",
        "[" + sjis + "] ", "[/i/" + utf8 + "] "}},
      // mknmz: targets, -O and abbreviated long options name files; -t does not.
      {acMknmz, "-O/" + sjis + " --out " + sjis + " -t " + sjis + " --exclude=" + sjis + " /" + sjis,
       {"[-O/" + utf8 + "] ", "[--out] ", "[" + utf8 + "] ", "[-t] ", "[" + sjis + "] ",
        "[--exclude=" + utf8 + "] ", "[/" + utf8 + "] "}},
  };
  for (const Case& c : cases) {
    view_.lines.clear();
    ASSERT_NE(RunConsoleProcess(printer + " " + c.arguments, dir_, psmCaptured, &view_,
                                recorder_.Callbacks(), c.coding),
              0);
    std::ifstream file(written);
    Lines arguments;
    for (std::string line; std::getline(file, line);) arguments.push_back(line);
    EXPECT_EQ(arguments, c.expected) << c.arguments;
  }
}

// Quoting and splitting give every argument back, whatever it holds.
TEST(Arguments, QuoteThenSplitGivesTheArgumentBack) {
  const std::string cases[] = {"",       "plain",         "a b",    "a\"b",      "a\\\"b",
                               "end\\", "\\\\\"x\"\\", "\x95\x5C", "\x95\x5C\"", "--output=/x \"y\"",
                               "\x83",   "\t tab", "\x83\"", "\x83\\"};
  std::vector<std::string> all;
  std::string line;
  for (const std::string& text : cases) {
    EXPECT_EQ(SplitArguments(QuoteArgument(text)), std::vector<std::string>{text}) << text;
    all.push_back(text);
    line += QuoteArgument(text) + " ";
  }
  EXPECT_EQ(SplitArguments(line), all);
  // A program path never leaves the first argument.
  EXPECT_EQ(SplitCommandLine(QuoteProgram("/usr/bin/perl\" -e \"system(1)") + " x").size(), 2u);
}

TEST(Arguments, StrayExtraOptions) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"-n", "5", "-s"}, nullptr},          {{"--sort", "date"}, nullptr},
      {{"--max=5", "--norc"}, nullptr},      {{"-n5"}, nullptr},
      {{"--"}, "--"},                        {{"word"}, "word"},
      {{"-s", "word"}, "word"},              {{"-"}, "-"},
  };
  for (const auto& [options, stray] : cases) {
    const auto found = StrayNamazuArgument(options);
    EXPECT_EQ(found.has_value(), stray != nullptr);
    if (stray && found) {
      EXPECT_EQ(*found, stray);
    }
  }
}

TEST_F(RunnerTest, InsertErrorStillEndsTheRun) {
  view_.insertsBeforeThrow = 0;
  EXPECT_THROW(Capture(Sh("echo a")), std::runtime_error);
  EXPECT_EQ(view_.tag, 1);
}

}  // namespace
}  // namespace tavirel
