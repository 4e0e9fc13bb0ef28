// The alias dialog, the index directory dialog and the main window's
// commands that open the settings dialogs; the closing buttons of every
// small dialog.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/settings/settings.h"
#include "support/testsupport.h"
#include "support/uitest_support.h"
#include "ui/search/mainwindow.h"
#include "ui/search/recentdirs.h"
#include "ui/search/about.h"
#include "ui/settings/namazurc.h"
#include "ui/settings/options.h"
#include "ui/settings/selalias.h"
#include "ui/settings/seldir.h"
#include "ui/widgets/qtcodec.h"
#include "ui/widgets/shelltree.h"
#include "ui_options.h"

using namespace tavirel;
using namespace tavirel::uitest;
using tavirel::testsupport::ReadBytes;
using tavirel::testsupport::TempDir;
using Strings = std::vector<std::string>;

namespace {

// Japanese in Shift-JIS: 論文, メール, 日本語, 表示 (trail byte 0x5C), 空白.
const std::string kRonbun = "\x98\x5F\x95\xB6";
const std::string kMail = "\x83\x81\x81\x5B\x83\x8B";
const std::string kNihongo = "\x93\xFA\x96\x7B\x8C\xEA";
const std::string kHyouji = "\x95\x5C\x8E\xA6";
const std::string kKuuhaku = "\x8B\xF3\x94\x92";

std::string AliasText() {
  return "[DirAliasList]\r\nCount=3\r\nAlias1=" + kRonbun + "\r\nAlias2=B\r\nAlias3=" + kKuuhaku +
         "\r\n"
         "[DirAlias1]\r\nDirCount=2\r\nDirectory1=/idx1\r\nDirectory2=/idx2\r\n"
         "[DirAlias2]\r\nDirCount=2\r\nDirectory1=/idx2\r\nDirectory2=/idx3\r\n"
         "[DirAlias3]\r\nDirCount=3\r\nDirectory1=\"\"/my " + kHyouji + "\"\"\r\n"
         "Directory2=   \r\nDirectory3=/idx1\r\n"
         "[QueryGroupList]\r\nCount=2\r\nGroup1=" + kMail + "\r\nGroup2=" + kNihongo + "\r\n"
         "[QueryGroup1]\r\nQueryCount=3\r\nQuery1=foo\r\nCaption1=" + kNihongo + "\r\n"
         "Query2=bar baz\r\nQuery3=(x and y)\r\n"
         "[QueryGroup2]\r\nQueryCount=1\r\nQuery1=" + kHyouji + "\r\n";
}

// Runs `act` on the next modal dialog of type T once it is shown.
template <typename T>
void WhenShown(std::function<void(T*)> act, int attempts = 250) {
  QTimer::singleShot(20, [act, attempts] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      if (attempts > 0) WhenShown<T>(act, attempts - 1);
      return;
    }
    act(dialog);
  });
}

void Tick(QListWidget* list, int row) {
  list->item(row)->setCheckState(list->item(row)->checkState() == Qt::Checked ? Qt::Unchecked
                                                                               : Qt::Checked);
}

QStringList Ticked(QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->checkState() == Qt::Checked) rows << list->item(i)->text();
  }
  return rows;
}

// Ticks or clears the folder's box in the tree as the user does: select it
// and press Space. False when the folder never shows.
bool ToggleFolder(TShellTreeViewS* tree, const QString& path) {
  QDeadlineTimer deadline(20000);
  while (!deadline.hasExpired()) {
    const QModelIndex node = tree->NodeOfFolder(path);
    if (node.isValid() && tree->SetSelectedFolder(path) && !tree->visualRect(node).isEmpty()) {
      QTest::keyClick(tree, Qt::Key_Space);
      return true;
    }
    QTest::qWait(20);
  }
  return false;
}

}  // namespace

