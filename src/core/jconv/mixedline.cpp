#include "core/jconv/mixedline.h"

#include "platform/platform.h"

namespace tavirel {
namespace {

using uchar = unsigned char;

bool InRange(uchar c, uchar low, uchar high) { return c >= low && c <= high; }

// Length of the UTF-8 character at `i`, 0 when none starts there (overlong
// forms, surrogates and code points above U+10FFFF are no characters).
size_t Utf8CharLength(std::string_view s, size_t i) {
  const auto c = static_cast<uchar>(s[i]);
  size_t len = 0;
  uchar low = 0x80;
  uchar high = 0xBF;
  if (InRange(c, 0xC2, 0xDF)) {
    len = 2;
  } else if (InRange(c, 0xE0, 0xEF)) {
    len = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (InRange(c, 0xF0, 0xF4)) {
    len = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  if (!InRange(static_cast<uchar>(s[i + 1]), low, high)) return 0;
  for (size_t k = 2; k < len; ++k) {
    if (!InRange(static_cast<uchar>(s[i + k]), 0x80, 0xBF)) return 0;
  }
  return len;
}

// Length of the character of `code` at `i` (a non-ASCII byte), 0 when the
// bytes are no character of that code. Shift-JIS is the default.
size_t CodeCharLength(std::string_view s, size_t i, TKanjiCode code) {
  const auto c = static_cast<uchar>(s[i]);
  const auto at = [&s](size_t k) { return k < s.size() ? static_cast<uchar>(s[k]) : uchar{0}; };
  if (code == kcEuc) {
    if (c == 0x8E) return InRange(at(i + 1), 0xA1, 0xDF) ? 2 : 0;
    if (c == 0x8F) return InRange(at(i + 1), 0xA1, 0xFE) && InRange(at(i + 2), 0xA1, 0xFE) ? 3 : 0;
    return InRange(c, 0xA1, 0xFE) && InRange(at(i + 1), 0xA1, 0xFE) ? 2 : 0;
  }
  if (InRange(c, 0xA1, 0xDF)) return 1;  // half-width katakana
  const uchar t = at(i + 1);
  const bool trail = InRange(t, 0x40, 0x7E) || InRange(t, 0x80, 0xFC);
  return (InRange(c, 0x81, 0x9F) || InRange(c, 0xE0, 0xFC)) && trail ? 2 : 0;
}

// The end of the run of non-ASCII bytes that starts at `i`.
size_t RunEnd(std::string_view s, size_t i) {
  while (i < s.size() && static_cast<uchar>(s[i]) >= 0x80) ++i;
  return i;
}

// The end of the characters of `code` that start at `i`: a Shift-JIS
// trail byte in the ASCII range belongs to its character; a byte that is no
// character counts as one.
size_t CodeRunEnd(std::string_view s, size_t i, TKanjiCode code) {
  while (i < s.size() && static_cast<uchar>(s[i]) >= 0x80) {
    const size_t len = CodeCharLength(s, i, code);
    i += len == 0 ? 1 : len;
  }
  return i;
}

bool IsJis(TKanjiCode code) { return code == kcJisNew || code == kcJisOld; }

std::string FromCode(std::string_view text, TKanjiCode code) {
  if (code == kcEuc) return EucToSjis(text);
  if (IsJis(code)) return JisToSjis(text);
  return std::string(text);
}

}  // namespace

bool IsFileSystemRun(std::string_view run, TKanjiCode code) {
  bool wide = false;  // a character of three or four bytes
  for (size_t i = 0; i < run.size();) {
    const size_t len = Utf8CharLength(run, i);
    if (len == 0) return false;
    wide = wide || len >= 3;
    i += len;
  }
  if (run.empty()) return false;
  if (wide || IsJis(code)) return true;
  // Only two-byte characters (letters with accents and the like): a name
  // when the run is no text of the message code (its characters must end
  // exactly where the run ends), or when Shift-JIS would read it as nothing
  // but half-width katakana, which the programs' messages never hold.
  bool halfWidthOnly = true;
  for (size_t i = 0; i < run.size();) {
    const size_t len = CodeCharLength(run, i, code);
    if (len == 0 || i + len > run.size()) return true;
    halfWidthOnly = halfWidthOnly && len == 1;
    i += len;
  }
  return code != kcEuc && halfWidthOnly;
}

std::string MixedLineToSjis(std::string_view line, TKanjiCode code) {
  std::string out;
  size_t copied = 0;  // text before this is in `out`
  for (size_t i = 0; i < line.size();) {
    if (static_cast<uchar>(line[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t end = RunEnd(line, i);
    if (IsFileSystemRun(line.substr(i, end - i), code)) {
      if (out.empty()) out.reserve(line.size() + 8);
      out += FromCode(line.substr(copied, i - copied), code);
      out += platform::ProgramPathFromNative(line.substr(i, end - i));
      i = copied = end;
    } else {
      i = CodeRunEnd(line, i, code);
    }
  }
  if (copied == 0) return FromCode(line, code);
  out += FromCode(line.substr(copied), code);
  return out;
}

TKanjiCode DetectMixedLineCode(std::string_view line) {
  // The sample for the detection: the line less its UTF-8 names, and less
  // the bytes that mark binary data (a stray one must not hide the code of
  // the text around it).
  std::string sample;
  sample.reserve(line.size() + 1);
  for (size_t i = 0; i < line.size();) {
    const auto c = static_cast<uchar>(line[i]);
    if (c >= 0x80) {
      const size_t end = RunEnd(line, i);
      // Any code that reads a two-byte run as text keeps it here; the
      // detection decides among them.
      const std::string_view run = line.substr(i, end - i);
      if (!IsFileSystemRun(run, kcEuc) || !IsFileSystemRun(run, kcSjis)) {
        for (char b : run) {
          if (static_cast<uchar>(b) != 0xFF) sample.push_back(b);
        }
      }
      i = end;
      continue;
    }
    if (c > 0x07) sample.push_back(static_cast<char>(c));
    ++i;
  }
  sample.push_back('\n');
  return DetectKanjiCode(sample);
}

}  // namespace tavirel
