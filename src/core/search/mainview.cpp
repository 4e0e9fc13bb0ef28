#include "core/search/mainview.h"

#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "core/process/ucommon.h"
#include "core/settings/inifile.h"

namespace tavirel {

// ---- Layout ----------------------------------------------------------------------

bool IsWord(std::string_view value, std::string_view lowerWord) {
  return AsciiLowerSjis(value) == lowerWord;
}

bool IsNormalAppearance(std::string_view screenType) {
  return AsciiLowerSjis(screenType) == "normal";
}

int HeaderHeight(bool normal, bool tall, bool externalResults) {
  return normal && (externalResults || tall) ? HeaderHeightTwoRows : HeaderHeightOneRow;
}

HeaderRowVisibility HeaderRowFor(bool normal, bool tall, bool externalResults, int clientWidth) {
  HeaderRowVisibility row;
  const bool secondRow = normal && (tall || externalResults);
  row.CountAndSort = secondRow;
  row.ContentsBox = secondRow && clientWidth >= ContentsBoxMinClientWidth;
  row.TutorialButton = secondRow && clientWidth >= TutorialButtonMinClientWidth;
  return row;
}

WindowHeightLimits ComputeWindowLayout(bool normal, bool tall, bool externalResults,
                                       bool showIndexDir, int statusBarHeight, int frame,
                                       int windowHeight) {
  WindowHeightLimits limits;
  limits.HeaderHeight = HeaderHeight(normal, tall, externalResults);
  const int base =
      statusBarHeight + limits.HeaderHeight + frame + (showIndexDir ? TargetPanelHeight : 0);
  if (externalResults) {
    // Only the top panels: the window cannot be resized vertically.
    limits.BodyVisible = false;
    limits.MinHeight = base;
    limits.MaxHeight = base;
    limits.WindowHeight = base;
  } else {
    limits.BodyVisible = true;
    limits.MinHeight = MinimumWindowHeight;
    limits.MaxHeight = 0;
    limits.WindowHeight = std::max(windowHeight, MinimumWindowHeight);
  }
  return limits;
}

// ---- Hit count -----------------------------------------------------------------

ListCountStart ListCountAtStart(std::string_view listCount) {
  ListCountStart start;
  const int n = ParseDecimalInt(listCount, 0);
  start.ListCount = std::string(listCount);
  if (n >= 1 && n <= 20) {
    start.Item = TCountItem::ciTwenty;
  } else if (n >= 21 && n <= 50) {
    start.Item = TCountItem::ciFifty;
  } else if (n >= 51 && n <= 100) {
    start.Item = TCountItem::ciHundred;
  } else if (AsciiLowerSjis(listCount) == "all") {
    start.Item = TCountItem::ciAll;
    start.BoxIndex = 3;
    return start;
  } else {
    start.ListCount = "20";
    start.Item = TCountItem::ciTwenty;
    start.BoxIndex = 0;
  }
  if (start.BoxIndex < 0) start.BoxText = std::to_string(n);
  return start;
}

// ---- History and recent directories --------------------------------------------

bool ListContainsText(const std::vector<std::string>& list, std::string_view entry) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& item) { return SameTextSjis(item, entry); });
}

void AddToTopOfList(std::vector<std::string>& list, std::string_view entry, int capacity) {
  auto found = std::find_if(list.begin(), list.end(),
                            [&](const std::string& item) { return SameTextSjis(item, entry); });
  if (found != list.end()) list.erase(found);
  list.insert(list.begin(), std::string(entry));
  if (capacity >= 0 && list.size() > static_cast<size_t>(capacity)) {
    list.resize(static_cast<size_t>(capacity));
  }
}

bool SameDirectoryList(std::string_view a, std::string_view b) {
  const std::vector<std::string> first = ParseIndexDirectoryList(TrimBlanks(a));
  const std::vector<std::string> second = ParseIndexDirectoryList(TrimBlanks(b));
  return std::equal(first.begin(), first.end(), second.begin(), second.end(),
                    [](const std::string& x, const std::string& y) { return SameTextSjis(x, y); });
}

void AddRecentDirectory(std::vector<std::string>& list, std::string_view entry, int capacity) {
  std::erase_if(list, [&](const std::string& item) { return SameDirectoryList(item, entry); });
  list.insert(list.begin(), std::string(entry));
  if (list.size() > static_cast<size_t>(capacity)) list.resize(static_cast<size_t>(capacity));
}

