#include "ui/search/textview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStringEncoder>

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

// A text in Shift-JIS for finding words in it, one character for each of
// its characters: the two halves of a character beyond the BMP become two
// "?", and a character CP932 has not becomes its one substitute.
std::string SjisForSearch(QString text) {
  for (QChar& c : text)
    if (c.isSurrogate()) c = QLatin1Char('?');
  QStringEncoder encoder("CP932");
  const QByteArray encoded = encoder.encode(text);
  std::string bytes(encoded.constData(), static_cast<size_t>(encoded.size()));
  if (ToCharRanges(bytes, {{bytes.size(), bytes.size()}}).front().Start != text.size())
    bytes = QStringToSjisLossy(text);
  return bytes;
}

bool IsLeadByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC);
}

// A lead byte cut off at the very end of a Shift-JIS text has no character:
// it is dropped, as a decoder drops it. Every lead byte is a trail byte as
// well, so a run of them at the end pairs up from its start (the byte before
// it ends a character) and leaves one over when the run is odd.
void DropCutLeadByte(std::string& text) {
  size_t run = 0;
  while (run < text.size() && IsLeadByte(text[text.size() - 1 - run])) ++run;
  if (run % 2 == 1) text.pop_back();
}

QTextCharFormat MarkFormat(bool current) {
  QTextCharFormat format;
  format.setBackground(current ? QColor(255, 190, 90) : QColor(255, 240, 160));
  return format;
}

}  // namespace

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
    if (chars == length || (IsLeadByte(sjisText.back()) && chars - 1 == length))
      return ToCharRanges(sjisText, finder.Find(sjisText));
  }
  // Otherwise the document's own text.
  const std::string bytes = SjisForSearch(document.toPlainText());
  return ToCharRanges(bytes, finder.Find(bytes));
}

TTextView::TTextView(QWidget* parent) : TByteTextView(parent) {
  setObjectName(QStringLiteral("edtTextContents"));
  viewport()->setCursor(Qt::IBeamCursor);
}

