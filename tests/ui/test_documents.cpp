#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "ui/search/about.h"
#include "core/search/document.h"
#include "ui/search/htmlview.h"
#include "ui/search/textview.h"
#include "ui/process/browser.h"
#include "ui/widgets/qtcodec.h"
#include "support/testsupport.h"
#include "support/uitest_support.h"

using namespace tavirel;
using namespace tavirel::uitest;

namespace {

// 日本語の本文 in each code.
QByteArray Bytes(std::string_view v) { return QByteArray(v.data(), static_cast<qsizetype>(v.size())); }
const QByteArray kSjis = Bytes(testsupport::kHonbunSjis);
const QByteArray kEuc = Bytes(testsupport::kHonbunEuc);
const QByteArray kJis = Bytes(testsupport::kHonbunJis);
const QByteArray kUtf8 = Bytes(testsupport::kHonbunUtf8);
const QString kText = QStringLiteral("日本語の本文");

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
  return path;
}

std::string Sjis(const QString& text) { return QStringToSjis(text).value_or(std::string()); }

// Answers the next message box and returns its text through `text`.
void AnswerNextMessageBox(QString* text) {
  QTimer::singleShot(0, [text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      AnswerNextMessageBox(text);
      return;
    }
    *text = box->text();
    box->accept();
  });
}

}  // namespace

class TestDocuments : public QObject {
  Q_OBJECT

 private slots:
  void init() { ResetBrowserHooks(); }
  void cleanup() { ResetBrowserHooks(); }

  void htmlCodes_data();
  void htmlCodes();
  void relativeLinksResolve();
  void beforeNavigateCancelsAndCompleteFires();
  void namazuResultPageLinks();
  void missingLinkTargetShowsMessage();
  void specialFilesAreNotRead();
  void driveLabelRedirectThroughTheRules();
  void webLinkGoesToTheShell();

  void textViewShowsCodes();
  void textViewScrollsToBody();
  void textViewKeys();
  void textViewUrlClick();

  void aboutDialog();
  void launchers();
  void helpPagesShow();
};

void TestDocuments::htmlCodes_data() {
  QTest::addColumn<QByteArray>("page");
  const QByteArray body = "</head><body><p>";
  QTest::newRow("Shift-JIS without charset") << ("<html><head>" + body + kSjis + "</p></body></html>");
  QTest::newRow("Shift-JIS declared") << ("<html><head><meta http-equiv=\"Content-Type\" "
                                          "content=\"text/html; charset=Shift_JIS\">" + body + kSjis);
  QTest::newRow("EUC-JP declared") << ("<html><head><meta charset=\"euc-jp\">" + body + kEuc);
  QTest::newRow("EUC-JP detected") << ("<html><head>" + body + kEuc);
  QTest::newRow("ISO-2022-JP declared") << ("<html><head><META CHARSET=ISO-2022-JP>" + body + kJis);
  QTest::newRow("ISO-2022-JP detected") << ("<html><head>" + body + kJis);
  QTest::newRow("UTF-8 declared") << ("<html><head><meta charset=\"utf-8\">" + body + kUtf8);
  QTest::newRow("UTF-8 detected") << ("<html><head>" + body + kUtf8);
  QTest::newRow("unknown charset name") << ("<html><head><meta charset=\"x-no-such-code\">" + body + kEuc);
}

void TestDocuments::htmlCodes() {
  QFETCH(QByteArray, page);
  QTemporaryDir dir;
  const QString path = Write(dir, QStringLiteral("page.html"), page);
  THtmlView view;
  QCOMPARE(view.objectName(), QStringLiteral("WebBrowser1"));
  QVERIFY(view.Navigate(Sjis(path)));
  QVERIFY2(view.toPlainText().contains(kText), qPrintable(view.toPlainText()));
  QCOMPARE(view.LocationUrl(), QUrl::fromLocalFile(path));
}