class TestSelectDialogs : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanupTestCase();

  void aliasListsPagesAndNoWrite();
  void aliasTicksAcrossGroupsOrAndReset();
  void aliasOkDirectories_data();
  void aliasOkDirectories();
  void aliasBadFiles_data();
  void aliasBadFiles();
  void dirListFollowsTicksAndJoins();
  void mainAliasCommand();
  void mainDirectoryCommand();
  void mainOptionsCommand();
  void closingButtons_data();
  void closingButtons();

 private:
  QString IniPath() const { return SjisToQString(dir_->File("tavirel.ini")); }
  void WriteSettings(const std::string& extra = std::string());

  TempDir* dir_ = nullptr;
  std::string aliases_;
};

void TestSelectDialogs::initTestCase() {
  dir_ = new TempDir;
  aliases_ = dir_->Write("aliases.ini", AliasText());
  TfrmSelectAlias::SetAliasFileOverride(aliases_);
}

void TestSelectDialogs::cleanupTestCase() {
  TfrmSelectAlias::SetAliasFileOverride(std::string());
  TfrmMain::SetSettingsFileOverride(std::string());
  delete dir_;
}

void TestSelectDialogs::init() {
  Settings = TSettings();
  Settings.IndexDirectories = {"/before"};
  Settings.DirectoryCount = "1";
  Settings.IndexDirectoriesText = "\"/before\"";
  Settings.RelativePath = "0";
  TickedQueries.clear();
  UseOrJoin = false;
  LastAliasPage = 0;
}

void TestSelectDialogs::WriteSettings(const std::string& extra) {
  chmod(QFile::encodeName(IniPath()).constData(), 0644);
  testsupport::WriteBytes(QFile::encodeName(IniPath()).toStdString(),
                          "[Window]\r\nSavePosition=0\r\nShowExplanation=0\r\n[Search]\r\n"
                          "DirectoryCount=1\r\nDirectory1=/start\r\n" + extra);
  TfrmMain::SetSettingsFileOverride(QFile::encodeName(IniPath()).toStdString());
}

void TestSelectDialogs::aliasListsPagesAndNoWrite() {
  const std::string before = ReadBytes(aliases_);
  chmod(aliases_.c_str(), 0444);  // read only: nothing may try to write it
  {
    TfrmSelectAlias dialog;
    dialog.show();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("エイリアス選択"));
    QCOMPARE(dialog.pge->currentWidget(), dialog.tab1);  // the first opening of a run
    QCOMPARE(dialog.lstDirAlias->count(), 3);
    QCOMPARE(dialog.lstDirAlias->item(0)->text(), SjisToQString(kRonbun));
    QCOMPARE(dialog.lstQueryGroup->item(1)->text(), SjisToQString(kNihongo));
    QCOMPARE(dialog.lstDirAlias->selectionMode(), QAbstractItemView::ExtendedSelection);
    dialog.lstDirAlias->setCurrentRow(2);
    // The blank line is left out; the doubled quotes keep one pair.
    QCOMPARE(dialog.edtDirList->toPlainText(),
             "\"/my " + SjisToQString(kHyouji) + "\"\n/idx1");
    QVERIFY(dialog.edtDirList->isReadOnly());
    dialog.lstQueryGroup->setCurrentRow(0);
    QCOMPARE(dialog.lstQuery->item(0)->text(), SjisToQString(kNihongo));  // the caption
    QCOMPARE(dialog.lstQuery->item(1)->text(), QStringLiteral("bar baz"));  // the formula
    dialog.pge->setCurrentWidget(dialog.tab2);
    dialog.btnCancel->click();
  }
  QCOMPARE(LastAliasPage, 2);
  {
    TfrmSelectAlias dialog;
    QCOMPARE(dialog.pge->currentWidget(), dialog.tab2);
    dialog.pge->setCurrentWidget(dialog.tab1);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
  }
  QCOMPARE(LastAliasPage, 1);
  chmod(aliases_.c_str(), 0644);
  QCOMPARE(ReadBytes(aliases_), before);
}

