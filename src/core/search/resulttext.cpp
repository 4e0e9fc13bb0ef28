#include "core/search/resulttext.h"

#include <algorithm>

namespace tavirel {
namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of a well-formed UTF-8 sequence at `i`, 1 for any other byte;
// `units` receives its UTF-16 length.
size_t Utf8Length(const unsigned char* p, size_t n, size_t i, int* units) {
  const unsigned char c = p[i];
  *units = 1;
  size_t length = 1;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
  }
  if (length == 1 || i + length > n) return 1;
  for (size_t k = 1; k < length; ++k) {
    if (!IsContinuation(p[i + k])) return 1;
  }
  if (length == 4) *units = 2;
  return length;
}

// NextResultLine for UTF-8: a piece never cuts a sequence in two.
bool NextUtf8Line(std::string_view text, ResultLine& line, size_t maxBytes) {
  const size_t n = text.size();
  if (line.Next >= n) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t begin = line.Next;
  const size_t limit = maxBytes < n - begin ? begin + maxBytes : n;
  size_t i = begin;
  int32_t chars = 0;
  while (i < limit && p[i] != '\n' && p[i] != '\r') {
    if (p[i] < 0x80) {
      ++i;
      ++chars;
      continue;
    }
    int units = 1;
    const size_t length = Utf8Length(p, n, i, &units);
    if (i + length > limit && i > begin) break;
    i += length;
    chars += units;
  }
  line.Begin = begin;
  line.Length = i - begin;
  line.EndsLine = i >= n || p[i] == '\n' || p[i] == '\r';
  if (i < n && line.EndsLine) i += (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') ? 2 : 1;
  line.Next = i;
  line.Offset = line.NextOffset;
  line.Chars = chars;
  line.NextOffset = line.Offset + chars + (line.EndsLine ? 2 : 0);
  return true;
}

}  // namespace

TResultText::TResultText(std::string bytes, Coding coding)
    : bytes_(std::move(bytes)), coding_(coding) {
  if (bytes_.size() > MaxResultTextBytes) bytes_.resize(MaxResultTextBytes);
  ResultLine piece;
  int count = 0;
  const size_t n = bytes_.size();
  auto isBreak = [this](size_t i) { return bytes_[i] == '\n' || bytes_[i] == '\r'; };
  while (true) {
    if (count % PiecesPerMark == 0) {
      marks_.push_back(Mark{static_cast<uint32_t>(piece.Next), piece.NextOffset});
    }
    if (!Read(piece)) break;
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
  for (int i = index % PiecesPerMark; i >= 0; --i) Read(piece);
  return piece;
}

bool TResultText::Read(ResultLine& piece) const {
  return coding_ == Coding::Utf8 ? NextUtf8Line(bytes_, piece, MaxPieceBytes)
                                 : NextResultLine(bytes_, piece, MaxPieceBytes);
}

size_t TResultText::CharLength(size_t i, int* counted) const {
  *counted = 1;
  if (coding_ == Coding::ShiftJis) return ResultCharLength(bytes_, i);
  return Utf8Length(reinterpret_cast<const unsigned char*>(bytes_.data()), bytes_.size(), i,
                    counted);
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
  Read(piece);
  ResultLine next = piece;
  while (index + 1 < pieceCount_ && Read(next) &&
         next.Offset <= offset) {
    piece = next;
    ++index;
  }
  if (found != nullptr) *found = piece;
  return index;
}

}  // namespace tavirel
