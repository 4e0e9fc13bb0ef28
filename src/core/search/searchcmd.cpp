#include "core/search/searchcmd.h"

#include <array>

#include "platform/platform.h"
#include "core/process/ucommon.h"

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
  }
  if (DisplaysInWebBrowser(settings)) {
    options += settings.Usepnamazu == "1" ? " -h" : " --html";
  }
  return options;
}

std::string QuoteDoublingQuotes(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (char c : text) {
    // A quote byte is never the trail byte of a double-byte character.
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
  return out;
}

std::string QuoteFormula(std::string_view formula) {
  std::string out;
  out.reserve(formula.size() + 8);
  out += '"';
  size_t backslashes = 0;  // backslashes written since the last other character
  for (size_t i = 0; i < formula.size();) {
    const size_t len = SjisCharLength(formula, i);
    const char c = formula[i];
    if (len == 1 && c == '\\') {
      ++backslashes;
    } else {
      if (len == 1 && c == '"') {
        // The backslashes before a quote are doubled, the quote escaped.
        out.append(backslashes + 1, '\\');
      }
      backslashes = 0;
    }
    out.append(formula.substr(i, len));
    i += len;
  }
  // Backslashes before the closing quote are doubled as well.
  out.append(backslashes, '\\');
  out += '"';
  return out;
}

std::string IndexDirectoryArguments(const TSettings& settings, std::string_view programFolder,
                                    const std::vector<std::string>& driveConstantList) {
  const bool useNamazurc = settings.UseNamazurc == "1";
  if (useNamazurc && settings.SetIndexInNamazurc == "1") return {};
  const bool relative = useNamazurc && settings.RelativePath == "1";
  const std::vector<std::string>& directories = settings.IndexDirectories;
  const char separator = NativePathStyle == PathStyle::Windows ? '\\' : '/';

  std::string out;
  for (size_t i = relative ? 1 : 0; i < directories.size(); ++i) {
    const std::string& directory = directories[i];
    out += ' ';
    if (relative && directory.compare(0, directories[0].size(), directories[0]) == 0) {
      std::string_view rest = std::string_view(directory).substr(directories[0].size());
      if (!rest.empty() && rest.front() == separator) rest.remove_prefix(1);
      out += '+';
      out += rest;
    } else if (!directory.empty() && directory.front() == '+') {
      out += directory;
    } else {
      out += QuoteDoublingQuotes(ExpandDriveConstant(
          ExpandProgramRelativePath(directory, programFolder, NativePathStyle),
          driveConstantList));
    }
  }
  return out;
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

  std::string& line = command.CommandLine;
  if (pnamazu) {
    line += '"';
    line += settings.PerlPath;
    line += "\" \"";
    line += settings.pnamazuPath;
    line += '"';
  } else {
    line += QuoteDoublingQuotes(ExpandDriveConstant(
        ExpandProgramRelativePath(settings.namazuPath, programFolder, NativePathStyle),
        driveConstantList));
  }

  line += SearchOptions(settings, view);

  if (settings.UseNamazurc == "1" && namazurcExists) {
    line += pnamazu ? " -f " : " --config=";
    line += '"';
    line += NamazurcFilePath(settings, driveConstantList);
    line += '"';
  }

  line += pnamazu ? " -o " : " --output=";
  line += '"';
  line += command.ResultFilePath;
  line += "\" ";

  const std::string_view extra = TrimBlanks(settings.namazuOption);
  if (!extra.empty()) {
    line += extra;
    line += ' ';
  }

  // A formula beginning with "-" would be read as options by the searcher
  // ("-o name" would even send the result to another file); "--" ends the
  // options so that it stays the query.
  if (!formula.empty() && formula.front() == '-') line += "-- ";
  line += QuoteFormula(formula);
  line += IndexDirectoryArguments(settings, programFolder, driveConstantList);
  return command;
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
