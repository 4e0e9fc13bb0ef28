#include "core/search/resultlist.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/process/ucommon.h"
#include "core/search/hitnames.h"

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

// The number of lines NextResultLine reads from `input`.
size_t CountLines(std::string_view input) {
  const auto* p = reinterpret_cast<const unsigned char*>(input.data());
  const size_t n = input.size();
  size_t lines = 0;
  for (size_t i = 0; i < n; ++i) {
    if (p[i] == '\n' || (p[i] == '\r' && (i + 1 >= n || p[i + 1] != '\n'))) ++lines;
  }
  if (n > 0 && p[n - 1] != '\n' && p[n - 1] != '\r') ++lines;
  return lines;
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

bool NextResultLine(std::string_view text, ResultLine& line, size_t maxBytes) {
  const size_t n = text.size();
  if (line.Next >= n) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  size_t i = line.Next;
  line.Begin = i;
  line.Offset = line.NextOffset;
  const size_t limit = maxBytes < n - i ? i + maxBytes : n;
  int32_t chars = 0;
  while (i < limit) {
    const uint8_t cls = ByteClasses[p[i]];
    if (cls == ByteSingle) {
      ++i;
    } else if (cls == ByteLead) {
      const size_t length = (i + 1 < n && IsTrailByte(p[i + 1])) ? 2 : 1;
      if (i + length > limit && i > line.Begin) break;  // a character is never cut in two
      i += length;
    } else {
      break;
    }
    ++chars;
  }
  line.Length = i - line.Begin;
  line.Chars = chars;
  line.EndsLine = i >= n || ByteClasses[p[i]] == ByteBreak;
  if (i < n && line.EndsLine) {
    // CR LF, a lone CR or a lone LF ends the line.
    if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
    ++i;
  }
  line.Next = i;
  line.NextOffset = line.Offset + chars + (line.EndsLine ? 2 : 0);
  return true;
}

namespace {

// Finds the hits' lines: `onTitle(line, markerBytePos)` for a title line,
// `onFileName(line, blank)` for its file-name line. False when the text has
// no line starting the list. The lines are read as they come, so that a file
// of millions of short lines needs no table of them.
template <class OnTitle, class OnFileName>
bool ScanHitLines(std::string_view fileBytes, int fileNameBlankLineNext, int fileNameSpaceFromEnd,
                  OnTitle onTitle, OnFileName onFileName) {
  auto lineText = [&](const ResultLine& line) {
    return std::string_view(fileBytes.data() + line.Begin, line.Length);
  };
  const size_t lineCount = CountLines(fileBytes);
  if (lineCount == 0) return false;

  // The list starts at the first line after the first one that begins with "1. ".
  // A later page (--whence) numbers on from where the one before ended: its
  // list starts at the first line that begins with a number and ". ".
  auto findStart = [&](ResultLine& line, size_t& index, bool anyNumber) {
    line = {};
    index = 0;
    NextResultLine(fileBytes, line);
    while (NextResultLine(fileBytes, line)) {
      ++index;
      const std::string_view text = lineText(line);
      if (!anyNumber) {
        if (StartsWith(text, "1. ")) return true;
        continue;
      }
      size_t digits = 0;
      while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
      if (digits > 0 && text.substr(digits, 2) == ". ") return true;
    }
    return false;
  };
  ResultLine line;
  size_t index = 0;
  if (!findStart(line, index, false) && !findStart(line, index, true)) return false;

  const size_t blankLinesNeeded = static_cast<size_t>(fileNameBlankLineNext);
  const auto* p = reinterpret_cast<const unsigned char*>(fileBytes.data());
  bool titleState = true;
  size_t nextNonEmpty = 0;  // the first non-empty line after the one examined

  // The last two lines are never examined.
  for (; index + 2 < lineCount; ++index, NextResultLine(fileBytes, line)) {
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

    const bool singleByteLine = line.Chars == static_cast<int32_t>(line.Length);
    const Occurrence blank = FindNthFromEndImpl(text, ' ', fileNameSpaceFromEnd, singleByteLine);
    if (blank.CharPos < 3) continue;
    onFileName(line, blank);
    titleState = true;
  }
  return true;
}

void ApplyFallbacks(std::string_view& fileBytes, int& fileNameBlankLineNext,
                    int& fileNameSpaceFromEnd) {
  if (fileNameBlankLineNext < 1) fileNameBlankLineNext = 1;
  if (fileNameSpaceFromEnd < 1) fileNameSpaceFromEnd = 2;
  if (fileBytes.size() > MaxResultTextBytes) fileBytes = fileBytes.substr(0, MaxResultTextBytes);
}

}  // namespace

ResultHitList FindResultHits(std::string_view fileBytes, int fileNameBlankLineNext,
                             int fileNameSpaceFromEnd) {
  ApplyFallbacks(fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd);
  ResultHitList result;
  // Counted first, so that a list of a million hits takes its room once
  // instead of growing (and for a while taking it twice over).
  size_t count = 0;
  ScanHitLines(
      fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd,
      [&](const ResultLine&, size_t) { ++count; }, [](const ResultLine&, const Occurrence&) {});
  result.Hits.reserve(count);
  result.Found = ScanHitLines(
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
      });
  return result;
}

ResultListParse ParseResultText(std::string_view fileBytes, int fileNameBlankLineNext,
                                int fileNameSpaceFromEnd) {
  ResultHitList found = FindResultHits(fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd);
  if (fileBytes.size() > MaxResultTextBytes) fileBytes = fileBytes.substr(0, MaxResultTextBytes);

  // The rejoined text: every line followed by CR LF.
  ResultListParse result;
  result.Text.reserve(fileBytes.size() + fileBytes.size() / 16 + 2);
  ResultLine line;
  while (NextResultLine(fileBytes, line)) {
    result.Text.append(fileBytes.data() + line.Begin, line.Length);
    result.Text.append("\r\n", 2);
  }
  result.ResultCharKinds.assign(static_cast<size_t>(line.NextOffset), 0);
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
  const bool found = ScanHitLines(
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
