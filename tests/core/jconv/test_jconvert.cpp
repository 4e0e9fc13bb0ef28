// Tests of Japanese code detection and conversion.

#include "core/jconv/jconvert.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace tavirel {
namespace {

using namespace std::string_literals;

const std::string kJisIn = "\x1b$B";   // ESC $ B
const std::string kJisOut = "\x1b(J";  // ESC ( J

std::string Hex(std::string_view s) {
  static const char* digits = "0123456789ABCDEF";
  std::string r;
  for (unsigned char c : s) {
    if (!r.empty()) r += ' ';
    r += digits[c >> 4];
    r += digits[c & 15];
  }
  return r;
}

// Byte strings are compared as hex so that a failure shows the bytes.
#define EXPECT_BYTES(actual, expected) EXPECT_EQ(Hex(actual), Hex(expected))

// The text in a heap block of exactly its own length, so that a read past the
// end is caught by the address sanitizer or valgrind (a std::string has spare
// capacity and a terminating NUL behind its bytes).
class ExactBuffer {
 public:
  explicit ExactBuffer(std::string_view text)
      : size_(text.size()), data_(new char[text.size()]) {
    std::copy(text.begin(), text.end(), data_.get());
  }
  std::string_view view() const { return {data_.get(), size_}; }

 private:
  size_t size_;
  std::unique_ptr<char[]> data_;
};

using Converter = std::function<std::string(std::string_view)>;

struct NamedConverter {
  const char* name;
  Converter fn;
  size_t maxRatio;  // most output bytes per input byte
};

const std::vector<NamedConverter>& AllConverters() {
  static const std::vector<NamedConverter> list = {
      {"JisToSjis", JisToSjis, 1}, {"JisToEuc", JisToEuc, 1},
      {"EucToSjis", EucToSjis, 1}, {"SjisToEuc", SjisToEuc, 2},
      {"EucToJis", EucToJis, 3},   {"SjisToJis", SjisToJis, 5},
  };
  return list;
}

// ---------------------------------------------------------------------------
// Detection

struct DetectCase {
  const char* name;
  std::string text;
  TKanjiCode expected;
};

TEST(DetectKanjiCode, Table) {
  const std::string pad600(600, 'a');
  std::string control10(20, 'x');
  control10[9] = '\x03';  // position 10 of 20
  const std::vector<DetectCase> cases = {
      {"empty", "", kcAscii},
      {"one NUL byte", "\x00"s, kcAscii},
      {"one lead byte", "\x8A", kcAscii},
      {"plain ASCII", "Hello, world.\r\n", kcAscii},
      {"control byte at position 10", control10, kcNonText},
      {"0xFF in the head", "ab\xFF" "cd", kcNonText},
      {"last byte never examined", "abc\x01", kcAscii},
      {"last byte never starts a step", "abc\x8A", kcAscii},
      {"control late, reached by the scan", pad600 + "\x03" + "zz", kcNonText},
      {"control late, decided before", "\x8A\xBF" + pad600 + "\x03" + "zz", kcSjis},
      {"control in the head wins over a decision", "\x8A\xBF" "ab\x03" "cd", kcNonText},
      {"EUC hiragana only", "\xA4\xA2\xA4\xA4" /* あい */, kcEucOrSjis},
      {"EUC decided by A4 F3", "\xA4\xA2\xA4\xA4\xA4\xF3" /* あいん */, kcEuc},
      {"Shift-JIS kanji", "\x8A\xBF" /* 漢 */, kcSjis},
      {"Shift-JIS lead 0x9F", "\x9F\x40", kcSjis},
      {"ESC $ B", "ab\x1b$B$\"\x1b(B", kcJisNew},
      {"ESC $ @", "\x1b$@$\"", kcJisOld},
      {"ESC ( B decides nothing", "\x1b(Bab", kcAscii},
      {"ESC $ with the third byte past the end", "ab\x1b$", kcAscii},
      {"JIS escape before 8-bit bytes", "\x1b$B$\"\x1b(B\x8A\xBF", kcJisNew},
      {"8E + half-width kana", "\x8E\xB6\x8E\xDE", kcEucOrSjis},
      {"8E + 0x40", "\x8E\x40", kcSjis},
      {"8E + 0xA0", "\x8E\xA0", kcSjis},
      {"8E + 0xFD decides nothing", "\x8E\xFDzz", kcAscii},
      {"kana + F0", "\xB0\xF0", kcEuc},
      {"kana + ASCII", "\xB6" "a", kcSjis},
      {"kana + A0 decides nothing", "\xB6\xA0zz", kcAscii},
      {"look-ahead finds 0x90", "\xB0\xE0\xE0\x90", kcSjis},
      {"look-ahead range stops at 0x9C", "\xB0\xE0\x9D\x9E\x9F", kcEucOrSjis},
      {"look-ahead finds 0xFD", "\xB0\xE0\xA1\xFD", kcEuc},
      {"byte after the look-ahead is skipped", "\xB0\xE0\x1b$B$\"", kcEucOrSjis},
      {"scan goes on after the look-ahead", "\xB0\xE0 \x1b$B$\"", kcJisNew},
      {"control byte after the look-ahead unseen",
       pad600 + "\xB0\xE0\x03" "zz", kcEucOrSjis},
      {"E0 + 0x40", "\xE0\x40", kcSjis},
      {"E0 + 0xA0", "\xE0\xA0", kcSjis},
      {"E0 + 0xFD", "\xE0\xFD", kcEuc},
      {"E0 + 0xA1", "\xE0\xA1", kcEucOrSjis},
      {"E0 + 0xFF decides nothing", pad600 + "\xE0\xFFzz", kcAscii},
      {"F0 lead", "\xF0\xA1", kcEuc},
      {"0x80 and 0xA0 decide nothing", "\x80\xA0zz", kcAscii},
  };
  for (const auto& c : cases) {
    ExactBuffer buffer(c.text);
    EXPECT_EQ(DetectKanjiCode(buffer.view()), c.expected) << c.name;
  }
}

// Long ASCII runs are skipped a word at a time; a decisive byte at any offset
// and alignment, up to the very end, must still be seen.
TEST(DetectKanjiCode, DecisiveByteAfterLongAsciiAtEveryOffset) {
  struct Marker {
    std::string bytes;
    TKanjiCode expected;
  };
  const std::vector<Marker> markers = {
      {"\x1b$B", kcJisNew}, {"\x03", kcNonText}, {"\xFF", kcNonText},
      {"\x8A\xBF", kcSjis}, {"\xA4\xF3", kcEuc}, {"\x7F\x08", kcAscii},
  };
  for (size_t offset = 520; offset < 540; ++offset) {
    for (const auto& m : markers) {
      for (size_t tail : {0, 1, 2, 9, 17}) {
        std::string text(offset, 'a');
        text += m.bytes;
        text.append(tail, 'b');
        // A one-byte marker as the very last byte is never examined.
        const TKanjiCode expected =
            (m.bytes.size() == 1 && tail == 0) ? kcAscii : m.expected;
        ExactBuffer buffer(text);
        EXPECT_EQ(DetectKanjiCode(buffer.view()), expected)
            << "offset " << offset << " marker " << Hex(m.bytes) << " tail " << tail;
      }
    }
  }
}

// ---------------------------------------------------------------------------
// Entry point

TEST(ConvertKanjiCode, UnchangedWhenUndecidedOrSameCode) {
  const std::vector<std::pair<std::string, TKanjiCode>> cases = {
      {"", kcSjis},
      {"a", kcSjis},
      {"plain text", kcJisNew},
      {"abc\x03\x8A\xBF", kcJisNew},                 // not text
      {"\x8E\xB6\x8E\xDE", kcSjis},                  // EUC or Shift-JIS
      {"\xA4\xA2\xA4\xA4", kcJisNew},                // EUC or Shift-JIS
      {"\x8A\xBF" /* 漢 */, kcSjis},                 // already the target
      {"\xA4\xA2\xA4\xF3" /* あん */, kcEuc},
      {"\x1b$B$\"\x1b(B", kcJisNew},
      {"\x8A\xBF", kcJisOld},                        // not a target
      {"\x8A\xBF", kcAscii},
      {"\x8A\xBF", static_cast<TKanjiCode>(7)},
      {"\x1b$@$\"\x1b(B", kcJisNew},                 // old JIS is left alone
  };
  for (const auto& [text, target] : cases)
    EXPECT_BYTES(ConvertKanjiCode(text, target), text) << Hex(text) << " to " << target;
}

TEST(ConvertKanjiCode, RoutesByDetectedCode) {
  const std::string sjis = "\x8A\xBF\x8E\x9A" "a" /* 漢字a */;
  const std::string euc = "\xB4\xC1\xBB\xFA" "a";
  const std::string jis = kJisIn + "4A;z" + kJisOut + "a";
  const std::string jisOld = "\x1b$@4A;z\x1b(Ba";
  EXPECT_BYTES(ConvertKanjiCode(sjis, kcJisNew), jis);
  EXPECT_BYTES(ConvertKanjiCode(sjis, kcEuc), euc);
  EXPECT_BYTES(ConvertKanjiCode(euc, kcJisNew), jis);
  EXPECT_BYTES(ConvertKanjiCode(euc, kcSjis), sjis);
  EXPECT_BYTES(ConvertKanjiCode(jis, kcSjis), sjis);
  EXPECT_BYTES(ConvertKanjiCode(jis, kcEuc), euc);
  EXPECT_BYTES(ConvertKanjiCode(jisOld, kcSjis), sjis);
  EXPECT_BYTES(ConvertKanjiCode(jisOld, kcEuc), euc);
}

TEST(ConvertKanjiCode, JisTextKeepsLaterEightBitBytes) {
  // 8-bit bytes in single-byte mode are copied as they are.
  const std::string jis = kJisIn + "$\"" + "\x1b(B" + "\x8A\xBF";
  EXPECT_BYTES(ConvertKanjiCode(jis, kcSjis), "\x82\xA0\x8A\xBF" /* あ + raw */);
}

// ---------------------------------------------------------------------------
// Pair arithmetic

TEST(PairArithmetic, KnownCharactersAndWrapAround) {
  struct Case { uint8_t j1, j2, s1, s2; };
  const std::vector<Case> cases = {
      {0x21, 0x21, 0x81, 0x40},  // 　
      {0x24, 0x22, 0x82, 0xA0},  // あ
      {0x34, 0x41, 0x8A, 0xBF},  // 漢
      {0x21, 0x60, 0x81, 0x80},  // ÷ (odd row, second byte past 0x5F)
      {0x21, 0x5F, 0x81, 0x7E},  // ×
      {0x5E, 0x7E, 0x9F, 0xFC},  // last row below 0x5F
      {0x5F, 0x21, 0xE0, 0x40},  // first row at or above 0x5F
      {0x7E, 0x7E, 0xEF, 0xFC},
  };
  for (const auto& c : cases) {
    const TBytePair s = JisToSjisPair(c.j1, c.j2);
    EXPECT_EQ(s.first, c.s1) << std::hex << int(c.j1) << int(c.j2);
    EXPECT_EQ(s.second, c.s2) << std::hex << int(c.j1) << int(c.j2);
    const TBytePair j = SjisToJisPair(c.s1, c.s2);
    EXPECT_EQ(j.first, c.j1);
    EXPECT_EQ(j.second, c.j2);
  }
  // Sums wrap modulo 256.
  const TBytePair a = JisToSjisPair(0xFF, 0xFF);
  EXPECT_EQ(a.first, 0x30);
  EXPECT_EQ(a.second, 0x1F);
  const TBytePair b = SjisToJisPair(0x00, 0x00);
  EXPECT_EQ(b.first, 0x1F);
  EXPECT_EQ(b.second, 0xE1);
}

// Every JIS X 0208 code point (94 x 94, assigned or not) survives the round
// trips, as single characters and as one long text in each code.
TEST(PairArithmetic, RoundTripsOverAllOfJisX0208) {
  std::string sjis, euc, jisPairs;
  for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const TBytePair s = JisToSjisPair(j1, j2);
      ASSERT_TRUE((s.first >= 0x81 && s.first <= 0x9F) || (s.first >= 0xE0 && s.first <= 0xEF));
      ASSERT_TRUE(s.second >= 0x40 && s.second <= 0xFC && s.second != 0x7F);
      const TBytePair j = SjisToJisPair(s.first, s.second);
      ASSERT_EQ(j.first, j1);
      ASSERT_EQ(j.second, j2);
      sjis += static_cast<char>(s.first);
      sjis += static_cast<char>(s.second);
      euc += static_cast<char>(j1 | 0x80);
      euc += static_cast<char>(j2 | 0x80);
      jisPairs += static_cast<char>(j1);
      jisPairs += static_cast<char>(j2);
    }
  }
  const std::string jis = kJisIn + jisPairs;  // no closing escape at the end
  EXPECT_TRUE(SjisToJis(sjis) == jis);
  EXPECT_TRUE(JisToSjis(jis) == sjis);
  EXPECT_TRUE(JisToSjis(SjisToJis(sjis)) == sjis);
  EXPECT_TRUE(SjisToEuc(sjis) == euc);
  EXPECT_TRUE(EucToSjis(euc) == sjis);
  EXPECT_TRUE(EucToSjis(SjisToEuc(sjis)) == sjis);
  EXPECT_TRUE(EucToJis(euc) == jis);
  EXPECT_TRUE(JisToEuc(jis) == euc);
  // With line breaks between the rows the runs are closed and reopened.
  std::string sjisLines, jisLines;
  for (size_t row = 0; row < 94; ++row) {
    sjisLines += sjis.substr(row * 188, 188) + "\r\n";
    jisLines += kJisIn + jisPairs.substr(row * 188, 188) + kJisOut + "\r\n";
  }
  EXPECT_TRUE(SjisToJis(sjisLines) == jisLines);
  EXPECT_TRUE(JisToSjis(jisLines) == sjisLines);
  EXPECT_TRUE(ConvertKanjiCode(jisLines, kcSjis) == sjisLines);
  EXPECT_TRUE(ConvertKanjiCode(sjisLines, kcJisNew) == jisLines);
}

