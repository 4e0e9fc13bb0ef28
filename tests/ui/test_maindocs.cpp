// The main window's document display: hits opened in the text view, the
// HTML view, an outside browser or the associated application; stepping
// through the hits; the text view's keys; the HTML view's navigation rules;
// the result page and the help pages.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QFont>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextLayout>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "ui/search/about.h"
#include "core/search/drivelist.h"
#include "ui/search/htmlview.h"
#include "ui/search/mainwindow.h"
#include "ui/search/resultview.h"
#include "ui/search/textview.h"
#include "ui/process/browser.h"
#include "core/settings/settings.h"
#include "ui/widgets/qtcodec.h"
#include "support/testsupport.h"
#include "support/uitest_support.h"

using namespace tavirel;
using namespace tavirel::uitest;

// Records what the program hands to the associated application instead of
// starting one.
namespace {


// 日本語の本文 in the codes a document may come in.
const std::string kSjisBody(testsupport::kHonbunSjis);
const std::string kEucBody(testsupport::kHonbunEuc);
const std::string kJisBody(testsupport::kHonbunJis);
const std::string kUtf8Body(testsupport::kHonbunUtf8);
const QString kBodyText = QStringLiteral("日本語の本文");
const std::string kEncodedSubject = "=?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?=";  // てすと

std::string Sjis(const QString& text) {
  const auto bytes = QStringToSjis(text);
  if (!bytes) qFatal("test text has no Shift-JIS form");
  return *bytes;
}

void WriteBytes(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary | std::ios::trunc) << bytes;
}

std::string Repeat(const std::string& line, int count) {
  std::string text;
  for (int i = 1; i <= count; ++i) text += line + " " + std::to_string(i) + "\n";
  return text;
}

}  // namespace

class TestMainDocs : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void cleanup();

  void defineRouting_data();
  void defineRouting();
  void textOptions_data();
  void textOptions();
  void bodyPositioning_data();
  void bodyPositioning();
  void unreadableDocument_data();
  void unreadableDocument();
  void nextAndPreviousStopAtTheEnds();
  void textViewKeys();
  void conversionMenusReopen();
  void shellFailureInStatusBar();
  void browserRoutes_data();
  void browserRoutes();
  void resultButtonShowsResultPage();
  void beforeNavigationRules_data();
  void beforeNavigationRules();
  void documentCompleteFocusesOnce();
  void startPageAndHelpInTheView();
  void japaneseFileNames();
  void aboutDialogShownAndFreed();
  void searchWordsMarkedInHits_data();
  void searchWordsMarkedInHits();
  void indexFoldersCheckedBeforeSearch_data();
  void indexFoldersCheckedBeforeSearch();
  void focusGoesStraightToTheView();

 private:
  QString Doc(const QString& name) const { return dir_->filePath(QStringLiteral("docs/") + name); }
  std::string IndexPath() const { return dir_->filePath(QStringLiteral("idx")).toStdString(); }
  QString IniPath() const { return dir_->filePath(QStringLiteral("tavirel.ini")); }
  void WriteSettings(const std::string& extra);
  // Lists `names` (files of the docs folder, or absolute paths) as the hits of
  // a hand-written result file and shows it in the window's result list.
  void ShowHits(TfrmMain& window, const QStringList& names);

  QTemporaryDir* dir_ = nullptr;
  UrlRecorder shell_;
};

void TestMainDocs::initTestCase() {
  dir_ = new QTemporaryDir;
  QVERIFY(dir_->isValid());
  for (const char* sub : {"docs", "idx", "idxdocs", "tmp"}) QDir(dir_->path()).mkdir(sub);

  const std::string mailHeader = "From: taro@example.jp\nSubject: " + kEncodedSubject +
                                 "\nDate: Tue, 08 Dec 2026 00:00:00 +0900\n";
  const std::pair<const char*, std::string> docs[] = {
      {"a.HTML", "<html><head><title>A</title></head><body><p>top page</p>" +
                     Repeat("<p>filler</p>", 200) + "<p><a name=\"top\">anchor here</a></p>"
                     "<p><a href=\"b.html\">to b</a></p></body></html>\n"},
      {"b.html", "<html><body><p>page b</p><a href=\"a.HTML\">to a</a></body></html>\n"},
      {"README", "readme text\n"},
      {"x.ini", "[Section]\nkey=value\n"},
      {"x.alm", mailHeader + "\n" + kJisBody + "\n"},
      {"mail.txt", mailHeader + "\n" + kJisBody + "\n"},
      {"x.pdf", "%PDF-1.4 not really\n"},
      {"sjis.txt", "sjis " + kSjisBody + "\n"},
      {"euc.txt", "euc " + kEucBody + "\n"},
      {"utf8.txt", "utf8 " + kUtf8Body + "\n"},
      {"long.alm", mailHeader + "\n\nfirst body line\n" + Repeat("body", 200)},
      {"nobreak.alm", mailHeader + kJisBody + "\n" + Repeat("X-Header: value", 200)},
      {"binary.txt", std::string("\x00\x01\x02text", 7)},
  };
  for (const auto& [name, bytes] : docs) WriteBytes(Doc(QString::fromLatin1(name)), bytes);
  QDir(dir_->path()).mkpath(QStringLiteral("docs/folder.txt"));

  // A small index over files with an ASCII and a Japanese name.
  WriteBytes(dir_->filePath(QStringLiteral("idxdocs/plain.txt")), "apple plain\n");
  WriteBytes(dir_->filePath(QStringLiteral("idxdocs/旅行メモ.txt")), "apple " + kEucBody + "\n");
  const std::string command =
      "env -u LC_ALL -u LC_CTYPE -u LC_MESSAGES -u LANGUAGE LANG=ja_JP.SJIS PERL_BADLANG=0 "
      "perl /usr/bin/mknmz -O '" + IndexPath() + "' '" +
      dir_->filePath(QStringLiteral("idxdocs")).toStdString() + "' >/dev/null 2>&1";
  QCOMPARE(std::system(command.c_str()), 0);
  QVERIFY(QFile::exists(QString::fromStdString(IndexPath() + "/NMZ.i")));

  // An index for the search words: a note with them far down and a page.
  QDir(dir_->path()).mkdir(QStringLiteral("words"));
  QDir(dir_->path()).mkdir(QStringLiteral("wordsidx"));
  WriteBytes(dir_->filePath(QStringLiteral("words/notes.txt")),
             "first line\n" + Repeat("filler", 60) + "the apple is red\n" + Repeat("filler", 60) +
                 "APPLE again, " + kEucBody + "\n");
  WriteBytes(dir_->filePath(QStringLiteral("words/page.html")),
             "<html><head><title>Page</title></head><body><p>an apple page</p>"
             "<p>another Apple</p></body></html>\n");
  const std::string words =
      "env -u LC_ALL -u LC_CTYPE -u LC_MESSAGES -u LANGUAGE LANG=ja_JP.SJIS PERL_BADLANG=0 "
      "perl /usr/bin/mknmz -O '" + dir_->filePath(QStringLiteral("wordsidx")).toStdString() +
      "' '" + dir_->filePath(QStringLiteral("words")).toStdString() + "' >/dev/null 2>&1";
  QCOMPARE(std::system(words.c_str()), 0);

  qputenv("TMPDIR", dir_->filePath(QStringLiteral("tmp")).toUtf8());
  for (const char* scheme : {"file", "http", "https"})
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &shell_, "open");
}

