// The document folders of an index, as mknmz records them in NMZ.status: the
// "argv" line holds the arguments it was run with, separated by tabs, and the
// "cwd" line the folder it ran in. Everything that is no option or option
// value is a target; relative ones are taken from the cwd. The names are the
// file system's bytes (UTF-8), as mknmz wrote them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavirel {

// The target folders named in an NMZ.status text, absolute; empty when the
// text has no argv line, names a target list (-F) or a target is relative
// without a cwd.
std::vector<std::string> IndexedFoldersFromStatus(std::string_view statusText);

// 未反映の変更あり
inline constexpr std::string_view UnappliedChangesText =
    "\x96\xa2\x94\xbd\x89\x66\x82\xcc\x95\xcf\x8d\x58\x82\xa0\x82\xe8";

// The changes seen in the folders of each watched index since it was last
// made or updated, counted by reports of the watcher.
class TIndexChanges {
 public:
  // Starts over with `count` indexes, none with changes.
  void Reset(size_t count) { changes_.assign(count, 0); }
  void Changed(size_t index) {
    if (index < changes_.size()) ++changes_[index];
  }
  void Updated(size_t index) {
    if (index < changes_.size()) changes_[index] = 0;
  }
  bool Stale(size_t index) const { return index < changes_.size() && changes_[index] > 0; }
  size_t StaleCount() const;
  // For the status bar: "未反映の変更あり" when one index has changes, with
  // several "未反映の変更あり (索引 2 件)"; empty when none has.
  std::string StatusText() const;

 private:
  std::vector<int> changes_;
};

}  // namespace tavirel
