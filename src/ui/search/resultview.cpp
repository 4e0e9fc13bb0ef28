#include "ui/search/resultview.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QColor>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <algorithm>
#include <limits>
#include <string_view>

#include "core/search/searchcmd.h"
#include "platform/platform.h"
#include "core/process/ucommon.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

qsizetype CountChars(std::string_view line) {
  qsizetype chars = 0;
  for (size_t i = 0; i < line.size(); i += ResultCharLength(line, i)) ++chars;
  return chars;
}

// One line decoded so that every character of the result text becomes exactly
// one QChar; a character without a Unicode form becomes U+FFFD.
QString DecodeLine(std::string_view line, qsizetype chars) {
  QString decoded = SjisToQString(line);
  if (decoded.size() == chars) return decoded;
  decoded.clear();
  decoded.reserve(chars);
  for (size_t i = 0; i < line.size();) {
    const size_t length = ResultCharLength(line, i);
    const QString one = SjisToQString(line.substr(i, length));
    decoded.append(one.size() == 1 ? one.at(0) : QChar(QChar::ReplacementCharacter));
    i += length;
  }
  return decoded;
}

// The text for the view from the rejoined result text (CR LF after every
// line): the same lines joined by LF, without a break after the last one, and
// one QChar per result character so that the two kinds of position differ by
// exactly one per line break. The whole text is decoded at once; lines whose
// decoding does not keep that one-to-one count (broken double-byte
// characters) are decoded again on their own.
QString ViewTextFromResultText(std::string_view text) {
  const QString decoded = SjisToQString(text);
  QString view;
  view.reserve(decoded.size());
  qsizetype at = 0;        // position in `decoded` while it stays in step
  bool inStep = true;
  bool firstLine = true;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    const qsizetype chars = CountChars(line);
    if (!firstLine) view.append(QChar(u'\n'));
    firstLine = false;
    if (inStep && at + chars + 2 <= decoded.size() && decoded.at(at + chars) == u'\r' &&
        decoded.at(at + chars + 1) == u'\n') {
      view.append(QStringView(decoded).mid(at, chars));
      at += chars + 2;
    } else {
      inStep = false;
      view.append(DecodeLine(line, chars));
    }
    pos = end + 2;
  }
  return view;
}

QTextCharFormat TitleFormat() {
  QTextCharFormat format;
  format.setForeground(QColor(0, 0, 255));
  format.setFontWeight(QFont::Bold);
  format.setFontUnderline(true);
  return format;
}

QTextCharFormat UriFormat() {
  QTextCharFormat format;
  format.setForeground(QColor(0, 128, 128));
  return format;
}

}  // namespace

TResultView::TResultView(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("edtResult"));
  setReadOnly(true);
  // Read-only, but with a caret the keys move (N, P, arrows, paging).
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setUndoRedoEnabled(false);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::ArrowCursor);
  RebuildLineTable();
  // The hit that Enter at the caret would open is marked.
  connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
    MarkCurrentHit(hits_.empty() ? -1 : FindHitAt(hits_, CaretOffset()));
  });
}

void TResultView::MarkCurrentHit(int index) {
  if (index < 0 || index >= HitCount()) index = -1;
  if (index == markedHit_) return;
  markedHit_ = index;
  QList<QTextEdit::ExtraSelection> selections;
  if (index >= 0) {
    // A light background over the whole title line; text and offsets stay.
    QTextEdit::ExtraSelection mark;
    mark.format.setBackground(QColor(0xFF, 0xF3, 0xC4));
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    mark.cursor = QTextCursor(document());
    mark.cursor.setPosition(ViewPositionFromOffset(hits_[static_cast<size_t>(index)].TitleStart));
    selections.append(mark);
  }
  setExtraSelections(selections);
}

// ---- Loading -------------------------------------------------------------------