void TestSelectDialogs::aliasTicksAcrossGroupsOrAndReset() {
  TfrmSelectAlias dialog;
  dialog.show();
  dialog.lstQueryGroup->setCurrentRow(0);
  Tick(dialog.lstQuery, 1);
  Tick(dialog.lstQuery, 2);
  Tick(dialog.lstQuery, 0);
  dialog.lstQueryGroup->setCurrentRow(1);
  QCOMPARE(Ticked(dialog.lstQuery), QStringList());
  Tick(dialog.lstQuery, 0);
  dialog.lstQueryGroup->setCurrentRow(0);
  QCOMPARE(Ticked(dialog.lstQuery).size(), 3);
  Tick(dialog.lstQuery, 0);  // cleared again
  const QString hyouji = SjisToQString(kHyouji);
  QCOMPARE(dialog.edtSelectedQueries->text(), "bar baz (x and y) " + hyouji);
  dialog.pge->setCurrentWidget(dialog.tab2);
  QTest::mouseClick(dialog.chkOR, Qt::LeftButton);
  QVERIFY(UseOrJoin);
  QCOMPARE(dialog.edtSelectedQueries->text(), "( bar baz ) or (x and y) or ( " + hyouji + " )");

  dialog.lstDirAlias->item(1)->setSelected(true);
  dialog.lstDirAlias->setCurrentRow(1, QItemSelectionModel::NoUpdate);
  dialog.btnReset->click();
  QVERIFY(dialog.lstDirAlias->selectedItems().isEmpty());
  QCOMPARE(dialog.lstDirAlias->currentRow(), 0);
  QCOMPARE(dialog.edtDirList->toPlainText(), QString());
  QCOMPARE(dialog.edtSelectedQueries->text(), QString());
  QVERIFY(dialog.chkOR->isChecked());
  QCOMPARE(Ticked(dialog.lstQuery), QStringList());
  dialog.lstQueryGroup->setCurrentRow(1);
  QCOMPARE(Ticked(dialog.lstQuery), QStringList());  // the other group too
  dialog.btnOK->click();
  QVERIFY(TickedQueries.empty());
}

void TestSelectDialogs::aliasOkDirectories_data() {
  QTest::addColumn<QList<int>>("selected");
  QTest::addColumn<QStringList>("directories");
  QTest::addColumn<QString>("text");
  QTest::newRow("two aliases, shared directory once")
      << QList<int>{1, 0} << QStringList{"/idx1", "/idx2", "/idx3"}
      << "\"/idx1\" \"/idx2\" \"/idx3\"";
  const QString my = "/my " + SjisToQString(kHyouji);
  QTest::newRow("quoted directory with a blank stays whole")
      << QList<int>{2} << QStringList{my, "/idx1"} << "\"" + my + "\" \"/idx1\"";
  QTest::newRow("none selected: unchanged")
      << QList<int>{} << QStringList{"/before"} << "\"/before\"";
}

void TestSelectDialogs::aliasOkDirectories() {
  QFETCH(QList<int>, selected);
  QFETCH(QStringList, directories);
  QFETCH(QString, text);
  TfrmSelectAlias dialog;
  dialog.show();
  for (int row : selected) dialog.lstDirAlias->item(row)->setSelected(true);
  dialog.btnOK->click();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QStringList got;
  for (const std::string& d : Settings.IndexDirectories) got << SjisToQString(d);
  QCOMPARE(got, directories);
  QCOMPARE(Settings.DirectoryCount, std::to_string(directories.size()));
  QCOMPARE(SjisToQString(Settings.IndexDirectoriesText), text);
}

