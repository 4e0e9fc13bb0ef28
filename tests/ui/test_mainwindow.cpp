#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>

#include "ui/widgets/msgbox.h"
#include "ui/search/htmlview.h"
#include "core/search/runfolder.h"
#include "ui/search/mainwindow.h"
#include "ui/search/recentdirs.h"
#include "ui/search/resultview.h"
#include "ui/search/textview.h"
#include "core/settings/settings.h"
#include "platform/platform.h"
#include "ui/widgets/qtcodec.h"
#include "support/uitest_support.h"

using namespace tavirel;
using namespace tavirel::uitest;

namespace {

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const QString& path, const std::string& text) {
  std::ofstream(path.toStdString(), std::ios::binary | std::ios::trunc) << text;
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void init();
  void cleanup();

  void controlsCaptionsAndNames();
  void searchFillsTheList();
  void searchFindsJapaneseText();
  void openHitRoutes();
  void enterAndFocusInTheFormulaBox();
  void earlierFormulasOfferedNotFilledIn();
  void currentHitIsMarked();
  void indexFolderNameShiftJisCannotWrite();
  void extraOptionsThatAreNoOptionsAreRefused();
  void qtTextsInJapanese();
  void historyOrderAndSaving();
  void listCountAtStart_data();
  void listCountAtStart();
  void headerLayouts();
  void windowRaisedTo250();
  void externalResultsFixHeight();
  void readOnlySettingsUntouched();
  void confirmationYesAndNo();
  void confirmationExternalNoCopies();
  void missingResultFile();
  void refusedRequests_data();
  void refusedRequests();
  void secondClickDuringSearchDoesNothing();
  void wrongValuesFallBack();
  void sortSelectionBothWays();
  void recentDirectoriesSavedAndListed();
  void placementOnlyWithMatchingDpi();
  void exitSavesLikeClose();

 private:
  // A settings file with the test's index and the searcher, plus `extra`
  // lines ("[Section]" lines and keys) appended.
  void WriteSettings(const std::string& extra);
  QString IniPath() const { return dir_->filePath(QStringLiteral("tavirel.ini")); }
  std::string IndexPath() const { return dir_->filePath(QStringLiteral("idx")).toStdString(); }
  std::string DocsPath() const { return dir_->filePath(QStringLiteral("docs")).toStdString(); }
  void Search(TfrmMain& window, const QString& formula);

  QTemporaryDir* dir_ = nullptr;
  UrlRecorder recorder_;
};

void TestMainWindow::initTestCase() {
  dir_ = new QTemporaryDir;
  QVERIFY(dir_->isValid());
  QDir(dir_->path()).mkdir(QStringLiteral("docs"));
  QDir(dir_->path()).mkdir(QStringLiteral("idx"));
  QDir(dir_->path()).mkdir(QStringLiteral("tmp"));
  WriteFile(QString::fromStdString(DocsPath() + "/a.txt"), "hello world apple banana\n");
  WriteFile(QString::fromStdString(DocsPath() + "/b.txt"), "apple cherry\n");
  // こんにちは apple 日本語, in EUC-JP.
  WriteFile(QString::fromStdString(DocsPath() + "/ja.txt"),
            "\xa4\xb3\xa4\xf3\xa4\xcb\xa4\xc1\xa4\xcf apple \xc6\xfc\xcb\xdc\xb8\xec\n");
  const std::string command =
      "env -u LC_ALL -u LC_CTYPE -u LC_MESSAGES -u LANGUAGE LANG=ja_JP.SJIS PERL_BADLANG=0 "
      "perl /usr/bin/mknmz -O '" + IndexPath() + "' '" + DocsPath() + "' >/dev/null 2>&1";
  QCOMPARE(std::system(command.c_str()), 0);
  QVERIFY(QFile::exists(QString::fromStdString(IndexPath() + "/NMZ.i")));
  // Result files go to a temporary folder of the test's own.
  qputenv("TMPDIR", dir_->filePath(QStringLiteral("tmp")).toUtf8());
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder_, "open");
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &recorder_, "open");
}

void TestMainWindow::cleanupTestCase() {
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  TfrmMain::SetSettingsFileOverride(std::string());
  delete dir_;
}

void TestMainWindow::init() {
  TfrmMain::SetSettingsFileOverride(IniPath().toStdString());
  QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::WriteOwner);
  QFile::remove(IniPath());
  recorder_.urls.clear();
}

void TestMainWindow::cleanup() {
  QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::WriteOwner);
}

void TestMainWindow::WriteSettings(const std::string& extra) {
  const std::string base[] = {"[Window]", "SavePosition=0", "ShowExplanation=0", "[Search]",
                              "DirectoryCount=1", "Directory1=" + IndexPath(), "[Command]",
                              "namazuPath=/usr/bin/namazu"};
  // A key of `extra` replaces the base line of the same name (only the first
  // occurrence of a key counts).
  std::string text;
  const std::string lines = "\n" + extra;
  for (const std::string& line : base) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos && lines.find("\n" + line.substr(0, eq + 1)) != std::string::npos) {
      continue;
    }
    text += line + "\r\n";
  }
  WriteFile(IniPath(), text + extra);
}

void TestMainWindow::Search(TfrmMain& window, const QString& formula) {
  window.cboKeyword->setEditText(formula);
  window.btnSearch->click();
}

