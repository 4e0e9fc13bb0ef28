// Helpers shared by the window tests: answering modal message boxes, clicking
// text in a view, and recording what would go to the associated application.
#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QUrl>

class QTextEdit;

namespace tavirel::uitest {

// Records the URLs handed to QDesktopServices::openUrl instead of opening them
// (install with QDesktopServices::setUrlHandler(scheme, &recorder, "open")).
class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void open(const QUrl& url) { urls.append(url); }
};

// What the answered message box showed. A wait for a box that never came
// ends with the object, so it never writes into a test that has returned.
struct BoxSeen {
  bool seen = false;
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QObject waiting;  // the context of the pending check
};

// Waits for the next modal message box (checking every 20 ms, `attempts`
// times), notes what it showed and presses `button`.
void AnswerNextBox(BoxSeen* seen, QMessageBox::StandardButton button = QMessageBox::Ok,
                   int attempts = 200);

// Clicks the first occurrence of `text` in a text or HTML view.
void ClickText(QTextEdit* view, const QString& text);

// Picks `path` in the next file dialog, again until the dialog has closed.
void AnswerNextFileDialog(const QString& path, int attempts = 200);

}  // namespace tavirel::uitest
