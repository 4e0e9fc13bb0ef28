// Reserved command lines: their line language, the command list files that
// keep them, and the run of a list one line after the other.
//
// A reserved line that starts with "*" names an action of this program:
//   *mknmz ARGS            run mknmz (through perl) with ARGS
//   *mkdir "FOLDER"        make the folder and its missing parents
//   *delete "FOLDER", "MASK"  delete the files of FOLDER matching MASK
//                          (only there: never in sub-folders)
//   *chdir "FOLDER"        change the current folder
// A line that starts with "!" is a command line run as it is. Any other line,
// a line that starts with a blank among them, does nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/process/runner.h"
#include "core/settings/settings.h"

namespace tavirel {

inline constexpr std::string_view CommandListHeader =
    "This is a 'tavirel for Namazu' Command Line List File.";

// A command list file larger than this is refused without being read.
inline constexpr uint64_t MaxCommandListBytes = 16u << 20;

// ---- Messages (Shift-JIS) ---------------------------------------------------

// コマンドを入力してください。
inline constexpr std::string_view EnterCommandMessage =
    "\x83R\x83}\x83\x93\x83h\x82\xF0\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2\x81" "B";
// 予約されたコマンドがありません。
inline constexpr std::string_view NoReservedCommandsMessage =
    "\x97\\\x96\xF1\x82\xB3\x82\xEA\x82\xBD\x83R\x83}\x83\x93\x83h\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B";
// ファイルが不正です。
inline constexpr std::string_view InvalidCommandListMessage =
    "\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x95s\x90\xB3\x82\xC5\x82\xB7\x81" "B";
// 通常のファイルではないため読み込めません。
inline constexpr std::string_view NotRegularFileMessage =
    "\x92\xCA\x8F\xED\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x82\xC5\x82\xCD\x82\xC8\x82\xA2\x82\xBD\x82\xDF\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81" "B";
// ファイルが大きすぎるため読み込めません (16MB まで)。
inline constexpr std::string_view CommandListTooLargeMessage =
    "\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x91\xE5\x82\xAB\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1 (16MB \x82\xDC\x82\xC5)\x81" "B";
// ファイルの読み込みに失敗しました。
inline constexpr std::string_view ReadFailedMessage =
    "\x83t\x83@\x83" "C\x83\x8B\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B";
// ファイルの保存に失敗しました。元のファイルはそのまま残っています。
inline constexpr std::string_view SaveFailedMessage =
    "\x83t\x83@\x83" "C\x83\x8B\x82\xCC\x95\xDB\x91\xB6\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81" "B\x8C\xB3\x82\xCC\x83t\x83@\x83" "C\x83\x8B\x82\xCD\x82\xBB\x82\xCC\x82\xDC\x82\xDC\x8E" "c\x82\xC1\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81" "B";

// ---- The line language --------------------------------------------------------

// What a reserved line asks for, read without doing anything.
enum class TReservedKind { None, Command, Mknmz, Mkdir, Delete, Chdir };
struct TReservedLine {
  TReservedKind Kind = TReservedKind::None;
  std::string Text;    // "!": the command line; "*mknmz": its arguments
  std::string Folder;  // "*mkdir", "*delete", "*chdir"
  std::string Mask;    // "*delete"
};
// Reads one reserved line. Words are case-sensitive; a line that starts with
// a blank, an unknown word, a word without arguments and a "*delete" or
// "*chdir" whose arguments are not in the quoted form are None.
TReservedLine ParseReservedLine(std::string_view line);


// Interprets one reserved line: performs the folder actions of "*mkdir",
// "*delete" and "*chdir" at once (their failures are ignored) and returns
// the command line to start, or "" when there is none.
std::string ExpandCommandLine(std::string_view line, const TSettings& settings);

// ---- Command list files --------------------------------------------------------

// The file's bytes: the header line, then every line, each ended by CR LF.
std::string FormatCommandList(const std::vector<std::string>& lines);
// The lines of a command list file (everything after the header line,
// untrimmed, blank lines included), or false when `bytes` is not one: fewer
// than two lines, a first line other than the header, or a NUL byte.
bool ParseCommandList(std::string_view bytes, std::vector<std::string>& lines);
// Every line trimmed, blank lines removed: the list as it is saved.
std::vector<std::string> TidyCommandList(const std::vector<std::string>& lines);

// Reads a command list file. Something other than a regular file, or a file
// larger than MaxCommandListBytes, is refused without being read. On failure
// `message` says why (Shift-JIS) and `lines` is untouched.
bool LoadCommandListFile(const std::string& path, std::vector<std::string>& lines,
                         std::string& message);
// Writes the file atomically: afterwards it is either the old file or the
// new one, never a part of it.
bool SaveCommandListFile(const std::string& path, const std::vector<std::string>& lines,
                         std::string& message);

// ---- Running a list --------------------------------------------------------------

// The first line of a text, trimmed ("" for a blank text).
std::string FirstCommandLine(std::string_view text);

// How a captured console run is started: RunConsoleProcess with the window's
// view, or something that stands in for it. `coding` tells which arguments
// name files and folders (acMknmz for the lines of "*mknmz"). Returns the
// program's exit code, or -1 when it could not be started.
using CommandStarter =
    std::function<int(std::string_view commandLine, std::string_view workDir,
                      TProcessShowMode mode, TArgumentCoding coding)>;

// How the program of one line ended.
struct TCommandResult {
  bool started = false;
  int exitCode = -1;  // the program's exit code when it was started
  bool Failed() const { return !started || exitCode != 0; }
};

struct CommandRunHooks {
  // Called before each line: its number from 1, the number of lines and the
  // line. Returns the text to interpret (the window shows the line in its
  // command field and interprets the field's text).
  std::function<std::string(int number, int count, const std::string& line)> beforeLine;
  CommandStarter start;
  // Called after each line that started a program (or tried to).
  std::function<void(int number, int count, const TCommandResult& result)> afterLine;
};

// What a run did.
struct TCommandRunSummary {
  int lines = 0;                 // lines run
  int started = 0;               // programs started
  std::vector<int> failedLines;  // numbers (from 1) of the lines whose program
                                 // failed to start or ended with a code other than 0
};

// The mode of the programs of a run: psmNormal when ShowProcess is exactly
// "DOSWindow", else psmCaptured.
TProcessShowMode CommandRunMode(const TSettings& settings);

// Runs the lines one after the other: the current folder is first set to the
// folder of mknmzPath (a failure is ignored), each line is interpreted by
// ExpandCommandLine and its command, if any, started in the current folder
// and waited for. A line that fails does not stop the others.
TCommandRunSummary RunCommandList(const std::vector<std::string>& lines, const TSettings& settings,
                                  const CommandRunHooks& hooks);

// What the run page shows after the output of a line that failed
// ("×コマンド 2 / 3 は失敗しました（終了コード 2）。"); empty for a line that
// succeeded.
std::string CommandFailureText(int number, int count, const TCommandResult& result);
// The progress label at the end of a run: "3 / 3 終了", "3 / 3 終了・失敗 1".
std::string RunEndProgressText(const TCommandRunSummary& summary);
// The status at the end of a run: "実行が終わりました。" and either
// "失敗したコマンドはありません。" or "失敗したコマンド: 2 件（1, 3 行目）".
std::string RunEndStatusText(const TCommandRunSummary& summary);

}  // namespace tavirel
