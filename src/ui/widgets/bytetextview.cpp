#include "ui/widgets/bytetextview.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLine>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "ui/widgets/bytetextview_access.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

constexpr int kMarginLeft = 4;
constexpr int kMarginRight = 4;
constexpr int kMarginTop = 2;
constexpr int kMarginBottom = 2;
// The cache of laid-out pieces is trimmed to those on screen (and a few
// around them) when it holds more pieces or characters than this.
constexpr size_t kLayoutCachePieces = 256;
constexpr int64_t kLayoutCacheChars = 128 * 1024;
constexpr int kLayoutCacheMargin = 16;

}  // namespace

TByteTextView::TByteTextView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::ArrowCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(false);
  dragTimer_.setInterval(50);
  connect(&dragTimer_, &QTimer::timeout, this, [this] { DragTo(lastDragPoint_); });
  connect(&blinkTimer_, &QTimer::timeout, this, [this] {
    caretShown_ = !caretShown_;
    viewport()->update();
  });
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (settingScrollBar_) return;
    top_ = RowPos{value, 0};
    SetTop(top_);
  });
  UpdateScrollBar();
  AttachByteTextAccessible(this);
}

TByteTextView::~TByteTextView() = default;

void TByteTextView::SetBytes(std::string bytes, TResultText::Coding coding) {
  // The old text's memory is freed first: assigning a short text to a long
  // one would keep the long one's buffer.
  { const TResultText old = std::move(text_); }
  text_ = TResultText(std::move(bytes), coding);
  cutsKnown_ = false;
  cuts_.clear();
  ByteTextReplaced(this);
  ResetView();
}

void TByteTextView::ResetView() {
  DropLayouts();
  top_ = RowPos{};
  caret_ = anchor_ = 0;
  desiredX_ = -1;
  selecting_ = false;
  dragTimer_.stop();
  UpdateScrollBar();
  emit CaretMoved();
  viewport()->update();
}

QList<QTextLayout::FormatRange> TByteTextView::FormatsOf(const ResultLine&) const { return {}; }

void TByteTextView::PaintPieceBackground(QPainter&, const ResultLine&, qreal, qreal) {}

bool TByteTextView::UpdatePointer(const QPoint&) { return false; }

void TByteTextView::LinkPressed(QMouseEvent*) {}

QString TByteTextView::ReaderAttributes(int32_t, int32_t*, int32_t*) const { return {}; }

bool TByteTextView::ClipToPiece(int64_t start, int64_t end, const ResultLine& piece, int* from,
                                int* length) {
  const int64_t first = std::max<int64_t>(start, piece.Offset);
  const int64_t last = std::min<int64_t>(end, int64_t{piece.Offset} + piece.Chars);
  if (last <= first) return false;
  *from = static_cast<int>(first - piece.Offset);
  *length = static_cast<int>(last - first);
  return true;
}

void TByteTextView::FormatsChanged() {
  DropLayouts();
  viewport()->update();
}

// ---- Text ------------------------------------------------------------------------

// Decoded so that every character the text counts becomes exactly one QChar
// (two for UTF-8 beyond the BMP); a character without a Unicode form
// becomes U+FFFD.
QString TByteTextView::PieceText(const ResultLine& piece) const {
  const std::string_view bytes = text_.PieceBytes(piece);
  const bool utf8 = text_.TextCoding() == TResultText::Coding::Utf8;
  auto decode = [utf8](std::string_view part) {
    return utf8 ? QString::fromUtf8(part.data(), static_cast<qsizetype>(part.size()))
                : SjisToQString(part);
  };
  QString decoded = decode(bytes);
  if (decoded.size() == piece.Chars) return decoded;
  decoded.clear();
  decoded.reserve(piece.Chars);
  for (size_t i = 0; i < bytes.size();) {
    int counted = 1;
    const size_t length = text_.CharLength(piece.Begin + i, &counted);
    QString one = decode(bytes.substr(i, length));
    if (one.size() != counted) {
      // A byte a decoder only judges by the one after it (a lead byte
      // without its trail byte): decoded before a blank, as in the text.
      one = decode(std::string(bytes.substr(i, length)) + ' ');
      one = one.size() == counted + 1 ? one.left(counted)
                                      : QString(counted, QChar(QChar::ReplacementCharacter));
    }
    decoded += one;
    i += length;
  }
  return decoded;
}

