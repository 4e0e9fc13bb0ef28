#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/indexer/cmdlist.h"
#include "core/settings/inifile.h"
#include "core/settings/settings.h"
#include "support/testsupport.h"
#include "support/uitest_support.h"
#include "ui/indexer/makeidx.h"
#include "ui/process/browser.h"
#include "ui/process/doswin.h"
#include "ui/search/mainwindow.h"
#include "ui/widgets/bigview.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"
#include "ui/widgets/shelltree.h"

using namespace tavirel;
using namespace tavirel::uitest;
using tavirel::testsupport::TempDir;
using Lines = std::vector<std::string>;

namespace {

// Shows the window as the active one, so that focus and default buttons work.
bool ShowActive(QWidget& window) {
  window.show();
  window.activateWindow();
  return QTest::qWaitForWindowActive(&window);
}

QString ViewText(const TBigView* view) {
  QStringList lines;
  for (const std::string& line : view->Lines()) lines << SjisToQString(line);
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

class TestMakeIndex : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void controlsAndEnabledStates();
  void keyboardReachesEveryControl();
  void ticksKeepTheFolderBoxInStep();
  void commandListFromThePages_data();
  void commandListFromThePages();
  void listEditing();
  void savedAndLoadedFiles();
  void runShowsOutputAndRefusesToClose();
  void defaultsAreSavedPageByPage();
  void optionHelpAndFileListEditor();
  void openedFromTheMainWindow();
};

void TestMakeIndex::init() {
  Settings = TSettings();
  LoadSettings(Settings, "");  // every key at its default, no file
  Settings.IniFileName.clear();
}

void TestMakeIndex::controlsAndEnabledStates() {
  TfrmMakeIndex window;
  QCOMPARE(window.windowTitle(), QStringLiteral("インデックス作成"));
  QCOMPARE(window.minimumSize(), QSize(505, 371));
  const QStringList tabs = {"文書ディレクトリ(&1)", "索引ディレクトリ(&2)", "ファイル(&3)",
                            "その他(&4)", "実行予約(&5)", "実行画面(&6)"};
  QCOMPARE(window.pgeMknmz->count(), 6);
  for (int i = 0; i < 6; ++i) QCOMPARE(window.pgeMknmz->tabText(i), tabs[i]);
  QCOMPARE(window.pgeMknmz->currentWidget(), window.tabTargetDir);
  QCOMPARE(window.lstCriteria->count(), 12);
  QCOMPARE(window.lblShiftNote->text(),
           QStringLiteral("Shiftキーを押しながらボタンを押すと→\n既存のリストに追加できます。"));
  const struct {
    const char* name;
    QString caption;
  } buttons[] = {{"btnMakeCmdline", "コマンドリスト作成(&L)"}, {"btnExit", "終了"},
                 {"btnClearTargetDir", "クリア(&A)"},          {"btnEditFileList", "編集(&E)..."},
                 {"btnSetDefaultFile", "既定値(&S)"},          {"btnHelp", "オプション説明(&E)..."},
                 {"btnCmdlineAdd", "追加(&A)"},                {"btnCmdlineModify", "変更(&I)"},
                 {"btnCmdlineClear", "全削除"},                {"btnMakeIndex", "インデックス作成(&M)"},
                 {"btnRunMknmz", "実行"}};
  for (const auto& button : buttons) {
    auto* found = window.findChild<QPushButton*>(QString::fromLatin1(button.name));
    QVERIFY2(found, button.name);
    QCOMPARE(found->text(), button.caption);
  }
  QVERIFY(window.findChild<TShellTreeViewS*>(QStringLiteral("tvFolder"))->Checkboxes());
  QCOMPARE(window.tvFolder->SelectedFolder(), QStringLiteral("/"));

  // Each choice enables what depends on it.
  const struct {
    QWidget* field;
    QAbstractButton* control;  // checked: enabled
  } dependents[] = {
      {window.edtOutputDir, window.optIndexOtherDir}, {window.grpMakeDir, window.optIndexOtherDir},
      {window.edtTargetFilePattern, window.optTargetRegex},
      {window.edtTargetFileListFileName, window.chkTargetFileList},
      {window.btnEditFileList, window.chkTargetFileList}, {window.edtMediaType, window.chkMediaType},
      {window.edtReplace, window.chkReplace}, {window.edtMknmzrcFileName, window.chkMknmzrc}};
  for (const auto& dependent : dependents)
    QVERIFY2(!dependent.field->isEnabled(), qPrintable(dependent.field->objectName()));
  for (const auto& dependent : dependents) {
    dependent.control->setChecked(true);
    QVERIFY2(dependent.field->isEnabled(), qPrintable(dependent.field->objectName()));
  }
  QVERIFY(window.edtExcludeDirPattern->isEnabled() && window.edtDenyFilePattern->isEnabled());
  window.lstCriteria->item(1)->setCheckState(Qt::Checked);
  QVERIFY(!window.edtExcludeDirPattern->isEnabled());
  for (QPushButton* button : {window.btnCmdlineModify, window.btnCmdlineUp, window.btnCmdlineDown,
                              window.btnCmdlineDelete, window.btnCmdlineClear})
    QVERIFY(!button->isEnabled());
}

void TestMakeIndex::keyboardReachesEveryControl() {
  TfrmMakeIndex window;
  QVERIFY(ShowActive(window));
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window.tvFolder));
  for (int page = 1; page <= 6; ++page) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(Qt::Key_0 + page), Qt::AltModifier);
    QCOMPARE(window.pgeMknmz->currentIndex(), page - 1);
  }
  // Tab runs through the page and on to the buttons below it.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::AltModifier);
  window.optIndexOtherDir->setFocus();
  window.optIndexOtherDir->setChecked(true);
  QStringList order;
  for (int i = 0; i < 5; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order << QApplication::focusWidget()->objectName();
  }
  QCOMPARE(order, QStringList({"edtOutputDir", "btnBrowseOutputDir", "grpMakeDir0",
                               "btnMakeCmdline", "btnExit"}));
  // The group's mnemonic goes to its chosen item.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::AltModifier);
  QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("grpMakeDir0"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  QCOMPARE(window.grpMakeDirChoices->checkedId(), 1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);  // closes
  QVERIFY(!window.isVisible());
}

