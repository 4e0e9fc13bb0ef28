// TBigView as a screen reader reads it: the lines as one text, the selection's
// end as the caret, and new output announced as it arrives.
#include <QAccessible>

#include <algorithm>

#include "core/process/ucommon.h"
#include "ui/widgets/bigview.h"
#include "ui/widgets/qtcodec.h"
#include "ui/widgets/textaccess.h"

namespace tavirel {
namespace {

// New output is announced in one event per this many milliseconds at most,
// so a fast run does not wait on the reader.
constexpr int kAnnounceDelayMs = 100;

// The characters of a Shift-JIS line, one a decoded character each.
template <typename Visit>
void ForEachChar(const std::string& line, Visit visit) {
  for (size_t pos = 0; pos < line.size();) {
    const size_t bytes =
        IsSjisLeadByte(static_cast<unsigned char>(line[pos])) && pos + 1 < line.size() ? 2 : 1;
    if (!visit(pos, bytes)) return;
    pos += bytes;
  }
}

}  // namespace

class BigViewText : public ITextSource {
 public:
  explicit BigViewText(TBigView* view) : view_(view) {}

  int CharacterCount() const override {
    return view_->lines_.empty() ? 0 : view_->ReaderLineStart(view_->LineCount()) - 1;
  }
  QString TextRange(int start, int end) const override {
    const TBigView::TextPos first = view_->ReaderPos(start);
    const TBigView::TextPos last = view_->ReaderPos(end);
    const QString lines = view_->ReaderLines(first.line, last.line + 1);
    const int base = view_->ReaderLineStart(first.line);
    return lines.mid(start - base, end - start);
  }
  void LineAround(int offset, int* start, int* end) const override {
    const TBigView::TextPos pos = view_->ReaderPos(offset);
    *start = view_->ReaderLineStart(pos.line);
    *end = view_->lines_.empty() ? 0 : view_->ReaderLineStart(pos.line + 1) - 1;
  }
  int Caret() const override { return view_->ReaderOffset(view_->caret_); }
  int Anchor() const override { return view_->ReaderOffset(view_->anchor_); }
  void Select(int anchor, int caret) override {
    const TBigView::TextPos from = view_->ReaderPos(anchor);
    const TBigView::TextPos to = view_->ReaderPos(caret);
    view_->SetSelection(from.line, from.byte, to.line, to.byte);
  }
  QRect CharacterRect(int offset) const override {
    return view_->CellRect(view_->ReaderPos(offset));
  }
  int OffsetAt(const QPoint& viewportPoint) const override {
    if (view_->lines_.empty()) return -1;
    return view_->ReaderOffset(view_->HitTest(viewportPoint));
  }
  void ScrollTo(int offset) override { view_->ScrollToLine(view_->ReaderPos(offset).line); }