void TestDocuments::relativeLinksResolve() {
  QTemporaryDir dir;
  const QString a = Write(dir, QStringLiteral("a.html"),
                          "<html><body><a href=\"sub/b.html#part\">next</a></body></html>");
  const QString b = Write(dir, QStringLiteral("sub/b.html"),
                          "<html><body><p>B page</p><a name=\"part\">" + kUtf8 +
                              "</a><a href=\"../a.html\">back</a></body></html>");
  THtmlView view;
  view.resize(400, 300);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QSignalSpy complete(&view, &THtmlView::DocumentComplete);
  QVERIFY(view.Navigate(Sjis(a)));
  QTRY_COMPARE(complete.count(), 1);
  complete.clear();
  ClickText(&view, QStringLiteral("next"));
  QTRY_COMPARE(complete.count(), 1);
  QUrl expected = QUrl::fromLocalFile(b);
  expected.setFragment(QStringLiteral("part"));
  QCOMPARE(view.LocationUrl(), expected);
  QVERIFY(view.toPlainText().contains(kText));

  ClickText(&view, QStringLiteral("back"));
  QTRY_COMPARE(complete.count(), 2);
  QCOMPARE(view.LocationUrl(), QUrl::fromLocalFile(a));
}

void TestDocuments::beforeNavigateCancelsAndCompleteFires() {
  QTemporaryDir dir;
  const QString a = Write(dir, QStringLiteral("a.html"), "<html><body>first</body></html>");
  const QString b = Write(dir, QStringLiteral("b.html"), "<html><body>second</body></html>");
  THtmlView view;
  QStringList seen;
  bool refuse = true;
  connect(&view, &THtmlView::BeforeNavigate2, &view, [&](const QString& url, bool& cancel) {
    seen << url;
    if (refuse && url.endsWith(QLatin1String("b.html"))) cancel = true;
  });
  QSignalSpy complete(&view, &THtmlView::DocumentComplete);

  QVERIFY(view.Navigate(Sjis(a)));
  QCOMPARE(complete.count(), 0);  // reported after the navigating call returns
  QTRY_COMPARE(complete.count(), 1);
  QCOMPARE(complete.at(0).at(0).toString(), QUrl::fromLocalFile(a).toString(QUrl::FullyEncoded));

  QVERIFY(!view.Navigate(Sjis(b)));
  QCOMPARE(seen.size(), 2);
  QVERIFY(view.toPlainText().contains(QLatin1String("first")));
  QTest::qWait(20);
  QCOMPARE(complete.count(), 1);

  refuse = false;
  QVERIFY(view.Navigate(Sjis(b)));
  QTRY_COMPARE(complete.count(), 2);
  QVERIFY(view.toPlainText().contains(QLatin1String("second")));
}

void TestDocuments::namazuResultPageLinks() {
  QTemporaryDir dir;
  const QString target = Write(dir, QStringLiteral("旅行の覚え書き.txt"), kSjis + "\n");
  // The searcher's HTML page: Shift-JIS, no charset, the file name
  // percent-encoded as UTF-8 bytes.
  const QByteArray encoded =
      QUrl::toPercentEncoding(QStringLiteral("旅行の覚え書き.txt"));
  const QByteArray href = QFile::encodeName(dir.path()) + "/" + encoded;
  const QByteArray title = "\x97\xb7\x8d\x73\x82\xcc\x8a\x6f\x82\xa6\x8f\x91\x82\xab";  // 旅行の覚え書き
  const QByteArray page =
      "<html><head><title>Namazu</title></head><body>\n<dl>\n<dt>1. <strong><a href=\"" + href +
      "\">" + title + "</a></strong> (\x83\x58\x83\x52\x83\x41: 2)</dt>\n<dd><a href=\"" + href +
      "\">" + href + "</a> (134 bytes)<br><br></dd>\n</dl></body></html>\n";
  const QString result = Write(dir, QStringLiteral("result.html"), page);

  THtmlView view;
  view.resize(500, 300);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QSignalSpy loaded(&view, &THtmlView::DocumentComplete);
  QVERIFY(view.Navigate(Sjis(result)));
  QTRY_COMPARE(loaded.count(), 1);
  QVERIFY(view.toPlainText().contains(QStringLiteral("旅行の覚え書き")));
  QVERIFY(view.toPlainText().contains(QStringLiteral("スコア")));

  QStringList seen;
  connect(&view, &THtmlView::BeforeNavigate2, &view,
          [&](const QString& url, bool&) { seen << url; });
  QSignalSpy complete(&view, &THtmlView::DocumentComplete);
  ClickText(&view, QStringLiteral("旅行の覚え書き"));
  QTRY_COMPARE(complete.count(), 1);
  QCOMPARE(seen.size(), 1);
  QCOMPARE(AddressToLocalPath(seen.at(0).toStdString()), Sjis(target));
  QCOMPARE(view.LocationUrl().toLocalFile(), target);
  QVERIFY(view.toPlainText().contains(kText));
}

