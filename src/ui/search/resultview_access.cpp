#include "ui/search/resultview_access.h"

#include <QFontMetrics>

#include <algorithm>
#include <vector>

#include "ui/search/resultview.h"
#include "ui/widgets/textaccess.h"

namespace tavirel {
namespace {

// The hit list counts result offsets: two for every line break. A reader gets
// one '\n' per line break, so a reader's offset is the result offset less the
// line breaks before it. A line is one piece of the result text unless it is
// longer than a piece; the few pieces that do not end their line are listed
// once per text, so the breaks before any piece are known at once.
class ResultSource : public ITextSource {
 public:
  explicit ResultSource(TResultView* view) : view_(view) {}

  void Reset() {
    counted_ = false;
    cuts_.clear();
  }

  int CharacterCount() const override { return ToReader(view_->ResultCharCount()); }

  QString TextRange(int start, int end) const override {
    return view_->TextOf(ToResult(start), ToResult(end));
  }

  void LineAround(int offset, int* start, int* end) const override {
    const TResultText& text = view_->ResultText();
    if (text.PieceCount() == 0) {
      *start = *end = 0;
      return;
    }
    int first = text.PieceAt(ToResult(offset));
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
    view_->SetSelection(ToResult(anchor), ToResult(caret));
  }

  QRect CharacterRect(int offset) const override {
    const int32_t at = ToResult(offset);
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
    view_->SetCaretOffset(ToResult(offset));  // scrolls it into view
    view_->SetSelection(anchor, caret);
  }

  // A hit's title reads as a link, as it opens the hit.
  QString Attributes(int offset, int* start, int* end) const override {
    const int32_t at = ToResult(offset);
    const std::vector<SearchHit>& hits = view_->Hits();
    const auto after = std::upper_bound(hits.begin(), hits.end(), at,
                                        [](int32_t o, const SearchHit& hit) {
                                          return o < hit.TitleStart;
                                        });
    if (after != hits.begin() && at <= (after - 1)->TitleEnd) {
      *start = ToReader((after - 1)->TitleStart);
      *end = ToReader((after - 1)->TitleEnd + 1);
      return QStringLiteral("link:true;font-weight:700;text-underline-style:solid;");
    }
    return ITextSource::Attributes(offset, start, end);
  }

  int ToReader(int32_t offset) const {
    const TResultText& text = view_->ResultText();
    if (text.PieceCount() == 0) return 0;
    ResultLine piece;
    const int index = text.PieceAt(std::max(0, offset), &piece);
    offset = std::clamp(offset, piece.Offset, piece.Offset + piece.Chars);
    return offset - BreaksBefore(index);
  }

  int32_t ToResult(int offset) const {
    const TResultText& text = view_->ResultText();
    if (text.PieceCount() == 0 || offset <= 0) return 0;
    // The last piece that starts at or before the offset.
    int low = 0;
    int high = text.PieceCount() - 1;
    while (low < high) {
      const int middle = low + (high - low + 1) / 2;
      if (text.Piece(middle).Offset - BreaksBefore(middle) <= offset) {
        low = middle;
      } else {
        high = middle - 1;
      }
    }
    const ResultLine piece = text.Piece(low);
    return piece.Offset + std::min(offset - (piece.Offset - BreaksBefore(low)), piece.Chars);
  }

 private:
  int BreaksBefore(int piece) const {
    if (!counted_) {
      const TResultText& text = view_->ResultText();
      ResultLine line = text.Piece(0);
      int index = 0;
      do {
        if (!line.EndsLine) cuts_.push_back(index);
        ++index;
      } while (text.NextPiece(line));
      counted_ = true;
    }
    const auto cutsBefore = std::lower_bound(cuts_.begin(), cuts_.end(), piece) - cuts_.begin();
    return piece - static_cast<int>(cutsBefore);
  }

  TResultView* view_;
  mutable bool counted_ = false;
  mutable std::vector<int> cuts_;  // pieces that do not end their line
};

class ResultAccessible : public TTextAccessible {
 public:
  explicit ResultAccessible(TResultView* view)
      : TTextAccessible(view, std::make_unique<ResultSource>(view)) {}
  ResultSource& Result() const { return static_cast<ResultSource&>(Source()); }
};

QAccessibleInterface* ResultViewFactory(const QString&, QObject* object) {
  if (auto* view = qobject_cast<TResultView*>(object)) return new ResultAccessible(view);
  return nullptr;
}

ResultAccessible* AccessibleOf(TResultView* view) {
  return dynamic_cast<ResultAccessible*>(QAccessible::queryAccessibleInterface(view));
}

// A reader is told at most this many characters of a reloaded list; it asks
// for the rest as it reads.
constexpr int kAnnouncedChars = 100000;

}  // namespace

void AttachResultViewAccessible(TResultView* view) {
  static const bool installed = (QAccessible::installFactory(&ResultViewFactory), true);
  (void)installed;
  QObject::connect(view, &TResultView::CaretMoved, view, [view] {
    if (!QAccessible::isActive()) return;
    if (ResultAccessible* access = AccessibleOf(view)) SendCaretEvents(view, access->Result());
  });
}

void ResultViewTextReplaced(TResultView* view) {
  ResultAccessible* access = AccessibleOf(view);
  if (access == nullptr) return;
  access->Result().Reset();
  if (!QAccessible::isActive()) return;
  QAccessibleTextUpdateEvent event(
      view, 0, QString(), access->text(0, std::min(access->characterCount(), kAnnouncedChars)));
  QAccessible::updateAccessibility(&event);
}

}  // namespace tavirel
