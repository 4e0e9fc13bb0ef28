#include "core/search/searchcmd.h"

#include <algorithm>
#include <array>

#include "platform/platform.h"
#include "core/process/arguments.h"
#include "core/process/ucommon.h"
#include "core/search/hitnames.h"

namespace tavirel {
namespace {

struct SortEntry {
  TSortKind Kind;
  std::string_view Keyword;
  std::string_view Option;
};

constexpr std::array<SortEntry, 10> SortTable{{
    {TSortKind::skEarlier, "Earlier", " --early"},
    {TSortKind::skLater, "Later", " --late"},
    {TSortKind::skScore, "Score", " --sort=score"},
    {TSortKind::skTitle, "Title", " --sort=field:subject"},
    {TSortKind::skDate, "Date", " --sort=field:date"},
    {TSortKind::skUri, "URI", " --sort=field:uri"},
    {TSortKind::skSize, "Size", " --sort=field:size"},
    {TSortKind::skFrom, "From", " --sort=field:from"},
    {TSortKind::skTo, "To", " --sort=field:to"},
    {TSortKind::skNewsgroup, "Newsgroup", " --sort=field:newsgroup"},
}};

const SortEntry* FindSort(TSortKind kind) {
  for (const SortEntry& entry : SortTable) {
    if (entry.Kind == kind) return &entry;
  }
  return nullptr;
}

// True for an optional sign followed by one or more decimal digits.
bool IsDigitRun(std::string_view text) {
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

// ---- View state ----------------------------------------------------------------

std::string_view SortKeyword(TSortKind sort) {
  const SortEntry* entry = FindSort(sort);
  return entry ? entry->Keyword : std::string_view("Score");
}

TSortKind SortKindFromKeyword(std::string_view keyword) {
  for (const SortEntry& entry : SortTable) {
    if (SameTextSjis(entry.Keyword, keyword)) return entry.Kind;
  }
  return TSortKind::skScore;
}

std::string_view SortOption(TSortKind sort) {
  const SortEntry* entry = FindSort(sort);
  return entry ? entry->Option : std::string_view();
}

int MaxHitsFromListCount(std::string_view listCount) {
  constexpr int NotANumber = -1;
  int count = SettingsInt(std::string(listCount), NotANumber);
  if (count == NotANumber && IsDigitRun(listCount) && listCount.front() != '-') {
    // Digits beyond the range of int ask for more hits than the limit.
    count = 101;
  }
  if (count < 1) return 20;
  if (count > 100) return 100;
  return count;
}

ListCountChoice ListCountFromBox(int selectedIndex, std::string_view text) {
  ListCountChoice choice;
  if (selectedIndex == 3) {
    choice.ListCount = "All";
    choice.Item = TListCountItem::lciAll;
    return choice;
  }
  int count = SettingsInt(std::string(text), 20);
  choice.ListCount = std::to_string(count);
  if (count >= 1 && count <= 20) {
    choice.Item = TListCountItem::lciTwenty;
  } else if (count >= 21 && count <= 50) {
    choice.Item = TListCountItem::lciFifty;
  } else if (count >= 51 && count <= 100) {
    choice.Item = TListCountItem::lciHundred;
  } else {
    choice.ListCount = "20";
    choice.Item = TListCountItem::lciTwenty;
    choice.SelectFirstItem = true;
  }
  return choice;
}

// ---- Checks ----------------------------------------------------------------------


bool IsBlankFormula(std::string_view formula) {
  const std::string_view trimmed = TrimBlanks(formula);
  for (size_t i = 0; i < trimmed.size(); i += SjisCharLength(trimmed, i)) {
    const bool fullWidthBlank =  // "　"
        static_cast<unsigned char>(trimmed[i]) == 0x81 && i + 1 < trimmed.size() &&
        static_cast<unsigned char>(trimmed[i + 1]) == 0x40;
    // Blanks between full-width blanks leave the formula just as blank.
    if (!fullWidthBlank && static_cast<unsigned char>(trimmed[i]) > ' ') return false;
  }
  return true;
}

std::optional<std::string_view> CheckSearchRequest(std::string_view directoryCount,
                                                   std::string_view formula) {
  if (SettingsInt(std::string(directoryCount), 0) <= 0) return NoIndexDirectoryMessage;
  if (IsBlankFormula(formula)) return NoFormulaMessage;
  return std::nullopt;
}

// ---- Command line ------------------------------------------------------------------

bool DisplaysInWebBrowser(const TSettings& settings) {
  return AsciiLowerSjis(settings.ResultDisplayTo) == "webbrowser";
}

bool ResultsInExternalBrowser(const TSettings& settings) {
  return DisplaysInWebBrowser(settings) &&
         AsciiLowerSjis(settings.WebBrowserDisplayTo) == "external";
}

std::string_view ResultFileName(const TSettings& settings) {
  return DisplaysInWebBrowser(settings) ? "result.html" : "result.txt";
}

std::string ResultFolder(const TSettings& settings, std::string_view tempFolder,
                         std::string_view programFolder) {
  std::string_view folder = settings.ResultUseTempDir == "1" ? tempFolder : programFolder;
  return AddTrailingBackslash(folder, NativePathStyle);
}

std::string NamazurcFilePath(const TSettings& settings,
                             const std::vector<std::string>& driveConstantList) {
  return ExpandDriveConstant(StripQuotes(settings.NamazurcPath), driveConstantList);
}

std::string SearchOptions(const TSettings& settings, const SearchViewState& view) {
  std::string options;
  options += SortOption(view.Sort);
  if (view.Sort != TSortKind::skEarlier && view.Sort != TSortKind::skLater && view.Ascending) {
    options += " --ascending";
  }
  if (view.ContentsOff) options += " --short";
  if (view.ListCountAll) {
    options += " --all";
  } else {
    options += " --max=";
    options += std::to_string(MaxHitsFromListCount(settings.ListCount));
    if (view.Whence > 0) options += " --whence=" + std::to_string(view.Whence);
  }
  if (DisplaysInWebBrowser(settings)) {
    options += settings.Usepnamazu == "1" ? " -h" : " --html";
  }
  return options;
}

std::string QuoteFormula(std::string_view formula) { return QuoteArgument(formula); }

std::string IndexDirectoryArguments(const TSettings& settings, std::string_view programFolder,
                                    const std::vector<std::string>& driveConstantList) {
  const bool useNamazurc = settings.UseNamazurc == "1";
  if (useNamazurc && settings.SetIndexInNamazurc == "1") return {};
  const bool relative = useNamazurc && settings.RelativePath == "1";
  const std::vector<std::string>& directories = settings.IndexDirectories;
  const char separator = NativePathStyle == PathStyle::Windows ? '\\' : '/';

  // Every item is one argument, quoted where it needs it, and the command
  // line puts "--" before the formula: no directory, however it is written,
  // becomes an option of the searcher or spills into another argument.
  std::string out;
  for (size_t i = relative ? 1 : 0; i < directories.size(); ++i) {
    const std::string& directory = directories[i];
    out += ' ';
    if (relative && directory.compare(0, directories[0].size(), directories[0]) == 0) {
      std::string_view rest = std::string_view(directory).substr(directories[0].size());
      if (!rest.empty() && rest.front() == separator) rest.remove_prefix(1);
      out += ArgumentText("+" + std::string(rest));
    } else if (!directory.empty() && directory.front() == '+') {
      out += ArgumentText(directory);
    } else {
      out += QuoteArgument(ExpandDriveConstant(
          ExpandProgramRelativePath(directory, programFolder, NativePathStyle),
          driveConstantList));
    }
  }
  return out;
}

namespace {

// The last name of a folder path, a trailing separator ignored; a trail
// byte of a double-byte character is never taken for a separator.
std::string LastFolderName(std::string_view path) {
  const auto separator = [](unsigned char c) {
    return c == '/' || (NativePathStyle == PathStyle::Windows && c == '\\');
  };
  size_t end = path.size();
  while (end > 1 && separator(static_cast<unsigned char>(path[end - 1]))) --end;
  size_t start = 0;
  for (size_t i = 0; i < end;) {
    const auto c = static_cast<unsigned char>(path[i]);
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      i += 2;
      continue;
    }
    if (separator(c)) start = i + 1;
    ++i;
  }
  return std::string(path.substr(start, end > start ? end - start : 0));
}

}  // namespace

TIndexDirectoryCheck CheckIndexDirectories(const TSettings& settings, std::string_view programFolder,
                                  const std::vector<std::string>& driveConstantList) {
  TIndexDirectoryCheck check;
  const bool useNamazurc = settings.UseNamazurc == "1";
  if (useNamazurc && settings.SetIndexInNamazurc == "1") return check;
  const bool relative = useNamazurc && settings.RelativePath == "1";
  const std::vector<std::string>& directories = settings.IndexDirectories;
  // The same items IndexDirectoryArguments passes; a relative item is still
  // the whole path here, which is the folder namazu opens.
  for (size_t i = relative ? 1 : 0; i < directories.size(); ++i) {
    const std::string& directory = directories[i];
    if (!directory.empty() && directory.front() == '+') {
      ++check.Unchecked;
      continue;
    }
    std::string path = ExpandDriveConstant(
        ExpandProgramRelativePath(directory, programFolder, NativePathStyle), driveConstantList);
    check.Statuses.push_back(ReadIndexStatus(path));
    check.Directories.push_back(std::move(path));
  }
  return check;
}

int TIndexDirectoryCheck::Usable() const {
  int usable = 0;
  for (const TIndexStatus& status : Statuses) usable += status.State == TIndexState::Index;
  return usable;
}

std::string TIndexDirectoryCheck::ProblemText() const {
  std::string text;
  for (size_t i = 0; i < Directories.size(); ++i) {
    const std::string problem = IndexProblemText(Directories[i], Statuses[i]);
    if (problem.empty()) continue;
    if (!text.empty()) text += '\n';
    text += problem;
  }
  return text;
}

std::string TIndexDirectoryCheck::StatusText(std::string_view separator, bool fullNames) const {
  std::string text;
  const bool named = Directories.size() > 1;
  for (size_t i = 0; i < Directories.size(); ++i) {
    if (i > 0) text += separator;
    const std::string name =
        fullNames ? Directories[i] : LastFolderName(Directories[i]);
    const std::string problem = IndexProblemText(name, Statuses[i]);
    if (!problem.empty()) {
      text += problem;  // names the folder itself
      continue;
    }
    if (named) text += name + ": ";
    text += IndexStatusText(Statuses[i]);
  }
  return text;
}

std::string TIndexDirectoryCheck::ShortStatusText() const {
  const int usable = Usable();
  const int unusable = static_cast<int>(Directories.size()) - usable;
  std::string text;
  if (usable == 1) {
    for (const TIndexStatus& status : Statuses)
      if (status.State == TIndexState::Index) text = IndexStatusText(status);
  } else if (usable > 1) {
    TIndexStatus all;  // the sum of the documents, the oldest update
    int unknown = 0;
    for (const TIndexStatus& status : Statuses) {
      if (status.State != TIndexState::Index) continue;
      if (status.Documents >= 0) {
        all.Documents = std::max<int64_t>(all.Documents, 0) + status.Documents;
      } else {
        ++unknown;
      }
      if (status.LastUpdate.Valid() &&
          (!all.LastUpdate.Valid() || status.LastUpdate < all.LastUpdate))
        all.LastUpdate = status.LastUpdate;
      all.Updating = all.Updating || status.Updating;
    }
    text = "\x8d\xf5\x88\xf8 " + std::to_string(usable) + " \x8c\x8f: ";  // 索引 N 件:
    // 文書 N 件 (以上, when some index does not tell), or 文書数不明.
    TIndexStatus documents;
    documents.Documents = all.Documents;
    text += IndexStatusText(documents);
    if (all.Documents >= 0 && unknown > 0) text += "\x88\xc8\x8f\xe3";  // 以上
    if (all.LastUpdate.Valid()) {
      // 、最も古い更新
      text += "\x81\x41\x8d\xc5\x82\xe0\x8c\xc3\x82\xa2\x8d\x58\x90\x56 ";
      text += IndexDateText(all.LastUpdate);
    }
    if (all.Updating) text += IndexUpdatingNote;
  }
  if (unusable > 0) {
    if (!text.empty()) text += "\x81\x41";  // 、
    // 検索できないフォルダ N 件
    text += "\x8c\x9f\x8d\xf5\x82\xc5\x82\xab\x82\xc8\x82\xa2\x83\x74\x83\x48\x83\x8b\x83\x5f ";
    text += std::to_string(unusable) + " \x8c\x8f";
  }
  return text;
}

std::optional<std::string> CheckExtraOptions(const TSettings& settings) {
  const std::vector<std::string> options = SplitArguments(TrimBlanks(settings.namazuOption));
  if (std::optional<std::string> stray = StrayNamazuArgument(options)) {
    // namazu の追加オプション「…」はオプションではありません。設定ファイルの namazuOption を
    // 確かめてください。
    std::string text = "namazu "
        "\x82\xcc\x92\xc7\x89\xc1\x83\x49\x83\x76\x83\x56\x83\x87\x83\x93\x81\x75";
    text += *stray;
    text += "\x81\x76\x82\xcd\x83\x49\x83\x76\x83\x56\x83\x87\x83\x93\x82\xc5\x82\xcd\x82\xa0"
            "\x82\xe8\x82\xdc\x82\xb9\x82\xf1\x81\x42\x90\xdd\x92\xe8\x83\x74\x83\x40\x83\x43"
            "\x83\x8b\x82\xcc"
            " namazuOption "
            "\x82\xf0\x8a\x6d\x82\xa9\x82\xdf\x82\xc4\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42";
    return text;
  }
  return std::nullopt;
}

SearchCommand BuildSearchCommand(const TSettings& settings, const SearchViewState& view,
                                 std::string_view formula, std::string_view resultFolder,
                                 std::string_view programFolder,
                                 const std::vector<std::string>& driveConstantList,
                                 bool namazurcExists) {
  const bool pnamazu = settings.Usepnamazu == "1";
  SearchCommand command;
  command.ResultFilePath =
      AddTrailingBackslash(resultFolder, NativePathStyle) + std::string(ResultFileName(settings));

  // Every value from the settings stays one argument: the program paths, the
  // namazurc and result paths and each extra option are quoted so that the
  // command-line splitter gives them back unchanged.
  std::string& line = command.CommandLine;
  if (pnamazu) {
    line += QuoteProgram(settings.PerlPath);
    line += ' ';
    line += QuoteArgument(settings.pnamazuPath);
  } else {
    line += QuoteProgram(ExpandDriveConstant(
        ExpandProgramRelativePath(settings.namazuPath, programFolder, NativePathStyle),
        driveConstantList));
  }

  line += SearchOptions(settings, view);
  // Without this namazu prints a file name that is not ASCII converted as if
  // it were EUC-JP, beyond repair; percent-encoded it arrives exactly and the
  // result list decodes it (ReadableResultText).
  if (UndecodedFileNames(settings)) line += " --no-decode-uri";

  if (settings.UseNamazurc == "1" && namazurcExists) {
    line += pnamazu ? " -f " : " --config=";
    line += QuoteArgument(NamazurcFilePath(settings, driveConstantList));
  }

  line += pnamazu ? " -o " : " --output=";
  line += QuoteArgument(command.ResultFilePath);
  line += ' ';

  for (const std::string& option : SplitArguments(TrimBlanks(settings.namazuOption))) {
    line += ArgumentText(option);
    line += ' ';
  }

  // "--" ends the options: the formula and the directories after it are
  // never read as options ("-o name" would even send the result elsewhere).
  line += "-- ";
  line += QuoteFormula(formula);
  line += IndexDirectoryArguments(settings, programFolder, driveConstantList);
  return command;
}

bool MakeResultPageReadable(const TSettings& settings, const std::string& path) {
  if (settings.Usepnamazu == "1") return true;
  std::string page;
  if (!platform::ReadWholeFile(path, page)) return true;
  const std::string readable = ReadableHtmlResult(page);
  return readable == page || platform::WriteFileAtomic(path, readable);
}

bool UndecodedFileNames(const TSettings& settings) {
  return settings.Usepnamazu != "1" && !DisplaysInWebBrowser(settings);
}

std::string ConfirmQuestionText(std::string_view commandLine, bool externalBrowser) {
  if (!externalBrowser) return std::string(ContinueQuestion);
  std::string text(commandLine);
  text += "\n\n";
  text += ContinueQuestion;
  return text;
}

// ---- Run ---------------------------------------------------------------------------

SearchRunOutcome RunSearchCommand(const TSettings& settings, const SearchCommand& command,
                                  std::string_view workingFolder, const SearchConfirmer& confirm,
                                  const SearchRunner& runner) {
  SearchRunOutcome outcome;
  // A result file left from an earlier search must not pass for this one's.
  if (platform::FileExists(command.ResultFilePath)) platform::DeleteFile(command.ResultFilePath);

  if (settings.ConfirmCommandLine == "1" && confirm && !confirm(command.CommandLine)) {
    outcome.Result = TSearchRunResult::srrDeclined;
    return outcome;
  }

  if (runner) outcome.Started = runner(command.CommandLine, std::string(workingFolder)) != 0;

  if (platform::FileExists(command.ResultFilePath)) {
    outcome.Result = TSearchRunResult::srrResultReady;
  } else {
    outcome.Result = TSearchRunResult::srrResultMissing;
    outcome.Message = std::string(ResultFileMissingMessage) + "\n" + command.ResultFilePath;
  }
  return outcome;
}

}  // namespace tavirel
