// The hit list, the run page and the HTML view as a screen reader reads them,
// through Qt's own accessibility API: the text a reader gets is the text
// shown, the caret follows the keys, new output raises an event, and a page's
// links are children a reader can list and follow.
#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>

#include <vector>

#include "support/testsupport.h"
#include "ui/indexer/makeidx.h"
#include "ui/search/htmlview.h"
#include "ui/search/resultview.h"
#include "ui/widgets/bigview.h"
#include "ui/widgets/qtcodec.h"

using namespace tavirel;

namespace {

struct Seen {
  QAccessible::Event type;
  QObject* object;
  QAccessible::Id id;  // of an interface without an object of its own
  int position;
  QString text;     // inserted
  QString removed;
};
std::vector<Seen> events;

void Record(QAccessibleEvent* event) {
  Seen seen{event->type(), event->object(), event->object() ? 0 : event->uniqueId(), -1, {}, {}};
  switch (event->type()) {
    case QAccessible::TextCaretMoved:
      seen.position = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
      break;
    case QAccessible::TextInserted: {
      auto* inserted = static_cast<QAccessibleTextInsertEvent*>(event);
      seen.position = inserted->changePosition();
      seen.text = inserted->textInserted();
      break;
    }
    case QAccessible::TextRemoved: {
      auto* removed = static_cast<QAccessibleTextRemoveEvent*>(event);
      seen.position = removed->changePosition();
      seen.removed = removed->textRemoved();
      break;
    }
    case QAccessible::TextUpdated: {
      auto* updated = static_cast<QAccessibleTextUpdateEvent*>(event);
      seen.position = updated->changePosition();
      seen.text = updated->textInserted();
      seen.removed = updated->textRemoved();
      break;
    }
    default: break;
  }
  events.push_back(seen);
}

QAccessibleTextInterface* TextOf(QObject* view) {
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(view);
  return access != nullptr ? access->textInterface() : nullptr;
}

// The text the events on `view` describe, each change made in turn; a change
// that does not fit the text before it leaves a mark.
QString Replay(QObject* view) {
  QString text;
  for (const Seen& seen : events) {
    if (seen.object != view || seen.position < 0) continue;
    if (text.mid(seen.position, seen.removed.size()) != seen.removed) return QStringLiteral("<misfit>");
    text.replace(seen.position, seen.removed.size(), seen.text);
  }
  return text;
}

std::string Sjis(const QString& text) { return QStringToSjisLossy(text); }

QString AllText(QAccessibleTextInterface* text) { return text->text(0, text->characterCount()); }

// The lines of the text a reader reads line by line, as Orca does.
QStringList ReadByLines(QAccessibleTextInterface* text) {
  QStringList lines;
  int start = 0, end = 0;
  for (int at = 0; at < text->characterCount(); at = end) {
    lines << text->textAtOffset(at, QAccessible::LineBoundary, &start, &end);
    if (end <= at) break;
  }
  return lines;
}

}  // namespace

class TestAccess : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QAccessible::installUpdateHandler(&Record);
    // As when a screen reader runs.
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    QVERIFY(QAccessible::isActive());
  }
  void init() { events.clear(); }
  void hitListReadsAsShown_data();
  void hitListReadsAsShown();
  void hitListCaretFollowsNextAndPrevious();
  void runPageAnnouncesOutput();
  void htmlLinksAreChildrenToFollow();
};

void TestAccess::hitListReadsAsShown_data() {
  QTest::addColumn<QString>("text");
  const QString hit = QStringLiteral("1. 日本語の題名 (スコア: 99)\n著者: 不明\n/tmp/文書 一/1.txt\n\n");
  QTest::newRow("hits") << QStringLiteral("検索結果\n\n") + hit.repeated(3) + QStringLiteral("終わり");
  // A line longer than a piece of the view's text, between short ones.
  QTest::newRow("long line") << QStringLiteral("前\n") + QStringLiteral("長い行").repeated(3000) +
                                    QStringLiteral("\n後\n");
  QTest::newRow("empty lines") << QStringLiteral("\n\n\nあ\n\n");
}

void TestAccess::hitListReadsAsShown() {
  QFETCH(QString, text);
  TResultView view;
  view.resize(400, 300);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  view.SetMessageText(text);
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&view);
  QAccessibleTextInterface* reader = TextOf(&view);
  QVERIFY(reader != nullptr);
  QCOMPARE(access->role(), QAccessible::EditableText);
  QCOMPARE(AllText(reader), view.Text());
  // Line by line: each line with its break; an empty last line has nothing to read.
  QStringList lines = view.Text().split(QChar(u'\n'));
  for (int i = 0; i + 1 < lines.size(); ++i) lines[i] += QChar(u'\n');
  if (lines.last().isEmpty()) lines.removeLast();
  QCOMPARE(ReadByLines(reader), lines);
  // Every reader offset names the character the view has there, and a
  // selection made by the reader is the view's.
  for (int at = 0; at < reader->characterCount(); at += 7) {
    reader->setSelection(0, at, at + 1);
    QCOMPARE(view.SelectedText(), view.Text().mid(at, 1));
    QCOMPARE(reader->text(at, at + 1), view.Text().mid(at, 1));
    QCOMPARE(reader->cursorPosition(), at + 1);
  }
}