QString TByteTextView::TextOf(int32_t first, int32_t end) const {
  QString out;
  if (end <= first || text_.PieceCount() == 0) return out;
  ResultLine piece;
  text_.PieceAt(first, &piece);
  do {
    if (piece.Offset >= end) break;
    int from = 0;
    int length = 0;
    if (ClipToPiece(first, end, piece, &from, &length)) out += PieceText(piece).mid(from, length);
    // The line break, when the range goes past it.
    if (piece.EndsLine && piece.Offset + piece.Chars >= first &&
        piece.Offset + piece.Chars < end && piece.NextOffset < text_.CharCount()) {
      out += QChar(u'\n');
    }
  } while (text_.NextPiece(piece));
  return out;
}

QString TByteTextView::Text() const { return TextOf(0, text_.CharCount()); }

QString TByteTextView::SelectedText() const {
  return TextOf(std::min(anchor_, caret_), std::max(anchor_, caret_));
}

void TByteTextView::SetSelection(int32_t anchor, int32_t caret) {
  const int32_t last = std::max(0, text_.CharCount() - 2);
  anchor_ = std::clamp(anchor, 0, last);
  MoveCaret(caret, true);
}

void TByteTextView::SelectAll() { SetSelection(0, text_.CharCount()); }

void TByteTextView::Copy() const {
  if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

// ---- Lines -----------------------------------------------------------------------

const std::vector<int>& TByteTextView::Cuts() const {
  if (!cutsKnown_) {
    if (text_.PieceCount() > 0) {
      ResultLine line = text_.Piece(0);
      int index = 0;
      do {
        if (!line.EndsLine) cuts_.push_back(index);
        ++index;
      } while (text_.NextPiece(line));
    }
    cutsKnown_ = true;
  }
  return cuts_;
}

int TByteTextView::LinesBefore(int piece) const {
  const std::vector<int>& cuts = Cuts();
  return piece - static_cast<int>(std::lower_bound(cuts.begin(), cuts.end(), piece) - cuts.begin());
}

int TByteTextView::LineOf(int32_t offset) const {
  return text_.PieceCount() == 0 ? 0 : LinesBefore(text_.PieceAt(offset));
}

int32_t TByteTextView::LineStart(int line) const {
  if (line <= 0 || text_.PieceCount() == 0) return 0;
  // Line `line` begins at the piece after its line-th break: every piece
  // cut before it adds one.
  int piece = line;
  for (const int cut : Cuts()) {
    if (cut >= piece) break;
    ++piece;
  }
  if (piece >= text_.PieceCount()) return std::max(0, text_.CharCount() - 2);
  return text_.Piece(piece).Offset;
}

std::vector<TByteTextView::ShownFormat> TByteTextView::FormatsOnScreen() const {
  std::vector<ShownFormat> out;
  for (int index = top_.piece; index <= lastPaintedPiece_; ++index) {
    const auto it = layouts_.find(index);
    if (it == layouts_.end()) continue;
    const int32_t base = it->second->piece.Offset;
    for (const QTextLayout::FormatRange& range : it->second->layout.formats()) {
      out.push_back(ShownFormat{base + range.start, base + range.start + range.length,
                                range.format});
    }
  }
  return out;
}

// ---- Layout ----------------------------------------------------------------------

const TByteTextView::PieceLayout& TByteTextView::LayoutOf(int index,
                                                          const ResultLine* piece) const {
  auto it = layouts_.find(index);
  if (it != layouts_.end()) return *it->second;
  auto made = std::make_unique<PieceLayout>();
  made->piece = piece != nullptr ? *piece : text_.Piece(index);
  QTextLayout& layout = made->layout;
  layout.setText(PieceText(made->piece));
  layout.setFont(font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.setFormats(FormatsOf(made->piece));
  layout.setCacheEnabled(true);
  layout.beginLayout();
  qreal height = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(layoutWidth_);
    line.setPosition(QPointF(0, height));
    height += line.height();
  }
  layout.endLayout();
  made->height = std::max<qreal>(height, 1);
  cachedChars_ += made->piece.Chars;
  return *layouts_.emplace(index, std::move(made)).first->second;
}

void TByteTextView::DropLayouts() {
  layouts_.clear();
  cachedChars_ = 0;
  layoutWidth_ = std::max(1, viewport()->width() - kMarginLeft - kMarginRight);
  maxTopKnown_ = false;
}

int TByteTextView::RowsOf(int piece) const {
  return std::max(1, LayoutOf(piece).layout.lineCount());
}

qreal TByteTextView::RowHeight(RowPos pos) const {
  const QTextLayout& layout = LayoutOf(pos.piece).layout;
  return pos.row < layout.lineCount() ? layout.lineAt(pos.row).height() : 1;
}

bool TByteTextView::NextRow(RowPos& pos) const {
  if (pos.row + 1 < RowsOf(pos.piece)) {
    ++pos.row;
    return true;
  }
  if (pos.piece + 1 >= text_.PieceCount()) return false;
  pos = RowPos{pos.piece + 1, 0};
  return true;
}

bool TByteTextView::PreviousRow(RowPos& pos) const {
  if (pos.row > 0) {
    --pos.row;
    return true;
  }
  if (pos.piece <= 0) return false;
  pos = RowPos{pos.piece - 1, RowsOf(pos.piece - 1) - 1};
  return true;
}

TByteTextView::RowPos TByteTextView::RowOfOffset(int32_t offset) const {
  ResultLine piece;
  const int index = text_.PieceAt(offset, &piece);
  if (text_.PieceCount() == 0) return RowPos{};
  const QTextLayout& layout = LayoutOf(index, &piece).layout;
  const int local = std::clamp(offset - piece.Offset, 0, piece.Chars);
  const QTextLine line = layout.lineForTextPosition(local);
  return RowPos{index, line.isValid() ? line.lineNumber() : std::max(0, layout.lineCount() - 1)};
}

// ---- Scrolling ---------------------------------------------------------------------

qreal TByteTextView::AvailableHeight() const {
  return std::max(1, viewport()->height() - kMarginTop - kMarginBottom);
}

// The top row that shows `bottom` as the last whole row on screen.
TByteTextView::RowPos TByteTextView::TopForBottomRow(RowPos bottom) const {
  const qreal available = AvailableHeight();
  RowPos top = bottom;
  qreal used = RowHeight(bottom);
  RowPos above = bottom;
  while (PreviousRow(above)) {
    used += RowHeight(above);
    if (used > available) break;
    top = above;
  }
  return top;
}

TByteTextView::RowPos TByteTextView::MaxTop() const {
  if (!maxTopKnown_) {
    maxTop_ = RowPos{};
    if (text_.PieceCount() > 0) {
      const int last = text_.PieceCount() - 1;
      maxTop_ = TopForBottomRow(RowPos{last, RowsOf(last) - 1});
    }
    maxTopKnown_ = true;
  }
  return maxTop_;
}

void TByteTextView::SetTop(RowPos top) {
  top.piece = std::clamp(top.piece, 0, std::max(0, text_.PieceCount() - 1));
  top.row = text_.PieceCount() == 0 ? 0 : std::clamp(top.row, 0, RowsOf(top.piece) - 1);
  top_ = std::min(top, MaxTop());
  UpdateScrollBar();
  viewport()->update();
  if (viewport()->underMouse() && !selecting_) {
    UpdatePointer(viewport()->mapFromGlobal(QCursor::pos()));
  }
}

void TByteTextView::ScrollRows(int rows) {
  RowPos top = top_;
  for (; rows > 0 && top < MaxTop() && NextRow(top); --rows) {
  }
  for (; rows < 0 && PreviousRow(top); ++rows) {
  }
  SetTop(top);
}

void TByteTextView::UpdateScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  settingScrollBar_ = true;
  const int lineHeight = std::max(1, fontMetrics().lineSpacing());
  bar->setRange(0, MaxTop().piece);
  bar->setPageStep(std::max(1, static_cast<int>(AvailableHeight()) / lineHeight));
  bar->setSingleStep(1);
  bar->setValue(top_.piece);
  settingScrollBar_ = false;
}

