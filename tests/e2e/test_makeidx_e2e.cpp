// The index creation window end to end, with the real mknmz and namazu: a
// corpus of Japanese (EUC-JP) and English documents in two folders is ticked
// in the folder tree, the lines are built for another output folder with
// same-name folders and "delete first", saved to a command list file and
// loaded back, and run from the window. Both indexes must appear, mknmz's
// Japanese progress lines must be readable in the run page, and a search the
// way the main window sends it must find documents of both folders.

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/indexer/cmdlist.h"
#include "core/search/hitnames.h"
#include "core/search/resultlist.h"
#include "core/search/searchcmd.h"
#include "core/settings/settings.h"
#include "platform/platform.h"
#include "support/testsupport.h"
#include "support/uitest_support.h"
#include "ui/indexer/makeidx.h"
#include "ui/process/consolerun.h"
#include "ui/widgets/bigview.h"
#include "ui/widgets/shelltree.h"

using namespace tavirel;
using namespace tavirel::uitest;
using tavirel::testsupport::TempDir;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// 個のファイルがインデックス作成の対象として見つかりました (mknmz, after the file count)
constexpr std::string_view FilesFoundText =
    "\x8C\xC2\x82\xCC\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x83\x43\x83\x93\x83\x66\x83\x62"
    "\x83\x4E\x83\x58\x8D\xEC\x90\xAC\x82\xCC\x91\xCE\x8F\xDB\x82\xC6\x82\xB5\x82\xC4\x8C\xA9"
    "\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB5\x82\xBD";
// 本文 in Shift-JIS, a word of every Japanese document.
constexpr std::string_view HonbunSjis = "\x96\x7b\x95\xb6";

// The result file of a search the way the main window runs one ("" when
// there is none), with the settings it ran with.
std::string SearchResult(TSettings& settings, const Lines& indexes, std::string_view formula,
                         const std::string& folder) {
  settings.IndexDirectories = indexes;
  settings.DirectoryCount = std::to_string(indexes.size());
  SearchViewState view;
  view.ListCountAll = true;
  const SearchCommand command = BuildSearchCommand(
      settings, view, formula, ResultFolder(settings, folder, folder), folder, {}, false);
  const SearchRunner runner = [](const std::string& commandLine, const std::string& workDir) {
    return RunConsoleProcess(commandLine, workDir, psmHidden, nullptr, {}, acNamazu) != 0 ? 1 : 0;
  };
  const SearchRunOutcome outcome = RunSearchCommand(settings, command, folder, {}, runner);
  if (outcome.Result != TSearchRunResult::srrResultReady) return {};
  std::string bytes;
  platform::ReadWholeFile(command.ResultFilePath, bytes);
  return bytes;
}

// The URIs of the hits of such a search.
Lines SearchUris(const TSettings& base, const Lines& indexes, std::string_view formula,
                 const std::string& folder) {
  TSettings settings = base;
  const std::string bytes = SearchResult(settings, indexes, formula, folder);
  Lines uris;
  for (const SearchHit& hit : ParseResultText(bytes, settings).Hits) uris.push_back(hit.Uri);
  return uris;
}

}  // namespace

class TestMakeIndexEndToEnd : public QObject {
  Q_OBJECT

 private slots:
  void buildsBothIndexesFromTheWindow();
  void folderNamedLikeAnOptionIsIndexed();
  void sharedIndexOfJapaneseFoldersStaysTrue();
};

