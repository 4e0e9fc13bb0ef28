#include "ui/search/htmlview.h"

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>
#include <string>

#include "core/process/ucommon.h"
#include "core/search/document.h"
#include "core/search/mainview.h"
#include "platform/platform.h"
#include "ui/process/browser.h"
#include "ui/search/htmlview_access.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

// A page, or a picture or style sheet it refers to. Only a regular file within
// the size limit for documents is read: a FIFO or a device among the links
// must not stop the window. `message` (when given) says why nothing came.
std::optional<QByteArray> ReadLocalFile(const QString& path, QString* message = nullptr) {
  const std::optional<std::string> sjis = QStringToSjis(path);
  std::string bytes;
  std::string error;
  platform::ReadFailure failure = platform::ReadFailure::None;
  if (sjis && platform::ReadWholeFile(*sjis, bytes, &error, MaxDocumentFileBytes, &failure)) {
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  if (message != nullptr) {
    const std::string refused =
        sjis ? FileRefusedMessage(failure, MaxDocumentFileBytes, *sjis) : std::string();
    *message = refused.empty() ? QStringLiteral("ファイルを読み込めませんでした。\n%1\n%2")
                                     .arg(path, SjisToQString(error))
                               : SjisToQString(refused);
  }
  return std::nullopt;
}


// Navigations started from inside a before-navigation handler nest; this
// bounds a handler that keeps redirecting.
constexpr int kMaxNavigationDepth = 8;

std::string_view View(const QByteArray& bytes) {
  return std::string_view(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The document's bytes as text for the screen: the declared charset of an
// HTML page first (a name this program does not know is tried with Qt's
// decoders, then left to detection), detection otherwise.
QString DecodeForScreen(const QByteArray& bytes, bool html) {
  const std::string_view view = View(bytes);
  TDocumentCode code = TDocumentCode::Unknown;
  if (html) {
    const std::string declared = HtmlDeclaredCharset(view);
    if (!declared.empty()) {
      code = CodeForCharsetName(declared);
      if (code == TDocumentCode::Unknown) {
        QStringDecoder decoder(declared.c_str());
        if (decoder.isValid()) return decoder.decode(bytes);
      }
    }
  }
  if (code == TDocumentCode::Unknown) code = DetectDocumentCode(view);
  bool utf8 = false;
  const std::string screen = DocumentBytesForScreen(view, code, utf8);
  return utf8 ? QString::fromUtf8(screen.data(), static_cast<qsizetype>(screen.size()))
              : SjisToQString(screen);
}

enum class TContent { Html, Text, Image, Other };

TContent ContentOf(const QString& path, const QByteArray& bytes) {
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext == QLatin1String("html") || ext == QLatin1String("htm") ||
      ext == QLatin1String("shtml") || ext == QLatin1String("xhtml"))
    return TContent::Html;
  for (const char* image : {"png", "jpg", "jpeg", "gif", "bmp", "svg"})
    if (ext == QLatin1String(image)) return TContent::Image;
  if (LooksBinary(View(bytes))) return TContent::Other;
  const QByteArray head = bytes.left(1024).trimmed().toLower();
  if (head.startsWith("<!doctype html") || head.startsWith("<html")) return TContent::Html;
  return TContent::Text;
}

void ShowError(QWidget* parent, const QString& text) {
  ShowMessageBox(parent, QStringLiteral("エラー"), text, QMessageBox::Warning);
}

}  // namespace

THtmlView::THtmlView(QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("WebBrowser1"));
  setOpenLinks(false);
  setOpenExternalLinks(false);
  // A caret the arrow keys move, so that a screen reader follows the reading;
  // Tab goes from link to link and Enter follows one.
  setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);
  connect(this, &QTextBrowser::anchorClicked, this, &THtmlView::FollowLink);
  connect(document(), &QTextDocument::contentsChanged, this, [this] { ++revision_; });
  InstallHtmlViewAccessible();
}

bool THtmlView::Navigate(std::string_view address) { return Navigate(AddressToUrl(address)); }

bool THtmlView::Navigate(const QUrl& url) {
  if (!url.isValid() || url.isEmpty() || depth_ >= kMaxNavigationDepth) return false;
  ++depth_;
  bool cancel = false;
  emit BeforeNavigate2(url.toString(QUrl::FullyEncoded), cancel);
  const bool shown = !cancel && Load(url);
  --depth_;
  return shown;
}

void THtmlView::FollowLink(const QUrl& link) {
  Navigate(location_.isEmpty() ? link : location_.resolved(link));
}

void THtmlView::ActivateLink(const QString& href) {
  if (!href.isEmpty()) emit anchorClicked(QUrl(href));
}

void THtmlView::FocusDocument() { setFocus(Qt::OtherFocusReason); }

void THtmlView::Complete(const QUrl& url) {
  location_ = url;
  const QString text = url.toString(QUrl::FullyEncoded);
  QMetaObject::invokeMethod(
      this, [this, text] { emit DocumentComplete(text); }, Qt::QueuedConnection);
}

