// The text view `edtTextContents`: a read-only, word-wrapped view of a
// document prepared by LoadDocumentText, with web addresses in the text
// underlined and opened with the shell on a left click, and the keyboard of
// the document tab. The keys that act on other parts of the window are
// reported as signals for the window to carry out.
//
// The text is kept once, as the bytes prepared (TByteTextView), so a
// document of tens of megabytes, or of one line of megabytes, shows its
// first screen at once. Positions (caret, marks) are offsets of the view:
// characters, every line break counted as two.
#pragma once

#include <QString>
#include <QTextDocument>

#include <string>
#include <vector>

#include "core/search/document.h"
#include "core/search/mainview.h"
#include "core/search/searchwords.h"
#include "ui/widgets/bytetextview.h"

namespace tavirel {

// Where the words of a formula occur in a Qt text document (the HTML view's
// page), in document positions. `sjisText`, when given, is the Shift-JIS
// text the document was made from; it is searched as it is when it matches
// the document character for character, else the document's own text is.
std::vector<TCharRange> FindWordsInDocument(const QTextDocument& document,
                                            const TWordFinder& finder,
                                            const std::string& sjisText = {});

class TTextView : public TByteTextView {
  Q_OBJECT

 public:
  explicit TTextView(QWidget* parent = nullptr);

  // Shows a prepared text (Shift-JIS, or UTF-8 when flagged). With
  // `bodyLine` 0 or above the view is scrolled the way a mail is: the line
  // below the first line of `bodyLine` comes to the top, where the caret
  // goes as well; otherwise the view shows the top. A text that ends with a
  // line break shows an empty line after it.
  void ShowText(std::string text, TTextEncoding encoding, int bodyLine = -1);
  void Clear() { ShowText(std::string(), TTextEncoding::ShiftJis); }
  // Puts the row that lies `linesBelow` rows under the first row of text
  // line `line` at the top of the view, with the caret at its start.
  void ScrollToLine(int line, int linesBelow = 0);

  // The document shown (the window's CurrentDocumentPath); Shift+Enter
  // offers it to the HTML view only when it is an HTML file.
  void SetDocumentPath(const std::string& path) { documentPath_ = path; }
  const std::string& DocumentPath() const { return documentPath_; }

  // The number of the text line shown at the top.
  int FirstVisibleLine() const { return LinesBefore(Top().piece); }

  // The web address at an offset of the text ("" when none).
  QString UrlAt(int32_t offset) const;

  // Search words. Marks every occurrence of the words in the text shown
  // (a soft background; the text itself is unchanged) and moves to the
  // first one; a mail shown from its body moves to the first one in the
  // body and stays at the body when the body holds none. Call after
  // ShowText; showing another text clears the marks. Returns the number of
  // occurrences.
  int HighlightWords(const std::vector<TSearchWord>& words);
  // The same for ranges found elsewhere, in offsets of the view, sorted and
  // not overlapping.
  int SetHighlights(std::vector<TCharRange> ranges);
  void ClearHighlights() { SetHighlights({}); }
  // The marks and the one moved to last; F3 and Shift+F3 step through them
  // round the end of the text, with a beep when there is none.
  const TMarkList& Marks() const { return marks_; }
  int HighlightCount() const { return marks_.Count(); }
  QString HighlightPositionText() const;

  QString ReaderAttributes(int32_t offset, int32_t* start, int32_t* end) const override;

 signals:
  void StatusTextRequested(const QString& text);
  void NextDocumentRequested();          // N
  void PreviousDocumentRequested();      // P
  void ResultListRequested();            // Enter
  void OpenInBrowserRequested();         // Shift+Enter on an HTML document
  void OpenWithApplicationRequested();   // Shift+Enter
  void Beeped();                         // a key that had nothing to do
  // After a move between marked occurrences: "n / N" for the status bar.
  void HighlightPositionChanged(const QString& text);

 protected:
  QList<QTextLayout::FormatRange> FormatsOf(const ResultLine& piece) const override;
  bool UpdatePointer(const QPoint& viewportPoint) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void StepHighlight(bool forward);
  void Beep();
  void MoveToHighlight(int index);
  // The web address at `offset`: its range in the view, or false.
  bool UrlRangeAt(int32_t offset, int32_t* start, int32_t* end) const;

  std::string documentPath_;
  int bodyLine_ = -1;                 // the mail body's line, -1 when not a mail
  TMarkList marks_;
  QPoint pressPos_;
  bool pressed_ = false;
};

}  // namespace tavirel