void TestMakeIndexEndToEnd::buildsBothIndexesFromTheWindow() {
  LoadSettings(Settings, "");
  Settings.IniFileName.clear();
  if (::access(Settings.mknmzPath.c_str(), R_OK) != 0 || ::access(Settings.namazuPath.c_str(), X_OK) != 0)
    QSKIP("mknmz or namazu is not installed");
  const QString start = QDir::currentPath();  // runs change the current folder
  auto restore = qScopeGuard([&] { QDir::setCurrent(start); });

  TempDir dir("tavirel-mkidx");
  const std::string ja = dir.File("docs/ja"), en = dir.File("docs/en");
  fs::create_directories(ja);
  fs::create_directories(en);
  for (int i = 0; i < 6; ++i) {
    dir.Write("docs/ja/doc" + std::to_string(i) + ".txt",
              std::string(testsupport::kHonbunEuc) + " sharedword ja" + std::to_string(i) + "\n");
    dir.Write("docs/en/doc" + std::to_string(i) + ".txt",
              "An English lantern sharedword en" + std::to_string(i) + "\n");
  }
  const std::string output = dir.File("index");

  TfrmMakeIndex window;
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));

  // Tick both folders: select the node, toggle its box.
  for (const std::string& folder : {ja, en}) {
    QTRY_VERIFY_WITH_TIMEOUT(window.tvFolder->SetSelectedFolder(QString::fromStdString(folder)), 10000);
    window.tvFolder->setFocus();
    QTest::keyClick(window.tvFolder, Qt::Key_Space);
  }
  QCOMPARE(window.edtTargetDirectories->toPlainText(),
           QString::fromStdString(ja + "\n" + en));

  window.pgeMknmz->setCurrentWidget(window.tabIndexDir);
  window.optIndexOtherDir->setChecked(true);
  window.edtOutputDir->setText(QString::fromStdString(output));
  window.grpMakeDirChoices->button(mdcSameName)->setChecked(true);
  window.lstCriteria->item(critDeleteBefore)->setCheckState(Qt::Checked);
  BoxSeen create;
  AnswerNextBox(&create, QMessageBox::Yes);
  QTest::mouseClick(window.btnMakeCmdline, Qt::LeftButton);
  QVERIFY(create.seen);
  QVERIFY(fs::is_directory(output));
  const Lines expected = {
      "*mkdir \"" + output + "/ja\"", "*delete \"" + output + "/ja\", \"NMZ.*\"",
      "*mknmz --output=\"" + output + "/ja\" \"" + ja + "\"", "*mkdir \"" + output + "/en\"",
      "*delete \"" + output + "/en\", \"NMZ.*\"", "*mknmz --output=\"" + output + "/en\" \"" + en + "\""};
  QCOMPARE(window.CommandLines(), expected);

  // Saved and loaded back, identical.
  const QString listFile = QString::fromStdString(dir.File("build.lst"));
  AnswerNextFileDialog(listFile);
  QTest::mouseClick(window.btnSaveCmdList, Qt::LeftButton);
  window.SetCommandLines({});
  AnswerNextFileDialog(listFile);
  QTest::mouseClick(window.btnLoadCmdList, Qt::LeftButton);
  QCOMPARE(window.CommandLines(), expected);

  // The run: the window keeps answering, refuses to close and has its run
  // buttons off, and shows mknmz's progress while it runs.
  QStringList progressSeen;
  int ticksDuringRun = 0;
  qint64 longestGapMs = 0;
  bool closeRefused = false, buttonsOff = false, checked = false;
  QString refusedWhy;
  QElapsedTimer clock;
  clock.start();
  qint64 last = 0;
  QTimer ticker;
  connect(&ticker, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    if (!window.Running()) {
      last = now;
      return;
    }
    longestGapMs = std::max(longestGapMs, now - last);
    last = now;
    ++ticksDuringRun;
    const QString progress = window.lblMknmzProgress->text() +
                             (window.prgMknmz->isVisible()
                                  ? QStringLiteral(" [%1]").arg(window.prgMknmz->value())
                                  : QString());
    if (progressSeen.isEmpty() || progressSeen.back() != progress) progressSeen << progress;
    if (!checked) {
      checked = true;
      closeRefused = !window.close();
      refusedWhy = window.lblRunStatus->text();
      buttonsOff = !window.btnMakeIndex->isEnabled() && !window.btnRunMknmz->isEnabled() &&
                   !window.btnExit->isEnabled();
    }
  });
  ticker.start(10);
  QTest::mouseClick(window.btnMakeIndex, Qt::LeftButton);
  ticker.stop();
  qInfo("event-loop ticks during the run: %d, longest gap %lld ms", ticksDuringRun, longestGapMs);
  QVERIFY(ticksDuringRun > 0);
  QVERIFY(closeRefused);
  QVERIFY2(refusedWhy.contains(QStringLiteral("実行中のため、閉じられません")), qPrintable(refusedWhy));
  QVERIFY(buttonsOff);
  QVERIFY(window.btnExit->isEnabled());

  for (const char* name : {"ja", "en"}) {
    for (const char* file : {"NMZ.i", "NMZ.ii", "NMZ.w", "NMZ.r"})
      QVERIFY2(fs::exists(output + "/" + name + "/" + file), file);
  }
  int found = 0, fileLines = 0;
  for (const std::string& line : window.edtProcess->Lines()) {
    found += line.find(FilesFoundText) != std::string::npos;
    fileLines += line.rfind("6/6 - ", 0) == 0;  // mknmz's own lines, unchanged
  }
  QCOMPARE(found, 2);
  QCOMPARE(fileLines, 2);
  // The lines before a mknmz line show only the list's count; a mknmz line
  // shows its files once mknmz has counted them; the end stays shown.
  qInfo("progress seen: %s", qPrintable(progressSeen.join(QStringLiteral(" | "))));
  QVERIFY2(progressSeen.contains(QStringLiteral("コマンド 3 / 6")) ||
               progressSeen.contains(QStringLiteral("コマンド 6 / 6")),
           qPrintable(progressSeen.join(QStringLiteral(" | "))));
  for (const QString& seen : progressSeen) {
    if (seen.contains(QStringLiteral("文書")))
      QVERIFY2(seen.contains(QStringLiteral(" / 6")) && seen.contains(QStringLiteral(" [")),
               qPrintable(seen));
  }
  QCOMPARE(window.lblMknmzProgress->text(), QStringLiteral("コマンド 6 / 6　文書 6 / 6"));
  QVERIFY(window.prgMknmz->isVisible());
  QCOMPARE(window.prgMknmz->value(), 1000);

  // A search over both indexes finds documents of both folders.
  const Lines indexes = {output + "/ja", output + "/en"};
  const Lines shared = SearchUris(Settings, indexes, "sharedword", dir.path());
  QCOMPARE(shared.size(), size_t{12});
  const auto inFolder = [](const Lines& uris, const std::string& folder) {
    return std::count_if(uris.begin(), uris.end(),
                         [&](const std::string& uri) { return uri.find(folder) != uri.npos; });
  };
  QCOMPARE(inFolder(shared, "/docs/ja/"), 6);
  QCOMPARE(inFolder(shared, "/docs/en/"), 6);
  QCOMPARE(SearchUris(Settings, indexes, HonbunSjis, dir.path()).size(), size_t{6});
}