bool TResultView::ShowResultFile(const std::string& path, int fileNameBlankLineNext,
                                 int fileNameSpaceFromEnd, bool colored, bool fileNamesEncoded) {
  ClearResults();

  std::string bytes;
  std::string error;
  platform::ReadFailure failure = platform::ReadFailure::None;
  if (!platform::ReadWholeFile(path, bytes, &error, MaxResultFileBytes, &failure)) {
    const std::string refused = FileRefusedMessage(failure, MaxResultFileBytes, path);
    ShowMessageBox(this, SjisToQString(ErrorCaption),
                   refused.empty() ? QStringLiteral("検索結果のファイルを読み込めません。\n") +
                                         SjisToQString(path) + QChar(u'\n') +
                                         SjisToQString(error)
                                   : SjisToQString(refused),
                   QMessageBox::Critical);
    return false;
  }
  if (bytes.empty()) {
    std::string message(ResultFileEmptyMessage);
    message += '\n';
    message += path;
    ShowMessageBox(this, ErrorCaption, message, QMessageBox::Warning);
    return false;
  }

  if (fileNamesEncoded) {
    bytes = ReadableResultText(bytes, fileNameBlankLineNext, fileNameSpaceFromEnd);
  }
  ResultListParse parse = ParseResultText(bytes, fileNameBlankLineNext, fileNameSpaceFromEnd);
  std::string().swap(bytes);
  const std::vector<TCharRange> wordOffsets =
      searchWords_.empty() ? std::vector<TCharRange>{}
                           : FindWordsInSummaries(parse, TWordFinder(searchWords_));
  const QString viewText = ViewTextFromResultText(parse.Text);
  std::string().swap(parse.Text);

  hits_ = std::move(parse.Hits);
  kinds_ = std::move(parse.ResultCharKinds);
  colored_ = colored;
  LoadViewText(viewText);
  SetWordMarks(wordOffsets);
  // Loading moved the caret before the line table was rebuilt: mark anew.
  markedHit_ = -1;
  MarkCurrentHit(hits_.empty() ? -1 : FindHitAt(hits_, CaretOffset()));
  return parse.Found;
}

bool TResultView::ShowResultFile(const std::string& path, const TSettings& settings,
                                 bool colored) {
  return ShowResultFile(path, SettingsInt(settings.FileNameBlankLineNext, 0),
                        SettingsInt(settings.FileNameSpaceFromEnd, 0), colored);
}

void TResultView::ClearResults() {
  ResetState();
  LoadViewText(QString());
}

void TResultView::SetMessageText(const QString& text) {
  ResetState();
  LoadViewText(text);
}

void TResultView::ResetState() {
  markedHit_ = -1;
  wordMarks_.clear();
  setExtraSelections({});
  hits_.clear();
  kinds_.clear();
  colored_ = false;
  lastMouseCharPos_ = 0;
}

void TResultView::LoadViewText(const QString& text) {
  setPlainText(text);
  RebuildLineTable();
  blockFormatted_.assign(static_cast<size_t>(document()->blockCount()), 0);
  moveCursor(QTextCursor::Start);
  handShown_ = false;
  viewport()->setCursor(Qt::ArrowCursor);
}

void TResultView::RebuildLineTable() {
  lineStarts_.clear();
  lineStarts_.reserve(static_cast<size_t>(document()->blockCount()) + 1);
  constexpr int64_t maxOffset = std::numeric_limits<int32_t>::max();
  int64_t offset = 0;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    lineStarts_.push_back(static_cast<int32_t>(std::min(offset, maxOffset)));
    offset += (block.length() - 1) + 2;
  }
  lineStarts_.push_back(static_cast<int32_t>(std::min(offset, maxOffset)));
}

// ---- Positions -------------------------------------------------------------------

