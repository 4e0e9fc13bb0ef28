// TResultView: the result list of the main window (edtResult). It shows the
// searcher's plain result file exactly as written, knows where every hit's
// title and file name lie, colours them, and turns clicks and keys into
// requests to open a hit.
//
// Two kinds of position meet here. The hit table and ResultCharKinds count
// "result offsets": characters of the result text with every line break
// counted as two (CR LF). The view counts one position per line break. The
// conversion between the two lives in OffsetFromViewPosition and
// ViewPositionFromOffset and nowhere else; everything this class hands out or
// takes (caret, mouse position, signals) is a result offset.
//
// Colouring is lazy: a block gets its formats only when it is about to be
// painted, so a list of ten thousand hits loads about as fast as plain text.
#pragma once

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "core/search/resultlist.h"
#include "core/search/searchwords.h"
#include "core/settings/settings.h"

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

namespace tavirel {

class TResultView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TResultView(QWidget* parent = nullptr);  // objectName() "edtResult"

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
  // The marked words in view positions, sorted and not overlapping.
  const std::vector<TCharRange>& WordMarks() const { return wordMarks_; }

  void ClearResults();                       // text, hits and char kinds emptied
  void SetMessageText(const QString& text);  // a text that is no result list; no hits

  const std::vector<SearchHit>& Hits() const { return hits_; }
  int HitCount() const { return static_cast<int>(hits_.size()); }
  const std::vector<uint8_t>& ResultCharKinds() const { return kinds_; }
  int32_t LastMouseCharPos() const { return lastMouseCharPos_; }
  bool IsColored() const { return colored_; }
  bool HasSelection() const { return textCursor().hasSelection(); }

  // The marked hit: the one Enter at the caret opens, with a light
  // background over its title line; -1 when none. It follows the caret.
  int MarkedHit() const { return markedHit_; }
  void MarkCurrentHit(int index);

  int32_t CaretOffset() const;
  void SetCaretOffset(int32_t offset);       // and scroll it into view
  void JumpToNextHit(int32_t offset);
  void JumpToPreviousHit(int32_t offset);

  // Space and Shift+Space / Backspace: one page down or up, the caret to the
  // first character of the first visible line. A beep and nothing else when
  // there is nothing more to show in that direction.
  void PageDown();
  void PageUp();

  // The one place where the view's positions (one per line break) and result
  // offsets (two per line break) are converted. Out-of-range values are
  // clamped; an offset on a line break maps to the end of its line.
  int32_t OffsetFromViewPosition(int viewPosition) const;
  int ViewPositionFromOffset(int32_t offset) const;

  // The result offset of the character under `viewportPoint` and whether the
  // point lies on a character at all (not beside or below the text).
  int32_t CharOffsetAt(const QPoint& viewportPoint, bool* overText = nullptr) const;

 signals:
  // A click on hit text, Enter or Shift+Enter; insideProgram is false with Shift.
  void OpenHitRequested(int32_t offset, bool insideProgram);
  void EscapePressed();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void ResetState();
  void LoadViewText(const QString& text);
  void RebuildLineTable();
  bool UpdatePointer(const QPoint& viewportPoint);
  void FormatVisibleBlocks();
  // Takes the word marks found in result offsets into view positions.
  void SetWordMarks(const std::vector<TCharRange>& offsets);
  // The word marks that fall in `block`, added to its formats.
  void AddWordMarkFormats(const QTextBlock& block, QList<QTextLayout::FormatRange>& ranges) const;
  void MoveCaretToFirstVisibleLine();

  std::vector<SearchHit> hits_;
  std::vector<uint8_t> kinds_;
  // Result offset at which each line of the view begins, plus one entry for
  // the offset just past the last line break.
  std::vector<int32_t> lineStarts_;
  std::vector<uint8_t> blockFormatted_;     // per block: formats already applied
  int32_t lastMouseCharPos_ = 0;
  bool colored_ = false;
  bool handShown_ = false;
  int markedHit_ = -1;
  std::vector<TSearchWord> searchWords_;
  std::vector<TCharRange> wordMarks_;       // view positions
};

}  // namespace tavirel
