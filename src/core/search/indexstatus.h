// What an index directory holds, read from the index's own small files
// before a search: whether it is a Namazu index at all, how many documents
// it holds (NMZ.status, else the last summary of NMZ.log), when it was last
// updated (the last "Date:" of NMZ.log, the indexer's local time) and
// whether the indexer is writing it now (NMZ.lock2). A handful of file
// checks and two short reads; nothing is written.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavirel {

enum class TIndexState {
  Index,      // the files namazu needs are there
  Missing,    // no such folder
  NotIndex,   // a folder without them
};

struct TIndexDate {
  int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
  bool Valid() const { return Year > 0; }
  auto operator<=>(const TIndexDate&) const = default;
};

struct TIndexStatus {
  TIndexState State = TIndexState::Missing;
  int64_t Documents = -1;   // -1 when no file tells
  TIndexDate LastUpdate;    // not Valid() when NMZ.log has no date
  bool Updating = false;    // the indexer's lock file is there
};

// `directory` as the user names it (Shift-JIS, with or without a trailing
// separator).
TIndexStatus ReadIndexStatus(std::string_view directory);

// The parts of the reading, for files already read.
int64_t DocumentsFromStatusFile(std::string_view statusFile);   // "files N"; -1
// The last "Date:" and "Total Documents:" of NMZ.log (any tail of it).
TIndexDate LastDateFromLog(std::string_view logTail);
int64_t LastTotalFromLog(std::string_view logTail);
// "Tue Dec  8 05:39:17 2026" (the C library's date form).
TIndexDate ParseLogDate(std::string_view text);

// "、インデックスを更新中です": the note of an index the indexer is writing.
inline constexpr std::string_view IndexUpdatingNote =
    "\x81\x41\x83\x43\x83\x93\x83\x66\x83\x62\x83\x4e\x83\x58\x82\xf0\x8d\x58\x90\x56"
    "\x92\x86\x82\xc5\x82\xb7";

// "2026/12/08 05:39".
std::string IndexDateText(const TIndexDate& date);

// "文書 14 件、更新 2026/12/08 05:39" (with "、インデックスを更新中です" while
// the indexer runs); for the index box's tooltip and the status bar.
std::string IndexStatusText(const TIndexStatus& status);
// The message for a directory that cannot be searched, empty for an index:
// "インデックスのフォルダがありません: DIR" or
// "このフォルダはインデックスではありません: DIR".
std::string IndexProblemText(std::string_view directory, const TIndexStatus& status);

}  // namespace tavirel