void TByteTextView::scrollContentsBy(int, int) { viewport()->update(); }

void TByteTextView::wheelEvent(QWheelEvent* event) {
  // Three rows a notch; small steps of a touchpad add up.
  wheelDelta_ += event->angleDelta().y();
  const int steps = wheelDelta_ / 40;
  wheelDelta_ -= steps * 40;
  if (steps != 0) ScrollRows(-steps);
  event->accept();
}

void TByteTextView::EnsureCaretVisible() {
  const RowPos caret = RowOfOffset(caret_);
  if (caret < top_) {
    SetTop(caret);
    return;
  }
  // Below the top: on screen when its row ends above the bottom edge.
  const qreal available = AvailableHeight();
  qreal y = 0;
  RowPos pos = top_;
  while (true) {
    y += RowHeight(pos);
    if (y > available) break;
    if (pos == caret) return;
    if (!NextRow(pos)) return;
  }
  SetTop(TopForBottomRow(caret));
}

void TByteTextView::CenterCaret() {
  if (text_.PieceCount() == 0) return;
  RowPos top = RowOfOffset(caret_);
  qreal used = RowHeight(top);
  const qreal half = AvailableHeight() / 2;
  for (RowPos above = top; PreviousRow(above);) {
    used += RowHeight(above);
    if (used > half) break;
    top = above;
  }
  SetTop(top);
}

