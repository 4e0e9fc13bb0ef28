// The settings record and its INI file beside the executable.
#pragma once

#include <string>
#include <vector>

#include "core/process/ucommon.h"

namespace tavirel {

// Every value is text, exactly as it stands in the file; readers interpret it
// (a switch is on only when it is exactly "1").
struct TSettings {
  // [Window]
  std::string SavePosition;
  std::string ScreenType;
  std::string StayOnTop;
  std::string ShowIndexDir;
  std::string ShowStatusBar;
  std::string ShowExplanation;
  // [Search]
  std::string DirectoryCount;
  std::string IndexDirectoriesText;   // not stored in the file
  std::string FormulaHistoryCount;
  std::string Sort;
  std::string SortDirection;
  std::string ShowContents;
  std::string ListCount;
  std::string UseNamazurc;
  std::string NamazurcPath;
  std::string SetIndexInNamazurc;
  std::string RelativePath;
  // [Result]
  std::string SearchOnChangeSettings;
  std::string ConfirmCommandLine;
  std::string ResultUseTempDir;
  std::string FontNameResult;
  std::string FontSizeResult;
  std::string FontBoldResult;
  std::string FontNameText;
  std::string FontSizeText;
  std::string FontBoldText;
  std::string Color;
  std::string ResultDisplayTo;        // key "DisplayTo" in [Result]
  std::string FileNameBlankLineNext;
  std::string FileNameSpaceFromEnd;
  std::string UseDriveConstantsWebBrowser;
  // [Text]
  std::string Convert;
  std::string DecodeHeader;
  // [Document]
  std::string HowToOpen;
  // [WebBrowser]
  std::string WebBrowserDisplayTo;    // key "DisplayTo" in [WebBrowser]
  std::string BrowserType;            // key "Type"
  std::string NavigatorPath;
  // [Mknmz]
  std::string ShowProcess;
  // "1": an index whose folders changed is updated by itself once the
  // changes have been quiet for a minute. Written only while it is on.
  std::string AutoUpdateIndex;        // key "AutoUpdate"
  // [Command]
  std::string NamazuVersion;
  std::string namazuPath;
  std::string mknmzPath;
  std::string PerlPath;
  std::string pnamazuPath;
  std::string namazuOption;
  std::string mknmzOption;
  std::string Usepnamazu;

  std::vector<std::string> IndexDirectories;   // "Directory1".."DirectoryN"
  std::vector<std::string> History;            // "History1".."HistoryN"
  std::string IniFileName;
};

// The one process-wide settings record.
extern TSettings Settings;

// The settings file that belongs to the executable at `programPath`: the
// extension replaced by ".ini" and the file name's ASCII letters lower-cased
// (folders keep their case on this platform).
std::string SettingsFileNameFor(const std::string& programPath);
// The same rule for either path style: with PathStyle::Windows the whole path
// is lower-cased, as Windows does
// ("D:\Apps\Search.EXE" -> "d:\apps\search.ini").
std::string SettingsFileNameFor(const std::string& programPath, PathStyle style);

// At most this many "Directory" and "History" keys are read or written, so
// that a huge "DirectoryCount" or "FormulaHistoryCount" in a damaged file
// cannot make the program allocate without bound. A "DirectoryCount" above it
// loads as this number.
inline constexpr int MaxListKeys = 1000;

// Takes `iniFileName` as Settings.IniFileName, removes stale temporary copies
// that a killed save left beside it, writes a file with the defaults there
// when there is none and loads it into Settings. A file that is refused (not
// a regular file, or larger than MaxSettingsFileBytes) is neither read nor
// ever written; the result is then the message to show (Shift-JIS), else empty.
std::string InitSettings(const std::string& iniFileName);
// The message for a settings file that is refused, empty when it is readable
// (or simply missing or unreadable, which the fallbacks cover).
std::string SettingsFileRefusal(const std::string& path);

void WriteDefaultSettings(const std::string& path);
void LoadSettings(TSettings& settings, const std::string& path);
void SaveSettings(TSettings& settings, const std::string& path);

// Integer value of a settings text, or `fallback` when it does not parse as a
// decimal integer in the range of int.
int SettingsInt(const std::string& value, int fallback);

}  // namespace tavirel
