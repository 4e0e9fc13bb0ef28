#include "ui/widgets/bigview.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cmath>

#include "core/process/ucommon.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

constexpr int kMargin = 2;  // pixels left of the first column

struct CharInfo {
  int bytes;
  int width;  // columns
};

CharInfo CharAt(const std::string& text, size_t pos, int64_t column) {
  unsigned char c = static_cast<unsigned char>(text[pos]);
  if (c == '\t') return {1, static_cast<int>(TBigView::TabWidth - column % TBigView::TabWidth)};
  if (IsSjisLeadByte(c) && pos + 1 < text.size()) return {2, 2};
  return {1, 1};
}

int64_t LineColumns(const std::string& text) {
  int64_t column = 0;
  for (size_t pos = 0; pos < text.size();) {
    CharInfo info = CharAt(text, pos, column);
    column += info.width;
    pos += static_cast<size_t>(info.bytes);
  }
  return column;
}

int64_t ColumnOfByte(const std::string& text, size_t byte) {
  int64_t column = 0;
  for (size_t pos = 0; pos < text.size() && pos < byte;) {
    CharInfo info = CharAt(text, pos, column);
    column += info.width;
    pos += static_cast<size_t>(info.bytes);
  }
  return column;
}

// A piece of a line drawn at one place of the grid.
struct TextRun {
  int64_t column;
  QString text;
};

// The characters that touch columns [first, last), in runs drawn at their
// grid column: plain single-byte text goes in runs, while every 8-bit
// character (double-byte or half-width kana) is a run of its own, so that a
// font whose Japanese glyphs are not exactly one or two cells wide stays
// on the grid. Tabs become blanks, control characters one blank each.
std::vector<TextRun> VisibleRuns(const std::string& text, int64_t first, int64_t last) {
  int64_t column = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    CharInfo info = CharAt(text, pos, column);
    if (column + info.width > first) break;
    column += info.width;
    pos += static_cast<size_t>(info.bytes);
  }
  std::vector<TextRun> runs;
  std::string plain;
  int64_t plainColumn = column;
  auto endPlain = [&] {
    if (!plain.empty()) runs.push_back({plainColumn, SjisToQString(plain)});
    plain.clear();
  };
  while (pos < text.size() && column < last) {
    CharInfo info = CharAt(text, pos, column);
    unsigned char c = static_cast<unsigned char>(text[pos]);
    if (c >= 0x80) {
      endPlain();
      runs.push_back({column, SjisToQString(std::string_view(text).substr(
                                  pos, static_cast<size_t>(info.bytes)))});
    } else {
      if (plain.empty()) plainColumn = column;
      if (c == '\t') {
        plain.append(static_cast<size_t>(info.width), ' ');
      } else if (c < 0x20 || c == 0x7F) {
        plain.push_back(' ');
      } else {
        plain.push_back(static_cast<char>(c));
      }
    }
    column += info.width;
    pos += static_cast<size_t>(info.bytes);
  }
  endPlain();
  return runs;
}

int ClampToInt(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

}  // namespace

TBigView::TBigView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(false);
  autoScrollTimer_.setInterval(50);
  connect(&autoScrollTimer_, &QTimer::timeout, this, &TBigView::AutoScroll);
  UpdateMetrics();
  UpdateScrollBars();
  AttachAccessible();
}

TBigView::~TBigView() = default;

// --- lines ------------------------------------------------------------------

void TBigView::NoteLineAdded(const std::string& line) {
  maxColumns_ = std::max(maxColumns_, LineColumns(line));
  ScheduleLayout();
}

void TBigView::AppendLine(std::string_view line) {
  lines_.emplace_back(line);
  NoteLineAdded(lines_.back());
  if (QAccessible::isActive()) AccessInserted(LineCount() - 1);
}

void TBigView::InsertLine(int index, std::string_view line) {
  index = std::clamp(index, 0, LineCount());
  if (index == LineCount()) {
    AppendLine(line);
    return;
  }
  const bool reader = QAccessible::isActive();
  if (reader && !ExtendsPendingInsert(index)) SendPendingInsert();
  auto it = lines_.emplace(lines_.begin() + index, line);
  LinesChangedFrom(index);
  if (reader) AccessInserted(index);
  if (HasSelection() || selecting_) {
    if (anchor_.line >= index) ++anchor_.line;
    if (caret_.line >= index) ++caret_.line;
  }
  NoteLineAdded(*it);
}

