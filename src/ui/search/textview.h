// The text view `edtTextContents`: a read-only, word-wrapped view of a
// document prepared by LoadDocumentText, with web addresses in the text
// underlined and opened with the shell on a left click, and the keyboard of
// the document tab. The keys that act on other parts of the window are
// reported as signals for the window to carry out.
#pragma once

#include <QAbstractSlider>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QString>

#include <string>

#include "core/search/document.h"

namespace tavirel {

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

 signals:
  void StatusTextRequested(const QString& text);
  void NextDocumentRequested();          // N
  void PreviousDocumentRequested();      // P
  void ResultListRequested();            // Enter
  void OpenInBrowserRequested();         // Shift+Enter on an HTML document
  void OpenWithApplicationRequested();   // Shift+Enter
  void Beeped();                         // a key that had nothing to do

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void Beep();
  void ScrollBy(QAbstractSlider::SliderAction action);
  void CaretToFirstVisibleLine();
  QTextCursor CursorAtVisualLine(int visual) const;
  void MarkVisibleUrls();

  std::string documentPath_;
  QPoint pressPos_;
  bool pressed_ = false;
  bool marking_ = false;
};

}  // namespace tavirel
