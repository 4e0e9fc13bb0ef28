// Recognition of the hits in the searcher's plain result file, and the choices
// the result list makes from a character offset (which hit a click opens,
// where N and P move the caret).
//
// Offsets count characters of the rejoined text `Text`: a Shift-JIS
// double-byte character (a lead byte followed by a valid trail byte) is one
// character, any other byte is one character, and every line break counts as
// two (CR LF). The input may end its lines with CR LF, LF or a lone CR; each is
// one line break, and a break at the very end does not start another line.
// A view that numbers a line break as one position adds its line number to
// the position before comparing it with these offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/settings.h"

namespace tavirel {

struct SearchHit { int32_t TitleStart = 0, TitleEnd = 0; std::string Title;
                   int32_t UriStart = 0, UriEnd = 0; std::string Uri; };

struct ResultListParse {
  std::string Text;                 // the rejoined text, CR LF after every line
  std::vector<SearchHit> Hits;
  std::vector<uint8_t> ResultCharKinds; // one per character: 0, 'T' or 'U'
  bool Found = false;               // a hit list was found and processed
};

inline constexpr uint8_t CharKindTitle = 'T';
inline constexpr uint8_t CharKindUri = 'U';

// The two title markers; the last one on a line ends the title.
inline constexpr std::string_view ScoreMarker = " (score:";
inline constexpr std::string_view ScoreMarkerJa = " (\x83\x58\x83\x52\x83\x41:";  // " (スコア:"

// 検索結果のファイルのサイズが 0 バイトです。
inline constexpr std::string_view ResultFileEmptyMessage =
    "\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x83\x54"
    "\x83\x43\x83\x59\x82\xaa" " 0 " "\x83\x6f\x83\x43\x83\x67\x82\xc5\x82\xb7\x81\x42";

// Byte length of the character at byte `i` as the result list counts
// characters: 2 for a lead byte followed by a valid trail byte, else 1.
size_t ResultCharLength(std::string_view text, size_t i);

// The 1-based character position of the n-th occurrence of `ch` counted from
// the end of `line` (the trail byte of a double-byte character is never taken
// for it), or 0 when the line holds fewer than n (or n is below 1).
int FindNthFromEnd(std::string_view line, char ch, int n);

// One line of a result text as NextResultLine reads it: bytes [Begin, Begin +
// Length) without the line break, their characters, the offset of the first.
struct ResultLine {
  size_t Begin = 0;
  size_t Length = 0;
  int32_t Offset = 0;
  int32_t Chars = 0;
  bool EndsLine = true;    // false for a piece cut at maxBytes: the line goes on
  size_t Next = 0;         // where the next line (or piece) begins
  int32_t NextOffset = 0;  // its offset: two more than this one's end after a break
};

// Reads the line that begins at `line.Next` into `line`; false when the text
// has no more. Start with a default ResultLine. With `maxBytes`, a longer line
// comes in pieces of at most that many bytes (never cutting a double-byte
// character), the last one ending the line.
bool NextResultLine(std::string_view text, ResultLine& line, size_t maxBytes = SIZE_MAX);

struct ResultHitList {
  std::vector<SearchHit> Hits;
  bool Found = false;  // a hit list was found and processed
};

// The hits of ParseResultText alone, without the rejoined text and the
// character kinds (which a caller can derive from the hits).
ResultHitList FindResultHits(std::string_view fileBytes, int fileNameBlankLineNext,
                             int fileNameSpaceFromEnd);

// Input beyond this is ignored, so that every offset (at most two characters
// per input byte) fits a 32-bit signed integer.
inline constexpr size_t MaxResultTextBytes = 0x3FFFFFFF;

// Finds the hits in a result file's bytes. `fileNameBlankLineNext` below 1
// counts as 1, `fileNameSpaceFromEnd` below 1 as 2 (callers pass a setting
// that does not parse as a number as 0). Input beyond 1 GiB is ignored.
ResultListParse ParseResultText(std::string_view fileBytes, int fileNameBlankLineNext,
                                int fileNameSpaceFromEnd);
// A result written by `namazu --no-decode-uri` made readable: each hit's
// percent-encoded file name decoded into the program's code (DecodeHitAddress),
// and a title that mknmz took from the file name (which namazu prints garbled
// when the name is not ASCII) replaced by the file's name. The hits are found
// by the rules of ParseResultText; everything else stays byte for byte.
std::string ReadableResultText(std::string_view fileBytes, int fileNameBlankLineNext,
                               int fileNameSpaceFromEnd);
// The same with FileNameBlankLineNext and FileNameSpaceFromEnd read from the settings.
ResultListParse ParseResultText(std::string_view fileBytes, const TSettings& settings);

// The three below take the hits as ParseResultText finds them: in text order,
// only the last one possibly without a file-name line.
//
// The hit a click or Enter at `offset` opens: the first hit, in list order,
// whose file-name line ends at or after the offset (so a title, the lines
// below it and its file name all open that hit). Hits whose file-name line was
// never found are passed over. -1 when there is none.
int FindHitAt(const std::vector<SearchHit>& hits, int32_t offset);

// The caret offset N moves to from `offset`: the start of the next hit's
// file-name line (the last hit's when the caret is already in the last hit).
// Nothing when no hit's file-name line lies after the offset. A target hit
// whose file-name line was never found gets the caret at its title.
std::optional<int32_t> NextHitCaret(const std::vector<SearchHit>& hits, int32_t offset);
// The caret offset P moves to: the start of the previous hit's title (the
// first hit's when the caret is in the first hit). Nothing when no title
// begins before the offset.
std::optional<int32_t> PreviousHitCaret(const std::vector<SearchHit>& hits, int32_t offset);

// The local path of a hit's file name: the URL turned into a path, a
// program-relative path and a drive label expanded.
std::string HitDocumentPath(std::string_view uri, std::string_view programFolder,
                            const std::vector<std::string>& driveConstantList);
// The path handed to the system's associated application: a "#" fragment
// after the extension is cut off.
std::string ShellOpenPath(std::string_view path);

}  // namespace tavirel