void TBigView::ReplaceLine(int index, std::string_view line) {
  if (index < 0 || index >= LineCount()) return;
  QString before;
  if (QAccessible::isActive()) {
    SendPendingInsert();
    before = SjisToQString(lines_[static_cast<size_t>(index)]);
  }
  lines_[static_cast<size_t>(index)] = std::string(line);
  LinesChangedFrom(index);
  if (QAccessible::isActive()) AccessReplaced(index, before);
  anchor_ = ClampPos(anchor_);
  caret_ = ClampPos(caret_);
  NoteLineAdded(lines_[static_cast<size_t>(index)]);
}

void TBigView::DeleteLine(int index) {
  if (index < 0 || index >= LineCount()) return;
  int removedAt = 0;
  QString removed;
  if (QAccessible::isActive()) {
    SendPendingInsert();
    // The line and the break after it, or before it for the last line.
    const bool last = index == LineCount() - 1;
    removedAt = last && index > 0 ? ReaderLineStart(index) - 1 : ReaderLineStart(index);
    removed = SjisToQString(lines_[static_cast<size_t>(index)]);
    if (LineCount() > 1) removed = last ? QChar(u'\n') + removed : removed + QChar(u'\n');
  }
  lines_.erase(lines_.begin() + index);
  LinesChangedFrom(index);
  if (!removed.isEmpty()) AccessRemoved(removedAt, removed);
  if (anchor_.line > index) --anchor_.line;
  if (caret_.line > index) --caret_.line;
  anchor_ = ClampPos(anchor_);
  caret_ = ClampPos(caret_);
  ScheduleLayout();
}

void TBigView::Clear() {
  bool hadSelection = HasSelection();
  QString removed;
  if (QAccessible::isActive()) {
    SendPendingInsert();
    removed = ReaderLines(0, LineCount());
  }
  lines_.clear();
  LinesChangedFrom(0);
  lines_.shrink_to_fit();
  maxColumns_ = 0;
  anchor_ = caret_ = TextPos{};
  selecting_ = false;
  UpdateScrollBars();
  if (!removed.isEmpty()) AccessRemoved(0, removed);
  if (hadSelection) emit selectionChanged();
}

// --- layout and scrolling -----------------------------------------------------

void TBigView::UpdateMetrics() {
  QFontMetricsF metrics(font());
  columnWidth_ = std::max<qreal>(1.0, metrics.horizontalAdvance(QLatin1Char('0')));
  lineHeight_ = std::max(1, static_cast<int>(std::ceil(metrics.lineSpacing())));
  ascent_ = static_cast<int>(std::ceil(metrics.ascent()));
}

void TBigView::ScheduleLayout() {
  if (layoutPending_) return;
  layoutPending_ = true;
  QMetaObject::invokeMethod(this, &TBigView::UpdateScrollBars, Qt::QueuedConnection);
}

void TBigView::UpdateScrollBars() {
  layoutPending_ = false;
  int visible = VisibleLineCount();
  QScrollBar* vertical = verticalScrollBar();
  vertical->setRange(0, std::max(0, LineCount() - visible));
  vertical->setPageStep(visible);
  vertical->setSingleStep(1);

  int64_t contentWidth =
      static_cast<int64_t>(std::ceil(static_cast<double>(maxColumns_) * columnWidth_)) +
      2 * kMargin;
  int width = viewport()->width();
  QScrollBar* horizontal = horizontalScrollBar();
  horizontal->setRange(0, ClampToInt(std::max<int64_t>(0, contentWidth - width)));
  horizontal->setPageStep(std::max(1, width));
  horizontal->setSingleStep(std::max(1, static_cast<int>(std::ceil(columnWidth_))));
  viewport()->update();
}

int TBigView::TopLine() const { return verticalScrollBar()->value(); }

int TBigView::VisibleLineCount() const {
  return std::max(1, viewport()->height() / lineHeight_);
}

void TBigView::ShowLastLine() {
  UpdateScrollBars();
  verticalScrollBar()->setValue(verticalScrollBar()->maximum());
  viewport()->update();
}

void TBigView::ScrollToLine(int index) {
  UpdateScrollBars();
  index = std::clamp(index, 0, std::max(0, LineCount() - 1));
  int top = TopLine();
  int visible = VisibleLineCount();
  if (index < top) {
    verticalScrollBar()->setValue(index);
  } else if (index >= top + visible) {
    verticalScrollBar()->setValue(index - visible + 1);
  }
}

void TBigView::scrollContentsBy(int, int) { viewport()->update(); }

void TBigView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TBigView::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    UpdateMetrics();
    UpdateScrollBars();
  }
  QAbstractScrollArea::changeEvent(event);
}

