// The options dialog and the namazurc dialog.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include <cstdio>
#include <string>
#include <vector>

#include "core/process/ucommon.h"
#include "core/search/drivelist.h"
#include "core/settings/settings.h"
#include "support/testsupport.h"
#include "support/uitest_support.h"
#include "ui/process/doswin.h"
#include "ui/settings/browse.h"
#include "ui/settings/namazurc.h"
#include "ui/settings/options.h"
#include "ui_options.h"
#include "ui/widgets/bigview.h"
#include "ui/widgets/qtcodec.h"

using namespace tavirel;
using namespace tavirel::uitest;
using tavirel::testsupport::TempDir;

namespace {

// 日本語 in Shift-JIS, for paths.
const std::string kNihongo = "\x93\xFA\x96\x7B\x8C\xEA";

// What a replaced file dialog was asked and what it answers.
struct DialogCall {
  int count = 0;
  QString title, folder, fileName;
  QStringList filters;
  QString answer;
};

void ReplaceFileDialog(DialogCall* call) {
  FileDialogHook() = [call](QWidget*, const QString& title, const QString& folder,
                            const QString& fileName, const QStringList& filters) {
    ++call->count;
    call->title = title;
    call->folder = folder;
    call->fileName = fileName;
    call->filters = filters;
    return call->answer;
  };
}

TSettings StartSettings() {
  TSettings s;
  s.ShowExplanation = "1";
  s.SavePosition = "0";
  s.ResultDisplayTo = "Text";
  s.FileNameBlankLineNext = "2";
  s.FileNameSpaceFromEnd = "2";
  s.SearchOnChangeSettings = "0";
  s.ConfirmCommandLine = "1";
  s.UseDriveConstantsWebBrowser = "0";
  s.Usepnamazu = "0";
  s.ShowProcess = "Internal";
  s.WebBrowserDisplayTo = "Internal";
  s.BrowserType = "NetscapeNavigator";
  s.NavigatorPath = "/usr/bin/firefox";
  s.PerlPath = "/usr/bin/perl";
  s.mknmzPath = "/usr/bin/mknmz";
  s.namazuPath = "/usr/bin/namazu";
  s.pnamazuPath = "/opt/p namazu/" + kNihongo + "/pnamazu.pl";
  s.namazuOption = "";
  s.ResultUseTempDir = "1";
  s.UseNamazurc = "0";
  s.SetIndexInNamazurc = "0";
  s.NamazurcPath = "/etc/namazu/namazurc";
  return s;
}

// The settings fields the two dialogs edit, for comparing.
std::vector<std::string> Edited(const TSettings& s) {
  return {s.ShowExplanation, s.SavePosition, s.ResultDisplayTo, s.FileNameBlankLineNext,
          s.FileNameSpaceFromEnd, s.SearchOnChangeSettings, s.ConfirmCommandLine,
          s.UseDriveConstantsWebBrowser, s.Usepnamazu, s.ShowProcess, s.WebBrowserDisplayTo,
          s.BrowserType, s.NavigatorPath, s.PerlPath, s.mknmzPath, s.namazuPath, s.pnamazuPath,
          s.namazuOption, s.ResultUseTempDir, s.UseNamazurc, s.SetIndexInNamazurc,
          s.NamazurcPath};
}

}  // namespace

class TestOptionsDialog : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    Settings = StartSettings();
    DriveConstantList = {"{hd1} => /    [root]"};
    ResetFileDialogHook();
    ResetEditorLauncher();
  }
  void cleanupTestCase() {
    ResetFileDialogHook();
    ResetEditorLauncher();
  }

  void optionsCaptionsAndNames();
  void optionsNumbersRefused_data();
  void optionsNumbersRefused();
  void optionsUntouchedOkAndCancel();
  void optionsBrowseDialogs();
  void optionsDefaultButtons();
  void optionsHelpWindowOnceAndClosedWithDialog();
  void namazurcStatesAndStore_data();
  void namazurcStatesAndStore();
  void namazurcEditorAndBrowse();
  void editorFailureIsReported();
  void fieldsHaveRoomForTheirText();
};

