#include "core/settings/dialogs.h"

#include <algorithm>

#include "core/settings/inifile.h"
#include "platform/platform.h"

namespace tavirel {
namespace {

// The setting is this word without regard to letter case.
bool IsWord(std::string_view value, std::string_view lowerWord) {
  return AsciiLowerSjis(value) == lowerWord;
}

std::string Switch(bool on) { return on ? "1" : "0"; }

std::string NumberFieldText(const std::string& setting) {
  const int value = ParseDecimalInt(setting, 0);
  return std::to_string(std::clamp(value, ResultNumberMin, ResultNumberMax));
}

// "すべてのﾌｧｲﾙ (*)"
constexpr std::string_view AllFilesFilter =
    "\x82\xB7\x82\xD7\x82\xC4\x82\xCC\xCC\xA7\xB2\xD9 (*)";

// A path with its enclosing double quotes removed.
std::string Unquoted(std::string_view path) {
  std::string_view trimmed = TrimBlanks(path);
  if (trimmed.size() >= 2 && trimmed.front() == '"' && trimmed.back() == '"') {
    return std::string(trimmed.substr(1, trimmed.size() - 2));
  }
  return std::string(path);
}

// The file name part of a path: what follows its last separator.
std::string FileNamePart(std::string_view path, PathStyle style) {
  const char separator = style == PathStyle::Windows ? '\\' : '/';
  size_t start = 0;
  for (size_t i = 0; i < path.size(); i += SjisCharLength(path, i)) {
    if (path[i] == separator || (style == PathStyle::Windows && path[i] == ':')) start = i + 1;
  }
  return std::string(path.substr(start));
}

}  // namespace

// ---- Options dialog ----------------------------------------------------------

TOptionValues OptionValuesFromSettings(const TSettings& settings) {
  TOptionValues values;
  values.ShowExplanation = settings.ShowExplanation == "1";
  values.SaveWindowPos = settings.SavePosition == "1";
  values.ResultOutput = IsWord(settings.ResultDisplayTo, "webbrowser") ? 1 : 0;
  values.BlankLine = NumberFieldText(settings.FileNameBlankLineNext);
  values.SpaceCount = NumberFieldText(settings.FileNameSpaceFromEnd);
  values.SearchOnChangeSettings = settings.SearchOnChangeSettings == "1";
  values.SearchConfirmCmdLine = settings.ConfirmCommandLine == "1";
  values.UseConstantInBrowser = settings.UseDriveConstantsWebBrowser == "1";
  values.UsePnamazu = settings.Usepnamazu == "1";
  values.MknmzWindow = IsWord(settings.ShowProcess, "doswindow") ? 1 : 0;
  values.AutoUpdateIndex = settings.AutoUpdateIndex == "1";
  values.WebBrowserOutputTo = IsWord(settings.WebBrowserDisplayTo, "external") ? 1 : 0;
  if (IsWord(settings.BrowserType, "navigator")) {
    values.WebBrowserType = 0;
  } else if (IsWord(settings.BrowserType, "internetexplorer")) {
    values.WebBrowserType = 1;
  } else {
    values.WebBrowserType = 2;
  }
  values.NavigatorPath = settings.NavigatorPath;
  values.PerlPath = settings.PerlPath;
  values.MknmzPath = settings.mknmzPath;
  values.NamazuPath = settings.namazuPath;
  values.PnamazuPath = settings.pnamazuPath;
  values.NamazuParams = settings.namazuOption;
  values.UseTempDir = settings.ResultUseTempDir == "1";
  return values;
}

void StoreOptionValues(const TOptionValues& values, TSettings& settings) {
  settings.ShowExplanation = Switch(values.ShowExplanation);
  settings.SavePosition = Switch(values.SaveWindowPos);
  settings.ResultDisplayTo = values.ResultOutput == 1 ? "WebBrowser" : "Text";
  settings.FileNameBlankLineNext = values.BlankLine;
  settings.FileNameSpaceFromEnd = values.SpaceCount;
  settings.SearchOnChangeSettings = Switch(values.SearchOnChangeSettings);
  settings.ConfirmCommandLine = Switch(values.SearchConfirmCmdLine);
  settings.UseDriveConstantsWebBrowser = Switch(values.UseConstantInBrowser);
  settings.Usepnamazu = Switch(values.UsePnamazu);
  settings.ShowProcess = values.MknmzWindow == 1 ? "DOSWindow" : "Internal";
  settings.AutoUpdateIndex = Switch(values.AutoUpdateIndex);
  settings.WebBrowserDisplayTo = values.WebBrowserOutputTo == 1 ? "External" : "Internal";
  static constexpr const char* browserTypes[] = {"Navigator", "InternetExplorer",
                                                 "DefaultBrowser"};
  settings.BrowserType = browserTypes[std::clamp(values.WebBrowserType, 0, 2)];
  settings.NavigatorPath = values.NavigatorPath;
  settings.PerlPath = values.PerlPath;
  settings.mknmzPath = values.MknmzPath;
  settings.namazuPath = values.NamazuPath;
  settings.pnamazuPath = values.PnamazuPath;
  settings.namazuOption = values.NamazuParams;
  settings.ResultUseTempDir = Switch(values.UseTempDir);
}

bool IsPositiveNumberText(std::string_view text) { return ParseDecimalInt(text, 0) > 0; }

TDefaultProgramPaths DefaultProgramPaths(PathStyle style) {
  if (style == PathStyle::Windows) {
    return {"C:\\Perl\\bin\\perl.exe", "C:\\namazu\\bin\\mknmz", "C:\\namazu\\bin\\namazu.exe"};
  }
  return {"/usr/bin/perl", "/usr/bin/mknmz", "/usr/bin/namazu"};
}

std::vector<TOptionHelpRun> OptionHelpRuns(std::string_view perlPath, std::string_view mknmzPath,
                                           std::string_view namazuPath,
                                           const std::vector<std::string>& driveConstantList,
                                           PathStyle style) {
  auto expand = [&](std::string_view path) {
    return Unquoted(ExpandDriveConstant(path, driveConstantList));
  };
  const std::string perl = expand(perlPath);
  const std::string mknmz = expand(mknmzPath);
  const std::string namazu = expand(namazuPath);
  auto quoted = [](const std::string& path) { return "\"" + path + "\""; };
  return {
      {quoted(perl) + " -v", ParentFolder(perl, style)},
      {quoted(perl) + " " + quoted(mknmz) + " --help", ParentFolder(mknmz, style)},
      {quoted(namazu) + " --help", ParentFolder(namazu, style)},
  };
}

// ---- Browse dialogs ------------------------------------------------------------

TBrowseStart BrowseStartFor(std::string_view path, std::string_view fallbackFolder,
                            PathStyle style) {
  const std::string unquoted = Unquoted(path);
  TBrowseStart start;
  start.Folder = ParentFolder(unquoted, style);
  if (start.Folder.empty() || !platform::DirectoryExists(start.Folder)) {
    start.Folder = std::string(fallbackFolder);
  }
  start.FileName = FileNamePart(unquoted, style);
  return start;
}

std::string QuotePathWithBlanks(std::string_view path) {
  if (path.find(' ') == std::string_view::npos) return std::string(path);
  return "\"" + std::string(path) + "\"";
}

std::vector<std::string> FileDialogFilters(std::string_view filter, PathStyle style) {
  std::vector<std::string> parts;
  while (true) {
    const size_t bar = filter.find('|');
    parts.emplace_back(filter.substr(0, bar));
    if (bar == std::string_view::npos) break;
    filter.remove_prefix(bar + 1);
  }
  std::vector<std::string> entries;
  bool onlyPrograms = true;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns;
    std::string_view rest = parts[i + 1];
    while (!rest.empty()) {
      const size_t semicolon = rest.find(';');
      std::string pattern(rest.substr(0, semicolon));
      if (style == PathStyle::Posix && pattern == "*.*") pattern = "*";
      if (!StartsWithNoCase(pattern, "*.exe") || pattern.size() != 5) onlyPrograms = false;
      if (!patterns.empty()) patterns += ' ';
      patterns += pattern;
      if (semicolon == std::string_view::npos) break;
      rest.remove_prefix(semicolon + 1);
    }
    // The caption shows its patterns in parentheses, and the file dialog
    // takes them from there: the parentheses hold the real patterns.
    std::string caption = parts[i];
    const size_t open = caption.rfind('(');
    if (open != std::string::npos && caption.back() == ')') {
      caption.erase(open);
    } else {
      caption += ' ';
    }
    entries.push_back(caption + "(" + patterns + ")");
  }
  if (style == PathStyle::Posix && onlyPrograms && !entries.empty()) {
    entries.emplace_back(AllFilesFilter);
  }
  return entries;
}