void TestMainWindow::controlsCaptionsAndNames() {
  WriteSettings("");
  TfrmMain window;
  const std::pair<const char*, QString> actions[] = {
      {"mnuExit", QStringLiteral("終了(&X)")},
      {"mnuSortScore", QStringLiteral("スコア(&S)")},
      {"mnuSortDateHeader", QStringLiteral("&Date: ヘッダ")},
      {"mnuSortNewsGroup", QStringLiteral("ニュースグループ(&G)")},
      {"mnuContentsOff", QStringLiteral("表示しない(&N)")},
      {"mnuListCountAll", QStringLiteral("すべて(&A)")},
      {"mnuColored", QStringLiteral("色をつけない(&L)")},
      {"mnuShowIndexDirectory", QStringLiteral("インデックスの場所(&P)")},
      {"mnuStayOnTop", QStringLiteral("常に前面に表示(&T)")},
      {"mnuAppearanceSmall", QStringLiteral("コンパクト(&C)")},
      {"mnuConvertToSJIS", QStringLiteral("EUC・JIS から シフトJIS へ(&S)")},
      {"mnuDocByExtension", QStringLiteral("拡張子で判別(&E)")},
      {"mnuShowDriveInfo", QStringLiteral("ドライブ情報の表示(&D)...")},
      {"mnuHelpTavirel", QStringLiteral("tavirel for Namazu のヘルプ(&C)...")},
      {"mnuHelpNamazuManual", QStringLiteral("説明書(&M)...")},
      {"mnuCopy", QStringLiteral("コピー(&C)")},
      {"mnuRecentDirectory", QStringLiteral("最近使ったディレクトリ(&T)")},
      {"mnuListCount", QStringLiteral("件数(&N)")},
      {"mnuDocType", QStringLiteral("文書の種類(&W)")},
  };
  for (const auto& [name, caption] : actions) {
    auto* action = window.findChild<QAction*>(QString::fromLatin1(name));
    QVERIFY2(action != nullptr, name);
    QCOMPARE(action->text(), caption);
  }
  QCOMPARE(window.mnuStayOnTop->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
  QCOMPARE(window.mnuHelpTavirel->shortcut(), QKeySequence(Qt::Key_F1));
  QCOMPARE(window.mnuCopy->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
  QVERIFY(!window.mnuConvertNkf->isVisible());
  QCOMPARE(window.menuBar()->objectName(), QStringLiteral("MainMenu1"));
  QStringList titles;
  for (QAction* a : window.menuBar()->actions()) titles << a->text();
  QCOMPARE(titles, (QStringList{QStringLiteral("検索(&F)"), QStringLiteral("表示(&V)"),
                                QStringLiteral("文書の種類(&W)"), QStringLiteral("インデックス(&I)"),
                                QStringLiteral("ツール(&T)"), QStringLiteral("ヘルプ(&H)")}));
  QCOMPARE(window.pge->tabText(0), QStringLiteral("検索結果(&1)"));
  QCOMPARE(window.pge->tabText(1), QStringLiteral("テキスト文書(&2)"));
  QCOMPARE(window.pge->tabText(2), QStringLiteral("HTML文書(&3)"));
  QCOMPARE(window.findChild<TTextView*>(QStringLiteral("edtTextContents")), window.edtTextContents);
  QCOMPARE(window.findChild<THtmlView*>(QStringLiteral("WebBrowser1")), window.WebBrowser1);
  window.edtTextContents->ShowText("x\n", TTextEncoding::ShiftJis);
  QTest::keyClicks(window.edtTextContents, QStringLiteral("abc"));  // read-only
  QCOMPARE(window.edtTextContents->Text(), QStringLiteral("x\n"));
  window.edtTextContents->Clear();
  QCOMPARE(window.findChild<TResultView*>(QStringLiteral("edtResult")), window.edtResult);
  QCOMPARE(window.btnSearch->text(), QStringLiteral("検索(&G)"));
  QCOMPARE(window.btnTutorial->toolTip(), QStringLiteral("説明を表示"));
  QCOMPARE(window.cboSortType->count(), 10);
  QCOMPARE(window.cboListCount->itemText(3), QStringLiteral("すべて"));
  // The settings dialogs' commands.
  for (QAction* item : {window.mnuSelectDirectory, window.mnuSelectAlias, window.mnuSetNamazurc,
                        window.mnuToolOption}) {
    QVERIFY(item->isEnabled());
  }
  QVERIFY(window.btnBrowseIndexPath->isEnabled());
  QVERIFY(window.btnSelectKeywordList->isEnabled());
  QCOMPARE(window.windowTitle(),
           QStringLiteral("tavirel for Namazu - [\"%1\"]").arg(QString::fromStdString(IndexPath())));
  // The title is exactly the caption: no application display name is set
  // (Qt would append it to every window title), and the application title
  // of the information messages follows the caption.
  QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
  QCOMPARE(ApplicationTitle(), window.windowTitle());
  QCOMPARE(window.size(), QSize(545, 420));
  // The document tabs' buttons, each on its own tab.
  const std::tuple<const char*, QString, QWidget*> buttons[] = {
      {"btnPrevious", QStringLiteral("&<"), window.tabTextDoc},
      {"btnNext", QStringLiteral("&>"), window.tabTextDoc},
      {"btnResult", QStringLiteral("&Result"), window.tabHTMLDoc},
      {"btnPreviousW", QStringLiteral("&<"), window.tabHTMLDoc},
      {"btnNextW", QStringLiteral("&>"), window.tabHTMLDoc},
  };
  for (const auto& [name, caption, page] : buttons) {
    auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY2(button != nullptr, name);
    QCOMPARE(button->text(), caption);
    QVERIFY2(page->isAncestorOf(button), name);
  }
  QVERIFY(window.tabTextDoc->isAncestorOf(window.pnlSubject));
  QVERIFY(window.tabHTMLDoc->isAncestorOf(window.pnlTitle));
  QVERIFY(window.tabHTMLDoc->isAncestorOf(window.WebBrowser1));
  QVERIFY(window.mnuHelpAbout->isEnabled());
}

void TestMainWindow::searchFillsTheList() {
  WriteSettings("");
  TfrmMain window;
  window.show();
  Search(window, QStringLiteral("apple"));
  QCOMPARE(window.edtResult->HitCount(), 3);
  QVERIFY(window.edtResult->IsColored());
  int titleChars = 0;
  int uriChars = 0;
  for (int32_t at = 0; at < window.edtResult->ResultCharCount(); ++at) {
    titleChars += window.edtResult->ResultCharKind(at) == 'T';
    uriChars += window.edtResult->ResultCharKind(at) == 'U';
  }
  QVERIFY(titleChars > 0 && uriChars > 0);
  QStringList uris;
  for (const SearchHit& hit : window.edtResult->Hits()) uris << QString::fromStdString(hit.Uri);
  QVERIFY2(uris.join(' ').contains(QStringLiteral("b.txt")), qPrintable(uris.join(' ')));
  QCOMPARE(window.pge->currentWidget(), window.tabResult);
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("N:次候補  P:前候補"));
  QVERIFY(window.btnSearch->isEnabled());
  // The result file in the temporary folder is gone once it has been read.
  QVERIFY(!window.ResultFilePath.empty());
  QVERIFY(!QFile::exists(QString::fromStdString(window.ResultFilePath)));
  // It was made in this run's private folder: only ours, not the shared one.
  const QFileInfo folder(QFileInfo(QString::fromStdString(window.ResultFilePath)).path());
  QCOMPARE(folder.filePath(), QString::fromStdString(RunFolder()));
  QVERIFY(folder.isDir());
  QCOMPARE(folder.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                   QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
           QFile::Permissions());
  QVERIFY(folder.filePath() != QString::fromStdString(platform::TempFolder()));
  QCOMPARE(window.cboKeyword->itemText(0), QStringLiteral("apple"));

  // Without colours the hits are still there.
  window.mnuColored->trigger();
  QCOMPARE(Settings.Color, std::string("0"));
  Search(window, QStringLiteral("cherry"));
  QCOMPARE(window.edtResult->HitCount(), 1);
  QVERIFY(!window.edtResult->IsColored());
  window.close();
}

void TestMainWindow::searchFindsJapaneseText() {
  WriteSettings("");
  TfrmMain window;
  Search(window, QStringLiteral("日本語"));
  QCOMPARE(window.edtResult->HitCount(), 1);
  QVERIFY(window.edtResult->Hits()[0].Uri.find("ja.txt") != std::string::npos);
  window.close();
}

void TestMainWindow::openHitRoutes() {
  WriteSettings("");
  TfrmMain window;
  window.show();
  Search(window, QStringLiteral("apple"));
  QCOMPARE(window.edtResult->HitCount(), 3);
  const auto hits = window.edtResult->Hits();

  // Outside the program (Shift): the associated application gets the path.
  window.OpenHitAt(hits[1].TitleStart, false);
  QCOMPARE(window.CurrentHitIndex, 1);
  QCOMPARE(window.CurrentDocumentPath, hits[1].Uri);
  QCOMPARE(recorder_.urls.size(), 1);
  QCOMPARE(recorder_.urls.last().toLocalFile(), QString::fromStdString(hits[1].Uri));

  // Inside the program, by Enter on the caret's hit: a text file opens in
  // the text view.
  window.edtResult->setFocus();
  window.edtResult->SetCaretOffset(hits[2].TitleStart);
  QTest::keyClick(window.edtResult, Qt::Key_Return);
  QCOMPARE(window.CurrentHitIndex, 2);
  QCOMPARE(window.CurrentDocumentPath, hits[2].Uri);
  QCOMPARE(recorder_.urls.size(), 1);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  QVERIFY(!window.edtTextContents->Text().isEmpty());
  // The searched word is marked: the status bar counts the marks at once.
  QCOMPARE(window.edtTextContents->HighlightCount(), 1);
  QCOMPARE(window.stb->currentMessage(), QStringLiteral("1 / 1"));
  window.pge->setCurrentWidget(window.tabResult);

  // Shift+Enter on the first hit.
  window.edtResult->SetCaretOffset(hits[0].TitleStart);
  QTest::keyClick(window.edtResult, Qt::Key_Return, Qt::ShiftModifier);
  QCOMPARE(window.CurrentHitIndex, 0);

  // Past the last file name nothing opens.
  const int before = static_cast<int>(recorder_.urls.size());
  window.OpenHitAt(hits[2].UriEnd + 5, true);
  QCOMPARE(window.CurrentHitIndex, 0);
  QCOMPARE(static_cast<int>(recorder_.urls.size()), before);

  // Esc goes back to the formula box.
  window.activateWindow();
  window.edtResult->setFocus();
  QTest::keyClick(window.edtResult, Qt::Key_Escape);
  QTRY_VERIFY(window.cboKeyword->hasFocus());
  window.close();
}

// The caret starts in the formula box, start page or not, and Enter there
// always does what the search button does.
void TestMainWindow::enterAndFocusInTheFormulaBox() {
  for (const char* explanation : {"0", "1"}) {
    WriteSettings(std::string("[Window]\r\nShowExplanation=") + explanation +
                  "\r\n[Search]\r\nFormulaHistoryCount=2\r\nHistory1=cherry apple\r\n");
    TfrmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window.cboKeyword));

    // An empty formula: the button's message.
    BoxSeen box;
    AnswerNextBox(&box, QMessageBox::Ok);
    QTest::keyClick(window.cboKeyword, Qt::Key_Return);
    QVERIFY(box.seen);
    QCOMPARE(box.text, QStringLiteral("検索式を入力してください。"));

    // The first Enter after typing searches for what the box shows, also
    // while the history completer offers the rest of an entry ("cher" shown
    // as "cher[ry apple]") and after the focus went elsewhere and came back.
    // Keys reach the box itself or its line edit; both are tried.
    for (QWidget* target : {static_cast<QWidget*>(window.cboKeyword),
                            static_cast<QWidget*>(window.cboKeyword->lineEdit())}) {
      window.edtResult->setFocus();
      window.cboKeyword->setFocus();
      window.cboKeyword->lineEdit()->setText(QStringLiteral("cherry apple"));
      window.cboKeyword->lineEdit()->setSelection(4, 8);
      window.edtResult->ClearResults();
      QTest::keyClick(target, Qt::Key_Return);
      QCOMPARE(window.cboKeyword->itemText(0), QStringLiteral("cherry apple"));
      QCOMPARE(window.edtResult->HitCount(), 1);
      window.cboKeyword->setEditText(QStringLiteral("banana"));
      QTest::keyClick(target, Qt::Key_Enter);
      QCOMPARE(window.cboKeyword->itemText(0), QStringLiteral("banana"));
    }
    window.close();
  }
}

