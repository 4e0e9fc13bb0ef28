// Japanese code detection and conversion, and MIME header decoding.
//
// All converters make one pass over the input and write into an output buffer
// through a raw pointer. The buffer is grown only between chunks: a chunk of
// input is sized so that even the worst expansion of the converter fits in the
// room left, so the inner loops carry no capacity checks.
//
// Truncated input, the choice made throughout:
// - A byte that should start a two-byte character but is the last byte of the
//   text has nothing to pair with. An 8-bit lead byte (EUC, Shift-JIS) is
//   dropped: alone it means nothing and would be misread in the target code;
//   the conversions to JIS do not open a two-byte run for it either. A 7-bit
//   byte (only possible in JisToSjis, in a run that was not closed, typically a
//   line end) is copied unchanged.
// - An escape sequence cut off by the end of the text writes nothing.
// - No converter ever reads past the end of its input.

#include "core/jconv/jconvert.h"

#include <algorithm>
#include <cstring>

#include "platform/memory.h"

namespace tavirel {

namespace {

using uchar = unsigned char;

constexpr uchar kEsc = 0x1B;
constexpr uchar kCr = 0x0D;
constexpr uchar kLf = 0x0A;

// JIS X 0208 character for each half-width katakana byte 0xA1-0xDF.
constexpr uint16_t kHalfKanaTable[63] = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523,  // A1-A8 ｡｢｣､･ｦｧｨ
    0x2525, 0x2527, 0x2529, 0x2563, 0x2565, 0x2567, 0x2543, 0x213C,  // A9-B0 ｩｪｫｬｭｮｯｰ
    0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B, 0x252D, 0x252F,  // B1-B8 ｱｲｳｴｵｶｷｸ
    0x2531, 0x2533, 0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F,  // B9-C0 ｹｺｻｼｽｾｿﾀ
    0x2541, 0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C, 0x254D,  // C1-C8 ﾁﾂﾃﾄﾅﾆﾇﾈ
    0x254E, 0x254F, 0x2552, 0x2555, 0x2558, 0x255B, 0x255E, 0x255F,  // C9-D0 ﾉﾊﾋﾌﾍﾎﾏﾐ
    0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568, 0x2569, 0x256A,  // D1-D8 ﾑﾒﾓﾔﾕﾖﾗﾘ
    0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C,          // D9-DF ﾙﾚﾛﾜﾝﾞﾟ
};

// Written for a "kana" byte outside 0xA1-0xDF (only malformed EUC, 0x8E
// followed by something else, gets here): 〓, the usual mark for a character
// that cannot be shown.
constexpr uint16_t kGeta = 0x222E;

inline bool IsHalfKana(uchar c) { return c >= 0xA1 && c <= 0xDF; }

inline TBytePair Pair(uint16_t v) {
  return TBytePair{static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v & 0xFF)};
}

// The JIS character for kana byte `k`; `mark` is the voiced or semi-voiced
// mark that follows it (0 when there is none). `merged` tells whether the mark
// was taken into the character.
inline TBytePair KanaToJis(uchar k, uchar mark, bool& merged) {
  merged = false;
  if (!IsHalfKana(k)) return Pair(kGeta);
  uint16_t v = kHalfKanaTable[k - 0xA1];
  if (mark == 0xDE) {  // ﾞ
    if (k == 0xB3) {   // ｳﾞ -> ヴ
      v = 0x2574;
      merged = true;
    } else if ((k >= 0xB6 && k <= 0xC4) || (k >= 0xCA && k <= 0xCE)) {  // ｶ-ﾄ, ﾊ-ﾎ
      v += 1;
      merged = true;
    }
  } else if (mark == 0xDF) {  // ﾟ
    if (k >= 0xCA && k <= 0xCE) {  // ﾊ-ﾎ -> パ-ポ
      v += 2;
      merged = true;
    }
  }
  return Pair(v);
}

// `pos` at the 0x8E; at least the 0x8E and the kana byte lie in the text.
inline TBytePair EucKana(const uchar* s, size_t n, size_t& pos) {
  const uchar k = s[pos + 1];
  const uchar mark = (pos + 3 < n && s[pos + 2] == 0x8E) ? s[pos + 3] : 0;
  bool merged;
  const TBytePair r = KanaToJis(k, mark, merged);
  pos += merged ? 4 : 2;
  return r;
}