void TestMakeIndex::ticksKeepTheFolderBoxInStep() {
  TempDir dir;
  QDir root(QString::fromStdString(dir.path()));
  root.mkpath(QStringLiteral("Docs/sub"));
  const QString docs = root.filePath(QStringLiteral("Docs"));
  TfrmMakeIndex window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QTRY_VERIFY(window.tvFolder->SetSelectedFolder(docs));
  window.edtTargetDirectories->setPlainText(QStringLiteral("/first\n") + docs.toUpper());

  QTest::keyClick(window.tvFolder, Qt::Key_Space);  // ticked, already listed without case
  QCOMPARE(window.edtTargetDirectories->toPlainText(), QStringLiteral("/first\n") + docs.toUpper());
  QTest::keyClick(window.tvFolder, Qt::Key_Space);  // cleared: the line goes
  QCOMPARE(window.edtTargetDirectories->toPlainText(), QStringLiteral("/first"));
  QTest::keyClick(window.tvFolder, Qt::Key_Space);  // ticked: appended as the last line
  QCOMPARE(window.edtTargetDirectories->toPlainText(), QStringLiteral("/first\n") + docs);
  QTRY_VERIFY(window.tvFolder->SetSelectedFolder(docs + QStringLiteral("/sub")));
  QVERIFY(!window.tvFolder->IsNodeChecked(window.tvFolder->SelectedNode()));
  QTest::mouseClick(window.btnClearTargetDir, Qt::LeftButton);
  QCOMPARE(window.edtTargetDirectories->toPlainText(), QString());
}