// Relative document folders named "-O" and "--exclude=x" reach mknmz as
// folders, not as options.
void TestMakeIndexEndToEnd::folderNamedLikeAnOptionIsIndexed() {
  LoadSettings(Settings, "");
  if (::access(Settings.mknmzPath.c_str(), R_OK) != 0) QSKIP("mknmz is not installed");
  const QString start = QDir::currentPath();
  auto restore = qScopeGuard([&] { QDir::setCurrent(start); });
  TempDir dir("tavirel-mkidx");
  for (const char* folder : {"-O", "--exclude=x"}) {
    fs::create_directories(dir.File(std::string("docs/") + folder));
    dir.Write(std::string("docs/") + folder + "/a.txt", "optionlike lantern\n");
  }
  TIndexChoices choices;
  choices.targetDirectories = "-O\n--exclude=x";
  choices.indexOtherDir = true;
  choices.outputDir = dir.File("index");
  choices.makeDirChoice = mdcNumbered;
  TCommandLines built = BuildCommandLines(choices, NativePathStyle);
  QVERIFY(built.ok);
  built.lines.insert(built.lines.begin(), "*chdir \"" + dir.File("docs") + "\"");

  TBigView view;
  TGuardedConsoleView guarded(&view);
  CommandRunHooks hooks;
  hooks.start = [&view, &guarded](std::string_view command, std::string_view folder, TProcessShowMode mode,
                        TArgumentCoding coding) {
    int exitCode = -1;
    RunConsoleProcessInto(command, folder, mode, &guarded, &view, coding, &exitCode);
    return exitCode;
  };
  const TCommandRunSummary summary = RunCommandList(built.lines, Settings, hooks);
  QCOMPARE(summary.started, 2);
  QVERIFY(summary.failedLines.empty());
  for (const char* index : {"index1", "index2"}) {
    std::string files;
    QVERIFY(platform::ReadWholeFile(dir.File(std::string("index/") + index + "/NMZ.r"), files));
    QVERIFY2(files.find("/a.txt") != std::string::npos, files.c_str());
  }
}

