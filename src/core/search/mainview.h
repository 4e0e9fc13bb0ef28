// The main window's view state without a window: layout arithmetic, the
// hit-count box at start, the formula history and recent-directory lists,
// font and menu values taken from the settings, help page paths and the
// stored window placement.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/search/searchwords.h"
#include "core/settings/settings.h"

namespace tavirel {

class TIniFile;

// ---- Layout ----------------------------------------------------------------------

inline constexpr int TallClientHeight = 250;       // from here on the window is "tall"
inline constexpr int MinimumWindowHeight = 250;    // with the result list
inline constexpr int HeaderHeightOneRow = 40;
inline constexpr int HeaderHeightTwoRows = 65;
inline constexpr int TargetPanelHeight = 33;       // pnlTarget
inline constexpr int StatusBarHeight = 20;
inline constexpr int MinimumTrackWidth = 400;
inline constexpr int DefaultWindowWidth = 545;
inline constexpr int DefaultWindowHeight = 420;
inline constexpr int ContentsBoxMinClientWidth = 450;   // chkShowContents
inline constexpr int TutorialButtonMinClientWidth = 480; // btnTutorial

// True when `value` is `lowerWord` without regard to ASCII letter case
// (`lowerWord` is written in lower case).
bool IsWord(std::string_view value, std::string_view lowerWord);

// ScreenType "Normal" (any case); every other value is the compact layout.
bool IsNormalAppearance(std::string_view screenType);

// The header panel's height: two rows only in the normal appearance, and then
// when the results go to an outside browser or the window is tall.
int HeaderHeight(bool normal, bool tall, bool externalResults);

// What a resize shows of the header's second row.
struct HeaderRowVisibility {
  bool CountAndSort = false;     // lblListCount, cboListCount, lblSortType, cboSortType
  bool ContentsBox = false;      // chkShowContents
  bool TutorialButton = false;   // btnTutorial
};
HeaderRowVisibility HeaderRowFor(bool normal, bool tall, bool externalResults, int clientWidth);

// The window's height limits after a layout pass. MaxHeight 0 means no limit;
// WindowHeight is the height the window is to get (its current one when
// nothing changes).
struct WindowHeightLimits {
  int HeaderHeight = HeaderHeightOneRow;
  bool BodyVisible = true;
  int MinHeight = MinimumWindowHeight;
  int MaxHeight = 0;
  int WindowHeight = 0;
};
// `frame` is the window's height minus its client height; `statusBarHeight`
// is 0 when the status bar is hidden.
WindowHeightLimits ComputeWindowLayout(bool normal, bool tall, bool externalResults,
                                       bool showIndexDir, int statusBarHeight, int frame,
                                       int windowHeight);

// ---- Hit count -----------------------------------------------------------------

// The hit-count state at start from the stored ListCount: a number from 1 to
// 100 keeps its value and marks the item of its range, "All" (any case)
// marks "すべて", anything else becomes "20".
enum class TCountItem { ciTwenty, ciFifty, ciHundred, ciAll };
struct ListCountStart {
  std::string ListCount;
  TCountItem Item = TCountItem::ciTwenty;
  int BoxIndex = -1;          // item of cboListCount to select; -1: show BoxText
  std::string BoxText;        // the number shown when no item is selected
};
ListCountStart ListCountAtStart(std::string_view listCount);

// ---- History and recent directories --------------------------------------------

// At most this many recent index directories are kept.
inline constexpr int RecentDirectoryCapacity = 10;

// True when `entry` is in the list, letter case ignored (ASCII, Shift-JIS aware).
bool ListContainsText(const std::vector<std::string>& list, std::string_view entry);
// Moves an entry that is already listed (letter case ignored) to the top, or
// inserts it there; then cuts the list to `capacity` entries (below 0: no limit).
void AddToTopOfList(std::vector<std::string>& list, std::string_view entry, int capacity = -1);

// True when two index box texts name the same folders in the same order,
// however they are quoted or spaced (letter case ignored as above).
bool SameDirectoryList(std::string_view a, std::string_view b);
// The recent directories: an entry that names the folders of one already
// listed replaces it at the top; the list is then cut to `capacity`.
void AddRecentDirectory(std::vector<std::string>& list, std::string_view entry, int capacity);
bool ContainsDirectoryList(const std::vector<std::string>& list, std::string_view entry);

// The caption of the recent-directory menu item at `index` (from 0): "&1 entry"
// up to "&9 ...", then "1&0 ..."; ampersands of the entry are doubled.
std::string RecentMenuCaption(int index, std::string_view entry);

// The stored formulas that fill the formula box at start: History1..N for N =
// FormulaHistoryCount, skipping those that are blank after trimming.
std::vector<std::string> HistoryForBox(const TSettings& settings);
// At close: History value i+1 := box entry i for i below FormulaHistoryCount
// and below the box's length; later values stay as loaded.
void TakeHistoryFromBox(TSettings& settings, const std::vector<std::string>& boxItems);

// ---- Fonts and menus -------------------------------------------------------------

// "ＭＳ Ｐゴシック", the font used when a stored name cannot be used.
inline constexpr std::string_view FallbackFontName =
    "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
inline constexpr int FallbackFontSize = 9;
inline constexpr int MaximumFontSize = 1000;

// The stored name, or the fallback when it is empty.
std::string FontNameFromSetting(std::string_view name);
// The stored size in points; text that is not a number, or a size below 1 or
// above MaximumFontSize, gives FallbackFontSize.
int FontSizeFromSetting(std::string_view size);

enum class TDocTypeItem { dtiPlainText, dtiMailNews, dtiHtml, dtiSystem, dtiByExtension };
// The document-type item of a HowToOpen value; an unrecognised value is the
// by-extension item.
TDocTypeItem DocTypeItemFromSetting(std::string_view howToOpen);
// "PlainText", "MailNews", "HTML", "System" or "Define".
std::string_view DocTypeKeyword(TDocTypeItem item);

enum class TConvertItem { cvToSjis, cvNone, cvNkf };
// The conversion item of a Convert value; an unrecognised value marks "ToSJIS"
// (the value itself stays stored).
TConvertItem ConvertItemFromSetting(std::string_view convert);

// "tavirel for Namazu - [" + IndexDirectoriesText + "]".
std::string MainWindowTitle(std::string_view indexDirectoriesText);

// ---- Help pages --------------------------------------------------------------------

// The program's start help page and its help index.
std::string StartHelpPath(std::string_view programFolder);
std::string ProgramHelpPath(std::string_view programFolder);
// Namazu's documentation page `page` ("manual.html", "tutorial.html") below
// the folder two levels above the searcher: <that>/share/namazu/doc/ja/<page>.
std::string NamazuDocPath(std::string_view namazuPath, std::string_view page, PathStyle style);
// Where Debian installs the same page.
std::string NamazuDocFallbackPath(std::string_view page);

// ---- Window placement --------------------------------------------------------------

// The keys "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos" and "NormPos".
struct TWindowPlacement {
  int Flags = 0;
  int ShowCmd = 1;              // 1 normal, 2 minimised, 3 maximised
  int PixelsPerInch = 96;
  int MinMaxPos[4] = {-1, -1, -1, -1};   // minimised x, y, maximised x, y
  int NormPos[4] = {0, 0, 0, 0};         // normal left, top, right, bottom
};
inline constexpr int ShowCmdNormal = 1;
inline constexpr int ShowCmdMinimized = 2;
inline constexpr int ShowCmdMaximized = 3;

// The stored placement, or nothing when a key is missing or malformed or the
// normal rectangle is empty.
std::optional<TWindowPlacement> ReadWindowPlacement(const TIniFile& ini, std::string_view section);
void WriteWindowPlacement(TIniFile& ini, std::string_view section,
                          const TWindowPlacement& placement);
// Four integers "%d,%d,%d,%d", blanks around them allowed.
bool ParseFourInts(std::string_view text, int (&values)[4]);

// File-level forms for the main window. Reading a missing or unreadable file
// gives nothing.
std::optional<TWindowPlacement> ReadWindowPlacementFromFile(const std::string& path,
                                                            std::string_view section);
// The recent index directories of section "SearchMRU", newest first.
std::vector<std::string> ReadRecentDirectories(const std::string& path);
// Rewrites section "SearchMRU" with `recent` and, when `placement` is given,
// the placement keys of `section`, in one write of the file. A read-only or
// missing file, or one that cannot be read, is left alone (false).
bool WriteRecentAndPlacement(const std::string& path, const std::vector<std::string>& recent,
                             const TWindowPlacement* placement, std::string_view section);

// ---- Marked words in a document view ------------------------------------------------

// The mark that F3 (`forward`) or Shift+F3 moves to among `marks` (sorted by
// position): from the `current` one round the ends of the text, or before
// the first move (`current` -1) the first one at or after the caret (the
// last one before it). -1 when there are none.
int StepToMark(const std::vector<TCharRange>& marks, int current, int64_t caret, bool forward);

// The marked words of a document view and the one F3 or Shift+F3 moved to
// last (-1 before the first move).
struct TMarkList {
  std::vector<TCharRange> Ranges;  // sorted, not overlapping
  int Current = -1;

  int Count() const { return static_cast<int>(Ranges.size()); }
  // "n / N" for the current mark ("0 / N" before the first move).
  std::string PositionText() const {
    return std::to_string(Current + 1) + " / " + std::to_string(Count());
  }
  // The first mark at or after `offset`; Count() when there is none.
  int FirstFrom(int64_t offset) const;
};

}  // namespace tavirel