void TestAccess::hitListCaretFollowsNextAndPrevious() {
  testsupport::TempDir dir;
  const std::string path = dir.File("結果 一覧.txt");
  QString result = QStringLiteral("検索結果\n\n");
  for (int i = 1; i <= 3; ++i) {
    result += QStringLiteral("%1. 題名%1 (スコア: 9)\n要約\n/tmp/文書/%1.txt (1 bytes)\n\n").arg(i);
  }
  result += QStringLiteral("現在のリスト: 1 - 3\n");
  testsupport::WriteBytes(path, QStringToSjisLossy(result));
  TResultView view;
  view.resize(400, 300);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QVERIFY(view.ShowResultFile(QStringToSjisLossy(QString::fromStdString(path)), 0, 0, true));
  QCOMPARE(view.HitCount(), 3);
  QAccessibleTextInterface* reader = TextOf(&view);
  QCOMPARE(AllText(reader), view.Text());
  view.setFocus();
  for (const auto& [key, hit] : std::vector<std::pair<Qt::Key, int>>{
           {Qt::Key_N, 0}, {Qt::Key_N, 1}, {Qt::Key_N, 2}, {Qt::Key_P, 1}}) {
    events.clear();
    QTest::keyClick(&view, key);
    QCOMPARE(view.MarkedHit(), hit);
    // The caret stands in the hit.
    const int caret = reader->cursorPosition();
    int start = 0, end = 0;
    const QString line = reader->textAtOffset(caret, QAccessible::LineBoundary, &start, &end);
    QVERIFY2(line.contains(QStringLiteral("/%1.txt").arg(hit + 1)) ||
                 line.contains(QStringLiteral("題名%1").arg(hit + 1)),
             qPrintable(line));
    auto moved = std::find_if(events.begin(), events.end(), [&](const Seen& seen) {
      return seen.type == QAccessible::TextCaretMoved && seen.object == &view;
    });
    QVERIFY(moved != events.end());
    QCOMPARE(moved->position, caret);
    // The marked hit's title reads as a link.
    const QString title = QStringLiteral("%1. 題名%1").arg(hit + 1);
    const QString attributes =
        reader->attributes(static_cast<int>(AllText(reader).indexOf(title)) + 3, &start, &end);
    QVERIFY(attributes.contains(QStringLiteral("link:true")));
    QCOMPARE(reader->text(start, end), title);
  }
}

void TestAccess::runPageAnnouncesOutput() {
  TfrmMakeIndex window;
  window.show();
  QCOMPARE(window.edtProcess->accessibleName(), QStringLiteral("実行画面"));
  QAccessibleTextInterface* reader = TextOf(window.edtProcess);
  QVERIFY(reader != nullptr);
  window.edtCommandLine->setText(
      QStringLiteral("!/bin/sh -c \"echo '索引を 作成'; echo 二行目; echo 終わり\""));
  QTest::mouseClick(window.btnRunMknmz, Qt::LeftButton);
  QTRY_VERIFY(std::any_of(events.begin(), events.end(), [&](const Seen& seen) {
    return seen.type == QAccessible::TextInserted && seen.object == window.edtProcess;
  }));
  QString shown;
  for (const std::string& line : window.edtProcess->Lines()) shown += SjisToQString(line) + u'\n';
  shown.chop(1);
  QCOMPARE(AllText(reader), shown);
  QVERIFY2(shown.contains(QStringLiteral("索引を 作成")) && shown.contains(QStringLiteral("終わり")),
           qPrintable(shown));
  // The changes announced, made in turn, give the text shown.
  QTRY_COMPARE(Replay(window.edtProcess), shown);
  // The reader's selection is the view's, Japanese characters included.
  const int at = static_cast<int>(shown.lastIndexOf(QStringLiteral("二行目")));
  reader->setSelection(0, at, at + 3);
  QCOMPARE(window.edtProcess->SelectedText(), QStringLiteral("二行目"));
  int start = 0, end = 0;
  QVERIFY(reader->textAtOffset(at + 1, QAccessible::LineBoundary, &start, &end)
              .startsWith(QStringLiteral("二行目")));
  QCOMPARE(start, at);

  // Output that comes in one go, appended or inserted, is one event.
  TBigView* view = window.edtProcess;
  view->Clear();
  events.clear();
  view->AppendLine("end");
  view->InsertLine(0, Sjis(QStringLiteral("索引 1")));
  view->InsertLine(1, Sjis(QStringLiteral("索引 2")));
  view->AppendLine("");
  QTRY_COMPARE(Replay(view), QStringLiteral("索引 1\n索引 2\nend\n"));
  QCOMPARE(std::count_if(events.begin(), events.end(), [&](const Seen& seen) {
             return seen.type == QAccessible::TextInserted;
           }), 1);
}