void TestMainDocs::cleanupTestCase() {
  for (const char* scheme : {"file", "http", "https"})
    QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
  TfrmMain::SetSettingsFileOverride(std::string());
  delete dir_;
}

void TestMainDocs::init() {
  TfrmMain::SetSettingsFileOverride(IniPath().toStdString());
  QFile::remove(IniPath());
  shell_.urls.clear();
  ResetBrowserHooks();
}

void TestMainDocs::cleanup() { ResetBrowserHooks(); }

void TestMainDocs::WriteSettings(const std::string& extra) {
  const std::string base[] = {"[Window]", "SavePosition=0", "ShowExplanation=0", "[Search]",
                              "DirectoryCount=1", "Directory1=" + IndexPath(), "[Command]",
                              "namazuPath=/usr/bin/namazu"};
  // A key of `extra` replaces the base line of the same name.
  std::string text;
  const std::string lines = "\n" + extra;
  for (const std::string& line : base) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos && lines.find("\n" + line.substr(0, eq + 1)) != std::string::npos)
      continue;
    text += line + "\r\n";
  }
  WriteBytes(IniPath(), text + extra);
}

void TestMainDocs::ShowHits(TfrmMain& window, const QStringList& names) {
  QString text = QStringLiteral("検索結果\n\n検索式にマッチする %1 個の文書が見つかりました。\n\n")
                     .arg(names.size());
  for (int i = 0; i < names.size(); ++i) {
    const QString path = names[i].startsWith(QLatin1Char('/')) ? names[i] : Doc(names[i]);
    text += QStringLiteral("%1. %2 の題名 (スコア: 1)\n著者: 不明\n日付: Tue, 08 Dec 2026\n"
                           "要約\n%3 (10 bytes)\n\n\n\n\n")
                .arg(i + 1)
                .arg(QFileInfo(names[i]).fileName(), path);
  }
  const QString file = dir_->filePath(QStringLiteral("tmp/hand.txt"));
  WriteBytes(file, Sjis(text));
  QVERIFY(window.edtResult->ShowResultFile(Sjis(file), Settings, true));
  QCOMPARE(window.edtResult->HitCount(), static_cast<int>(names.size()));
}

// ---- Opening by extension ---------------------------------------------------------------

void TestMainDocs::defineRouting_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("page");      // objectName of the active tab afterwards
  QTest::addColumn<QString>("shown");     // text the view shows ("" = none checked)
  QTest::addColumn<QString>("shellFile"); // file handed to the shell ("" = none)
  // The menus ask for neither conversion nor decoding: only the extension's
  // classification does it for x.alm.
  QTest::newRow("a.HTML#top") << "a.HTML#top" << "tabHTMLDoc" << "anchor here" << "";
  QTest::newRow("README") << "README" << "tabTextDoc" << "readme text" << "";
  QTest::newRow("x.ini") << "x.ini" << "tabTextDoc" << "key=value" << "";
  QTest::newRow("x.alm") << "x.alm" << "tabTextDoc" << QStringLiteral("Subject: てすと") << "";
  QTest::newRow("x.pdf") << "x.pdf" << "tabResult" << "" << "x.pdf";
}

void TestMainDocs::defineRouting() {
  QFETCH(QString, name);
  QFETCH(QString, page);
  QFETCH(QString, shown);
  QFETCH(QString, shellFile);
  WriteSettings("[Text]\r\nConvert=None\r\nDecodeHeader=0\r\n");
  TfrmMain window;
  window.show();
  QVERIFY(window.mnuConvertNone->isChecked());
  QVERIFY(!window.mnuDecodeHeader->isChecked());
  ShowHits(window, {QStringLiteral("README"), name});
  const SearchHit hit = window.edtResult->Hits()[1];

  window.OpenHitAt(hit.TitleStart, true);
  QCOMPARE(window.CurrentHitIndex, 1);
  QCOMPARE(window.CurrentDocumentPath, Sjis(Doc(name)));
  QCOMPARE(window.pge->currentWidget()->objectName(), page);
  if (page == QLatin1String("tabHTMLDoc")) {
    QCOMPARE(window.pnlTitle->text(), SjisToQString(hit.Title));
    QUrl expected = QUrl::fromLocalFile(Doc(QStringLiteral("a.HTML")));
    expected.setFragment(QStringLiteral("top"));
    QCOMPARE(window.WebBrowser1->LocationUrl(), expected);
    QVERIFY(window.WebBrowser1->toPlainText().contains(shown));
    // The view went to the anchor, far below the top of the page.
    QVERIFY(window.WebBrowser1->verticalScrollBar()->value() > 0);
    QCOMPARE(window.stb->currentMessage(), QString());
  } else if (page == QLatin1String("tabTextDoc")) {
    QCOMPARE(window.pnlSubject->text(), SjisToQString(hit.Title));
    QVERIFY2(window.edtTextContents->Text().contains(shown),
             qPrintable(window.edtTextContents->Text()));
    QCOMPARE(window.stb->currentMessage(), QStringLiteral("N:次文書  P:前文書"));
  }
  if (name == QLatin1String("x.alm")) {
    // The JIS body is converted too.
    QVERIFY(window.edtTextContents->Text().contains(kBodyText));
  }
  if (shellFile.isEmpty()) {
    QVERIFY(shell_.urls.isEmpty());
  } else {
    QCOMPARE(shell_.urls.size(), 1);
    QCOMPARE(shell_.urls[0].toLocalFile(), Doc(shellFile));
    QCOMPARE(window.stb->currentMessage(), QStringLiteral("N:次候補  P:前候補"));
  }
  window.close();
}

// ---- The text view's preparation ------------------------------------------------------------