// glibc's converters as an independent reference: each assigned character,
// read as ISO-2022-JP, must come out as the bytes of our arithmetic.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // False when the text has a character the target code lacks.
  bool Convert(std::string input, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    char buffer[64];
    char* inPtr = input.data();
    size_t inLeft = input.size();
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    const bool done =
        iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
        inLeft == 0 && iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) != static_cast<size_t>(-1);
    out.assign(buffer, outPtr);
    return done;
  }

 private:
  iconv_t cd_;
};

TEST(PairArithmetic, AgreesWithIconvForAssignedCharacters) {
  for (const char* target : {"SHIFT_JIS", "CP932", "EUC-JP"}) {
    Iconv reference(target, "ISO-2022-JP");
    ASSERT_TRUE(reference.ok()) << target;
    const bool toEuc = std::string(target) == "EUC-JP";
    int assigned = 0;
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
      for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
        const std::string jisChar = kJisIn + char(j1) + char(j2) + "\x1b(B";
        std::string expected;
        if (!reference.Convert(jisChar, expected)) continue;  // unassigned
        ++assigned;
        const std::string sjisChar = JisToSjis(jisChar);
        const std::string ours = toEuc ? SjisToEuc(sjisChar) : sjisChar;
        ASSERT_EQ(Hex(ours), Hex(expected)) << target << " JIS " << Hex(jisChar.substr(3, 2));
        if (!toEuc) {
          ASSERT_EQ(Hex(SjisToJis(expected)), Hex(kJisIn + char(j1) + char(j2)));
        }
      }
    }
    EXPECT_EQ(assigned, 6879) << target;  // the size of JIS X 0208
  }
}