// `pos` at the kana byte, which lies in the text.
inline TBytePair SjisKana(const uchar* s, size_t n, size_t& pos) {
  const uchar k = s[pos];
  const uchar mark = pos + 1 < n ? s[pos + 1] : 0;
  bool merged;
  const TBytePair r = KanaToJis(k, mark, merged);
  pos += merged ? 2 : 1;
  return r;
}

inline TBytePair JisToSjisInline(uchar j1, uchar j2) {
  const uchar s1 = static_cast<uchar>(((j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0));
  uchar add;
  if (j1 & 1)
    add = j2 > 0x5F ? 0x20 : 0x1F;
  else
    add = 0x7E;
  return TBytePair{s1, static_cast<uchar>(j2 + add)};
}

inline TBytePair SjisToJisInline(uchar s1, uchar s2) {
  uchar j1 = static_cast<uchar>(2 * (s1 - (s1 < 0xA0 ? 0x70 : 0xB0)));
  uchar sub;
  if (s2 < 0x9F) {
    j1 = static_cast<uchar>(j1 - 1);
    sub = s2 > 0x7F ? 0x20 : 0x1F;
  } else {
    sub = 0x7E;
  }
  return TBytePair{j1, static_cast<uchar>(s2 - sub)};
}

// Output buffer grown between chunks of input. `Ratio` is the most bytes a
// converter writes per input byte it consumes; a step may run a few bytes past
// the chunk limit, which `kSlack` covers.
template <size_t Ratio>
class ChunkedOutput {
 public:
  static constexpr size_t kSlack = 64;
  static constexpr size_t kMinChunk = 4096;

  // `expected` is the likely output size; room for the first chunk's worst
  // case is added, so short texts never grow.
  ChunkedOutput(size_t inputSize, size_t expected) : inputSize_(inputSize) {
    const size_t size = expected + Ratio * std::min(inputSize, kMinChunk) + kSlack;
    platform::ReserveLarge(buffer_, size);
    buffer_.resize(size);
  }

  // The input position up to which the next chunk may run, growing the buffer
  // first when needed. Call only with `pos` < input size.
  size_t ChunkLimit(size_t pos) {
    const size_t left = inputSize_ - pos;
    const size_t wanted = std::min(left, kMinChunk);
    size_t room = buffer_.size() - used_;
    if (room < Ratio * wanted + kSlack) {
      // Guess the rest from the expansion seen so far, plus a margin.
      const size_t seenRatio16 = pos > 0 ? (used_ * 16 / pos) + 1 : 16;
      const size_t guess = left / 16 * seenRatio16 + left / 8;
      const size_t newSize = used_ + std::max(guess, Ratio * wanted) + Ratio * wanted + kSlack;
      if (newSize > buffer_.capacity()) platform::ReserveLarge(buffer_, newSize);
      buffer_.resize(newSize);
      room = buffer_.size() - used_;
    }
    return pos + std::min(left, (room - kSlack) / Ratio);
  }

  uchar* Cursor() { return reinterpret_cast<uchar*>(buffer_.data()) + used_; }
  void Commit(uchar* cursor) {
    used_ = static_cast<size_t>(cursor - reinterpret_cast<uchar*>(buffer_.data()));
  }
  std::string Finish() {
    buffer_.resize(used_);
    if (buffer_.capacity() - used_ > used_ / 4 + 4096) buffer_.shrink_to_fit();
    return std::move(buffer_);
  }

 private:
  std::string buffer_;
  size_t used_ = 0;
  size_t inputSize_;
};

inline const uchar* Bytes(std::string_view text) {
  return reinterpret_cast<const uchar*>(text.data());
}

inline uchar* PutEscape(uchar* o, uchar a, uchar b) {
  o[0] = kEsc;
  o[1] = a;
  o[2] = b;
  return o + 3;
}
inline uchar* PutPair(uchar* o, TBytePair p) {
  o[0] = p.first;
  o[1] = p.second;
  return o + 2;
}

// True when all eight bytes of `w` are in 0x08-0x7F and none is ESC: bytes
// the detection scan steps over without a decision.
inline bool AllPlainAscii(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  const uint64_t below8 = (w - kOnes * 0x08) & ~w & kHigh;
  const uint64_t x = w ^ (kOnes * kEsc);
  const uint64_t isEsc = (x - kOnes) & ~x & kHigh;
  return ((w & kHigh) | below8 | isEsc) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------
// Detection

TKanjiCode DetectKanjiCode(std::string_view text) {
  const uchar* s = Bytes(text);
  const size_t n = text.size();

  // Control bytes in the head of the text (the last byte is not looked at).
  if (n >= 2) {
    const size_t check = std::min<size_t>(TextCheckLength, n - 1);
    for (size_t i = 0; i < check; ++i)
      if (s[i] <= 0x07 || s[i] == 0xFF) return kcNonText;
  }

  TKanjiCode result = kcAscii;
  size_t i = 0;
  // A step starts only below the last byte, so the second byte of a step
  // always lies in the text; only the third byte of an escape may not.
  while ((result == kcAscii || result == kcEucOrSjis) && i + 1 < n) {
    // Runs of plain ASCII are passed over a word at a time.
    while (i + 9 < n) {
      uint64_t w;
      std::memcpy(&w, s + i, sizeof w);
      if (!AllPlainAscii(w)) break;
      i += 8;
    }
    const uchar c = s[i];
    if (c == kEsc) {
      const uchar d = s[i + 1];
      if (d == '$') {
        const uchar e = i + 2 < n ? s[i + 2] : 0;
        if (e == 'B')
          result = kcJisNew;
        else if (e == '@')
          result = kcJisOld;
        i += 3;
      } else {
        i += 2;
      }
    } else if (c <= 0x07 || c == 0xFF) {
      result = kcNonText;
      ++i;
    } else if (c <= 0x7F || c == 0x80 || c == 0xA0) {
      ++i;
    } else if (c == 0x8E) {
      const uchar d = s[i + 1];
      if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xA0) || (d >= 0xE0 && d <= 0xFC))
        result = kcSjis;
      else if (IsHalfKana(d))
        result = kcEucOrSjis;
      i += 2;
    } else if (c <= 0x9F) {  // 0x81-0x8D, 0x8F-0x9F
      result = kcSjis;
      ++i;
    } else if (c <= 0xDF) {  // 0xA1-0xDF
      const uchar d = s[i + 1];
      if (d >= 0xF0 && d <= 0xFE) {
        result = kcEuc;
        i += 2;
      } else if (IsHalfKana(d)) {
        result = kcEucOrSjis;
        i += 2;
      } else if (d <= 0x9F) {
        result = kcSjis;
        i += 2;
      } else if (d == 0xA0 || d == 0xFF) {
        i += 2;
      } else {  // 0xE0-0xEF: look further ahead
        result = kcEucOrSjis;
        size_t j = i + 1;
        while (j < n && s[j] >= 0x40 && result == kcEucOrSjis) {
          const uchar b = s[j];
          if ((b >= 0x81 && b <= 0x8D) || (b >= 0x8F && b <= 0x9C))
            result = kcSjis;
          else if (b == 0xFD || b == 0xFE)
            result = kcEuc;
          ++j;
        }
        i = j + 1;  // the byte that stopped the look-ahead is passed over
      }
    } else if (c <= 0xEF) {  // 0xE0-0xEF
      const uchar d = s[i + 1];
      if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xA0))
        result = kcSjis;
      else if (d == 0xFD || d == 0xFE)
        result = kcEuc;
      else if (d >= 0xA1 && d <= 0xFC)
        result = kcEucOrSjis;
      i += 2;
    } else {  // 0xF0-0xFE
      result = kcEuc;
      ++i;
    }
  }
  return result;
}

