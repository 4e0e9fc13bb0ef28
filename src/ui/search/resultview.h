// TResultView: the result list of the main window (edtResult). It shows the
// searcher's plain result file exactly as written, knows where every hit's
// title and file name lie, colours them, and turns clicks and keys into
// requests to open a hit.
//
// The file stays in memory as the Shift-JIS bytes it was read as
// (TResultText); only the pieces on screen are decoded and laid out, so a
// list of a hundred thousand hits, or a file of millions of empty lines, is
// shown as quickly as a short one and takes little more memory than the file.
// Lines wrap at the width of the view. A line longer than a piece
// (TResultText::MaxPieceBytes) starts a new row where a piece ends.
//
// Every position this class takes or hands out (caret, selection, mouse
// position, signals) is a result offset: characters of the result text with
// every line break counted as two (CR LF), as the hit table counts them.
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

#include "core/search/resultlist.h"
#include "core/search/resulttext.h"
#include "core/search/searchwords.h"
#include "core/settings/settings.h"

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

namespace tavirel {

class TResultView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit TResultView(QWidget* parent = nullptr);  // objectName() "edtResult"
  ~TResultView() override;

  // Loads the result file as written (Shift-JIS), recognises the hits and, when
  // `colored`, colours titles (blue, bold, underlined) and file names (teal).
  // The caret ends at offset 0 with nothing selected. An empty file or one that
  // cannot be read is reported in a message box and leaves the view empty.
  // Returns true when a hit list was found. `fileNamesEncoded`: the searcher
  // wrote undecoded file names (namazu --no-decode-uri), which are shown
  // decoded (ReadableResultText).
  bool ShowResultFile(const std::string& path, int fileNameBlankLineNext,
                      int fileNameSpaceFromEnd, bool colored, bool fileNamesEncoded = false);
  // The same with FileNameBlankLineNext and FileNameSpaceFromEnd from `settings`.
  bool ShowResultFile(const std::string& path, const TSettings& settings, bool colored);

  // The words of the formula the next result file answers: ShowResultFile
  // marks them in the hits' summaries with a soft background.
  void SetSearchWords(std::vector<TSearchWord> words) { searchWords_ = std::move(words); }
  // The marked words, sorted and not overlapping.
  const std::vector<TCharRange>& WordMarks() const { return wordMarks_; }

  void ClearResults();                       // text, hits and char kinds emptied
  void SetMessageText(const QString& text);  // a text that is no result list; no hits

  const std::vector<SearchHit>& Hits() const { return hits_; }
  int HitCount() const { return static_cast<int>(hits_.size()); }
  // The kinds of the characters: ResultCharCount() of them, each 0, 'T'
  // (title) or 'U' (file name); 0 outside.
  int32_t ResultCharCount() const { return text_.CharCount(); }
  uint8_t ResultCharKind(int32_t offset) const;
  int32_t LastMouseCharPos() const { return lastMouseCharPos_; }
  bool IsColored() const { return colored_; }

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

  // The marked hit: the one Enter at the caret opens, with a light
  // background over its title line; -1 when none. It follows the caret.
  int MarkedHit() const { return markedHit_; }
  void MarkCurrentHit(int index);

  int32_t CaretOffset() const { return caret_; }
  int32_t AnchorOffset() const { return anchor_; }
  const TResultText& ResultText() const { return text_; }
  void SetCaretOffset(int32_t offset);       // nothing selected; scrolled into view
  void JumpToNextHit(int32_t offset);
  void JumpToPreviousHit(int32_t offset);

  // Space and Shift+Space / Backspace: one page down or up, the caret to the
  // first character of the first visible line. A beep and nothing else when
  // there is nothing more to show in that direction.
  void PageDown();
  void PageUp();

  // The offset of the character under `viewportPoint` and whether the point
  // lies on a character at all (not beside or below the text).
  int32_t CharOffsetAt(const QPoint& viewportPoint, bool* overText = nullptr) const;
  // Where the caret at `offset` is drawn, in viewport coordinates; an empty
  // rectangle when that row is not on screen.
  QRect CaretRect(int32_t offset) const;
  // The offset of the first character on screen.
  int32_t FirstVisibleOffset() const;

 signals:
  // A click on hit text, Enter or Shift+Enter; insideProgram is false with Shift.
  void OpenHitRequested(int32_t offset, bool insideProgram);
  void EscapePressed();
  void CaretMoved();

 protected:
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
  void keyPressEvent(QKeyEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // A row on screen: row `row` of the layout of piece `piece`.
  struct RowPos {
    int piece = 0;
    int row = 0;
    auto operator<=>(const RowPos&) const = default;
  };
  struct PieceLayout {
    QTextLayout layout;
    ResultLine piece;
    qreal height = 0;
  };

  void LoadText(std::string bytes, std::vector<SearchHit> hits, bool colored,
                std::vector<TCharRange> marks);
  void ResetView();
  const PieceLayout& LayoutOf(int index, const ResultLine* piece = nullptr) const;
  QList<QTextLayout::FormatRange> FormatsOf(const ResultLine& piece) const;
  void DropLayouts();
  int RowsOf(int piece) const;
  qreal RowHeight(RowPos pos) const;
  bool NextRow(RowPos& pos) const;
  bool PreviousRow(RowPos& pos) const;
  RowPos RowOfOffset(int32_t offset) const;
  qreal AvailableHeight() const;
  RowPos TopForBottomRow(RowPos bottom) const;
  RowPos MaxTop() const;
  void SetTop(RowPos top);
  void ScrollRows(int rows);
  void UpdateScrollBar();
  void EnsureCaretVisible();
  // The row under viewport y (clamped to the rows on screen) and its top.
  RowPos RowAtY(qreal y, qreal* rowTop, bool* belowText) const;
  // The offset at a point: of the character under it (CharOffsetAt) or of
  // the character boundary nearest to it, where a click puts the caret.
  int32_t OffsetAt(const QPoint& viewportPoint, int mode, bool* overText) const;
  int32_t CaretOffsetAt(const QPoint& viewportPoint) const;
  void MoveCaret(int32_t offset, bool select);
  void MoveCaretToFirstVisibleLine();
  int32_t PreviousCaret(int32_t offset) const;
  int32_t NextCaret(int32_t offset) const;
  int32_t VerticalCaret(int32_t offset, int rows) const;
  int32_t RowEdge(int32_t offset, bool end) const;
  bool UpdatePointer(const QPoint& viewportPoint);
  void DragTo(const QPoint& viewportPoint);
  bool PageStep(bool down);
  void RestartBlink();

  TResultText text_;
  std::vector<SearchHit> hits_;
  std::vector<TCharRange> wordMarks_;
  std::vector<TSearchWord> searchWords_;
  bool colored_ = false;
  int markedHit_ = -1;
  int32_t markStart_ = -1;  // the marked hit's title line
  int32_t markEnd_ = -1;
  int32_t lastMouseCharPos_ = 0;
  bool handShown_ = false;

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
};

}  // namespace tavirel