void TByteTextView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const qreal width = std::max(1, viewport()->width() - kMarginLeft - kMarginRight);
  if (width != layoutWidth_) {
    DropLayouts();
  } else {
    maxTopKnown_ = false;
  }
  SetTop(top_);
}

void TByteTextView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    DropLayouts();
    SetTop(top_);
  }
}

// ---- Painting ----------------------------------------------------------------------

void TByteTextView::paintEvent(QPaintEvent* event) {
  if (layouts_.size() > kLayoutCachePieces || cachedChars_ > kLayoutCacheChars) {
    // Keep what was on screen last time and a little around it; the rest is
    // laid out again when needed.
    const int first = top_.piece - kLayoutCacheMargin;
    const int last = std::max(top_.piece, lastPaintedPiece_) + kLayoutCacheMargin;
    for (auto it = layouts_.begin(); it != layouts_.end();) {
      if (it->first < first || it->first > last) {
        cachedChars_ -= it->second->piece.Chars;
        it = layouts_.erase(it);
      } else {
        ++it;
      }
    }
  }
  QPainter painter(viewport());
  const QPalette& pal = palette();
  painter.fillRect(event->rect(), pal.base());
  painter.setPen(pal.text().color());
  if (text_.PieceCount() == 0) return;

  const int32_t selStart = std::min(anchor_, caret_);
  const int32_t selEnd = std::max(anchor_, caret_);
  QTextCharFormat selectionFormat;
  selectionFormat.setBackground(pal.highlight());
  selectionFormat.setForeground(pal.highlightedText());
  const bool drawCaret = hasFocus() && caretShown_ && !HasSelection();

  const qreal bottom = viewport()->height();
  qreal y = kMarginTop;
  ResultLine piece = text_.Piece(top_.piece);
  for (int index = top_.piece; index < text_.PieceCount() && y < bottom; ++index) {
    if (index > top_.piece && !text_.NextPiece(piece)) break;
    const PieceLayout& laid = LayoutOf(index, &piece);
    const QTextLayout& layout = laid.layout;
    const int firstRow = index == top_.piece ? std::min(top_.row, layout.lineCount() - 1) : 0;
    const qreal shift = y - (firstRow > 0 ? layout.lineAt(firstRow).y() : 0);
    const QPointF origin(kMarginLeft, shift);

    PaintPieceBackground(painter, piece, std::max(y, shift), shift + laid.height);
    QList<QTextLayout::FormatRange> selections;
    int from = 0;
    int length = 0;
    if (ClipToPiece(selStart, selEnd, piece, &from, &length)) {
      selections.append(QTextLayout::FormatRange{from, length, selectionFormat});
    }
    layout.draw(&painter, origin, selections);
    // A selected line break shows as a blank's width of highlight at the
    // end of the line, so that selected empty lines can be seen.
    const int32_t lineEnd = piece.Offset + piece.Chars;
    if (piece.EndsLine && selStart <= lineEnd && selEnd > lineEnd && layout.lineCount() > 0) {
      const QTextLine last = layout.lineAt(layout.lineCount() - 1);
      painter.fillRect(QRectF(kMarginLeft + last.x() + last.naturalTextWidth(), shift + last.y(),
                              fontMetrics().horizontalAdvance(QLatin1Char(' ')), last.height()),
                       pal.highlight());
    }
    if (drawCaret && caret_ >= piece.Offset &&
        (caret_ < piece.Offset + piece.Chars ||
         (caret_ == piece.Offset + piece.Chars && (piece.EndsLine || index + 1 == text_.PieceCount())))) {
      layout.drawCursor(&painter, origin, caret_ - piece.Offset, 1);
    }
    y = shift + laid.height;
    lastPaintedPiece_ = index;
  }
}