// Typing in the formula box offers earlier formulas in a list under it but
// leaves the box as typed: Enter searches exactly that. An earlier formula
// is taken only when chosen in the list with the arrow keys.
void TestMainWindow::earlierFormulasOfferedNotFilledIn() {
  WriteSettings("[Search]\r\nFormulaHistoryCount=3\r\nHistory1=cherry apple\r\nHistory2=banana\r\n");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QLineEdit* box = window.cboKeyword->lineEdit();
  QWidget* list = window.cboKeyword->completer()->popup();
  struct Case {
    const char* typed;
    int downs;            // arrow presses in the offered list
    const char* searched;
  };
  const Case cases[] = {{"cher", 0, "cher"}, {"APP", 0, "APP"}, {"cherry", 1, "cherry apple"}};
  for (const Case& c : cases) {
    window.cboKeyword->setFocus();
    box->clear();
    QTest::keyClicks(box, QString::fromUtf8(c.typed));
    QCOMPARE(box->text(), QString::fromUtf8(c.typed));
    QVERIFY(!box->hasSelectedText());
    QTRY_VERIFY(list->isVisible());
    QCOMPARE(window.cboKeyword->completer()->currentCompletion(), QStringLiteral("cherry apple"));
    for (int i = 0; i < c.downs; ++i) QTest::keyClick(list, Qt::Key_Down);
    if (c.downs > 0) QCOMPARE(box->text(), QString::fromUtf8(c.searched));
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(!list->isVisible());
    QCOMPARE(window.cboKeyword->itemText(0), QString::fromUtf8(c.searched));
  }
  window.close();
}

