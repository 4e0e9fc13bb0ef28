// The program as installed: its window run from the tree that `cmake
// --install` wrote into a temporary prefix (the executable's path is that
// tree's bin/tavirel), with the user's folders where XDG_CONFIG_HOME and
// XDG_CACHE_HOME point. A search through the window, a close and a second
// start: the settings and the result file are in the user's folders, the
// formula history survives, the help pages come from the installed data
// folder, and nothing under the prefix changes.
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "core/settings/appfolders.h"
#include "core/settings/settings.h"
#include "ui/search/htmlview.h"
#include "ui/search/mainwindow.h"
#include "ui/search/resultview.h"
#include "ui/search/startfolders.h"

using namespace tavirel;

namespace {

std::string ReadFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every entry under `root` with its size and modification time.
QStringList Listing(const QString& root) {
  QStringList lines;
  QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    it.next();
    const QFileInfo info = it.fileInfo();
    lines << QStringLiteral("%1 %2 %3").arg(info.filePath()).arg(info.size())
                 .arg(info.lastModified().toMSecsSinceEpoch());
  }
  lines.sort();
  return lines;
}

}  // namespace

class TestInstalled : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void searchRestartAndNothingUnderThePrefix();
  void endSignalsAtStart_data();
  void endSignalsAtStart();

 private:
  QString Prefix() const { return QStringLiteral(TAVIREL_TEST_PREFIX); }
  QString Home(const QString& name) const { return dir_.filePath(name); }
  QTemporaryDir dir_;
};

void TestInstalled::initTestCase() {
  QVERIFY(dir_.isValid());
  QVERIFY2(QFile::exists(Prefix() + QStringLiteral("/bin/tavirel")), qPrintable(Prefix()));
  for (const char* name : {"docs", "idx", "tmp", "data"}) {
    QDir(dir_.path()).mkdir(QLatin1String(name));
  }
  std::ofstream(Home(QStringLiteral("docs/a.txt")).toStdString()) << "hello world apple banana\n";
  std::ofstream(Home(QStringLiteral("docs/b.txt")).toStdString()) << "apple cherry\n";
  const std::string command =
      "env -u LC_ALL -u LC_CTYPE -u LC_MESSAGES -u LANGUAGE LANG=ja_JP.SJIS PERL_BADLANG=0 "
      "perl /usr/bin/mknmz -O '" + Home(QStringLiteral("idx")).toStdString() + "' '" +
      Home(QStringLiteral("docs")).toStdString() + "' >/dev/null 2>&1";
  QCOMPARE(std::system(command.c_str()), 0);
  // The user's folders, as the desktop names them; no system data folder.
  qputenv("HOME", dir_.path().toUtf8());
  qputenv("XDG_CONFIG_HOME", Home(QStringLiteral("config")).toUtf8());
  qputenv("XDG_CACHE_HOME", Home(QStringLiteral("cache")).toUtf8());
  qputenv("XDG_DATA_HOME", Home(QStringLiteral("data")).toUtf8());
  qputenv("XDG_DATA_DIRS", Home(QStringLiteral("data")).toUtf8());
  qputenv("TMPDIR", Home(QStringLiteral("tmp")).toUtf8());
}