int32_t TResultView::OffsetFromViewPosition(int viewPosition) const {
  const size_t lines = lineStarts_.size() - 1;
  if (lines == 0 || viewPosition <= 0) return 0;
  // Line i begins at view position lineStarts_[i] - i: each earlier line
  // break takes one view position less than it takes in the result text.
  size_t low = 0;
  size_t high = lines;  // the line is the last one whose view start is <= viewPosition
  while (high - low > 1) {
    const size_t mid = low + (high - low) / 2;
    if (static_cast<int64_t>(lineStarts_[mid]) - static_cast<int64_t>(mid) <= viewPosition) {
      low = mid;
    } else {
      high = mid;
    }
  }
  const int64_t viewStart = static_cast<int64_t>(lineStarts_[low]) - static_cast<int64_t>(low);
  const int64_t length = static_cast<int64_t>(lineStarts_[low + 1]) - lineStarts_[low] - 2;
  const int64_t column = std::min<int64_t>(viewPosition - viewStart, length);
  return static_cast<int32_t>(lineStarts_[low] + column);
}

int TResultView::ViewPositionFromOffset(int32_t offset) const {
  const size_t lines = lineStarts_.size() - 1;
  if (lines == 0 || offset <= 0) return 0;
  const auto next = std::upper_bound(lineStarts_.begin(), lineStarts_.begin() + lines, offset);
  const size_t line = static_cast<size_t>(next - lineStarts_.begin()) - 1;
  const int32_t length = lineStarts_[line + 1] - lineStarts_[line] - 2;
  const int32_t column = std::min(offset - lineStarts_[line], length);
  return static_cast<int>(lineStarts_[line] - static_cast<int32_t>(line) + column);
}

int32_t TResultView::CaretOffset() const {
  return OffsetFromViewPosition(textCursor().position());
}

void TResultView::SetCaretOffset(int32_t offset) {
  QTextCursor cursor(document());
  cursor.setPosition(ViewPositionFromOffset(offset));
  setTextCursor(cursor);
  ensureCursorVisible();
}

int32_t TResultView::CharOffsetAt(const QPoint& viewportPoint, bool* overText) const {
  const QTextCursor cursor = cursorForPosition(viewportPoint);
  int viewPosition = cursor.position();
  bool onCharacter = false;
  const QTextBlock block = cursor.block();
  QTextLayout* layout = block.isValid() ? block.layout() : nullptr;
  if (layout != nullptr && layout->lineCount() > 0) {
    const QRectF blockRect = blockBoundingGeometry(block).translated(contentOffset());
    const QPointF local = QPointF(viewportPoint) - blockRect.topLeft() - layout->position();
    for (int i = 0; i < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      if (local.y() < line.y() || local.y() >= line.y() + line.height()) continue;
      const int column = line.xToCursor(local.x(), QTextLine::CursorOnCharacter);
      onCharacter = local.x() >= line.x() && local.x() < line.x() + line.naturalTextWidth() &&
                    column < line.textStart() + line.textLength();
      viewPosition = block.position() + column;
      break;
    }
  }
  if (overText != nullptr) *overText = onCharacter;
  return OffsetFromViewPosition(viewPosition);
}

// ---- Hits ------------------------------------------------------------------------

void TResultView::JumpToNextHit(int32_t offset) {
  if (const auto target = NextHitCaret(hits_, offset)) SetCaretOffset(*target);
}

void TResultView::JumpToPreviousHit(int32_t offset) {
  if (const auto target = PreviousHitCaret(hits_, offset)) SetCaretOffset(*target);
}

// ---- Colouring -------------------------------------------------------------------

void TResultView::paintEvent(QPaintEvent* event) {
  FormatVisibleBlocks();
  QPlainTextEdit::paintEvent(event);
}