// The hit Enter would open carries a light background over its title line,
// follows N and P, and is the last opened hit after reading documents.
void TestMainWindow::currentHitIsMarked() {
  WriteSettings("");
  TfrmMain window;
  window.show();
  Search(window, QStringLiteral("apple"));
  QCOMPARE(window.edtResult->HitCount(), 3);
  const QString text = window.edtResult->Text();
  // The title line painted with the light background, seen in the margin.
  auto markedLine = [&window] {
    TResultView* view = window.edtResult;
    const QImage image = view->viewport()->grab().toImage();
    QString marked;
    for (const SearchHit& hit : view->Hits()) {
      const QRect row = view->CaretRect(hit.TitleStart);
      if (!row.isEmpty() && image.pixelColor(1, row.center().y()) == QColor(0xFF, 0xF3, 0xC4)) {
        marked += SjisToQString(hit.Title);
      }
    }
    return marked;
  };
  QCOMPARE(window.edtResult->MarkedHit(), 0);
  QVERIFY(markedLine().startsWith(QStringLiteral("1. ")));
  window.edtResult->setFocus();
  QTest::keyClick(window.edtResult, Qt::Key_N);
  QTest::keyClick(window.edtResult, Qt::Key_N);
  QCOMPARE(window.edtResult->MarkedHit(), 1);
  QVERIFY(markedLine().startsWith(QStringLiteral("2. ")));
  // Read hit 2, step to hit 3 in the text view, come back with Enter.
  QTest::keyClick(window.edtResult, Qt::Key_Return);
  QCOMPARE(window.pge->currentWidget(), window.tabTextDoc);
  QTest::keyClick(window.edtTextContents, Qt::Key_N);
  QCOMPARE(window.CurrentHitIndex, 2);
  QTest::keyClick(window.edtTextContents, Qt::Key_Return);
  QCOMPARE(window.pge->currentWidget(), window.tabResult);
  QCOMPARE(window.edtResult->MarkedHit(), 2);
  QVERIFY(markedLine().startsWith(QStringLiteral("3. ")));
  // The mark changes neither the text nor the offsets.
  QCOMPARE(window.edtResult->Text(), text);
  QCOMPARE(window.edtResult->CaretOffset(), window.edtResult->Hits()[2].UriStart);
  window.close();
}