void TestMainDocs::textOptions_data() {
  QTest::addColumn<QString>("howToOpen");
  QTest::addColumn<QString>("convert");
  QTest::addColumn<QString>("decode");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("expected");
  const QString decoded = QStringLiteral("Subject: てすと");
  const QString raw = QString::fromStdString("Subject: " + kEncodedSubject);
  // Decoded but not converted: the ISO-2022-JP bytes of てすと as text.
  const QString jisBytes = QStringLiteral("$F$9$H");
  QTest::newRow("decode and convert") << "PlainText" << "ToSJIS" << "1" << "mail.txt" << decoded;
  QTest::newRow("neither") << "PlainText" << "None" << "0" << "mail.txt" << raw;
  QTest::newRow("decode only") << "PlainText" << "None" << "1" << "mail.txt" << jisBytes;
  QTest::newRow("NKF converts nothing") << "MailNews" << "NKF" << "1" << "mail.txt" << jisBytes;
  QTest::newRow("body converted") << "PlainText" << "ToSJIS" << "0" << "mail.txt" << kBodyText;
  QTest::newRow("Shift-JIS") << "Define" << "None" << "0" << "sjis.txt"
                             << QStringLiteral("sjis ") + kBodyText;
  QTest::newRow("EUC-JP") << "Define" << "None" << "0" << "euc.txt"
                          << QStringLiteral("euc ") + kBodyText;
  QTest::newRow("UTF-8") << "Define" << "None" << "0" << "utf8.txt"
                         << QStringLiteral("utf8 ") + kBodyText;
  QTest::newRow("UTF-8 as plain text") << "PlainText" << "ToSJIS" << "1" << "utf8.txt"
                                       << QStringLiteral("utf8 ") + kBodyText;
}

void TestMainDocs::textOptions() {
  QFETCH(QString, howToOpen);
  QFETCH(QString, convert);
  QFETCH(QString, decode);
  QFETCH(QString, name);
  QFETCH(QString, expected);
  WriteSettings("[Document]\r\nHowToOpen=" + howToOpen.toStdString() + "\r\n[Text]\r\nConvert=" +
                convert.toStdString() + "\r\nDecodeHeader=" + decode.toStdString() + "\r\n");
  TfrmMain window;
  window.show();
  ShowHits(window, {name});
  window.OpenHit(0);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  const QString text = window.edtTextContents->Text();
  QVERIFY2(text.contains(expected), qPrintable(text));
  window.close();
}

void TestMainDocs::bodyPositioning_data() {
  QTest::addColumn<QString>("howToOpen");
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("firstVisible");
  // long.alm: lines 3 and 4 are empty, the body starts at line 5, and the
  // line below it comes to the top.
  QTest::newRow("mail/news") << "MailNews" << "long.alm" << 6;
  QTest::newRow("by extension") << "Define" << "long.alm" << 6;
  QTest::newRow("plain text stays at the top") << "PlainText" << "long.alm" << 0;
  QTest::newRow("no empty line") << "MailNews" << "nobreak.alm" << 0;
}

void TestMainDocs::bodyPositioning() {
  QFETCH(QString, howToOpen);
  QFETCH(QString, name);
  QFETCH(int, firstVisible);
  WriteSettings("[Document]\r\nHowToOpen=" + howToOpen.toStdString() + "\r\n");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  ShowHits(window, {name});
  window.OpenHit(0);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  QCOMPARE(window.edtTextContents->FirstVisibleLine(), firstVisible);
  QCOMPARE(window.edtTextContents->LineOf(window.edtTextContents->CaretOffset()), firstVisible);
  // Shown converted either way.
  const QString text = window.edtTextContents->Text();
  QVERIFY(text.contains(QStringLiteral("Subject: てすと")));
  if (name == QLatin1String("nobreak.alm")) QVERIFY(text.contains(kBodyText));
  window.close();
}

void TestMainDocs::unreadableDocument_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("message");
  QTest::newRow("missing") << "gone.txt" << QStringLiteral("文書を読み込めませんでした。");
  QTest::newRow("a folder") << "folder.txt" << QStringLiteral("文書を読み込めませんでした。");
  QTest::newRow("binary") << "binary.txt" << QStringLiteral("この文書はテキストとして表示できません。");
}

void TestMainDocs::unreadableDocument() {
  QFETCH(QString, name);
  QFETCH(QString, message);
  WriteSettings("");
  TfrmMain window;
  window.show();
  ShowHits(window, {QStringLiteral("README"), name});
  window.OpenHit(0);
  QVERIFY(!window.edtTextContents->Text().isEmpty());

  BoxSeen box;
  AnswerNextBox(&box);
  window.OpenHit(1);
  QVERIFY(box.seen);
  QCOMPARE(box.title, QStringLiteral("エラー"));
  QCOMPARE(box.icon, QMessageBox::Critical);
  QVERIFY2(box.text.startsWith(message), qPrintable(box.text));
  QVERIFY(box.text.contains(Doc(name)));
  // The tab is active and empty, with the hit's title; the hit is current.
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  QVERIFY(window.edtTextContents->Text().isEmpty());
  QCOMPARE(window.pnlSubject->text(), SjisToQString(window.edtResult->Hits()[1].Title));
  QCOMPARE(window.CurrentHitIndex, 1);
  QVERIFY(!QFileInfo::exists(Doc(QStringLiteral("gone.txt"))));
  window.close();
}

// ---- Stepping and keys ------------------------------------------------------------------------

void TestMainDocs::nextAndPreviousStopAtTheEnds() {
  WriteSettings("");
  TfrmMain window;
  window.show();
  ShowHits(window, {QStringLiteral("README"), QStringLiteral("b.html"), QStringLiteral("x.ini")});

  // Forward over both tabs: each tab's > button steps on.
  window.OpenHit(0);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  window.btnNext->click();
  QCOMPARE(window.CurrentHitIndex, 1);
  QCOMPARE(window.pge->currentWidget(), window.tabHTMLDoc);
  QVERIFY(window.WebBrowser1->toPlainText().contains(QStringLiteral("page b")));
  window.btnNextW->click();
  QCOMPARE(window.CurrentHitIndex, 2);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);

  // Next on the last hit: nothing changes.
  const QString text = window.edtTextContents->Text();
  const std::string path = window.CurrentDocumentPath;
  window.btnNext->click();
  QCOMPARE(window.CurrentHitIndex, 2);
  QCOMPARE(window.CurrentDocumentPath, path);
  QCOMPARE(window.edtTextContents->Text(), text);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);

  // Back to the first, then previous on it: nothing changes.
  window.btnPrevious->click();
  QCOMPARE(window.pge->currentWidget(), window.tabHTMLDoc);
  window.btnPreviousW->click();
  QCOMPARE(window.CurrentHitIndex, 0);
  QVERIFY(window.edtTextContents->Text().contains(QStringLiteral("readme text")));
  window.btnPrevious->click();
  QCOMPARE(window.CurrentHitIndex, 0);
  QVERIFY(window.edtTextContents->Text().contains(QStringLiteral("readme text")));
  QCOMPARE(window.CurrentDocumentPath, Sjis(Doc(QStringLiteral("README"))));
  QVERIFY(shell_.urls.isEmpty());

  // A new result list with fewer hits: stepping on from a hit that is no
  // longer there beeps instead of failing.
  window.CurrentHitIndex = 7;
  ShowHits(window, {QStringLiteral("README")});
  window.btnNextClick();
  window.btnPreviousClick();
  QCOMPARE(window.CurrentHitIndex, 7);
  window.close();
}