// ---- Positions ---------------------------------------------------------------------

TByteTextView::RowPos TByteTextView::RowAtY(qreal y, qreal* rowTop, bool* belowText) const {
  RowPos pos = top_;
  qreal top = kMarginTop;
  *belowText = false;
  while (true) {
    const qreal height = RowHeight(pos);
    if (y < top + height) break;
    RowPos next = pos;
    if (!NextRow(next)) {
      *belowText = true;
      break;
    }
    top += height;
    pos = next;
  }
  *rowTop = top;
  return pos;
}

int32_t TByteTextView::CharOffsetAt(const QPoint& viewportPoint, bool* overText) const {
  return OffsetAt(viewportPoint, QTextLine::CursorOnCharacter, overText);
}

int32_t TByteTextView::CaretOffsetAt(const QPoint& viewportPoint) const {
  return OffsetAt(viewportPoint, QTextLine::CursorBetweenCharacters, nullptr);
}

int32_t TByteTextView::OffsetAt(const QPoint& viewportPoint, int mode, bool* overText) const {
  if (overText != nullptr) *overText = false;
  if (text_.PieceCount() == 0) return 0;
  qreal rowTop = 0;
  bool below = false;
  const RowPos pos = RowAtY(viewportPoint.y(), &rowTop, &below);
  const PieceLayout& laid = LayoutOf(pos.piece);
  const QTextLine line = laid.layout.lineAt(pos.row);
  const qreal x = viewportPoint.x() - kMarginLeft;
  const int column = line.xToCursor(x, static_cast<QTextLine::CursorPosition>(mode));
  if (overText != nullptr) {
    *overText = !below && viewportPoint.y() >= kMarginTop && x >= line.x() &&
                x < line.x() + line.naturalTextWidth() &&
                column < line.textStart() + line.textLength();
  }
  if (below) return laid.piece.Offset + line.textStart() + line.textLength();
  return laid.piece.Offset + column;
}

QRect TByteTextView::CaretRect(int32_t offset) const {
  if (text_.PieceCount() == 0) return QRect();
  const RowPos target = RowOfOffset(offset);
  if (target < top_) return QRect();
  qreal y = kMarginTop;
  for (RowPos pos = top_; y < viewport()->height();) {
    if (pos == target) {
      const PieceLayout& laid = LayoutOf(pos.piece);
      const QTextLine line = laid.layout.lineAt(pos.row);
      const int local = std::clamp(offset - laid.piece.Offset, 0, laid.piece.Chars);
      const qreal x = kMarginLeft + line.cursorToX(local);
      return QRectF(x, y, 1, line.height()).toAlignedRect();
    }
    y += RowHeight(pos);
    if (!NextRow(pos)) break;
  }
  return QRect();
}

int32_t TByteTextView::FirstVisibleOffset() const {
  if (text_.PieceCount() == 0) return 0;
  const PieceLayout& laid = LayoutOf(top_.piece);
  return laid.piece.Offset + laid.layout.lineAt(top_.row).textStart();
}

// ---- Caret ---------------------------------------------------------------------------

void TByteTextView::MoveCaret(int32_t offset, bool select) {
  // A caret inside a line break goes to the end of its line.
  ResultLine piece;
  text_.PieceAt(std::max(0, offset), &piece);
  offset = std::clamp(offset, piece.Offset, piece.Offset + piece.Chars);
  caret_ = offset;
  if (!select) anchor_ = offset;
  RestartBlink();
  emit CaretMoved();
  viewport()->update();
}