void TestDocuments::missingLinkTargetShowsMessage() {
  QTemporaryDir dir;
  const QString a = Write(dir, QStringLiteral("a.html"),
                          "<html><body>start <a href=\"gone.html\">gone</a></body></html>");
  THtmlView view;
  view.resize(300, 200);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QVERIFY(view.Navigate(Sjis(a)));
  QSignalSpy complete(&view, &THtmlView::DocumentComplete);
  QTRY_COMPARE(complete.count(), 1);

  QString message;
  AnswerNextMessageBox(&message);
  ClickText(&view, QStringLiteral("gone"));
  QTRY_VERIFY(!message.isEmpty());
  QVERIFY(message.contains(QStringLiteral("ファイルが見つかりません")));
  QVERIFY(message.contains(dir.filePath(QStringLiteral("gone.html"))));
  QTest::qWait(20);
  QCOMPARE(complete.count(), 1);
  QCOMPARE(view.LocationUrl(), QUrl::fromLocalFile(a));
  QVERIFY(view.toPlainText().contains(QLatin1String("start")));
  QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("gone.html"))));
}

// A link to a FIFO, and a page whose picture is a FIFO, neither wait for a
// writer nor load anything from it.
void TestDocuments::specialFilesAreNotRead() {
  QTemporaryDir dir;
  QVERIFY(::mkfifo(dir.filePath(QStringLiteral("pipe.html")).toLocal8Bit().constData(), 0600) == 0);
  QVERIFY(::mkfifo(dir.filePath(QStringLiteral("pipe.png")).toLocal8Bit().constData(), 0600) == 0);
  const QString a = Write(dir, QStringLiteral("a.html"),
                          "<html><body>start <img src=\"pipe.png\"> "
                          "<a href=\"pipe.html\">pipe</a></body></html>");
  THtmlView view;
  view.resize(300, 200);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QVERIFY(view.Navigate(Sjis(a)));
  QVERIFY(view.toPlainText().contains(QLatin1String("start")));

  QString message;
  AnswerNextMessageBox(&message);
  ClickText(&view, QStringLiteral("pipe"));
  QTRY_VERIFY(!message.isEmpty());
  QVERIFY2(message.startsWith(QStringLiteral("通常のファイルではないため読み込めません。")),
           qPrintable(message));
  QCOMPARE(view.LocationUrl(), QUrl::fromLocalFile(a));
}

void TestDocuments::driveLabelRedirectThroughTheRules() {
  QTemporaryDir dir;
  Write(dir, QStringLiteral("cd/doc/a.html"), "<html><body>on the disc</body></html>");
  const QString start = Write(dir, QStringLiteral("start.html"),
                              "<html><body><a href=\"file:///{cdrom1}/doc/a.html\">disc</a></body></html>");
  THtmlView view;
  view.resize(300, 200);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QSignalSpy loaded(&view, &THtmlView::DocumentComplete);
  QVERIFY(view.Navigate(Sjis(start)));
  QTRY_COMPARE(loaded.count(), 1);

  TNavigateContext context;
  context.HtmlPageActive = true;
  context.HowToOpen = "Define";
  context.UseDriveConstantsWebBrowser = "1";
  context.DriveConstantList = {"{cdrom1} => " + Sjis(dir.filePath(QStringLiteral("cd"))) + "    [DISC]"};
  connect(&view, &THtmlView::BeforeNavigate2, &view, [&](const QString& url, bool& cancel) {
    TNavigateDecision d = DecideBeforeNavigate(url.toStdString(), context);
    if (d.Action == TNavigateAction::Redirect) {
      cancel = true;
      view.Navigate(d.Target);
    }
  });
  QSignalSpy complete(&view, &THtmlView::DocumentComplete);
  ClickText(&view, QStringLiteral("disc"));
  QTRY_VERIFY(complete.count() >= 1);
  QCOMPARE(view.LocationUrl().toLocalFile(), dir.filePath(QStringLiteral("cd/doc/a.html")));
  QVERIFY(view.toPlainText().contains(QLatin1String("on the disc")));
}