void TestAccess::htmlLinksAreChildrenToFollow() {
  testsupport::TempDir dir;
  const QString target = QString::fromStdString(
      dir.Write("目次 一.html", "<html><body><a href=\"#top\">上へ</a></body></html>"));
  const QString page = QString::fromStdString(dir.Write(
      "索引 ページ.html",
      "<html><head><meta charset=\"utf-8\"></head><body>\n"
      "<p>はじめに <a href=\"%E7%9B%AE%E6%AC%A1%20%E4%B8%80.html\">日本語の <b>目次</b></a> と "
      "<a href=\"http://example.com/a?b=1\">Example</a>.</p>\n"
      "<p>二行目 <a href=\"#end\">終わりへ</a></p><p>" + std::string(40, 'x') + "<br>" +
      QStringLiteral("折り返す文。").repeated(40).toStdString() +
      "</p><table><tr><td>表の 一</td><td>表の&nbsp;二</td></tr></table>"
      "<p><a name=\"end\">end</a></p></body></html>"));
  THtmlView view;
  view.resize(400, 300);
  view.show();
  view.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&view));
  QVERIFY(view.Navigate(QUrl::fromLocalFile(page)));
  QStringList followed;
  connect(&view, &THtmlView::BeforeNavigate2, &view,
          [&](const QString& url, bool&) { followed << url; });
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&view);
  QAccessibleTextInterface* reader = TextOf(&view);
  QVERIFY(reader != nullptr);
  QCOMPARE(AllText(reader), view.toPlainText());
  // Line by line as the lines are on the screen: the long paragraph wraps.
  const QStringList lines = ReadByLines(reader);
  QCOMPARE(lines.join(QString()), AllText(reader));
  QVERIFY2(lines.size() > AllText(reader).count(u'\n') + 2, qPrintable(lines.join(u'|')));

  // The links come first, in the page's order, each with its text and address.
  const QString pageUrl = QUrl::fromLocalFile(page).toString();
  const std::vector<std::pair<QString, QString>> links{
      {QStringLiteral("日本語の 目次"), QUrl::fromLocalFile(target).toString()},
      {QStringLiteral("Example"), QStringLiteral("http://example.com/a?b=1")},
      {QStringLiteral("終わりへ"), pageUrl + QStringLiteral("#end")}};
  QVERIFY(access->childCount() >= 3);
  for (int i = 0; i < 3; ++i) {
    QAccessibleInterface* link = access->child(i);
    QCOMPARE(link->role(), QAccessible::Link);
    QCOMPARE(link->text(QAccessible::Name), links[i].first);
    QCOMPARE(link->text(QAccessible::Value), links[i].second);
    QCOMPARE(link->parent(), access);
    QCOMPARE(access->indexOfChild(link), i);
    const int start = link->hyperlinkInterface()->startIndex();
    const int end = link->hyperlinkInterface()->endIndex();
    QCOMPARE(reader->text(start, end), links[i].first);
    int from = 0, to = 0;
    QVERIFY(reader->attributes(start + 1, &from, &to).contains(QStringLiteral("link:true")));
    QCOMPARE(std::make_pair(from, to), std::make_pair(start, end));
  }
  QVERIFY(access->child(3) == nullptr || access->child(3)->role() != QAccessible::Link);

  // Tab and Shift+Tab move the keyboard from link to link, and a reader is told.
  view.setFocus();
  for (const auto& [key, index] : std::vector<std::pair<Qt::Key, int>>{
           {Qt::Key_Tab, 0}, {Qt::Key_Tab, 1}, {Qt::Key_Tab, 2}, {Qt::Key_Backtab, 1},
           {Qt::Key_Tab, 2}}) {
    events.clear();
    QTest::keyClick(&view, key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
    for (int i = 0; i < 3; ++i) QCOMPARE(access->child(i)->state().focused, i == index);
    QCOMPARE(access->focusChild(), access->child(index));
    QVERIFY(std::any_of(events.begin(), events.end(), [&](const Seen& seen) {
      return seen.type == QAccessible::Focus && seen.id == QAccessible::uniqueId(access->child(index));
    }));
  }

  // "press" follows a link as Enter does.
  QTest::keyClick(&view, Qt::Key_Return);
  access->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  QCOMPARE(followed.size(), 2);
  QCOMPARE(followed[1], followed[0]);
  QVERIFY2(followed[0].endsWith(QStringLiteral("#end")), qPrintable(followed[0]));
  const QAccessible::Id old = QAccessible::uniqueId(access->child(0));
  access->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  QCOMPARE(view.LocationUrl(), QUrl::fromLocalFile(target));
  // Another page: the old links are gone, the new page's are read.
  QCOMPARE(access->child(0)->text(QAccessible::Name), QStringLiteral("上へ"));
  QCOMPARE(QAccessible::accessibleInterface(old), nullptr);
  QCOMPARE(AllText(reader), view.toPlainText());
}

QTEST_MAIN(TestAccess)
#include "test_access.moc"
