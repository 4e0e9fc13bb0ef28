#include "core/search/resultlist.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "core/process/ucommon.h"
#include "core/search/hitnames.h"
#include "platform/memory.h"

namespace tavirel {
namespace {

// Byte classes: a lead byte begins a double-byte character when the byte after
// it is a trail byte; otherwise it stands alone, as every other byte does.
enum : uint8_t { ByteSingle = 0, ByteLead = 1, ByteBreak = 2 };

constexpr std::array<uint8_t, 256> MakeByteClasses() {
  std::array<uint8_t, 256> classes{};
  for (int c = 0; c < 256; ++c) {
    if (IsSjisLeadByte(static_cast<unsigned char>(c))) classes[c] = ByteLead;
  }
  classes['\r'] = ByteBreak;
  classes['\n'] = ByteBreak;
  return classes;
}
constexpr std::array<uint8_t, 256> ByteClasses = MakeByteClasses();

constexpr bool IsTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}
constexpr std::array<uint8_t, 256> TrailBytes = [] {
  std::array<uint8_t, 256> trail{};
  for (int c = 0; c < 256; ++c) trail[c] = IsTrailByte(static_cast<unsigned char>(c)) ? 1 : 0;
  return trail;
}();

// Byte length of the character at `i` of the `n` bytes at `p`.
inline size_t CharLenAt(const unsigned char* p, size_t n, size_t i) {
  return (ByteClasses[p[i]] == ByteLead && i + 1 < n && IsTrailByte(p[i + 1])) ? 2 : 1;
}

int32_t CountChars(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  int32_t chars = 0;
  for (size_t i = 0; i < n; i += CharLenAt(p, n, i)) ++chars;
  return chars;
}

// Byte position and 1-based character position of the n-th `ch` from the end.
struct Occurrence {
  size_t BytePos = 0;
  int CharPos = 0;   // 0 when there is none
};

Occurrence FindNthFromEndImpl(std::string_view line, char ch, int n, bool singleByteLine) {
  Occurrence found;
  if (n < 1) return found;
  const auto uch = static_cast<unsigned char>(ch);
  if (singleByteLine || (!IsTrailByte(uch) && !IsSjisLeadByte(uch))) {
    // Every byte equal to `ch` is a character of its own: search backwards.
    int seen = 0;
    for (size_t i = line.size(); i-- > 0;) {
      if (line[i] == ch && ++seen == n) {
        found.BytePos = i;
        found.CharPos =
            (singleByteLine ? static_cast<int>(i) : CountChars(line.substr(0, i))) + 1;
        return found;
      }
    }
    return found;
  }
  // `ch` may be the trail byte of a double-byte character: walk the characters.
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const size_t size = line.size();
  int total = 0;
  for (size_t i = 0; i < size; i += CharLenAt(p, size, i)) {
    if (CharLenAt(p, size, i) == 1 && p[i] == uch) ++total;
  }
  if (total < n) return found;
  const int wanted = total - n + 1;  // counted from the start
  int seen = 0;
  int chars = 0;
  for (size_t i = 0; i < size; i += CharLenAt(p, size, i)) {
    ++chars;
    if (CharLenAt(p, size, i) == 1 && p[i] == uch && ++seen == wanted) {
      found.BytePos = i;
      found.CharPos = chars;
      return found;
    }
  }
  return found;
}

// Where the second-to-last line NextResultLine reads from `input` begins
// (0 when there are fewer than two lines): found from the end, so that the
// lines need not be counted.
size_t SecondToLastLineBegin(std::string_view input) {
  const auto* p = reinterpret_cast<const unsigned char*>(input.data());
  auto isBreak = [p](size_t i) { return p[i] == '\n' || p[i] == '\r'; };
  // The end of the last line's text: before the break that ends the input.
  size_t end = input.size();
  if (end > 0 && isBreak(end - 1)) end -= (end >= 2 && p[end - 2] == '\r' && p[end - 1] == '\n') ? 2 : 1;
  for (int line = 0; line < 2; ++line) {
    // The line ending at `end` begins after the last break before it.
    size_t begin = end;
    while (begin > 0 && !isBreak(begin - 1)) --begin;
    if (line == 1) return begin;
    if (begin == 0) return 0;  // a single line
    end = begin - ((begin >= 2 && p[begin - 2] == '\r' && p[begin - 1] == '\n') ? 2 : 1);
  }
  return 0;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::memcmp(text.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace

size_t ResultCharLength(std::string_view text, size_t i) {
  return CharLenAt(reinterpret_cast<const unsigned char*>(text.data()), text.size(), i);
}

int FindNthFromEnd(std::string_view line, char ch, int n) {
  return FindNthFromEndImpl(line, ch, n, false).CharPos;
}

namespace {

constexpr uint64_t EveryByte(unsigned char c) { return 0x0101010101010101ULL * c; }
constexpr uint64_t HighBits = EveryByte(0x80);

// The first line break (CR or LF) in [i, end), or `end`. Eight bytes at a
// time: in a word XORed with the break byte, the lowest byte that is zero is
// the lowest one that `(v - 1...) & ~v` gives its high bit.
inline size_t FindBreak(const unsigned char* p, size_t i, size_t end) {
  if constexpr (std::endian::native == std::endian::little) {
    for (; i + 8 <= end; i += 8) {
      uint64_t w;
      std::memcpy(&w, p + i, sizeof w);
      const uint64_t cr = w ^ EveryByte('\r');
      const uint64_t lf = w ^ EveryByte('\n');
      const uint64_t hit = (((cr - EveryByte(1)) & ~cr) | ((lf - EveryByte(1)) & ~lf)) & HighBits;
      if (hit != 0) return i + static_cast<size_t>(std::countr_zero(hit) >> 3);
    }
  }
  while (i < end && ByteClasses[p[i]] != ByteBreak) ++i;
  return i;
}

// Reads a line as NextResultLine does; without `CountChars` its Chars and
// offsets are left as they were (a caller that only needs the lines' bytes).
template <bool CountChars>
bool ReadLine(std::string_view text, ResultLine& line, size_t maxBytes) {
  const size_t n = text.size();
  if (line.Next >= n) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t begin = line.Next;
  line.Begin = begin;
  if (ByteClasses[p[begin]] == ByteBreak) {
    // An empty line, the only kind a file of millions of lines may hold.
    line.Length = 0;
    line.EndsLine = true;
    line.Next = begin + ((p[begin] == '\r' && begin + 1 < n && p[begin + 1] == '\n') ? 2 : 1);
    if constexpr (CountChars) {
      line.Offset = line.NextOffset;
      line.Chars = 0;
      line.NextOffset = line.Offset + 2;
    }
    return true;
  }
  const size_t limit = maxBytes < n - begin ? begin + maxBytes : n;
  const size_t end = FindBreak(p, begin, limit);
  size_t i = begin;
  size_t doubles = 0;
  // A lead byte and a trail byte after it make one character; the scan only
  // has to look at lead bytes, and skips eight ASCII bytes at a time.
  if (CountChars || (end == limit && limit < n)) {
    while (i < end) {
      if (p[i] < 0x80) {
        uint64_t w;
        if (i + 8 <= end && (std::memcpy(&w, p + i, sizeof w), (w & HighBits) == 0)) {
          i += 8;
        } else {
          ++i;
        }
        continue;
      }
      const size_t pair = (ByteClasses[p[i]] == ByteLead) & TrailBytes[i + 1 < n ? p[i + 1] : 0];
      i += 1 + pair;
      doubles += pair;
    }
    // A character that runs past the limit ends the piece before it, unless
    // it is the piece's first (a character is never cut in two).
    if (i > end && i - 2 > begin) {
      i -= 2;
      --doubles;
    }
  } else {
    i = end;
  }
  line.Length = i - begin;
  line.EndsLine = i >= n || ByteClasses[p[i]] == ByteBreak;
  if (i < n && line.EndsLine) {
    // CR LF, a lone CR or a lone LF ends the line.
    if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
    ++i;
  }
  line.Next = i;
  if constexpr (CountChars) {
    const auto chars = static_cast<int32_t>(line.Length - doubles);
    line.Offset = line.NextOffset;
    line.Chars = chars;
    line.NextOffset = line.Offset + chars + (line.EndsLine ? 2 : 0);
  }
  return true;
}

}  // namespace

bool NextResultLine(std::string_view text, ResultLine& line, size_t maxBytes) {
  return ReadLine<true>(text, line, maxBytes);
}

namespace {

// Finds the hits' lines: `onTitle(line, markerBytePos)` for a title line,
// `onFileName(line, blank)` for its file-name line. False when the text has
// no line starting the list. The lines are read as they come, so that a file
// of millions of short lines needs no table of them. Without `CountChars` the
// lines' offsets are not worked out (a caller that only counts the hits).
// `last`, when given, receives the last line read, from which the caller may
// read on.
template <bool CountChars, class OnTitle, class OnFileName>
bool ScanHitLines(std::string_view fileBytes, int fileNameBlankLineNext, int fileNameSpaceFromEnd,
                  OnTitle onTitle, OnFileName onFileName, ResultLine* last = nullptr) {
  auto lineText = [&](const ResultLine& line) {
    return std::string_view(fileBytes.data() + line.Begin, line.Length);
  };
  if (fileBytes.empty()) return false;
  // The last two lines are never examined.
  const size_t examinedEnd = SecondToLastLineBegin(fileBytes);

  // The list starts at the first line after the first one that begins with "1. ".
  // A later page (--whence) numbers on from where the one before ended: its
  // list starts at the first line that begins with a number and ". ".
  ResultLine line;
  ReadLine<CountChars>(fileBytes, line, SIZE_MAX);
  size_t index = 0;
  bool started = false;
  bool seek = true;
  if constexpr (!CountChars) {
    // Without offsets to work out, the line is looked for as bytes: "1. "
    // after a line break, where the reading goes on.
    const std::string_view rest = fileBytes.substr(line.Next);
    size_t at = 0;
    while ((at = rest.find("1. ", at)) != std::string_view::npos &&
           at > 0 && ByteClasses[static_cast<unsigned char>(rest[at - 1])] != ByteBreak) {
      ++at;
    }
    if (at == std::string_view::npos) seek = false;
    else line.Next += at;
  }
  while (seek && !started && ReadLine<CountChars>(fileBytes, line, SIZE_MAX)) {
    ++index;
    started = StartsWith(lineText(line), "1. ");
  }
  if (!started) {
    line = {};
    index = 0;
    ReadLine<CountChars>(fileBytes, line, SIZE_MAX);
    while (!started && ReadLine<CountChars>(fileBytes, line, SIZE_MAX)) {
      ++index;
      const std::string_view text = lineText(line);
      size_t digits = 0;
      while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
      started = digits > 0 && text.substr(digits, 2) == ". ";
    }
  }
  if (!started) {
    if (last != nullptr) *last = line;
    return false;
  }

  const size_t blankLinesNeeded = static_cast<size_t>(fileNameBlankLineNext);
  const auto* p = reinterpret_cast<const unsigned char*>(fileBytes.data());
  bool titleState = true;
  size_t nextNonEmpty = 0;  // the first non-empty line after the one examined

  for (; line.Begin < examinedEnd; ++index, ReadLine<CountChars>(fileBytes, line, SIZE_MAX)) {
    const std::string_view text = lineText(line);

    if (titleState) {
      if (text.empty()) continue;
      size_t marker = text.rfind(ScoreMarker);
      if (marker == std::string_view::npos) marker = text.rfind(ScoreMarkerJa);
      if (marker == std::string_view::npos) continue;
      onTitle(line, marker);
      titleState = false;
      continue;
    }

    // A file-name line is followed by the required number of empty lines;
    // lines past the end of the file do not count as empty. An empty line is
    // a line break where a line begins.
    if (nextNonEmpty <= index) {
      nextNonEmpty = index + 1;
      for (size_t i = line.Next; i < fileBytes.size() && ByteClasses[p[i]] == ByteBreak;
           ++nextNonEmpty) {
        i += (p[i] == '\r' && i + 1 < fileBytes.size() && p[i + 1] == '\n') ? 2 : 1;
      }
    }
    if (nextNonEmpty - (index + 1) < blankLinesNeeded) continue;

    const bool singleByteLine = CountChars && line.Chars == static_cast<int32_t>(line.Length);
    const Occurrence blank = FindNthFromEndImpl(text, ' ', fileNameSpaceFromEnd, singleByteLine);
    if (blank.CharPos < 3) continue;
    onFileName(line, blank);
    titleState = true;
  }
  if (last != nullptr) *last = line;
  return true;
}

void ApplyFallbacks(std::string_view& fileBytes, int& fileNameBlankLineNext,
                    int& fileNameSpaceFromEnd) {
  if (fileNameBlankLineNext < 1) fileNameBlankLineNext = 1;
  if (fileNameSpaceFromEnd < 1) fileNameSpaceFromEnd = 2;
  if (fileBytes.size() > MaxResultTextBytes) fileBytes = fileBytes.substr(0, MaxResultTextBytes);
}

}  // namespace

namespace {

// The hits of a text the fallbacks were applied to. `last` receives the last
// line whose offset was worked out (a default line when none was), from which
// the caller can read on to the end.
ResultHitList CollectHits(std::string_view fileBytes, int fileNameBlankLineNext,
                          int fileNameSpaceFromEnd, ResultLine& last) {
  ResultHitList result;
  // Counted first, so that a list of a million hits takes its room once
  // instead of growing (and for a while taking it twice over).
  size_t count = 0;
  result.Found = ScanHitLines<false>(
      fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd,
      [&](const ResultLine&, size_t) { ++count; }, [](const ResultLine&, const Occurrence&) {});
  if (count == 0) return result;
  result.Hits.reserve(count);
  result.Found = ScanHitLines<true>(
      fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd,
      [&](const ResultLine& line, size_t marker) {
        const std::string_view text(fileBytes.data() + line.Begin, marker);
        // A marker begins with a blank, which is never a trail byte, so it
        // always begins a character.
        const int32_t titleChars = line.Chars == static_cast<int32_t>(line.Length)
                                       ? static_cast<int32_t>(marker)
                                       : CountChars(text);
        SearchHit& hit = result.Hits.emplace_back();
        hit.TitleStart = line.Offset;
        hit.TitleEnd = line.Offset + titleChars - 1;
        hit.Title.assign(text);
      },
      [&](const ResultLine& line, const Occurrence& blank) {
        SearchHit& hit = result.Hits.back();
        hit.UriStart = line.Offset;
        hit.UriEnd = line.Offset + blank.CharPos - 2;
        hit.Uri.assign(fileBytes.data() + line.Begin, blank.BytePos);
      },
      &last);
  return result;
}

}  // namespace

ResultHitList FindResultHits(std::string_view fileBytes, int fileNameBlankLineNext,
                             int fileNameSpaceFromEnd) {
  ApplyFallbacks(fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd);
  ResultLine last;
  return CollectHits(fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd, last);
}

ResultListParse ParseResultText(std::string_view fileBytes, int fileNameBlankLineNext,
                                int fileNameSpaceFromEnd) {
  ApplyFallbacks(fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd);
  ResultLine last;
  ResultHitList found =
      CollectHits(fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd, last);
  // The offsets of the lines the scan did not reach give the character count.
  while (ReadLine<true>(fileBytes, last, SIZE_MAX)) {
  }

  // The rejoined text: every line followed by CR LF. Only the line breaks
  // are looked for here.
  ResultListParse result;
  platform::ReserveLarge(result.Text, fileBytes.size() + fileBytes.size() / 16 + 2);
  ResultLine line;
  while (ReadLine<false>(fileBytes, line, SIZE_MAX)) {
    result.Text.append(fileBytes.data() + line.Begin, line.Length);
    result.Text.append("\r\n", 2);
  }
  platform::ReserveLarge(result.ResultCharKinds, static_cast<size_t>(last.NextOffset));
  result.ResultCharKinds.assign(static_cast<size_t>(last.NextOffset), 0);
  uint8_t* kinds = result.ResultCharKinds.data();
  for (const SearchHit& hit : found.Hits) {
    std::fill(kinds + hit.TitleStart, kinds + hit.TitleEnd + 1, CharKindTitle);
    if (hit.UriEnd > 0) std::fill(kinds + hit.UriStart, kinds + hit.UriEnd + 1, CharKindUri);
  }
  result.Hits = std::move(found.Hits);
  result.Found = found.Found;
  return result;
}

std::string ReadableResultText(std::string_view fileBytes, int fileNameBlankLineNext,
                               int fileNameSpaceFromEnd) {
  ApplyFallbacks(fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd);

  // What replaces the start of a line: the bytes from `Begin` up to `Length`
  // become `Text`.
  struct Replacement {
    size_t Begin;
    size_t Length;
    std::string Text;
  };
  std::vector<Replacement> replacements;
  ResultLine titleLine;
  size_t titleMarker = 0;
  const bool found = ScanHitLines<false>(
      fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd,
      [&](const ResultLine& line, size_t marker) {
        titleLine = line;
        titleMarker = marker;
      },
      [&](const ResultLine& line, const Occurrence& blank) {
        const std::string_view address(fileBytes.data() + line.Begin, blank.BytePos);
        const std::string decoded = DecodeHitAddress(address);
        // A title that mknmz made from the file name, as namazu prints it,
        // becomes the file name itself.
        const std::string_view title(fileBytes.data() + titleLine.Begin, titleMarker);
        const size_t numberEnd = title.find(". ");
        const std::string name =
            numberEnd == std::string_view::npos ? std::string() : FileNameOfAddress(address);
        if (!name.empty() && NamazuTitleForFileName(name) == title.substr(numberEnd + 2)) {
          const std::string shown =
              std::string(title.substr(0, numberEnd + 2)) + ShownFileName(name);
          if (shown != title) replacements.push_back({titleLine.Begin, titleMarker, shown});
        }
        if (decoded != address) replacements.push_back({line.Begin, blank.BytePos, decoded});
      });
  if (!found || replacements.empty()) return std::string(fileBytes);

  std::string out;
  out.reserve(fileBytes.size() + fileBytes.size() / 8);
  size_t copied = 0;
  for (const Replacement& r : replacements) {
    out.append(fileBytes.substr(copied, r.Begin - copied));
    out += r.Text;
    copied = r.Begin + r.Length;
  }
  out.append(fileBytes.substr(copied));
  return out;
}

ResultListParse ParseResultText(std::string_view fileBytes, const TSettings& settings) {
  return ParseResultText(fileBytes, SettingsInt(settings.FileNameBlankLineNext, 0),
                         SettingsInt(settings.FileNameSpaceFromEnd, 0));
}

namespace {
bool HasFileName(const SearchHit& hit) { return hit.UriStart > 0 || hit.UriEnd > 0; }

// The hits that have a file-name line: all but a last one whose line never came.
size_t HitsWithFileName(const std::vector<SearchHit>& hits) {
  return !hits.empty() && !HasFileName(hits.back()) ? hits.size() - 1 : hits.size();
}
}  // namespace

// The hits are in text order, so their offsets grow: binary searches keep a
// list of a million hits as quick as a short one.
int FindHitAt(const std::vector<SearchHit>& hits, int32_t offset) {
  if (offset < 0) return -1;
  const auto end = hits.begin() + static_cast<std::ptrdiff_t>(HitsWithFileName(hits));
  const auto found = std::partition_point(
      hits.begin(), end, [offset](const SearchHit& hit) { return hit.UriEnd < offset; });
  return found == end ? -1 : static_cast<int>(found - hits.begin());
}

std::optional<int32_t> NextHitCaret(const std::vector<SearchHit>& hits, int32_t offset) {
  const auto end = hits.begin() + static_cast<std::ptrdiff_t>(HitsWithFileName(hits));
  const auto found = std::partition_point(
      hits.begin(), end, [offset](const SearchHit& hit) { return hit.UriStart <= offset; });
  if (found == end) return std::nullopt;
  size_t target = static_cast<size_t>(found - hits.begin());
  if (offset >= hits[target].TitleStart && target + 1 < hits.size()) ++target;
  const SearchHit& hit = hits[target];
  return HasFileName(hit) ? hit.UriStart : hit.TitleStart;
}

std::optional<int32_t> PreviousHitCaret(const std::vector<SearchHit>& hits, int32_t offset) {
  const auto after = std::partition_point(
      hits.begin(), hits.end(), [offset](const SearchHit& hit) { return hit.TitleStart < offset; });
  if (after == hits.begin()) return std::nullopt;
  size_t target = static_cast<size_t>(after - hits.begin()) - 1;
  if (offset <= hits[target].UriEnd && target > 0) --target;
  return hits[target].TitleStart;
}

std::string HitDocumentPath(std::string_view uri, std::string_view programFolder,
                            const std::vector<std::string>& driveConstantList) {
  return ExpandDriveConstant(
      ExpandProgramRelativePath(UrlToLocalPath(uri, NativePathStyle), programFolder,
                                NativePathStyle),
      driveConstantList);
}

std::string ShellOpenPath(std::string_view path) { return StripFragment(path, NativePathStyle); }

}  // namespace tavirel