// Gives every block on screen that has not had them yet the formats of its
// title and file-name characters. Bold text may wrap differently, so each
// block is laid out again with its formats before the next one is placed.
void TResultView::FormatVisibleBlocks() {
  if ((!colored_ || kinds_.empty()) && wordMarks_.empty()) return;
  static const QTextCharFormat titleFormat = TitleFormat();
  static const QTextCharFormat uriFormat = UriFormat();

  QTextBlock block = firstVisibleBlock();
  qreal top = contentOffset().y();
  const qreal bottom = viewport()->height();
  int number = block.isValid() ? block.blockNumber() : 0;
  while (block.isValid() && top <= bottom) {
    const auto index = static_cast<size_t>(number);
    if (index < blockFormatted_.size() && index + 1 < lineStarts_.size() &&
        !blockFormatted_[index]) {
      blockFormatted_[index] = 1;
      const size_t start = static_cast<size_t>(lineStarts_[index]);
      const size_t length = static_cast<size_t>(lineStarts_[index + 1] - lineStarts_[index] - 2);
      const size_t end = colored_ ? std::min(start + length, kinds_.size()) : start;
      QList<QTextLayout::FormatRange> ranges;
      AddWordMarkFormats(block, ranges);
      for (size_t i = start; i < end;) {
        const uint8_t kind = kinds_[i];
        size_t j = i + 1;
        while (j < end && kinds_[j] == kind) ++j;
        if (kind == CharKindTitle || kind == CharKindUri) {
          ranges.append(QTextLayout::FormatRange{static_cast<int>(i - start),
                                                 static_cast<int>(j - i),
                                                 kind == CharKindTitle ? titleFormat : uriFormat});
        }
        i = j;
      }
      if (!ranges.isEmpty()) {
        block.layout()->setFormats(ranges);
        document()->markContentsDirty(block.position(), block.length());
      }
    }
    top += blockBoundingRect(block).height();
    block = block.next();
    ++number;
  }
}

// ---- Word marks ------------------------------------------------------------------

void TResultView::SetWordMarks(const std::vector<TCharRange>& offsets) {
  wordMarks_.clear();
  wordMarks_.reserve(offsets.size());
  for (const TCharRange& range : offsets) {
    const int start = ViewPositionFromOffset(static_cast<int32_t>(range.Start));
    const int end = ViewPositionFromOffset(static_cast<int32_t>(range.End));
    if (end > start) wordMarks_.push_back(TCharRange{start, end});
  }
}

void TResultView::AddWordMarkFormats(const QTextBlock& block,
                                     QList<QTextLayout::FormatRange>& ranges) const {
  if (wordMarks_.empty()) return;
  static const QTextCharFormat markFormat = [] {
    QTextCharFormat format;
    format.setBackground(QColor(0xFF, 0xE0, 0x80));
    return format;
  }();
  const int64_t blockStart = block.position();
  const int64_t blockEnd = blockStart + block.length() - 1;
  // The first mark that ends inside or after the block.
  auto it = std::lower_bound(wordMarks_.begin(), wordMarks_.end(), blockStart,
                             [](const TCharRange& mark, int64_t at) { return mark.End <= at; });
  for (; it != wordMarks_.end() && it->Start < blockEnd; ++it) {
    const int64_t start = std::max(it->Start, blockStart);
    const int64_t end = std::min(it->End, blockEnd);
    ranges.append(QTextLayout::FormatRange{static_cast<int>(start - blockStart),
                                           static_cast<int>(end - start), markFormat});
  }
}

// ---- Mouse -----------------------------------------------------------------------

// Takes the offset under the pointer and shows the hand over hit text.
// Returns whether the hand is shown.
bool TResultView::UpdatePointer(const QPoint& viewportPoint) {
  bool hand = false;
  if (kinds_.size() >= 2) {
    bool overText = false;
    lastMouseCharPos_ = CharOffsetAt(viewportPoint, &overText);
    hand = overText && lastMouseCharPos_ >= 0 &&
           static_cast<size_t>(lastMouseCharPos_) < kinds_.size() &&
           kinds_[static_cast<size_t>(lastMouseCharPos_)] != 0;
  }
  // Set every time: the base class puts its own pointer back when the
  // pointer moves to another block.
  viewport()->setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
  handShown_ = hand;
  return hand;
}

