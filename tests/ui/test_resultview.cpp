#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QWheelEvent>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <random>
#include <string>

#include "ui/search/resultview.h"
#include "ui/widgets/qtcodec.h"

using namespace tavirel;

namespace {

std::string Sjis(const QString& text) {
  const auto bytes = QStringToSjis(text);
  if (!bytes) qFatal("test text has no Shift-JIS form");
  return *bytes;
}

// A result file as the searcher writes it: header, `hits` hits (the second one
// with the English score marker, hit number `longTitle` with a title long
// enough to wrap), footer.
QString ResultText(int hits, int longTitle = 0) {
  QString text = QStringLiteral(
      "検索結果\n\n参考ヒット数:  [ 日本語: %1 ]\n\n"
      "検索式にマッチする %1 個の文書が見つかりました。\n\n").arg(hits);
  for (int i = 1; i <= hits; ++i) {
    const QString marker = i == 2 ? QStringLiteral("score") : QStringLiteral("スコア");
    const QString longWords = i == longTitle ? QStringLiteral(" wrapping").repeated(40) : QString();
    text += QStringLiteral("%1. 日本語の題名 %1%4 (%2: %3)\n著者: 不明\n"
                           "日付: Tue, 08 Dec 2026 00:14:06 +0000\n"
                           "本文の要約です。全角のテキスト。\n"
                           "/tmp/文書/%1.txt (1,234 bytes)\n\n\n\n\n")
                .arg(i)
                .arg(marker)
                .arg(100 - i)
                .arg(longWords);
  }
  text += QStringLiteral("現在のリスト: 1 - %1\n").arg(hits);
  return text;
}

// The text of the view between two result offsets (inclusive).
QString ViewText(const TResultView& view, int32_t first, int32_t last) {
  return view.TextOf(first, last + 1);
}

// The point in the viewport on the character at `offset`.
QPoint PointAt(const TResultView& view, int32_t offset) {
  const QRect rect = view.CaretRect(offset);
  if (rect.isEmpty()) qWarning("offset %d is not on screen", offset);
  return QPoint(rect.x() + 3, rect.center().y());
}

void MouseEvent(TResultView& view, QEvent::Type type, const QPoint& point,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* port = view.viewport();
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
  QMouseEvent event(type, QPointF(point), QPointF(port->mapToGlobal(point)), button, buttons,
                    modifiers);
  QApplication::sendEvent(port, &event);
}

// Pixels of the painted line at `offset` whose colour leans to pure blue
// (red == green, blue well above) or to teal (green == blue, red well below).
struct Tints {
  int blue = 0;
  int teal = 0;
};
Tints LineTints(TResultView& view, int32_t offset) {
  const QRect line = view.CaretRect(offset);
  const QImage image = view.viewport()->grab().toImage();
  Tints tints;
  for (int y = line.top(); y <= line.bottom() + 2 && y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() == c.green() && c.blue() > c.red() + 60) ++tints.blue;
      if (c.green() == c.blue() && c.red() + 40 < c.green()) ++tints.teal;
    }
  }
  return tints;
}

}  // namespace

class TestResultView : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void viewStates();
  void hitsFoundAndColoured_data();
  void hitsFoundAndColoured();
  void offsetsAndPositionsAgree();
  void pointerShape_data();
  void pointerShape();
  void clickOpensHit_data();
  void clickOpensHit();
  void keySignals_data();
  void keySignals();
  void nextAndPreviousHit_data();
  void nextAndPreviousHit();
  void paging();
  void failingFilesAreReported_data();
  void failingFilesAreReported();
  void brokenFilesLoad_data();
  void brokenFilesLoad();
  void largeResultFile();
  void caretKeysAndSelection_data();
  void caretKeysAndSelection();
  void degenerateFilesStayUsable_data();
  void mouseSelectsScrollsAndAsksForTheMenu();
  void degenerateFilesStayUsable();

 private:
  std::string WriteFile(const QString& name, const std::string& bytes);
  void ShowView(int hits, int longTitle = 0);

  QTemporaryDir* dir_ = nullptr;
  TResultView* view_ = nullptr;
};

void TestResultView::init() {
  dir_ = new QTemporaryDir;
  QVERIFY(dir_->isValid());
  view_ = new TResultView;
  view_->resize(640, 300);
  view_->show();
  QVERIFY(QTest::qWaitForWindowExposed(view_));
}