void TestMakeIndex::commandListFromThePages_data() {
  QTest::addColumn<QString>("folders");
  QTest::addColumn<bool>("otherDir");
  QTest::addColumn<QString>("output");  // "@" stands for a test folder
  QTest::addColumn<int>("answer");      // to the question to create the output folder
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("lines");       // after a first press with one line in the list
  QTest::newRow("no folder") << " \n " << false << "" << 0
                             << "対象ディレクトリを指定してください。" << 1;
  QTest::newRow("two folders in place") << "/a\n\n/b\n" << false << "" << 0 << "" << 2;
  QTest::newRow("several without output")
      << "/a\n/b" << true << "" << 0
      << "「インデックス出力先を指定する」を選択したときは出力先ディレクトリを指定してください。"
      << 1;
  QTest::newRow("missing output, No") << "/a" << true << "@/new" << int(QMessageBox::No) << "" << 1;
  QTest::newRow("missing output, Yes") << "/a" << true << "@/new/deep" << int(QMessageBox::Yes)
                                       << "" << 2;
  QTest::newRow("output that cannot be made") << "/a" << true << "@/file/x"
                                              << int(QMessageBox::Yes)
                                              << "ディレクトリの作成に失敗しました。" << 1;
}

void TestMakeIndex::commandListFromThePages() {
  QFETCH(QString, folders);
  QFETCH(bool, otherDir);
  QFETCH(QString, output);
  QFETCH(int, answer);
  QFETCH(QString, message);
  QFETCH(int, lines);
  TempDir dir;
  dir.Write("file", "x");
  output.replace(QLatin1Char('@'), QString::fromStdString(dir.path()));

  TfrmMakeIndex window;
  QVERIFY(ShowActive(window));
  window.SetCommandLines({"old"});
  window.edtTargetDirectories->setPlainText(folders);
  window.optIndexOtherDir->setChecked(otherDir);
  window.edtOutputDir->setText(output);
  BoxSeen question, error;
  if (answer != 0) AnswerNextBox(&question, QMessageBox::StandardButton(answer));
  if (!message.isEmpty()) {
    if (answer != 0) QTimer::singleShot(100, [&] { AnswerNextBox(&error); });
    else AnswerNextBox(&error);
  }
  QTest::mouseClick(window.btnMakeCmdline, Qt::LeftButton);
  QTRY_COMPARE(error.seen, !message.isEmpty());
  QCOMPARE(error.text, message);
  QCOMPARE(question.seen, answer != 0);
  if (answer != 0) QCOMPARE(question.text, QStringLiteral("出力先のディレクトリは存在しません。作成しますか?"));
  QCOMPARE(window.lstCmdlineList->count(), lines);
  if (lines == 1) {
    QCOMPARE(window.CommandLines(), Lines{"old"});
    return;
  }
  QCOMPARE(window.pgeMknmz->currentWidget(), window.tabCmdlineList);
  QCOMPARE(window.focusWidget(), static_cast<QWidget*>(window.edtCmdlineEdit));
  // Pressed again: the same lines once; with Shift held: a second set.
  QTest::mouseClick(window.btnMakeCmdline, Qt::LeftButton);
  QCOMPARE(window.lstCmdlineList->count(), lines);
  QTest::mouseClick(window.btnMakeCmdline, Qt::LeftButton, Qt::ShiftModifier);
  QCOMPARE(window.lstCmdlineList->count(), 2 * lines);
}

