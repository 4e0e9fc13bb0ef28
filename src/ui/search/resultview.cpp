#include "ui/search/resultview.h"

#include <QApplication>
#include <QClipboard>
#include <QColor>
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

#include "core/process/ucommon.h"
#include "core/search/hitnames.h"
#include "core/search/searchcmd.h"
#include "platform/platform.h"
#include "ui/search/resultview_access.h"
#include "ui/widgets/msgbox.h"
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

// A piece decoded so that every character of the result text becomes exactly
// one QChar; a character without a Unicode form becomes U+FFFD.
QString DecodePiece(std::string_view bytes, int32_t chars) {
  QString decoded = SjisToQString(bytes);
  if (decoded.size() == chars) return decoded;
  decoded.clear();
  decoded.reserve(chars);
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = ResultCharLength(bytes, i);
    const QString one = SjisToQString(bytes.substr(i, length));
    decoded.append(one.size() == 1 ? one.at(0) : QChar(QChar::ReplacementCharacter));
    i += length;
  }
  return decoded;
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

QTextCharFormat WordMarkFormat() {
  QTextCharFormat format;
  format.setBackground(QColor(0xFF, 0xE0, 0x80));
  return format;
}

// The part of [start, end) that falls in the piece, in the piece's characters.
bool Clip(int64_t start, int64_t end, const ResultLine& piece, int* from, int* length) {
  const int64_t first = std::max<int64_t>(start, piece.Offset);
  const int64_t last = std::min<int64_t>(end, int64_t{piece.Offset} + piece.Chars);
  if (last <= first) return false;
  *from = static_cast<int>(first - piece.Offset);
  *length = static_cast<int>(last - first);
  return true;
}

}  // namespace

TResultView::TResultView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("edtResult"));
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
  // The hit that Enter at the caret would open is marked.
  connect(this, &TResultView::CaretMoved, this, [this] {
    MarkCurrentHit(hits_.empty() ? -1 : FindHitAt(hits_, caret_));
  });
  UpdateScrollBar();
  AttachResultViewAccessible(this);
}

TResultView::~TResultView() = default;

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

  bytes = ReadableIndexLines(std::move(bytes));
  if (fileNamesEncoded) {
    bytes = ReadableResultText(bytes, fileNameBlankLineNext, fileNameSpaceFromEnd);
  }
  ResultHitList found = FindResultHits(bytes, fileNameBlankLineNext, fileNameSpaceFromEnd);
  std::vector<TCharRange> marks;
  if (!searchWords_.empty() && !found.Hits.empty()) {
    marks = FindWordsInSummaries(bytes, found.Hits, TWordFinder(searchWords_));
  }
  LoadText(std::move(bytes), std::move(found.Hits), colored, std::move(marks));
  return found.Found;
}

bool TResultView::ShowResultFile(const std::string& path, const TSettings& settings,
                                 bool colored) {
  return ShowResultFile(path, SettingsInt(settings.FileNameBlankLineNext, 0),
                        SettingsInt(settings.FileNameSpaceFromEnd, 0), colored);
}

void TResultView::ClearResults() { LoadText(std::string(), {}, false, {}); }

void TResultView::SetMessageText(const QString& text) {
  LoadText(QStringToSjisLossy(text), {}, false, {});
}

void TResultView::LoadText(std::string bytes, std::vector<SearchHit> hits, bool colored,
                           std::vector<TCharRange> marks) {
  text_ = TResultText(std::move(bytes));
  hits_ = std::move(hits);
  colored_ = colored;
  wordMarks_ = std::move(marks);
  lastMouseCharPos_ = 0;
  ResultViewTextReplaced(this);
  ResetView();
}

void TResultView::ResetView() {
  DropLayouts();
  top_ = RowPos{};
  caret_ = anchor_ = 0;
  desiredX_ = -1;
  selecting_ = false;
  dragTimer_.stop();
  markedHit_ = -1;
  markStart_ = markEnd_ = -1;
  handShown_ = false;
  viewport()->setCursor(Qt::ArrowCursor);
  UpdateScrollBar();
  emit CaretMoved();
  viewport()->update();
}