void TestOptionsDialog::optionsCaptionsAndNames() {
  TfrmSettings dialog;
  QCOMPARE(dialog.windowTitle(), QStringLiteral("オプション"));
  QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
  QVERIFY(dialog.width() >= 385 && dialog.height() >= 320);
  auto* pages = dialog.findChild<QTabWidget*>(QStringLiteral("pgeSettings"));
  QVERIFY(pages != nullptr);
  const QStringList titles = {QStringLiteral("全般"), QStringLiteral("検索"),
                              QStringLiteral("インデックス作成"), QStringLiteral("Webブラウザ"),
                              QStringLiteral("コマンドライン"), QStringLiteral("高度")};
  const QStringList names = {"tabGeneral", "tabSearch", "tabMakeIndex", "tabWebBrowser",
                             "tabCommandLine", "tabEtc"};
  for (int i = 0; i < pages->count(); ++i) {
    QCOMPARE(pages->tabText(i), titles.value(i));
    QCOMPARE(pages->widget(i)->objectName(), names.value(i));
  }
  QCOMPARE(pages->count(), 6);
  QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("tabGeneral"));
  for (const char* name :
       {"chkShowExplanation", "chkSaveWindowPos", "chkSearchOnChangeSettings",
        "chkSearchConfirmCmdLine", "chkUseConstantInBrowser", "chkUsePnamazu", "chkUseTempDir",
        "btnSetDefaultPath", "btnSetDefaultOption", "btnShowOptionInfo", "btnOK", "btnCancel"}) {
    QVERIFY2(dialog.findChild<QAbstractButton*>(QString::fromLatin1(name)) != nullptr, name);
  }
  for (const char* name : {"grpResultOutput", "grpFileNamePos", "grpMknmzWindow",
                           "grpWebBrowserOutputTo", "grpWebBrowserType"}) {
    QVERIFY2(dialog.findChild<QGroupBox*>(QString::fromLatin1(name)) != nullptr, name);
  }
  for (const char* name : {"edtBlankLine", "edtSpaceCount", "edtNavigatorPath", "edtPerlPath",
                           "edtMknmzPath", "edtNamazuPath", "edtPnamazuPath", "edtNamazuParams"}) {
    QVERIFY2(dialog.findChild<QLineEdit*>(QString::fromLatin1(name)) != nullptr, name);
  }
  QVERIFY(dialog.ui()->btnOK->isDefault());
  // The arrows (and the Up and Down keys) step the field within 0..9.
  QLineEdit* blank = dialog.ui()->edtBlankLine;
  const std::pair<QString, QString> steps[] = {{"x", "3"}, {"8", "9"}, {"9", "9"}, {"25", "9"}};
  for (const auto& [typed, after] : steps) {
    blank->setText(typed);
    QTest::keyClick(blank, Qt::Key_Up);
    QCOMPARE(blank->text(), after);
  }
  blank->setText(QStringLiteral("0"));
  QTest::keyClick(blank, Qt::Key_Down);
  QCOMPARE(blank->text(), QStringLiteral("0"));
  QCOMPARE(dialog.ui()->edtPnamazuPath->text(), SjisToQString(Settings.pnamazuPath));
}

void TestOptionsDialog::optionsNumbersRefused_data() {
  QTest::addColumn<QString>("stored");
  QTest::addColumn<QString>("blank");
  QTest::addColumn<QString>("space");
  QTest::addColumn<QString>("refusedField");  // empty: accepted
  QTest::newRow("stored abc opens as 0") << "abc" << "" << "3" << "edtBlankLine";
  QTest::newRow("zero") << "2" << "0" << "2" << "edtBlankLine";
  QTest::newRow("space field zero") << "2" << "1" << "0" << "edtSpaceCount";
  QTest::newRow("both bad: blank line first") << "2" << "x" << "" << "edtBlankLine";
  QTest::newRow("negative") << "2" << "-1" << "2" << "edtBlankLine";
  QTest::newRow("one") << "2" << "1" << "1" << "";
  QTest::newRow("typed above the arrows") << "2" << "25" << "9" << "";
}