void TestMakeIndex::listEditing() {
  TfrmMakeIndex window;
  QVERIFY(ShowActive(window));
  window.pgeMknmz->setCurrentWidget(window.tabCmdlineList);
  auto add = [&](const QString& text, QMessageBox::StandardButton answer = QMessageBox::NoButton,
                 BoxSeen* seen = nullptr) {
    BoxSeen unused;
    if (answer != QMessageBox::NoButton) AnswerNextBox(seen ? seen : &unused, answer);
    window.edtCmdlineEdit->setText(text);
    QTest::mouseClick(window.btnCmdlineAdd, Qt::LeftButton);
  };
  add(QStringLiteral("  *mknmz a  "));
  add(QStringLiteral("   "));  // nothing
  BoxSeen box;
  add(QStringLiteral("*MKNMZ A"), QMessageBox::No, &box);
  QVERIFY(box.seen);
  QCOMPARE(box.title, QStringLiteral("確認"));
  QCOMPARE(box.text, QStringLiteral("同じコマンドラインが存在します。\n追加してもよろしいですか？"));
  add(QStringLiteral("*mknmz b"));
  add(QStringLiteral("*MKNMZ B"), QMessageBox::Yes);
  QCOMPARE(window.CommandLines(), (Lines{"*mknmz a", "*mknmz b", "*MKNMZ B"}));
  QVERIFY(window.btnCmdlineClear->isEnabled() && !window.btnCmdlineDelete->isEnabled());

  window.lstCmdlineList->setCurrentRow(0);
  QVERIFY(window.btnCmdlineDelete->isEnabled());
  QTest::mouseClick(window.btnCmdlineUp, Qt::LeftButton);  // already first
  QTest::mouseClick(window.btnCmdlineDown, Qt::LeftButton);
  QCOMPARE(window.CommandLines(), (Lines{"*mknmz b", "*mknmz a", "*MKNMZ B"}));
  QCOMPARE(window.lstCmdlineList->currentRow(), 1);
  window.edtCmdlineEdit->setText(QStringLiteral(" *mknmz c "));
  QTest::mouseClick(window.btnCmdlineModify, Qt::LeftButton);
  window.lstCmdlineList->setCurrentRow(2);
  QTest::mouseClick(window.btnCmdlineDelete, Qt::LeftButton);  // the last: selection follows up
  QCOMPARE(window.CommandLines(), (Lines{"*mknmz b", "*mknmz c"}));
  QCOMPARE(window.lstCmdlineList->currentRow(), 1);
  window.edtCmdlineEdit->clear();
  window.lstCmdlineList->setFocus();
  QTest::keyClick(window.lstCmdlineList, Qt::Key_Return);  // copies the line into the field
  QCOMPARE(window.edtCmdlineEdit->text(), QStringLiteral("*mknmz c"));

  AnswerNextBox(&box, QMessageBox::No);
  QTest::mouseClick(window.btnCmdlineClear, Qt::LeftButton);
  QCOMPARE(window.lstCmdlineList->count(), 2);
  AnswerNextBox(&box, QMessageBox::Yes);
  QTest::mouseClick(window.btnCmdlineClear, Qt::LeftButton);
  QCOMPARE(box.text, QStringLiteral("予約されているコマンドをすべて削除します。\nよろしいですか？"));
  QCOMPARE(window.lstCmdlineList->count(), 0);
  QVERIFY(!window.btnCmdlineClear->isEnabled());

  // Enter in the field adds its line: the add button is the default there.
  QVERIFY(ShowActive(window));
  window.edtCmdlineEdit->setFocus();
  QVERIFY(window.btnCmdlineAdd->isDefault());
  window.edtCmdlineEdit->setText(QStringLiteral("!echo"));
  QTest::keyClick(window.edtCmdlineEdit, Qt::Key_Return);
  QCOMPARE(window.CommandLines(), Lines{"!echo"});
}

void TestMakeIndex::savedAndLoadedFiles() {
  TempDir dir;
  const QString file = QString::fromStdString(dir.File("list.txt"));
  TfrmMakeIndex window;
  window.show();
  window.SetCommandLines({"  *mknmz a  ", "", "*mkdir \"/\x95\x5C\""});

  AnswerNextFileDialog(file);
  QTest::mouseClick(window.btnSaveCmdList, Qt::LeftButton);
  const Lines tidy = {"*mknmz a", "*mkdir \"/\x95\x5C\""};
  QCOMPARE(window.CommandLines(), tidy);
  QCOMPARE(testsupport::ReadBytes(file.toStdString()), FormatCommandList(tidy));

  window.SetCommandLines({"other"});
  AnswerNextFileDialog(file);
  QTest::mouseClick(window.btnLoadCmdList, Qt::LeftButton);
  QCOMPARE(window.CommandLines(), tidy);

  const QString bad = QString::fromStdString(dir.Write("bad.txt", std::string(CommandListHeader) + "\r\n"));
  BoxSeen box;
  AnswerNextFileDialog(bad);
  QTimer::singleShot(300, [&] { AnswerNextBox(&box); });
  QTest::mouseClick(window.btnLoadCmdList, Qt::LeftButton);
  QTRY_VERIFY(box.seen);
  QCOMPARE(box.text, QStringLiteral("ファイルが不正です。"));
  QCOMPARE(box.icon, QMessageBox::Critical);
  QCOMPARE(window.CommandLines(), tidy);
}