void TestMainDocs::textViewKeys() {
  WriteSettings("[Document]\r\nHowToOpen=PlainText\r\n");
  TfrmMain window;
  window.show();
  ShowHits(window, {QStringLiteral("README"), QStringLiteral("b.html"), QStringLiteral("x.ini")});
  window.OpenHit(0);
  TTextView* view = window.edtTextContents;

  // The window's popup copies the text view's selection.
  QApplication::clipboard()->setText(QStringLiteral("before"));
  view->SelectAll();
  window.pmnuPopup();
  QVERIFY(window.mnuCopy->isEnabled());
  window.mnuCopy->trigger();
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("readme text\n"));
  view->SetCaretOffset(0);
  window.pmnuPopup();
  QVERIFY(!window.mnuCopy->isEnabled());

  QTest::keyClick(view, Qt::Key_N);
  QCOMPARE(window.CurrentHitIndex, 1);
  QVERIFY(view->Text().contains(QStringLiteral("page b")));  // the page as text
  QTest::keyClick(view, Qt::Key_P);
  QCOMPARE(window.CurrentHitIndex, 0);
  QTest::keyClick(view, Qt::Key_N);

  // Shift+Enter on an HTML document: the HTML view shows it, and the
  // associated application gets the file as well.
  QTest::keyClick(view, Qt::Key_Return, Qt::ShiftModifier);
  QCOMPARE(window.pge->currentWidget(), window.tabHTMLDoc);
  QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), Doc(QStringLiteral("b.html")));
  QCOMPARE(shell_.urls.size(), 1);
  QCOMPARE(shell_.urls[0].toLocalFile(), Doc(QStringLiteral("b.html")));

  // Shift+Enter on a text document: only the associated application.
  window.OpenHit(2);
  QTest::keyClick(view, Qt::Key_Return, Qt::ShiftModifier);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  QCOMPARE(shell_.urls.size(), 2);
  QCOMPARE(shell_.urls[1].toLocalFile(), Doc(QStringLiteral("x.ini")));

  // Any key sets the page's hint; Enter goes back to the result list.
  window.stb->showMessage(QStringLiteral("something else"));
  QTest::keyClick(view, Qt::Key_J);
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("N:次文書  P:前文書"));
  QTest::keyClick(view, Qt::Key_Return);
  QCOMPARE(window.pge->currentWidget(), window.tabResult);
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("N:次候補  P:前候補"));
  QCOMPARE(window.CurrentHitIndex, 2);
  window.close();
}

void TestMainDocs::conversionMenusReopen() {
  WriteSettings("[Document]\r\nHowToOpen=PlainText\r\n[Text]\r\nConvert=None\r\nDecodeHeader=0\r\n");
  TfrmMain window;
  window.show();
  ShowHits(window, {QStringLiteral("README"), QStringLiteral("mail.txt")});
  window.OpenHit(1);
  const QString raw = QString::fromStdString("Subject: " + kEncodedSubject);
  QVERIFY(window.edtTextContents->Text().contains(raw));

  window.mnuDecodeHeader->trigger();
  QCOMPARE(Settings.DecodeHeader, std::string("1"));
  QVERIFY(window.edtTextContents->Text().contains(QStringLiteral("$F$9$H")));
  window.mnuConvertToSJIS->trigger();
  QCOMPARE(Settings.Convert, std::string("ToSJIS"));
  QVERIFY(window.edtTextContents->Text().contains(QStringLiteral("Subject: てすと")));
  QCOMPARE(window.CurrentHitIndex, 1);

  // Away from the text tab a change is only stored.
  window.pge->setCurrentWidget(window.tabResult);
  window.mnuConvertNone->trigger();
  QCOMPARE(Settings.Convert, std::string("None"));
  QCOMPARE(window.pge->currentWidget(), window.tabResult);
  QVERIFY(window.edtTextContents->Text().contains(QStringLiteral("Subject: てすと")));
  window.close();
}

void TestMainDocs::shellFailureInStatusBar() {
  WriteSettings("[Document]\r\nHowToOpen=System\r\n");
  QList<QUrl> refused;
  BrowserHooks().OpenUrl = [&](const QUrl& url) {
    refused << url;
    return false;
  };
  TfrmMain window;
  window.show();
  ShowHits(window, {QStringLiteral("README"), QStringLiteral("a.HTML#top")});
  window.OpenHitAt(window.edtResult->Hits()[1].TitleStart, true);
  QCOMPARE(refused.size(), 1);
  // The fragment is no part of the file handed over.
  QCOMPARE(refused[0].toLocalFile(), Doc(QStringLiteral("a.HTML")));
  QCOMPARE(window.CurrentHitIndex, 1);
  QCOMPARE(window.pge->currentWidget(), window.tabResult);
  QCOMPARE(window.stb->currentMessage(),
           QStringLiteral("関連付けされたアプリケーションの起動に失敗しました。"));
  window.close();
}

// ---- Browsers -------------------------------------------------------------------------------------

void TestMainDocs::browserRoutes_data() {
  QTest::addColumn<QString>("displayTo");
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("hitRoute");   // where OpenHitAsHTML sends a hit
  QTest::addColumn<QString>("pageRoute");  // where ShowInBrowser sends a page
  QTest::newRow("internal") << "Internal" << "Navigator" << "view" << "view";
  QTest::newRow("external navigator") << "External" << "Navigator" << "navigator" << "navigator";
  QTest::newRow("external explorer")
      << "External" << "InternetExplorer" << "browser" << "browser";
  QTest::newRow("external default") << "External" << "DefaultBrowser" << "shell" << "shell";
  QTest::newRow("external old name") << "External" << "NetscapeNavigator" << "shell" << "shell";
  // A value that is neither: external for a hit, the view for a page.
  QTest::newRow("other value") << "Elsewhere" << "DefaultBrowser" << "shell" << "view";
}