void TestSelectDialogs::aliasBadFiles_data() {
  QTest::addColumn<QByteArray>("content");  // "<folder>" for a folder
  QTest::addColumn<bool>("refused");
  QTest::addColumn<int>("aliases");
  QTest::addColumn<int>("firstGroupQueries");
  const QByteArray lists("[DirAliasList]\nCount=%1\n[QueryGroupList]\nCount=%1\n"
                           "[QueryGroup1]\nQueryCount=%1\nQuery1=a\n");
  QTest::newRow("100000") << QByteArray(lists).replace("%1", "100000") << false << 1000 << 1000;
  QTest::newRow("binary") << QByteArray("\x00\x01\xff\xfe[DirAliasList]\nCount=1\n", 22) << true
                          << 0 << 0;
  QTest::newRow("a folder") << QByteArray("<folder>") << true << 0 << 0;
  QTest::newRow("larger than 4 MB") << QByteArray(4 * 1024 * 1024 + 1, ';') << true << 0 << 0;
}

void TestSelectDialogs::aliasBadFiles() {
  QFETCH(QByteArray, content);
  QFETCH(bool, refused);
  QFETCH(int, aliases);
  QFETCH(int, firstGroupQueries);
  TempDir dir;
  std::string path = dir.File("aliases.ini");
  if (content == "<folder>") {
    QVERIFY(QDir().mkpath(QString::fromStdString(path)));
  } else {
    dir.Write("aliases.ini", std::string(content.constData(), content.size()));
  }
  TfrmSelectAlias::SetAliasFileOverride(path);
  BoxSeen seen;
  if (refused) AnswerNextBox(&seen);
  {
    TfrmSelectAlias dialog;
    dialog.show();
    if (refused) {
      QTRY_VERIFY(seen.seen);
      QCOMPARE(seen.title, QStringLiteral("エラー"));
      QVERIFY2(seen.text.startsWith(QStringLiteral("aliases.ini ")), qPrintable(seen.text));
    }
    QCOMPARE(dialog.lstDirAlias->count(), aliases);
    if (firstGroupQueries > 0) {
      dialog.lstQueryGroup->setCurrentRow(0);
      QCOMPARE(dialog.lstQuery->count(), firstGroupQueries);
    }
    dialog.btnOK->click();
  }
  TfrmSelectAlias::SetAliasFileOverride(aliases_);
  QCOMPARE(Settings.IndexDirectories, Strings{"/before"});
}

