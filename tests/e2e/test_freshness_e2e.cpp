// Indexes that keep themselves fresh, with the real mknmz and namazu: a file
// added in a watched folder marks the index within 2 s, the update command
// brings it in and the mark goes; an index another mknmz holds is left alone
// and reported; the watcher at its bound, or at the system's limits, says
// so; closing the window during an update stops it cleanly.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "ui/search/indexupdate.h"
#include "ui/search/indexwatch.h"
#include "ui/search/mainwindow.h"
#include "ui/search/resultview.h"
#include "support/uitest_support.h"

using namespace tavirel;
using namespace tavirel::uitest;

namespace {

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

}  // namespace

class TestFreshness : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void addedFileMarksAndUpdateBringsItIn();
  void lockedIndexIsLeftAlone();
  void automaticUpdateOnceQuiet();
  void watcherAtItsBound();
  void systemLimitsNamed();
  void closingStopsTheUpdate();

 private:
  std::string Path(const char* name) const {
    return dir_.filePath(QString::fromUtf8(name)).toStdString();
  }
  bool HasMark(const TfrmMain& window) const {
    return window.lblIndexStatus->text().contains(QStringLiteral("未反映の変更あり"));
  }
  void Search(TfrmMain& window, const QString& formula);

  QTemporaryDir dir_;
  std::string docs_, index_;
  bool skip_ = false;
};

void TestFreshness::initTestCase() {
  if (!QFile::exists(QStringLiteral("/usr/bin/namazu")) ||
      !QFile::exists(QStringLiteral("/usr/bin/mknmz"))) {
    skip_ = true;
    return;
  }
  QVERIFY(dir_.isValid());
  // Documents under a Japanese name with a blank; the index under one
  // without a blank, which mknmz cannot write under.
  docs_ = Path("文書 フォルダ");
  index_ = Path("索引");
  QDir().mkpath(QString::fromStdString(docs_ + "/下位"));
  QDir().mkpath(QString::fromStdString(index_));
  WriteFile(docs_ + "/a.txt", "apple banana\n");
  WriteFile(docs_ + "/下位/b.txt", "apple cherry\n");
  const std::string command =
      "env -u LC_ALL -u LC_CTYPE -u LC_MESSAGES -u LANGUAGE LANG=ja_JP.SJIS PERL_BADLANG=0 "
      "perl /usr/bin/mknmz -O '" + index_ + "' '" + docs_ + "' >/dev/null 2>&1";
  QCOMPARE(std::system(command.c_str()), 0);
  // The settings file is Shift-JIS.
  WriteFile(Path("tavirel.ini"), "[Window]\r\nSavePosition=0\r\nShowExplanation=0\r\n"
                                 "[Search]\r\nDirectoryCount=1\r\nDirectory1=" +
                                     *platform::Utf8ToCp932(index_) + "\r\n");
  TfrmMain::SetSettingsFileOverride(Path("tavirel.ini"));
  qputenv("TMPDIR", dir_.path().toUtf8());
}

void TestFreshness::Search(TfrmMain& window, const QString& formula) {
  window.cboKeyword->setEditText(formula);
  window.btnSearch->click();
}

void TestFreshness::addedFileMarksAndUpdateBringsItIn() {
  if (skip_) QSKIP("namazu and mknmz are needed (packages namazu2, namazu2-index-tools)");
  TfrmMain window;
  // The index of the box is shown and watched before any search.
  QTRY_COMPARE(window.IndexWatch->Indexes().size(), size_t{1});
  QVERIFY2(window.lblIndexStatus->text().startsWith(QStringLiteral("文書 2 件")),
           qPrintable(window.lblIndexStatus->text()));
  Search(window, QStringLiteral("apple"));
  QCOMPARE(window.edtResult->HitCount(), 2);
  QVERIFY2(!HasMark(window), qPrintable(window.lblIndexStatus->text()));
  QVERIFY(!window.mnuUpdateIndex->isEnabled());
  QCOMPARE(window.IndexWatch->FoldersOf(0).size(), size_t{1});

  // A file in a subfolder: the mark within 2 s.
  WriteFile(docs_ + "/下位/新規.txt", "zebra apple\n");
  QTRY_VERIFY_WITH_TIMEOUT(HasMark(window), 2000);
  QVERIFY(window.mnuUpdateIndex->isEnabled());

  // The update runs in the background; the window searches meanwhile.
  window.mnuUpdateIndex->trigger();
  QVERIFY(window.IndexUpdater->Busy());
  QVERIFY(!HasMark(window));
  window.mnuUpdateIndex->trigger();  // a second request while it runs adds nothing
  Search(window, QStringLiteral("banana"));
  QCOMPARE(window.edtResult->HitCount(), 1);
  QTRY_VERIFY_WITH_TIMEOUT(!window.IndexUpdater->Busy(), 60000);
  QVERIFY2(window.stb->currentMessage().startsWith(QStringLiteral("インデックスを更新しました")),
           qPrintable(window.stb->currentMessage()));
  QVERIFY2(!HasMark(window), qPrintable(window.lblIndexStatus->text()));
  QVERIFY2(window.lblIndexStatus->text().startsWith(QStringLiteral("文書 3 件")),
           qPrintable(window.lblIndexStatus->text()));
  Search(window, QStringLiteral("zebra"));
  QCOMPARE(window.edtResult->HitCount(), 1);
  window.close();
}

