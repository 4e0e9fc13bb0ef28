// TTextAccessible: what a screen reader sees of a scroll area that draws its
// own text (the hit list, the console output). The view hands over an
// ITextSource that answers in offsets of the text as a reader gets it: UTF-16
// characters, one '\n' between lines. The interface turns those answers into
// Qt's accessible text (text, caret, selection, character geometry, the text
// at a line, word or character) without ever building the whole text, so a
// view of a million lines answers as quickly as one of ten.
#pragma once

#include <QAbstractScrollArea>
#include <QAccessibleWidget>

#include <memory>

namespace tavirel {

class ITextSource {
 public:
  virtual ~ITextSource() = default;
  virtual int CharacterCount() const = 0;
  virtual QString TextRange(int start, int end) const = 0;  // line breaks as '\n'
  // The line that holds `offset`: its first offset and the offset of its
  // line break (the end of the text for the last line).
  virtual void LineAround(int offset, int* start, int* end) const = 0;
  virtual int Caret() const = 0;
  virtual int Anchor() const = 0;               // the caret when nothing is selected
  virtual void Select(int anchor, int caret) = 0;
  virtual QRect CharacterRect(int offset) const = 0;  // viewport coordinates; empty off screen
  virtual int OffsetAt(const QPoint& viewportPoint) const = 0;  // -1 beside the text
  virtual void ScrollTo(int offset) = 0;
  // Attributes in the form of IAccessible2 ("name:value;"), the same from
  // *start to *end; the default has none over the whole line.
  virtual QString Attributes(int offset, int* start, int* end) const;
};

class TTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  TTextAccessible(QAbstractScrollArea* view, std::unique_ptr<ITextSource> source);

  ITextSource& Source() const { return *source_; }

  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;

  // QAccessibleTextInterface
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
  int selectionCount() const override;
  void addSelection(int startOffset, int endOffset) override;
  void removeSelection(int selectionIndex) override;
  void setSelection(int selectionIndex, int startOffset, int endOffset) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int startOffset, int endOffset) const override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                           int* startOffset, int* endOffset) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                          int* startOffset, int* endOffset) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                       int* endOffset) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int startIndex, int endIndex) override;
  QString attributes(int offset, int* startOffset, int* endOffset) const override;

 private:
  enum class Side { Before, At, After };
  QString Around(int offset, QAccessible::TextBoundaryType type, Side side, int* start,
                 int* end) const;
  QAbstractScrollArea* View() const { return static_cast<QAbstractScrollArea*>(widget()); }

  std::unique_ptr<ITextSource> source_;
};

// Tells a reader that the caret (and with it the selection) of `view` moved.
void SendCaretEvents(QWidget* view, const ITextSource& source);

}  // namespace tavirel