// A folder name typed with a character Shift-JIS cannot write is searched
// all the same (it travels as an escape of its file-system bytes).
void TestMainWindow::indexFolderNameShiftJisCannotWrite() {
  const QString folder = dir_->filePath(QStringLiteral("𠮷の索引"));
  std::filesystem::copy(IndexPath(), folder.toStdString(),
                        std::filesystem::copy_options::recursive |
                            std::filesystem::copy_options::overwrite_existing);
  WriteSettings("");
  TfrmMain window;
  window.show();
  window.cboIndexDir->setEditText(QChar(u'"') + folder + QChar(u'"'));
  Search(window, QStringLiteral("apple"));
  QCOMPARE(window.edtResult->HitCount(), 3);
  QVERIFY(window.windowTitle().contains(QStringLiteral("%F0%A0%AE%B7の索引")));
  window.close();
}

void TestMainWindow::extraOptionsThatAreNoOptionsAreRefused() {
  WriteSettings("[Command]\r\nnamazuOption=-s stray\r\n");
  TfrmMain window;
  BoxSeen box;
  AnswerNextBox(&box, QMessageBox::Ok);
  Search(window, QStringLiteral("apple"));
  QVERIFY(box.seen);
  QCOMPARE(box.text, QStringLiteral("namazu の追加オプション「stray」はオプションではありません。"
                                    "設定ファイルの namazuOption を確かめてください。"));
  QCOMPARE(box.icon, QMessageBox::Critical);
  QCOMPARE(window.edtResult->HitCount(), 0);
  window.close();
}

// Qt's own texts (message box buttons, dialogs) are Japanese as well.
void TestMainWindow::qtTextsInJapanese() {
  if (!InstallJapaneseQtTexts()) QSKIP("qtbase_ja.qm is not installed (qt6-translations-l10n)");
  WriteSettings("[Result]\r\nConfirmCommandLine=1\r\n");
  TfrmMain window;
  QString yes;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    yes = box->button(QMessageBox::Yes)->text();
    box->button(QMessageBox::No)->click();
  });
  Search(window, QStringLiteral("apple"));
  QVERIFY2(yes.contains(QStringLiteral("はい")), qPrintable(yes));
  window.close();
}

void TestMainWindow::historyOrderAndSaving() {
  WriteSettings(
      "[Search]\r\nFormulaHistoryCount=5\r\nHistory1=alpha\r\nHistory2=beta\r\nHistory3=\r\n"
      "History4=\r\nHistory5=five\r\n");
  {
    TfrmMain window;
    QCOMPARE(window.cboKeyword->count(), 3);
    window.AddQueryToHistory(QStringLiteral("BETA"));
    QCOMPARE(window.cboKeyword->count(), 3);
    QCOMPARE(window.cboKeyword->itemText(0), QStringLiteral("BETA"));
    QCOMPARE(window.cboKeyword->itemText(1), QStringLiteral("alpha"));
    QCOMPARE(window.cboKeyword->currentText(), QStringLiteral("BETA"));
    window.close();
  }
  const std::string text = ReadFile(IniPath());
  for (const char* line : {"History1=BETA\r\n", "History2=alpha\r\n", "History3=five\r\n",
                           "History4=\r\n", "History5=five\r\n"}) {
    QVERIFY2(text.find(line) != std::string::npos, line);
  }
}

void TestMainWindow::listCountAtStart_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<QString>("listCount");
  QTest::addColumn<QString>("item");
  QTest::addColumn<QString>("boxText");
  QTest::newRow("0") << "0" << "20" << "mnuListCountTwenty" << "20";
  QTest::newRow("35") << "35" << "35" << "mnuListCountFifty" << "35";
  QTest::newRow("abc") << "abc" << "20" << "mnuListCountTwenty" << "20";
  QTest::newRow("All") << "All" << "All" << "mnuListCountAll" << QStringLiteral("すべて");
  QTest::newRow("-7") << "-7" << "20" << "mnuListCountTwenty" << "20";
}

void TestMainWindow::listCountAtStart() {
  QFETCH(QString, stored);
  QFETCH(QString, listCount);
  QFETCH(QString, item);
  QFETCH(QString, boxText);
  WriteSettings("[Search]\r\nListCount=" + stored.toStdString() + "\r\n");
  TfrmMain window;
  QCOMPARE(QString::fromStdString(Settings.ListCount), listCount);
  QVERIFY(window.findChild<QAction*>(item)->isChecked());
  QCOMPARE(window.cboListCount->currentText(), boxText);

  // A number typed into the box is taken when the box is left.
  window.cboListCount->setEditText(QStringLiteral("42"));
  window.cboListCountExit();
  QCOMPARE(Settings.ListCount, std::string("42"));
  QVERIFY(window.mnuListCountFifty->isChecked());
  window.cboListCount->setEditText(QStringLiteral("999"));
  window.cboListCountExit();
  QCOMPARE(Settings.ListCount, std::string("20"));
  QCOMPARE(window.cboListCount->currentText(), QStringLiteral("20"));
  window.close();
}

