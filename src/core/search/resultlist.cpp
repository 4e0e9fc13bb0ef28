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

struct Line {
  uint32_t Begin;    // byte position in the input
  uint32_t Length;   // bytes, without the line break
  int32_t Offset;    // character offset in the rejoined text
  int32_t Chars;     // characters, without the line break
};

// Input beyond this is ignored, so that every offset (at most two characters
// per input byte) fits a 32-bit signed integer.
constexpr size_t MaxInputBytes = 0x3FFFFFFF;

// Splits the input into lines, counting the characters of each.
std::vector<Line> SplitLines(std::string_view input, int64_t& totalChars) {
  const auto* p = reinterpret_cast<const unsigned char*>(input.data());
  const size_t n = input.size();
  std::vector<Line> lines;
  lines.reserve(n / 32 + 16);
  int64_t offset = 0;
  size_t i = 0;
  while (i < n) {
    const size_t begin = i;
    int32_t chars = 0;
    uint8_t cls = ByteSingle;
    while (i < n) {
      cls = ByteClasses[p[i]];
      if (cls == ByteSingle) {
        ++i;
      } else if (cls == ByteLead) {
        i += (i + 1 < n && IsTrailByte(p[i + 1])) ? 2 : 1;
      } else {
        break;
      }
      ++chars;
    }
    lines.push_back(Line{static_cast<uint32_t>(begin), static_cast<uint32_t>(i - begin),
                         static_cast<int32_t>(offset), chars});
    offset += chars + 2;
    if (i < n) {
      // CR LF, a lone CR or a lone LF ends the line.
      if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') ++i;
      ++i;
    }
  }
  totalChars = offset;
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

namespace {

// Finds the hits' lines: `onTitle(index, markerBytePos)` for a title line,
// `onFileName(index, blank)` for its file-name line. False when the text has
// no line starting the list.
template <class OnTitle, class OnFileName>
bool ScanHitLines(std::string_view fileBytes, const std::vector<Line>& lines,
                  int fileNameBlankLineNext, int fileNameSpaceFromEnd, OnTitle onTitle,
                  OnFileName onFileName) {
  auto lineText = [&](const Line& line) {
    return std::string_view(fileBytes.data() + line.Begin, line.Length);
  };
  if (lines.empty()) return false;

  // The list starts at the first line after the first one that begins with "1. ".
  size_t first = 1;
  while (first < lines.size() && !StartsWith(lineText(lines[first]), "1. ")) ++first;
  if (first >= lines.size()) return false;

  const size_t blankLinesNeeded = static_cast<size_t>(fileNameBlankLineNext);
  bool titleState = true;
  size_t nextNonEmpty = 0;  // the first non-empty line after the one examined

  // The last two lines are never examined.
  for (size_t index = first; index + 2 < lines.size(); ++index) {
    const Line& line = lines[index];
    const std::string_view text = lineText(line);

    if (titleState) {
      if (text.empty()) continue;
      size_t marker = text.rfind(ScoreMarker);
      if (marker == std::string_view::npos) marker = text.rfind(ScoreMarkerJa);
      if (marker == std::string_view::npos) continue;
      onTitle(index, marker);
      titleState = false;
      continue;
    }

    // A file-name line is followed by the required number of empty lines;
    // lines past the end of the file do not count as empty.
    if (nextNonEmpty <= index) {
      nextNonEmpty = index + 1;
      while (nextNonEmpty < lines.size() && lines[nextNonEmpty].Length == 0) ++nextNonEmpty;
    }
    if (nextNonEmpty - (index + 1) < blankLinesNeeded) continue;

    const bool singleByteLine = line.Chars == static_cast<int32_t>(line.Length);
    const Occurrence blank = FindNthFromEndImpl(text, ' ', fileNameSpaceFromEnd, singleByteLine);
    if (blank.CharPos < 3) continue;
    onFileName(index, blank);
    titleState = true;
  }
  return true;
}

void ApplyFallbacks(std::string_view& fileBytes, int& fileNameBlankLineNext,
                    int& fileNameSpaceFromEnd) {
  if (fileNameBlankLineNext < 1) fileNameBlankLineNext = 1;
  if (fileNameSpaceFromEnd < 1) fileNameSpaceFromEnd = 2;
  if (fileBytes.size() > MaxInputBytes) fileBytes = fileBytes.substr(0, MaxInputBytes);
}

}  // namespace

ResultListParse ParseResultText(std::string_view fileBytes, int fileNameBlankLineNext,
                                int fileNameSpaceFromEnd) {
  ApplyFallbacks(fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd);

  ResultListParse result;
  int64_t totalChars = 0;
  const std::vector<Line> lines = SplitLines(fileBytes, totalChars);

  // The rejoined text: every line followed by CR LF.
  size_t textBytes = 0;
  for (const Line& line : lines) textBytes += line.Length + 2;
  result.Text.reserve(textBytes);
  for (const Line& line : lines) {
    result.Text.append(fileBytes.data() + line.Begin, line.Length);
    result.Text.append("\r\n", 2);
  }
  result.ResultCharKinds.assign(static_cast<size_t>(totalChars), 0);

  uint8_t* kinds = result.ResultCharKinds.data();
  auto lineText = [&](const Line& line) {
    return std::string_view(fileBytes.data() + line.Begin, line.Length);
  };
  result.Found = ScanHitLines(
      fileBytes, lines, fileNameBlankLineNext, fileNameSpaceFromEnd,
      [&](size_t index, size_t marker) {
        const Line& line = lines[index];
        const std::string_view text = lineText(line);
        // A marker begins with a blank, which is never a trail byte, so it
        // always begins a character.
        const int32_t titleChars = line.Chars == static_cast<int32_t>(line.Length)
                                       ? static_cast<int32_t>(marker)
                                       : CountChars(text.substr(0, marker));
        std::fill(kinds + line.Offset, kinds + line.Offset + titleChars, CharKindTitle);
        SearchHit& hit = result.Hits.emplace_back();
        hit.TitleStart = line.Offset;
        hit.TitleEnd = line.Offset + titleChars - 1;
        hit.Title.assign(text.substr(0, marker));
      },
      [&](size_t index, const Occurrence& blank) {
        const Line& line = lines[index];
        const int32_t uriChars = blank.CharPos - 1;
        std::fill(kinds + line.Offset, kinds + line.Offset + uriChars, CharKindUri);
        SearchHit& hit = result.Hits.back();
        hit.UriStart = line.Offset;
        hit.UriEnd = line.Offset + uriChars - 1;
        hit.Uri.assign(lineText(line).substr(0, blank.BytePos));
      });
  return result;
}

std::string ReadableResultText(std::string_view fileBytes, int fileNameBlankLineNext,
                               int fileNameSpaceFromEnd) {
  ApplyFallbacks(fileBytes, fileNameBlankLineNext, fileNameSpaceFromEnd);
  int64_t totalChars = 0;
  const std::vector<Line> lines = SplitLines(fileBytes, totalChars);

  // What replaces the start of a line: the bytes up to `Length` become `Text`.
  struct Replacement {
    size_t Line;
    size_t Length;
    std::string Text;
  };
  std::vector<Replacement> replacements;
  size_t titleLine = 0;
  size_t titleMarker = 0;
  const bool found = ScanHitLines(
      fileBytes, lines, fileNameBlankLineNext, fileNameSpaceFromEnd,
      [&](size_t index, size_t marker) {
        titleLine = index;
        titleMarker = marker;
      },
      [&](size_t index, const Occurrence& blank) {
        const Line& line = lines[index];
        const std::string_view address(fileBytes.data() + line.Begin, blank.BytePos);
        const std::string decoded = DecodeHitAddress(address);
        if (decoded != address) replacements.push_back({index, blank.BytePos, decoded});
        // A title that mknmz made from the file name, as namazu prints it,
        // becomes the file name itself.
        const std::string_view title(fileBytes.data() + lines[titleLine].Begin, titleMarker);
        const size_t numberEnd = title.find(". ");
        if (numberEnd == std::string_view::npos) return;
        const std::string name = FileNameOfAddress(address);
        if (name.empty() || NamazuTitleForFileName(name) != title.substr(numberEnd + 2)) return;
        const std::string shown = std::string(title.substr(0, numberEnd + 2)) +
                                  ShownFileName(name);
        if (shown != title) replacements.push_back({titleLine, titleMarker, shown});
      });
  if (!found || replacements.empty()) return std::string(fileBytes);

  std::sort(replacements.begin(), replacements.end(),
            [](const Replacement& a, const Replacement& b) { return a.Line < b.Line; });
  std::string out;
  out.reserve(fileBytes.size() + fileBytes.size() / 8);
  size_t copied = 0;
  for (const Replacement& r : replacements) {
    const size_t begin = lines[r.Line].Begin;
    out.append(fileBytes.substr(copied, begin - copied));
    out += r.Text;
    copied = begin + r.Length;
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
}  // namespace

int FindHitAt(const std::vector<SearchHit>& hits, int32_t offset) {
  if (offset < 0) return -1;
  for (size_t i = 0; i < hits.size(); ++i) {
    if (HasFileName(hits[i]) && offset <= hits[i].UriEnd) return static_cast<int>(i);
  }
  return -1;
}

std::optional<int32_t> NextHitCaret(const std::vector<SearchHit>& hits, int32_t offset) {
  for (size_t i = 0; i < hits.size(); ++i) {
    if (hits[i].UriStart <= offset) continue;
    size_t target = i;
    if (offset >= hits[i].TitleStart && i + 1 < hits.size()) target = i + 1;
    const SearchHit& hit = hits[target];
    return HasFileName(hit) ? hit.UriStart : hit.TitleStart;
  }
  return std::nullopt;
}

std::optional<int32_t> PreviousHitCaret(const std::vector<SearchHit>& hits, int32_t offset) {
  for (size_t i = hits.size(); i-- > 0;) {
    if (hits[i].TitleStart >= offset) continue;
    size_t target = i;
    if (offset <= hits[i].UriEnd && i > 0) target = i - 1;
    return hits[target].TitleStart;
  }
  return std::nullopt;
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
