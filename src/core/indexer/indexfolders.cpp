#include "core/indexer/indexfolders.h"

#include <algorithm>
#include <array>

namespace tavirel {
namespace {

// mknmz's options whose value may follow as the next argument.
constexpr std::array<std::string_view, 8> kShortWithValue = {"-t", "-F", "-r", "-L",
                                                             "-f", "-I", "-O", "-T"};
constexpr std::array<std::string_view, 13> kLongWithValue = {
    "--media-type", "--target-list", "--allow",   "--deny",   "--exclude",
    "--replace",    "--mtime",       "--indexing-lang",       "--update",
    "--config",     "--include",     "--output-dir", "--template-dir"};

bool Contains(const auto& list, std::string_view item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return fields;
}

// The value of the line `key` (after "key "), or nothing.
bool LineValue(std::string_view text, std::string_view key, std::string_view& value) {
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == ' ') {
      value = line.substr(key.size() + 1);
      return true;
    }
    start = end + 1;
  }
  return false;
}

// "/a/./b/../c/" as "/a/c".
std::string Normalized(std::string_view path) {
  std::vector<std::string_view> parts;
  for (size_t start = 1; start <= path.size();) {
    size_t slash = path.find('/', start);
    if (slash == std::string_view::npos) slash = path.size();
    const std::string_view part = path.substr(start, slash - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = slash + 1;
  }
  std::string result;
  for (const std::string_view part : parts) (result += '/') += part;
  return result.empty() ? "/" : result;
}

}  // namespace

std::vector<std::string> IndexedFoldersFromStatus(std::string_view statusText) {
  std::string_view argv, cwd;
  if (!LineValue(statusText, "argv", argv)) return {};
  LineValue(statusText, "cwd", cwd);
  std::vector<std::string> folders;
  bool optionsEnded = false;
  const std::vector<std::string_view> args = Fields(argv);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg.empty()) continue;
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      // The files to index come from a list: their folders are not known.
      if (arg == "-F" || arg.substr(0, 13) == "--target-list") return {};
      if (Contains(kShortWithValue, arg) || Contains(kLongWithValue, arg)) ++i;
      continue;
    }
    std::string folder;
    if (arg[0] == '/') {
      folder = arg;
    } else {
      if (cwd.empty() || cwd[0] != '/') return {};
      folder = std::string(cwd);
      if (folder.back() != '/') folder += '/';
      folder += arg;
    }
    folder = Normalized(folder);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
      folders.push_back(std::move(folder));
  }
  return folders;
}

size_t TIndexChanges::StaleCount() const {
  return static_cast<size_t>(
      std::count_if(changes_.begin(), changes_.end(), [](int count) { return count > 0; }));
}

std::string TIndexChanges::StatusText() const {
  const size_t stale = StaleCount();
  if (stale == 0) return {};
  std::string text(UnappliedChangesText);
  if (changes_.size() > 1) {
    text += " (\x8d\xf5\x88\xf8 " + std::to_string(stale) + " \x8c\x8f)";  // (索引 N 件)
  }
  return text;
}

}  // namespace tavirel