// ---------------------------------------------------------------------------
// Entry point

std::string ConvertKanjiCode(std::string_view text, TKanjiCode target) {
  const TKanjiCode code = DetectKanjiCode(text);
  if (code == kcAscii || code == kcNonText || code == kcEucOrSjis || code == target)
    return std::string(text);
  switch (target) {
    case kcJisNew:
      if (code == kcEuc) return EucToJis(text);
      if (code == kcSjis) return SjisToJis(text);
      break;
    case kcEuc:
      if (code == kcJisNew || code == kcJisOld) return JisToEuc(text);
      if (code == kcSjis) return SjisToEuc(text);
      break;
    case kcSjis:
      if (code == kcJisNew || code == kcJisOld) return JisToSjis(text);
      if (code == kcEuc) return EucToSjis(text);
      break;
    default:
      break;
  }
  return std::string(text);
}

// ---------------------------------------------------------------------------
// Pair arithmetic and half-width katakana

TBytePair JisToSjisPair(uint8_t j1, uint8_t j2) { return JisToSjisInline(j1, j2); }
TBytePair SjisToJisPair(uint8_t s1, uint8_t s2) { return SjisToJisInline(s1, s2); }

// When the 0x8E is the last byte, only it is consumed; a position at or past
// the end consumes nothing. Both give 〓.
TBytePair EucHalfKanaToJis(std::string_view text, size_t& position) {
  const size_t n = text.size();
  if (position >= n) return Pair(kGeta);
  if (position + 1 >= n) {
    position = n;
    return Pair(kGeta);
  }
  return EucKana(Bytes(text), n, position);
}