// One index of two folders with Japanese names and blanks, built, run again,
// updated and searched through the window; mknmz's and namazu's lines that
// name those folders read right, and a failed line says so.
void TestMakeIndexEndToEnd::sharedIndexOfJapaneseFoldersStaysTrue() {
  LoadSettings(Settings, "");
  Settings.IniFileName.clear();
  if (::access(Settings.mknmzPath.c_str(), R_OK) != 0 || ::access(Settings.namazuPath.c_str(), X_OK) != 0)
    QSKIP("mknmz or namazu is not installed");
  const QString start = QDir::currentPath();
  auto restore = qScopeGuard([&] { QDir::setCurrent(start); });
  const auto S = [](const std::string& utf8) { return platform::Utf8ToCp932(utf8).value(); };
  const auto shows = [](const Lines& lines, const std::string& part) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.find(part) != line.npos; });
  };

  TempDir dir("tavirel-mkidx");
  const std::string reference = dir.File("文書/参考 資料"), memo = dir.File("文書/メモ 帳");
  const std::string index = dir.File("索引");
  fs::create_directories(reference);
  fs::create_directories(memo);
  for (int i = 0; i < 3; ++i) {
    const std::string n = std::to_string(i);
    dir.Write("文書/参考 資料/doc" + n + ".txt", std::string(testsupport::kHonbunEuc) + " refword" + n + "\n");
    dir.Write("文書/メモ 帳/doc" + n + ".txt", std::string(testsupport::kHonbunEuc) + " memoword" + n + "\n");
  }

  TfrmMakeIndex window;
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  window.edtTargetDirectories->setPlainText(QString::fromStdString(reference + "\n" + memo));
  window.pgeMknmz->setCurrentWidget(window.tabIndexDir);
  window.optIndexOtherDir->setChecked(true);
  window.edtOutputDir->setText(QString::fromStdString(index));
  window.grpMakeDirChoices->button(mdcNone)->setChecked(true);
  BoxSeen create;
  AnswerNextBox(&create, QMessageBox::Yes);
  QTest::mouseClick(window.btnMakeCmdline, Qt::LeftButton);
  QVERIFY(create.seen);
  // One line names both folders, so that the index knows them both.
  QCOMPARE(window.CommandLines(),
           (Lines{"*mkdir \"" + S(index) + "\"",
                  "*mknmz --output=\"" + S(index) + "\" \"" + S(reference) + "\" \"" + S(memo) + "\""}));

  const std::string deleted = S(" ファイルは削除されています");
  const std::string nothingToDo = S("インデックスすべきファイルはありません");
  const std::string noFailure = "失敗したコマンドはありません";
  QTest::mouseClick(window.btnMakeIndex, Qt::LeftButton);
  QVERIFY2(window.lblRunStatus->text().contains(QString::fromStdString(noFailure)),
           qPrintable(window.lblRunStatus->text()));
  // The file lines show the folders' names, not their percent escapes.
  QVERIFY(shows(window.edtProcess->Lines(), S(memo + "/doc1.txt")));

  // The same list again: nothing is removed, nothing indexed again.
  QTest::mouseClick(window.btnMakeIndex, Qt::LeftButton);
  QVERIFY(shows(window.edtProcess->Lines(), nothingToDo));
  QVERIFY(!shows(window.edtProcess->Lines(), deleted));
  const Lines second = window.edtProcess->Lines();
  QVERIFY(std::none_of(second.begin(), second.end(),
                       [](const std::string& line) { return line.rfind("1/", 0) == 0; }));

  // A file added to each folder and one removed: an update finds them all.
  dir.Write("文書/参考 資料/new.txt", "freshword in reference\n");
  dir.Write("文書/メモ 帳/new.txt", "freshword in memo\n");
  fs::remove(reference + "/doc0.txt");
  window.edtTargetDirectories->setPlainText(QString::fromStdString(index));
  window.lstCriteria->item(critUpdate)->setCheckState(Qt::Checked);
  QTest::mouseClick(window.btnMakeCmdline, Qt::LeftButton);
  QCOMPARE(window.CommandLines(), Lines{"*mknmz --update=\"" + S(index) + "\""});
  QTest::mouseClick(window.btnMakeIndex, Qt::LeftButton);
  QVERIFY(shows(window.edtProcess->Lines(), S(reference + "/doc0.txt") + deleted));
  QCOMPARE(SearchUris(Settings, {S(index)}, "freshword", dir.path()).size(), size_t{2});
  QVERIFY(SearchUris(Settings, {S(index)}, "refword0", dir.path()).empty());
  QCOMPARE(SearchUris(Settings, {S(index)}, "memoword0", dir.path()).size(), size_t{1});

  // A missing output folder: mknmz's message reads right, the failure shows.
  const std::string missing = dir.File("無い 索引");
  window.pgeMknmz->setCurrentWidget(window.tabProcess);
  window.edtCommandLine->setText(QString::fromStdString(
      "*mknmz --output=\"" + missing + "\" \"" + reference + "\""));
  QTest::mouseClick(window.btnRunMknmz, Qt::LeftButton);
  QVERIFY(shows(window.edtProcess->Lines(), S(missing + ": 無効な出力ディレクトリ指定")));
  QVERIFY(shows(window.edtProcess->Lines(), S("×コマンド 1 / 1 は失敗しました（終了コード ")));
  QVERIFY(window.lblProgress->text().contains(QStringLiteral("失敗 1")));
  QVERIFY2(window.lblRunStatus->text().contains(QStringLiteral("失敗したコマンド: 1 件（1 行目）")),
           qPrintable(window.lblRunStatus->text()));

  // namazu's line for each index, one of them in a Japanese folder and one
  // that cannot be opened, reads right in the hit list.
  TSettings settings = Settings;
  const std::string result =
      ReadableIndexLines(SearchResult(settings, {S(index), S(missing)}, "freshword", dir.path()));
  QVERIFY2(result.find("(" + S(index) + ") [ freshword: 2 ]") != std::string::npos, result.c_str());
  QVERIFY2(result.find("(" + S(missing) + ") [  (" + S("インデックスが開けませんでした")) !=
               std::string::npos,
           result.c_str());
}

QTEST_MAIN(TestMakeIndexEndToEnd)
#include "test_makeidx_e2e.moc"