void TestResultView::cleanup() {
  delete view_;
  delete dir_;
}

std::string TestResultView::WriteFile(const QString& name, const std::string& bytes) {
  const std::string path = (dir_->path() + QChar(u'/') + name).toStdString();
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
  return path;
}

void TestResultView::ShowView(int hits, int longTitle) {
  const std::string path = WriteFile(QStringLiteral("result.txt"), Sjis(ResultText(hits, longTitle)));
  QVERIFY(view_->ShowResultFile(path, 2, 2, true));
  QCOMPARE(view_->HitCount(), hits);
  view_->viewport()->repaint();
}

void TestResultView::viewStates() {
  QCOMPARE(view_->objectName(), QStringLiteral("edtResult"));
  QVERIFY(!view_->testAttribute(Qt::WA_InputMethodEnabled));
  QCOMPARE(view_->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  QCOMPARE(view_->contextMenuPolicy(), Qt::CustomContextMenu);

  ShowView(3);
  view_->SetMessageText(QStringLiteral("検索中....."));
  QCOMPARE(view_->Text(), QStringLiteral("検索中....."));
  QCOMPARE(view_->HitCount(), 0);
  QCOMPARE(view_->ResultCharKind(1), 0);
  MouseEvent(*view_, QEvent::MouseMove, PointAt(*view_, 1));
  QCOMPARE(view_->viewport()->cursor().shape(), Qt::ArrowCursor);
  ShowView(2);
  view_->ClearResults();
  QVERIFY(view_->Text().isEmpty());
  QCOMPARE(view_->HitCount(), 0);
  QCOMPARE(view_->ResultCharCount(), 0);
}

void TestResultView::hitsFoundAndColoured_data() {
  QTest::addColumn<bool>("colored");
  QTest::addColumn<QString>("lineEnd");
  QTest::newRow("coloured, LF") << true << QStringLiteral("\n");
  QTest::newRow("coloured, CR LF") << true << QStringLiteral("\r\n");
  QTest::newRow("not coloured") << false << QStringLiteral("\n");
}

void TestResultView::hitsFoundAndColoured() {
  QFETCH(bool, colored);
  QFETCH(QString, lineEnd);
  view_->resize(640, 720);  // the whole list on screen
  QString text = ResultText(3);
  text.replace(QChar(u'\n'), lineEnd);
  const std::string path = WriteFile(QStringLiteral("result.txt"), Sjis(text));
  QVERIFY(view_->ShowResultFile(path, 2, 2, colored));
  QCOMPARE(view_->HitCount(), 3);
  QCOMPARE(view_->CaretOffset(), 0);
  QVERIFY(!view_->HasSelection());
  QCOMPARE(view_->Text(), ResultText(3).chopped(1));

  const SearchHit& hit = view_->Hits()[1];
  QCOMPARE(SjisToQString(hit.Title), QStringLiteral("2. 日本語の題名 2"));
  QCOMPARE(SjisToQString(hit.Uri), QStringLiteral("/tmp/文書/2.txt"));
  QCOMPARE(ViewText(*view_, hit.TitleStart, hit.TitleEnd), SjisToQString(hit.Title));
  QCOMPARE(ViewText(*view_, hit.UriStart, hit.UriEnd), SjisToQString(hit.Uri));

  // What reaches the screen, as loaded and after a change of font lays the
  // text out again.
  if (QFontDatabase::families().isEmpty()) QSKIP("no fonts to paint with");
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) view_->setFont(QFont(view_->font().family(), 13));
    QCOMPARE(LineTints(*view_, hit.TitleStart).blue > 20, colored);
    QCOMPARE(LineTints(*view_, hit.UriStart).teal > 20, colored);
    const Tints header = LineTints(*view_, 0);
    QCOMPARE(header.blue + header.teal, 0);
    QCOMPARE(view_->ResultCharKind(hit.TitleStart + 3), uint8_t('T'));
    QCOMPARE(view_->ResultCharKind(hit.TitleEnd + 2), uint8_t(0));
    QCOMPARE(view_->ResultCharKind(hit.UriEnd), uint8_t('U'));
  }
}