// ---------------------------------------------------------------------------
// Half-width katakana

TEST(HalfWidthKana, EveryTableEntryInBothCodes) {
  // Each half-width byte and the full-width JIS character it becomes.
  static const uint16_t kExpected[63] = {
      0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523, 0x2525,  // ｡｢｣､･ｦｧｨｩ
      0x2527, 0x2529, 0x2563, 0x2565, 0x2567, 0x2543, 0x213C, 0x2522, 0x2524,  // ｪｫｬｭｮｯｰｱｲ
      0x2526, 0x2528, 0x252A, 0x252B, 0x252D, 0x252F, 0x2531, 0x2533, 0x2535,  // ｳｴｵｶｷｸｹｺｻ
      0x2537, 0x2539, 0x253B, 0x253D, 0x253F, 0x2541, 0x2544, 0x2546, 0x2548,  // ｼｽｾｿﾀﾁﾂﾃﾄ
      0x254A, 0x254B, 0x254C, 0x254D, 0x254E, 0x254F, 0x2552, 0x2555, 0x2558,  // ﾅﾆﾇﾈﾉﾊﾋﾌﾍ
      0x255B, 0x255E, 0x255F, 0x2560, 0x2561, 0x2562, 0x2564, 0x2566, 0x2568,  // ﾎﾏﾐﾑﾒﾓﾔﾕﾖ
      0x2569, 0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C,  // ﾗﾘﾙﾚﾛﾜﾝﾞﾟ
  };
  for (int k = 0xA1; k <= 0xDF; ++k) {
    const uint16_t v = kExpected[k - 0xA1];
    const std::string jis = kJisIn + char(v >> 8) + char(v & 0xFF);
    EXPECT_BYTES(SjisToJis(std::string(1, char(k))), jis) << std::hex << k;
    EXPECT_BYTES(EucToJis("\x8E"s + char(k)), jis) << std::hex << k;
    // The other conversions keep them half-width.
    EXPECT_BYTES(SjisToEuc(std::string(1, char(k))), "\x8E"s + char(k));
    EXPECT_BYTES(EucToSjis("\x8E"s + char(k)), std::string(1, char(k)));
  }
}