 private:
  TBigView* view_;
};

namespace {

QAccessibleInterface* BigViewFactory(const QString&, QObject* object) {
  if (auto* view = qobject_cast<TBigView*>(object)) {
    return new TTextAccessible(view, std::make_unique<BigViewText>(view));
  }
  return nullptr;
}

}  // namespace

void TBigView::AttachAccessible() {
  static const bool installed = (QAccessible::installFactory(&BigViewFactory), true);
  (void)installed;
  accessTimer_.setSingleShot(true);
  accessTimer_.setInterval(kAnnounceDelayMs);
  connect(&accessTimer_, &QTimer::timeout, this, &TBigView::SendPendingInsert);
  connect(this, &TBigView::selectionChanged, this, [this] {
    if (QAccessible::isActive()) SendCaretEvents(this, BigViewText(this));
  });
}

int TBigView::ReaderLineStart(int line) const {
  line = std::clamp(line, 0, LineCount());
  if (lineStarts_.empty()) lineStarts_.push_back(0);
  while (static_cast<int>(lineStarts_.size()) <= line) {
    const size_t known = lineStarts_.size() - 1;
    lineStarts_.push_back(lineStarts_.back() +
                          static_cast<int>(SjisToQString(lines_[known]).size()) + 1);
  }
  return lineStarts_[static_cast<size_t>(line)];
}

void TBigView::LinesChangedFrom(int line) {
  // A line's start depends on the lines before it only.
  const size_t keep = static_cast<size_t>(std::max(0, line)) + 1;
  if (lineStarts_.size() > keep) lineStarts_.resize(keep);
}

int TBigView::ReaderOffset(TextPos pos) const {
  if (lines_.empty()) return 0;
  pos = ClampPos(pos);
  const std::string& line = lines_[static_cast<size_t>(pos.line)];
  return ReaderLineStart(pos.line) +
         static_cast<int>(SjisToQString(std::string_view(line).substr(
                                            0, static_cast<size_t>(pos.byte))).size());
}

TBigView::TextPos TBigView::ReaderPos(int offset) const {
  if (lines_.empty() || offset <= 0) return {};
  // Count lines until one starts after the offset.
  int line = 0;
  if (offset < ReaderLineStart(LineCount())) {
    auto known = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    if (known == lineStarts_.end()) {
      int next = static_cast<int>(lineStarts_.size());
      while (ReaderLineStart(next) <= offset) ++next;
      line = next - 1;
    } else {
      line = static_cast<int>(known - lineStarts_.begin()) - 1;
    }
  } else {
    line = LineCount() - 1;
  }
  const std::string& text = lines_[static_cast<size_t>(line)];
  int left = offset - ReaderLineStart(line);
  TextPos pos{line, 0};
  ForEachChar(text, [&](size_t at, size_t bytes) {
    left -= static_cast<int>(SjisToQString(std::string_view(text).substr(at, bytes)).size());
    if (left < 0) return false;
    pos.byte = static_cast<int>(at + bytes);
    return left > 0;
  });
  return pos;
}

QString TBigView::ReaderLines(int first, int end) const {
  QString text;
  end = std::min(end, LineCount());
  for (int line = std::max(0, first); line < end; ++line) {
    if (line > first) text += QChar(u'\n');
    text += SjisToQString(lines_[static_cast<size_t>(line)]);
  }
  return text;
}

bool TBigView::ExtendsPendingInsert(int index) const {
  return pendingFirst_ >= 0 && index >= pendingFirst_ && index <= pendingEnd_;
}

void TBigView::AccessInserted(int line) {
  if (ExtendsPendingInsert(line)) {
    ++pendingEnd_;
  } else {
    SendPendingInsert();
    pendingFirst_ = line;
    pendingEnd_ = line + 1;
  }
  if (!accessTimer_.isActive()) accessTimer_.start();
}

void TBigView::SendPendingInsert() {
  accessTimer_.stop();
  if (pendingFirst_ < 0) return;
  const int first = std::min(pendingFirst_, LineCount());
  const int end = std::min(pendingEnd_, LineCount());
  pendingFirst_ = pendingEnd_ = -1;
  if (first >= end || !QAccessible::isActive()) return;
  // Lines before others bring their own line breaks; lines at the end come
  // with the break that now ends the line before them.
  QString text = ReaderLines(first, end);
  int at = ReaderLineStart(first);
  if (end < LineCount()) {
    text += QChar(u'\n');
  } else if (first > 0) {
    text.prepend(QChar(u'\n'));
    --at;
  }
  QAccessibleTextInsertEvent event(this, at, text);
  QAccessible::updateAccessibility(&event);
}

void TBigView::AccessReplaced(int line, const QString& before) {
  QAccessibleTextUpdateEvent event(this, ReaderLineStart(line), before,
                                   SjisToQString(lines_[static_cast<size_t>(line)]));
  QAccessible::updateAccessibility(&event);
}

void TBigView::AccessRemoved(int offset, const QString& removed) {
  QAccessibleTextRemoveEvent event(this, offset, removed);
  QAccessible::updateAccessibility(&event);
}

}  // namespace tavirel