// ---- namazurc dialog -------------------------------------------------------------

std::string NamazurcEditPath(std::string_view fieldText,
                             const std::vector<std::string>& driveConstantList) {
  return Unquoted(ExpandDriveConstant(fieldText, driveConstantList));
}

// ---- Index directory dialog -------------------------------------------------------

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::vector<std::string> DirectoriesForList(const TSettings& settings) {
  const int count = std::max(0, ParseDecimalInt(settings.DirectoryCount, 0));
  const size_t n = std::min(settings.IndexDirectories.size(), static_cast<size_t>(count));
  return {settings.IndexDirectories.begin(),
          settings.IndexDirectories.begin() + static_cast<std::ptrdiff_t>(n)};
}

bool ApplyFolderTick(std::vector<std::string>& lines, std::string_view path, bool checked) {
  auto same = [path](const std::string& line) { return SameTextSjis(line, path); };
  const auto found = std::find_if(lines.begin(), lines.end(), same);
  if (checked) {
    if (found != lines.end()) return false;
    lines.emplace_back(path);
    return true;
  }
  if (found == lines.end()) return false;
  lines.erase(found);
  return true;
}

std::string JoinDirectoryLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (TrimBlanks(line).empty()) continue;
    text += QuotePathWithBlanks(line);
    text += ' ';
  }
  return std::string(TrimBlanks(text));
}

void SetIndexDirectoriesFromText(TSettings& settings, std::string_view text) {
  settings.IndexDirectories = ParseIndexDirectoryList(text);
  settings.DirectoryCount = std::to_string(settings.IndexDirectories.size());
  settings.IndexDirectoriesText = JoinQuotedDirectories(settings.IndexDirectories);
}

}  // namespace tavirel