void TByteTextView::SetCaretOffset(int32_t offset) {
  desiredX_ = -1;
  MoveCaret(offset, false);
  EnsureCaretVisible();
}

int32_t TByteTextView::PreviousCaret(int32_t offset) const {
  ResultLine piece;
  const int index = text_.PieceAt(offset, &piece);
  if (offset > piece.Offset || index == 0) return std::max(0, offset - 1);
  const ResultLine before = text_.Piece(index - 1);
  return before.EndsLine ? before.Offset + before.Chars : offset - 1;
}

int32_t TByteTextView::NextCaret(int32_t offset) const {
  ResultLine piece;
  const int index = text_.PieceAt(offset, &piece);
  if (piece.EndsLine && offset >= piece.Offset + piece.Chars) {
    return index + 1 < text_.PieceCount() ? piece.NextOffset : offset;
  }
  return offset + 1;
}

int32_t TByteTextView::VerticalCaret(int32_t offset, int rows) const {
  RowPos pos = RowOfOffset(offset);
  for (; rows > 0 && NextRow(pos); --rows) {
  }
  for (; rows < 0 && PreviousRow(pos); ++rows) {
  }
  const PieceLayout& laid = LayoutOf(pos.piece);
  const QTextLine line = laid.layout.lineAt(pos.row);
  int column = line.xToCursor(desiredX_);
  // A row that wraps: its end is the start of the next row, so stop before it.
  if (pos.row + 1 < laid.layout.lineCount() && column >= line.textStart() + line.textLength()) {
    column = line.textStart() + line.textLength() - 1;
  }
  return laid.piece.Offset + column;
}

int32_t TByteTextView::RowEdge(int32_t offset, bool end) const {
  const RowPos pos = RowOfOffset(offset);
  const PieceLayout& laid = LayoutOf(pos.piece);
  const QTextLine line = laid.layout.lineAt(pos.row);
  if (!end) return laid.piece.Offset + line.textStart();
  const bool lastRow = pos.row + 1 >= laid.layout.lineCount();
  return laid.piece.Offset + line.textStart() + line.textLength() - (lastRow ? 0 : 1);
}

void TByteTextView::RestartBlink() {
  caretShown_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blinkTimer_.start(flash / 2);
  } else {
    blinkTimer_.stop();
  }
}

void TByteTextView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  viewport()->update();
}

void TByteTextView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blinkTimer_.stop();
  viewport()->update();
}

void TByteTextView::SelectWordAt(int32_t at) {
  ResultLine piece;
  text_.PieceAt(at, &piece);
  const QString text = PieceText(piece);
  int first = std::clamp(at - piece.Offset, 0, piece.Chars);
  int last = first;
  while (first > 0 && !text.at(first - 1).isSpace()) --first;
  while (last < text.size() && !text.at(last).isSpace()) ++last;
  anchor_ = piece.Offset + first;
  MoveCaret(piece.Offset + last, true);
  selecting_ = false;
}

// ---- Mouse -----------------------------------------------------------------------

void TByteTextView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (selecting_ && (event->buttons() & Qt::LeftButton)) {
    DragTo(point);
    if (viewport()->rect().contains(point)) {
      dragTimer_.stop();
    } else if (!dragTimer_.isActive()) {
      dragTimer_.start();
    }
    return;
  }
  UpdatePointer(point);
}

void TByteTextView::DragTo(const QPoint& viewportPoint) {
  lastDragPoint_ = viewportPoint;
  if (viewportPoint.y() < 0) {
    ScrollRows(-1);
  } else if (viewportPoint.y() >= viewport()->height()) {
    ScrollRows(1);
  }
  const QPoint inside(viewportPoint.x(), std::clamp(viewportPoint.y(), 0, viewport()->height() - 1));
  desiredX_ = -1;
  MoveCaret(CaretOffsetAt(inside), true);
}