void TestDocuments::webLinkGoesToTheShell() {
  QList<QUrl> opened;
  BrowserHooks().OpenUrl = [&](const QUrl& url) {
    opened << url;
    return true;
  };
  THtmlView view;
  QVERIFY(!view.Navigate(std::string("http://www.namazu.org/")));
  QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://www.namazu.org/"))});
  QVERIFY(!view.HasDocument());
}

void TestDocuments::textViewShowsCodes() {
  QTemporaryDir dir;
  struct Case {
    const char* name;
    QByteArray bytes;
  };
  const Case cases[] = {{"utf8.txt", kUtf8 + "\n"}, {"sjis.txt", kSjis + "\n"},
                        {"euc.txt", kEuc + "\n"}, {"jis.txt", kJis + "\n"}};
  TTextView view;
  QCOMPARE(view.objectName(), QStringLiteral("edtTextContents"));
  QVERIFY(!view.testAttribute(Qt::WA_InputMethodEnabled));
  // Read-only: typing changes nothing. Lines wrap at the width of the view.
  view.resize(300, 200);
  view.ShowText(std::string(200, 'w') + " end\n", TTextEncoding::ShiftJis);
  QTest::keyClicks(&view, QStringLiteral("abc"));
  QCOMPARE(view.Text(), QString(200, u'w') + QStringLiteral(" end\n"));
  QVERIFY(view.CaretRect(150).top() > view.CaretRect(0).top());
  for (const Case& c : cases) {
    const QString path = Write(dir, QLatin1String(c.name), c.bytes);
    TDocumentText doc = LoadDocumentText(Sjis(path), {false, true, false});
    QCOMPARE(doc.Status, TDocumentLoadStatus::Ok);
    view.ShowText(doc.Text.Text, doc.Text.Encoding, doc.Text.BodyLine);
    QCOMPARE(view.Text(), kText + QLatin1Char('\n'));
  }
}

void TestDocuments::textViewScrollsToBody() {
  QByteArray mail = "From: a@example.jp\nSubject: =?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?=\nX-A: 1\nX-B: 2\n\n";
  for (int i = 0; i < 200; ++i) mail += "body line " + QByteArray::number(i) + "\n";
  QTemporaryDir dir;
  const QString path = Write(dir, QStringLiteral("x.alm"), mail);
  TDocTypeDefinition definition;
  QCOMPARE(ChooseViewer("Define", Sjis(path), definition).Viewer, TDocumentViewer::Text);
  TDocumentText doc = LoadDocumentText(Sjis(path), TextOptionsFor("Define", "None", "0", definition));
  QCOMPARE(doc.Text.BodyLine, 5);

  TTextView view;
  view.resize(500, 300);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  view.ShowText(doc.Text.Text, doc.Text.Encoding, doc.Text.BodyLine);
  QVERIFY(view.Text().contains(QStringLiteral("Subject: てすと")));
  // The first body line sits one line above the top of the view.
  QCOMPARE(view.FirstVisibleLine(), 6);
  QCOMPARE(view.LineOf(view.CaretOffset()), 6);
  QCOMPARE(view.CaretOffset() - view.LineStart(view.LineOf(view.CaretOffset())), 0);

  // Without a body line the view shows the top.
  view.ShowText("a\nb\n", TTextEncoding::ShiftJis, -1);
  QCOMPARE(view.FirstVisibleLine(), 0);
}

