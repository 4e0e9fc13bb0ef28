// The settings file. Default paths are those of this platform's Namazu
// packages; the Windows 95 / NT 4.0 defaults never apply here.
#include "core/settings/settings.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
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

// What a key holds beyond its own text.
enum class KeyKind : uint8_t {
  Text,            // one value
  DirectoryCount,  // followed by "Directory1".."DirectoryN"
  HistoryCount,    // followed by "History1".."HistoryN"
};

// One key of the settings file. `field` is null for a key that only a new
// file gets and the program never reads. `saveRank` is the key's place in a
// save (keys missing from the file are appended in that order); 0 for a key a
// save leaves as it is.
struct SettingsKey {
  std::string_view section;
  std::string_view key;
  std::string TSettings::*field;
  std::string_view written;   // what a new file holds
  std::string_view fallback;  // what a load takes when the key is missing
  int saveRank;
  KeyKind kind = KeyKind::Text;
};

using S = TSettings;

// Every key, in the order a new file holds them.
constexpr SettingsKey Keys[] = {
    {"Window", "SavePosition", &S::SavePosition, "0", "0", 1},
    {"Window", "ScreenType", &S::ScreenType, "Normal", "Normal", 5},
    {"Window", "StayOnTop", &S::StayOnTop, "0", "0", 2},
    {"Window", "ShowIndexDir", &S::ShowIndexDir, "1", "1", 3},
    {"Window", "ShowStatusBar", &S::ShowStatusBar, "1", "1", 4},
    {"Window", "HideSearchButton", nullptr, "0", "", 0},
    {"Window", "ShowExplanation", &S::ShowExplanation, IsOs40 ? "0" : "1", "1", 6},
    {"Search", "DirectoryCount", &S::DirectoryCount, "1", "1", 7, KeyKind::DirectoryCount},
    {"Search", "FormulaHistoryCount", &S::FormulaHistoryCount, "10", "10", 8,
     KeyKind::HistoryCount},
    {"Search", "Sort", &S::Sort, "None", "None", 9},
    {"Search", "SortDirection", &S::SortDirection, "None", "Descending", 0},
    {"Search", "ShowContents", &S::ShowContents, "1", "1", 10},
    {"Search", "ListCount", &S::ListCount, "20", "20", 11},
    {"Search", "UseNamazurc", &S::UseNamazurc, "0", "0", 12},
    {"Search", "NamazurcPath", &S::NamazurcPath, DefaultNamazurcPath, DefaultNamazurcPath, 13},
    {"Search", "SetIndexInNamazurc", &S::SetIndexInNamazurc, "0", "0", 14},
    {"Search", "RelativePath", &S::RelativePath, "0", "0", 15},
    {"Result", "SearchOnChangeSettings", &S::SearchOnChangeSettings, "0", "0", 17},
    {"Result", "ConfirmCommandLine", &S::ConfirmCommandLine, "0", "0", 18},
    {"Result", "ResultUseTempDir", &S::ResultUseTempDir, "1", "1", 19},
    {"Result", "FontNameResult", &S::FontNameResult, DefaultFontNameResult,
     DefaultFontNameResult, 20},
    {"Result", "FontSizeResult", &S::FontSizeResult, "9", "9", 21},
    {"Result", "FontBoldResult", &S::FontBoldResult, "0", "0", 22},
    {"Result", "FontNameText", &S::FontNameText, DefaultFontNameText, DefaultFontNameText, 23},
    {"Result", "FontSizeText", &S::FontSizeText, "9", "9", 24},
    {"Result", "FontBoldText", &S::FontBoldText, "0", "0", 25},
    {"Result", "Color", &S::Color, "1", "1", 26},
    {"Result", "DisplayTo", &S::ResultDisplayTo, "Text", "Text", 16},
    {"Result", "FileNameBlankLineNext", &S::FileNameBlankLineNext, "2", "2", 27},
    {"Result", "FileNameSpaceFromEnd", &S::FileNameSpaceFromEnd, "2", "2", 28},
    {"Result", "UseDriveConstantsWebBrowser", &S::UseDriveConstantsWebBrowser, "0", "0", 29},
    {"Text", "Convert", &S::Convert, "ToSJIS", "ToSJIS", 30},
    {"Text", "DecodeHeader", &S::DecodeHeader, "1", "1", 31},
    {"Document", "HowToOpen", &S::HowToOpen, "Define", "Define", 32},
    {"Edit", "CopyDefFileName", nullptr, "", "", 0},
    {"WebBrowser", "DisplayTo", &S::WebBrowserDisplayTo, IsOs40 ? "External" : "Internal",
     "Internal", 33},
    {"WebBrowser", "Type", &S::BrowserType, "NetscapeNavigator", "NetscapeNavigator", 34},
    {"WebBrowser", "NavigatorPath", &S::NavigatorPath, DefaultNavigatorPath,
     DefaultNavigatorPath, 35},
    {"Mknmz", "ConfirmCommandLine", nullptr, "0", "", 0},
    {"Mknmz", "ShowProcess", &S::ShowProcess, "Internal", "Internal", 36},
    {"Command", "namazuPath", &S::namazuPath, DefaultNamazuPath, DefaultNamazuPath, 37},
    {"Command", "mknmzPath", &S::mknmzPath, DefaultMknmzPath, DefaultMknmzPath, 38},
    {"Command", "PerlPath", &S::PerlPath, DefaultPerlPathNew, DefaultPerlPathMissing, 39},
    {"Command", "pnamazuPath", &S::pnamazuPath, DefaultPnamazuPath, DefaultPnamazuPath, 40},
    {"Command", "namazuOption", &S::namazuOption, "", "", 41},
    {"Command", "mknmzOption", &S::mknmzOption, DefaultMknmzOption, DefaultMknmzOption, 42},
    {"Command", "NamazuVersion", &S::NamazuVersion, "2.0", "2.0", 43},
    {"Command", "Usepnamazu", &S::Usepnamazu, "0", "0", 44},
};

