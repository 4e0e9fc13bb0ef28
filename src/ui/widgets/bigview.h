// TBigView: a read-only text view for long console output. Lines are kept as
// Shift-JIS byte strings and only the lines on screen are converted and
// painted, so hundreds of thousands of lines scroll as smoothly as a few.
// The text is laid out on a grid of columns: a single-byte character takes one
// column, a double-byte character two, and tabs stop every 8 columns; lines
// are never wrapped. The mouse selects text; the selection can be copied to
// the clipboard.
#pragma once

#include <QAbstractScrollArea>
#include <QTimer>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/process/runner.h"

namespace tavirel {

class TBigView : public QAbstractScrollArea, public IConsoleView {
  Q_OBJECT
  Q_PROPERTY(int Tag READ Tag WRITE SetTag)

 public:
  static constexpr int TabWidth = 8;

  explicit TBigView(QWidget* parent = nullptr);
  ~TBigView() override;

  // The lines.
  int LineCount() const override { return static_cast<int>(lines_.size()); }
  const std::string& Line(int index) const { return lines_.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& Lines() const { return lines_; }
  void AppendLine(std::string_view line) override;
  void InsertLine(int index, std::string_view line) override;  // index clamped to the ends
  void ReplaceLine(int index, std::string_view line) override; // ignored out of range
  void DeleteLine(int index);
  void Clear();

  // Scrolling.
  void ShowLastLine() override;
  void ScrollToLine(int index);          // the least scrolling that shows the line
  int TopLine() const;                   // the first line on screen
  int VisibleLineCount() const;          // whole lines that fit on screen

  // The busy flag of a captured run: 0 while it runs, 1 otherwise.
  int Tag() const override { return tag_; }
  void SetTag(int tag) override { tag_ = tag; }

  // Selection, as line and byte offset at a character boundary; the anchor
  // is where the selection started, the caret where it ends.
  bool HasSelection() const;
  void SetSelection(int anchorLine, int anchorByte, int caretLine, int caretByte);
  void SelectAll();
  void ClearSelection();
  std::string SelectedBytes() const;     // Shift-JIS, lines joined by LF
  QString SelectedText() const;
  void CopySelection() const;            // to the clipboard; nothing without a selection

  // Geometry of the column grid (for tests and hit testing).
  qreal ColumnWidth() const { return columnWidth_; }
  int LineHeight() const { return lineHeight_; }
  int64_t MaxColumns() const { return maxColumns_; }

 signals:
  void selectionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  struct TextPos {
    int line = 0;
    int byte = 0;
    bool operator==(const TextPos&) const = default;
    auto operator<=>(const TextPos&) const = default;
  };

  void UpdateMetrics();
  void UpdateScrollBars();
  void ScheduleLayout();
  void NoteLineAdded(const std::string& line);
  TextPos HitTest(const QPoint& point) const;
  void DragTo(const QPoint& point);
  void AutoScroll();
  TextPos ClampPos(TextPos pos) const;
  QRect CellRect(TextPos pos) const;  // the character at pos, viewport coordinates

  // What a screen reader reads (bigview_access.cpp): offsets of the text with
  // one '\n' per line break, counted as far as a reader asks.
  friend class BigViewText;
  void AttachAccessible();
  int ReaderLineStart(int line) const;  // LineCount() gives the length plus one
  int ReaderOffset(TextPos pos) const;
  TextPos ReaderPos(int offset) const;
  QString ReaderLines(int first, int end) const;  // lines [first, end) joined by '\n'
  void LinesChangedFrom(int line);      // recount from there on
  // New lines are announced together shortly after they come: a block of
  // lines inserted one after another, or each where the block ends.
  bool ExtendsPendingInsert(int index) const;
  void AccessInserted(int line);        // after the line went in
  void SendPendingInsert();
  void AccessReplaced(int line, const QString& before);
  void AccessRemoved(int offset, const QString& removed);

  std::vector<std::string> lines_;
  int64_t maxColumns_ = 0;
  int tag_ = 1;  // idle
  qreal columnWidth_ = 8;
  int lineHeight_ = 16;
  int ascent_ = 12;
  bool layoutPending_ = false;

  TextPos anchor_;
  TextPos caret_;
  bool selecting_ = false;
  QPoint lastDragPoint_;
  QTimer autoScrollTimer_;

  mutable std::vector<int> lineStarts_;  // reader offsets of the first lines
  int pendingFirst_ = -1;                // the lines [first, end) not yet announced
  int pendingEnd_ = -1;
  QTimer accessTimer_;
};

}  // namespace tavirel