void TestDocuments::textViewKeys() {
  TTextView view;
  view.resize(400, 200);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  std::string text;
  for (int i = 0; i < 100; ++i) text += "line " + std::to_string(i) + "\n";
  view.ShowText(text, TTextEncoding::ShiftJis);
  view.SetDocumentPath("/docs/page.html");
  QScrollBar* bar = view.verticalScrollBar();

  QSignalSpy status(&view, &TTextView::StatusTextRequested);
  QSignalSpy next(&view, &TTextView::NextDocumentRequested);
  QSignalSpy previous(&view, &TTextView::PreviousDocumentRequested);
  QSignalSpy result(&view, &TTextView::ResultListRequested);
  QSignalSpy browser(&view, &TTextView::OpenInBrowserRequested);
  QSignalSpy application(&view, &TTextView::OpenWithApplicationRequested);
  QSignalSpy beeped(&view, &TTextView::Beeped);

  QTest::keyClick(&view, Qt::Key_Backspace);  // at the top
  QCOMPARE(beeped.count(), 1);
  QCOMPARE(status.count(), 1);
  QCOMPARE(status.at(0).at(0).toString(), QStringLiteral("N:次文書  P:前文書"));

  QTest::keyClick(&view, Qt::Key_J);
  QCOMPARE(bar->value(), 1);
  QCOMPARE(view.LineOf(view.CaretOffset()), 1);  // the caret follows the top line
  QTest::keyClick(&view, Qt::Key_J, Qt::ShiftModifier);
  QCOMPARE(bar->value(), 2);
  QTest::keyClick(&view, Qt::Key_K);
  QCOMPARE(bar->value(), 1);

  QTest::keyClick(&view, Qt::Key_Space);  // a page down
  const int paged = bar->value();
  QVERIFY(paged > 1 + bar->pageStep() / 2);
  QCOMPARE(view.LineOf(view.CaretOffset()), paged);
  QCOMPARE(view.CaretOffset() - view.LineStart(view.LineOf(view.CaretOffset())), 0);
  QTest::keyClick(&view, Qt::Key_Backspace);  // a page up
  QVERIFY(bar->value() < paged - bar->pageStep() / 2);
  QCOMPARE(view.LineOf(view.CaretOffset()), bar->value());
  QCOMPARE(beeped.count(), 1);

  bar->setValue(bar->maximum());
  QTest::keyClick(&view, Qt::Key_Space);
  QCOMPARE(beeped.count(), 2);
  QCOMPARE(bar->value(), bar->maximum());

  QTest::keyClick(&view, Qt::Key_N);
  QTest::keyClick(&view, Qt::Key_P, Qt::ShiftModifier);
  QCOMPARE(next.count(), 1);
  QCOMPARE(previous.count(), 1);

  QTest::keyClick(&view, Qt::Key_Return);
  QCOMPARE(result.count(), 1);
  QCOMPARE(application.count(), 0);
  QTest::keyClick(&view, Qt::Key_Return, Qt::ShiftModifier);
  QCOMPARE(browser.count(), 1);
  QCOMPARE(application.count(), 1);
  QCOMPARE(result.count(), 1);

  view.SetDocumentPath("/docs/notes.txt");
  QTest::keyClick(&view, Qt::Key_Enter, Qt::ShiftModifier);
  QCOMPARE(browser.count(), 1);
  QCOMPARE(application.count(), 2);
  QCOMPARE(view.Text().size(), static_cast<qsizetype>(text.size()));  // nothing typed
}