// The table's indexes by place in a save; the keys a save leaves come first.
constexpr auto SaveOrder = [] {
  std::array<size_t, std::size(Keys)> order{};
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [](size_t a, size_t b) { return Keys[a].saveRank < Keys[b].saveRank; });
  return order;
}();

// The saved keys take the places 1, 2, 3, ... each once.
constexpr bool SaveRanksAreDistinct() {
  int expected = 1;
  for (size_t index : SaveOrder) {
    const int rank = Keys[index].saveRank;
    if (rank != 0 && rank != expected++) return false;
  }
  return true;
}
static_assert(SaveRanksAreDistinct(), "every saved key needs its own place in the save");

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
  for (const SettingsKey& k : Keys) {
    ini.WriteString(k.section, k.key, k.written);
    if (k.kind == KeyKind::DirectoryCount)
      ini.WriteString(k.section, "Directory1", DefaultIndexDirectory);
  }
}

}  // namespace

void WriteDefaultSettings(const std::string& path) {
  TIniFile ini;
  if (!ReadForRewrite(path, ini)) return;
  WriteDefaults(ini);
  ini.SaveToFile(path);  // a failure is silent; the load then uses the fallbacks
}

namespace {

// "DirectoryCount" and its directories. The count is at least 1 and at most
// MaxListKeys; an empty first directory takes the default one.
void LoadDirectories(TSettings& settings, const TIniFile& ini, const SettingsKey& k) {
  settings.DirectoryCount = ini.ReadString(k.section, k.key, k.fallback);
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
  for (size_t i = 0; i < settings.IndexDirectories.size(); ++i) {
    settings.IndexDirectories[i] = ini.ReadString(k.section, Key("Directory", i + 1), "");
  }
  if (settings.IndexDirectories[0].empty()) {
    settings.IndexDirectories[0] = std::string(DefaultIndexDirectory);
  }
}

// How many "History" keys "FormulaHistoryCount" asks for.
size_t HistoryKeyCount(const TSettings& settings) {
  return static_cast<size_t>(
      std::clamp(SettingsInt(settings.FormulaHistoryCount, 0), 0, MaxListKeys));
}

void LoadHistory(TSettings& settings, const TIniFile& ini, const SettingsKey& k) {
  settings.FormulaHistoryCount = ini.ReadString(k.section, k.key, k.fallback);
  settings.History.assign(HistoryKeyCount(settings), std::string());
  for (size_t i = 0; i < settings.History.size(); ++i) {
    settings.History[i] = ini.ReadString(k.section, Key("History", i + 1), "");
  }
}

// The count is the number of directories (at most MaxListKeys), stored back
// into the settings.
void SaveDirectories(TSettings& settings, TIniFile& ini, const SettingsKey& k) {
  const size_t directoryCount =
      std::min(settings.IndexDirectories.size(), static_cast<size_t>(MaxListKeys));
  settings.DirectoryCount = std::to_string(directoryCount);
  ini.WriteString(k.section, k.key, settings.DirectoryCount);
  for (size_t i = 0; i < directoryCount; ++i) {
    ini.WriteString(k.section, Key("Directory", i + 1), settings.IndexDirectories[i]);
  }
}

// As many "History" keys as the count asks for, empty beyond the history held.
void SaveHistory(const TSettings& settings, TIniFile& ini, const SettingsKey& k) {
  ini.WriteString(k.section, k.key, settings.FormulaHistoryCount);
  const size_t historyCount = HistoryKeyCount(settings);
  for (size_t i = 0; i < historyCount; ++i) {
    ini.WriteString(k.section, Key("History", i + 1),
                    i < settings.History.size() ? settings.History[i] : std::string());
  }
}

}  // namespace