void TestMakeIndex::runShowsOutputAndRefusesToClose() {
  const QString start = QDir::currentPath();  // runs change the current folder
  auto restore = qScopeGuard([&] { QDir::setCurrent(start); });
  TempDir dir;
  std::filesystem::create_directories(dir.File("work"));
  Settings.mknmzPath = dir.File("mknmz");  // runs start in its folder
  TfrmMakeIndex window;
  window.show();
  window.SetCommandLines({"!/bin/pwd", "*chdir \"" + dir.File("work") + "\"", "!/bin/pwd",
                          "!/bin/sh -c \"echo slow; sleep 1; echo done\""});
  bool closedDuringRun = true, buttonsOff = false;
  QString progressDuringRun;
  QTimer::singleShot(500, [&] {
    closedDuringRun = window.close();
    buttonsOff = !window.btnMakeIndex->isEnabled() && !window.btnRunMknmz->isEnabled() &&
                 !window.btnExit->isEnabled() && window.edtCommandLine->isReadOnly();
    progressDuringRun = window.lblProgress->text();
  });
  QTest::mouseClick(window.btnMakeIndex, Qt::LeftButton);
  QVERIFY(!closedDuringRun);
  QVERIFY(buttonsOff);
  QCOMPARE(progressDuringRun, QStringLiteral("4 / 4"));
  QCOMPARE(window.pgeMknmz->currentWidget(), window.tabProcess);
  const QString output = ViewText(window.edtProcess);
  QVERIFY2(output.contains(QString::fromStdString(std::filesystem::canonical(dir.path()).string())), qPrintable(output));
  QVERIFY2(output.contains(QStringLiteral("/work")), qPrintable(output));
  QVERIFY2(output.contains(QStringLiteral("done")), qPrintable(output));
  QVERIFY(window.btnMakeIndex->isEnabled() && window.btnExit->isEnabled());
  QVERIFY(!window.edtCommandLine->isReadOnly());

  // "実行" runs the first line of the field only; a blank field is refused.
  window.edtCommandLine->setText(QStringLiteral("!/bin/echo one\n!/bin/echo two"));
  QTest::mouseClick(window.btnRunMknmz, Qt::LeftButton);
  QVERIFY(ViewText(window.edtProcess).contains(QStringLiteral("one")));
  QVERIFY(!ViewText(window.edtProcess).contains(QStringLiteral("two")));
  BoxSeen box;
  AnswerNextBox(&box);
  window.edtCommandLine->setText(QStringLiteral("  "));
  QTest::mouseClick(window.btnRunMknmz, Qt::LeftButton);
  QCOMPARE(box.text, QStringLiteral("コマンドを入力してください。"));
  window.SetCommandLines({});
  AnswerNextBox(&box);
  QTest::mouseClick(window.btnMakeIndex, Qt::LeftButton);
  QCOMPARE(box.text, QStringLiteral("予約されたコマンドがありません。"));
  QVERIFY(window.close());
}