void TResultView::mouseMoveEvent(QMouseEvent* event) {
  QPlainTextEdit::mouseMoveEvent(event);
  UpdatePointer(event->position().toPoint());
}

void TResultView::mousePressEvent(QMouseEvent* event) {
  // The position is taken again here: the text may have scrolled under a
  // pointer that has not moved since.
  const bool opens = event->button() == Qt::LeftButton && !textCursor().hasSelection() &&
                     UpdatePointer(event->position().toPoint());
  const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
  if (opens && shift) {
    // Shift opens the hit elsewhere; it must not also extend a selection.
    QMouseEvent plain(event->type(), event->position(), event->scenePosition(),
                      event->globalPosition(), event->button(), event->buttons(),
                      event->modifiers() & ~Qt::ShiftModifier, event->pointingDevice());
    QPlainTextEdit::mousePressEvent(&plain);
    event->setAccepted(plain.isAccepted());
  } else {
    QPlainTextEdit::mousePressEvent(event);
  }
  if (opens) emit OpenHitRequested(lastMouseCharPos_, !shift);
}

void TResultView::scrollContentsBy(int dx, int dy) {
  QPlainTextEdit::scrollContentsBy(dx, dy);
  if (viewport()->underMouse()) UpdatePointer(viewport()->mapFromGlobal(QCursor::pos()));
}

// ---- Keys ------------------------------------------------------------------------

void TResultView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const bool shift = modifiers.testFlag(Qt::ShiftModifier);
  const bool plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  const QString typed = event->text();
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    emit EscapePressed();
    return;
  }
  if (plain) {
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        event->accept();
        emit OpenHitRequested(CaretOffset(), !shift);
        return;
      case Qt::Key_Space:
        event->accept();
        if (shift) {
          PageUp();
        } else {
          PageDown();
        }
        return;
      case Qt::Key_Backspace:
        event->accept();
        PageUp();
        return;
      default:
        break;
    }
    if (typed == QLatin1String("n") || typed == QLatin1String("N")) {
      event->accept();
      JumpToNextHit(CaretOffset());
      return;
    }
    if (typed == QLatin1String("p") || typed == QLatin1String("P")) {
      event->accept();
      JumpToPreviousHit(CaretOffset());
      return;
    }
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TResultView::PageDown() {
  // The end is on screen when nothing is left to scroll or when the lower
  // right corner of the view lies on (or below) the end of the text.
  QScrollBar* bar = verticalScrollBar();
  const QPoint corner(viewport()->width() - 1, viewport()->height() - 1);
  if (bar->value() >= bar->maximum() ||
      cursorForPosition(corner).position() >= document()->characterCount() - 1) {
    QApplication::beep();
    return;
  }
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  MoveCaretToFirstVisibleLine();
}

void TResultView::PageUp() {
  QScrollBar* bar = verticalScrollBar();
  // Nothing above and the caret already at the start. A caret at the start
  // of a list scrolled down by other means still pages up.
  if (bar->value() <= bar->minimum() && CaretOffset() == 0) {
    QApplication::beep();
    return;
  }
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  MoveCaretToFirstVisibleLine();
}

void TResultView::MoveCaretToFirstVisibleLine() {
  QTextBlock block = firstVisibleBlock();
  qreal top = contentOffset().y();
  const qreal bottom = viewport()->height();
  int position = block.isValid() ? block.position() : 0;
  bool found = false;
  while (block.isValid() && top <= bottom && !found) {
    const QRectF rect = blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    for (int i = 0; layout != nullptr && i < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      if (top + layout->position().y() + line.y() >= 0) {
        position = block.position() + line.textStart();
        found = true;
        break;
      }
    }
    top += rect.height();
    block = block.next();
  }
  QTextCursor cursor(document());
  cursor.setPosition(position);
  setTextCursor(cursor);
}

}  // namespace tavirel