struct KanaCase {
  const char* name;
  std::string sjis;      // half-width Shift-JIS bytes
  std::string jisPairs;  // the JIS characters expected after ESC $ B
};

std::string ToEucKana(const std::string& sjis) {
  std::string r;
  for (char c : sjis) r += "\x8E"s + c;
  return r;
}

TEST(HalfWidthKana, VoicedMarksMergeWhereAFullWidthKanaExists) {
  const std::vector<KanaCase> cases = {
      {"ｶﾞ -> ガ", "\xB6\xDE", "%,"},
      {"ﾄﾞ -> ド", "\xC4\xDE", "%I"},
      {"ｳﾞ -> ヴ", "\xB3\xDE", "%t"},
      {"ﾊﾞ -> バ", "\xCA\xDE", "%P"},
      {"ﾊﾟ -> パ", "\xCA\xDF", "%Q"},
      {"ﾎﾟ -> ポ", "\xCE\xDF", "%]"},
      {"ｶﾟ not merged", "\xB6\xDF", "%+!,"},
      {"ﾅﾞ not merged", "\xC5\xDE", "%J!+"},
      {"ｲﾞ not merged", "\xB2\xDE", "%$!+"},
      {"ﾏﾟ not merged", "\xCF\xDF", "%^!,"},
      {"a lone mark", "\xDE", "!+"},
      {"two marks", "\xDE\xDE", "!+!+"},
      {"ｶﾞﾞ merges once", "\xB6\xDE\xDE", "%,!+"},
      {"kana at the end", "\xB6", "%+"},
  };
  for (const auto& c : cases) {
    EXPECT_BYTES(SjisToJis(ExactBuffer(c.sjis).view()), kJisIn + c.jisPairs) << c.name;
    const std::string euc = ToEucKana(c.sjis);
    EXPECT_BYTES(EucToJis(ExactBuffer(euc).view()), kJisIn + c.jisPairs) << c.name;
  }
}