void TestDocuments::textViewUrlClick() {
  QList<QUrl> opened;
  BrowserHooks().OpenUrl = [&](const QUrl& url) {
    opened << url;
    return true;
  };
  TTextView view;
  view.resize(500, 200);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  const QString text = QStringLiteral("詳しくは http://www.namazu.org/ja/ を見てください。\n"
                                      "www.example.org, and plain words.\n");
  view.ShowText(Sjis(text), TTextEncoding::ShiftJis);

  auto clickAt = [&](const QString& needle, int offset) {
    // The view counts two for a line break.
    const int at = static_cast<int>(text.indexOf(needle)) + offset;
    QRect r = view.CaretRect(at + static_cast<int>(text.left(at).count(u'\n')));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(r.left() + 2, r.center().y()));
  };
  clickAt(QStringLiteral("namazu.org"), 2);
  QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("http://www.namazu.org/ja/"))});
  clickAt(QStringLiteral("example"), 1);
  QCOMPARE(opened.size(), 2);
  QCOMPARE(opened.at(1), QUrl(QStringLiteral("http://www.example.org")));
  clickAt(QStringLiteral("plain"), 1);
  clickAt(QStringLiteral("詳しく"), 1);
  QCOMPARE(opened.size(), 2);
}

void TestDocuments::aboutDialog() {
  QList<QUrl> opened;
  BrowserHooks().OpenUrl = [&](const QUrl& url) {
    opened << url;
    return true;
  };
  TfrmAbout about;
  QCOMPARE(about.windowTitle(), QStringLiteral("バージョン情報"));
  QVERIFY(about.lblVersion->text().startsWith(QStringLiteral("tavirel for Namazu Version 0.1.0 (")));
  QVERIFY(about.lblVersion->font().bold());
  QCOMPARE(about.imgPicture->pixmap().size(), QSize(345, 80));
  QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("btnHomepage")), about.btnHomepage);
  QCOMPARE(about.btnHomepage->text(), QStringLiteral("関連ホームページ(&W)..."));
  QCOMPARE(about.findChild<QMenu*>(QStringLiteral("mnuLink")), about.mnuLink);
  QVERIFY(about.btnOK->isDefault());

  struct Item {
    const char* name;
    QString caption;
    int tag;
  };
  const Item items[] = {
      {"mnuWebPageTavirel", QStringLiteral("tavirel for Namazu のページへ"), 1},
      {"mnuWebPageNamazu", QStringLiteral("Namazu のページへ"), 2},
      {"mnuWebPageNamazuWin32", QStringLiteral("Namazu for Win32 のページへ"), 3},
      {"mnuWebPagePnamazu", QStringLiteral("pnamazu のページへ"), 4},
      {"mnuWebPageNamazuOS2", QStringLiteral("Namazu for OS/2 のページへ"), 5},
  };
  QCOMPARE(about.mnuLink->actions().size(), 5);
  for (int i = 0; i < 5; ++i) {
    auto* action = about.findChild<QAction*>(QLatin1String(items[i].name));
    QVERIFY2(action, items[i].name);
    QCOMPARE(about.mnuLink->actions().at(i), action);
    QCOMPARE(action->text(), items[i].caption);
    QCOMPARE(action->data().toInt(), items[i].tag);
    action->trigger();
    QCOMPARE(opened.size(), i + 1);
    QCOMPARE(opened.last(), QUrl(TfrmAbout::PageForTag(items[i].tag)));
  }
  QCOMPARE(opened.at(0), QUrl::fromLocalFile(QCoreApplication::applicationDirPath() +
                                             QStringLiteral("/help/index.html")));
  QCOMPARE(opened.at(1), QUrl(QStringLiteral("http://www.namazu.org/")));
  QVERIFY(TfrmAbout::PageForTag(6).isEmpty());

  about.show();
  QVERIFY(QTest::qWaitForWindowExposed(&about));
  QTest::mouseClick(about.btnHomepage, Qt::LeftButton);
  QTRY_VERIFY(about.mnuLink->isVisible());
  about.mnuLink->close();
  QTest::mouseClick(about.btnOK, Qt::LeftButton);
  QCOMPARE(about.result(), int(QDialog::Accepted));
}

