// The embedded web browser `WebBrowser1`: an HTML view over local files.
// Every navigation, a followed link as well as one the program asks for,
// first goes through BeforeNavigate2, which may cancel it; a loaded document
// is reported by DocumentComplete (after the call that navigated returns, as
// a browser control reports it). Pages in Shift-JIS, EUC-JP, ISO-2022-JP and
// UTF-8 show correctly: a declared charset first, detection otherwise.
#pragma once

#include <QTextBrowser>
#include <QUrl>

#include <string_view>
#include <vector>

#include "core/search/searchwords.h"

namespace tavirel {

class THtmlView : public QTextBrowser {
  Q_OBJECT

 public:
  explicit THtmlView(QWidget* parent = nullptr);

  // Asks for the focus of the loaded document: 1 = focus it once loaded.
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  // Navigates to a program address (a Shift-JIS local path, "file://" and a
  // path, or a web address). False when the navigation was cancelled or the
  // target could not be shown.
  bool Navigate(std::string_view address);
  bool Navigate(const QUrl& url);

  // The address of the document shown (empty before the first one).
  QUrl LocationUrl() const { return location_; }
  bool HasDocument() const { return !location_.isEmpty(); }
  // Gives the loaded document the keyboard focus.
  void FocusDocument();
  // Marked words of the page shown, in document positions, sorted and not
  // overlapping; loading another page clears them, a move to an anchor of
  // the same page keeps them. Setting them moves to the first one at or
  // below the top of the view (the page's start, or the anchor it was
  // opened at). Returns their number.
  int SetHighlights(std::vector<TCharRange> ranges);
  int HighlightCount() const { return static_cast<int>(highlights_.size()); }
  // The mark moved to last (0-based), -1 before the first move.
  int CurrentHighlight() const { return current_; }
  const std::vector<TCharRange>& Highlights() const { return highlights_; }
  // F3 and Shift+F3: the next or previous mark, round the end of the page;
  // a beep when there is none.
  void NextHighlight();
  void PreviousHighlight();
  // "n / N" for the current mark ("0 / N" before the first move).
  QString HighlightPositionText() const;

  // Counts the changes of the page's text: a new value means another page.
  int ContentRevision() const { return revision_; }
  // Follows a link of the page, `href` as the page writes it, as a click on
  // it or Enter on it does.
  void ActivateLink(const QString& href);
  // Scrolls the document position to the middle of the view, as far as the
  // page allows; the caret stays.
  void CenterOn(int position);

 signals:
  // `url` is the target, fully percent-encoded. Set `cancel` to stop the
  // navigation; connect directly.
  void BeforeNavigate2(const QString& url, bool& cancel);
  void DocumentComplete(const QString& url);
  // After a move between marks: "n / N" for the status bar.
  void HighlightPositionChanged(const QString& text);

 protected:
  QVariant loadResource(int type, const QUrl& name) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool next) override;

 private:
  void FollowLink(const QUrl& link);
  bool Load(const QUrl& url);
  void Complete(const QUrl& url);
  void StepHighlight(bool forward);
  void MoveToHighlight(int index);
  void PaintHighlights();

  QUrl location_;
  std::vector<TCharRange> highlights_;
  int current_ = -1;

  int tag_ = 0;
  int depth_ = 0;
  int revision_ = 0;
};

}  // namespace tavirel
