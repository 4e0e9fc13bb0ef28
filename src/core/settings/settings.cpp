// The settings file. Default paths are those of this platform's Namazu
// packages; the Windows 95 / NT 4.0 defaults never apply here.
#include "core/settings/settings.h"

#include <algorithm>
#include <string_view>

#include "platform/platform.h"
#include "core/process/ucommon.h"
#include "core/settings/inifile.h"

namespace tavirel {

TSettings Settings;

namespace {

// Default values (platform.md's table replaces the Windows paths).
constexpr std::string_view DefaultIndexDirectory = "/var/lib/namazu/index";
constexpr std::string_view DefaultNamazurcPath = "/etc/namazu/namazurc";
constexpr std::string_view DefaultNavigatorPath = "/usr/bin/firefox";
constexpr std::string_view DefaultNamazuPath = "/usr/bin/namazu";
constexpr std::string_view DefaultMknmzPath = "/usr/bin/mknmz";
constexpr std::string_view DefaultPerlPathNew = "/usr/bin/perl";      // "C:\Perl\Bin\Perl.exe"
constexpr std::string_view DefaultPerlPathMissing = "/usr/bin/perl";  // "C:\Perl\bin\perl.exe"
constexpr std::string_view DefaultPnamazuPath = "/usr/local/pnamazu/pnamazu.pl";
constexpr std::string_view DefaultMknmzOption = "--use-kakasi -EHK --all";
// "ＭＳ Ｐゴシック" and "ＭＳ ゴシック" in Shift-JIS.
constexpr std::string_view DefaultFontNameResult =
    "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
constexpr std::string_view DefaultFontNameText =
    "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

// Windows 95 / NT 4.0 took other defaults; never the case here.
constexpr bool IsOs40 = false;

std::string Key(std::string_view base, size_t number) {
  return std::string(base) + std::to_string(number);
}

}  // namespace

int SettingsInt(const std::string& value, int fallback) {
  return ParseDecimalInt(value, fallback);
}

std::string SettingsFileNameFor(const std::string& programPath, PathStyle style) {
  const char separator = style == PathStyle::Windows ? '\\' : '/';
  // Where the file name begins and where its extension (last ".") begins;
  // trail bytes of double-byte characters are skipped while scanning.
  size_t nameStart = 0;
  size_t dot = std::string::npos;
  for (size_t i = 0; i < programPath.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(programPath[i]);
    if (IsSjisLeadByte(c) && i + 1 < programPath.size()) {
      ++i;
      continue;
    }
    if (c == static_cast<unsigned char>(separator) ||
        (style == PathStyle::Windows && c == ':')) {
      nameStart = i + 1;
      dot = std::string::npos;
    } else if (c == '.') {
      dot = i;
    }
  }
  std::string result =
      dot == std::string::npos ? programPath + ".ini" : programPath.substr(0, dot) + ".ini";
  if (style == PathStyle::Windows) return AsciiLowerSjis(result);
  return result.substr(0, nameStart) + AsciiLowerSjis(std::string_view(result).substr(nameStart));
}

std::string SettingsFileNameFor(const std::string& programPath) {
  return SettingsFileNameFor(programPath, NativePathStyle);
}

std::string InitSettings(const std::string& iniFileName) {
  Settings.IniFileName = iniFileName;
  // Partial copies left by a save that was killed; a minute old at least, so
  // that a save running in another copy of the program keeps its file.
  platform::RemoveStaleTempFiles(Settings.IniFileName, 60);
  if (!platform::FileExists(Settings.IniFileName)) WriteDefaultSettings(Settings.IniFileName);
  LoadSettings(Settings, Settings.IniFileName);
  return SettingsFileRefusal(Settings.IniFileName);
}

std::string SettingsFileRefusal(const std::string& path) {
  std::string contents;
  platform::ReadFailure failure = platform::ReadFailure::None;
  if (platform::ReadWholeFile(path, contents, nullptr, MaxSettingsFileBytes, &failure)) return {};
  std::string message = FileRefusedMessage(failure, MaxSettingsFileBytes, path);
  if (message.empty()) return message;
  // 既定の設定で起動します。この設定ファイルには書き込みません。
  message += "\r\n\x8a\xf9\x92\xe8\x82\xcc\x90\xdd\x92\xe8\x82\xc5\x8b\x4e\x93\xae\x82\xb5"
             "\x82\xdc\x82\xb7\x81\x42\x82\xb1\x82\xcc\x90\xdd\x92\xe8\x83\x74\x83\x40\x83\x43"
             "\x83\x8b\x82\xc9\x82\xcd\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x82\xdc\x82\xb9\x82\xf1"
             "\x81\x42";
  return message;
}

namespace {

// Reads the file that a write starts from. A missing file starts empty; an
// existing file that cannot be read is not overwritten (false).
bool ReadForRewrite(const std::string& path, TIniFile& ini) {
  if (ini.LoadFromFile(path)) return true;
  return !platform::GetFileAttributes(path).exists;
}

void WriteDefaults(TIniFile& ini) {
  // Window
  ini.WriteString("Window", "SavePosition", "0");
  ini.WriteString("Window", "ScreenType", "Normal");
  ini.WriteString("Window", "StayOnTop", "0");
  ini.WriteString("Window", "ShowIndexDir", "1");
  ini.WriteString("Window", "ShowStatusBar", "1");
  ini.WriteString("Window", "HideSearchButton", "0");
  ini.WriteString("Window", "ShowExplanation", IsOs40 ? "0" : "1");
  // Search
  ini.WriteString("Search", "DirectoryCount", "1");
  ini.WriteString("Search", "Directory1", DefaultIndexDirectory);
  ini.WriteString("Search", "FormulaHistoryCount", "10");
  ini.WriteString("Search", "Sort", "None");
  ini.WriteString("Search", "SortDirection", "None");
  ini.WriteString("Search", "ShowContents", "1");
  ini.WriteString("Search", "ListCount", "20");
  ini.WriteString("Search", "UseNamazurc", "0");
  ini.WriteString("Search", "NamazurcPath", DefaultNamazurcPath);
  ini.WriteString("Search", "SetIndexInNamazurc", "0");
  ini.WriteString("Search", "RelativePath", "0");
  // Result
  ini.WriteString("Result", "SearchOnChangeSettings", "0");
  ini.WriteString("Result", "ConfirmCommandLine", "0");
  ini.WriteString("Result", "ResultUseTempDir", "1");
  ini.WriteString("Result", "FontNameResult", DefaultFontNameResult);
  ini.WriteString("Result", "FontSizeResult", "9");
  ini.WriteString("Result", "FontBoldResult", "0");
  ini.WriteString("Result", "FontNameText", DefaultFontNameText);
  ini.WriteString("Result", "FontSizeText", "9");
  ini.WriteString("Result", "FontBoldText", "0");
  ini.WriteString("Result", "Color", "1");
  ini.WriteString("Result", "DisplayTo", "Text");
  ini.WriteString("Result", "FileNameBlankLineNext", "2");
  ini.WriteString("Result", "FileNameSpaceFromEnd", "2");
  ini.WriteString("Result", "UseDriveConstantsWebBrowser", "0");
  // Text
  ini.WriteString("Text", "Convert", "ToSJIS");
  ini.WriteString("Text", "DecodeHeader", "1");
  // Document
  ini.WriteString("Document", "HowToOpen", "Define");
  // Edit
  ini.WriteString("Edit", "CopyDefFileName", "");
  // WebBrowser
  ini.WriteString("WebBrowser", "DisplayTo", IsOs40 ? "External" : "Internal");
  ini.WriteString("WebBrowser", "Type", "NetscapeNavigator");
  ini.WriteString("WebBrowser", "NavigatorPath", DefaultNavigatorPath);
  // Mknmz
  ini.WriteString("Mknmz", "ConfirmCommandLine", "0");
  ini.WriteString("Mknmz", "ShowProcess", "Internal");
  // Command
  ini.WriteString("Command", "namazuPath", DefaultNamazuPath);
  ini.WriteString("Command", "mknmzPath", DefaultMknmzPath);
  ini.WriteString("Command", "PerlPath", DefaultPerlPathNew);
  ini.WriteString("Command", "pnamazuPath", DefaultPnamazuPath);
  ini.WriteString("Command", "namazuOption", "");
  ini.WriteString("Command", "mknmzOption", DefaultMknmzOption);
  ini.WriteString("Command", "NamazuVersion", "2.0");
  ini.WriteString("Command", "Usepnamazu", "0");
}

}  // namespace

void WriteDefaultSettings(const std::string& path) {
  TIniFile ini;
  if (!ReadForRewrite(path, ini)) return;
  WriteDefaults(ini);
  ini.SaveToFile(path);  // a failure is silent; the load then uses the fallbacks
}

void LoadSettings(TSettings& settings, const std::string& path) {
  TIniFile ini;
  ini.LoadFromFile(path);  // unreadable or missing: every key takes its fallback
  auto read = [&ini](std::string_view section, std::string_view key, std::string_view def) {
    return ini.ReadString(section, key, def);
  };

  // Window
  settings.SavePosition = read("Window", "SavePosition", "0");
  settings.ScreenType = read("Window", "ScreenType", "Normal");
  settings.StayOnTop = read("Window", "StayOnTop", "0");
  settings.ShowIndexDir = read("Window", "ShowIndexDir", "1");
  settings.ShowStatusBar = read("Window", "ShowStatusBar", "1");
  settings.ShowExplanation = read("Window", "ShowExplanation", "1");

  // Search: the directories.
  settings.DirectoryCount = read("Search", "DirectoryCount", "1");
  int directoryCount = SettingsInt(settings.DirectoryCount, 0);
  if (directoryCount < 1) {
    directoryCount = 1;
    settings.DirectoryCount = "1";
  }
  if (directoryCount > MaxListKeys) {
    directoryCount = MaxListKeys;
    settings.DirectoryCount = std::to_string(MaxListKeys);
  }
  settings.IndexDirectories.assign(static_cast<size_t>(directoryCount), std::string());
  for (int i = 0; i < directoryCount; ++i) {
    settings.IndexDirectories[static_cast<size_t>(i)] =
        read("Search", Key("Directory", static_cast<size_t>(i) + 1), "");
  }
  if (settings.IndexDirectories[0].empty()) {
    settings.IndexDirectories[0] = std::string(DefaultIndexDirectory);
  }

  // Search: the formula history.
  settings.FormulaHistoryCount = read("Search", "FormulaHistoryCount", "10");
  int historyCount = std::clamp(SettingsInt(settings.FormulaHistoryCount, 0), 0, MaxListKeys);
  settings.History.assign(static_cast<size_t>(historyCount), std::string());
  for (int i = 0; i < historyCount; ++i) {
    settings.History[static_cast<size_t>(i)] =
        read("Search", Key("History", static_cast<size_t>(i) + 1), "");
  }

  settings.Sort = read("Search", "Sort", "None");
  settings.SortDirection = read("Search", "SortDirection", "Descending");
  settings.ShowContents = read("Search", "ShowContents", "1");
  settings.ListCount = read("Search", "ListCount", "20");
  settings.UseNamazurc = read("Search", "UseNamazurc", "0");
  settings.NamazurcPath = read("Search", "NamazurcPath", DefaultNamazurcPath);
  settings.SetIndexInNamazurc = read("Search", "SetIndexInNamazurc", "0");
  settings.RelativePath = read("Search", "RelativePath", "0");

  // Result
  settings.SearchOnChangeSettings = read("Result", "SearchOnChangeSettings", "0");
  settings.ConfirmCommandLine = read("Result", "ConfirmCommandLine", "0");
  settings.ResultUseTempDir = read("Result", "ResultUseTempDir", "1");
  settings.FontNameResult = read("Result", "FontNameResult", DefaultFontNameResult);
  settings.FontSizeResult = read("Result", "FontSizeResult", "9");
  settings.FontBoldResult = read("Result", "FontBoldResult", "0");
  settings.FontNameText = read("Result", "FontNameText", DefaultFontNameText);
  settings.FontSizeText = read("Result", "FontSizeText", "9");
  settings.FontBoldText = read("Result", "FontBoldText", "0");
  settings.Color = read("Result", "Color", "1");
  settings.ResultDisplayTo = read("Result", "DisplayTo", "Text");
  settings.FileNameBlankLineNext = read("Result", "FileNameBlankLineNext", "2");
  settings.FileNameSpaceFromEnd = read("Result", "FileNameSpaceFromEnd", "2");
  settings.UseDriveConstantsWebBrowser = read("Result", "UseDriveConstantsWebBrowser", "0");

  // Text, Document
  settings.Convert = read("Text", "Convert", "ToSJIS");
  settings.DecodeHeader = read("Text", "DecodeHeader", "1");
  settings.HowToOpen = read("Document", "HowToOpen", "Define");

  // WebBrowser
  settings.WebBrowserDisplayTo = read("WebBrowser", "DisplayTo", "Internal");
  settings.BrowserType = read("WebBrowser", "Type", "NetscapeNavigator");
  settings.NavigatorPath = read("WebBrowser", "NavigatorPath", DefaultNavigatorPath);

  // Mknmz
  settings.ShowProcess = read("Mknmz", "ShowProcess", "Internal");
  settings.AutoUpdateIndex = read("Mknmz", "AutoUpdate", "0");

  // Command
  settings.namazuPath = read("Command", "namazuPath", DefaultNamazuPath);
  settings.mknmzPath = read("Command", "mknmzPath", DefaultMknmzPath);
  settings.PerlPath = read("Command", "PerlPath", DefaultPerlPathMissing);
  settings.pnamazuPath = read("Command", "pnamazuPath", DefaultPnamazuPath);
  settings.namazuOption = read("Command", "namazuOption", "");
  settings.mknmzOption = read("Command", "mknmzOption", DefaultMknmzOption);
  settings.NamazuVersion = read("Command", "NamazuVersion", "2.0");
  settings.Usepnamazu = read("Command", "Usepnamazu", "0");
}

void SaveSettings(TSettings& settings, const std::string& path) {
  // 1. A read-only file (or one whose attributes cannot be read) is never touched.
  if (IsReadOnlyFile(path)) return;
  // 2. The whole file; when it cannot be read the save is abandoned.
  TIniFile ini;
  if (!ini.LoadFromFile(path)) return;

  // 3. Window
  ini.WriteString("Window", "SavePosition", settings.SavePosition);
  ini.WriteString("Window", "StayOnTop", settings.StayOnTop);
  ini.WriteString("Window", "ShowIndexDir", settings.ShowIndexDir);
  ini.WriteString("Window", "ShowStatusBar", settings.ShowStatusBar);
  ini.WriteString("Window", "ScreenType", settings.ScreenType);
  ini.WriteString("Window", "ShowExplanation", settings.ShowExplanation);

  // 4. Search
  size_t directoryCount =
      std::min(settings.IndexDirectories.size(), static_cast<size_t>(MaxListKeys));
  settings.DirectoryCount = std::to_string(directoryCount);
  ini.WriteString("Search", "DirectoryCount", settings.DirectoryCount);
  for (size_t i = 0; i < directoryCount; ++i) {
    ini.WriteString("Search", Key("Directory", i + 1), settings.IndexDirectories[i]);
  }
  ini.WriteString("Search", "FormulaHistoryCount", settings.FormulaHistoryCount);
  int historyCount = std::clamp(SettingsInt(settings.FormulaHistoryCount, 0), 0, MaxListKeys);
  for (size_t i = 0; i < static_cast<size_t>(historyCount); ++i) {
    ini.WriteString("Search", Key("History", i + 1),
                    i < settings.History.size() ? settings.History[i] : std::string());
  }
  ini.WriteString("Search", "Sort", settings.Sort);
  ini.WriteString("Search", "ShowContents", settings.ShowContents);
  ini.WriteString("Search", "ListCount", settings.ListCount);
  ini.WriteString("Search", "UseNamazurc", settings.UseNamazurc);
  ini.WriteString("Search", "NamazurcPath", settings.NamazurcPath);
  ini.WriteString("Search", "SetIndexInNamazurc", settings.SetIndexInNamazurc);
  ini.WriteString("Search", "RelativePath", settings.RelativePath);

  // 5. Result ("DisplayTo" first), Text, Document, WebBrowser, Mknmz, Command
  ini.WriteString("Result", "DisplayTo", settings.ResultDisplayTo);
  ini.WriteString("Result", "SearchOnChangeSettings", settings.SearchOnChangeSettings);
  ini.WriteString("Result", "ConfirmCommandLine", settings.ConfirmCommandLine);
  ini.WriteString("Result", "ResultUseTempDir", settings.ResultUseTempDir);
  ini.WriteString("Result", "FontNameResult", settings.FontNameResult);
  ini.WriteString("Result", "FontSizeResult", settings.FontSizeResult);
  ini.WriteString("Result", "FontBoldResult", settings.FontBoldResult);
  ini.WriteString("Result", "FontNameText", settings.FontNameText);
  ini.WriteString("Result", "FontSizeText", settings.FontSizeText);
  ini.WriteString("Result", "FontBoldText", settings.FontBoldText);
  ini.WriteString("Result", "Color", settings.Color);
  ini.WriteString("Result", "FileNameBlankLineNext", settings.FileNameBlankLineNext);
  ini.WriteString("Result", "FileNameSpaceFromEnd", settings.FileNameSpaceFromEnd);
  ini.WriteString("Result", "UseDriveConstantsWebBrowser", settings.UseDriveConstantsWebBrowser);

  ini.WriteString("Text", "Convert", settings.Convert);
  ini.WriteString("Text", "DecodeHeader", settings.DecodeHeader);
  ini.WriteString("Document", "HowToOpen", settings.HowToOpen);

  ini.WriteString("WebBrowser", "DisplayTo", settings.WebBrowserDisplayTo);
  ini.WriteString("WebBrowser", "Type", settings.BrowserType);
  ini.WriteString("WebBrowser", "NavigatorPath", settings.NavigatorPath);

  ini.WriteString("Mknmz", "ShowProcess", settings.ShowProcess);
  if (settings.AutoUpdateIndex == "1") {
    ini.WriteString("Mknmz", "AutoUpdate", "1");
  } else {
    ini.DeleteKey("Mknmz", "AutoUpdate");
  }

  ini.WriteString("Command", "namazuPath", settings.namazuPath);
  ini.WriteString("Command", "mknmzPath", settings.mknmzPath);
  ini.WriteString("Command", "PerlPath", settings.PerlPath);
  ini.WriteString("Command", "pnamazuPath", settings.pnamazuPath);
  ini.WriteString("Command", "namazuOption", settings.namazuOption);
  ini.WriteString("Command", "mknmzOption", settings.mknmzOption);
  ini.WriteString("Command", "NamazuVersion", settings.NamazuVersion);
  ini.WriteString("Command", "Usepnamazu", settings.Usepnamazu);

  // 6. The whole file, replaced atomically; a failure is swallowed and leaves
  // the old file as it was.
  ini.SaveToFile(path);
}

}  // namespace tavirel