// A position at or past the end consumes nothing and gives 〓.
TBytePair SjisHalfKanaToJis(std::string_view text, size_t& position) {
  const size_t n = text.size();
  if (position >= n) return Pair(kGeta);
  return SjisKana(Bytes(text), n, position);
}

// ---------------------------------------------------------------------------
// The conversions

namespace {

// Every converter is this one loop: `Step` converts what stands at `i` (one
// character, one escape, or a lone byte), advances `i` past it and returns the
// output cursor past what it wrote. A step reads no further than the end of
// the text; one that finds the text cut off sets `i` to its size. `twoByte` is
// the JIS mode: of the text read when converting from JIS, of the text
// written when converting to it. `Ratio` is the most bytes a step writes per
// input byte it consumes.
template <size_t Ratio, auto Step>
inline std::string ConvertLoop(std::string_view text, size_t expected) {
  const uchar* s = Bytes(text);
  const size_t n = text.size();
  ChunkedOutput<Ratio> out(n, expected);
  bool twoByte = false;
  size_t i = 0;
  while (i < n) {
    const size_t limit = out.ChunkLimit(i);
    uchar* o = out.Cursor();
    while (i < limit) o = Step(s, n, i, o, twoByte);
    out.Commit(o);
  }
  return out.Finish();
}

// In a JIS text an escape is ESC, a mode byte ('$' two-byte, '(' single-byte,
// anything else keeps the mode) and one byte not looked at. The byte right
// after an escape is always taken as text, even when it is ESC.
//
// With `i` at an ESC: takes the escape's mode and moves `i` to the byte after
// it. False when the escape is cut off or nothing follows it; `i` is then at
// the end.
inline bool SkipJisEscape(const uchar* s, size_t n, size_t& i, bool& twoByte) {
  if (n - i <= 3) {
    i = n;
    return false;
  }
  const uchar mode = s[i + 1];
  if (mode == '$')
    twoByte = true;
  else if (mode == '(')
    twoByte = false;
  i += 3;
  return true;
}

// Writes the escape into or out of the two-byte run when the mode changes.
inline uchar* SwitchJisMode(uchar* o, bool& twoByte, bool wanted) {
  if (twoByte == wanted) return o;
  twoByte = wanted;
  return wanted ? PutEscape(o, '$', 'B') : PutEscape(o, '(', 'J');
}

inline uchar* JisToSjisStep(const uchar* s, size_t n, size_t& i, uchar* o, bool& twoByte) {
  if (s[i] == kEsc && !SkipJisEscape(s, n, i, twoByte)) return o;
  const uchar c = s[i];
  if (!twoByte) {
    *o++ = c;
    ++i;
  } else if (i + 1 < n) {
    o = PutPair(o, JisToSjisInline(c, s[i + 1]));
    i += 2;
  } else {
    if (c < 0x80) *o++ = c;
    ++i;
  }
  return o;
}

inline uchar* JisToEucStep(const uchar* s, size_t n, size_t& i, uchar* o, bool& twoByte) {
  if (s[i] == kEsc && !SkipJisEscape(s, n, i, twoByte)) return o;
  uchar c = s[i];
  if (twoByte && c >= 0x21 && c <= 0x7E) c |= 0x80;
  *o++ = c;
  ++i;
  return o;
}

inline uchar* EucToSjisStep(const uchar* s, size_t n, size_t& i, uchar* o, bool&) {
  const uchar c = s[i];
  if (c <= 0x80 || c == 0xFF) {
    *o++ = c;
    ++i;
  } else if (i + 1 >= n) {  // lone lead byte at the end: dropped
    ++i;
  } else if (c == 0x8E) {   // half-width katakana stays one byte
    *o++ = s[i + 1];
    i += 2;
  } else {
    o = PutPair(o, JisToSjisInline(c & 0x7F, s[i + 1] & 0x7F));
    i += 2;
  }
  return o;
}

inline uchar* SjisToEucStep(const uchar* s, size_t n, size_t& i, uchar* o, bool&) {
  const uchar c = s[i];
  if (c < 0x80) {
    *o++ = c;
    ++i;
  } else if (IsHalfKana(c)) {
    o[0] = 0x8E;
    o[1] = c;
    o += 2;
    ++i;
  } else if (i + 1 >= n) {  // lone lead byte at the end: dropped
    ++i;
  } else {
    const TBytePair p = SjisToJisInline(c, s[i + 1]);
    o[0] = p.first | 0x80;
    o[1] = p.second | 0x80;
    o += 2;
    i += 2;
  }
  return o;
}

inline uchar* EucToJisStep(const uchar* s, size_t n, size_t& i, uchar* o, bool& twoByte) {
  const uchar c = s[i];
  if (c < 0x80) {  // line ends and all other single bytes alike
    o = SwitchJisMode(o, twoByte, false);
    *o++ = c;
    ++i;
  } else if (i + 1 >= n) {  // lone lead byte at the end: dropped
    ++i;
  } else {
    o = SwitchJisMode(o, twoByte, true);
    if (c == 0x8E) {
      o = PutPair(o, EucKana(s, n, i));
    } else {
      o[0] = c & 0x7F;
      o[1] = s[i + 1] & 0x7F;
      o += 2;
      i += 2;
    }
  }
  return o;
}

inline uchar* SjisToJisStep(const uchar* s, size_t n, size_t& i, uchar* o, bool& twoByte) {
  const uchar c = s[i];
  if (c < 0x80) {
    o = SwitchJisMode(o, twoByte, false);
    *o++ = c;
    ++i;
  } else if (IsHalfKana(c)) {
    o = SwitchJisMode(o, twoByte, true);
    o = PutPair(o, SjisKana(s, n, i));
  } else if (i + 1 >= n) {  // lone lead byte at the end: dropped
    ++i;
  } else {
    o = SwitchJisMode(o, twoByte, true);
    o = PutPair(o, SjisToJisInline(c, s[i + 1]));
    i += 2;
  }
  return o;
}

}  // namespace

