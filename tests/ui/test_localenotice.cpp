// The main window's notice that the Namazu programs answer in English: shown
// in the status bar exactly when the locale the programs run under is
// missing, and saying which one and how to make it.
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <string>

#include "platform/process.h"
#include "ui/search/mainwindow.h"

using namespace tavirel;

class TestLocaleNotice : public QObject {
  Q_OBJECT

 private slots:
  void cleanupTestCase();
  void noticeOnlyWhenTheLocaleIsMissing_data();
  void noticeOnlyWhenTheLocaleIsMissing();
};

void TestLocaleNotice::cleanupTestCase() {
  platform::SetConsoleLocale(std::string());
  TfrmMain::SetSettingsFileOverride(std::string());
}

void TestLocaleNotice::noticeOnlyWhenTheLocaleIsMissing_data() {
  QTest::addColumn<QString>("locale");
  QTest::addColumn<bool>("notice");
  // "C" is built into the C library; no system has the other names.
  QTest::newRow("present") << QStringLiteral("C") << false;
  QTest::newRow("missing") << QStringLiteral("ja_JP.NOSUCH") << true;
  QTest::newRow("missing, other name") << QStringLiteral("xx_XX.SJIS") << true;
}

void TestLocaleNotice::noticeOnlyWhenTheLocaleIsMissing() {
  QFETCH(QString, locale);
  QFETCH(bool, notice);
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const std::string ini = dir.filePath(QStringLiteral("tavirel.ini")).toStdString();
  std::ofstream(ini, std::ios::binary) << "[Window]\r\nSavePosition=0\r\nShowExplanation=0\r\n";
  TfrmMain::SetSettingsFileOverride(ini);
  platform::SetConsoleLocale(locale.toStdString());

  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  auto* label = window.findChild<QLabel*>(QStringLiteral("lblLocaleNotice"));
  QCOMPARE(label != nullptr, notice);
  QCOMPARE(window.lblLocaleNotice, label);
  if (!notice) return;
  QVERIFY(label->isVisible());
  QCOMPARE(label->parentWidget(), static_cast<QWidget*>(window.stb));
  QCOMPARE(label->text(), QStringLiteral("Namazu の表示は英語です（%1 なし）").arg(locale));
  QVERIFY(label->toolTip().contains(QStringLiteral("ロケール %1 がありません").arg(locale)));
  QVERIFY(label->toolTip().contains(QStringLiteral("localedef -i ja_JP -f SHIFT_JIS %1").arg(locale)));
  QCOMPARE(label->accessibleDescription(), label->toolTip());
  // The notice stays beside the page's own status texts.
  window.stb->showMessage(QStringLiteral("1 - 20"));
  QVERIFY(label->isVisible());
}

QTEST_MAIN(TestLocaleNotice)
#include "test_localenotice.moc"