TEST(HalfWidthKana, EucSpecificCases) {
  // 8E B6 8E DE (ｶﾞ): kept as two half-width bytes in Shift-JIS, merged in JIS,
  // and left alone by the entry point, which cannot tell the code.
  const std::string ga = "\x8E\xB6\x8E\xDE";
  EXPECT_BYTES(EucToSjis(ga), "\xB6\xDE");
  EXPECT_BYTES(EucToJis(ga), kJisIn + "%,");
  EXPECT_BYTES(ConvertKanjiCode(ga, kcSjis), ga);
  // A DE without 8E in front is no mark but the start of a two-byte character.
  EXPECT_BYTES(EucToJis("\x8E\xB6\xDE\xA1"), kJisIn + "%+^!");
  // A mark whose 8E is the last byte: the kana converts, the lone 8E is dropped.
  EXPECT_BYTES(EucToJis(ExactBuffer("\x8E\xB6\x8E").view()), kJisIn + "%+");
  // 8E followed by a byte that is no kana gives 〓 (22 2E).
  EXPECT_BYTES(EucToJis("\x8E\x41" "b"), kJisIn + "\".\x1b(Jb");
}

TEST(HalfWidthKana, PositionMovesPastWhatWasConsumed) {
  struct Case {
    bool euc;
    std::string text;
    size_t start;
    uint16_t expected;
    size_t end;
  };
  const std::vector<Case> cases = {
      {false, "\xB6\xDE" "a", 0, 0x252C, 2},
      {false, "\xB6" "a", 0, 0x252B, 1},
      {false, "a\xCA\xDF", 1, 0x2551, 3},
      {false, "\xB6", 0, 0x252B, 1},
      {false, "\xB6", 1, 0x222E, 1},  // at the end: nothing consumed
      {true, "\x8E\xB6\x8E\xDE", 0, 0x252C, 4},
      {true, "\x8E\xB6\x8E", 0, 0x252B, 2},
      {true, "\x8E\xB6\xDE", 0, 0x252B, 2},
      {true, "\x8E", 0, 0x222E, 1},  // cut off kana
      {true, "\x8E\x41", 0, 0x222E, 2},
      {true, "", 0, 0x222E, 0},
  };
  for (const auto& c : cases) {
    ExactBuffer buffer(c.text);
    size_t pos = c.start;
    const TBytePair r = c.euc ? EucHalfKanaToJis(buffer.view(), pos)
                              : SjisHalfKanaToJis(buffer.view(), pos);
    EXPECT_EQ((r.first << 8) | r.second, c.expected) << Hex(c.text);
    EXPECT_EQ(pos, c.end) << Hex(c.text);
  }
}