std::string JisToSjis(std::string_view text) {
  return ConvertLoop<1, JisToSjisStep>(text, text.size());
}
std::string JisToEuc(std::string_view text) {
  return ConvertLoop<1, JisToEucStep>(text, text.size());
}
std::string EucToSjis(std::string_view text) {
  return ConvertLoop<1, EucToSjisStep>(text, text.size());
}
std::string SjisToEuc(std::string_view text) {
  return ConvertLoop<2, SjisToEucStep>(text, text.size() + text.size() / 16);
}
std::string EucToJis(std::string_view text) {
  return ConvertLoop<4, EucToJisStep>(text, text.size() + text.size() / 8);
}
std::string SjisToJis(std::string_view text) {
  return ConvertLoop<5, SjisToJisStep>(text, text.size() + text.size() / 8);
}

// ---------------------------------------------------------------------------
// MIME header words

// Encoded words are replaced one at a time, always the first one left in the
// line. Every round removes at least the 16-byte prefix and inserts no more
// bytes than the base64 text it replaces, so the line gets shorter each round
// and the loop ends even when the decoded bytes bring a new prefix.
// One pass over the line. The text is kept in two parts: `out`, the bytes
// already passed over, and `tail`, the bytes still ahead, stored back to front
// so that decoded bytes can be put back in front of the rest (they are searched
// again) in time proportional to their length. Each byte carries a second form
// for the search: an original letter upper-cased, a decoded byte as it is.
// A prefix is recognised the moment its last byte is moved to `out`, which
// finds the leftmost occurrence first, as a search from the start would, also
// one that begins in text before a decoded word and ends inside it.
//
// Every decoded word makes the text shorter by more than a quarter of the
// bytes scanned for it, and once no "?=" is left ahead none can appear again
// (only decoding puts bytes ahead), so the whole run is linear in the length
// of the line.
std::string DecodeMimeHeader(std::string_view line) {
  static constexpr std::string_view kPrefix = "=?ISO-2022-JP?B?";
  static constexpr size_t kPrefixSize = kPrefix.size();

  std::string tail(line.rbegin(), line.rend());
  std::string tailSearch(tail);
  for (char& ch : tailSearch)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');

  std::string out;
  std::string outSearch;
  out.reserve(line.size());
  outSearch.reserve(line.size());
  bool closeAhead = true;  // false once a search found no "?=" in the tail
  std::string encoded;

  while (!tail.empty()) {
    out.push_back(tail.back());
    outSearch.push_back(tailSearch.back());
    tail.pop_back();
    tailSearch.pop_back();
    if (outSearch.size() < kPrefixSize || outSearch.back() != '?' ||
        std::string_view(outSearch).substr(outSearch.size() - kPrefixSize) != kPrefix)
      continue;
    out.resize(out.size() - kPrefixSize);
    outSearch.resize(outSearch.size() - kPrefixSize);
    if (!closeAhead) continue;
    // The first "?=" ahead; the tail is reversed, so it reads "=?" there.
    size_t i = tail.size();
    while (i >= 2 && !(tail[i - 1] == '?' && tail[i - 2] == '=')) --i;
    if (i < 2) {
      closeAhead = false;
      continue;
    }
    const size_t closeAt = i - 2;  // index of the "=" of "?="
    encoded.assign(tail.rbegin(), tail.rbegin() + static_cast<std::ptrdiff_t>(tail.size() - i));
    tail.resize(closeAt);
    tailSearch.resize(closeAt);
    const std::string decoded = DecodeBase64(encoded);
    tail.append(decoded.rbegin(), decoded.rend());
    tailSearch.append(decoded.rbegin(), decoded.rend());
  }
  return out;
}