void TestMainDocs::browserRoutes() {
  QFETCH(QString, displayTo);
  QFETCH(QString, type);
  QFETCH(QString, hitRoute);
  QFETCH(QString, pageRoute);
  WriteSettings("[WebBrowser]\r\nDisplayTo=" + displayTo.toStdString() + "\r\nType=" +
                type.toStdString() + "\r\nNavigatorPath=/opt/nav/navigator\r\n");
  QStringList seen;
  BrowserHooks().StartProgram = [&](const std::vector<std::string>& arguments) {
    seen << QStringLiteral("navigator ") + QString::fromStdString(arguments.back());
    return arguments.front() == "/opt/nav/navigator";
  };
  BrowserHooks().StartBrowser = [&](const std::vector<std::string>& arguments, qint64& pid) {
    seen << QStringLiteral("browser ") + QString::fromStdString(arguments.back());
    pid = 4242;
    return true;
  };
  BrowserHooks().IsRunning = [](qint64) { return false; };
  BrowserHooks().OpenUrl = [&](const QUrl& url) {
    seen << QStringLiteral("shell ") + url.toString(QUrl::FullyEncoded);
    return true;
  };
  auto expected = [](const QString& route, const QString& file, const QString& fragment) {
    QUrl url = QUrl::fromLocalFile(file);
    if (!fragment.isEmpty()) url.setFragment(fragment);
    return route == QLatin1String("view") ? QStringList()
                                          : QStringList{route + ' ' + url.toString(QUrl::FullyEncoded)};
  };

  TfrmMain window;
  window.show();
  ShowHits(window, {QStringLiteral("a.HTML#top")});
  window.OpenHitAsHTML(0);
  QCOMPARE(seen, expected(hitRoute, Doc(QStringLiteral("a.HTML")), QStringLiteral("top")));
  QCOMPARE(window.pnlTitle->text(), SjisToQString(window.edtResult->Hits()[0].Title));
  QCOMPARE(window.WebBrowser1->Tag(), hitRoute == QLatin1String("view") ? 1 : 0);
  QCOMPARE(window.pge->currentWidget(),
           hitRoute == QLatin1String("view") ? window.tabHTMLDoc : window.tabResult);

  seen.clear();
  window.pge->setCurrentWidget(window.tabResult);
  window.ShowInBrowser(Sjis(Doc(QStringLiteral("b.html"))));
  QCOMPARE(seen, expected(pageRoute, Doc(QStringLiteral("b.html")), QString()));
  if (pageRoute == QLatin1String("view")) {
    QCOMPARE(window.pge->currentWidget(), window.tabHTMLDoc);
    QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), Doc(QStringLiteral("b.html")));
  } else {
    QCOMPARE(window.pge->currentWidget(), window.tabResult);
  }
  QVERIFY(shell_.urls.isEmpty());
  window.close();
}

void TestMainDocs::resultButtonShowsResultPage() {
  WriteSettings("[Result]\r\nDisplayTo=WebBrowser\r\n[WebBrowser]\r\nDisplayTo=Internal\r\n");
  TfrmMain window;
  window.show();
  window.cboKeyword->setEditText(QStringLiteral("apple"));
  window.btnSearch->click();
  // The searcher's HTML page shows in the view, not outside.
  QVERIFY(shell_.urls.isEmpty());
  QCOMPARE(window.pge->currentWidget(), window.tabHTMLDoc);
  const QString resultPage = SjisToQString(window.ResultFilePath);
  QVERIFY(QFileInfo::exists(resultPage));
  QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), resultPage);
  QVERIFY(window.WebBrowser1->toPlainText().contains(QStringLiteral("plain.txt")));

  // Elsewhere, then back with &Result.
  window.mnuHelpTavirelClick();
  QVERIFY(window.WebBrowser1->LocationUrl().toLocalFile() != resultPage);
  window.btnResult->click();
  QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), resultPage);
  QCOMPARE(window.pge->currentWidget(), window.tabHTMLDoc);

  QCOMPARE(window.pnlTitle->text(), QStringLiteral("検索結果"));

  // A link of the result page opens inside the view: the text plain (not in
  // the link's style), the words of the search marked, the title its own.
  ClickText(window.WebBrowser1, QStringLiteral("plain.txt"));
  QTRY_VERIFY(window.WebBrowser1->toPlainText().contains(QStringLiteral("apple plain")));
  QTextCursor at(window.WebBrowser1->document());
  at.setPosition(3);
  QVERIFY(!at.charFormat().isAnchor());
  QVERIFY(!at.charFormat().fontUnderline());
  QVERIFY(at.charFormat().fontWeight() <= QFont::Normal);
  QTRY_COMPARE(window.WebBrowser1->HighlightCount(), 1);
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("1 / 1"));
  QCOMPARE(window.pnlTitle->text(), QStringLiteral("plain.txt"));
  window.btnResult->click();
  QCOMPARE(window.pnlTitle->text(), QStringLiteral("検索結果"));
  QTRY_COMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), resultPage);
  QCOMPARE(window.WebBrowser1->HighlightCount(), 0);

  // Without a result page the button does nothing.
  const QUrl shown = window.WebBrowser1->LocationUrl();
  Settings.ResultDisplayTo = "Text";
  window.btnResult->click();
  QCOMPARE(window.WebBrowser1->LocationUrl(), shown);
  Settings.ResultDisplayTo = "WebBrowser";
  QFile::remove(resultPage);
  window.btnResult->click();
  QCOMPARE(window.WebBrowser1->LocationUrl(), shown);
  window.close();
}

void TestMainDocs::beforeNavigationRules_data() {
  QTest::addColumn<QString>("howToOpen");
  QTest::addColumn<QString>("driveLabels");
  QTest::addColumn<QString>("link");        // href written in the page
  QTest::addColumn<QString>("shownFile");   // file the view shows after the click
  QTest::addColumn<QString>("shellFile");   // file handed to the shell ("" = none)
  QTest::newRow("followed in the view") << "Define" << "0" << "b.html" << "b.html" << "";
  QTest::newRow("system: to the shell") << "System" << "0" << "b.html" << "start.html"
                                        << "b.html";
  QTest::newRow("system: the result page loads") << "System" << "0" << "result.html"
                                                 << "result.html" << "";
  QTest::newRow("drive label rewritten") << "Define" << "1" << "file:///{doclabel}/b.html"
                                         << "b.html" << "";
  QTest::newRow("drive labels, plain link") << "Define" << "1" << "b.html" << "b.html" << "";
}