void TestOptionsDialog::optionsNumbersRefused() {
  QFETCH(QString, stored);
  QFETCH(QString, blank);
  QFETCH(QString, space);
  QFETCH(QString, refusedField);
  Settings.FileNameBlankLineNext = stored.toStdString();
  const TSettings before = Settings;
  TfrmSettings dialog;
  dialog.show();
  Ui::TfrmSettings& f = *dialog.ui();
  if (stored == QStringLiteral("abc")) QCOMPARE(f.edtBlankLine->text(), QStringLiteral("0"));
  if (!blank.isEmpty()) f.edtBlankLine->setText(blank);
  f.edtSpaceCount->setText(space);
  f.pgeSettings->setCurrentWidget(f.tabEtc);
  if (refusedField.isEmpty()) {
    f.btnOK->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(Settings.FileNameBlankLineNext), blank);
    QCOMPARE(QString::fromStdString(Settings.FileNameSpaceFromEnd), space);
    return;
  }
  BoxSeen seen;
  AnswerNextBox(&seen);
  f.btnOK->click();
  QTRY_VERIFY(seen.seen);
  QCOMPARE(seen.text, QStringLiteral("有効な数値を入力してください。"));
  QCOMPARE(seen.title, QStringLiteral("エラー"));
  QCOMPARE(seen.icon, QMessageBox::Critical);
  QVERIFY(dialog.isVisible());
  QCOMPARE(f.pgeSettings->currentWidget(), f.tabSearch);
  QVERIFY(dialog.focusWidget() != nullptr);
  QCOMPARE(dialog.focusWidget()->objectName(), refusedField);
  QCOMPARE(Edited(Settings), Edited(before));
}

void TestOptionsDialog::optionsUntouchedOkAndCancel() {
  // Cancel, Esc: nothing changes, whatever was touched.
  const TSettings before = Settings;
  {
    TfrmSettings dialog;
    dialog.show();
    dialog.ui()->optResultWebBrowser->setChecked(true);
    dialog.ui()->edtPerlPath->setText(QStringLiteral("/x"));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }
  QCOMPARE(Edited(Settings), Edited(before));

  // OK without touching: the words take their canonical form.
  Settings.ShowProcess = "dosWINDOW ";
  Settings.namazuOption = " -n 5 ";
  {
    TfrmSettings dialog;
    dialog.show();
    QCOMPARE(dialog.ui()->optBrowserDefault->isChecked(), true);
    dialog.ui()->btnOK->click();
  }
  QCOMPARE(Settings.BrowserType, std::string("DefaultBrowser"));
  QCOMPARE(Settings.ShowProcess, std::string("Internal"));
  QCOMPARE(Settings.namazuOption, std::string(" -n 5 "));
  QCOMPARE(Settings.pnamazuPath, before.pnamazuPath);
  QCOMPARE(Settings.ConfirmCommandLine, std::string("1"));

  // A character Shift-JIS cannot write is refused on its page.
  TfrmSettings dialog;
  dialog.show();
  dialog.ui()->edtNamazuParams->setText(QStringLiteral("-a \U0001F600"));
  BoxSeen seen;
  AnswerNextBox(&seen);
  dialog.ui()->btnOK->click();
  QTRY_VERIFY(seen.seen);
  QCOMPARE(dialog.ui()->pgeSettings->currentWidget(), dialog.ui()->tabCommandLine);
  QVERIFY(dialog.isVisible());
  QCOMPARE(Settings.namazuOption, std::string(" -n 5 "));
}

