#include "ui/search/textview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextDocumentLayout>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>

#include "core/search/mainview.h"
#include "ui/process/browser.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

// Web addresses as a text view detects them: a scheme and "//", "mailto:",
// or "www."; ASCII only, so that the address ends at the first Japanese
// character.
const QRegularExpression& UrlPattern() {
  static const QRegularExpression pattern(
      QStringLiteral("(?:(?:https?|ftp|file|gopher|news|nntp|telnet|wais|prospero)://|mailto:|"
                     "www\\.)[A-Za-z0-9\\-._~:/?#\\[\\]@!$&'()*+,;=%]+"),
      QRegularExpression::CaseInsensitiveOption);
  return pattern;
}

// The matches in one line, trailing punctuation left out.
QList<QPair<int, int>> UrlSpans(const QString& text) {
  QList<QPair<int, int>> spans;
  auto it = UrlPattern().globalMatch(text);
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    int start = static_cast<int>(m.capturedStart());
    int end = static_cast<int>(m.capturedEnd());
    while (end > start && QStringLiteral(".,;:!?)]'\"").contains(text[end - 1])) --end;
    if (end - start > 7) spans.append({start, end});
  }
  return spans;
}

}  // namespace

TTextView::TTextView(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("edtTextContents"));
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setMouseTracking(true);
  connect(this, &QPlainTextEdit::updateRequest, this, [this] { MarkVisibleUrls(); });
}

void TTextView::ShowText(const std::string& text, TTextEncoding encoding, int bodyLine) {
  setUpdatesEnabled(false);
  highlights_.clear();
  current_ = -1;
  shownText_ = encoding == TTextEncoding::ShiftJis ? text : std::string();
  bodyLine_ = bodyLine;
  // Clearing the selections reports an update; marking must not set new
  // ones from inside this call.
  marking_ = true;
  setExtraSelections({});
  marking_ = false;
  const QString shown = encoding == TTextEncoding::Utf8
                            ? QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                            : SjisToQString(text);
  setPlainText(shown);
  if (bodyLine >= 0) {
    ScrollToLine(bodyLine, 1);
  } else {
    moveCursor(QTextCursor::Start);
    verticalScrollBar()->setValue(0);
  }
  setUpdatesEnabled(true);
}

void TTextView::ScrollToLine(int line, int linesBelow) {
  QTextDocument* doc = document();
  QTextBlock block = doc->findBlockByNumber(line);
  if (!block.isValid()) {
    moveCursor(QTextCursor::End);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    return;
  }
  // Line numbers count wrapped lines; lay out the blocks above so that they
  // are known.
  if (auto* layout = qobject_cast<QPlainTextDocumentLayout*>(doc->documentLayout())) {
    for (QTextBlock b = doc->begin(); b.isValid() && b.blockNumber() <= line; b = b.next())
      layout->ensureBlockLayout(b);
  }
  const int visual = block.firstLineNumber() + linesBelow;
  verticalScrollBar()->setValue(visual);
  setTextCursor(CursorAtVisualLine(visual));
}

QString TTextView::UrlAt(const QTextCursor& cursor) const {
  const QTextBlock block = cursor.block();
  const int p = cursor.positionInBlock();
  for (const auto& span : UrlSpans(block.text())) {
    if (p >= span.first && p < span.second) {
      QString url = block.text().mid(span.first, span.second - span.first);
      if (url.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        url.prepend(QLatin1String("http://"));
      return url;
    }
  }
  return {};
}

void TTextView::MarkVisibleUrls() {
  // Setting the selections repaints, which reports another update.
  if (marking_) return;
  marking_ = true;
  QList<QTextEdit::ExtraSelection> selections;
  QTextCharFormat format;
  format.setFontUnderline(true);
  format.setForeground(palette().link());
  const int bottom = viewport()->height();
  QTextBlock last = firstVisibleBlock();
  for (QTextBlock block = last; block.isValid(); block = block.next()) {
    if (blockBoundingGeometry(block).translated(contentOffset()).top() > bottom) break;
    last = block;
  }
  // Only the marked words that can be seen are handed to the view, so that a
  // long text with many of them scrolls as fast as one without.
  if (!highlights_.empty() && firstVisibleBlock().isValid()) {
    const int64_t from = firstVisibleBlock().position();
    const int64_t to = last.position() + last.length();
    QTextCharFormat soft, strong;
    soft.setBackground(QColor(255, 240, 160));
    strong.setBackground(QColor(255, 190, 90));
    auto it = std::lower_bound(highlights_.begin(), highlights_.end(), from,
                               [](const TCharRange& r, int64_t p) { return r.End <= p; });
    for (; it != highlights_.end() && it->Start < to; ++it) {
      QTextEdit::ExtraSelection selection;
      selection.cursor = QTextCursor(document());
      selection.cursor.setPosition(static_cast<int>(it->Start));
      selection.cursor.setPosition(static_cast<int>(it->End), QTextCursor::KeepAnchor);
      selection.format = (it - highlights_.begin()) == current_ ? strong : soft;
      selections.append(selection);
    }
  }
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    if (blockBoundingGeometry(block).translated(contentOffset()).top() > bottom) break;
    for (const auto& span : UrlSpans(block.text())) {
      QTextEdit::ExtraSelection selection;
      selection.cursor = QTextCursor(block);
      selection.cursor.setPosition(block.position() + span.first);
      selection.cursor.setPosition(block.position() + span.second, QTextCursor::KeepAnchor);
      selection.format = format;
      selections.append(selection);
    }
  }
  // Only on a change: setting them asks for another repaint.
  const QList<QTextEdit::ExtraSelection> current = extraSelections();
  bool same = !highlightsChanged_ && current.size() == selections.size();
  for (qsizetype i = 0; same && i < current.size(); ++i)
    same = current[i].cursor == selections[i].cursor;
  highlightsChanged_ = false;
  if (!same) setExtraSelections(selections);
  marking_ = false;
}