void TestResultView::offsetsAndPositionsAgree() {
  // Double-byte and single-byte text, empty lines, half-width katakana, long
  // lines that wrap and one longer than a piece.
  QString text = QStringLiteral("見出し\n");
  for (int i = 0; i < 400; ++i) {
    const QString lines[] = {
        QStringLiteral("%1. 全角の題名と ascii (スコア: 3)\n").arg(i + 1), QStringLiteral("\n"),
        QStringLiteral("ｶﾀｶﾅ half %1\n").arg(i), QString(150, QChar(u'字')) + QChar(u'\n'),
        QStringLiteral("/tmp/文書/%1.txt (5 bytes)\n\n\n").arg(i)};
    text += lines[i % 5];
  }
  text += QString(3000, QChar(u'長')) + QStringLiteral("\n終わり\n");
  QVERIFY(view_->ShowResultFile(WriteFile(QStringLiteral("many.txt"), Sjis(text)), 2, 2, true));
  QVERIFY(view_->HitCount() > 50);
  QCOMPARE(view_->Text(), text.chopped(1));

  // Offsets of the lines counted independently: characters plus two.
  const QStringList lines = text.chopped(1).split(QChar(u'\n'));
  int32_t lineStart = 0;
  for (const QString& line : lines) {
    QCOMPARE(view_->TextOf(lineStart, lineStart + int32_t(line.size())), line);
    lineStart += int32_t(line.size()) + 2;
  }
  QCOMPARE(view_->ResultCharCount(), lineStart);
  for (const SearchHit& hit : view_->Hits()) {
    QCOMPARE(ViewText(*view_, hit.TitleStart, hit.TitleEnd), SjisToQString(hit.Title));
    QCOMPARE(ViewText(*view_, hit.UriStart, hit.UriEnd), SjisToQString(hit.Uri));
  }

  // Where a character is drawn and what the mouse finds there agree, page by
  // page through the whole list, the long line included.
  int checked = 0;
  for (int page = 0; page < 400; ++page) {
    const int32_t first = view_->FirstVisibleOffset();
    for (int32_t at = first; at < first + 400 && at < view_->ResultCharCount(); at += 7) {
      const QRect rect = view_->CaretRect(at);
      if (rect.isEmpty() || view_->TextOf(at, at + 1).isEmpty()) continue;  // off screen, break
      QCOMPARE(view_->CharOffsetAt(QPoint(rect.x() + 2, rect.center().y())), at);
      ++checked;
    }
    if (view_->TextOf(view_->FirstVisibleOffset(), view_->ResultCharCount()).startsWith(
            QString(30, QChar(u'長')))) {
      break;
    }
    view_->PageDown();
  }
  QVERIFY(checked > 1000);
  const SearchHit& last = view_->Hits().back();
  view_->SetCaretOffset(last.UriStart);
  QCOMPARE(view_->CaretOffset(), last.UriStart);
  QVERIFY(!view_->CaretRect(last.UriStart).isEmpty());
  // Inside a line break the caret goes to the end of the line.
  view_->SetCaretOffset(last.UriStart - 1);
  QCOMPARE(view_->CaretOffset(), last.UriStart - 2);
}

void TestResultView::pointerShape_data() {
  QTest::addColumn<QString>("where");
  QTest::addColumn<bool>("hand");
  QTest::newRow("header text") << "header" << false;
  QTest::newRow("title") << "title" << true;
  QTest::newRow("score after the title") << "score" << false;
  QTest::newRow("file name") << "uri" << true;
  QTest::newRow("size after the file name") << "size" << false;
  QTest::newRow("right of a wrapped title line") << "wrapped" << false;
  QTest::newRow("below the text") << "below" << false;
}