void TestOptionsDialog::optionsBrowseDialogs() {
  TempDir dir;
  // A stored folder with a blank and Japanese in its name.
  const std::string folder = dir.path() + "/Program Files " + kNihongo;
  QVERIFY(QDir().mkpath(SjisToQString(folder)));
  Settings.NavigatorPath = folder + "/netscape";
  Settings.PerlPath = "/no/such/folder/perl";
  DialogCall call;
  ReplaceFileDialog(&call);
  TfrmSettings dialog;
  Ui::TfrmSettings& f = *dialog.ui();

  call.answer = SjisToQString(folder + "/netscape");
  f.edtNavigatorPath->setText(QStringLiteral("/usr/bin/typed"));
  dialog.edtNavigatorPathButton->trigger();
  QCOMPARE(call.title, QStringLiteral("Netscape Navigator のパスを指定してください"));
  QCOMPARE(call.folder, SjisToQString(folder));  // the stored path's folder, not the field's
  QCOMPARE(call.fileName, QStringLiteral("netscape"));
  QCOMPARE(call.filters.value(0), QStringLiteral("ﾌﾟﾛｸﾞﾗﾑ (*.exe)"));
  QCOMPARE(f.edtNavigatorPath->text(), "\"" + SjisToQString(folder + "/netscape") + "\"");

  call.answer = QStringLiteral("/usr/bin/perl");
  dialog.edtPerlPathButton->trigger();
  QCOMPARE(call.title, QStringLiteral("Perl のパスを指定してください"));
  QCOMPARE(call.folder, SjisToQString(ProgramFolder()));
  QCOMPARE(f.edtPerlPath->text(), QStringLiteral("/usr/bin/perl"));

  call.answer.clear();  // cancelled
  f.edtPnamazuPath->setText(QStringLiteral("kept"));
  dialog.edtPnamazuPathButton->trigger();
  QCOMPARE(call.title, QStringLiteral("pnamazu のパスを指定してください"));
  QCOMPARE(call.filters.value(1), QStringLiteral("Perlｽｸﾘﾌﾟﾄ (*.pl)"));
  QCOMPARE(f.edtPnamazuPath->text(), QStringLiteral("kept"));
  QCOMPARE(call.count, 3);

  // A chosen path that Shift-JIS cannot write is refused and not entered.
  const QString namazuBefore = f.edtNamazuPath->text();
  call.answer = QStringLiteral("/tmp/\U0001F600/namazu");
  BoxSeen seen;
  AnswerNextBox(&seen);
  dialog.edtNamazuPathButton->trigger();
  QTRY_VERIFY(seen.seen);
  QCOMPARE(f.edtNamazuPath->text(), namazuBefore);

  dialog.show();
  f.btnOK->click();
  QCOMPARE(Settings.NavigatorPath, "\"" + folder + "/netscape\"");
}

void TestOptionsDialog::optionsDefaultButtons() {
  Settings.namazuOption = "-a";
  TfrmSettings dialog;
  Ui::TfrmSettings& f = *dialog.ui();
  for (QLineEdit* edit : {f.edtPerlPath, f.edtMknmzPath, f.edtNamazuPath}) edit->clear();
  f.btnSetDefaultPath->click();
  QCOMPARE(f.edtPerlPath->text(), QStringLiteral("/usr/bin/perl"));
  QCOMPARE(f.edtMknmzPath->text(), QStringLiteral("/usr/bin/mknmz"));
  QCOMPARE(f.edtNamazuPath->text(), QStringLiteral("/usr/bin/namazu"));
  QCOMPARE(f.edtPnamazuPath->text(), SjisToQString(Settings.pnamazuPath));
  QCOMPARE(f.edtNavigatorPath->text(), QStringLiteral("/usr/bin/firefox"));
  f.btnSetDefaultOption->click();
  QCOMPARE(f.edtNamazuParams->text(), QString());
  f.btnSetDefaultOption->click();
  QCOMPARE(f.edtNamazuParams->text(), QString());
}

void TestOptionsDialog::optionsHelpWindowOnceAndClosedWithDialog() {
  auto dialog = std::make_unique<TfrmSettings>();
  dialog->show();
  // The perl path as typed, through a drive label; not the stored one.
  Settings.PerlPath = "/no/perl";
  dialog->ui()->edtPerlPath->setText(QStringLiteral("{hd1}usr/bin/perl"));
  dialog->ui()->btnShowOptionInfo->click();
  QPointer<TfrmWindow> first = dialog->OptionInfoWindow;
  QVERIFY(first != nullptr);
  QCOMPARE(first->windowTitle(), QStringLiteral("コマンドライン・オプション"));
  QCOMPARE(first->edt->Tag(), 1);
  std::string text;
  for (const std::string& line : first->edt->Lines()) text += line + "\n";
  QVERIFY2(text.find("This is perl") != std::string::npos, text.c_str());
  QVERIFY2(text.find("mknmz") != std::string::npos, text.c_str());
  QVERIFY2(text.find("namazu") != std::string::npos, text.c_str());
  const int lines = first->edt->LineCount();

  // A second click only brings the window forward.
  dialog->ui()->btnShowOptionInfo->click();
  QCOMPARE(dialog->OptionInfoWindow.data(), first.data());
  QCOMPARE(first->edt->LineCount(), lines);

  // Closed by the user: the next click opens a new one.
  first->close();
  QTRY_VERIFY(first.isNull());
  dialog->ui()->btnShowOptionInfo->click();
  QPointer<TfrmWindow> second = dialog->OptionInfoWindow;
  QVERIFY(second != nullptr);

  // Cancelling the dialog closes the help window too.
  dialog->ui()->btnCancel->click();
  QVERIFY(second.isNull());
  QCOMPARE(Settings.PerlPath, std::string("/no/perl"));
}

