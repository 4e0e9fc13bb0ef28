// TByteTextView: a read-only view of a long text held as the bytes it was
// read as (TResultText), for the hit list and the text document. Only the
// pieces on screen are decoded and laid out, so a text of a hundred thousand
// lines, of millions of empty lines or of one line of megabytes is shown as
// quickly as a short one and takes little more memory than its bytes.
// Lines wrap at the width of the view. A line longer than a piece
// (TResultText::MaxPieceBytes) starts a new row where a piece ends.
//
// The view has a caret and a selection, moved by mouse (with drag and
// scrolling past the edges) and keys, blinks, copies, scrolls by rows and
// pages, and is read by screen readers (bytetextview_access.cpp). What is
// shown on the rows (colours, marks, links) and what clicks and keys mean
// beyond that is left to the class that derives from it.
//
// Every position this class takes or hands out (caret, selection, mouse
// position) is an offset of the text: characters with every line break
// counted as two (CR LF), as TResultText counts them.
#pragma once

#include <QAbstractScrollArea>
#include <QList>
#include <QString>
#include <QTextLayout>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/search/resulttext.h"

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QPaintEvent;

namespace tavirel {

class TByteTextView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TByteTextView(QWidget* parent = nullptr);
  ~TByteTextView() override;

  const TResultText& ResultText() const { return text_; }

  // The text from `first` up to `end`, line breaks as LF. Text() is all of
  // it, without a break after the last line.
  QString TextOf(int32_t first, int32_t end) const;
  QString Text() const;

  // Selection: from the anchor to the caret.
  bool HasSelection() const { return anchor_ != caret_; }
  QString SelectedText() const;
  void SetSelection(int32_t anchor, int32_t caret);
  void SelectAll();
  void Copy() const;  // the selection to the clipboard; nothing without one

  int32_t CaretOffset() const { return caret_; }
  int32_t AnchorOffset() const { return anchor_; }
  void SetCaretOffset(int32_t offset);  // nothing selected; scrolled into view

  // The offset of the character under `viewportPoint` and whether the point
  // lies on a character at all (not beside or below the text).
  int32_t CharOffsetAt(const QPoint& viewportPoint, bool* overText = nullptr) const;
  // Where the caret at `offset` is drawn, in viewport coordinates; an empty
  // rectangle when that row is not on screen.
  QRect CaretRect(int32_t offset) const;
  // The offset of the first character on screen.
  int32_t FirstVisibleOffset() const;

  // Lines of the text (a line of several pieces counts once): the line that
  // holds `offset`, and the offset where line `line` begins (the end of the
  // text past the last line).
  int LineOf(int32_t offset) const;
  int32_t LineStart(int line) const;
  int LineCount() const { return LinesBefore(text_.PieceCount()); }
  // The number of line breaks before piece `piece`.
  int LinesBefore(int piece) const;

  // A range and its format, for what a row of the screen shows beyond the
  // text itself (marks, colours, links), in offsets of the text.
  struct ShownFormat {
    int32_t Start = 0;
    int32_t End = 0;
    QTextCharFormat Format;
  };
  // The formats of the pieces on screen, as the last paint laid them out.
  std::vector<ShownFormat> FormatsOnScreen() const;

  // Attributes for a screen reader at `offset` in the form of IAccessible2
  // ("name:value;"), the same from *start to *end; "" for none.
  virtual QString ReaderAttributes(int32_t offset, int32_t* start, int32_t* end) const;

 signals:
  void CaretMoved();