uint8_t TResultView::ResultCharKind(int32_t offset) const {
  // The last hit whose title begins at or before the offset; its file name
  // lies between its title and the next hit's.
  const auto after = std::upper_bound(hits_.begin(), hits_.end(), offset,
                                      [](int32_t at, const SearchHit& hit) {
                                        return at < hit.TitleStart;
                                      });
  if (after == hits_.begin()) return 0;
  const SearchHit& hit = *(after - 1);
  if (offset <= hit.TitleEnd) return CharKindTitle;
  if (hit.UriEnd > 0 && offset >= hit.UriStart && offset <= hit.UriEnd) return CharKindUri;
  return 0;
}

// ---- Text ------------------------------------------------------------------------

QString TResultView::TextOf(int32_t first, int32_t end) const {
  QString out;
  if (end <= first || text_.PieceCount() == 0) return out;
  ResultLine piece;
  text_.PieceAt(first, &piece);
  do {
    if (piece.Offset >= end) break;
    int from = 0;
    int length = 0;
    if (Clip(first, end, piece, &from, &length)) {
      out += DecodePiece(text_.PieceBytes(piece), piece.Chars).mid(from, length);
    }
    // The line break, when the range goes past it.
    if (piece.EndsLine && piece.Offset + piece.Chars >= first &&
        piece.Offset + piece.Chars < end && piece.NextOffset < text_.CharCount()) {
      out += QChar(u'\n');
    }
  } while (text_.NextPiece(piece));
  return out;
}

QString TResultView::Text() const { return TextOf(0, text_.CharCount()); }

QString TResultView::SelectedText() const {
  return TextOf(std::min(anchor_, caret_), std::max(anchor_, caret_));
}

void TResultView::SetSelection(int32_t anchor, int32_t caret) {
  const int32_t last = std::max(0, text_.CharCount() - 2);
  anchor_ = std::clamp(anchor, 0, last);
  MoveCaret(caret, true);
}

void TResultView::SelectAll() { SetSelection(0, text_.CharCount()); }