void TestOptionsDialog::namazurcStatesAndStore_data() {
  QTest::addColumn<QString>("useNamazurc");
  QTest::addColumn<bool>("dontUseTicked");
  QTest::addColumn<bool>("clickDontUse");
  QTest::addColumn<bool>("tickSetIndex");
  QTest::addColumn<QString>("storedUse");
  QTest::addColumn<QString>("storedSetIndex");
  QTest::newRow("0: ticked, field disabled") << "0" << true << false << true << "0" << "1";
  QTest::newRow("empty counts as not 1") << "" << true << false << false << "0" << "0";
  QTest::newRow("unticking enables and stores 1") << "0" << true << true << false << "1" << "0";
  QTest::newRow("1: unticked") << "1" << false << false << false << "1" << "0";
  QTest::newRow("ticking stores 0") << "1" << false << true << true << "0" << "1";
}

void TestOptionsDialog::namazurcStatesAndStore() {
  QFETCH(QString, useNamazurc);
  QFETCH(bool, dontUseTicked);
  QFETCH(bool, clickDontUse);
  QFETCH(bool, tickSetIndex);
  QFETCH(QString, storedUse);
  QFETCH(QString, storedSetIndex);
  Settings.UseNamazurc = useNamazurc.toStdString();
  TfrmSetNamazurc dialog;
  dialog.show();
  QCOMPARE(dialog.windowTitle(), QStringLiteral("namazurc の設定"));
  QCOMPARE(dialog.chkUseNamazurc->isChecked(), dontUseTicked);
  QCOMPARE(dialog.edtNamazurcPath->isEnabled(), !dontUseTicked);
  QCOMPARE(dialog.btnEditNamazurc->isEnabled(), !dontUseTicked);
  QVERIFY(dialog.chkSetIndex->isEnabled());
  if (clickDontUse) QTest::mouseClick(dialog.chkUseNamazurc, Qt::LeftButton);
  QCOMPARE(dialog.edtNamazurcPath->isEnabled(), !dialog.chkUseNamazurc->isChecked());
  QCOMPARE(dialog.btnEditNamazurc->isEnabled(), !dialog.chkUseNamazurc->isChecked());
  dialog.chkSetIndex->setChecked(tickSetIndex);
  // Stored exactly as typed: blanks, Japanese, no check that it exists.
  const std::string path = " /no such/" + kNihongo + "/namazurc ";
  dialog.edtNamazurcPath->setText(SjisToQString(path));
  dialog.btnOK->click();
  QCOMPARE(QString::fromStdString(Settings.UseNamazurc), storedUse);
  QCOMPARE(QString::fromStdString(Settings.SetIndexInNamazurc), storedSetIndex);
  QCOMPARE(Settings.NamazurcPath, path);
}

