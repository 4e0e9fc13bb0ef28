// The search request without a window: the checks of the formula and the index
// field, the option string from the view menus, the searcher's command line, and
// the run of that command line through a runner the caller supplies. The main
// window gathers its control state, calls these and shows what they return.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/search/indexstatus.h"
#include "core/settings/settings.h"

namespace tavirel {

// ---- Texts ---------------------------------------------------------------------

inline constexpr std::string_view ErrorCaption = "\x83\x47\x83\x89\x81\x5b";  // エラー
// 検索場所を指定してください。
inline constexpr std::string_view NoIndexDirectoryMessage =
    "\x8c\x9f\x8d\xf5\x8f\xea\x8f\x8a\x82\xf0\x8e\x77\x92\xe8\x82\xb5\x82\xc4\x82\xad\x82\xbe"
    "\x82\xb3\x82\xa2\x81\x42";
// 検索式を入力してください。
inline constexpr std::string_view NoFormulaMessage =
    "\x8c\x9f\x8d\xf5\x8e\xae\x82\xf0\x93\xfc\x97\xcd\x82\xb5\x82\xc4\x82\xad\x82\xbe\x82\xb3"
    "\x82\xa2\x81\x42";
// 検索結果のファイルが見つかりません。
inline constexpr std::string_view ResultFileMissingMessage =
    "\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x8c\xa9"
    "\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x42";
// 続行しますか？
inline constexpr std::string_view ContinueQuestion =
    "\x91\xb1\x8d\x73\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81\x48";
// コマンドライン確認
inline constexpr std::string_view ConfirmCommandLineCaption =
    "\x83\x52\x83\x7d\x83\x93\x83\x68\x83\x89\x83\x43\x83\x93\x8a\x6d\x94\x46";
// 検索中.....
inline constexpr std::string_view SearchingText = "\x8c\x9f\x8d\xf5\x92\x86" ".....";
// すべて (the fourth item of the hit-count box)
inline constexpr std::string_view ListCountAllText = "\x82\xb7\x82\xd7\x82\xc4";

// ---- View state ----------------------------------------------------------------

// The ten sort menu items, in menu order; None when no item is checked.
enum class TSortKind {
  skNone, skEarlier, skLater, skScore, skTitle, skDate, skUri, skSize, skFrom, skTo,
  skNewsgroup
};

// The menu state the command line depends on. The defaults are the items
// checked at design time: score order, descending, summaries shown, a number
// of hits from ListCount.
struct SearchViewState {
  TSortKind Sort = TSortKind::skScore;
  bool Ascending = false;        // mnuSortAscending checked
  bool ContentsOff = false;      // mnuContentsOff checked (summaries not shown)
  bool ListCountAll = false;     // mnuListCountAll checked
  // The hits passed over before the list begins (--whence): 0 for the first
  // page, the number of hits already shown for a later one.
  int Whence = 0;
};

// The `Sort` setting for a sort item ("Earlier" ... "Newsgroup"); "Score" for None.
std::string_view SortKeyword(TSortKind sort);
// The sort item for a `Sort` setting, compared without regard to case; any
// other value (also "None") acts as "Score".
TSortKind SortKindFromKeyword(std::string_view keyword);

// The option piece of one sort item (" --early", " --sort=field:uri", ...), empty for None.
std::string_view SortOption(TSortKind sort);

// The number after " --max=": ListCount read as an integer, below 1 (or not a
// number) becomes 20, above 100 becomes 100. A run of digits too long for an
// integer counts as above 100 (or below 1 with a minus sign).
int MaxHitsFromListCount(std::string_view listCount);

// What leaving the hit-count box decides: the new ListCount text and the count
// item to check. `selectedIndex` is the box's selected item (3 = "すべて"),
// `text` its typed text.
enum class TListCountItem { lciTwenty, lciFifty, lciHundred, lciAll };
struct ListCountChoice {
  std::string ListCount;
  TListCountItem Item = TListCountItem::lciTwenty;
  bool SelectFirstItem = false;   // the typed number was refused; the box shows item 0
};
ListCountChoice ListCountFromBox(int selectedIndex, std::string_view text);

// ---- Checks ----------------------------------------------------------------------


// True when the trimmed formula is empty or holds only full-width blanks "　"
// (possibly with other blanks between them).
bool IsBlankFormula(std::string_view formula);

// Which message stops a search, if any: the index field gave no directory
// (DirectoryCount read as a number is 0 or less, or not a number), or the
// formula is blank. Empty when the search may go on.
std::optional<std::string_view> CheckSearchRequest(std::string_view directoryCount,
                                                   std::string_view formula);

// ---- Command line ------------------------------------------------------------------

bool DisplaysInWebBrowser(const TSettings& settings);     // Result DisplayTo "webbrowser"
bool ResultsInExternalBrowser(const TSettings& settings); // ... and WebBrowser DisplayTo "external"

// "result.html" for a web browser display, else "result.txt".
std::string_view ResultFileName(const TSettings& settings);
// The folder the result file goes to, with a trailing separator: the temporary
// folder when ResultUseTempDir is "1", else the program's folder.
std::string ResultFolder(const TSettings& settings, std::string_view tempFolder,
                         std::string_view programFolder);

// The namazurc path passed with " --config=" / " -f ": NamazurcPath without one
// pair of surrounding quotes, drive label expanded. The caller checks that a
// file exists there.
std::string NamazurcFilePath(const TSettings& settings,
                             const std::vector<std::string>& driveConstantList);

// The option string: sort, summaries, number of hits, the first hit of a
// later page, and the HTML format option when the result goes to a web browser.
std::string SearchOptions(const TSettings& settings, const SearchViewState& view);

// The formula as one argument: QuoteArgument (core/process/arguments.h).
std::string QuoteFormula(std::string_view formula);

// The index directory items, each preceded by one blank.
std::string IndexDirectoryArguments(const TSettings& settings, std::string_view programFolder,
                                    const std::vector<std::string>& driveConstantList);

// The index directories of the search as folders to look at before it runs:
// each item expanded as the command line expands it. Items that namazu finds
// under its own default folder ("+name") cannot be looked at here and are
// only counted; with the directories set in the namazurc there are none.
struct TIndexDirectoryCheck {
  std::vector<std::string> Directories;   // the folders looked at
  std::vector<TIndexStatus> Statuses;     // one per folder
  int Unchecked = 0;                      // items namazu resolves itself
  int Usable() const;                     // folders that are indexes
  // True when nothing the search names can be an index: the search is
  // refused rather than run for namazu's own message.
  bool Refused() const { return !Directories.empty() && Unchecked == 0 && Usable() == 0; }
  // IndexProblemText of every folder that is no index, one a line.
  std::string ProblemText() const;
  // IndexStatusText of every index and IndexProblemText of every other
  // folder; with several folders each is named first (by its last name
  // only when not `fullNames`, for a narrow place). Items joined by
  // `separator`.
  std::string StatusText(std::string_view separator, bool fullNames = true) const;
  // The same in a few words for the status bar, however many folders: one
  // index as StatusText gives it; several as their number, the documents
  // of all and the oldest update; then the number of folders that cannot be
  // searched. "索引 2 件: 文書 330 件、最も古い更新 2026/12/08 11:33".
  std::string ShortStatusText() const;
};
TIndexDirectoryCheck CheckIndexDirectories(const TSettings& settings, std::string_view programFolder,
                                  const std::vector<std::string>& driveConstantList);

// Whether the searcher is asked for undecoded (percent-encoded) file names:
// namazu (not pnamazu.pl) writing a plain result.
bool UndecodedFileNames(const TSettings& settings);

// Rewrites namazu's HTML result page so that file names and the titles made
// from them read right (ReadableHtmlResult). Nothing happens for pnamazu.pl
// or a page that cannot be read; false when the rewritten page could not be
// written (the page then stays as namazu wrote it).
bool MakeResultPageReadable(const TSettings& settings, const std::string& path);

// The extra options typed by the user (namazuOption) must all be options of
// the searcher; otherwise the message that stops the search.
std::optional<std::string> CheckExtraOptions(const TSettings& settings);

struct SearchCommand {
  std::string CommandLine;
  std::string ResultFilePath;   // the file the command line names
};

// Builds the searcher's command line from the settings (program paths, options,
// namazurc, index directories in settings.IndexDirectories), the view menus and
// the trimmed formula. `resultFolder` is the folder from ResultFolder (a missing
// trailing separator is added); `namazurcExists` tells whether a file exists at
// NamazurcFilePath. Each value is one argument of its own ("--" ends the
// options before the formula), so that neither the formula nor a directory
// is ever taken for an option.
SearchCommand BuildSearchCommand(const TSettings& settings, const SearchViewState& view,
                                 std::string_view formula, std::string_view resultFolder,
                                 std::string_view programFolder,
                                 const std::vector<std::string>& driveConstantList,
                                 bool namazurcExists);

// The question asked before running when ConfirmCommandLine is "1": the plain
// question, or for an outside browser the command line, an empty line and the
// question.
std::string ConfirmQuestionText(std::string_view commandLine, bool externalBrowser);

// ---- Run ---------------------------------------------------------------------------

// Starts `commandLine` hidden in `workingFolder` and returns once it has ended:
// non-zero when it was started, zero when the start failed (the runner has
// then reported that itself). The window passes RunConsoleProcess.
using SearchRunner =
    std::function<int(const std::string& commandLine, const std::string& workingFolder)>;
// Asked with the command line before running; false stops the search.
using SearchConfirmer = std::function<bool(const std::string& commandLine)>;

enum class TSearchRunResult { srrResultReady, srrResultMissing, srrDeclined };
struct SearchRunOutcome {
  TSearchRunResult Result = TSearchRunResult::srrResultMissing;
  bool Started = false;          // the runner reported a start
  std::string Message;           // for srrResultMissing: the message box text
};

// Deletes an old result file, asks `confirm` when ConfirmCommandLine is "1"
// (an empty confirmer counts as yes), runs the command line through `runner`
// in `workingFolder` (the program's folder) and checks that the result file
// now exists; when it does not, Message is "検索結果のファイルが見つかりません。",
// a line break and the path.
SearchRunOutcome RunSearchCommand(const TSettings& settings, const SearchCommand& command,
                                  std::string_view workingFolder, const SearchConfirmer& confirm,
                                  const SearchRunner& runner);

}  // namespace tavirel