 protected:
  // Takes the new text; the caret goes to offset 0 with nothing selected and
  // the view to the top.
  void SetBytes(std::string bytes, TResultText::Coding coding = TResultText::Coding::ShiftJis);
  // The formats of a piece of the text (its characters counted from 0).
  virtual QList<QTextLayout::FormatRange> FormatsOf(const ResultLine& piece) const;
  // Paints behind the rows of a piece from `top` down to `bottom` (viewport
  // coordinates); nothing by default.
  virtual void PaintPieceBackground(QPainter& painter, const ResultLine& piece, qreal top,
                                    qreal bottom);
  // Takes the offset under the pointer and shows the fitting pointer; returns
  // whether a click there opens something (a link), which a press then
  // reports through LinkPressed instead of extending a selection.
  virtual bool UpdatePointer(const QPoint& viewportPoint);
  virtual void LinkPressed(QMouseEvent* event);
  // The part of [start, end) that falls in the piece, in the piece's characters.
  static bool ClipToPiece(int64_t start, int64_t end, const ResultLine& piece, int* from,
                          int* length);
  // The laid-out formats are made again (after a change of marks).
  void FormatsChanged();
  // A piece decoded, one QChar for each character it counts.
  QString PieceText(const ResultLine& piece) const;

  // Rows and scrolling.
  struct RowPos {
    int piece = 0;
    int row = 0;
    auto operator<=>(const RowPos&) const = default;
  };
  RowPos Top() const { return top_; }
  RowPos MaxTop() const;
  void SetTop(RowPos top);
  void ScrollRows(int rows);
  void EnsureCaretVisible();
  // The caret's row in the middle of the screen where the text allows.
  void CenterCaret();
  // One page in either direction and the caret to the first visible line.
  // False when there was nothing to show in that direction.
  bool PageStep(bool down);
  void MoveCaretToFirstVisibleLine();
  // The row that lies `rowsBelow` rows under the one of `offset` comes to
  // the top, with the caret at its start.
  void ScrollToRow(int32_t offset, int rowsBelow);
  void MoveCaret(int32_t offset, bool select);
  // The run of characters around `offset` up to blanks and line ends is selected.
  void SelectWordAt(int32_t offset);

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // Copy, select all and the keys that move the caret (Shift extends the
  // selection); any other key is ignored.
  void keyPressEvent(QKeyEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  struct PieceLayout {
    QTextLayout layout;
    ResultLine piece;
    qreal height = 0;
  };

  void ResetView();
  const PieceLayout& LayoutOf(int index, const ResultLine* piece = nullptr) const;
  void DropLayouts();
  int RowsOf(int piece) const;
  qreal RowHeight(RowPos pos) const;
  bool NextRow(RowPos& pos) const;
  bool PreviousRow(RowPos& pos) const;
  RowPos RowOfOffset(int32_t offset) const;
  qreal AvailableHeight() const;
  RowPos TopForBottomRow(RowPos bottom) const;
  void UpdateScrollBar();
  // The row under viewport y (clamped to the rows on screen) and its top.
  RowPos RowAtY(qreal y, qreal* rowTop, bool* belowText) const;
  // The offset at a point: of the character under it (CharOffsetAt) or of
  // the character boundary nearest to it, where a click puts the caret.
  int32_t OffsetAt(const QPoint& viewportPoint, int mode, bool* overText) const;
  int32_t CaretOffsetAt(const QPoint& viewportPoint) const;
  int32_t PreviousCaret(int32_t offset) const;
  int32_t NextCaret(int32_t offset) const;
  int32_t VerticalCaret(int32_t offset, int rows) const;
  int32_t RowEdge(int32_t offset, bool end) const;
  void DragTo(const QPoint& viewportPoint);
  void RestartBlink();
  const std::vector<int>& Cuts() const;

  TResultText text_;
  int32_t caret_ = 0;
  int32_t anchor_ = 0;
  qreal desiredX_ = -1;     // kept while the caret moves up and down
  bool selecting_ = false;
  QPoint lastDragPoint_;
  QTimer dragTimer_;
  QTimer blinkTimer_;
  bool caretShown_ = true;
  int wheelDelta_ = 0;

  RowPos top_;
  mutable RowPos maxTop_;
  mutable bool maxTopKnown_ = false;
  bool settingScrollBar_ = false;
  mutable std::unordered_map<int, std::unique_ptr<PieceLayout>> layouts_;
  mutable int64_t cachedChars_ = 0;    // characters of the pieces in layouts_
  int lastPaintedPiece_ = 0;
  qreal layoutWidth_ = 0;
  mutable bool cutsKnown_ = false;
  mutable std::vector<int> cuts_;  // pieces that do not end their line
};

}  // namespace tavirel