void TestMainWindow::headerLayouts() {
  WriteSettings("[Window]\r\nScreenType=Normal\r\n");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.pnlHeader->height(), 65);
  QVERIFY(window.cboSortType->isVisible());
  QVERIFY(window.lblListCount->isVisible());
  QVERIFY(window.chkShowContents->isVisible());
  QCOMPARE(window.pnlTarget->height(), 33);
  QCOMPARE(window.stb->height(), 20);

  window.mnuAppearanceSmall->trigger();
  QCOMPARE(Settings.ScreenType, std::string("Small"));
  QTRY_COMPARE(window.pnlHeader->height(), 40);
  QVERIFY(!window.cboSortType->isVisible());
  QVERIFY(!window.cboListCount->isVisible());
  QVERIFY(window.cboKeyword->isVisible());

  window.mnuAppearanceNormal->trigger();
  QTRY_COMPARE(window.pnlHeader->height(), 65);
  QVERIFY(window.cboSortType->isVisible());

  // The status bar and the index bar.
  window.mnuShowStatusBar->trigger();
  QVERIFY(!window.stb->isVisible());
  QCOMPARE(Settings.ShowStatusBar, std::string("0"));
  window.mnuShowIndexDirectory->trigger();
  QVERIFY(!window.pnlTarget->isVisible());
  QCOMPARE(Settings.ShowIndexDir, std::string("0"));
  window.close();
}

void TestMainWindow::windowRaisedTo250() {
  WriteSettings("");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QCOMPARE(window.minimumHeight(), 250);
  window.setMinimumHeight(0);
  window.resize(window.width(), 150);
  QTRY_COMPARE(window.height(), 150);
  window.ApplyWindowLayout();
  QTRY_COMPARE(window.height(), 250);
  QCOMPARE(window.minimumHeight(), 250);
  QCOMPARE(window.maximumHeight(), QWIDGETSIZE_MAX);
  window.close();
}

void TestMainWindow::externalResultsFixHeight() {
  WriteSettings("[Result]\r\nDisplayTo=WebBrowser\r\n[WebBrowser]\r\nDisplayTo=External\r\n");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const int expected = 65 + 33 + 20 + window.FrameHeight();
  QCOMPARE(window.minimumHeight(), expected);
  QCOMPARE(window.maximumHeight(), expected);
  QTRY_COMPARE(window.height(), expected);
  QVERIFY(!window.pnlBody->isVisible());
  QVERIFY(window.cboSortType->isVisible());
  QVERIFY(!window.mnuColored->isEnabled());
  QVERIFY(!window.mnuDocType->menuAction()->isEnabled());

  // Hiding the index bar shrinks the window by its height.
  window.mnuShowIndexDirectory->trigger();
  QTRY_COMPARE(window.height(), expected - 33);
  QCOMPARE(window.maximumHeight(), expected - 33);
  window.close();
}

void TestMainWindow::readOnlySettingsUntouched() {
  WriteSettings("[Search]\r\nFormulaHistoryCount=3\r\nHistory1=old\r\n"
                "[Window]\r\nSavePosition=1\r\n; a comment that a rewrite would drop\r\n");
  QVERIFY(QFile::setPermissions(IniPath(), QFile::ReadOwner | QFile::ReadGroup));
  const std::string before = ReadFile(IniPath());
  {
    TfrmMain window;
    window.show();
    Search(window, QStringLiteral("apple"));
    QCOMPARE(window.edtResult->HitCount(), 3);
    window.mnuSortLater->trigger();
    window.mnuStayOnTop->trigger();
    window.close();
  }
  QCOMPARE(ReadFile(IniPath()), before);
}

void TestMainWindow::confirmationYesAndNo() {
  WriteSettings("[Result]\r\nConfirmCommandLine=1\r\n");
  TfrmMain window;
  window.show();
  BoxSeen no;
  AnswerNextBox(&no, QMessageBox::No);
  Search(window, QStringLiteral("apple"));
  QVERIFY(no.seen);
  QCOMPARE(no.title, QStringLiteral("コマンドライン確認"));
  QCOMPARE(no.text, QStringLiteral("続行しますか？"));
  QCOMPARE(no.icon, QMessageBox::Question);
  QCOMPARE(window.edtResult->HitCount(), 0);
  const QString shown = window.edtResult->Text();
  QVERIFY2(shown.startsWith(QStringLiteral("\"/usr/bin/namazu\"")), qPrintable(shown));
  QVERIFY(shown.contains(QStringLiteral("\"apple\"")));
  QVERIFY(window.btnSearch->isEnabled());

  BoxSeen yes;
  AnswerNextBox(&yes, QMessageBox::Yes);
  Search(window, QStringLiteral("apple"));
  QVERIFY(yes.seen);
  QCOMPARE(window.edtResult->HitCount(), 3);
  window.close();
}

