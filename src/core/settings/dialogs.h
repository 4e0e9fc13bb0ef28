// What the settings dialogs (options, namazurc, index directories) do that
// needs no window: the values their controls show and store, the checks on
// OK, the browse dialogs' start, the option help command lines, and the index
// directory list kept one path per line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/process/ucommon.h"
#include "core/settings/settings.h"

namespace tavirel {

// ---- Options dialog ----------------------------------------------------------

// The options dialog's controls as values. Radio groups are item indexes
// from 0; the two number fields are their texts.
struct TOptionValues {
  bool ShowExplanation = false;
  bool SaveWindowPos = false;
  int ResultOutput = 0;         // 0 "テキスト", 1 "Webブラウザ"
  std::string BlankLine;        // edtBlankLine
  std::string SpaceCount;       // edtSpaceCount
  bool SearchOnChangeSettings = false;
  bool SearchConfirmCmdLine = false;
  bool UseConstantInBrowser = false;
  bool UsePnamazu = false;
  int MknmzWindow = 0;          // 0 in the window, 1 DOS window
  bool AutoUpdateIndex = false;
  int WebBrowserOutputTo = 0;   // 0 internal, 1 external
  int WebBrowserType = 2;       // 0 Navigator, 1 Internet Explorer, 2 associated browser
  std::string NavigatorPath;
  std::string PerlPath;
  std::string MknmzPath;
  std::string NamazuPath;
  std::string PnamazuPath;
  std::string NamazuParams;
  bool UseTempDir = false;
};

// The up-down controls of the two number fields run from 0 to 9.
inline constexpr int ResultNumberMin = 0;
inline constexpr int ResultNumberMax = 9;

// The controls' values for the settings. A number field shows its setting
// as a number (0 when it is not one) held to the up-down range.
TOptionValues OptionValuesFromSettings(const TSettings& settings);
// Copies the values back (texts unchanged, switches "1"/"0", radio items as
// their words).
void StoreOptionValues(const TOptionValues& values, TSettings& settings);

// True when the text is a whole decimal number greater than 0.
bool IsPositiveNumberText(std::string_view text);

// "有効な数値を入力してください。"
inline constexpr std::string_view InvalidNumberMessage =
    "\x97\x4C\x8C\xF8\x82\xC8\x90\x94\x92\x6C\x82\xF0\x93\xFC\x97\xCD\x82\xB5\x82\xC4\x82\xAD"
    "\x82\xBE\x82\xB3\x82\xA2\x81\x42";

// The defaults of the path page's "初期値(&E)" on this platform.
struct TDefaultProgramPaths {
  std::string PerlPath, MknmzPath, NamazuPath;
};
TDefaultProgramPaths DefaultProgramPaths(PathStyle style);

// One run of the option help: a command line and its working folder.
struct TOptionHelpRun {
  std::string CommandLine;
  std::string WorkFolder;
};
// perl -v, perl mknmz --help and namazu --help, for the paths as typed
// (drive labels expanded, quotes the field may already carry not doubled),
// each run in its program's folder.
std::vector<TOptionHelpRun> OptionHelpRuns(std::string_view perlPath, std::string_view mknmzPath,
                                           std::string_view namazuPath,
                                           const std::vector<std::string>& driveConstantList,
                                           PathStyle style);

// ---- Browse dialogs ------------------------------------------------------------

// Where a browse dialog opens: the folder of `path` when that folder exists,
// otherwise `fallbackFolder`; and the file name part of `path` proposed.
// Enclosing quotes of `path` are ignored.
struct TBrowseStart {
  std::string Folder;
  std::string FileName;
};
TBrowseStart BrowseStartFor(std::string_view path, std::string_view fallbackFolder,
                            PathStyle style);

// A chosen path as it goes into a path field: in double quotes when it holds
// a blank.
std::string QuotePathWithBlanks(std::string_view path);

// A file type filter in the "caption|patterns|caption|patterns" form as a
// list of "caption (patterns)" entries for the platform's file dialog.
// Patterns separated by ";" become separated by blanks. On the Posix style
// "*.*" becomes "*" (files there need no dot), and a list whose patterns
// all ask for ".exe" gets "すべてのﾌｧｲﾙ (*)" added, since programs here
// carry no extension.
std::vector<std::string> FileDialogFilters(std::string_view filter, PathStyle style);

// ---- namazurc dialog -------------------------------------------------------------

// The file the editor opens for the path field's text: drive labels
// expanded, enclosing quotes removed.
std::string NamazurcEditPath(std::string_view fieldText,
                             const std::vector<std::string>& driveConstantList);

// ---- Index directory dialog -------------------------------------------------------

// The lines of a multi-line text (CR LF, LF or CR), without their breaks; a
// break at the very end starts no further line.
std::vector<std::string> SplitLines(std::string_view text);
// The first DirectoryCount entries of IndexDirectories (a count that is not a
// number counts as 0).
std::vector<std::string> DirectoriesForList(const TSettings& settings);
// Keeps the list in step with a tick: a ticked path that is no line yet is
// appended; an unticked path is removed. Lines match the path without regard
// to letter case. True when the list changed.
bool ApplyFolderTick(std::vector<std::string>& lines, std::string_view path, bool checked);
// Lines blank after trimming are dropped; the rest, untrimmed, are joined
// with one blank, a line with a blank in double quotes, and the result
// trimmed.
std::string JoinDirectoryLines(const std::vector<std::string>& lines);

// Replaces the index directory list by the parse of `text` and sets
// DirectoryCount and IndexDirectoriesText from it.
void SetIndexDirectoriesFromText(TSettings& settings, std::string_view text);

}  // namespace tavirel
