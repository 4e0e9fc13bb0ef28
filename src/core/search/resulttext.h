// TResultText: a result file held as the bytes it was read as, for a view
// that shows millions of lines. The text is cut into pieces: every line is
// one piece, except that a line longer than MaxPieceBytes comes in several.
// Only every PiecesPerMark-th piece is recorded (its byte position and
// offset); any other is found by reading forward from the one recorded before
// it. So the index takes a few bytes per hundred lines whatever the shape of
// the file, and no lookup reads more than PiecesPerMark pieces.
//
// Offsets are those of the result list (resultlist.h): characters, with two
// for every line break, including one after the last line. A text held as
// UTF-8 counts its characters as UTF-16 does (two for one beyond the BMP),
// every byte that does not begin a well-formed sequence as one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/search/resultlist.h"

namespace tavirel {

class TResultText {
 public:
  static constexpr size_t MaxPieceBytes = 4096;
  static constexpr int PiecesPerMark = 64;

  enum class Coding { ShiftJis, Utf8 };

  TResultText() = default;
  // Bytes beyond 1 GiB are dropped, as the hit list ignores them.
  explicit TResultText(std::string bytes, Coding coding = Coding::ShiftJis);

  Coding TextCoding() const { return coding_; }
  // The length of the character at byte `i` and how many characters of the
  // offsets it counts (UTF-8 beyond the BMP: two).
  size_t CharLength(size_t i, int* counted) const;

  const std::string& Bytes() const { return bytes_; }
  int PieceCount() const { return pieceCount_; }
  // Characters plus two per line break: the length of ResultCharKinds.
  int32_t CharCount() const { return charCount_; }

  // Piece `index` (clamped to the pieces there are; an empty text has none
  // and gives an empty piece). Its Next and NextOffset lead to the piece
  // after it, which NextPiece reads.
  ResultLine Piece(int index) const;
  bool NextPiece(ResultLine& piece) const { return Read(piece); }
  std::string_view PieceBytes(const ResultLine& piece) const {
    return std::string_view(bytes_).substr(piece.Begin, piece.Length);
  }
  // The piece that holds `offset`: the last one that begins at or before it,
  // so a line break belongs to the piece it ends (clamped at both ends).
  // `piece`, when given, receives it.
  int PieceAt(int32_t offset, ResultLine* piece = nullptr) const;

 private:
  bool Read(ResultLine& piece) const;

  struct Mark {
    uint32_t Begin;
    int32_t Offset;
  };
  std::string bytes_;
  Coding coding_ = Coding::ShiftJis;
  std::vector<Mark> marks_;
  int pieceCount_ = 0;
  int32_t charCount_ = 0;
};

}  // namespace tavirel