bool ContainsDirectoryList(const std::vector<std::string>& list, std::string_view entry) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string& item) { return SameDirectoryList(item, entry); });
}

std::string RecentMenuCaption(int index, std::string_view entry) {
  std::string number = std::to_string(index + 1);
  // The accelerator goes before the last digit: "&1" .. "&9", "1&0".
  std::string caption = number.substr(0, number.size() - 1) + "&" + number.back() + " ";
  for (char c : entry) {
    if (c == '&') caption += '&';
    caption += c;
  }
  return caption;
}

std::vector<std::string> HistoryForBox(const TSettings& settings) {
  std::vector<std::string> items;
  const int count = std::clamp(ParseDecimalInt(settings.FormulaHistoryCount, 0), 0, MaxListKeys);
  for (int i = 0; i < count && static_cast<size_t>(i) < settings.History.size(); ++i) {
    const std::string& formula = settings.History[static_cast<size_t>(i)];
    if (!TrimBlanks(std::string_view(formula)).empty()) items.push_back(formula);
  }
  return items;
}

void TakeHistoryFromBox(TSettings& settings, const std::vector<std::string>& boxItems) {
  const int count = std::clamp(ParseDecimalInt(settings.FormulaHistoryCount, 0), 0, MaxListKeys);
  if (settings.History.size() < static_cast<size_t>(count)) {
    settings.History.resize(static_cast<size_t>(count));
  }
  for (int i = 0; i < count && static_cast<size_t>(i) < boxItems.size(); ++i) {
    settings.History[static_cast<size_t>(i)] = boxItems[static_cast<size_t>(i)];
  }
}

// ---- Fonts and menus -------------------------------------------------------------

std::string FontNameFromSetting(std::string_view name) {
  std::string_view trimmed = TrimBlanks(name);
  return trimmed.empty() ? std::string(FallbackFontName) : std::string(trimmed);
}

int FontSizeFromSetting(std::string_view size) {
  const int points = ParseDecimalInt(TrimBlanks(size), 0);
  return points >= 1 && points <= MaximumFontSize ? points : FallbackFontSize;
}

TDocTypeItem DocTypeItemFromSetting(std::string_view howToOpen) {
  const std::string value = AsciiLowerSjis(howToOpen);
  if (value == "plaintext") return TDocTypeItem::dtiPlainText;
  if (value == "mailnews") return TDocTypeItem::dtiMailNews;
  if (value == "html") return TDocTypeItem::dtiHtml;
  if (value == "system") return TDocTypeItem::dtiSystem;
  return TDocTypeItem::dtiByExtension;
}

std::string_view DocTypeKeyword(TDocTypeItem item) {
  switch (item) {
    case TDocTypeItem::dtiPlainText: return "PlainText";
    case TDocTypeItem::dtiMailNews: return "MailNews";
    case TDocTypeItem::dtiHtml: return "HTML";
    case TDocTypeItem::dtiSystem: return "System";
    case TDocTypeItem::dtiByExtension: break;
  }
  return "Define";
}

TConvertItem ConvertItemFromSetting(std::string_view convert) {
  const std::string value = AsciiLowerSjis(convert);
  if (value == "none") return TConvertItem::cvNone;
  if (value == "nkf") return TConvertItem::cvNkf;
  return TConvertItem::cvToSjis;
}

std::string MainWindowTitle(std::string_view indexDirectoriesText) {
  return "tavirel for Namazu - [" + std::string(indexDirectoriesText) + "]";
}

// ---- Help pages --------------------------------------------------------------------

std::string StartHelpPath(std::string_view programFolder) {
  return AddTrailingBackslash(programFolder, NativePathStyle) + "help/start.html";
}

std::string ProgramHelpPath(std::string_view programFolder) {
  return StripTrailingBackslash(programFolder, NativePathStyle) + "/help/index.html";
}

std::string NamazuDocPath(std::string_view namazuPath, std::string_view page, PathStyle style) {
  std::string root = ParentFolder(ParentFolder(namazuPath, style), style);
  // A drive's or the file system's root keeps no separator of its own here.
  const char separator = style == PathStyle::Windows ? '\\' : '/';
  if (!root.empty() && root.back() == separator) root.pop_back();
  const std::string_view rest = style == PathStyle::Windows ? "\\share\\namazu\\doc\\ja\\"
                                                            : "/share/namazu/doc/ja/";
  return root + std::string(rest) + std::string(page);
}

