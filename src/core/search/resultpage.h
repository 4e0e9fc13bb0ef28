// Which part of all the hits a result shows. namazu lists at most --max hits
// a run, says how many the formula matched and which of them it listed; a
// run with --whence=N lists the hits after the first N, numbered on from N + 1.
// These read that from a result, plain or HTML, in Japanese or English, and
// work out the --whence of the neighbouring pages.
#pragma once

#include <string>
#include <string_view>

namespace tavirel {

// 検索式にマッチする (before the count of a Japanese result)
inline constexpr std::string_view MatchedCountMarker =
    "\x8c\x9f\x8d\xf5\x8e\xae\x82\xc9\x83\x7d\x83\x62\x83\x60\x82\xb7\x82\xe9 ";
// 現在のリスト: (before the range of a Japanese result)
inline constexpr std::string_view CurrentListMarker =
    "\x8c\xbb\x8d\xdd\x82\xcc\x83\x8a\x83\x58\x83\x67: ";
inline constexpr std::string_view MatchedCountMarkerEn = "Total ";
inline constexpr std::string_view CurrentListMarkerEn = "Current List: ";

struct TResultPage {
  int Total = 0;  // documents the formula matched
  int First = 0;  // number of the first hit listed (1-based); 0 when none was
  int Last = 0;   // number of the last hit listed
  // True when the result lists only part of the hits.
  bool Partial() const { return First > 0 && (First > 1 || Last < Total); }
  bool HasNext() const { return First > 0 && Last < Total; }
  bool HasPrevious() const { return First > 1; }
  // The --whence of the page after this one: the hits listed so far.
  int NextWhence() const { return Last; }
  // The --whence of the page before this one, `perPage` hits a page.
  int PreviousWhence(int perPage) const;
};

// The counts of a result's bytes (Shift-JIS); all zero when the result names
// no range (no hit, a failure, a --list run).
TResultPage ReadResultPage(std::string_view resultBytes);

// The status text of a partial result, in Shift-JIS:
// "42 件中 21 - 40 件目を表示しています" with the keys to page on.
std::string ResultPageStatusText(const TResultPage& page);

}  // namespace tavirel