void TestResultView::pointerShape() {
  QFETCH(QString, where);
  QFETCH(bool, hand);
  ShowView(1, 1);
  const SearchHit& hit = view_->Hits()[0];
  const QMap<QString, int32_t> offsets{{"header", 2},
                                       {"title", hit.TitleStart + 4},
                                       {"score", hit.TitleEnd + 4},
                                       {"uri", hit.UriEnd - 1},
                                       {"size", hit.UriEnd + 4}};
  QPoint point;
  if (offsets.contains(where)) {
    point = PointAt(*view_, offsets[where]);
  } else if (where == "wrapped") {
    // Right of the first line of the title, which goes on in the next line.
    const int firstLineY = PointAt(*view_, hit.TitleStart).y();
    QVERIFY(PointAt(*view_, hit.TitleEnd).y() > firstLineY);
    point = QPoint(view_->viewport()->width() - 3, firstLineY);
  } else {
    view_->SetCaretOffset(view_->ResultCharCount());
    point = QPoint(20, view_->viewport()->height() - 3);
  }
  // From the other shape, so that the move has to set it.
  MouseEvent(*view_, QEvent::MouseMove, PointAt(*view_, hand ? 2 : hit.TitleStart + 1));
  MouseEvent(*view_, QEvent::MouseMove, point);
  QCOMPARE(view_->viewport()->cursor().shape(), hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
  if (offsets.contains(where)) QCOMPARE(view_->LastMouseCharPos(), offsets[where]);
}

void TestResultView::clickOpensHit_data() {
  QTest::addColumn<QString>("where");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<bool>("withSelection");
  QTest::addColumn<bool>("opens");
  QTest::newRow("title") << "title" << int(Qt::NoModifier) << false << true;
  QTest::newRow("file name") << "uri" << int(Qt::NoModifier) << false << true;
  QTest::newRow("Shift+click") << "title" << int(Qt::ShiftModifier) << false << true;
  QTest::newRow("header") << "header" << int(Qt::NoModifier) << false << false;
  QTest::newRow("with a selection") << "title" << int(Qt::NoModifier) << true << false;
  // The text scrolled under a pointer that has not moved: the press counts.
  QTest::newRow("no move before the press") << "stale" << int(Qt::NoModifier) << false << true;
}

void TestResultView::clickOpensHit() {
  QFETCH(QString, where);
  QFETCH(int, modifiers);
  QFETCH(bool, withSelection);
  QFETCH(bool, opens);
  ShowView(3);
  const SearchHit& hit = view_->Hits()[0];
  const int32_t offset = where == "header" ? 3 : where == "uri" ? hit.UriStart + 2
                                                                : hit.TitleStart + 5;
  if (withSelection) view_->SetSelection(0, 4);
  const QPoint point = PointAt(*view_, offset);
  MouseEvent(*view_, QEvent::MouseMove, where == "stale" ? PointAt(*view_, 3) : point);
  QSignalSpy spy(view_, &TResultView::OpenHitRequested);
  MouseEvent(*view_, QEvent::MouseButtonPress, point, Qt::KeyboardModifiers(modifiers));
  MouseEvent(*view_, QEvent::MouseButtonRelease, point, Qt::KeyboardModifiers(modifiers));
  QCOMPARE(spy.count(), opens ? 1 : 0);
  if (opens) {
    QCOMPARE(spy[0][0].value<int32_t>(), offset);
    QCOMPARE(spy[0][1].toBool(), modifiers != Qt::ShiftModifier);
    QVERIFY(!view_->HasSelection());  // Shift did not extend a selection either
  }
}

void TestResultView::keySignals_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<QString>("signal");
  QTest::newRow("Enter") << int(Qt::Key_Return) << int(Qt::NoModifier) << "inside";
  QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << "inside";
  QTest::newRow("Shift+Enter") << int(Qt::Key_Return) << int(Qt::ShiftModifier) << "outside";
  QTest::newRow("Esc") << int(Qt::Key_Escape) << int(Qt::NoModifier) << "escape";
}