std::vector<TCharRange> FindWordsInDocument(const QTextDocument& document,
                                            const TWordFinder& finder,
                                            const std::string& sjisText) {
  if (finder.Empty()) return {};
  const int64_t length = document.characterCount() - 1;  // without the closing separator
  auto count = [](const std::string& bytes) {
    return ToCharRanges(bytes, {{bytes.size(), bytes.size()}}).front().Start;
  };
  // The bytes shown, when every character of them is one of the view's:
  // a lead byte cut off at the very end is the only byte the view drops.
  if (!sjisText.empty()) {
    const int64_t chars = count(sjisText);
    const auto last = static_cast<unsigned char>(sjisText.back());
    const bool cutLead = (last >= 0x81 && last <= 0x9F) || (last >= 0xE0 && last <= 0xFC);
    if (chars == length || (cutLead && chars - 1 == length))
      return ToCharRanges(sjisText, finder.Find(sjisText));
  }
  // Otherwise the document's own text in Shift-JIS, one character for each
  // of its characters: the two halves of a character beyond the BMP become
  // two "?", and a character CP932 has not becomes its one substitute.
  QString text = document.toPlainText();
  for (QChar& c : text)
    if (c.isSurrogate()) c = QLatin1Char('?');
  QStringEncoder encoder("CP932");
  const QByteArray encoded = encoder.encode(text);
  std::string bytes(encoded.constData(), static_cast<size_t>(encoded.size()));
  if (count(bytes) != text.size()) bytes = QStringToSjisLossy(text);
  return ToCharRanges(bytes, finder.Find(bytes));
}

int TTextView::HighlightWords(const std::vector<TSearchWord>& words) {
  return SetHighlights(FindWordsInDocument(*document(), TWordFinder(words), shownText_));
}

int TTextView::SetHighlights(std::vector<TCharRange> ranges) {
  highlights_ = std::move(ranges);
  current_ = -1;
  highlightsChanged_ = true;
  if (!highlights_.empty()) {
    int first = 0;
    if (bodyLine_ >= 0) {
      // A mail stays at its body unless the body holds a word.
      const QTextBlock body = document()->findBlockByNumber(bodyLine_);
      const int64_t bodyStart = body.isValid() ? body.position() : document()->characterCount();
      first = static_cast<int>(
          std::lower_bound(highlights_.begin(), highlights_.end(), bodyStart,
                           [](const TCharRange& r, int64_t p) { return r.Start < p; }) -
          highlights_.begin());
    }
    if (first < HighlightCount()) MoveToHighlight(first);
  }
  MarkVisibleUrls();
  viewport()->update();
  return HighlightCount();
}

void TTextView::ClearHighlights() { SetHighlights({}); }

QString TTextView::HighlightPositionText() const {
  return QStringLiteral("%1 / %2").arg(current_ + 1).arg(HighlightCount());
}