void TestMainDocs::beforeNavigationRules() {
  QFETCH(QString, howToOpen);
  QFETCH(QString, driveLabels);
  QFETCH(QString, link);
  QFETCH(QString, shownFile);
  QFETCH(QString, shellFile);
  WriteSettings("[Document]\r\nHowToOpen=" + howToOpen.toStdString() +
                "\r\n[Result]\r\nUseDriveConstantsWebBrowser=" + driveLabels.toStdString() + "\r\n");
  WriteBytes(Doc(QStringLiteral("start.html")),
             "<html><body><p><a href=\"" + link.toStdString() + "\">the link</a></p></body></html>");
  WriteBytes(Doc(QStringLiteral("result.html")), "<html><body>the result page</body></html>");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  DriveConstantList.push_back("{doclabel} => " + Sjis(dir_->filePath(QStringLiteral("docs"))));
  window.ResultFilePath = Sjis(Doc(QStringLiteral("result.html")));

  // Asked for from the result tab, the page loads whatever the mode.
  window.ShowInBrowser(Sjis(Doc(QStringLiteral("start.html"))));
  QCOMPARE(window.pge->currentWidget(), window.tabHTMLDoc);
  QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), Doc(QStringLiteral("start.html")));
  QVERIFY(shell_.urls.isEmpty());

  ClickText(window.WebBrowser1, QStringLiteral("the link"));
  QTRY_COMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), Doc(shownFile));
  if (shellFile.isEmpty()) {
    QVERIFY(shell_.urls.isEmpty());
  } else {
    QCOMPARE(shell_.urls.size(), 1);
    QCOMPARE(shell_.urls[0].toLocalFile(), Doc(shellFile));
  }
  DriveConstantList.pop_back();
  window.close();
}

void TestMainDocs::documentCompleteFocusesOnce() {
  WriteSettings("");
  TfrmMain window;
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  ShowHits(window, {QStringLiteral("b.html")});
  window.cboKeyword->setFocus();

  window.OpenHit(0);
  QCOMPARE(window.WebBrowser1->Tag(), 1);
  QTRY_COMPARE(window.WebBrowser1->Tag(), 0);
  QTRY_VERIFY(window.WebBrowser1->hasFocus());

  // The start page leaves the focus alone.
  window.cboKeyword->setFocus();
  QTRY_VERIFY(window.cboKeyword->hasFocus());
  window.mnuHelpStartClick();
  QCOMPARE(window.WebBrowser1->Tag(), 0);
  QCoreApplication::processEvents();
  QVERIFY(!window.WebBrowser1->hasFocus());
  window.close();
}

void TestMainDocs::startPageAndHelpInTheView() {
  const QString help = QCoreApplication::applicationDirPath() + QStringLiteral("/help/");
  QVERIFY2(QFileInfo::exists(help + QStringLiteral("start.html")), qPrintable(help));
  WriteSettings("[Window]\r\nShowExplanation=1\r\n");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  // The start page is in the view; nothing went outside.
  QCOMPARE(window.pge->currentWidget(), window.tabHTMLDoc);
  QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), help + QStringLiteral("start.html"));
  QVERIFY(window.WebBrowser1->toPlainText().contains(QStringLiteral("検索式の入力方法")));
  QCOMPARE(window.WebBrowser1->Tag(), 0);
  QCOMPARE(window.pnlTitle->text(), QStringLiteral("検索式の入力方法"));
  QVERIFY(shell_.urls.isEmpty());

  window.mnuHelpTavirel->trigger();
  QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), help + QStringLiteral("index.html"));
  QCOMPARE(window.pnlTitle->text(), QStringLiteral("tavirel for Namazu ヘルプ"));
  QTRY_COMPARE(window.WebBrowser1->Tag(), 0);
  // Back to the start page: its own name replaces the program help's.
  window.btnTutorial->click();
  QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), help + QStringLiteral("start.html"));
  QCOMPARE(window.pnlTitle->text(), QStringLiteral("検索式の入力方法"));

  // Namazu's own pages: Debian's copies, the searcher being /usr/bin/namazu.
  const QString manual = QStringLiteral("/usr/share/doc/namazu2-common/ja/manual.html");
  const QString tutorial = QStringLiteral("/usr/share/doc/namazu2-common/ja/tutorial.html");
  if (QFileInfo::exists(manual) && QFileInfo::exists(tutorial)) {
    window.pge->setCurrentWidget(window.tabResult);
    window.mnuHelpNamazuManual->trigger();
    QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), manual);
    QCOMPARE(window.pnlTitle->text(), QStringLiteral("Namazu のヘルプ"));
    QVERIFY(window.WebBrowser1->toPlainText().contains(QStringLiteral("Namazu")));
    window.pge->setCurrentWidget(window.tabResult);
    window.mnuHelpNamazuTutorial->trigger();
    QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), tutorial);
  }
  QVERIFY(shell_.urls.isEmpty());
  window.close();
}

// ---- Japanese file names ---------------------------------------------------------------------