void TestResultView::keySignals() {
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(QString, signal);
  ShowView(3);
  const int32_t caret = view_->Hits()[2].TitleStart + 3;
  view_->SetCaretOffset(caret);
  QSignalSpy open(view_, &TResultView::OpenHitRequested);
  QSignalSpy escape(view_, &TResultView::EscapePressed);
  QTest::keyClick(view_, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(escape.count(), signal == "escape" ? 1 : 0);
  QCOMPARE(open.count(), signal == "escape" ? 0 : 1);
  if (signal != "escape") {
    QCOMPARE(open[0][0].value<int32_t>(), caret);
    QCOMPARE(open[0][1].toBool(), signal == "inside");
  }
  QCOMPARE(view_->Text(), ResultText(3).chopped(1));  // nothing typed
}

void TestResultView::nextAndPreviousHit_data() {
  QTest::addColumn<QString>("from");
  QTest::addColumn<char>("key");
  QTest::addColumn<QString>("to");
  // "0" the start, "tK" / "uK" the title / file name of hit K, "end" the footer.
  QTest::newRow("N from the header") << "0" << 'n' << "u0";
  QTest::newRow("N inside a title") << "t0" << 'N' << "u1";
  QTest::newRow("N on a file name") << "u1" << 'n' << "u2";
  QTest::newRow("N in the last hit stays there") << "t2" << 'n' << "u2";
  QTest::newRow("N after the last hit") << "end" << 'n' << "end";
  QTest::newRow("P in the first hit") << "u0" << 'p' << "t0";
  QTest::newRow("P on a file name") << "u2" << 'P' << "t1";
  QTest::newRow("P after the last hit") << "end" << 'p' << "t2";
  QTest::newRow("P from the header") << "0" << 'p' << "0";
}

void TestResultView::nextAndPreviousHit() {
  QFETCH(QString, from);
  QFETCH(char, key);
  QFETCH(QString, to);
  ShowView(3);
  // The caret starts one character into a title; a title target is its start.
  auto place = [&](const QString& name, int intoTitle) -> int32_t {
    if (name == "0") return 0;
    if (name == "end") return view_->ResultCharCount() - 4;
    const SearchHit& hit = view_->Hits()[size_t(name.mid(1).toInt())];
    return name[0] == u't' ? hit.TitleStart + intoTitle : hit.UriStart;
  };
  view_->SetCaretOffset(place(from, 1));
  QTest::keyClick(view_, key);
  QCOMPARE(view_->CaretOffset(), place(to, 0));
  QCOMPARE(view_->Text(), ResultText(3).chopped(1));
}

void TestResultView::paging() {
  ShowView(60);
  QScrollBar* bar = view_->verticalScrollBar();
  const int height = view_->viewport()->height();
  // The rows on screen: the offset each begins at and its top.
  auto rowsOnScreen = [&] {
    QMap<int32_t, int> rows;
    for (int y = height - 1; y >= 0; --y) rows[view_->CharOffsetAt(QPoint(1, y))] = y;
    return rows;
  };
  // Presses the key and checks that the list moved by `pages` pages: the row
  // that comes to the top (down) or the old top row (up) was or is on the
  // lower half of the screen, so that no row is skipped and at least half a
  // screen goes by. The caret goes to the first visible line.
  auto page = [&](Qt::Key key, Qt::KeyboardModifiers modifiers, int pages) {
    const QMap<int32_t, int> before = rowsOnScreen();
    const int32_t firstBefore = view_->FirstVisibleOffset();
    QTest::keyClick(view_, key, modifiers);
    const int32_t first = view_->FirstVisibleOffset();
    if (pages == 0) {
      QCOMPARE(first, firstBefore);
    } else if (pages > 0) {
      QVERIFY2(before.contains(first) && before[first] > height / 2, qPrintable(QString::number(first)));
    } else {
      const QMap<int32_t, int> after = rowsOnScreen();
      QVERIFY2(first == 0 || (after.contains(firstBefore) && after[firstBefore] > height / 2),
               qPrintable(QString::number(first)));
    }
    QCOMPARE(view_->CaretOffset(), first);
  };

  page(Qt::Key_Backspace, Qt::NoModifier, 0);  // at the start: nothing happens
  QCOMPARE(view_->CaretOffset(), 0);
  page(Qt::Key_Space, Qt::NoModifier, 1);
  QVERIFY(view_->CaretOffset() > 0);
  page(Qt::Key_Space, Qt::NoModifier, 1);
  page(Qt::Key_Space, Qt::ShiftModifier, -1);
  page(Qt::Key_Backspace, Qt::NoModifier, -1);
  QCOMPARE(bar->value(), 0);  // back at the top after as many pages up as down
  QCOMPARE(view_->CaretOffset(), 0);
  QCOMPARE(view_->Text(), ResultText(60).chopped(1));  // nothing typed

  // Space with the end on screen: nothing moves.
  QTest::keyClick(view_, Qt::Key_End, Qt::ControlModifier);
  const int atEnd = bar->value();
  const int32_t caretAtEnd = view_->CaretOffset();
  QVERIFY(atEnd > 0);
  QTest::keyClick(view_, Qt::Key_Space);
  QCOMPARE(bar->value(), atEnd);
  QCOMPARE(view_->CaretOffset(), caretAtEnd);

  // The caret at the start of a list scrolled down by the scroll bar: a page up.
  view_->SetCaretOffset(0);
  bar->setValue(bar->maximum());
  page(Qt::Key_Backspace, Qt::NoModifier, -1);
}

void TestResultView::failingFilesAreReported_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<int>("icon");
  QTest::newRow("0 bytes") << "empty" << int(QMessageBox::Warning);
  QTest::newRow("missing") << "missing" << int(QMessageBox::Critical);
  QTest::newRow("a folder") << "folder" << int(QMessageBox::Critical);
}