void TestInstalled::searchRestartAndNothingUnderThePrefix() {
  const QStringList before = Listing(Prefix());
  QVERIFY(!before.isEmpty());
  const std::string program = (Prefix() + QStringLiteral("/bin/tavirel")).toStdString();
  QVERIFY(PrepareAppFolders(program));
  const AppFolders& folders = CurrentAppFolders();
  QCOMPARE(folders.Mode, TRunMode::Installed);
  // The cache folder waits for a result file that goes there.
  QVERIFY(!QDir(Home(QStringLiteral("cache/tavirel"))).exists());
  const QString ini = Home(QStringLiteral("config/tavirel/tavirel.ini"));
  QCOMPARE(QString::fromStdString(folders.SettingsFile), ini);
  QCOMPARE(QString::fromStdString(folders.AliasesFile),
           Home(QStringLiteral("config/tavirel/aliases.ini")));
  const QString help = Prefix() + QStringLiteral("/share/tavirel/help/");

  {
    TfrmMain window;
    QVERIFY(QFile::exists(ini));  // the first start wrote the defaults there
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The start page of a new settings file comes from the installed tree.
    QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), help + QStringLiteral("start.html"));
    window.mnuHelpTavirel->trigger();
    QCOMPARE(window.WebBrowser1->LocationUrl().toLocalFile(), help + QStringLiteral("index.html"));

    // A search whose result file stays: it goes to the cache folder.
    Settings.ResultUseTempDir = "0";
    window.cboIndexDir->setEditText(Home(QStringLiteral("idx")));
    window.cboKeyword->setEditText(QStringLiteral("apple"));
    window.btnSearch->click();
    QCOMPARE(window.edtResult->HitCount(), 2);
    QCOMPARE(QDir(Home(QStringLiteral("cache/tavirel"))).entryList(QDir::Files).size(), 1);
    window.close();
  }
  const std::string saved = ReadFile(ini);
  QVERIFY2(saved.find("History1=apple\r\n") != std::string::npos, saved.c_str());
  QVERIFY(saved.find("Directory1=" + Home(QStringLiteral("idx")).toStdString() + "\r\n") !=
          std::string::npos);

  {
    // The second start finds the formula and the directory of the first.
    TfrmMain window;
    QCOMPARE(window.cboKeyword->findText(QStringLiteral("apple")), 0);
    QVERIFY(window.cboIndexDir->currentText().contains(Home(QStringLiteral("idx"))));
    window.cboKeyword->setEditText(QStringLiteral("cherry"));
    window.btnSearch->click();
    QCOMPARE(window.edtResult->HitCount(), 1);
    window.close();
  }
  const std::string again = ReadFile(ini);
  QVERIFY(again.find("History1=cherry\r\n") != std::string::npos);
  QVERIFY(again.find("History2=apple\r\n") != std::string::npos);
  QCOMPARE(Listing(Prefix()), before);
}

void TestInstalled::endSignalsAtStart_data() {
  QTest::addColumn<int>("signal");
  QTest::addColumn<bool>("homeWritable");
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
    const QByteArray name = QByteArray::number(sig);
    // The settings folder cannot be made: a warning box waits at start.
    QTest::newRow("warning at start, signal " + name) << sig << false;
    QTest::newRow("window up, signal " + name) << sig << true;
  }
}

// The installed program is ended by a signal also while a warning box of
// its start is open; a start with the default settings makes no cache
// folder (the result file goes to the temporary folder).
void TestInstalled::endSignalsAtStart() {
  QFETCH(int, signal);
  QFETCH(bool, homeWritable);
  QTemporaryDir home;
  QVERIFY(home.isValid());
  std::ofstream(home.filePath(QStringLiteral("a file")).toStdString()) << "x";
  const QString config = homeWritable ? home.filePath(QStringLiteral("設定 フォルダ"))
                                      : home.filePath(QStringLiteral("a file/config"));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("HOME"), home.path());
  env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
  env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
  QProcess program;
  program.setProcessEnvironment(env);
  program.start(Prefix() + QStringLiteral("/bin/tavirel"), {});
  QVERIFY(program.waitForStarted());
  const QString ini = config + QStringLiteral("/tavirel/tavirel.ini");
  if (homeWritable) {
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ini), 20000);  // the window is up
  } else {
    QTest::qWait(1000);
  }
  ::kill(static_cast<pid_t>(program.processId()), signal);
  const bool ended = program.waitForFinished(20000);
  if (!ended) program.kill();
  QVERIFY2(ended, program.readAllStandardError().constData());
  QCOMPARE(program.exitStatus(), QProcess::NormalExit);
  QCOMPARE(program.exitCode(), 0);
  QVERIFY(!QFileInfo::exists(home.filePath(QStringLiteral("cache/tavirel"))));
}

QTEST_MAIN(TestInstalled)
#include "test_installed.moc"