// --- painting -------------------------------------------------------------------

void TBigView::paintEvent(QPaintEvent* event) {
  if (layoutPending_) UpdateScrollBars();
  QPainter painter(viewport());
  const QPalette& pal = palette();
  painter.fillRect(event->rect(), pal.base());
  painter.setFont(font());

  const int top = TopLine();
  const int offset = horizontalScrollBar()->value();
  const int width = viewport()->width();
  const int rows = viewport()->height() / lineHeight_ + 1;
  const int64_t firstColumn = static_cast<int64_t>(std::floor((offset - kMargin) / columnWidth_));
  const int64_t lastColumn =
      static_cast<int64_t>(std::ceil((offset + width) / columnWidth_)) + 1;
  const bool selection = HasSelection();
  const TextPos selStart = std::min(anchor_, caret_);
  const TextPos selEnd = std::max(anchor_, caret_);

  for (int row = 0; row < rows; ++row) {
    const int index = top + row;
    if (index >= LineCount()) break;
    const std::string& line = lines_[static_cast<size_t>(index)];
    const int y = row * lineHeight_;

    const std::vector<TextRun> runs =
        VisibleRuns(line, std::max<int64_t>(0, firstColumn), lastColumn);
    auto drawRuns = [&] {
      for (const TextRun& run : runs) {
        const qreal x = kMargin + static_cast<qreal>(run.column) * columnWidth_ - offset;
        painter.drawText(QPointF(x, y + ascent_), run.text);
      }
    };
    painter.setPen(pal.text().color());
    drawRuns();

    if (selection && index >= selStart.line && index <= selEnd.line) {
      int64_t from = index == selStart.line
                         ? ColumnOfByte(line, static_cast<size_t>(selStart.byte)) : 0;
      int64_t to = index == selEnd.line ? ColumnOfByte(line, static_cast<size_t>(selEnd.byte))
                                        : LineColumns(line) + 1;  // the line break too
      if (to > from) {
        QRectF band(kMargin + static_cast<qreal>(from) * columnWidth_ - offset, y,
                    static_cast<qreal>(to - from) * columnWidth_, lineHeight_);
        band = band.intersected(QRectF(0, y, width, lineHeight_));
        if (!band.isEmpty()) {
          painter.fillRect(band, pal.highlight());
          painter.save();
          painter.setClipRect(band);
          painter.setPen(pal.highlightedText().color());
          drawRuns();
          painter.restore();
        }
      }
    }
  }
}

// --- selection ------------------------------------------------------------------

TBigView::TextPos TBigView::ClampPos(TextPos pos) const {
  if (lines_.empty()) return {};
  pos.line = std::clamp(pos.line, 0, LineCount() - 1);
  const std::string& line = lines_[static_cast<size_t>(pos.line)];
  pos.byte = std::clamp(pos.byte, 0, static_cast<int>(std::min<size_t>(line.size(), INT_MAX)));
  return pos;
}

QRect TBigView::CellRect(TextPos pos) const {
  pos = ClampPos(pos);
  const int row = pos.line - TopLine();
  if (lines_.empty() || row < 0 || row > VisibleLineCount()) return {};
  const std::string& line = lines_[static_cast<size_t>(pos.line)];
  const size_t byte = static_cast<size_t>(pos.byte);
  const int64_t column = ColumnOfByte(line, byte);
  const int width = byte < line.size() ? CharAt(line, byte, column).width : 1;
  return QRectF(kMargin + static_cast<qreal>(column) * columnWidth_ -
                    horizontalScrollBar()->value(),
                row * lineHeight_, width * columnWidth_, lineHeight_)
      .toAlignedRect();
}

bool TBigView::HasSelection() const { return !lines_.empty() && anchor_ != caret_; }

void TBigView::SetSelection(int anchorLine, int anchorByte, int caretLine, int caretByte) {
  bool had = HasSelection();
  anchor_ = ClampPos({anchorLine, anchorByte});
  caret_ = ClampPos({caretLine, caretByte});
  viewport()->update();
  if (had || HasSelection()) emit selectionChanged();
}

void TBigView::SelectAll() {
  if (lines_.empty()) return;
  SetSelection(0, 0, LineCount() - 1, static_cast<int>(lines_.back().size()));
}

void TBigView::ClearSelection() { SetSelection(caret_.line, caret_.byte, caret_.line, caret_.byte); }