void TestResultView::failingFilesAreReported() {
  QFETCH(QString, kind);
  QFETCH(int, icon);
  ShowView(2);  // something to be cleared
  std::string path = dir_->path().toStdString();
  if (kind == "empty") path = WriteFile(QStringLiteral("empty.txt"), std::string());
  if (kind == "missing") path += "/none.txt";
  QString caption;
  QString text;
  int shownIcon = -1;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box != nullptr);
    caption = box->windowTitle();
    text = box->text();
    shownIcon = int(box->icon());
    box->button(QMessageBox::Ok)->click();
  });
  QVERIFY(!view_->ShowResultFile(path, 2, 2, true));
  QCOMPARE(caption, QStringLiteral("エラー"));
  QCOMPARE(shownIcon, icon);
  if (kind == "empty") {
    QCOMPARE(text, QStringLiteral("検索結果のファイルのサイズが 0 バイトです。\n") +
                       QString::fromStdString(path));
  } else {
    QVERIFY2(text.contains(QString::fromStdString(path)), qPrintable(text));
  }
  QVERIFY(view_->Text().isEmpty());
  QCOMPARE(view_->HitCount(), 0);
}

void TestResultView::brokenFilesLoad_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("hits");
  std::mt19937 random(7);
  QByteArray garbage;
  for (int i = 0; i < 20000; ++i) garbage.append(char(random() & 0xFF));
  QTest::newRow("binary garbage") << garbage << -1;
  const QByteArray text = QByteArray::fromStdString(Sjis(ResultText(3)));
  const int cut = text.indexOf(QByteArray::fromStdString(Sjis(QStringLiteral("本文の要約"))),
                               text.indexOf("3. "));
  QTest::newRow("cut off mid-hit") << text.left(cut) << 3;
  QTest::newRow("cut inside a double-byte character") << text.left(cut + 1) << 3;
  // Lone lead bytes before a line break, bytes without a character, a NUL.
  QByteArray broken = text;
  broken.replace(QByteArray("2. "), QByteArray("2. \x82\r\x82\n\xFF\x80\x85\x40\x00 ", 13));
  QTest::newRow("broken characters in a title") << broken << 3;
}

void TestResultView::brokenFilesLoad() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, hits);
  view_->ShowResultFile(WriteFile(QStringLiteral("broken.txt"), bytes.toStdString()), 2, 2, true);
  if (hits >= 0) QCOMPARE(view_->HitCount(), hits);
  // The view and the hit table still agree, and all of it can be painted.
  const QString all = view_->Text();
  QCOMPARE(all.size() + all.count(u'\n') + 2, view_->ResultCharCount());
  for (size_t i = 0; i < view_->Hits().size(); ++i) {
    const SearchHit& hit = view_->Hits()[i];
    const QString title = ViewText(*view_, hit.TitleStart, hit.TitleEnd);
    QCOMPARE(title.size(), qsizetype(hit.TitleEnd - hit.TitleStart + 1));
    if (hits >= 0) QVERIFY2(title.endsWith(QStringLiteral("の題名 %1").arg(i + 1)), qPrintable(title));
    if (hit.UriEnd > 0) QCOMPARE(ViewText(*view_, hit.UriStart, hit.UriEnd), SjisToQString(hit.Uri));
  }
  QScrollBar* bar = view_->verticalScrollBar();
  for (int i = 0; i < 50 && bar->value() < bar->maximum(); ++i) {
    QTest::keyClick(view_, Qt::Key_Space);
    view_->viewport()->repaint();
    QTest::keyClick(view_, Qt::Key_N);
  }
}

