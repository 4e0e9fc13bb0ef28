#include "core/search/resulttext.h"

#include <algorithm>

namespace tavirel {
TResultText::TResultText(std::string bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() > MaxResultTextBytes) bytes_.resize(MaxResultTextBytes);
  ResultLine piece;
  int count = 0;
  const size_t n = bytes_.size();
  auto isBreak = [this](size_t i) { return bytes_[i] == '\n' || bytes_[i] == '\r'; };
  while (true) {
    if (count % PiecesPerMark == 0) {
      marks_.push_back(Mark{static_cast<uint32_t>(piece.Next), piece.NextOffset});
    }
    if (!NextResultLine(bytes_, piece, MaxPieceBytes)) break;
    ++count;
    // Empty lines up to the next mark are only counted: a file of millions
    // of them is indexed without reading each as a piece.
    while (count % PiecesPerMark != 0 && piece.Next < n && isBreak(piece.Next)) {
      const bool crlf =
          bytes_[piece.Next] == '\r' && piece.Next + 1 < n && bytes_[piece.Next + 1] == '\n';
      piece.Next += crlf ? 2 : 1;
      piece.NextOffset += 2;
      ++count;
    }
  }
  // The mark pushed for the piece that did not come is dropped.
  if (count % PiecesPerMark == 0) marks_.pop_back();
  marks_.shrink_to_fit();
  pieceCount_ = count;
  charCount_ = piece.NextOffset;
}

ResultLine TResultText::Piece(int index) const {
  ResultLine piece;
  if (pieceCount_ == 0) return piece;
  index = std::clamp(index, 0, pieceCount_ - 1);
  const Mark& mark = marks_[static_cast<size_t>(index / PiecesPerMark)];
  piece.Next = mark.Begin;
  piece.NextOffset = mark.Offset;
  for (int i = index % PiecesPerMark; i >= 0; --i) NextResultLine(bytes_, piece, MaxPieceBytes);
  return piece;
}

bool TResultText::NextPiece(ResultLine& piece) const {
  return NextResultLine(bytes_, piece, MaxPieceBytes);
}

int TResultText::PieceAt(int32_t offset, ResultLine* found) const {
  if (pieceCount_ == 0) {
    if (found != nullptr) *found = ResultLine{};
    return 0;
  }
  // The last mark at or before the offset, then forward from it.
  const auto after = std::upper_bound(marks_.begin() + 1, marks_.end(), offset,
                                      [](int32_t at, const Mark& mark) { return at < mark.Offset; });
  const size_t markIndex = static_cast<size_t>(after - marks_.begin()) - 1;
  int index = static_cast<int>(markIndex) * PiecesPerMark;
  ResultLine piece;
  piece.Next = marks_[markIndex].Begin;
  piece.NextOffset = marks_[markIndex].Offset;
  NextResultLine(bytes_, piece, MaxPieceBytes);
  ResultLine next = piece;
  while (index + 1 < pieceCount_ && NextResultLine(bytes_, next, MaxPieceBytes) &&
         next.Offset <= offset) {
    piece = next;
    ++index;
  }
  if (found != nullptr) *found = piece;
  return index;
}

}  // namespace tavirel
