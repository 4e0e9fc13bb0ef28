#include "ui/widgets/textaccess.h"

#include <QScrollBar>

#include <algorithm>

namespace tavirel {
namespace {

// One line of text for Qt's own word, sentence and character boundaries,
// which work over a whole string.
class LineText : public QAccessibleTextInterface {
 public:
  explicit LineText(QString text) : text_(std::move(text)) {}
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QString text(int start, int end) const override { return text_.mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(text_.size()); }
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = *end = 0;
    return {};
  }

 private:
  QString text_;
};

}  // namespace

QString ITextSource::Attributes(int offset, int* start, int* end) const {
  LineAround(offset, start, end);
  return {};
}

TTextAccessible::TTextAccessible(QAbstractScrollArea* view, std::unique_ptr<ITextSource> source)
    : QAccessibleWidget(view, QAccessible::EditableText), source_(std::move(source)) {}

void* TTextAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TTextAccessible::state() const {
  QAccessible::State state = QAccessibleWidget::state();
  state.readOnly = true;
  state.multiLine = true;
  state.selectableText = true;
  return state;
}

void TTextAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
  *startOffset = *endOffset = 0;
  if (selectionIndex != 0 || selectionCount() == 0) return;
  *startOffset = std::min(source_->Anchor(), source_->Caret());
  *endOffset = std::max(source_->Anchor(), source_->Caret());
}

int TTextAccessible::selectionCount() const {
  return source_->Anchor() != source_->Caret() ? 1 : 0;
}

void TTextAccessible::addSelection(int startOffset, int endOffset) {
  setSelection(0, startOffset, endOffset);
}

void TTextAccessible::removeSelection(int selectionIndex) {
  if (selectionIndex == 0) source_->Select(source_->Caret(), source_->Caret());
}

void TTextAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
  if (selectionIndex != 0) return;
  const int count = characterCount();
  source_->Select(std::clamp(startOffset, 0, count), std::clamp(endOffset, 0, count));
}

int TTextAccessible::cursorPosition() const { return source_->Caret(); }

void TTextAccessible::setCursorPosition(int position) {
  position = std::clamp(position, 0, characterCount());
  source_->Select(position, position);
  source_->ScrollTo(position);
}

QString TTextAccessible::text(int startOffset, int endOffset) const {
  startOffset = std::max(0, startOffset);
  endOffset = std::min(endOffset, characterCount());
  if (endOffset <= startOffset) return {};
  return source_->TextRange(startOffset, endOffset);
}

int TTextAccessible::characterCount() const { return source_->CharacterCount(); }

QString TTextAccessible::Around(int offset, QAccessible::TextBoundaryType type, Side side,
                                int* start, int* end) const {
  const int count = characterCount();
  *start = *end = -1;
  if (offset == -2) offset = cursorPosition();  // "at the caret", as AT-SPI asks
  if (offset < 0 || offset > count) return {};
  if (type == QAccessible::NoBoundary) {
    if (side != Side::At) return {};
    *start = 0;
    *end = count;
    return text(0, count);
  }
  // The line holding the offset, its line break included.
  auto lineOf = [&](int at, int* from, int* to) {
    source_->LineAround(std::clamp(at, 0, count), from, to);
    if (*to < count) ++*to;
  };
  int lineStart = 0;
  int lineEnd = 0;
  lineOf(offset, &lineStart, &lineEnd);
  if (type == QAccessible::LineBoundary || type == QAccessible::ParagraphBoundary) {
    if (side == Side::Before) {
      if (lineStart == 0) return {};
      lineOf(lineStart - 1, &lineStart, &lineEnd);
    } else if (side == Side::After) {
      if (lineEnd >= count) return {};
      lineOf(lineEnd, &lineStart, &lineEnd);
    }
    *start = lineStart;
    *end = lineEnd;
    return text(lineStart, lineEnd);
  }
  // Characters, words and sentences: looked for within the line; one that
  // lies before or after it is looked for in the line next to it.
  if (side == Side::Before && offset == lineStart && lineStart > 0) {
    lineOf(lineStart - 1, &lineStart, &lineEnd);
    offset = lineEnd;
    side = Side::Before;
  } else if (side == Side::After && offset >= lineEnd - 1 && lineEnd < count) {
    offset = lineEnd;
    lineOf(offset, &lineStart, &lineEnd);
    side = Side::At;
  }
  const LineText line(text(lineStart, lineEnd));
  int from = -1;
  int to = -1;
  QString found;
  const int at = offset - lineStart;
  switch (side) {
    case Side::Before: found = line.textBeforeOffset(at, type, &from, &to); break;
    case Side::At: found = line.textAtOffset(at, type, &from, &to); break;
    case Side::After: found = line.textAfterOffset(at, type, &from, &to); break;
  }
  if (from >= 0) {
    *start = lineStart + from;
    *end = lineStart + to;
  }
  return found;
}

QString TTextAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int* startOffset, int* endOffset) const {
  return Around(offset, boundaryType, Side::Before, startOffset, endOffset);
}

QString TTextAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                         int* startOffset, int* endOffset) const {
  return Around(offset, boundaryType, Side::After, startOffset, endOffset);
}

QString TTextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                      int* startOffset, int* endOffset) const {
  return Around(offset, boundaryType, Side::At, startOffset, endOffset);
}

QRect TTextAccessible::characterRect(int offset) const {
  const QRect rect = source_->CharacterRect(offset);
  if (rect.isEmpty()) return {};
  return QRect(View()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

int TTextAccessible::offsetAtPoint(const QPoint& point) const {
  return source_->OffsetAt(View()->viewport()->mapFromGlobal(point));
}

void TTextAccessible::scrollToSubstring(int startIndex, int) {
  source_->ScrollTo(std::clamp(startIndex, 0, characterCount()));
}

QString TTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
  offset = std::clamp(offset, 0, characterCount());
  return source_->Attributes(offset, startOffset, endOffset);
}

void SendCaretEvents(QWidget* view, const ITextSource& source) {
  if (!QAccessible::isActive()) return;
  const int caret = source.Caret();
  const int anchor = source.Anchor();
  QAccessibleTextSelectionEvent selection(view, std::min(anchor, caret), std::max(anchor, caret));
  selection.setCursorPosition(caret);
  QAccessible::updateAccessibility(&selection);
  QAccessibleTextCursorEvent cursor(view, caret);
  QAccessible::updateAccessibility(&cursor);
}

}  // namespace tavirel