void TestResultView::largeResultFile() {
  const std::string path = TAVIREL_SHARED_DATA "/result-10k.txt";
  if (!QFile::exists(QString::fromStdString(path))) QSKIP("result-10k.txt is not there");
  QVERIFY(view_->ShowResultFile(path, 2, 2, true));
  QCOMPARE(view_->HitCount(), 9699);
  const SearchHit& last = view_->Hits().back();
  QCOMPARE(SjisToQString(last.Title), QStringLiteral("9,699. t01916.txt"));
  QCOMPARE(SjisToQString(last.Uri), QStringLiteral("/tmp/nmzbench/docs10k/text/ja/t01916.txt"));
  // The kinds the view gives every character are those of the full parse.
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::vector<uint8_t> kinds = ParseResultText(bytes, 2, 2).ResultCharKinds;
  QCOMPARE(size_t(view_->ResultCharCount()), kinds.size());
  int32_t differing = 0;
  for (int32_t at = 0; at < view_->ResultCharCount(); ++at) {
    differing += view_->ResultCharKind(at) != kinds[size_t(at)];
  }
  QCOMPARE(differing, 0);

  QVERIFY(view_->TextOf(last.TitleStart, last.UriStart)
              .startsWith(QStringLiteral("9,699. t01916.txt (スコア: 1)\n")));
  QVERIFY(view_->TextOf(last.UriStart, view_->ResultCharCount())
              .startsWith(SjisToQString(last.Uri) + QStringLiteral(" (103 bytes)")));
  QCOMPARE(view_->TextOf(last.TitleStart, last.UriStart).count(u'\n'), 4);

  // Far down the list the colours are there once it is on screen.
  QTest::keyClick(view_, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClick(view_, Qt::Key_P);
  QCOMPARE(view_->CaretOffset(), last.TitleStart);
  if (!QFontDatabase::families().isEmpty()) {
    QVERIFY(LineTints(*view_, last.TitleStart).blue > 20);
    QVERIFY(LineTints(*view_, last.UriStart).teal > 20);
  }
}

void TestResultView::caretKeysAndSelection_data() {
  QTest::addColumn<int>("from");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("to");
  QTest::addColumn<QString>("selected");
  // "ab" 0-1, break 2-3; "漢字" 4-5, break 6-7; "" 8, break 8-9; "xyz" 10-12.
  const int none = Qt::NoModifier, shift = Qt::ShiftModifier, control = Qt::ControlModifier;
  QTest::newRow("Right inside a line") << 0 << int(Qt::Key_Right) << none << 1 << "";
  QTest::newRow("Right over a line break") << 2 << int(Qt::Key_Right) << none << 4 << "";
  QTest::newRow("Left over a line break") << 4 << int(Qt::Key_Left) << none << 2 << "";
  QTest::newRow("Right at the end stays") << 13 << int(Qt::Key_Right) << none << 13 << "";
  QTest::newRow("Down") << 0 << int(Qt::Key_Down) << none << 4 << "";
  QTest::newRow("Up to an empty line") << 10 << int(Qt::Key_Up) << none << 8 << "";
  QTest::newRow("Home") << 5 << int(Qt::Key_Home) << none << 4 << "";
  QTest::newRow("End") << 4 << int(Qt::Key_End) << none << 6 << "";
  QTest::newRow("Ctrl+End") << 0 << int(Qt::Key_End) << control << 13 << "";
  QTest::newRow("Ctrl+Home") << 11 << int(Qt::Key_Home) << control << 0 << "";
  QTest::newRow("Shift+End") << 4 << int(Qt::Key_End) << shift << 6 << "漢字";
  QTest::newRow("Shift+Down") << 0 << int(Qt::Key_Down) << shift << 4 << "ab\n";
  QTest::newRow("Shift+Left over a break") << 4 << int(Qt::Key_Left) << shift << 2 << "\n";
  QTest::newRow("Ctrl+A") << 5 << int(Qt::Key_A) << control << 13 << "ab\n漢字\n\nxyz";
}

void TestResultView::caretKeysAndSelection() {
  QFETCH(int, from);
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(int, to);
  QFETCH(QString, selected);
  view_->ShowResultFile(WriteFile(QStringLiteral("keys.txt"), Sjis(QStringLiteral("ab\n漢字\n\nxyz"))),
                        2, 2, true);
  view_->SetCaretOffset(from);
  QTest::keyClick(view_, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(view_->CaretOffset(), to);
  QCOMPARE(view_->SelectedText(), selected);
  QCOMPARE(view_->HasSelection(), !selected.isEmpty());
  if (!selected.isEmpty()) {
    QTest::keyClick(view_, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), selected);
  }
}

void TestResultView::degenerateFilesStayUsable_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("chars");
  QTest::newRow("empty lines, LF") << QByteArray(200000, '\n') << 400000;
  QTest::newRow("empty lines, CR") << QByteArray(200000, '\r') << 400000;
  QTest::newRow("one-character lines") << QByteArray("a\n").repeated(100000) << 300000;
  // 30,000 characters in one line, laid out in pieces.
  const QByteArray words = QByteArray::fromStdString(Sjis(QStringLiteral("漢字 abc ")));
  QTest::newRow("one long line") << words.repeated(5000) << 35002;
}