std::string TBigView::SelectedBytes() const {
  if (!HasSelection()) return {};
  const TextPos start = std::min(anchor_, caret_);
  const TextPos end = std::max(anchor_, caret_);
  std::string bytes;
  for (int index = start.line; index <= end.line; ++index) {
    const std::string& line = lines_[static_cast<size_t>(index)];
    size_t from = index == start.line ? static_cast<size_t>(start.byte) : 0;
    size_t to = index == end.line ? static_cast<size_t>(end.byte) : line.size();
    if (index != start.line) bytes.push_back('\n');
    if (to > from) bytes.append(line, from, to - from);
  }
  return bytes;
}

QString TBigView::SelectedText() const { return SjisToQString(SelectedBytes()); }

void TBigView::CopySelection() const {
  if (!HasSelection()) return;
  QApplication::clipboard()->setText(SelectedText());
}

TBigView::TextPos TBigView::HitTest(const QPoint& point) const {
  if (lines_.empty()) return {};
  int row = point.y() >= 0 ? point.y() / lineHeight_ : -1 - (-point.y() - 1) / lineHeight_;
  TextPos pos;
  pos.line = std::clamp(TopLine() + row, 0, LineCount() - 1);
  const std::string& line = lines_[static_cast<size_t>(pos.line)];
  const qreal column = (point.x() + horizontalScrollBar()->value() - kMargin) / columnWidth_;
  int64_t at = 0;
  size_t byte = 0;
  while (byte < line.size()) {
    CharInfo info = CharAt(line, byte, at);
    if (column < static_cast<qreal>(at) + info.width / 2.0) break;
    at += info.width;
    byte += static_cast<size_t>(info.bytes);
  }
  pos.byte = static_cast<int>(std::min<size_t>(byte, INT_MAX));
  return pos;
}

void TBigView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  TextPos hit = HitTest(event->position().toPoint());
  bool had = HasSelection();
  anchor_ = (event->modifiers() & Qt::ShiftModifier) ? ClampPos(anchor_) : hit;
  caret_ = hit;
  selecting_ = true;
  lastDragPoint_ = event->position().toPoint();
  viewport()->update();
  if (had || HasSelection()) emit selectionChanged();
}

void TBigView::DragTo(const QPoint& point) {
  lastDragPoint_ = point;
  const QRect area = viewport()->rect();
  if (point.y() < 0) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  } else if (point.y() >= area.height()) {
    verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  }
  if (point.x() < 0) {
    horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  } else if (point.x() >= area.width()) {
    horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  }
  TextPos hit = HitTest(point);
  if (hit == caret_) return;
  bool had = HasSelection();
  caret_ = hit;
  viewport()->update();
  if (had || HasSelection()) emit selectionChanged();
}

void TBigView::mouseMoveEvent(QMouseEvent* event) {
  if (!selecting_ || !(event->buttons() & Qt::LeftButton)) {
    QAbstractScrollArea::mouseMoveEvent(event);
    return;
  }
  const QPoint point = event->position().toPoint();
  DragTo(point);
  if (viewport()->rect().contains(point)) {
    autoScrollTimer_.stop();
  } else if (!autoScrollTimer_.isActive()) {
    autoScrollTimer_.start();
  }
}

void TBigView::AutoScroll() {
  if (!selecting_) {
    autoScrollTimer_.stop();
    return;
  }
  DragTo(lastDragPoint_);
}

void TBigView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    selecting_ = false;
    autoScrollTimer_.stop();
  }
  QAbstractScrollArea::mouseReleaseEvent(event);
}

bool TBigView::event(QEvent* event) {
  // Copy and select-all belong to the view while it has the focus, unless a
  // window action takes the key first.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key == QKeySequence::SelectAll) {
      event->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(event);
}

void TBigView::keyPressEvent(QKeyEvent* event) {
  if (event == QKeySequence::Copy) {
    CopySelection();
    return;
  }
  if (event == QKeySequence::SelectAll) {
    SelectAll();
    return;
  }
  QScrollBar* vertical = verticalScrollBar();
  QScrollBar* horizontal = horizontalScrollBar();
  if (event == QKeySequence::MoveToStartOfDocument) {
    vertical->setValue(vertical->minimum());
    horizontal->setValue(horizontal->minimum());
  } else if (event == QKeySequence::MoveToEndOfDocument) {
    vertical->setValue(vertical->maximum());
  } else if (event == QKeySequence::MoveToStartOfLine) {
    horizontal->setValue(horizontal->minimum());
  } else if (event == QKeySequence::MoveToEndOfLine) {
    horizontal->setValue(horizontal->maximum());
  } else {
    QAbstractScrollArea::keyPressEvent(event);
  }
}

}  // namespace tavirel