void TestMainWindow::confirmationExternalNoCopies() {
  WriteSettings("[Result]\r\nConfirmCommandLine=1\r\nDisplayTo=WebBrowser\r\n"
                "[WebBrowser]\r\nDisplayTo=External\r\n");
  TfrmMain window;
  QApplication::clipboard()->setText(QStringLiteral("unchanged"));
  BoxSeen no;
  AnswerNextBox(&no, QMessageBox::No);
  Search(window, QStringLiteral("apple"));
  QVERIFY(no.seen);
  const QString copied = QApplication::clipboard()->text();
  QVERIFY2(copied.contains(QStringLiteral("--html")), qPrintable(copied));
  QCOMPARE(no.text, copied + QStringLiteral("\n\n続行しますか？"));
  QVERIFY(recorder_.urls.isEmpty());

  // Yes runs it; the HTML page goes to the browser.
  BoxSeen yes;
  AnswerNextBox(&yes, QMessageBox::Yes);
  Search(window, QStringLiteral("apple"));
  QVERIFY(yes.seen);
  QCOMPARE(recorder_.urls.size(), 1);
  QVERIFY(recorder_.urls[0].toLocalFile().endsWith(QStringLiteral("result.html")));
  QCOMPARE(window.WebBrowser1->Tag(), 1);
  window.close();
}

void TestMainWindow::missingResultFile() {
  WriteSettings("[Command]\r\nnamazuPath=/bin/true\r\n");
  TfrmMain window;
  BoxSeen box;
  AnswerNextBox(&box, QMessageBox::Ok);
  Search(window, QStringLiteral("apple"));
  QVERIFY(box.seen);
  QCOMPARE(box.title, QStringLiteral("エラー"));
  QCOMPARE(box.icon, QMessageBox::Warning);
  QCOMPARE(box.text, QStringLiteral("検索結果のファイルが見つかりません。\n") +
                         QString::fromStdString(window.ResultFilePath));
  QVERIFY(window.edtResult->Text().isEmpty());
  QVERIFY(window.btnSearch->isEnabled());
  window.close();
}

void TestMainWindow::refusedRequests_data() {
  QTest::addColumn<QString>("index");
  QTest::addColumn<QString>("formula");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("formulaAfter");
  QTest::newRow("empty index") << "" << "apple" << QStringLiteral("検索場所を指定してください。")
                               << "apple";
  QTest::newRow("blank index") << "   " << "apple" << QStringLiteral("検索場所を指定してください。")
                               << "apple";
  QTest::newRow("empty formula") << "/x" << "" << QStringLiteral("検索式を入力してください。") << "";
  QTest::newRow("full-width blanks") << "/x" << QStringLiteral("　 　")
                                     << QStringLiteral("検索式を入力してください。") << "";
}

void TestMainWindow::refusedRequests() {
  QFETCH(QString, index);
  QFETCH(QString, formula);
  QFETCH(QString, message);
  QFETCH(QString, formulaAfter);
  WriteSettings("");
  TfrmMain window;
  window.cboIndexDir->setEditText(index);
  BoxSeen box;
  AnswerNextBox(&box, QMessageBox::Ok);
  Search(window, formula);
  QVERIFY(box.seen);
  QCOMPARE(box.text, message);
  QCOMPARE(box.title, QStringLiteral("エラー"));
  QCOMPARE(box.icon, QMessageBox::Critical);
  QCOMPARE(window.cboKeyword->currentText(), formulaAfter);
  QCOMPARE(window.cboKeyword->count(), 0);  // nothing went into the history
  QVERIFY(window.btnSearch->isEnabled());
  window.close();
}

void TestMainWindow::secondClickDuringSearchDoesNothing() {
  WriteSettings("");
  TfrmMain window;
  window.btnSearch->setEnabled(false);  // as while a search runs
  BoxSeen box;
  AnswerNextBox(&box, QMessageBox::Ok, 8);
  window.cboKeyword->setEditText(QString());
  window.btnSearchClick();
  QTest::qWait(300);
  QVERIFY(!box.seen);
  QCOMPARE(window.cboKeyword->count(), 0);
  window.close();
}