void TestResultView::degenerateFilesStayUsable() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, chars);
  QVERIFY(!view_->ShowResultFile(WriteFile(QStringLiteral("shape.txt"), bytes.toStdString()), 2, 2,
                                 true));
  QCOMPARE(view_->ResultCharCount(), chars);
  // The end is reached and shown; Space there moves nothing.
  QTest::keyClick(view_, Qt::Key_End, Qt::ControlModifier);
  QCOMPARE(view_->CaretOffset(), chars - 2);
  QVERIFY(!view_->CaretRect(chars - 2).isEmpty());
  const int32_t top = view_->FirstVisibleOffset();
  QVERIFY(top > 0);
  QTest::keyClick(view_, Qt::Key_Space);
  QCOMPARE(view_->FirstVisibleOffset(), top);
  // Back to the start, and a page down from there.
  QTest::keyClick(view_, Qt::Key_Home, Qt::ControlModifier);
  QCOMPARE(view_->FirstVisibleOffset(), 0);
  QTest::keyClick(view_, Qt::Key_Space);
  QVERIFY(view_->FirstVisibleOffset() > 0);
  QCOMPARE(view_->CaretOffset(), view_->FirstVisibleOffset());
  // The scroll bar reaches the middle and the end.
  QScrollBar* bar = view_->verticalScrollBar();
  bar->setValue(bar->maximum() / 2);
  QVERIFY(view_->FirstVisibleOffset() > 0 && view_->FirstVisibleOffset() < top);
}

void TestResultView::mouseSelectsScrollsAndAsksForTheMenu() {
  ShowView(30);
  QSignalSpy open(view_, &TResultView::OpenHitRequested);
  // A drag over the header selects it and opens nothing.
  MouseEvent(*view_, QEvent::MouseButtonPress, PointAt(*view_, 0) - QPoint(3, 0));
  QWidget* port = view_->viewport();
  const QPoint to = PointAt(*view_, 9) - QPoint(3, 0);
  QMouseEvent drag(QEvent::MouseMove, QPointF(to), QPointF(port->mapToGlobal(to)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(port, &drag);
  MouseEvent(*view_, QEvent::MouseButtonRelease, to);
  QCOMPARE(view_->SelectedText(), view_->TextOf(0, 9));
  QCOMPARE(open.count(), 0);
  // The wheel scrolls by rows, and back.
  const int32_t top = view_->FirstVisibleOffset();
  for (const int delta : {-120, 120}) {
    QWheelEvent wheel(QPointF(20, 20), QPointF(port->mapToGlobal(QPoint(20, 20))), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(port, &wheel);
    QCOMPARE(view_->FirstVisibleOffset() > top, delta < 0);
  }
  QCOMPARE(view_->FirstVisibleOffset(), top);
  // The right button asks for the window's pop-up menu and keeps the selection.
  QSignalSpy menu(view_, &QWidget::customContextMenuRequested);
  QContextMenuEvent context(QContextMenuEvent::Mouse, QPoint(30, 30), port->mapToGlobal(QPoint(30, 30)));
  QApplication::sendEvent(port, &context);
  QCOMPARE(menu.count(), 1);
  QVERIFY(view_->HasSelection());
}

QTEST_MAIN(TestResultView)
#include "test_resultview.moc"