void TestDocuments::launchers() {
  QTemporaryDir dir;
  const QString page = Write(dir, QStringLiteral("結果 a.html"), "<html></html>");

  std::vector<std::vector<std::string>> programs;
  BrowserHooks().StartProgram = [&](const std::vector<std::string>& args) {
    programs.push_back(args);
    return true;
  };
  QVERIFY(OpenURLByNetscape(Sjis(page) + "#top", "/usr/bin/firefox"));
  QCOMPARE(programs.size(), size_t(1));
  QCOMPARE(programs[0].size(), size_t(2));
  QCOMPARE(programs[0][0], std::string("/usr/bin/firefox"));
  QUrl expected = QUrl::fromLocalFile(page);
  expected.setFragment(QStringLiteral("top"));
  QCOMPARE(QString::fromStdString(programs[0][1]), expected.toString(QUrl::FullyEncoded));
  QVERIFY(!OpenURLByNetscape(Sjis(page), ""));
  QCOMPARE(programs.size(), size_t(1));

  // The system browser: one instance kept and reused.
  std::vector<std::vector<std::string>> browsers;
  qint64 nextPid = 100;
  int failures = 0;
  bool alive = true;
  BrowserHooks().SystemBrowser = [] { return std::string("x-www-browser"); };
  BrowserHooks().StartBrowser = [&](const std::vector<std::string>& args, qint64& pid) {
    browsers.push_back(args);
    if (failures > 0) {
      --failures;
      return false;
    }
    pid = nextPid++;
    return true;
  };
  QList<qint64> asked;
  BrowserHooks().IsRunning = [&](qint64 pid) {
    asked << pid;
    return alive;
  };
  QVERIFY(OpenURLByInternetExplorer("http://www.namazu.org/"));
  QCOMPARE(browsers.size(), size_t(1));
  QCOMPARE(browsers[0], (std::vector<std::string>{"x-www-browser", "http://www.namazu.org/"}));
  QVERIFY(asked.isEmpty());  // nothing kept yet

  QVERIFY(OpenURLByInternetExplorer(Sjis(page)));  // reuses instance 100
  QCOMPARE(asked, QList<qint64>{100});
  QCOMPARE(browsers.size(), size_t(2));
  QCOMPARE(QString::fromStdString(browsers[1][1]), QUrl::fromLocalFile(page).toString(QUrl::FullyEncoded));

  alive = false;  // the user closed it
  QVERIFY(OpenURLByInternetExplorer("http://a.example/"));
  QCOMPARE(asked.last(), qint64(100));
  QVERIFY(OpenURLByInternetExplorer("http://b.example/"));
  QCOMPARE(asked.last(), qint64(102));  // the new instance was kept

  failures = 1;  // a failed start is tried once more
  QVERIFY(OpenURLByInternetExplorer("http://c.example/"));
  QCOMPARE(browsers.size(), size_t(6));

  failures = 2;  // both fail: reported
  QString message;
  AnswerNextMessageBox(&message);
  QVERIFY(!OpenURLByInternetExplorer("http://d.example/"));
  QCOMPARE(browsers.size(), size_t(8));
  QVERIFY(message.contains(QStringLiteral("ブラウザを起動できませんでした")));

  QList<QUrl> opened;
  BrowserHooks().OpenUrl = [&](const QUrl& url) {
    opened << url;
    return false;
  };
  QVERIFY(!OpenURLByShell(Sjis(page)));
  QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(page)});
}

void TestDocuments::helpPagesShow() {
  const QString folder = QStringLiteral(TAVIREL_SOURCE_DIR "/help");
  THtmlView view;
  QVERIFY(view.Navigate(Sjis(folder + QStringLiteral("/start.html"))));
  QVERIFY(view.toPlainText().contains(QStringLiteral("検索式の入力方法")));
  QVERIFY(view.toPlainText().contains(QStringLiteral("+subject:会議")));
  QVERIFY(view.Navigate(Sjis(folder + QStringLiteral("/index.html#cmdlist"))));
  QVERIFY(view.toPlainText().contains(
      QStringLiteral("This is a 'tavirel for Namazu' Command Line List File.")));
  QVERIFY(view.toPlainText().contains(QStringLiteral("[DirAliasList]")));
}

QTEST_MAIN(TestDocuments)
#include "test_documents.moc"
