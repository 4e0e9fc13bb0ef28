#include "ui/search/resultview.h"

#include <QApplication>
#include <QColor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "core/process/ucommon.h"
#include "core/search/hitnames.h"
#include "core/search/searchcmd.h"
#include "platform/platform.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

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

}  // namespace

TResultView::TResultView(QWidget* parent) : TByteTextView(parent) {
  setObjectName(QStringLiteral("edtResult"));
  // The hit that Enter at the caret would open is marked.
  connect(this, &TResultView::CaretMoved, this, [this] {
    MarkCurrentHit(hits_.empty() ? -1 : FindHitAt(hits_, CaretOffset()));
  });
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
  hits_ = std::move(hits);
  colored_ = colored;
  wordMarks_ = std::move(marks);
  lastMouseCharPos_ = 0;
  markedHit_ = -1;
  markStart_ = markEnd_ = -1;
  handShown_ = false;
  viewport()->setCursor(Qt::ArrowCursor);
  SetBytes(std::move(bytes));
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
    if (ClipToPiece(mark->Start, mark->End, piece, &from, &length)) {
      ranges.append(QTextLayout::FormatRange{from, length, markFormat});
    }
  }
  if (!colored_) return ranges;
  // Hits from the last one whose title begins at or before the piece.
  auto hit = std::upper_bound(hits_.begin(), hits_.end(), piece.Offset,
                              [](int32_t at, const SearchHit& h) { return at < h.TitleStart; });
  if (hit != hits_.begin()) --hit;
  for (; hit != hits_.end() && hit->TitleStart < pieceEnd; ++hit) {
    if (ClipToPiece(hit->TitleStart, int64_t{hit->TitleEnd} + 1, piece, &from, &length)) {
      ranges.append(QTextLayout::FormatRange{from, length, titleFormat});
    }
    if (hit->UriEnd > 0 &&
        ClipToPiece(hit->UriStart, int64_t{hit->UriEnd} + 1, piece, &from, &length)) {
      ranges.append(QTextLayout::FormatRange{from, length, uriFormat});
    }
  }
  return ranges;
}

void TResultView::PaintPieceBackground(QPainter& painter, const ResultLine& piece, qreal top,
                                       qreal bottom) {
  if (markedHit_ >= 0 && piece.Offset >= markStart_ && piece.Offset <= markEnd_) {
    painter.fillRect(QRectF(0, top, viewport()->width(), bottom - top), QColor(0xFF, 0xF3, 0xC4));
  }
}

QString TResultView::ReaderAttributes(int32_t offset, int32_t* start, int32_t* end) const {
  // A hit's title reads as a link, as it opens the hit.
  const auto after = std::upper_bound(hits_.begin(), hits_.end(), offset,
                                      [](int32_t at, const SearchHit& hit) {
                                        return at < hit.TitleStart;
                                      });
  if (after == hits_.begin() || offset > (after - 1)->TitleEnd) return {};
  *start = (after - 1)->TitleStart;
  *end = (after - 1)->TitleEnd + 1;
  return QStringLiteral("link:true;font-weight:700;text-underline-style:solid;");
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
    ResultText().PieceAt(hits_[static_cast<size_t>(index)].TitleStart, &piece);
    markStart_ = piece.Offset;
    while (!piece.EndsLine && ResultText().NextPiece(piece)) {
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

void TResultView::LinkPressed(QMouseEvent* event) {
  emit OpenHitRequested(lastMouseCharPos_, !event->modifiers().testFlag(Qt::ShiftModifier));
}

void TResultView::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  bool overText = false;
  const int32_t at = CharOffsetAt(event->position().toPoint(), &overText);
  // A double click on hit text opened the hit with its first click.
  if (event->button() != Qt::LeftButton || (overText && ResultCharKind(at) != 0)) return;
  SelectWordAt(at);
}

// ---- Keys ------------------------------------------------------------------------

void TResultView::keyPressEvent(QKeyEvent* event) {
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const bool shift = modifiers.testFlag(Qt::ShiftModifier);
  const bool plain = !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  const QString typed = event->text();
  event->accept();
  if (event->key() == Qt::Key_Escape) {
    emit EscapePressed();
    return;
  }
  if (plain) {
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        emit OpenHitRequested(CaretOffset(), !shift);
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
      JumpToNextHit(CaretOffset());
      return;
    }
    if (typed == QLatin1String("p") || typed == QLatin1String("P")) {
      JumpToPreviousHit(CaretOffset());
      return;
    }
  }
  TByteTextView::keyPressEvent(event);
}

void TResultView::PageDown() {
  if (!PageStep(true)) QApplication::beep();
}

void TResultView::PageUp() {
  // Nothing above and the caret already at the start. A caret at the start
  // of a list scrolled down by other means still pages up.
  if (Top() == RowPos{} && CaretOffset() == 0) {
    QApplication::beep();
    return;
  }
  PageStep(false);
}

}  // namespace tavirel