void TestMakeIndex::defaultsAreSavedPageByPage() {
  TempDir dir;
  const std::string ini = dir.File("tavirel.ini");
  WriteDefaultSettings(ini);
  Settings.IniFileName = ini;
  {
    TfrmMakeIndex window;
    window.show();
    window.lstCriteria->item(3)->setCheckState(Qt::Checked);
    window.lstCriteria->item(9)->setCheckState(Qt::Checked);
    window.optTargetAll->setChecked(true);
    BoxSeen box;
    AnswerNextBox(&box, QMessageBox::Ok);
    window.btnSetDefaultDirClick();  // on another page: nothing is saved
    window.pgeMknmz->setCurrentWidget(window.tabEtc);
    // The question keeps the program's name as its caption, whatever the
    // main window's caption (the folders searched) is.
    SetApplicationTitle(QStringLiteral("\"/idx/a\" - tavirel for Namazu"));
    AnswerNextBox(&box, QMessageBox::Ok);
    QTest::mouseClick(window.btnSetDefaultEtc, Qt::LeftButton);
    QCOMPARE(box.text, QStringLiteral("現在のページの状態を既定値として保存します。"));
    QCOMPARE(box.title, QStringLiteral("tavirel for Namazu"));
    QCOMPARE(box.icon, QMessageBox::Information);
    SetApplicationTitle(QString());
    QVERIFY(window.close());
  }
  const std::string text = testsupport::ReadBytes(ini);
  QVERIFY(text.find("Option1=--no-symbol\r\nOption2=--meta\r\nOptionCount=2") != std::string::npos);
  QVERIFY(text.find("TargetFile=") == std::string::npos);  // not the page shown
  TfrmMakeIndex again;
  QCOMPARE(again.lstCriteria->item(3)->checkState(), Qt::Checked);
  QCOMPARE(again.lstCriteria->item(9)->checkState(), Qt::Checked);
  QCOMPARE(again.lstCriteria->item(2)->checkState(), Qt::Unchecked);
  QVERIFY(again.optTargetDefault->isChecked());
}

void TestMakeIndex::optionHelpAndFileListEditor() {
  TempDir dir;
  const QString list = QString::fromStdString(dir.Write("list.txt", "/x\n"));
  std::vector<std::string> opened;
  EditorLauncher() = [&opened](const std::string& path) { opened.push_back(path); };
  auto unset = qScopeGuard([] { ResetEditorLauncher(); });
  {
    TfrmMakeIndex window;
    window.show();
    window.chkTargetFileList->setChecked(true);
    window.edtTargetFileListFileName->setText(list);
    QTest::mouseClick(window.btnEditFileList, Qt::LeftButton);
    QCOMPARE(opened, std::vector<std::string>{list.toStdString()});

    if (::access(Settings.mknmzPath.c_str(), R_OK) != 0) QSKIP("mknmz is not installed");
    QTest::mouseClick(window.btnHelp, Qt::LeftButton);
    auto* help = window.findChild<TfrmWindow*>();
    QVERIFY(help != nullptr);
    QCOMPARE(help->windowTitle(), QStringLiteral("コマンドライン・オプション"));
    QVERIFY(help->isVisible());
    QCOMPARE(help->edt->Tag(), 1);
    QVERIFY(ViewText(help->edt).contains(QStringLiteral("--output-dir")));
    QTest::mouseClick(window.btnHelp, Qt::LeftButton);  // the same window again
    QCOMPARE(window.findChildren<TfrmWindow*>().size(), 1);
    QPointer<TfrmWindow> released(help);
    QVERIFY(window.close());
    QTRY_VERIFY(released.isNull());
  }
}

void TestMakeIndex::openedFromTheMainWindow() {
  TempDir dir;
  const std::string ini = dir.File("tavirel.ini");
  TfrmMain::SetSettingsFileOverride(ini);
  auto unset = qScopeGuard([] { TfrmMain::SetSettingsFileOverride(std::string()); });
  TfrmMain main;
  QVERIFY(main.mnuMakeIndex->isEnabled());
  QCOMPARE(main.mnuMakeIndex->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_K));
  bool modal = false, owned = false;
  QTimer::singleShot(100, [&] {
    auto* window = qobject_cast<TfrmMakeIndex*>(QApplication::activeModalWidget());
    if (window == nullptr) return;
    modal = window->isModal();
    owned = window->parentWidget() == &main;
    window->btnExit->click();
  });
  main.mnuMakeIndex->trigger();
  QVERIFY(modal && owned);
  QVERIFY(main.findChildren<TfrmMakeIndex*>().isEmpty());  // freed
  // Its placement went to section "Mknmz" of the settings file.
  TIniFile file;
  QVERIFY(file.LoadFromFile(ini));
  QVERIFY(file.ValueExists("Mknmz", "NormPos"));
}

QTEST_MAIN(TestMakeIndex)
#include "test_makeidx.moc"
