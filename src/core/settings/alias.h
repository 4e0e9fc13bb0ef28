// aliases.ini: named sets of index directories (directory aliases) and named
// groups of ready-made search formulas (query groups), prepared by the user
// with a text editor. The program reads the file and never writes it.
//
// Layout (profile-string rules: names without regard to letter case, values
// trimmed, one pair of enclosing quotes removed, values cut at 2047 bytes):
//   [DirAliasList]   Count, Alias1..AliasCount
//   [DirAlias<n>]    DirCount, Directory1..DirectoryDirCount
//   [QueryGroupList] Count, Group1..GroupCount
//   [QueryGroup<n>]  QueryCount, Query1.., Caption1.. (empty caption: the formula is shown)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/process/ucommon.h"

namespace tavirel {

// The stored formulas of one query group, one entry per "Query" key.
struct TQueryGroup {
  std::vector<std::string> Captions;  // the caption, or the formula when the caption is empty
  std::vector<std::string> Queries;   // the formulas, empty ones included
  std::vector<bool> Ticked;           // all clear after loading
};

struct TAliasFile {
  std::vector<std::string> AliasNames;
  // Per alias: its non-blank directories in key order, joined by "\r\n".
  std::vector<std::string> DirAliasDirectories;
  std::vector<std::string> GroupNames;
  std::vector<TQueryGroup> QueryGroups;
  // Shift-JIS text of a refusal (the file is no regular file, too large or
  // no text); the lists are then empty. Empty when the file was read or is
  // simply missing.
  std::string Error;
};

// A file larger than this is refused.
inline constexpr uint64_t MaxAliasFileBytes = 4u * 1024u * 1024u;
// Counts above this are read as this many entries, so that a damaged count
// cannot make the program allocate without bound.
inline constexpr int MaxAliasEntries = 1000;
// All aliases together hold at most this many directory keys read, and all
// groups together at most this many formulas; later counts read as what is left.
inline constexpr int MaxAliasTotalEntries = 100000;

// The program folder's "aliases.ini".
std::string AliasFilePath(std::string_view programFolder, PathStyle style);

// Reads the aliases and groups from INI text.
TAliasFile ParseAliasText(std::string_view text);
// Reads the file. A missing file gives empty lists and no error.
TAliasFile LoadAliasFile(const std::string& path);

// The ticked formulas of all groups, group by group, each in formula order.
std::vector<std::string> CollectTickedQueries(const std::vector<TQueryGroup>& groups);

// The formulas joined into one formula: without OR separated by one blank
// (line breaks inside a formula become blanks) and trimmed; with OR every
// formula not already enclosed in parentheses is put in "( " and " )" and the
// parts are joined by " or ".
std::string BuildQueryText(const std::vector<std::string>& formulas, bool useOr);

// The directory text for the selected aliases (indexes into the list, in any
// order): their directories in list order, joined by one blank and trimmed.
// Empty when nothing is selected.
std::string SelectedAliasDirectories(const TAliasFile& file, const std::vector<int>& selected);

}  // namespace tavirel
