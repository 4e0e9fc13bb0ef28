#include "core/indexer/mknmzcmd.h"

#include <algorithm>

#include "platform/platform.h"

namespace tavirel {
namespace {

char SeparatorOf(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

bool IsBlank(std::string_view text) { return TrimBlanks(text).empty(); }

// Byte offset just after the last separator of `path` (0 when it has none);
// a Shift-JIS trail byte is never taken for the separator.
size_t AfterLastSeparator(std::string_view path, PathStyle style) {
  const char sep = SeparatorOf(style);
  size_t after = 0;
  for (size_t i = 0; i < path.size(); i += SjisCharLength(path, i)) {
    if (path[i] == sep) after = i + 1;
  }
  return after;
}

// "/", "C:", "C:\" or "C:/" (the form StripTrailingBackslash gives a root).
bool IsRootFolder(std::string_view path, PathStyle style) {
  if (style == PathStyle::Posix) return !path.empty() && path.find_first_not_of('/') == path.npos;
  if (path == "\\") return true;
  return (path.size() == 2 || path.size() == 3) && path[1] == ':' &&
         (path.size() == 2 || path[2] == '\\' || path[2] == '/');
}

// The folder's last component; "" for a root.
std::string LastComponent(std::string_view path, PathStyle style) {
  if (IsRootFolder(path, style)) return {};
  return std::string(path.substr(AfterLastSeparator(path, style)));
}

// base + separator + name, without doubling a separator that ends the base
// (a root such as "/" or "C:/").
std::string JoinPath(std::string_view base, std::string_view name, PathStyle style) {
  std::string out(base);
  const bool endsInSeparator =
      !out.empty() && (out.back() == SeparatorOf(style) || IsRootFolder(out, style));
  if (!endsInSeparator) out += SeparatorOf(style);
  out += name;
  return out;
}

bool HasQuote(std::string_view text) {
  for (size_t i = 0; i < text.size(); i += SjisCharLength(text, i)) {
    if (text[i] == '"') return true;
  }
  return false;
}

TIndexCheck Refuse(std::string_view message, bool warning) {
  return {TIndexCheck::Refused, std::string(message), warning};
}

}  // namespace

std::string CriterionOption(std::string_view caption) {
  const size_t open = caption.find("(-");
  if (open == caption.npos || caption.size() < open + 2) return {};
  return std::string(caption.substr(open + 1, caption.size() - open - 2));
}

std::vector<std::string> SplitTextLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == text.npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::vector<std::string> DocumentDirectories(const TIndexChoices& choices) {
  std::vector<std::string> dirs;
  for (const std::string& line : SplitTextLines(choices.targetDirectories)) {
    std::string_view dir = TrimBlanks(line);
    if (!dir.empty()) dirs.emplace_back(dir);
  }
  return dirs;
}

TIndexCheck CheckIndexOptions(const TIndexChoices& choices, PathStyle style) {
  for (const std::string& folder : IndexFolders(choices, style)) {
    // A blank is never a Shift-JIS trail byte.
    if (folder.find(' ') != std::string::npos) {
      TIndexCheck refused = Refuse(BlankInIndexFolderMessage, true);
      refused.message += "\n" + folder;
      return refused;
    }
  }
  // Updating takes every option from the index itself.
  if (choices.criteria[critUpdate]) return {};

  const std::string outputDir(TrimBlanks(choices.outputDir));
  if (choices.useTargetFileList) {
    if (!platform::FileExists(choices.targetFileListFileName))
      return Refuse(FileListMissingMessage, true);
    if (outputDir.empty()) return Refuse(FileListNeedsOutputMessage, true);
    // "In the same place" names no folder for a list of files.
    if (!choices.indexOtherDir) return Refuse(FileListNeedsOtherDirMessage, true);
  }

  // Folders go between double quotes in the lines; one with a quote in its
  // name cannot be written there.
  const std::vector<std::string> dirs = DocumentDirectories(choices);
  bool quote = HasQuote(outputDir);
  for (const std::string& dir : dirs) quote = quote || HasQuote(dir);
  if (quote) return Refuse(QuoteInPathMessage, false);

  if (choices.indexOtherDir && choices.makeDirChoice == mdcSameName &&
      !choices.useTargetFileList) {
    for (const std::string& dir : dirs) {
      if (LastComponent(StripTrailingBackslash(dir, style), style).empty())
        return Refuse(RootHasNoNameMessage, false);
    }
  }

  if (!outputDir.empty() && !platform::DirectoryExists(outputDir))
    return {TIndexCheck::AskCreateOutput, {}, false};

  if (choices.indexOtherDir && outputDir.empty()) {
    if (SplitTextLines(choices.targetDirectories).size() >= 2)
      return Refuse(SeveralNeedOutputMessage, false);
    // Folders made below the output folder need an output folder.
    if (choices.makeDirChoice != mdcNone) return Refuse(NoOutputBaseMessage, false);
  }
  return {};
}

std::string DocumentFolderArgument(std::string_view folder, PathStyle style) {
  if (!folder.empty() && folder.front() == '-') {
    std::string relative = ".";
    relative += SeparatorOf(style);
    relative += folder;
    return QuoteArgument(relative);
  }
  return QuoteArgument(folder);
}

namespace {

bool SharedIndex(const TIndexChoices& c) {
  return !c.useTargetFileList && !c.criteria[critUpdate] && c.indexOtherDir &&
         c.makeDirChoice != mdcSameName && c.makeDirChoice != mdcNumbered;
}

// The index folder of pass `pass` over the document folders `dirs` (pass 0
// with an empty `dirs` for a list of files).
std::string IndexFolderOf(const TIndexChoices& c, const std::vector<std::string>& dirs,
                          size_t pass, PathStyle style) {
  const bool useList = c.useTargetFileList && !c.criteria[critUpdate];
  const std::string dir =
      useList || pass >= dirs.size() ? std::string() : StripTrailingBackslash(dirs[pass], style);
  if (c.criteria[critUpdate] || !c.indexOtherDir) return dir;
  const std::string outputDir(TrimBlanks(c.outputDir));
  const std::string base = StripTrailingBackslash(outputDir, style);
  switch (c.makeDirChoice) {
    case mdcSameName:
      // A list of files has no folder name to repeat: its index goes into
      // the output folder itself.
      return useList ? base : JoinPath(base, LastComponent(dir, style), style);
    case mdcNumbered:
      return JoinPath(base, "index" + std::to_string(pass + 1), style);
    default:
      return outputDir.empty() && !dirs.empty() ? dirs.front() : base;
  }
}

}  // namespace

std::vector<std::string> IndexFolders(const TIndexChoices& c, PathStyle style) {
  const std::vector<std::string> dirs = DocumentDirectories(c);
  const bool useList = c.useTargetFileList && !c.criteria[critUpdate];
  const size_t passes = useList || SharedIndex(c) ? 1 : dirs.size();
  std::vector<std::string> folders;
  for (size_t pass = 0; pass < passes; ++pass) {
    std::string folder = IndexFolderOf(c, dirs, pass, style);
    if (!folder.empty()) folders.push_back(std::move(folder));
  }
  return folders;
}

TCommandLines BuildCommandLines(const TIndexChoices& c, PathStyle style) {
  TCommandLines result;
  const std::vector<std::string> dirs = DocumentDirectories(c);
  const bool update = c.criteria[critUpdate];
  // An update names index folders, never a list of files.
  const bool useList = c.useTargetFileList && !update;
  if (!useList && dirs.empty()) {
    result.message = NoTargetDirectoryMessage;
    return result;
  }

  std::string common = "*mknmz";
  if (!update) {
    if (c.targetFile == TargetFileChoice::All) common += " --all";
    if (c.targetFile == TargetFileChoice::RegEx)
      common += " --allow=" + QuoteArgument(c.targetFilePattern);
    if (useList) common += " --target-list=" + QuoteArgument(c.targetFileListFileName);
    if (!IsBlank(c.excludeDirPattern)) common += " --exclude=" + QuoteArgument(c.excludeDirPattern);
    if (!IsBlank(c.denyFilePattern)) common += " --deny=" + QuoteArgument(c.denyFilePattern);
    if (c.useMediaType) common += " --media-type=" + QuoteArgument(c.mediaType);
    if (c.useReplace) common += " --replace=" + QuoteArgument(c.replace);
    if (c.useMknmzrc) common += " --config=" + QuoteArgument(c.mknmzrcFileName);
    for (int item = 2; item < CriteriaCount; ++item) {
      if (!c.criteria[item]) continue;
      const std::string option = CriterionOption(CriteriaCaptions[item]);
      if (!option.empty()) common += " " + option;
    }
  }
  if (!IsBlank(c.otherParameters)) {
    common += " ";
    common += TrimBlanks(c.otherParameters);
  }

  // One shared index (choice 0) is made by one mknmz line that names every
  // folder: mknmz records the folders of its line in the index, and an
  // update later looks through all of them. Lines of their own, joined with
  // --no-delete, would leave an index that an update reads from the last
  // folder only, and a run of them would drop and re-add the other folders'
  // documents every time.
  const bool sharedIndex = SharedIndex(c);
  const size_t passes = useList || sharedIndex ? 1 : dirs.size();
  for (size_t pass = 0; pass < passes; ++pass) {
    const std::string dir = useList ? std::string() : StripTrailingBackslash(dirs[pass], style);
    std::string perDir;
    if (update) {
      perDir = " --update=" + QuoteArgument(dir);
    } else {
      const std::string out = IndexFolderOf(c, dirs, pass, style);
      if (c.indexOtherDir) {
        result.lines.push_back("*mkdir \"" + out + "\"");
        if (c.criteria[critDeleteBefore])
          result.lines.push_back("*delete \"" + out + "\", \"NMZ.*\"");
      } else {
        if (c.criteria[critDeleteBefore])
          result.lines.push_back("*delete \"" + out + "\", \"NMZ.*\"");
      }
      perDir += " --output=" + QuoteArgument(out);
      if (sharedIndex) {
        for (const std::string& each : dirs)
          perDir += " " + DocumentFolderArgument(StripTrailingBackslash(each, style), style);
      } else if (!useList) {
        perDir += " " + DocumentFolderArgument(dir, style);
      }
    }
    result.lines.push_back(common + perDir);
  }
  result.ok = true;
  return result;
}

}  // namespace tavirel

namespace tavirel {
namespace {

constexpr int MaxOptionKeys = 1000;

std::string Flag(bool on) { return on ? "1" : "0"; }

}  // namespace

void ReadIndexDefaults(const TIniFile& ini, TIndexChoices& c) {
  auto read = [&ini](std::string_view key, std::string_view def = "") {
    return ReadProfileString(ini, IndexDefaultsSection, key, def);
  };
  const std::string target = AsciiLowerSjis(read("TargetFile", "Default"));
  c.targetFile = target == "all"     ? TargetFileChoice::All
                 : target == "regex" ? TargetFileChoice::RegEx
                                     : TargetFileChoice::Default;
  c.targetFilePattern = std::string(TrimBlanks(read("RegEx")));
  c.useTargetFileList = read("UseListFile", "0") == "1";
  c.targetFileListFileName = read("ListFileName");
  c.denyFilePattern = read("DenyFilePattern");
  c.criteria[critDeleteBefore] = read("DeleteBeforeMakeIndex", "0") == "1";
  c.criteria[critUpdate] = read("UpdateIndex", "0") == "1";
  for (int item = 2; item < CriteriaCount; ++item) c.criteria[item] = false;
  const int count = std::min(ParseDecimalInt(read("OptionCount", "0"), 0), MaxOptionKeys);
  for (int i = 1; i <= count; ++i) {
    const std::string ending = "(" + std::string(TrimBlanks(read("Option" + std::to_string(i)))) + ")";
    for (int item = 2; item < CriteriaCount; ++item) {
      const std::string_view caption = CriteriaCaptions[item];
      if (caption.size() >= ending.size() && caption.substr(caption.size() - ending.size()) == ending)
        c.criteria[item] = true;
    }
  }
  c.useMediaType = read("UseMediaType", "0") == "1";
  c.mediaType = std::string(TrimBlanks(read("MediaType")));
  c.useReplace = read("UseReplace", "0") == "1";
  c.replace = std::string(TrimBlanks(read("Replace")));
  c.useMknmzrc = read("UseMknmzrc", "0") == "1";
  c.mknmzrcFileName = std::string(TrimBlanks(read("MknmzrcFileName")));
  c.otherParameters = std::string(TrimBlanks(read("OtherOptions")));
}

void WriteIndexDefaults(TIniFile& ini, const TIndexChoices& c, IndexDefaultsPage page) {
  auto write = [&ini](std::string_view key, std::string_view value) {
    WriteProfileString(ini, IndexDefaultsSection, key, value);
  };
  if (page == IndexDefaultsPage::File) {
    write("TargetFile", c.targetFile == TargetFileChoice::All     ? "All"
                        : c.targetFile == TargetFileChoice::RegEx ? "RegEx"
                                                                  : "Default");
    write("RegEx", TrimBlanks(c.targetFilePattern));
    write("UseListFile", Flag(c.useTargetFileList));
    write("ListFileName", TrimBlanks(c.targetFileListFileName));
    write("DenyFilePattern", TrimBlanks(c.denyFilePattern));
    return;
  }
  write("DeleteBeforeMakeIndex", Flag(c.criteria[critDeleteBefore]));
  write("UpdateIndex", Flag(c.criteria[critUpdate]));
  int count = 0;
  for (int item = 2; item < CriteriaCount; ++item) {
    if (!c.criteria[item]) continue;
    // The caption's text between " (" and the final ")".
    const std::string_view caption = CriteriaCaptions[item];
    const size_t open = caption.find(" (");
    if (open == caption.npos) continue;
    write("Option" + std::to_string(++count),
          caption.substr(open + 2, caption.size() - open - 3));
  }
  write("OptionCount", std::to_string(count));
  write("UseMediaType", Flag(c.useMediaType));
  write("MediaType", TrimBlanks(c.mediaType));
  write("UseReplace", Flag(c.useReplace));
  write("Replace", TrimBlanks(c.replace));
  write("UseMknmzrc", Flag(c.useMknmzrc));
  write("MknmzrcFileName", c.mknmzrcFileName);
  write("OtherOptions", TrimBlanks(c.otherParameters));
}

void LoadIndexDefaults(const std::string& iniFileName, TIndexChoices& choices) {
  TIniFile ini;
  ini.LoadFromFile(iniFileName);  // a missing file reads as empty
  ReadIndexDefaults(ini, choices);
}

bool SaveIndexDefaults(const std::string& iniFileName, const TIndexChoices& choices,
                       IndexDefaultsPage page) {
  if (iniFileName.empty() || IsReadOnlyFile(iniFileName)) return false;
  TIniFile ini;
  if (!ini.LoadFromFile(iniFileName)) return false;
  WriteIndexDefaults(ini, choices, page);
  return ini.SaveToFile(iniFileName);
}

}  // namespace tavirel
