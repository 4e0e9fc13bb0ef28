#include "ui/widgets/bytetextview_access.h"

#include <QFontMetrics>

#include <algorithm>

#include "ui/widgets/bytetextview.h"
#include "ui/widgets/textaccess.h"

namespace tavirel {
namespace {

// The view counts offsets with two for every line break. A reader gets one
// '\n' per line break, so a reader's offset is the view's offset less the
// line breaks before it (TByteTextView::LinesBefore).
class ByteTextSource : public ITextSource {
 public:
  explicit ByteTextSource(TByteTextView* view) : view_(view) {}

  int CharacterCount() const override { return ToReader(view_->ResultText().CharCount()); }

  QString TextRange(int start, int end) const override {
    return view_->TextOf(ToView(start), ToView(end));
  }

  void LineAround(int offset, int* start, int* end) const override {
    const TResultText& text = view_->ResultText();
    if (text.PieceCount() == 0) {
      *start = *end = 0;
      return;
    }
    int first = text.PieceAt(ToView(offset));
    while (first > 0 && !text.Piece(first - 1).EndsLine) --first;
    ResultLine last = text.Piece(first);
    *start = ToReader(last.Offset);
    while (!last.EndsLine && text.NextPiece(last)) {
    }
    *end = ToReader(last.Offset + last.Chars);
  }

  int Caret() const override { return ToReader(view_->CaretOffset()); }
  int Anchor() const override { return ToReader(view_->AnchorOffset()); }
  void Select(int anchor, int caret) override {
    view_->SetSelection(ToView(anchor), ToView(caret));
  }

  QRect CharacterRect(int offset) const override {
    const int32_t at = ToView(offset);
    const QRect caret = view_->CaretRect(at);
    if (caret.isEmpty()) return {};
    const QRect next = view_->CaretRect(at + 1);
    const int width = next.top() == caret.top() && next.left() > caret.left()
                          ? next.left() - caret.left()
                          : QFontMetrics(view_->font()).averageCharWidth();
    return QRect(caret.left(), caret.top(), width, caret.height());
  }

  int OffsetAt(const QPoint& viewportPoint) const override {
    bool overText = false;
    const int32_t at = view_->CharOffsetAt(viewportPoint, &overText);
    return overText ? ToReader(at) : -1;
  }

  void ScrollTo(int offset) override {
    const int32_t anchor = view_->AnchorOffset();
    const int32_t caret = view_->CaretOffset();
    view_->SetCaretOffset(ToView(offset));  // scrolls it into view
    view_->SetSelection(anchor, caret);
  }

  QString Attributes(int offset, int* start, int* end) const override {
    int32_t first = 0;
    int32_t last = 0;
    const QString attributes = view_->ReaderAttributes(ToView(offset), &first, &last);
    if (attributes.isEmpty()) return ITextSource::Attributes(offset, start, end);
    *start = ToReader(first);
    *end = ToReader(last);
    return attributes;
  }

 private:
  int ToReader(int32_t offset) const {
    const TResultText& text = view_->ResultText();
    if (text.PieceCount() == 0) return 0;
    ResultLine piece;
    const int index = text.PieceAt(std::max(0, offset), &piece);
    offset = std::clamp(offset, piece.Offset, piece.Offset + piece.Chars);
    return offset - view_->LinesBefore(index);
  }

  int32_t ToView(int offset) const {
    const TResultText& text = view_->ResultText();
    if (text.PieceCount() == 0 || offset <= 0) return 0;
    // The last piece that starts at or before the offset.
    int low = 0;
    int high = text.PieceCount() - 1;
    while (low < high) {
      const int middle = low + (high - low + 1) / 2;
      if (text.Piece(middle).Offset - view_->LinesBefore(middle) <= offset) {
        low = middle;
      } else {
        high = middle - 1;
      }
    }
    const ResultLine piece = text.Piece(low);
    return piece.Offset +
           std::min(offset - (piece.Offset - view_->LinesBefore(low)), piece.Chars);
  }

  TByteTextView* view_;
};

QAccessibleInterface* ByteTextFactory(const QString&, QObject* object) {
  if (auto* view = qobject_cast<TByteTextView*>(object)) {
    return new TTextAccessible(view, std::make_unique<ByteTextSource>(view));
  }
  return nullptr;
}

TTextAccessible* AccessibleOf(TByteTextView* view) {
  return dynamic_cast<TTextAccessible*>(QAccessible::queryAccessibleInterface(view));
}

// A reader is told at most this many characters of a replaced text; it asks
// for the rest as it reads.
constexpr int kAnnouncedChars = 100000;

}  // namespace

void AttachByteTextAccessible(TByteTextView* view) {
  static const bool installed = (QAccessible::installFactory(&ByteTextFactory), true);
  (void)installed;
  QObject::connect(view, &TByteTextView::CaretMoved, view, [view] {
    if (!QAccessible::isActive()) return;
    if (TTextAccessible* access = AccessibleOf(view)) SendCaretEvents(view, access->Source());
  });
}

void ByteTextReplaced(TByteTextView* view) {
  if (!QAccessible::isActive()) return;
  TTextAccessible* access = AccessibleOf(view);
  if (access == nullptr) return;
  QAccessibleTextUpdateEvent event(
      view, 0, QString(), access->text(0, std::min(access->characterCount(), kAnnouncedChars)));
  QAccessible::updateAccessibility(&event);
}

}  // namespace tavirel