void TestSelectDialogs::dirListFollowsTicksAndJoins() {
  TempDir dir;
  const QString root = QString::fromStdString(dir.path());
  const QString sub = root + "/My " + SjisToQString(kNihongo);
  const QString plain = root + "/plain";
  QVERIFY(QDir().mkpath(sub + "/child"));
  QVERIFY(QDir().mkpath(plain));
  Settings.IndexDirectories = {"/a", "/b", "/c"};
  Settings.DirectoryCount = "abc";
  {
    TfrmSelectDir dialog;
    QCOMPARE(dialog.edtTargetDirectories->toPlainText(), QString());  // count not a number
  }
  Settings.DirectoryCount = "2";
  Settings.RelativePath = "1";
  TfrmSelectDir dialog;
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  QCOMPARE(dialog.windowTitle(), QStringLiteral("ディレクトリを選択"));
  QCOMPARE(dialog.edtTargetDirectories->toPlainText(), QStringLiteral("/a\n/b"));
  QCOMPARE(dialog.focusWidget(), dialog.edtTargetDirectories);
  QVERIFY(dialog.chkRelativePath->isChecked());
  QVERIFY(dialog.tvFolder->Checkboxes());

  // A line typed by hand in other letter case is not added twice; clearing
  // the tick removes it.
  dialog.edtTargetDirectories->appendPlainText(plain.toUpper());
  QVERIFY(ToggleFolder(dialog.tvFolder, plain));
  QCOMPARE(dialog.edtTargetDirectories->toPlainText(), "/a\n/b\n" + plain.toUpper());
  QVERIFY(ToggleFolder(dialog.tvFolder, plain));
  QCOMPARE(dialog.edtTargetDirectories->toPlainText(), QStringLiteral("/a\n/b"));
  // Ticking and clearing leaves the field as it was; a tick does not spread.
  QVERIFY(ToggleFolder(dialog.tvFolder, sub));
  QCOMPARE(dialog.edtTargetDirectories->toPlainText(), "/a\n/b\n" + sub);
  QVERIFY(!dialog.tvFolder->IsNodeChecked(dialog.tvFolder->NodeOfFolder(sub + "/child")));

  dialog.edtTargetDirectories->appendPlainText(QStringLiteral("   \n /lead\n\n"));
  dialog.chkRelativePath->setChecked(false);
  dialog.btnOK->click();
  QCOMPARE(dialog.result(), int(QDialog::Accepted));
  QCOMPARE(Settings.RelativePath, std::string("0"));
  QCOMPARE(dialog.edtTargetDirectories->toPlainText(), "/a\n/b\n" + sub + "\n /lead");
  QStringList got;
  for (const std::string& d : Settings.IndexDirectories) got << SjisToQString(d);
  QCOMPARE(got, (QStringList{"/a", "/b", sub, " /lead"}));
  QCOMPARE(Settings.DirectoryCount, std::string("4"));

  // Cancel keeps everything, whatever was typed or ticked.
  const TSettings before = Settings;
  TfrmSelectDir again;
  again.chkRelativePath->setChecked(true);
  again.btnClear->click();
  QCOMPARE(again.edtTargetDirectories->toPlainText(), QString());
  again.btnCancel->click();
  QCOMPARE(Settings.IndexDirectories, before.IndexDirectories);
  QCOMPARE(Settings.RelativePath, before.RelativePath);

  // An empty field hands an empty text on.
  TfrmSelectDir empty;
  empty.edtTargetDirectories->setPlainText(QStringLiteral("\n  \n"));
  empty.btnOK->click();
  QVERIFY(Settings.IndexDirectories.empty());
  QCOMPARE(Settings.DirectoryCount, std::string("0"));
}

void TestSelectDialogs::mainAliasCommand() {
  WriteSettings();
  TfrmMain window;
  window.cboKeyword->setEditText(QStringLiteral("typed"));
  window.cboIndexDir->setEditText(QStringLiteral("/typed/dir"));

  // Cancel: nothing changes, whatever was ticked.
  WhenShown<TfrmSelectAlias>([](TfrmSelectAlias* dialog) {
    dialog->lstQueryGroup->setCurrentRow(0);
    Tick(dialog->lstQuery, 0);
    dialog->lstDirAlias->item(0)->setSelected(true);
    dialog->btnCancel->click();
  });
  window.mnuSelectAlias->trigger();
  QCOMPARE(window.cboKeyword->currentText(), QStringLiteral("typed"));
  QCOMPARE(window.cboIndexDir->currentText(), QStringLiteral("/typed/dir"));

  // Formulas ticked, no alias: the formula box changes, the directory box
  // shows the directories as they were; OR set in the dialog.
  UseOrJoin = true;  // cleared by the command
  bool orAtOpening = true;
  WhenShown<TfrmSelectAlias>([&orAtOpening](TfrmSelectAlias* dialog) {
    orAtOpening = dialog->chkOR->isChecked() || UseOrJoin;
    dialog->pge->setCurrentWidget(dialog->tab2);
    dialog->lstQueryGroup->setCurrentRow(0);
    Tick(dialog->lstQuery, 0);
    Tick(dialog->lstQuery, 2);
    QTest::mouseClick(dialog->chkOR, Qt::LeftButton);
    dialog->btnOK->click();
  });
  window.btnSelectKeywordList->click();
  QVERIFY(!orAtOpening);
  QCOMPARE(window.cboKeyword->currentText(), QStringLiteral("( foo ) or (x and y)"));
  QCOMPARE(window.cboIndexDir->currentText(), QStringLiteral("\"/start\""));

  // Aliases, nothing ticked: the formula box stays; the directories become
  // the newest recent entry and the title follows.
  WhenShown<TfrmSelectAlias>([](TfrmSelectAlias* dialog) {
    dialog->lstDirAlias->item(0)->setSelected(true);
    dialog->btnOK->click();
  });
  window.mnuSelectAlias->trigger();
  QCOMPARE(window.cboKeyword->currentText(), QStringLiteral("( foo ) or (x and y)"));
  QCOMPARE(window.cboIndexDir->currentText(), QStringLiteral("\"/idx1\" \"/idx2\""));
  QCOMPARE(window.MRUManager->Items().front(), std::string("\"/idx1\" \"/idx2\""));
  QVERIFY(window.windowTitle().contains(QStringLiteral("\"/idx1\" \"/idx2\"")));
}