bool THtmlView::Load(const QUrl& url) {
  if (!url.isLocalFile()) {
    // No network here: web addresses, mail links and the like go to the
    // system's application for them.
    OpenURLByShell(url);
    return false;
  }
  const QUrl file = url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery);
  const QString fragment = url.fragment(QUrl::FullyDecoded);

  // Another anchor of the page shown.
  if (HasDocument() && file == location_.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery) &&
      url.hasFragment()) {
    scrollToAnchor(fragment);
    Complete(url);
    return true;
  }

  const QString path = LocalFileOfUrl(file);
  const QFileInfo info(path);
  if (!info.exists()) {
    ShowError(this, QStringLiteral("ファイルが見つかりません。\n%1").arg(path));
    return false;
  }
  if (info.isDir()) {
    OpenURLByShell(file);
    return false;
  }
  QString message;
  const std::optional<QByteArray> read = ReadLocalFile(path, &message);
  if (!read) {
    ShowError(this, message);
    return false;
  }
  const QByteArray& bytes = *read;

  const TContent content = ContentOf(path, bytes);
  if (content == TContent::Other) {
    // Not something a page view shows: the associated application opens it.
    OpenURLByShell(file);
    return false;
  }

  location_ = url;  // relative resources resolve against it while loading
  document()->setBaseUrl(file);
  highlights_.clear();
  current_ = -1;
  setExtraSelections({});
  // A plain text takes the format of the character at the caret; after a
  // click on a link that is the link's, so it starts from none.
  setCurrentCharFormat(QTextCharFormat());
  switch (content) {
    case TContent::Html:
      setHtml(DecodeForScreen(bytes, true));
      break;
    case TContent::Image:
      setHtml(QStringLiteral("<img src=\"%1\">")
                  .arg(file.toString(QUrl::FullyEncoded).toHtmlEscaped()));
      break;
    default:
      setPlainText(DecodeForScreen(bytes, false));
      break;
  }
  if (!fragment.isEmpty()) {
    scrollToAnchor(fragment);
  } else {
    moveCursor(QTextCursor::Start);
    ensureCursorVisible();
  }
  Complete(url);
  return true;
}

int THtmlView::SetHighlights(std::vector<TCharRange> ranges) {
  highlights_ = std::move(ranges);
  current_ = -1;
  if (!highlights_.empty()) {
    const int64_t top = cursorForPosition(QPoint(0, 0)).position();
    const int first = StepToMark(highlights_, -1, top, true);
    if (highlights_[static_cast<size_t>(first)].Start >= top) {
      MoveToHighlight(first);
      return HighlightCount();
    }
  }
  PaintHighlights();
  emit HighlightPositionChanged(HighlightPositionText());
  return HighlightCount();
}

QString THtmlView::HighlightPositionText() const {
  return QStringLiteral("%1 / %2").arg(current_ + 1).arg(HighlightCount());
}

void THtmlView::NextHighlight() { StepHighlight(true); }

void THtmlView::PreviousHighlight() { StepHighlight(false); }

void THtmlView::StepHighlight(bool forward) {
  const int mark = StepToMark(highlights_, current_, textCursor().position(), forward);
  if (mark < 0) {
    QApplication::beep();
    return;
  }
  MoveToHighlight(mark);
}

void THtmlView::MoveToHighlight(int index) {
  current_ = index;
  QTextCursor cursor(document());
  cursor.setPosition(static_cast<int>(highlights_[static_cast<size_t>(index)].Start));
  setTextCursor(cursor);
  CenterOn(cursor.position());
  ensureCursorVisible();
  PaintHighlights();
  emit HighlightPositionChanged(HighlightPositionText());
}

void THtmlView::CenterOn(int position) {
  QTextCursor cursor(document());
  cursor.setPosition(position);
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + cursorRect(cursor).center().y() - viewport()->height() / 2);
}

void THtmlView::PaintHighlights() {
  QTextCharFormat soft, strong;
  soft.setBackground(QColor(0xFF, 0xE0, 0x80));
  strong.setBackground(QColor(0xFF, 0xBE, 0x5A));
  QList<QTextEdit::ExtraSelection> marks;
  marks.reserve(static_cast<qsizetype>(highlights_.size()));
  for (size_t i = 0; i < highlights_.size(); ++i) {
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(document());
    mark.cursor.setPosition(static_cast<int>(highlights_[i].Start));
    mark.cursor.setPosition(static_cast<int>(highlights_[i].End), QTextCursor::KeepAnchor);
    mark.format = static_cast<int>(i) == current_ ? strong : soft;
    marks.append(mark);
  }
  setExtraSelections(marks);
}

void THtmlView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F3 &&
      !(event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))) {
    StepHighlight(!(event->modifiers() & Qt::ShiftModifier));
    return;
  }
  QTextBrowser::keyPressEvent(event);
}

bool THtmlView::focusNextPrevChild(bool next) {
  // Tab and Shift+Tab go to the next or previous link while there is one.
  const bool moved = QTextBrowser::focusNextPrevChild(next);
  if (hasFocus()) HtmlViewLinkFocusMoved(this);
  return moved;
}

QVariant THtmlView::loadResource(int type, const QUrl& name) {
  const QUrl url = name.isRelative() && !location_.isEmpty() ? location_.resolved(name) : name;
  if (!url.isLocalFile()) return QVariant();
  const std::optional<QByteArray> read =
      ReadLocalFile(LocalFileOfUrl(url.adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery)));
  // An empty but not null answer: for a null one the document would open the
  // file itself, and wait for ever on a FIFO.
  if (!read) return QVariant(QByteArray(""));
  const QByteArray& bytes = *read;
  switch (type) {
    case QTextDocument::ImageResource: return bytes;
    case QTextDocument::StyleSheetResource: return DecodeForScreen(bytes, false);
    case QTextDocument::HtmlResource: return DecodeForScreen(bytes, true);
    default: return bytes;
  }
}

}  // namespace tavirel