// ---------------------------------------------------------------------------
// Converters on particular byte sequences

struct ConvertCase {
  const char* name;
  std::string (*fn)(std::string_view);
  std::string input;
  std::string expected;
};

TEST(Converters, Table) {
  const std::string esc = "\x1b";
  const std::vector<ConvertCase> cases = {
      // To JIS: runs are opened and closed, never closed at the end.
      {"EucToJis あa", EucToJis, "\xA4\xA2" "a", kJisIn + "$\"" + kJisOut + "a"},
      {"EucToJis あ", EucToJis, "\xA4\xA2", kJisIn + "$\""},
      {"SjisToJis あ CR LF", SjisToJis, "\x82\xA0\r\n", kJisIn + "$\"" + kJisOut + "\r\n"},
      {"SjisToJis two runs", SjisToJis, "\x82\xA0 \x82\xA2",
       kJisIn + "$\"" + kJisOut + " " + kJisIn + "$$"},
      // From JIS: an unclosed run takes CR LF as a pair / byte by byte.
      {"JisToSjis run over CR LF", JisToSjis, kJisIn + "$\"\r\n", "\x82\xA0\x77\x29"},
      {"JisToEuc run over CR LF", JisToEuc, kJisIn + "$\"\r\n", "\xA4\xA2\r\n"},
      {"JisToSjis ESC ( J and ( B", JisToSjis,
       kJisIn + "$\"\x1b(Jx" + kJisIn + "$\"\x1b(By", "\x82\xA0x\x82\xA0y"},
      {"JisToSjis ESC $ @", JisToSjis, "\x1b$@4A", "\x8A\xBF"},
      {"JisToSjis other escape keeps the mode", JisToSjis,
       kJisIn + "$\"\x1b" "xy" "$\"", "\x82\xA0\x82\xA0"},
      {"JisToSjis byte after an escape is text", JisToSjis, "\x1b(B\x1b$B", "\x1b$B"},
      {"JisToEuc byte after an escape is text", JisToEuc, kJisIn + "\x1b" "$B", "\x1b\xA4\xC2"},
      {"JisToSjis 8-bit bytes in single mode", JisToSjis, "a\x8A\xBF", "a\x8A\xBF"},
      // Truncated escapes write nothing more.
      {"JisToSjis lone ESC", JisToSjis, "ab" + esc, "ab"},
      {"JisToSjis ESC $", JisToSjis, "ab\x1b$", "ab"},
      {"JisToSjis ESC $ B at the end", JisToSjis, "ab\x1b$B", "ab"},
      {"JisToEuc lone ESC", JisToEuc, "ab" + esc, "ab"},
      {"JisToEuc ESC (", JisToEuc, kJisIn + "$\"\x1b(", "\xA4\xA2"},
      {"JisToSjis only ESC", JisToSjis, esc, ""},
      // A lone trailing byte in a two-byte run: 7-bit copied, 8-bit dropped.
      {"JisToSjis lone LF", JisToSjis, kJisIn + "$\"\n", "\x82\xA0\n"},
      {"JisToSjis lone 8-bit byte", JisToSjis, kJisIn + "$\"\xA4", "\x82\xA0"},
      {"JisToSjis NUL and FF pair", JisToSjis, kJisIn + "\x00\xFF"s, "\x70\x7D"},
      // Cut-off lead bytes of EUC and Shift-JIS are dropped.
      {"EucToSjis lone lead", EucToSjis, "a\xA4", "a"},
      {"EucToSjis lone 8E", EucToSjis, "a\x8E", "a"},
      {"EucToSjis 80 and FF copied", EucToSjis, "\x80\xFF", "\x80\xFF"},
      {"EucToSjis kana", EucToSjis, "\x8E\xB1\xA4\xA2", "\xB1\x82\xA0"},
      {"SjisToEuc lone lead", SjisToEuc, "a\x82", "a"},
      {"SjisToEuc lone FF", SjisToEuc, "\xFF", ""},
      {"SjisToEuc kana at the end kept", SjisToEuc, "a\xB1", "a\x8E\xB1"},
      {"EucToJis lone lead opens no run", EucToJis, "a\xA4", "a"},
      {"EucToJis lone lead after a run", EucToJis, "\xA4\xA2\xA4", kJisIn + "$\""},
      {"EucToJis lone 8E", EucToJis, "a\x8E", "a"},
      {"SjisToJis lone lead", SjisToJis, "a\x82", "a"},
      // NUL bytes are ordinary single bytes.
      {"SjisToJis NUL", SjisToJis, "a\x00\x82\xA0\x00"s, "a\x00"s + kJisIn + "$\"" + kJisOut + "\x00"s},
      {"EucToSjis NUL", EucToSjis, "\x00\xA4\xA2\x00"s, "\x00\x82\xA0\x00"s},
  };
  for (const auto& c : cases) {
    ExactBuffer buffer(c.input);
    EXPECT_BYTES(c.fn(buffer.view()), c.expected) << c.name;
  }
}