void TestSelectDialogs::mainDirectoryCommand() {
  WriteSettings();
  TfrmMain window;
  window.cboIndexDir->setEditText(QStringLiteral("  /x \"/y z\"  "));
  // The box is parsed before the dialog opens, even when it is cancelled.
  QString shown;
  WhenShown<TfrmSelectDir>([&shown](TfrmSelectDir* dialog) {
    shown = dialog->edtTargetDirectories->toPlainText();
    dialog->edtTargetDirectories->setPlainText(QStringLiteral("/other"));
    dialog->btnCancel->click();
  });
  window.mnuSelectDirectory->trigger();
  QCOMPARE(shown, QStringLiteral("/x\n/y z"));
  QCOMPARE(window.cboIndexDir->currentText(), QStringLiteral("  /x \"/y z\"  "));
  QCOMPARE(Settings.IndexDirectories, (Strings{"/x", "/y z"}));
  QVERIFY(window.MRUManager->Items().empty() ||
          window.MRUManager->Items().front() != "\"/x\" \"/y z\"");

  WhenShown<TfrmSelectDir>([](TfrmSelectDir* dialog) {
    dialog->edtTargetDirectories->appendPlainText(QStringLiteral("/new one"));
    dialog->btnOK->click();
  });
  window.btnBrowseIndexPath->click();
  QCOMPARE(window.cboIndexDir->currentText(), QStringLiteral("\"/x\" \"/y z\" \"/new one\""));
  QCOMPARE(window.MRUManager->Items().front(), std::string("\"/x\" \"/y z\" \"/new one\""));
  QVERIFY(window.windowTitle().contains(QStringLiteral("/new one")));
}

void TestSelectDialogs::mainOptionsCommand() {
  WriteSettings();
  const std::string ini = QFile::encodeName(IniPath()).toStdString();
  {
    TfrmMain window;
    // Cancel: the file stays as it was.
    const std::string before = ReadBytes(ini);
    WhenShown<TfrmSettings>([](TfrmSettings* dialog) {
      dialog->ui()->optResultWebBrowser->setChecked(true);
      dialog->ui()->btnCancel->click();
    });
    window.mnuToolOption->trigger();
    QCOMPARE(ReadBytes(ini), before);

    // OK: written at once; results in an outside browser disable the menus.
    WhenShown<TfrmSettings>([](TfrmSettings* dialog) {
      dialog->ui()->optResultWebBrowser->setChecked(true);
      dialog->ui()->optWebBrowserExternal->setChecked(true);
      dialog->ui()->chkSaveWindowPos->setChecked(true);
      dialog->ui()->btnOK->click();
    });
    window.mnuToolOption->trigger();
    const std::string after = ReadBytes(ini);
    QVERIFY2(after.find("DisplayTo=WebBrowser") != std::string::npos, after.c_str());
    QVERIFY(after.find("SavePosition=1") != std::string::npos);
    QVERIFY(!window.mnuColored->isEnabled());
    QVERIFY(!window.mnuConvert->menuAction()->isEnabled());
    QVERIFY(!window.mnuDocType->menuAction()->isEnabled());

    WhenShown<TfrmSettings>([](TfrmSettings* dialog) {
      dialog->ui()->optWebBrowserInternal->setChecked(true);
      dialog->ui()->btnOK->click();
    });
    window.mnuToolOption->trigger();
    QVERIFY(window.mnuColored->isEnabled());
    QVERIFY(window.mnuDocType->menuAction()->isEnabled());
    window.close();
  }

  // A read-only settings file is left byte for byte as it was.
  WriteSettings();
  chmod(ini.c_str(), 0444);
  const std::string readOnly = ReadBytes(ini);
  {
    TfrmMain window;
    WhenShown<TfrmSettings>([](TfrmSettings* dialog) {
      dialog->ui()->chkUsePnamazu->setChecked(true);
      dialog->ui()->btnOK->click();
    });
    window.mnuToolOption->trigger();
    QCOMPARE(Settings.Usepnamazu, std::string("1"));
    window.close();
  }
  QCOMPARE(ReadBytes(ini), readOnly);
  chmod(ini.c_str(), 0644);
}