void TestFreshness::lockedIndexIsLeftAlone() {
  if (skip_) QSKIP("namazu and mknmz are needed (packages namazu2, namazu2-index-tools)");
  TfrmMain window;
  Search(window, QStringLiteral("apple"));
  WriteFile(docs_ + "/c.txt", "apple date\n");
  QTRY_VERIFY_WITH_TIMEOUT(HasMark(window), 2000);
  WriteFile(index_ + "/NMZ.lock2", "");
  BoxSeen box;
  AnswerNextBox(&box, QMessageBox::Ok);
  window.mnuUpdateIndex->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(box.seen, 5000);
  QFile::remove(QString::fromStdString(index_ + "/NMZ.lock2"));
  QVERIFY2(box.text.contains(QStringLiteral("NMZ.lock2")), qPrintable(box.text));
  QCOMPARE(box.icon, QMessageBox::Warning);
  QVERIFY(HasMark(window));  // the changes are still not in it
  QVERIFY(!window.IndexUpdater->Busy());
  window.close();
}

void TestFreshness::automaticUpdateOnceQuiet() {
  if (skip_) QSKIP("namazu and mknmz are needed (packages namazu2, namazu2-index-tools)");
  WriteFile(Path("auto.ini"), "[Window]\r\nSavePosition=0\r\nShowExplanation=0\r\n"
                              "[Search]\r\nDirectoryCount=1\r\nDirectory1=" +
                              *platform::Utf8ToCp932(index_) +
                              "\r\n[Mknmz]\r\nAutoUpdate=1\r\n");
  TfrmMain::SetSettingsFileOverride(Path("auto.ini"));
  TfrmMain window;
  window.AutoUpdateQuietMs = 500;
  Search(window, QStringLiteral("apple"));
  WriteFile(docs_ + "/quince.txt", "quince\n");
  QTRY_VERIFY_WITH_TIMEOUT(HasMark(window), 2000);
  // Nobody asks: the update runs once the changes are quiet.
  QTRY_VERIFY_WITH_TIMEOUT(window.IndexUpdater->Busy(), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(!window.IndexUpdater->Busy(), 60000);
  QVERIFY2(!HasMark(window), qPrintable(window.lblIndexStatus->text()));
  Search(window, QStringLiteral("quince"));
  QCOMPARE(window.edtResult->HitCount(), 1);
  window.close();
  TfrmMain::SetSettingsFileOverride(Path("tavirel.ini"));
}

void TestFreshness::watcherAtItsBound() {
  if (skip_) QSKIP("namazu and mknmz are needed (packages namazu2, namazu2-index-tools)");
  // The document folder and its subfolder need two watches.
  const std::string index = platform::ProgramPathFromNative(index_);
  struct Case {
    const char* name;
    size_t bound;
    const char* message;  // in the limit message, or nullptr for none
  };
  const Case cases[] = {{"room for both folders", 10, nullptr},
                        {"one watch only", 1, "1 個を超えた"}};
  for (const Case& c : cases) {
    TIndexWatch watch(nullptr, c.bound);
    watch.WatchIndexes({index});
    QCOMPARE(watch.FoldersOf(0).size(), size_t{1});
    QCOMPARE(watch.WatchCount(), std::min<size_t>(c.bound, 2));
    QCOMPARE(watch.LimitMessage().contains(QString::fromUtf8(c.message ? c.message : "-")),
             c.message != nullptr);
    QCOMPARE(watch.LimitMessage().isEmpty(), c.message == nullptr);
  }
  // An index whose folders are not known is not watched.
  TIndexWatch watch;
  watch.WatchIndexes({dir_.path().toStdString()});
  QVERIFY(watch.FoldersOf(0).empty());
  QCOMPARE(watch.WatchCount(), size_t{0});
}

void TestFreshness::systemLimitsNamed() {
  if (skip_) QSKIP("namazu and mknmz are needed (packages namazu2, namazu2-index-tools)");
  // The system's limits are reached in a user namespace of their own, where
  // they can be lowered without touching the machine's: this test runs
  // again there, with TAVIREL_INOTIFY_LIMIT naming the limit lowered.
  struct Case {
    const char* limit;  // under /proc/sys/user
    int value;
    size_t watches;
    const char* setting;  // named in the message
  };
  const Case cases[] = {{"max_inotify_watches", 1, 1, "fs.inotify.max_user_watches"},
                        {"max_inotify_instances", 0, 0, "fs.inotify.max_user_instances"}};
  const QByteArray inside = qgetenv("TAVIREL_INOTIFY_LIMIT");
  for (const Case& c : cases) {
    if (!inside.isEmpty()) {
      if (inside != c.limit) continue;
      TIndexWatch watch(nullptr, 10);
      watch.WatchIndexes({platform::ProgramPathFromNative(index_)});
      QCOMPARE(watch.WatchCount(), c.watches);
      QVERIFY2(watch.LimitMessage().contains(QString::fromLatin1(c.setting)),
               qPrintable(watch.LimitMessage()));
      return;
    }
    const QString lower =
        QStringLiteral("echo %1 > /proc/sys/user/%2").arg(c.value).arg(QString::fromLatin1(c.limit));
    QProcess probe;
    probe.start(QStringLiteral("unshare"),
                {QStringLiteral("--user"), QStringLiteral("--map-root-user"), QStringLiteral("sh"),
                 QStringLiteral("-c"), lower});
    if (!probe.waitForFinished(10000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0) {
      QSKIP(qPrintable(QStringLiteral("no user namespace to lower the limit in: ") +
                       QString::fromLocal8Bit(probe.readAllStandardError()).trimmed()));
    }
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TAVIREL_INOTIFY_LIMIT"), QString::fromLatin1(c.limit));
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral("unshare"),
              {QStringLiteral("--user"), QStringLiteral("--map-root-user"), QStringLiteral("sh"),
               QStringLiteral("-c"), lower + QStringLiteral(" && exec \"$0\" systemLimitsNamed"),
               QCoreApplication::applicationFilePath()});
    QVERIFY(run.waitForFinished(60000));
    QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0,
             run.readAll().constData());
  }
}