void TestMainDocs::japaneseFileNames() {
  // The searcher writes the file name percent-encoded as UTF-8; the list
  // shows it decoded, with the title mknmz made from the name.
  WriteSettings("");
  TfrmMain window;
  window.show();
  window.cboKeyword->setEditText(QStringLiteral("apple"));
  window.btnSearch->click();
  QCOMPARE(window.edtResult->HitCount(), 2);
  const std::string travel = Sjis(dir_->filePath(QStringLiteral("idxdocs/旅行メモ.txt")));
  int index = -1;
  for (int i = 0; i < 2; ++i) {
    if (window.edtResult->Hits()[static_cast<size_t>(i)].Uri == travel) index = i;
  }
  QVERIFY2(index >= 0, window.edtResult->Hits()[0].Uri.c_str());
  QVERIFY(window.edtResult->Text().contains(QStringLiteral(". 旅行メモ.txt (スコア: ")));
  // A document that cannot be read would be reported in a message box.
  BoxSeen box;
  AnswerNextBox(&box, QMessageBox::Ok, 10);
  window.OpenHitAt(window.edtResult->Hits()[static_cast<size_t>(index)].TitleStart, true);
  QVERIFY2(!box.seen, qPrintable(box.text));
  QCOMPARE(window.CurrentDocumentPath,
           Sjis(dir_->filePath(QStringLiteral("idxdocs/旅行メモ.txt"))));
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  QVERIFY(window.edtTextContents->Text().contains(QStringLiteral("apple ") + kBodyText));

  // A hand-written list: a percent-encoded name that exists only decoded,
  // and one whose written form is the real name (a file called "%41.txt").
  WriteBytes(Doc(QStringLiteral("%41.txt")), "percent in the name\n");
  ShowHits(window, {QStringLiteral("%E6%97%85%E8%A1%8C.txt"), QStringLiteral("%41.txt")});
  WriteBytes(Doc(QStringLiteral("旅行.txt")), "journey\n");
  window.OpenHit(0);
  QCOMPARE(window.CurrentDocumentPath, Sjis(Doc(QStringLiteral("旅行.txt"))));
  QVERIFY(window.edtTextContents->Text().contains(QStringLiteral("journey")));
  window.OpenHit(1);
  QCOMPARE(window.CurrentDocumentPath, Sjis(Doc(QStringLiteral("%41.txt"))));
  QVERIFY(window.edtTextContents->Text().contains(QStringLiteral("percent in the name")));

  // A link of the HTML result page: a Japanese folder and a name with a
  // character Shift-JIS cannot write, both percent-encoded.
  QDir(dir_->filePath(QStringLiteral("docs"))).mkdir(QStringLiteral("日本"));
  WriteBytes(Doc(QStringLiteral("日本/𠮷.txt")), "yoshi\n");
  ShowHits(window, {QStringLiteral("%E6%97%A5%E6%9C%AC/%F0%A0%AE%B7.txt")});
  window.OpenHit(0);
  QCOMPARE(window.CurrentDocumentPath, Sjis(Doc(QStringLiteral("日本/"))) + "%F0%A0%AE%B7.txt");
  QVERIFY(window.edtTextContents->Text().contains(QStringLiteral("yoshi")));
  window.close();
}

// ---- Version dialog ------------------------------------------------------------------------------

void TestMainDocs::aboutDialogShownAndFreed() {
  WriteSettings("");
  TfrmMain window;
  window.show();
  QString caption;
  bool modal = false;
  QTimer::singleShot(50, [&] {
    auto* about = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
    if (about == nullptr) return;
    caption = about->windowTitle();
    modal = about->isModal();
    about->btnOK->click();
  });
  window.mnuHelpAbout->trigger();
  QCOMPARE(caption, QStringLiteral("バージョン情報"));
  QVERIFY(modal);
  QVERIFY(window.findChild<TfrmAbout*>() == nullptr);
  window.close();
}


// ---- Search words ----------------------------------------------------------------------------------

void TestMainDocs::searchWordsMarkedInHits_data() {
  QTest::addColumn<QString>("formula");
  QTest::addColumn<QStringList>("marked");  // what the note's marks read, in order
  QTest::addColumn<bool>("pageFound");      // the formula finds the page too
  QTest::newRow("one word, any case") << "apple" << QStringList{"apple", "APPLE"} << true;
  QTest::newRow("and, two words")
      << "APPLE and red" << QStringList{"apple", "red", "APPLE"} << false;
  QTest::newRow("prefix") << "app*" << QStringList{"apple", "APPLE"} << true;
  QTest::newRow("Japanese") << "本文 apple" << QStringList{"apple", "APPLE", "本文"} << false;
}

// A real search, then its hits opened: the words of the formula that found
// them are marked in the list's summaries, in the text view (which starts at
// the first one and steps with F3 / Shift+F3) and in a page of the HTML view;
// a formula typed into the box afterwards changes nothing.
void TestMainDocs::searchWordsMarkedInHits() {
  QFETCH(QString, formula);
  QFETCH(QStringList, marked);
  QFETCH(bool, pageFound);
  const std::string index = dir_->filePath(QStringLiteral("wordsidx")).toStdString();
  WriteSettings("[Search]\r\nDirectory1=" + index + "\r\n[WebBrowser]\r\nDisplayTo=Internal\r\n");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  window.cboKeyword->setEditText(formula);
  window.btnSearch->click();
  const int hits = window.edtResult->HitCount();
  QVERIFY2(hits >= 1, qPrintable(window.edtResult->Text()));
  int note = -1, page = -1;
  for (int i = 0; i < hits; ++i) {
    const std::string& uri = window.edtResult->Hits()[static_cast<size_t>(i)].Uri;
    if (uri.find("notes.txt") != std::string::npos) note = i;
    if (uri.find("page.html") != std::string::npos) page = i;
  }
  // The page's summary holds the words; the note's begins far above them.
  QCOMPARE(window.edtResult->WordMarks().empty(), page < 0);
  for (const TCharRange& mark : window.edtResult->WordMarks()) {
    const QString text = window.edtResult->TextOf(int32_t(mark.Start), int32_t(mark.End));
    QVERIFY2(std::any_of(marked.begin(), marked.end(),
                         [&](const QString& word) { return word.compare(text, Qt::CaseInsensitive) == 0; }),
             qPrintable(text));
  }
  if (page >= 0) {
    // Painted with a background, beside the current hit's mark on its title.
    window.edtResult->SetCaretOffset(window.edtResult->Hits()[static_cast<size_t>(page)].UriStart);
    const QImage image = window.edtResult->viewport()->grab().toImage();
    const TCharRange first = window.edtResult->WordMarks().front();
    const QRect start = window.edtResult->CaretRect(int32_t(first.Start));
    QVERIFY(!start.isEmpty());
    bool painted = false;
    for (int y = start.top(); y <= start.bottom(); ++y) {
      painted = painted || image.pixelColor(start.x() + 1, y) == QColor(0xFF, 0xE0, 0x80);
    }
    QVERIFY(painted);
    QCOMPARE(window.edtResult->MarkedHit(), page);
  }
  window.cboKeyword->setEditText(QStringLiteral("filler"));  // not what found the hits

  QVERIFY(note >= 0);
  // Opened as a click opens it: the counter shows at once.
  window.OpenHitAt(window.edtResult->Hits()[static_cast<size_t>(note)].TitleStart, true);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  TTextView* view = window.edtTextContents;
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("1 / %1").arg(marked.size()));
  QStringList seen;
  for (const TCharRange& range : view->Marks().Ranges)
    seen << view->TextOf(static_cast<int32_t>(range.Start), static_cast<int32_t>(range.End));
  QCOMPARE(seen, marked);
  // The view starts at the first word (line 62), not at the top.
  QCOMPARE(view->LineOf(view->CaretOffset()), 61);
  QVERIFY(view->FirstVisibleLine() > 0);
  // F3 from the first word to the second; Shift+F3 back, then round the start.
  const int count = static_cast<int>(marked.size());
  QTest::keyClick(view, Qt::Key_F3);
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("2 / %1").arg(count));
  QCOMPARE(view->LineOf(view->CaretOffset()),
           view->TextOf(0, static_cast<int32_t>(view->Marks().Ranges[1].Start)).count(u'\n'));
  QTest::keyClick(view, Qt::Key_F3, Qt::ShiftModifier);
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("1 / %1").arg(count));
  QTest::keyClick(view, Qt::Key_F3, Qt::ShiftModifier);
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("%1 / %1").arg(count));

  QCOMPARE(page >= 0, pageFound);
  if (!pageFound) return;
  window.OpenHitAsHTML(page);
  QTRY_VERIFY(!window.WebBrowser1->extraSelections().isEmpty());
  QStringList pageMarks;
  for (const QTextEdit::ExtraSelection& mark : window.WebBrowser1->extraSelections())
    pageMarks << mark.cursor.selectedText();
  QCOMPARE(pageMarks, (QStringList{"apple", "Apple"}));
  QVERIFY(window.WebBrowser1->toPlainText().contains(QStringLiteral("an apple page")));
  // F3 and Shift+F3 step through them there too, the caret on the mark.
  THtmlView* html = window.WebBrowser1;
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("1 / 2"));
  const struct {
    int key;
    Qt::KeyboardModifiers modifiers;
    int current;
  } steps[] = {{Qt::Key_F3, Qt::NoModifier, 1},
               {Qt::Key_F3, Qt::NoModifier, 0},
               {Qt::Key_F3, Qt::ShiftModifier, 1}};
  for (const auto& step : steps) {
    QTest::keyClick(html, Qt::Key(step.key), step.modifiers);
    QCOMPARE(html->CurrentHighlight(), step.current);
    QCOMPARE(window.stb->currentMessage(), QStringLiteral("%1 / 2").arg(step.current + 1));
    QCOMPARE(int64_t(html->textCursor().position()),
             html->Highlights()[size_t(step.current)].Start);
  }
  // A move to an anchor of the page keeps the marks; another page drops them.
  QUrl anchor = html->LocationUrl();
  anchor.setFragment(QStringLiteral("nowhere"));
  QVERIFY(html->Navigate(anchor));
  QCoreApplication::processEvents();
  QCOMPARE(html->HighlightCount(), 2);
  QVERIFY(html->Navigate(QUrl::fromLocalFile(dir_->filePath(QStringLiteral("words/notes.txt")))));
  QCoreApplication::processEvents();
  QCOMPARE(html->HighlightCount(), 0);
  QVERIFY(html->extraSelections().isEmpty());
  window.close();
}