void TestMainWindow::wrongValuesFallBack() {
  WriteSettings(
      "[Window]\r\nScreenType=Tiny\r\nShowStatusBar=maybe\r\n"
      "[Search]\r\nListCount=-7\r\nSort=None\r\nFormulaHistoryCount=abc\r\nHistory1=x\r\n"
      "[Result]\r\nFontNameResult=\r\nFontSizeResult=abc\r\nFontNameText=NoSuchFont Really\r\n"
      "FontSizeText=-4\r\nFileNameBlankLineNext=x\r\nFileNameSpaceFromEnd=\r\n"
      "[Text]\r\nConvert=Weird\r\n[Document]\r\nHowToOpen=Foo\r\n");
  TfrmMain window;
  window.show();
  QCOMPARE(window.edtResult->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
  QCOMPARE(window.edtResult->font().pointSize(), 9);
  QCOMPARE(window.edtTextContents->font().family(), QStringLiteral("NoSuchFont Really"));
  QCOMPARE(window.edtTextContents->font().pointSize(), 9);
  QCOMPARE(Settings.ListCount, std::string("20"));
  QVERIFY(window.mnuListCountTwenty->isChecked());
  QCOMPARE(Settings.HowToOpen, std::string("Define"));
  QVERIFY(window.mnuDocByExtension->isChecked());
  QCOMPARE(Settings.Sort, std::string("Score"));
  QVERIFY(window.mnuSortScore->isChecked());
  QCOMPARE(window.cboSortType->currentText(), QStringLiteral("スコア"));
  QVERIFY(window.mnuAppearanceNormal->isChecked());
  QCOMPARE(Settings.ScreenType, std::string("Tiny"));
  QCOMPARE(window.pnlHeader->height(), 40);   // laid out as compact
  QVERIFY(window.mnuConvertToSJIS->isChecked());
  QCOMPARE(Settings.Convert, std::string("Weird"));
  QVERIFY(!window.stb->isVisible());
  QCOMPARE(window.cboKeyword->count(), 0);
  // The search still works with the parsing fallbacks.
  Search(window, QStringLiteral("apple"));
  QCOMPARE(window.edtResult->HitCount(), 3);
  window.close();
}

void TestMainWindow::sortSelectionBothWays() {
  WriteSettings("[Search]\r\nSort=title\r\n");
  {
    TfrmMain window;
    QVERIFY(window.mnuSortTitle->isChecked());
    QCOMPARE(window.cboSortType->currentText(), QStringLiteral("題名"));
    QCOMPARE(Settings.Sort, std::string("Title"));

    window.mnuSortLater->trigger();
    QCOMPARE(window.cboSortType->currentText(), QStringLiteral("新しい順"));
    QCOMPARE(Settings.Sort, std::string("Later"));
    QVERIFY(!window.mnuSortTitle->isChecked());

    window.cboSortType->setCurrentIndex(0);
    window.cboSortTypeClick();
    QVERIFY(window.mnuSortEarlier->isChecked());
    QCOMPARE(Settings.Sort, std::string("Earlier"));
    QCOMPARE(window.ViewState().Sort, TSortKind::skEarlier);

    window.mnuSortAscending->trigger();
    QVERIFY(window.ViewState().Ascending);
    window.mnuContentsOff->trigger();
    QVERIFY(!window.chkShowContents->isChecked());
    QCOMPARE(Settings.ShowContents, std::string("0"));
    window.chkShowContents->setChecked(true);
    QVERIFY(window.mnuContentsOn->isChecked());
    QCOMPARE(Settings.ShowContents, std::string("0"));  // the box only marks the item
    window.close();
  }
  QVERIFY(ReadFile(IniPath()).find("Sort=Earlier\r\n") != std::string::npos);
}

void TestMainWindow::recentDirectoriesSavedAndListed() {
  // The same folder twice, once in quotes: one entry.
  WriteSettings("[SearchMRU]\r\nItem_0=/stored/one\r\nItem_1=\"/stored/one\"\r\n");
  {
    TfrmMain window;
    window.show();
    QVERIFY(window.mnuRecentDirectory->menuAction()->isEnabled());
    QCOMPARE(window.mnuRecentDirectory->actions().size(), 1);
    QCOMPARE(window.mnuRecentDirectory->actions()[0]->text(), QStringLiteral("&1 /stored/one"));
    QCOMPARE(window.cboIndexDir->findText(QStringLiteral("/stored/one")), 0);
    Search(window, QStringLiteral("apple"));
    QCOMPARE(window.MRUManager->Items().size(), 2u);
    // The searched folder typed again without quotes is no new entry.
    window.cboIndexDir->setEditText(QString::fromStdString(IndexPath()));
    Search(window, QStringLiteral("apple"));
    QCOMPARE(window.MRUManager->Items().size(), 2u);
    QCOMPARE(window.cboIndexDir->count(), 2);
    QCOMPARE(window.mnuRecentDirectory->actions()[0]->text(),
             QStringLiteral("&1 \"%1\"").arg(QString::fromStdString(IndexPath())));

    // Choosing an entry puts it into the index box.
    window.mnuRecentDirectory->actions()[1]->trigger();
    QCOMPARE(window.cboIndexDir->currentText(), QStringLiteral("/stored/one"));
    QCOMPARE(Settings.IndexDirectories, std::vector<std::string>{"/stored/one"});
    window.close();
  }
  const std::string text = ReadFile(IniPath());
  QVERIFY2(text.find("Item_0=\"\"" + IndexPath() + "\"\"\r\n") != std::string::npos, text.c_str());
  QVERIFY(text.find("Item_1=/stored/one\r\n") != std::string::npos);

  // An empty list leaves the submenu disabled.
  WriteSettings("");
  TfrmMain empty;
  empty.show();
  QVERIFY(!empty.mnuRecentDirectory->menuAction()->isEnabled());
  empty.close();
}

void TestMainWindow::placementOnlyWithMatchingDpi() {
  const int dpi =
      static_cast<int>(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInch()));
  const std::string placement = "Flags=0\r\nShowCmd=1\r\nMinMaxPos=-1,-1,-1,-1\r\n"
                                "NormPos=30,40,630,520\r\n";
  WriteSettings("[Window]\r\nSavePosition=1\r\nPixelsPerInch=" + std::to_string(dpi) + "\r\n" +
                placement);
  {
    TfrmMain window;
    QCOMPARE(window.size(), QSize(600, 480));
    window.resize(610, 470);
    window.close();
  }
  QVERIFY(ReadFile(IniPath()).find("NormPos=30,40,640,510\r\n") != std::string::npos);

  WriteSettings("[Window]\r\nSavePosition=1\r\nPixelsPerInch=" + std::to_string(dpi + 1) + "\r\n" +
                placement);
  TfrmMain other;
  QCOMPARE(other.size(), QSize(545, 420));
  other.close();
}

void TestMainWindow::exitSavesLikeClose() {
  WriteSettings("[Search]\r\nFormulaHistoryCount=2\r\n");
  {
    TfrmMain window;
    window.show();
    window.AddQueryToHistory(QStringLiteral("saved by exit"));
    window.mnuExit->trigger();
    QVERIFY(!window.isVisible());
  }
  QVERIFY(ReadFile(IniPath()).find("History1=saved by exit\r\n") != std::string::npos);
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
