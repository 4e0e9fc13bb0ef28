// The properties of a TResultText, checked piece by piece against the text
// ParseResultText rejoins from the same file: the pieces give that text back
// (CR LF after each one that ends a line), none is longer than the limit or
// cuts a double-byte character, every piece is found again by its number and
// by any offset inside it, and the character count is the number of
// character kinds. Shared by the tests and the fuzz target.
#pragma once

#include <string>

#include "core/search/resultlist.h"
#include "core/search/resulttext.h"

namespace tavirel::testsupport {

// Empty when every property holds, else what failed first.
inline std::string CheckResultPieces(const TResultText& text, const ResultListParse& parse) {
  std::string rejoined;
  ResultLine piece;
  int count = 0;
  while (text.NextPiece(piece)) {
    const std::string_view bytes = text.PieceBytes(piece);
    if (bytes.size() > TResultText::MaxPieceBytes) return "a piece longer than the limit";
    size_t chars = 0;
    size_t i = 0;
    for (; i < bytes.size(); i += ResultCharLength(bytes, i)) ++chars;
    if (i != bytes.size() || static_cast<int32_t>(chars) != piece.Chars) {
      return "piece " + std::to_string(count) + " cuts a character or miscounts";
    }
    const ResultLine again = text.Piece(count);
    if (again.Begin != piece.Begin || again.Offset != piece.Offset) {
      return "Piece(" + std::to_string(count) + ") differs from reading in order";
    }
    // The last offset of a piece: the second half of its line break, or
    // its last character when the line goes on.
    const int32_t last = piece.NextOffset - 1;
    for (const int32_t at : {piece.Offset, (piece.Offset + last) / 2, last}) {
      ResultLine found;
      if (text.PieceAt(at, &found) != count || found.Begin != piece.Begin) {
        return "offset " + std::to_string(at) + " not found in piece " + std::to_string(count);
      }
    }
    rejoined.append(bytes);
    if (piece.EndsLine) rejoined += "\r\n";
    ++count;
  }
  if (count != text.PieceCount()) return "piece count";
  if (rejoined != parse.Text) return "the pieces do not give the rejoined text";
  if (static_cast<size_t>(text.CharCount()) != parse.ResultCharKinds.size()) {
    return "character count";
  }
  return {};
}

}  // namespace tavirel::testsupport