void TestMainDocs::indexFoldersCheckedBeforeSearch_data() {
  QTest::addColumn<QStringList>("folders");   // under the test folder
  QTest::addColumn<QString>("message");       // the message box before the search, "" none
  QTest::addColumn<bool>("searched");
  const QString notIndex = QStringLiteral("このフォルダはインデックスではありません: ");
  const QString missing = QStringLiteral("インデックスのフォルダがありません: ");
  QTest::newRow("an index") << QStringList{"wordsidx"} << QString() << true;
  QTest::newRow("an index and a plain folder")
      << QStringList{"wordsidx", "docs"} << notIndex + "docs" << true;
  QTest::newRow("only a plain folder") << QStringList{"docs"} << notIndex + "docs" << false;
  QTest::newRow("a missing folder") << QStringList{"gone"} << missing + "gone" << false;
}

// A folder that is not an index is said before namazu runs; the search runs
// when any index is left, and the status bar then says what each folder
// holds.
void TestMainDocs::indexFoldersCheckedBeforeSearch() {
  QFETCH(QStringList, folders);
  QFETCH(QString, message);
  QFETCH(bool, searched);
  WriteSettings("");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QString box;
  for (const QString& folder : folders) box += '"' + dir_->filePath(folder) + "\" ";
  window.cboIndexDir->setEditText(box.trimmed());
  window.cboKeyword->setEditText(QStringLiteral("apple"));
  BoxSeen seen;
  AnswerNextBox(&seen, QMessageBox::Ok, 10);
  window.btnSearch->click();
  const QString prefix = message.section(QStringLiteral(": "), 0, 0) + QStringLiteral(": ");
  const QString expected =
      message.isEmpty() ? QString() : prefix + dir_->filePath(message.section(QStringLiteral(": "), 1));
  QCOMPARE(seen.seen, !message.isEmpty());
  if (seen.seen) {
    QVERIFY2(seen.text.startsWith(expected), qPrintable(seen.text));
    QCOMPARE(seen.title, QStringLiteral("エラー"));
  }
  QCOMPARE(window.edtResult->HitCount() > 0, searched);
  if (!searched) {
    QVERIFY(window.edtResult->Text().isEmpty());  // namazu never ran
    return;
  }
  const QString status = window.lblIndexStatus->toolTip();  // the label shows it shortened
  QVERIFY2(status.contains(QStringLiteral("文書 2 件、更新 ")), qPrintable(status));
  if (!expected.isEmpty()) QVERIFY2(status.contains(expected), qPrintable(status));
  QVERIFY2(window.cboIndexDir->toolTip().contains(QStringLiteral("文書 2 件")),
           qPrintable(window.cboIndexDir->toolTip()));
  window.close();
}

// Opening a hit and going back to the list move the focus from one view to
// the other and nowhere else, so a screen reader announces only the view,
// by its name.
void TestMainDocs::focusGoesStraightToTheView() {
  WriteSettings("[Text]\r\nConvert=None\r\nDecodeHeader=0\r\n");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  ShowHits(window, {QStringLiteral("README")});
  window.edtResult->setFocus();
  QTRY_COMPARE(QApplication::focusWidget(), window.edtResult);
  QList<QWidget*> focused;
  auto record = connect(qApp, &QApplication::focusChanged,
                        [&](QWidget*, QWidget* now) { focused << now; });
  window.OpenHit(0);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  emit window.edtTextContents->ResultListRequested();
  disconnect(record);
  QCOMPARE(focused, (QList<QWidget*>{window.edtTextContents, window.edtResult}));
  QCOMPARE(window.edtResult->accessibleName(), QStringLiteral("検索結果"));
  QCOMPARE(window.edtTextContents->accessibleName(), QStringLiteral("テキスト文書"));
  QCOMPARE(window.WebBrowser1->accessibleName(), QStringLiteral("HTML文書"));
  window.close();
}

QTEST_MAIN(TestMainDocs)
#include "test_maindocs.moc"
