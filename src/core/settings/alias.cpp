#include "core/settings/alias.h"

#include <algorithm>

#include "core/settings/inifile.h"
#include "platform/platform.h"

namespace tavirel {
namespace {

// "aliases.ini は通常のファイルではないため読み込めません。"
constexpr std::string_view NotRegularMessage =
    "aliases.ini \x82\xCD\x92\xCA\x8F\xED\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xC5"
    "\x82\xCD\x82\xC8\x82\xA2\x82\xBD\x82\xDF\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9"
    "\x82\xF1\x81\x42";
// "aliases.ini が大きすぎるため読み込めません (4 MB まで)。"
constexpr std::string_view TooLargeMessage =
    "aliases.ini \x82\xAA\x91\xE5\x82\xAB\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x93\xC7"
    "\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1 (4 MB \x82\xDC\x82\xC5)\x81\x42";
// "aliases.ini はテキストファイルではないため読み込めません。"
constexpr std::string_view NotTextMessage =
    "aliases.ini \x82\xCD\x83\x65\x83\x4C\x83\x58\x83\x67\x83\x74\x83\x40\x83\x43\x83\x8B"
    "\x82\xC5\x82\xCD\x82\xC8\x82\xA2\x82\xBD\x82\xDF\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC"
    "\x82\xB9\x82\xF1\x81\x42";
// "aliases.ini を読み込めません: "
constexpr std::string_view UnreadableMessage =
    "aliases.ini \x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1: ";

// A count as the file gives it: not a number or below 1 means none; more
// than MaxAliasEntries is read as MaxAliasEntries.
int ReadCount(const TIniFile& ini, const std::string& section, std::string_view key) {
  const int count = ReadProfileInt(ini, section, key, 0);
  return std::clamp(count, 0, MaxAliasEntries);
}

std::string Numbered(std::string_view name, int n) { return std::string(name) + std::to_string(n); }

}  // namespace

std::string AliasFilePath(std::string_view programFolder, PathStyle style) {
  return AddTrailingBackslash(programFolder, style) + "aliases.ini";
}

TAliasFile ParseAliasText(std::string_view text) {
  const TIniFile ini(text);
  TAliasFile file;

  int budget = MaxAliasTotalEntries;
  const int aliasCount = ReadCount(ini, "DirAliasList", "Count");
  for (int n = 1; n <= aliasCount; ++n) {
    file.AliasNames.push_back(ReadProfileString(ini, "DirAliasList", Numbered("Alias", n), ""));
    const std::string section = Numbered("DirAlias", n);
    const int dirCount = std::min(ReadCount(ini, section, "DirCount"), budget);
    budget -= dirCount;
    std::string directories;
    for (int m = 1; m <= dirCount; ++m) {
      const std::string directory = ReadProfileString(ini, section, Numbered("Directory", m), "");
      if (TrimBlanks(directory).empty()) continue;
      if (!directories.empty()) directories += "\r\n";
      directories += directory;
    }
    file.DirAliasDirectories.push_back(std::move(directories));
  }

  budget = MaxAliasTotalEntries;
  const int groupCount = ReadCount(ini, "QueryGroupList", "Count");
  for (int n = 1; n <= groupCount; ++n) {
    file.GroupNames.push_back(ReadProfileString(ini, "QueryGroupList", Numbered("Group", n), ""));
    const std::string section = Numbered("QueryGroup", n);
    const int queryCount = std::min(ReadCount(ini, section, "QueryCount"), budget);
    budget -= queryCount;
    TQueryGroup group;
    for (int m = 1; m <= queryCount; ++m) {
      std::string query = ReadProfileString(ini, section, Numbered("Query", m), "");
      std::string caption = ReadProfileString(ini, section, Numbered("Caption", m), "");
      group.Captions.push_back(caption.empty() ? query : std::move(caption));
      group.Queries.push_back(std::move(query));
      group.Ticked.push_back(false);
    }
    file.QueryGroups.push_back(std::move(group));
  }
  return file;
}

TAliasFile LoadAliasFile(const std::string& path) {
  TAliasFile file;
  const platform::FileAttributes attributes = platform::GetFileAttributes(path);
  if (!attributes.exists) return file;
  if (!attributes.regular) {
    file.Error = NotRegularMessage;
    return file;
  }
  if (attributes.size > MaxAliasFileBytes) {
    file.Error = TooLargeMessage;
    return file;
  }
  std::string text;
  std::string error;
  if (!platform::ReadWholeFile(path, text, &error)) {
    file.Error = std::string(UnreadableMessage) + error;
    return file;
  }
  // The file may have grown since its size was read.
  if (text.size() > MaxAliasFileBytes) {
    file.Error = TooLargeMessage;
    return file;
  }
  if (text.find('\0') != std::string::npos) {
    file.Error = NotTextMessage;
    return file;
  }
  return ParseAliasText(text);
}

std::vector<std::string> CollectTickedQueries(const std::vector<TQueryGroup>& groups) {
  std::vector<std::string> ticked;
  for (const TQueryGroup& group : groups) {
    const size_t count = std::min(group.Queries.size(), group.Ticked.size());
    for (size_t i = 0; i < count; ++i) {
      if (group.Ticked[i]) ticked.push_back(group.Queries[i]);
    }
  }
  return ticked;
}

std::string BuildQueryText(const std::vector<std::string>& formulas, bool useOr) {
  std::string text;
  if (!useOr) {
    for (size_t i = 0; i < formulas.size(); ++i) {
      if (i > 0) text += ' ';
      text += formulas[i];
    }
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return std::string(TrimBlanks(text));
  }
  for (const std::string& formula : formulas) {
    if (formula.size() >= 2 && formula.front() == '(' && formula.back() == ')') {
      text += " or " + formula;
    } else {
      text += " or ( " + formula + " )";
    }
  }
  return text.size() >= 4 ? text.substr(4) : std::string();
}

std::string SelectedAliasDirectories(const TAliasFile& file, const std::vector<int>& selected) {
  std::string text;
  for (size_t i = 0; i < file.DirAliasDirectories.size(); ++i) {
    if (std::find(selected.begin(), selected.end(), static_cast<int>(i)) == selected.end()) {
      continue;
    }
    std::string_view lines = file.DirAliasDirectories[i];
    while (!lines.empty()) {
      const size_t end = lines.find("\r\n");
      text += ' ';
      text += lines.substr(0, end);
      if (end == std::string_view::npos) break;
      lines.remove_prefix(end + 2);
    }
  }
  return std::string(TrimBlanks(text));
}

}  // namespace tavirel