void TestOptionsDialog::namazurcEditorAndBrowse() {
  std::vector<std::string> opened;
  EditorLauncher() = [&opened](const std::string& path) { opened.push_back(path); };
  Settings.UseNamazurc = "1";
  Settings.NamazurcPath = "{hd1}etc/namazu/namazurc";
  TempDir dir;
  const std::string folder = dir.path() + "/rc " + kNihongo;
  QVERIFY(QDir().mkpath(SjisToQString(folder)));
  DialogCall call;
  ReplaceFileDialog(&call);
  {
    TfrmSetNamazurc dialog;
    // The field's text before OK, through the drive label.
    dialog.edtNamazurcPath->setText(QStringLiteral("{hd1}home/rc/namazurc"));
    dialog.btnEditNamazurc->click();
    QCOMPARE(opened, std::vector<std::string>{"/home/rc/namazurc"});

    // Browsing starts in the field's folder; when the field is empty, in the
    // stored path's (which does not exist here: the program's folder).
    dialog.edtNamazurcPath->setText(SjisToQString(folder + "/namazurc"));
    call.answer = SjisToQString(folder + "/namazurc");
    dialog.edtNamazurcPathButton->trigger();
    QCOMPARE(call.title, QStringLiteral("namazurc を選択してください"));
    QCOMPARE(call.folder, SjisToQString(folder));
    QCOMPARE(call.fileName, QStringLiteral("namazurc"));
    QCOMPARE(call.filters, (QStringList{QStringLiteral("すべてのﾌｧｲﾙ (*)"),
                                        QStringLiteral("namazu設定ファイル(namazurc .namazurc)")}));
    QCOMPARE(dialog.edtNamazurcPath->text(), "\"" + SjisToQString(folder + "/namazurc") + "\"");
    dialog.edtNamazurcPath->clear();
    call.answer.clear();
    dialog.edtNamazurcPathButton->trigger();
    QCOMPARE(call.folder, SjisToQString(ProgramFolder()));
    QCOMPARE(dialog.edtNamazurcPath->text(), QString());
    dialog.reject();
  }
  QCOMPARE(Settings.NamazurcPath, std::string("{hd1}etc/namazu/namazurc"));
  QCOMPARE(Settings.UseNamazurc, std::string("1"));
}

// The namazu option field starts right after its label's text, not pushed
// aside by the buttons below it.
void TestOptionsDialog::fieldsHaveRoomForTheirText() {
  TfrmSettings options;
  options.ui()->pgeSettings->setCurrentWidget(options.ui()->tabCommandLine);
  options.show();
  QVERIFY(QTest::qWaitForWindowExposed(&options));
  const QLabel* label = options.ui()->lblNamazuParams;
  const int textEnd =
      label->geometry().left() + label->fontMetrics().horizontalAdvance(QStringLiteral("namazu:"));
  const int gap = options.ui()->edtNamazuParams->geometry().left() - textEnd;
  QVERIFY2(gap >= 0 && gap <= 24, qPrintable(QString::number(gap)));
}

QTEST_MAIN(TestOptionsDialog)
// "編集" with the real launcher and a stand-in for the desktop's opener on
// PATH: an opener that is missing or gives up is reported, one that opens
// the file is not.
void TestOptionsDialog::editorFailureIsReported() {
  ResetEditorLauncher();
  Settings.UseNamazurc = "1";
  TempDir bin;
  const QByteArray oldPath = qgetenv("PATH");
  auto restore = qScopeGuard([&] { qputenv("PATH", oldPath); });
  qputenv("PATH", QByteArray::fromStdString(bin.path()));
  const std::string file = bin.path() + "/namazurc";
  const struct {
    const char* name;
    const char* opener;  // the script, or nullptr for none
    bool reported;
  } cases[] = {{"no opener", nullptr, true},
               {"the opener finds no application", "#!/bin/sh\nexit 3\n", true},
               {"the opener hands the file on", "#!/bin/sh\nexit 0\n", false}};
  for (const auto& test : cases) {
    const std::string opener = bin.path() + "/xdg-open";
    std::remove(opener.c_str());
    if (test.opener) {
      bin.Write("xdg-open", test.opener);
      QVERIFY(QFile::setPermissions(QString::fromStdString(opener),
                                    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    TfrmSetNamazurc dialog;
    dialog.edtNamazurcPath->setText(QString::fromStdString(file));
    BoxSeen box;
    AnswerNextBox(&box, QMessageBox::Ok, 100);
    dialog.btnEditNamazurc->click();
    QTest::qWait(2500);
    QVERIFY2(box.seen == test.reported, test.name);
    if (box.seen) {
      QCOMPARE(box.text, QStringLiteral("関連付けされたアプリケーションの起動に失敗しました。\n") +
                             QString::fromStdString(file));
    }
  }
}

#include "test_optionsdlg.moc"
