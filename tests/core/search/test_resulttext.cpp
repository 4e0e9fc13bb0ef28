#include <gtest/gtest.h>

#include <string>

#include "core/search/resulttext.h"
#include "support/resultpieces.h"

using namespace tavirel;

namespace {

std::string Repeat(const std::string& part, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += part;
  return out;
}

}  // namespace

TEST(ResultText, PiecesOfEveryShape) {
  const std::string kanji = "\x8a\xbf";  // 漢
  struct Case {
    const char* name;
    std::string text;
    int pieces;
  };
  const Case cases[] = {
      {"empty", "", 0},
      {"one line without a break", "abc", 1},
      {"one line with LF", "abc\n", 1},
      {"empty lines, LF", std::string(300, '\n'), 300},
      {"empty lines, CR", std::string(300, '\r'), 300},
      {"mixed breaks", "a\r\nb\rc\n\r\n\r\rd", 7},
      {"one-character lines past several marks", Repeat("x\n", 1000), 1000},
      // A line of 10,000 bytes whose double-byte characters straddle the cut.
      {"long line", "a" + Repeat(kanji, 5000) + "\nend", 4},
      {"exactly one piece long", std::string(TResultText::MaxPieceBytes, 'q') + "\nz", 2},
      {"lone lead byte at the end", "ab\n\x8a", 2},
      {"lead byte before a break", "a\x8a\nb\x8a\r\n", 2},
      // Double-byte and half-width characters across every eight-byte word.
      {"mixed lines", Repeat("abcdefg" + kanji + "\xb1x\r\n", 50) + "a\x8a", 51},
      {"a character cut at the limit after ASCII",
       std::string(TResultText::MaxPieceBytes - 1, 'q') + kanji + "\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TResultText text(c.text);
    EXPECT_EQ(text.PieceCount(), c.pieces);
    EXPECT_EQ(testsupport::CheckResultPieces(text, ParseResultText(c.text, 2, 2)), "");
  }
  // Offsets outside the text are clamped to the first and the last piece.
  const TResultText text(Repeat("line\n", 200));
  EXPECT_EQ(text.PieceAt(-5), 0);
  EXPECT_EQ(text.PieceAt(text.CharCount() + 100), 199);
}