void LoadSettings(TSettings& settings, const std::string& path) {
  TIniFile ini;
  ini.LoadFromFile(path);  // unreadable or missing: every key takes its fallback
  for (const SettingsKey& k : Keys) {
    if (k.field == nullptr) continue;
    switch (k.kind) {
      case KeyKind::Text:
        settings.*k.field = ini.ReadString(k.section, k.key, k.fallback);
        break;
      case KeyKind::DirectoryCount:
        LoadDirectories(settings, ini, k);
        break;
      case KeyKind::HistoryCount:
        LoadHistory(settings, ini, k);
        break;
    }
  }
  // Not among the keys a new file lists: it is written only while it is on.
  settings.AutoUpdateIndex = ini.ReadString("Mknmz", "AutoUpdate", "0");
}

void SaveSettings(TSettings& settings, const std::string& path) {
  // A read-only file (or one whose attributes cannot be read) is never touched.
  if (IsReadOnlyFile(path)) return;
  // The whole file; when it cannot be read the save is abandoned.
  TIniFile ini;
  if (!ini.LoadFromFile(path)) return;

  for (size_t index : SaveOrder) {
    const SettingsKey& k = Keys[index];
    if (k.saveRank == 0) continue;
    switch (k.kind) {
      case KeyKind::Text:
        ini.WriteString(k.section, k.key, settings.*k.field);
        break;
      case KeyKind::DirectoryCount:
        SaveDirectories(settings, ini, k);
        break;
      case KeyKind::HistoryCount:
        SaveHistory(settings, ini, k);
        break;
    }
  }
  if (settings.AutoUpdateIndex == "1") {
    ini.WriteString("Mknmz", "AutoUpdate", "1");
  } else {
    ini.DeleteKey("Mknmz", "AutoUpdate");
  }

  // The whole file, replaced atomically; a failure is swallowed and leaves
  // the old file as it was.
  ini.SaveToFile(path);
}

}  // namespace tavirel