void TTextView::ShowText(std::string text, TTextEncoding encoding, int bodyLine) {
  marks_ = TMarkList{};
  bodyLine_ = bodyLine;
  if (encoding == TTextEncoding::ShiftJis) DropCutLeadByte(text);
  // A text that ends with a line break has an empty last line, where the
  // caret can go and which a copy of the whole text ends with.
  if (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.push_back(text.back());
  SetBytes(std::move(text), encoding == TTextEncoding::Utf8 ? TResultText::Coding::Utf8
                                                            : TResultText::Coding::ShiftJis);
  if (bodyLine >= 0) ScrollToLine(bodyLine, 1);
}

void TTextView::ScrollToLine(int line, int linesBelow) {
  if (line >= LineCount()) {
    SetCaretOffset(std::max(0, ResultText().CharCount() - 2));
    SetTop(MaxTop());
    return;
  }
  ScrollToRow(LineStart(line), linesBelow);
}

// ---- Web addresses ---------------------------------------------------------------

bool TTextView::UrlRangeAt(int32_t offset, int32_t* start, int32_t* end) const {
  if (ResultText().PieceCount() == 0) return false;
  ResultLine piece;
  ResultText().PieceAt(offset, &piece);
  const int at = offset - piece.Offset;
  for (const auto& span : UrlSpans(PieceText(piece))) {
    if (at >= span.first && at < span.second) {
      *start = piece.Offset + span.first;
      *end = piece.Offset + span.second;
      return true;
    }
  }
  return false;
}

QString TTextView::UrlAt(int32_t offset) const {
  int32_t start = 0;
  int32_t end = 0;
  if (!UrlRangeAt(offset, &start, &end)) return {};
  QString url = TextOf(start, end);
  if (url.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
    url.prepend(QLatin1String("http://"));
  return url;
}

QString TTextView::ReaderAttributes(int32_t offset, int32_t* start, int32_t* end) const {
  if (!UrlRangeAt(offset, start, end)) return {};
  return QStringLiteral("link:true;text-underline-style:solid;");
}

QList<QTextLayout::FormatRange> TTextView::FormatsOf(const ResultLine& piece) const {
  // Where ranges overlap the later one is drawn, so the marks come after the
  // addresses and take the addresses' underline and colour where they meet.
  QList<QTextLayout::FormatRange> ranges;
  QTextCharFormat link;
  link.setFontUnderline(true);
  link.setForeground(palette().link());
  const QList<QPair<int, int>> urls = UrlSpans(PieceText(piece));
  for (const auto& span : urls) {
    ranges.append(QTextLayout::FormatRange{span.first, span.second - span.first, link});
  }
  const std::vector<TCharRange>& marks = marks_.Ranges;
  auto mark = std::lower_bound(marks.begin(), marks.end(), int64_t{piece.Offset},
                               [](const TCharRange& range, int64_t at) { return range.End <= at; });
  for (; mark != marks.end() && mark->Start < int64_t{piece.Offset} + piece.Chars; ++mark) {
    int from = 0;
    int length = 0;
    if (!ClipToPiece(mark->Start, mark->End, piece, &from, &length)) continue;
    const QTextCharFormat format = MarkFormat(mark - marks.begin() == marks_.Current);
    const int to = from + length;
    for (const auto& span : urls) {
      const int first = std::max(from, span.first);
      const int last = std::min(to, span.second);
      if (first >= last) continue;
      if (from < first) ranges.append(QTextLayout::FormatRange{from, first - from, format});
      QTextCharFormat both = link;
      both.merge(format);
      ranges.append(QTextLayout::FormatRange{first, last - first, both});
      from = last;
    }
    if (from < to) ranges.append(QTextLayout::FormatRange{from, to - from, format});
  }
  return ranges;
}

// ---- Marks -------------------------------------------------------------------------

int TTextView::HighlightWords(const std::vector<TSearchWord>& words) {
  const TWordFinder finder(words);
  if (finder.Empty()) return SetHighlights({});
  const TResultText& text = ResultText();
  if (text.TextCoding() == TResultText::Coding::ShiftJis) {
    return SetHighlights(ToLineOffsets(text.Bytes(), finder.Find(text.Bytes())));
  }
  // UTF-8: its characters in Shift-JIS, one for each of the view's, and the
  // line breaks as they are.
  const std::string bytes = SjisForSearch(Text());
  return SetHighlights(ToLineOffsets(bytes, finder.Find(bytes)));
}

int TTextView::SetHighlights(std::vector<TCharRange> ranges) {
  marks_ = TMarkList{std::move(ranges), -1};
  if (marks_.Count() > 0) {
    // A mail stays at its body unless the body holds a word.
    const int first = bodyLine_ >= 0 ? marks_.FirstFrom(LineStart(bodyLine_)) : 0;
    if (first < marks_.Count()) MoveToHighlight(first);
  }
  FormatsChanged();
  return marks_.Count();
}

QString TTextView::HighlightPositionText() const {
  return QString::fromStdString(marks_.PositionText());
}

void TTextView::MoveToHighlight(int index) {
  marks_.Current = index;
  SetCaretOffset(static_cast<int32_t>(marks_.Ranges[static_cast<size_t>(index)].Start));
  CenterCaret();
  FormatsChanged();
  emit HighlightPositionChanged(HighlightPositionText());
}

void TTextView::StepHighlight(bool forward) {
  const int mark = StepToMark(marks_.Ranges, marks_.Current, CaretOffset(), forward);
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

// ---- Keys --------------------------------------------------------------------------

void TTextView::keyPressEvent(QKeyEvent* event) {
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const int key = event->key();
  const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;

  // First stage: every key.
  emit StatusTextRequested(SjisToQString(StatusTextTextPage));
  if (enter && shift && HasHtmlExtension(documentPath_)) emit OpenInBrowserRequested();

  if (key == Qt::Key_F3 && !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
    StepHighlight(!shift);
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
    TByteTextView::keyPressEvent(event);
    return;
  }
  switch (key) {
    case Qt::Key_Space:
      if (shift) {
        PageStep(false);  // Shift+Space pages up, as in the result list
      } else if (!PageStep(true)) {
        Beep();  // the end of the document is showing
      }
      break;
    case Qt::Key_Backspace:
      if (CaretOffset() == 0)
        Beep();
      else
        PageStep(false);
      break;
    case Qt::Key_J:
    case Qt::Key_K:
      ScrollRows(key == Qt::Key_J ? 1 : -1);
      MoveCaretToFirstVisibleLine();
      break;
    case Qt::Key_N: emit NextDocumentRequested(); break;
    case Qt::Key_P: emit PreviousDocumentRequested(); break;
    case Qt::Key_Escape: break;
    default:
      TByteTextView::keyPressEvent(event);
      return;
  }
  event->accept();
}

// ---- Mouse -------------------------------------------------------------------------

bool TTextView::UpdatePointer(const QPoint& viewportPoint) {
  bool overText = false;
  const int32_t at = CharOffsetAt(viewportPoint, &overText);
  int32_t start = 0;
  int32_t end = 0;
  const bool overUrl = overText && UrlRangeAt(at, &start, &end);
  viewport()->setCursor(overUrl ? Qt::PointingHandCursor : Qt::IBeamCursor);
  // A click on an address still places the caret; the address opens when
  // the button comes up without a drag.
  return false;
}

void TTextView::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  pressPos_ = event->position().toPoint();
  TByteTextView::mousePressEvent(event);
}

void TTextView::mouseReleaseEvent(QMouseEvent* event) {
  TByteTextView::mouseReleaseEvent(event);
  const QPoint pos = event->position().toPoint();
  if (!pressed_ || event->button() != Qt::LeftButton) return;
  event->accept();
  pressed_ = false;
  if ((pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) return;
  bool overText = false;
  const int32_t at = CharOffsetAt(pos, &overText);
  if (!overText) return;  // beside the text
  const QString url = UrlAt(at);
  if (!url.isEmpty()) OpenURLByShell(QUrl(url, QUrl::TolerantMode));
}

}  // namespace tavirel