// Every small dialog closes the same way: "btnOK" is the default button,
// "btnCancel" is never pressed by Enter, and both end the row at the foot of
// the dialog, right of whatever else the row holds.
void TestSelectDialogs::closingButtons_data() {
  QTest::addColumn<QString>("ok");
  QTest::addColumn<QString>("cancel");  // empty: the dialog has none
  QTest::addColumn<QString>("left");    // what stands left of them
  QTest::newRow("namazurc") << "OK" << "キャンセル" << QString();
  QTest::newRow("alias") << "OK" << "キャンセル" << "btnReset";
  QTest::newRow("directory") << "&OK" << "キャンセル(&C)" << "chkRelativePath";
  QTest::newRow("version") << "OK" << QString() << "btnHomepage";
}

void TestSelectDialogs::closingButtons() {
  QFETCH(QString, ok);
  QFETCH(QString, cancel);
  QFETCH(QString, left);
  const QByteArray name = QTest::currentDataTag();
  std::unique_ptr<QDialog> dialog;
  if (name == "namazurc") dialog = std::make_unique<TfrmSetNamazurc>();
  else if (name == "alias") dialog = std::make_unique<TfrmSelectAlias>();
  else if (name == "directory") dialog = std::make_unique<TfrmSelectDir>();
  else dialog = std::make_unique<TfrmAbout>();
  dialog->show();

  auto* okButton = dialog->findChild<QPushButton*>(QStringLiteral("btnOK"));
  auto* cancelButton = dialog->findChild<QPushButton*>(QStringLiteral("btnCancel"));
  QVERIFY(okButton != nullptr);
  QCOMPARE(okButton->text(), ok);
  QVERIFY(okButton->isDefault());
  QCOMPARE(cancelButton != nullptr, !cancel.isEmpty());
  // On one row: the middle of `widget` is level with the OK button.
  auto onRow = [okButton](const QWidget* widget) {
    const int middle = widget->geometry().center().y();
    return middle >= okButton->y() && middle <= okButton->geometry().bottom();
  };
  QPushButton* last = okButton;
  if (cancelButton) {
    QCOMPARE(cancelButton->text(), cancel);
    QVERIFY(!cancelButton->autoDefault() && !cancelButton->isDefault());
    QVERIFY(cancelButton->x() > okButton->geometry().right());
    QVERIFY(onRow(cancelButton));
    last = cancelButton;
  }
  // The row ends at the dialog's right margin.
  QVERIFY(dialog->width() - last->geometry().right() < 20);
  if (!left.isEmpty()) {
    const QWidget* before = dialog->findChild<QWidget*>(left);
    QVERIFY(before != nullptr);
    QVERIFY(before->geometry().right() < okButton->x());
    QVERIFY(onRow(before));
  }
}

QTEST_MAIN(TestSelectDialogs)
#include "test_selectdlgs.moc"