void TTextView::MoveToHighlight(int index) {
  current_ = index;
  highlightsChanged_ = true;
  QTextCursor cursor(document());
  cursor.setPosition(static_cast<int>(highlights_[static_cast<size_t>(index)].Start));
  setTextCursor(cursor);
  centerCursor();
  MarkVisibleUrls();
  viewport()->update();
  emit HighlightPositionChanged(HighlightPositionText());
}

void TTextView::NextHighlight() { StepHighlight(true); }

void TTextView::PreviousHighlight() { StepHighlight(false); }

void TTextView::StepHighlight(bool forward) {
  const int mark = StepToMark(highlights_, current_, textCursor().position(), forward);
  if (mark < 0) {
    Beep();
    return;
  }
  MoveToHighlight(mark);
}

void TTextView::Beep() {
  QApplication::beep();
  emit Beeped();
}

void TTextView::CaretToFirstVisibleLine() {
  // The scroll bar counts wrapped lines: its value is the top line.
  setTextCursor(CursorAtVisualLine(verticalScrollBar()->value()));
  ensureCursorVisible();
}

QTextCursor TTextView::CursorAtVisualLine(int visual) const {
  QTextDocument* doc = document();
  QTextCursor cursor(doc);
  const QTextBlock target = doc->findBlockByLineNumber(visual);
  if (!target.isValid()) {
    cursor.movePosition(QTextCursor::End);
    return cursor;
  }
  cursor.setPosition(target.position());
  const int inBlock = visual - target.firstLineNumber();
  QTextLayout* textLayout = target.layout();
  if (inBlock > 0 && textLayout && inBlock < textLayout->lineCount())
    cursor.setPosition(target.position() + textLayout->lineAt(inBlock).textStart());
  return cursor;
}

void TTextView::ScrollBy(QAbstractSlider::SliderAction action) {
  verticalScrollBar()->triggerAction(action);
  CaretToFirstVisibleLine();
}

void TTextView::keyPressEvent(QKeyEvent* event) {
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const int key = event->key();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;

  // First stage: every key.
  emit StatusTextRequested(SjisToQString(StatusTextTextPage));
  if (enter && shift && HasHtmlExtension(documentPath_)) emit OpenInBrowserRequested();

  if (key == Qt::Key_F3 && !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
    if (shift)
      PreviousHighlight();
    else
      NextHighlight();
    event->accept();
    return;
  }

  // Second stage.
  if (enter) {
    if (shift)
      emit OpenWithApplicationRequested();
    else
      emit ResultListRequested();
    event->accept();
    return;
  }
  if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  QScrollBar* bar = verticalScrollBar();
  switch (key) {
    case Qt::Key_Space:
      if (shift) {
        // Shift+Space pages up, as in the result list.
        ScrollBy(QAbstractSlider::SliderPageStepSub);
      } else if (bar->value() >= bar->maximum()) {
        Beep();  // the end of the document is showing
      } else {
        ScrollBy(QAbstractSlider::SliderPageStepAdd);
      }
      break;
    case Qt::Key_Backspace:
      if (textCursor().position() == 0)
        Beep();
      else
        ScrollBy(QAbstractSlider::SliderPageStepSub);
      break;
    case Qt::Key_J: ScrollBy(QAbstractSlider::SliderSingleStepAdd); break;
    case Qt::Key_K: ScrollBy(QAbstractSlider::SliderSingleStepSub); break;
    case Qt::Key_N: emit NextDocumentRequested(); break;
    case Qt::Key_P: emit PreviousDocumentRequested(); break;
    case Qt::Key_Escape: break;
    default:
      QPlainTextEdit::keyPressEvent(event);
      return;
  }
  event->accept();
}

void TTextView::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  pressPos_ = event->position().toPoint();
  QPlainTextEdit::mousePressEvent(event);
}

void TTextView::mouseReleaseEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseReleaseEvent(event);
  const QPoint pos = event->position().toPoint();
  if (!pressed_ || event->button() != Qt::LeftButton) return;
  pressed_ = false;
  if ((pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) return;
  const QTextCursor cursor = cursorForPosition(pos);
  QTextCursor lineEnd = cursor;
  lineEnd.movePosition(QTextCursor::EndOfLine);
  if (pos.x() > cursorRect(lineEnd).right() + 2) return;  // beside the text
  const QString url = UrlAt(cursor);
  if (!url.isEmpty()) OpenURLByShell(QUrl(url, QUrl::TolerantMode));
}

void TTextView::mouseMoveEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseMoveEvent(event);
  const bool overUrl = !UrlAt(cursorForPosition(event->position().toPoint())).isEmpty();
  viewport()->setCursor(overUrl ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

}  // namespace tavirel