void TResultView::Copy() const {
  if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

// ---- Layout ----------------------------------------------------------------------

QList<QTextLayout::FormatRange> TResultView::FormatsOf(const ResultLine& piece) const {
  static const QTextCharFormat titleFormat = TitleFormat();
  static const QTextCharFormat uriFormat = UriFormat();
  static const QTextCharFormat markFormat = WordMarkFormat();
  QList<QTextLayout::FormatRange> ranges;
  const int64_t pieceEnd = int64_t{piece.Offset} + piece.Chars;
  int from = 0;
  int length = 0;
  auto mark = std::lower_bound(wordMarks_.begin(), wordMarks_.end(), int64_t{piece.Offset},
                               [](const TCharRange& range, int64_t at) { return range.End <= at; });
  for (; mark != wordMarks_.end() && mark->Start < pieceEnd; ++mark) {
    if (Clip(mark->Start, mark->End, piece, &from, &length)) {
      ranges.append(QTextLayout::FormatRange{from, length, markFormat});
    }
  }
  if (!colored_) return ranges;
  // Hits from the last one whose title begins at or before the piece.
  auto hit = std::upper_bound(hits_.begin(), hits_.end(), piece.Offset,
                              [](int32_t at, const SearchHit& h) { return at < h.TitleStart; });
  if (hit != hits_.begin()) --hit;
  for (; hit != hits_.end() && hit->TitleStart < pieceEnd; ++hit) {
    if (Clip(hit->TitleStart, int64_t{hit->TitleEnd} + 1, piece, &from, &length)) {
      ranges.append(QTextLayout::FormatRange{from, length, titleFormat});
    }
    if (hit->UriEnd > 0 &&
        Clip(hit->UriStart, int64_t{hit->UriEnd} + 1, piece, &from, &length)) {
      ranges.append(QTextLayout::FormatRange{from, length, uriFormat});
    }
  }
  return ranges;
}

const TResultView::PieceLayout& TResultView::LayoutOf(int index, const ResultLine* piece) const {
  auto it = layouts_.find(index);
  if (it != layouts_.end()) return *it->second;
  auto made = std::make_unique<PieceLayout>();
  made->piece = piece != nullptr ? *piece : text_.Piece(index);
  QTextLayout& layout = made->layout;
  layout.setText(DecodePiece(text_.PieceBytes(made->piece), made->piece.Chars));
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

void TResultView::DropLayouts() {
  layouts_.clear();
  cachedChars_ = 0;
  layoutWidth_ = std::max(1, viewport()->width() - kMarginLeft - kMarginRight);
  maxTopKnown_ = false;
}

int TResultView::RowsOf(int piece) const {
  return std::max(1, LayoutOf(piece).layout.lineCount());
}

qreal TResultView::RowHeight(RowPos pos) const {
  const QTextLayout& layout = LayoutOf(pos.piece).layout;
  return pos.row < layout.lineCount() ? layout.lineAt(pos.row).height() : 1;
}

bool TResultView::NextRow(RowPos& pos) const {
  if (pos.row + 1 < RowsOf(pos.piece)) {
    ++pos.row;
    return true;
  }
  if (pos.piece + 1 >= text_.PieceCount()) return false;
  pos = RowPos{pos.piece + 1, 0};
  return true;
}

bool TResultView::PreviousRow(RowPos& pos) const {
  if (pos.row > 0) {
    --pos.row;
    return true;
  }
  if (pos.piece <= 0) return false;
  pos = RowPos{pos.piece - 1, RowsOf(pos.piece - 1) - 1};
  return true;
}

TResultView::RowPos TResultView::RowOfOffset(int32_t offset) const {
  ResultLine piece;
  const int index = text_.PieceAt(offset, &piece);
  if (text_.PieceCount() == 0) return RowPos{};
  const QTextLayout& layout = LayoutOf(index, &piece).layout;
  const int local = std::clamp(offset - piece.Offset, 0, piece.Chars);
  const QTextLine line = layout.lineForTextPosition(local);
  return RowPos{index, line.isValid() ? line.lineNumber() : std::max(0, layout.lineCount() - 1)};
}

// ---- Scrolling ---------------------------------------------------------------------

qreal TResultView::AvailableHeight() const {
  return std::max(1, viewport()->height() - kMarginTop - kMarginBottom);
}

// The top row that shows `bottom` as the last whole row on screen.
TResultView::RowPos TResultView::TopForBottomRow(RowPos bottom) const {
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

TResultView::RowPos TResultView::MaxTop() const {
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

void TResultView::SetTop(RowPos top) {
  top.piece = std::clamp(top.piece, 0, std::max(0, text_.PieceCount() - 1));
  top.row = text_.PieceCount() == 0 ? 0 : std::clamp(top.row, 0, RowsOf(top.piece) - 1);
  top_ = std::min(top, MaxTop());
  UpdateScrollBar();
  viewport()->update();
  if (viewport()->underMouse() && !selecting_) {
    UpdatePointer(viewport()->mapFromGlobal(QCursor::pos()));
  }
}

void TResultView::ScrollRows(int rows) {
  RowPos top = top_;
  for (; rows > 0 && top < MaxTop() && NextRow(top); --rows) {
  }
  for (; rows < 0 && PreviousRow(top); ++rows) {
  }
  SetTop(top);
}

void TResultView::UpdateScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  settingScrollBar_ = true;
  const int lineHeight = std::max(1, fontMetrics().lineSpacing());
  bar->setRange(0, MaxTop().piece);
  bar->setPageStep(std::max(1, static_cast<int>(AvailableHeight()) / lineHeight));
  bar->setSingleStep(1);
  bar->setValue(top_.piece);
  settingScrollBar_ = false;
}

void TResultView::scrollContentsBy(int, int) { viewport()->update(); }

void TResultView::wheelEvent(QWheelEvent* event) {
  // Three rows a notch; small steps of a touchpad add up.
  wheelDelta_ += event->angleDelta().y();
  const int steps = wheelDelta_ / 40;
  wheelDelta_ -= steps * 40;
  if (steps != 0) ScrollRows(-steps);
  event->accept();
}

void TResultView::EnsureCaretVisible() {
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

void TResultView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  const qreal width = std::max(1, viewport()->width() - kMarginLeft - kMarginRight);
  if (width != layoutWidth_) {
    DropLayouts();
  } else {
    maxTopKnown_ = false;
  }
  SetTop(top_);
}

void TResultView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    DropLayouts();
    SetTop(top_);
  }
}

// ---- Painting ----------------------------------------------------------------------

void TResultView::paintEvent(QPaintEvent* event) {
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
  const QColor markColour(0xFF, 0xF3, 0xC4);
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

    if (markedHit_ >= 0 && piece.Offset >= markStart_ && piece.Offset <= markEnd_) {
      const qreal markTop = std::max(y, shift);
      painter.fillRect(QRectF(0, markTop, viewport()->width(), shift + laid.height - markTop),
                       markColour);
    }
    QList<QTextLayout::FormatRange> selections;
    int from = 0;
    int length = 0;
    if (Clip(selStart, selEnd, piece, &from, &length)) {
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

TResultView::RowPos TResultView::RowAtY(qreal y, qreal* rowTop, bool* belowText) const {
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

int32_t TResultView::CharOffsetAt(const QPoint& viewportPoint, bool* overText) const {
  return OffsetAt(viewportPoint, QTextLine::CursorOnCharacter, overText);
}

int32_t TResultView::CaretOffsetAt(const QPoint& viewportPoint) const {
  return OffsetAt(viewportPoint, QTextLine::CursorBetweenCharacters, nullptr);
}

int32_t TResultView::OffsetAt(const QPoint& viewportPoint, int mode, bool* overText) const {
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

QRect TResultView::CaretRect(int32_t offset) const {
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

int32_t TResultView::FirstVisibleOffset() const {
  if (text_.PieceCount() == 0) return 0;
  const PieceLayout& laid = LayoutOf(top_.piece);
  return laid.piece.Offset + laid.layout.lineAt(top_.row).textStart();
}

// ---- Caret ---------------------------------------------------------------------------

void TResultView::MoveCaret(int32_t offset, bool select) {
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

void TResultView::SetCaretOffset(int32_t offset) {
  desiredX_ = -1;
  MoveCaret(offset, false);
  EnsureCaretVisible();
}

int32_t TResultView::PreviousCaret(int32_t offset) const {
  ResultLine piece;
  const int index = text_.PieceAt(offset, &piece);
  if (offset > piece.Offset || index == 0) return std::max(0, offset - 1);
  const ResultLine before = text_.Piece(index - 1);
  return before.EndsLine ? before.Offset + before.Chars : offset - 1;
}

int32_t TResultView::NextCaret(int32_t offset) const {
  ResultLine piece;
  const int index = text_.PieceAt(offset, &piece);
  if (piece.EndsLine && offset >= piece.Offset + piece.Chars) {
    return index + 1 < text_.PieceCount() ? piece.NextOffset : offset;
  }
  return offset + 1;
}

int32_t TResultView::VerticalCaret(int32_t offset, int rows) const {
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

int32_t TResultView::RowEdge(int32_t offset, bool end) const {
  const RowPos pos = RowOfOffset(offset);
  const PieceLayout& laid = LayoutOf(pos.piece);
  const QTextLine line = laid.layout.lineAt(pos.row);
  if (!end) return laid.piece.Offset + line.textStart();
  const bool lastRow = pos.row + 1 >= laid.layout.lineCount();
  return laid.piece.Offset + line.textStart() + line.textLength() - (lastRow ? 0 : 1);
}

void TResultView::RestartBlink() {
  caretShown_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blinkTimer_.start(flash / 2);
  } else {
    blinkTimer_.stop();
  }
}

void TResultView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  viewport()->update();
}

void TResultView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blinkTimer_.stop();
  viewport()->update();
}

// ---- Hits ------------------------------------------------------------------------

void TResultView::MarkCurrentHit(int index) {
  if (index < 0 || index >= HitCount()) index = -1;
  if (index == markedHit_) return;
  markedHit_ = index;
  markStart_ = markEnd_ = -1;
  if (index >= 0) {
    // The whole title line, however many pieces it takes.
    ResultLine piece;
    text_.PieceAt(hits_[static_cast<size_t>(index)].TitleStart, &piece);
    markStart_ = piece.Offset;
    while (!piece.EndsLine && text_.NextPiece(piece)) {
    }
    markEnd_ = piece.Offset;
  }
  viewport()->update();
}

void TResultView::JumpToNextHit(int32_t offset) {
  if (const auto target = NextHitCaret(hits_, offset)) SetCaretOffset(*target);
}

void TResultView::JumpToPreviousHit(int32_t offset) {
  if (const auto target = PreviousHitCaret(hits_, offset)) SetCaretOffset(*target);
}

// ---- Mouse -----------------------------------------------------------------------

// Takes the offset under the pointer and shows the hand over hit text.
// Returns whether the hand is shown.
bool TResultView::UpdatePointer(const QPoint& viewportPoint) {
  bool hand = false;
  if (ResultCharCount() >= 2) {
    bool overText = false;
    lastMouseCharPos_ = CharOffsetAt(viewportPoint, &overText);
    hand = overText && ResultCharKind(lastMouseCharPos_) != 0;
  }
  if (hand != handShown_) viewport()->setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
  handShown_ = hand;
  return hand;
}

void TResultView::mouseMoveEvent(QMouseEvent* event) {
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

void TResultView::DragTo(const QPoint& viewportPoint) {
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

void TResultView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  // The position is taken again here: the text may have scrolled under a
  // pointer that has not moved since.
  const bool opens = !HasSelection() && UpdatePointer(event->position().toPoint());
  const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
  desiredX_ = -1;
  // Shift extends the selection, unless the click opens a hit elsewhere.
  MoveCaret(CaretOffsetAt(event->position().toPoint()), shift && !opens);
  selecting_ = true;
  lastDragPoint_ = event->position().toPoint();
  event->accept();
  if (opens) emit OpenHitRequested(lastMouseCharPos_, !shift);
}

void TResultView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    selecting_ = false;
    dragTimer_.stop();
  }
  QAbstractScrollArea::mouseReleaseEvent(event);
}

void TResultView::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  bool overText = false;
  const int32_t at = CharOffsetAt(event->position().toPoint(), &overText);
  // A double click on hit text opened the hit with its first click.
  if (event->button() != Qt::LeftButton || (overText && ResultCharKind(at) != 0)) return;
  // The word under the pointer: the run of characters up to blanks and line ends.
  ResultLine piece;
  text_.PieceAt(at, &piece);
  const QString text = DecodePiece(text_.PieceBytes(piece), piece.Chars);
  int first = std::clamp(at - piece.Offset, 0, piece.Chars);
  int last = first;
  while (first > 0 && !text.at(first - 1).isSpace()) --first;
  while (last < text.size() && !text.at(last).isSpace()) ++last;
  anchor_ = piece.Offset + first;
  MoveCaret(piece.Offset + last, true);
  selecting_ = false;
}

// ---- Keys ------------------------------------------------------------------------

void TResultView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const bool shift = modifiers.testFlag(Qt::ShiftModifier);
  const bool control = modifiers.testFlag(Qt::ControlModifier);
  const bool plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  const QString typed = event->text();
  event->accept();
  if (event->key() == Qt::Key_Escape) {
    emit EscapePressed();
    return;
  }
  if (event == QKeySequence::Copy) {
    Copy();
    return;
  }
  if (event == QKeySequence::SelectAll) {
    SelectAll();
    return;
  }
  if (plain) {
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        emit OpenHitRequested(caret_, !shift);
        return;
      case Qt::Key_Space:
        if (shift) {
          PageUp();
        } else {
          PageDown();
        }
        return;
      case Qt::Key_Backspace:
        PageUp();
        return;
      default:
        break;
    }
    if (typed == QLatin1String("n") || typed == QLatin1String("N")) {
      JumpToNextHit(caret_);
      return;
    }
    if (typed == QLatin1String("p") || typed == QLatin1String("P")) {
      JumpToPreviousHit(caret_);
      return;
    }
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
      target = control ? std::max(0, ResultCharCount() - 2) : RowEdge(caret_, true);
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

// One page in either direction and the caret to the first visible line.
// False when there was nothing to show in that direction.
bool TResultView::PageStep(bool down) {
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

void TResultView::PageDown() {
  if (!PageStep(true)) QApplication::beep();
}

void TResultView::PageUp() {
  // Nothing above and the caret already at the start. A caret at the start
  // of a list scrolled down by other means still pages up.
  if (top_ == RowPos{} && caret_ == 0) {
    QApplication::beep();
    return;
  }
  PageStep(false);
}

void TResultView::MoveCaretToFirstVisibleLine() {
  desiredX_ = -1;
  MoveCaret(FirstVisibleOffset(), false);
}

}  // namespace tavirel
