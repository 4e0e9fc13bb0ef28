// The text view `edtTextContents`: a read-only, word-wrapped view of a
// document prepared by LoadDocumentText, with web addresses in the text
// underlined and opened with the shell on a left click, and the keyboard of
// the document tab. The keys that act on other parts of the window are
// reported as signals for the window to carry out.
#pragma once

#include <QAbstractSlider>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QString>

#include <string>
#include <vector>

#include "core/search/document.h"
#include "core/search/searchwords.h"

namespace tavirel {

// Where the words of a formula occur in a Qt text document (the text view's,
// or the HTML view's page), in document positions. `sjisText`, when given,
// is the Shift-JIS text the document was made from; it is searched as it is
// when it matches the document character for character, else the
// document's own text is.
std::vector<TCharRange> FindWordsInDocument(const QTextDocument& document,
                                            const TWordFinder& finder,
                                            const std::string& sjisText = {});

class TTextView : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit TTextView(QWidget* parent = nullptr);

  // Shows a prepared text (Shift-JIS, or UTF-8 when flagged). With
  // `bodyLine` 0 or above the view is scrolled the way a mail is: the line
  // below the first line of `bodyLine` comes to the top, where the caret
  // goes as well; otherwise the view shows the top.
  void ShowText(const std::string& text, TTextEncoding encoding, int bodyLine = -1);
  // Puts the visual line that lies `linesBelow` lines under the first line of
  // text line `line` at the top of the view, with the caret at its start.
  void ScrollToLine(int line, int linesBelow = 0);

  // The document shown (the window's CurrentDocumentPath); Shift+Enter
  // offers it to the HTML view only when it is an HTML file.
  void SetDocumentPath(const std::string& path) { documentPath_ = path; }
  const std::string& DocumentPath() const { return documentPath_; }

  // The number of the text line shown at the top.
  int FirstVisibleLine() const { return firstVisibleBlock().blockNumber(); }

  // The web address at a position of the text ("" when none).
  QString UrlAt(const QTextCursor& cursor) const;

  // Search words. Marks every occurrence of the words in the text shown
  // (a soft background; the text itself is unchanged) and moves to the
  // first one; a mail shown from its body moves to the first one in the
  // body and stays at the body when the body holds none. Call after
  // ShowText; showing another text clears the marks. Returns the number of
  // occurrences.
  int HighlightWords(const std::vector<TSearchWord>& words);
  // The same for ranges found elsewhere, in characters of the text shown
  // (positions of the view's document), sorted and not overlapping.
  int SetHighlights(std::vector<TCharRange> ranges);
  void ClearHighlights();
  int HighlightCount() const { return static_cast<int>(highlights_.size()); }
  // The occurrence moved to last (0-based), -1 before the first move.
  int CurrentHighlight() const { return current_; }
  const std::vector<TCharRange>& Highlights() const { return highlights_; }
  // F3 and Shift+F3: the next or previous occurrence, round the end of the
  // text; a beep when there is none.
  void NextHighlight();
  void PreviousHighlight();
  // "n / N" for the current occurrence ("0 / N" before the first move).
  QString HighlightPositionText() const;

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
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void StepHighlight(bool forward);
  void Beep();
  void ScrollBy(QAbstractSlider::SliderAction action);
  void CaretToFirstVisibleLine();
  QTextCursor CursorAtVisualLine(int visual) const;
  void MarkVisibleUrls();
  void MoveToHighlight(int index);

  std::string documentPath_;
  std::string shownText_;             // the bytes shown, when they are Shift-JIS
  int bodyLine_ = -1;                 // the mail body's line, -1 when not a mail
  std::vector<TCharRange> highlights_;
  int current_ = -1;
  bool highlightsChanged_ = false;
  QPoint pressPos_;
  bool pressed_ = false;
  bool marking_ = false;
};

}  // namespace tavirel
