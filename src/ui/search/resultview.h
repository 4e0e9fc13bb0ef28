// TResultView: the result list of the main window (edtResult). It shows the
// searcher's plain result file exactly as written, knows where every hit's
// title and file name lie, colours them, and turns clicks and keys into
// requests to open a hit.
//
// The file is shown by TByteTextView: kept as the Shift-JIS bytes it was
// read as, with only the pieces on screen laid out, so a list of a hundred
// thousand hits, or a file of millions of empty lines, is shown as quickly
// as a short one and takes little more memory than the file.
//
// Every position this class takes or hands out (caret, selection, mouse
// position, signals) is a result offset: characters of the result text with
// every line break counted as two (CR LF), as the hit table counts them.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "core/search/resultlist.h"
#include "core/search/resulttext.h"
#include "core/search/searchwords.h"
#include "core/settings/settings.h"
#include "ui/widgets/bytetextview.h"

class QKeyEvent;
class QMouseEvent;

namespace tavirel {

class TResultView : public TByteTextView {
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
  int32_t ResultCharCount() const { return ResultText().CharCount(); }
  uint8_t ResultCharKind(int32_t offset) const;
  int32_t LastMouseCharPos() const { return lastMouseCharPos_; }
  bool IsColored() const { return colored_; }

  // The marked hit: the one Enter at the caret opens, with a light
  // background over its title line; -1 when none. It follows the caret.
  int MarkedHit() const { return markedHit_; }
  void MarkCurrentHit(int index);

  void JumpToNextHit(int32_t offset);
  void JumpToPreviousHit(int32_t offset);

  // Space and Shift+Space / Backspace: one page down or up, the caret to the
  // first character of the first visible line. A beep and nothing else when
  // there is nothing more to show in that direction.
  void PageDown();
  void PageUp();

 signals:
  // A click on hit text, Enter or Shift+Enter; insideProgram is false with Shift.
  void OpenHitRequested(int32_t offset, bool insideProgram);
  void EscapePressed();

 protected:
  QList<QTextLayout::FormatRange> FormatsOf(const ResultLine& piece) const override;
  void PaintPieceBackground(QPainter& painter, const ResultLine& piece, qreal top,
                            qreal bottom) override;
  // Shows the hand over hit text; a click there opens the hit.
  bool UpdatePointer(const QPoint& viewportPoint) override;
  void LinkPressed(QMouseEvent* event) override;
  QString ReaderAttributes(int32_t offset, int32_t* start, int32_t* end) const override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void LoadText(std::string bytes, std::vector<SearchHit> hits, bool colored,
                std::vector<TCharRange> marks);

  std::vector<SearchHit> hits_;
  std::vector<TCharRange> wordMarks_;
  std::vector<TSearchWord> searchWords_;
  bool colored_ = false;
  int markedHit_ = -1;
  int32_t markStart_ = -1;  // the marked hit's title line
  int32_t markEnd_ = -1;
  int32_t lastMouseCharPos_ = 0;
  bool handShown_ = false;
};

}  // namespace tavirel