std::string NamazuDocFallbackPath(std::string_view page) {
  return "/usr/share/doc/namazu2-common/ja/" + std::string(page);
}

// ---- Window placement --------------------------------------------------------------

bool ParseFourInts(std::string_view text, int (&values)[4]) {
  int parsed[4];
  size_t start = 0;
  for (int k = 0; k < 4; ++k) {
    size_t comma = text.find(',', start);
    if ((k < 3) != (comma != std::string_view::npos)) return false;
    std::string_view part =
        text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    const int sentinel = -2147483647;
    int value = ParseDecimalInt(TrimBlanks(part), sentinel);
    if (value == sentinel) return false;
    parsed[k] = value;
    start = comma == std::string_view::npos ? text.size() : comma + 1;
  }
  std::copy(std::begin(parsed), std::end(parsed), std::begin(values));
  return true;
}

std::optional<TWindowPlacement> ReadWindowPlacement(const TIniFile& ini, std::string_view section) {
  const int missing = -2147483647;
  TWindowPlacement placement;
  placement.Flags = ReadProfileInt(ini, section, "Flags", missing);
  placement.ShowCmd = ReadProfileInt(ini, section, "ShowCmd", missing);
  placement.PixelsPerInch = ReadProfileInt(ini, section, "PixelsPerInch", missing);
  if (placement.Flags == missing || placement.ShowCmd == missing ||
      placement.PixelsPerInch == missing) {
    return std::nullopt;
  }
  if (!ParseFourInts(ReadProfileString(ini, section, "MinMaxPos", ""), placement.MinMaxPos) ||
      !ParseFourInts(ReadProfileString(ini, section, "NormPos", ""), placement.NormPos)) {
    return std::nullopt;
  }
  if (placement.NormPos[2] <= placement.NormPos[0] || placement.NormPos[3] <= placement.NormPos[1]) {
    return std::nullopt;
  }
  return placement;
}

void WriteWindowPlacement(TIniFile& ini, std::string_view section,
                          const TWindowPlacement& placement) {
  auto four = [](const int (&v)[4]) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d,%d,%d,%d", v[0], v[1], v[2], v[3]);
    return std::string(buffer);
  };
  WriteProfileInt(ini, section, "Flags", placement.Flags);
  WriteProfileInt(ini, section, "ShowCmd", placement.ShowCmd);
  WriteProfileInt(ini, section, "PixelsPerInch", placement.PixelsPerInch);
  WriteProfileString(ini, section, "MinMaxPos", four(placement.MinMaxPos));
  WriteProfileString(ini, section, "NormPos", four(placement.NormPos));
}

std::optional<TWindowPlacement> ReadWindowPlacementFromFile(const std::string& path,
                                                            std::string_view section) {
  TIniFile ini;
  if (!ini.LoadFromFile(path)) return std::nullopt;
  return ReadWindowPlacement(ini, section);
}

std::vector<std::string> ReadRecentDirectories(const std::string& path) {
  return ReadMruItemsFromFile(path, "SearchMRU");
}

bool WriteRecentAndPlacement(const std::string& path, const std::vector<std::string>& recent,
                             const TWindowPlacement* placement, std::string_view section) {
  if (platform::IsReadOnly(path)) return false;
  TIniFile ini;
  if (!ini.LoadFromFile(path)) return false;
  WriteMruItems(ini, "SearchMRU", recent);
  if (placement != nullptr) WriteWindowPlacement(ini, section, *placement);
  return ini.SaveToFile(path);
}

// ---- Marked words in a document view ------------------------------------------------

int StepToMark(const std::vector<TCharRange>& marks, int current, int64_t caret, bool forward) {
  const int count = static_cast<int>(marks.size());
  if (count == 0) return -1;
  if (current >= 0 && current < count) return (current + (forward ? 1 : count - 1)) % count;
  // The first mark that starts at or after the caret.
  const int after = static_cast<int>(
      std::lower_bound(marks.begin(), marks.end(), caret,
                       [](const TCharRange& r, int64_t p) { return r.Start < p; }) -
      marks.begin());
  if (forward) return after % count;
  return after > 0 ? after - 1 : count - 1;
}

int TMarkList::FirstFrom(int64_t offset) const {
  return static_cast<int>(std::lower_bound(Ranges.begin(), Ranges.end(), offset,
                                           [](const TCharRange& r, int64_t p) {
                                             return r.Start < p;
                                           }) -
                          Ranges.begin());
}

}  // namespace tavirel