// Worst-case expansion over a long text: the output buffer has to grow
// several times while converting.
TEST(Converters, LongTextsThatExpand) {
  const size_t count = 60000;
  std::string sjisIn, sjisJis, eucIn, eucJis, kanaIn, kanaEuc;
  for (size_t i = 0; i < count; ++i) {
    sjisIn += "\xA1" "a";                         // ｡a
    sjisJis += kJisIn + "!#" + kJisOut + "a";
    eucIn += "\x8E\xA1" "a";
    eucJis += kJisIn + "!#" + kJisOut + "a";
    kanaIn += "\xB1";                             // ｱ
    kanaEuc += "\x8E\xB1";
  }
  EXPECT_TRUE(SjisToJis(sjisIn) == sjisJis);
  EXPECT_TRUE(EucToJis(eucIn) == eucJis);
  EXPECT_TRUE(SjisToEuc(kanaIn) == kanaEuc);
  EXPECT_TRUE(EucToSjis(kanaEuc) == kanaIn);
  std::string expectSjis;
  for (size_t i = 0; i < count; ++i) expectSjis += "\x81\x42" "a";  // 。a
  EXPECT_TRUE(JisToSjis(sjisJis) == expectSjis);
}

// Random valid texts come back unchanged through the other codes.
TEST(Converters, RandomRoundTrips) {
  std::mt19937 rng(12345);
  for (int round = 0; round < 200; ++round) {
    std::string sjis;          // with half-width kana
    std::string sjisFullOnly;  // without: survives the trip through JIS
    const int chars = std::uniform_int_distribution<int>(0, 300)(rng);
    for (int i = 0; i < chars; ++i) {
      const int kind = std::uniform_int_distribution<int>(0, 4)(rng);
      if (kind == 0) {
        const char c = static_cast<char>(std::uniform_int_distribution<int>(0x20, 0x7E)(rng));
        sjis += c;
        sjisFullOnly += c;
      } else if (kind == 1) {
        const char* breaks[] = {"\r\n", "\n", "\r"};
        const std::string b = breaks[std::uniform_int_distribution<int>(0, 2)(rng)];
        sjis += b;
        sjisFullOnly += b;
      } else if (kind == 2) {
        sjis += static_cast<char>(std::uniform_int_distribution<int>(0xA1, 0xDF)(rng));
      } else {
        const TBytePair p = JisToSjisPair(std::uniform_int_distribution<int>(0x21, 0x7E)(rng),
                                          std::uniform_int_distribution<int>(0x21, 0x7E)(rng));
        const std::string ch{static_cast<char>(p.first), static_cast<char>(p.second)};
        sjis += ch;
        sjisFullOnly += ch;
      }
    }
    ASSERT_TRUE(EucToSjis(SjisToEuc(sjis)) == sjis) << Hex(sjis);
    ASSERT_TRUE(JisToSjis(SjisToJis(sjisFullOnly)) == sjisFullOnly) << Hex(sjisFullOnly);
    ASSERT_TRUE(JisToEuc(EucToJis(SjisToEuc(sjisFullOnly))) == SjisToEuc(sjisFullOnly));
  }
}