// Bytes outside the base64 alphabet, and "=" where its value is used, count
// as 0. A last group shorter than four bytes is read as if padded with "=":
// three bytes give two, two give one, a single byte gives nothing.
std::string DecodeBase64(std::string_view text) {
  static constexpr auto kValues = [] {
    struct Table { uchar v[256] = {}; } t;
    for (int c = 'A'; c <= 'Z'; ++c) t.v[c] = static_cast<uchar>(c - 'A');
    for (int c = 'a'; c <= 'z'; ++c) t.v[c] = static_cast<uchar>(c - 'a' + 26);
    for (int c = '0'; c <= '9'; ++c) t.v[c] = static_cast<uchar>(c - '0' + 52);
    t.v['+'] = 62;
    t.v['/'] = 63;
    return t;
  }();

  const uchar* s = Bytes(text);
  const size_t n = text.size();
  std::string out;
  out.reserve(n / 4 * 3 + 3);
  size_t i = 0;
  while (i < n) {
    if (s[i] == kCr || s[i] == kLf) {
      ++i;
      continue;
    }
    const size_t len = std::min<size_t>(4, n - i);
    if (len < 2) break;
    const uchar g2 = len > 2 ? s[i + 2] : '=';
    const uchar g3 = len > 3 ? s[i + 3] : '=';
    const uchar a = kValues.v[s[i]];
    const uchar b = kValues.v[s[i + 1]];
    const uchar c = kValues.v[g2];
    const uchar d = kValues.v[g3];
    i += len;
    out.push_back(static_cast<char>((a << 2) | (b >> 4)));
    if (g2 == '=') continue;
    out.push_back(static_cast<char>(((b << 4) | (c >> 2)) & 0xFF));
    if (g3 == '=') continue;
    out.push_back(static_cast<char>(((c << 6) & 0xFF) | d));
  }
  return out;
}

}  // namespace tavirel