void TestFreshness::closingStopsTheUpdate() {
  if (skip_) QSKIP("namazu and mknmz are needed (packages namazu2, namazu2-index-tools)");
  // An index of its own, given enough new files that its update lasts.
  const std::string docs = Path("中止 文書");
  const std::string index = Path("中止索引");
  QDir().mkpath(QString::fromStdString(docs));
  QDir().mkpath(QString::fromStdString(index));
  WriteFile(docs + "/a.txt", "apple\n");
  const std::string command =
      "env -u LC_ALL -u LC_CTYPE -u LC_MESSAGES -u LANGUAGE LANG=ja_JP.SJIS PERL_BADLANG=0 "
      "perl /usr/bin/mknmz -O '" + index + "' '" + docs + "' >/dev/null 2>&1";
  QCOMPARE(std::system(command.c_str()), 0);
  std::string before;
  QVERIFY(platform::ReadWholeFile(platform::ProgramPathFromNative(index + "/NMZ.status"), before));
  WriteFile(Path("stop.ini"), "[Window]\r\nSavePosition=0\r\nShowExplanation=0\r\n"
                              "[Search]\r\nDirectoryCount=1\r\nDirectory1=" +
                              *platform::Utf8ToCp932(index) + "\r\n");
  TfrmMain::SetSettingsFileOverride(Path("stop.ini"));
  TfrmMain window;
  QTRY_COMPARE(window.IndexWatch->Indexes().size(), size_t{1});
  for (int i = 0; i < 1500; ++i) WriteFile(docs + "/f" + std::to_string(i) + ".txt", "zebra\n");
  QTRY_VERIFY_WITH_TIMEOUT(HasMark(window), 2000);
  window.mnuUpdateIndex->trigger();
  QVERIFY(window.IndexUpdater->Busy());

  // "No" keeps the window and the update.
  BoxSeen box;
  AnswerNextBox(&box, QMessageBox::No);
  QVERIFY(!window.close());
  QVERIFY(box.seen);
  QCOMPARE(box.icon, QMessageBox::Question);
  QVERIFY2(box.text.contains(QStringLiteral("中止索引")), qPrintable(box.text));
  QVERIFY(window.IndexUpdater->Busy());

  // "Yes" stops mknmz, which leaves the index as it was and no lock behind.
  BoxSeen again;
  AnswerNextBox(&again, QMessageBox::Yes);
  QVERIFY(window.close());
  QVERIFY(again.seen);
  QVERIFY(!window.IndexUpdater->Busy());
  std::string after;
  QVERIFY(platform::ReadWholeFile(platform::ProgramPathFromNative(index + "/NMZ.status"), after));
  QCOMPARE(after, before);
  const QStringList left =
      QDir(QString::fromStdString(index))
          .entryList({QStringLiteral("NMZ.lock*"), QStringLiteral("NMZ.*.tmp")}, QDir::Files);
  QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));

  // Told to end (logout, kill): nothing is asked, the update stops the same.
  {
    TfrmMain ending;
    ending.IndexUpdater->SetPrograms("/usr/bin/perl", "/usr/bin/mknmz");
    ending.IndexUpdater->Enqueue(platform::ProgramPathFromNative(index));
    QVERIFY(ending.IndexUpdater->Busy());
    BoxSeen none;
    AnswerNextBox(&none, QMessageBox::No);
    ending.EndRequested();
    QVERIFY(!none.seen);
    QVERIFY(!ending.IndexUpdater->Busy());
  }
  QVERIFY(platform::ReadWholeFile(platform::ProgramPathFromNative(index + "/NMZ.status"), after));
  QCOMPARE(after, before);
  TfrmMain::SetSettingsFileOverride(Path("tavirel.ini"));
}

QTEST_MAIN(TestFreshness)
#include "test_freshness_e2e.moc"