// Arbitrary bytes, rich in the bytes the converters treat specially: no
// converter reads past the end (checked under the sanitizers / valgrind) and
// the output stays within the converter's expansion bound.
TEST(Converters, ArbitraryBytesStayInBounds) {
  const unsigned char special[] = {0x1B, '$', '(', 'B', '@', 'J', 0x8E, 0xA1, 0xB6, 0xCA,
                                   0xDE, 0xDF, 0x81, 0x82, 0xA0, 0xE0, 0xEF, 0xF0, 0xFD,
                                   0xFE, 0xFF, 0x00, 0x03, 0x0D, 0x0A, 0x80, 0x41, 0x7F};
  std::mt19937 rng(777);
  for (int round = 0; round < 3000; ++round) {
    const size_t length = std::uniform_int_distribution<size_t>(0, 40)(rng);
    std::string text;
    for (size_t i = 0; i < length; ++i) {
      if (rng() % 4 == 0)
        text += static_cast<char>(rng() & 0xFF);
      else
        text += static_cast<char>(special[rng() % sizeof special]);
    }
    ExactBuffer buffer(text);
    const std::string_view view = buffer.view();
    const TKanjiCode code = DetectKanjiCode(view);
    ASSERT_GE(code, kcAscii);
    ASSERT_LE(code, kcEucOrSjis);
    for (const auto& c : AllConverters())
      ASSERT_LE(c.fn(view).size(), c.maxRatio * view.size() + 3) << c.name << " " << Hex(text);
    for (TKanjiCode target : {kcJisNew, kcEuc, kcSjis})
      ASSERT_LE(ConvertKanjiCode(view, target).size(), 5 * view.size());
    for (size_t pos = 0; pos <= view.size(); ++pos) {
      size_t p1 = pos, p2 = pos;
      EucHalfKanaToJis(view, p1);
      SjisHalfKanaToJis(view, p2);
      ASSERT_LE(p1, view.size());
      ASSERT_LE(p2, view.size());
    }
  }
}

}  // namespace
}  // namespace tavirel