void TByteTextView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  // The position is taken again here: the text may have scrolled under a
  // pointer that has not moved since.
  const bool link = !HasSelection() && UpdatePointer(event->position().toPoint());
  const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
  desiredX_ = -1;
  // Shift extends the selection, unless the click opens a link elsewhere.
  MoveCaret(CaretOffsetAt(event->position().toPoint()), shift && !link);
  selecting_ = true;
  lastDragPoint_ = event->position().toPoint();
  event->accept();
  if (link) LinkPressed(event);
}

void TByteTextView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    selecting_ = false;
    dragTimer_.stop();
  }
  QAbstractScrollArea::mouseReleaseEvent(event);
}

void TByteTextView::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  SelectWordAt(CharOffsetAt(event->position().toPoint()));
}

// ---- Keys ------------------------------------------------------------------------

void TByteTextView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const bool shift = modifiers.testFlag(Qt::ShiftModifier);
  const bool control = modifiers.testFlag(Qt::ControlModifier);
  event->accept();
  if (event == QKeySequence::Copy) {
    Copy();
    return;
  }
  if (event == QKeySequence::SelectAll) {
    SelectAll();
    return;
  }
  if (modifiers & (Qt::AltModifier | Qt::MetaModifier)) {
    event->ignore();
    return;
  }
  // The keys that move the caret; Shift extends the selection.
  const bool vertical = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
  if (vertical && desiredX_ < 0) {
    const QRect rect = CaretRect(caret_);
    const RowPos row = RowOfOffset(caret_);
    const PieceLayout& laid = LayoutOf(row.piece);
    desiredX_ = rect.isValid() ? rect.x() - kMarginLeft
                               : laid.layout.lineAt(row.row).cursorToX(caret_ - laid.piece.Offset);
  }
  int32_t target = caret_;
  switch (event->key()) {
    case Qt::Key_Left: target = PreviousCaret(caret_); break;
    case Qt::Key_Right: target = NextCaret(caret_); break;
    case Qt::Key_Up: target = VerticalCaret(caret_, -1); break;
    case Qt::Key_Down: target = VerticalCaret(caret_, 1); break;
    case Qt::Key_Home: target = control ? 0 : RowEdge(caret_, false); break;
    case Qt::Key_End:
      target = control ? std::max(0, text_.CharCount() - 2) : RowEdge(caret_, true);
      break;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
      const int32_t anchor = HasSelection() ? anchor_ : caret_;
      PageStep(event->key() == Qt::Key_PageDown);
      if (shift) anchor_ = anchor;
      viewport()->update();
      return;
    }
    default:
      event->ignore();
      return;
  }
  if (!vertical) desiredX_ = -1;
  const int32_t anchor = anchor_;
  MoveCaret(target, shift);
  if (shift) anchor_ = anchor;
  EnsureCaretVisible();
}

bool TByteTextView::PageStep(bool down) {
  if (text_.PieceCount() == 0) return false;
  const qreal available = AvailableHeight();
  RowPos top = top_;
  if (down) {
    // The first row not wholly on screen becomes the top one.
    if (top_ >= MaxTop()) return false;
    qreal used = 0;
    RowPos pos = top_;
    do {
      used += RowHeight(pos);
      if (used > available) break;
    } while (NextRow(pos));
    top = pos;
    if (top == top_) NextRow(top);
  } else {
    // The rows above that fit on screen, so that the old top row comes
    // just below the bottom edge.
    qreal used = 0;
    RowPos pos = top_;
    while (PreviousRow(pos)) {
      used += RowHeight(pos);
      if (used > available && top != top_) break;
      top = pos;
    }
  }
  SetTop(top);
  MoveCaretToFirstVisibleLine();
  return true;
}

void TByteTextView::ScrollToRow(int32_t offset, int rowsBelow) {
  if (text_.PieceCount() == 0) return;
  RowPos pos = RowOfOffset(offset);
  for (; rowsBelow > 0 && NextRow(pos); --rowsBelow) {
  }
  SetTop(pos);
  const PieceLayout& laid = LayoutOf(pos.piece);
  desiredX_ = -1;
  MoveCaret(laid.piece.Offset + laid.layout.lineAt(pos.row).textStart(), false);
}

void TByteTextView::MoveCaretToFirstVisibleLine() {
  desiredX_ = -1;
  MoveCaret(FirstVisibleOffset(), false);
}

}  // namespace tavirel
