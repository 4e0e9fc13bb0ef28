// Paging through all the hits: the page commands run the last search's
// command line with --whence, the list numbers its hits as the searcher does,
// and the keys at the ends of the list move on. A stub searcher records its
// arguments; the last case pages with the real namazu.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "ui/search/mainwindow.h"
#include "ui/search/resultview.h"
#include "support/uitest_support.h"

using namespace tavirel;
using namespace tavirel::uitest;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A searcher that lists `total` hits (45, or 5 for the formula "few") as
// namazu lists them, honouring --max and --whence, and notes its arguments
// one run a line.
const char* const kStubSearcher = R"(#!/bin/sh
printf '%s\n' "$*" >> "$0.args"
out=; max=20; whence=0; total=45
for a; do
  case $a in
    --output=*) out=${a#--output=} ;;
    --max=*) max=${a#--max=} ;;
    --whence=*) whence=${a#--whence=} ;;
    few) total=5 ;;
  esac
done
last=$((whence + max)); [ $last -gt $total ] && last=$total
{
  printf 'Total %d documents matching your query.\n\n' $total
  i=$((whence + 1))
  while [ $i -le $last ]; do
    printf '%d. doc%d.txt (score: 1)\nAuthor: unknown\nDate: x\napple\n/docs/doc%d.txt (6 bytes)\n\n\n\n\n' $i $i $i
    i=$((i + 1))
  done
  printf 'Current List: %d - %d\n' $((whence + 1)) $last
} > "$out"
)";

}  // namespace

class TestPaging : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void pagesRunTheSameLineWithWhence();
  void confirmedPages();
  void focusStaysWhileSearching();
  void realNamazuPagesThroughAllHits();

 private:
  std::string Path(const char* name) const {
    return dir_.filePath(QString::fromUtf8(name)).toStdString();
  }
  void WriteSettings(const std::string& extra);
  QStringList Runs() const;
  static QString FirstLine(const TfrmMain& window);

  QTemporaryDir dir_;
};

void TestPaging::initTestCase() {
  QVERIFY(dir_.isValid());
  WriteFile(Path("namazu"), kStubSearcher);
  QVERIFY(QFile::setPermissions(QString::fromStdString(Path("namazu")),
                                QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  QDir(dir_.path()).mkdir(QStringLiteral("idx"));
  // What makes a folder an index to the window; the stub searcher reads none.
  for (const char* name : {"NMZ.i", "NMZ.ii", "NMZ.w", "NMZ.wi", "NMZ.t"})
    WriteFile(Path("idx/") + name, "");
  qputenv("TMPDIR", dir_.path().toUtf8());
}

void TestPaging::init() {
  TfrmMain::SetSettingsFileOverride(Path("tavirel.ini"));
  QFile::remove(QString::fromStdString(Path("namazu.args")));
}

void TestPaging::WriteSettings(const std::string& extra) {
  WriteFile(Path("tavirel.ini"), "[Window]\r\nSavePosition=0\r\nShowExplanation=0\r\n" + extra);
}

QStringList TestPaging::Runs() const {
  return QString::fromStdString(ReadFile(Path("namazu.args"))).split('\n', Qt::SkipEmptyParts);
}

QString TestPaging::FirstLine(const TfrmMain& window) {
  const QString text = window.edtResult->Text();
  const qsizetype at = text.indexOf(QRegularExpression(QStringLiteral("^\\d+\\. "),
                                                       QRegularExpression::MultilineOption));
  return at < 0 ? QString() : text.mid(at, text.indexOf('\n', at) - at);
}

// While the searcher runs the window takes no input, yet the focus does not
// leave and come back: a screen reader announces only where it lands.
void TestPaging::focusStaysWhileSearching() {
  WriteSettings("[Search]\r\nDirectoryCount=1\r\nDirectory1=" + Path("idx") +
                "\r\n[Command]\r\nnamazuPath=" + Path("namazu") + "\r\n");
  TfrmMain window;
  window.show();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  window.cboKeyword->setFocus();
  QTRY_COMPARE(QApplication::focusWidget(), window.cboKeyword);
  QList<QWidget*> focused;
  auto record = connect(qApp, &QApplication::focusChanged,
                        [&](QWidget*, QWidget* now) { focused << now; });
  struct Step {
    const char* name;
    std::function<void()> act;
    QList<QWidget*> focus;  // the focus changes it makes
  };
  const Step steps[] = {
      {"Enter in the formula box",
       [&] {
         window.cboKeyword->setEditText(QStringLiteral("apple"));
         QTest::keyClick(window.cboKeyword->lineEdit(), Qt::Key_Return);
       },
       {window.edtResult}},
      {"next page from the list", [&] { window.mnuNextPage->trigger(); }, {}},
  };
  for (const Step& s : steps) {
    focused.clear();
    s.act();
    QCOMPARE(window.edtResult->HitCount(), 20);
    // Element by element: Qt 6.4 compares two empty lists through a null pointer.
    QVERIFY2(focused.size() == s.focus.size(), s.name);
    for (qsizetype i = 0; i < focused.size(); ++i) QVERIFY2(focused[i] == s.focus[i], s.name);
    QVERIFY2(window.isEnabled(), s.name);
  }
  disconnect(record);
  QCOMPARE(Runs().size(), 2);
  window.close();
}

void TestPaging::pagesRunTheSameLineWithWhence() {
  WriteSettings("[Search]\r\nDirectoryCount=1\r\nDirectory1=" + Path("idx") +
                "\r\n[Command]\r\nnamazuPath=" + Path("namazu") + "\r\n");
  TfrmMain window;
  window.show();
  auto search = [&] {
    window.cboKeyword->setEditText(QStringLiteral("apple"));
    window.btnSearch->click();
    // A formula and sort changed after the search do not reach its pages.
    window.cboKeyword->setEditText(QStringLiteral("other"));
    window.mnuSortTitle->trigger();
  };

  auto next = [&] { window.mnuNextPage->trigger(); };
  auto spaceAtEnd = [&] {
    window.edtResult->verticalScrollBar()->setValue(window.edtResult->verticalScrollBar()->maximum());
    QTest::keyClick(window.edtResult, Qt::Key_Space);
  };
  auto nPastLastHit = [&] {
    for (int i = 0; i <= window.edtResult->HitCount(); ++i) QTest::keyClick(window.edtResult, 'n');
  };
  auto backspaceAtTop = [&] {
    window.edtResult->verticalScrollBar()->setValue(0);
    QTest::keyClick(window.edtResult, Qt::Key_Backspace);
  };
  auto previous = [&] { window.btnPreviousPage->click(); };
  struct Step {
    const char* name;
    std::function<void()> act;
    const char* whence;  // the --whence the run had, "" for none, nullptr for no run
    const char* first;   // the list's first hit
    int hits;
    bool next, previous;
    const char* shown;   // the start of the status text
  };
  const Step steps[] = {
      {"search", search, "", "1. doc1.txt (score: 1)", 20, true, false, "45 件中 1 - 20 件目"},
      {"next page command", next, " --whence=20", "21. doc21.txt (score: 1)", 20, true, true,
       "45 件中 21 - 40 件目"},
      {"Space at the end", spaceAtEnd, " --whence=40", "41. doc41.txt (score: 1)", 5, false, true,
       "45 件中 41 - 45 件目"},
      {"Space at the last page's end", spaceAtEnd, nullptr, "41. doc41.txt (score: 1)", 5, false,
       true, "45 件中 41 - 45 件目"},
      {"Backspace at the top", backspaceAtTop, " --whence=20", "21. doc21.txt (score: 1)", 20,
       true, true, "45 件中 21 - 40 件目"},
      {"N past the last hit", nPastLastHit, " --whence=40", "41. doc41.txt (score: 1)", 5, false,
       true, "45 件中 41 - 45 件目"},
      {"previous page button", previous, " --whence=20", "21. doc21.txt (score: 1)", 20, true,
       true, "45 件中 21 - 40 件目"},
      {"back to the first", previous, "", "1. doc1.txt (score: 1)", 20, true, false,
       "45 件中 1 - 20 件目"},
  };
  QString firstRun;
  for (const Step& step : steps) {
    const qsizetype before = Runs().size();
    step.act();
    const QStringList runs = Runs();
    if (!step.whence) {
      QCOMPARE(runs.size(), before);
    } else {
      QVERIFY2(runs.size() == before + 1, step.name);
      if (firstRun.isEmpty()) firstRun = runs.last();
      // The same command line but for the page.
      QString expected = firstRun;
      expected.replace(QStringLiteral(" --max=20"),
                       QStringLiteral(" --max=20") + QLatin1String(step.whence));
      QCOMPARE(runs.last(), expected);
    }
    QCOMPARE(FirstLine(window), QString::fromLatin1(step.first));
    QCOMPARE(window.edtResult->HitCount(), step.hits);
    QCOMPARE(window.mnuNextPage->isEnabled(), step.next);
    QCOMPARE(window.mnuPreviousPage->isEnabled(), step.previous);
    QCOMPARE(window.btnNextPage->isEnabled(), step.next);
    QCOMPARE(window.btnPreviousPage->isEnabled(), step.previous);
    QVERIFY(window.pnlPaging->isVisible());
    QVERIFY2(window.lblPage->text().startsWith(QString::fromUtf8(step.shown)),
             qPrintable(window.lblPage->text()));
    QCOMPARE(window.stb->currentMessage(), window.lblPage->text());
  }
  QVERIFY2(firstRun.contains(QStringLiteral("-- apple ")), qPrintable(firstRun));
  QVERIFY2(!firstRun.contains(QStringLiteral("subject")), qPrintable(firstRun));

  // A search whose hits all fit: no page commands, no bar, and Space at the
  // end runs nothing.
  window.cboKeyword->setEditText(QStringLiteral("few"));
  window.btnSearch->click();
  QCOMPARE(window.edtResult->HitCount(), 5);
  QVERIFY(!Runs().last().contains(QStringLiteral("--whence")));
  QVERIFY(Runs().last().contains(QStringLiteral("subject")));  // the new sort
  const qsizetype runs = Runs().size();
  spaceAtEnd();
  nPastLastHit();
  window.mnuNextPage->trigger();
  QCOMPARE(Runs().size(), runs);
  QVERIFY(!window.pnlPaging->isVisible());
  QVERIFY(!window.mnuNextPage->isEnabled() && !window.mnuPreviousPage->isEnabled());
  window.close();
}

void TestPaging::confirmedPages() {
  // With the command line confirmed first, and with the result shown as a
  // page: the page command asks about its own line and runs it.
  const std::pair<const char*, const char*> cases[] = {
      {"text", " --max=20 --whence=20"},
      {"WebBrowser", " --max=20 --whence=20 --html"},
  };
  for (const auto& [display, options] : cases) {
    WriteSettings(std::string("[Search]\r\nDirectoryCount=1\r\nDirectory1=") + Path("idx") +
                  "\r\n[Command]\r\nnamazuPath=" + Path("namazu") +
                  "\r\n[Result]\r\nConfirmCommandLine=1\r\nDisplayTo=" + display +
                  "\r\n[WebBrowser]\r\nDisplayTo=Internal\r\n");
    TfrmMain window;
    window.cboKeyword->setEditText(QStringLiteral("apple"));
    BoxSeen first;
    AnswerNextBox(&first, QMessageBox::Yes);
    window.btnSearch->click();
    QVERIFY(first.seen);
    QVERIFY2(window.mnuNextPage->isEnabled(), display);
    BoxSeen declined;
    AnswerNextBox(&declined, QMessageBox::No);
    window.mnuNextPage->trigger();
    QVERIFY(declined.seen);
    QCOMPARE(Runs().size(), 1);
    // After a declined page the search is made again and paged.
    BoxSeen again, page;
    AnswerNextBox(&again, QMessageBox::Yes);
    window.btnSearch->click();
    QVERIFY(again.seen);
    AnswerNextBox(&page, QMessageBox::Yes);
    window.mnuNextPage->trigger();
    QVERIFY(page.seen);
    QCOMPARE(Runs().size(), 3);
    QVERIFY2(Runs().last().contains(QLatin1String(options)), qPrintable(Runs().last()));
    QVERIFY(window.mnuPreviousPage->isEnabled());
    QVERIFY(window.stb->currentMessage().startsWith(QStringLiteral("45 件中 21 - 40 件目")));
    window.close();
    QFile::remove(QString::fromStdString(Path("namazu.args")));
  }
}

void TestPaging::realNamazuPagesThroughAllHits() {
  if (!QFile::exists(QStringLiteral("/usr/bin/namazu")) ||
      !QFile::exists(QStringLiteral("/usr/bin/mknmz"))) {
    QSKIP("namazu and mknmz are needed (packages namazu2, namazu2-index-tools)");
  }
  // 25 documents in a folder with Japanese characters and a blank; the index
  // in one without a blank, which mknmz cannot write under.
  const std::string docs = Path("文書 フォルダ");
  const std::string index = Path("索引");
  QDir().mkpath(QString::fromStdString(docs));
  QDir().mkpath(QString::fromStdString(index));
  for (int i = 1; i <= 25; ++i)
    WriteFile(docs + "/doc" + std::to_string(i) + ".txt", "apple " + std::to_string(i) + "\n");
  const std::string command =
      "env -u LC_ALL -u LC_CTYPE -u LC_MESSAGES -u LANGUAGE LANG=ja_JP.SJIS PERL_BADLANG=0 "
      "perl /usr/bin/mknmz -O '" + index + "' '" + docs + "' >/dev/null 2>&1";
  QCOMPARE(std::system(command.c_str()), 0);
  // The settings file is Shift-JIS.
  WriteSettings("[Search]\r\nListCount=10\r\nDirectoryCount=1\r\nDirectory1=" +
                *platform::Utf8ToCp932(index) +
                "\r\n[Command]\r\nnamazuPath=/usr/bin/namazu\r\n");
  TfrmMain window;
  window.cboKeyword->setEditText(QStringLiteral("apple"));
  window.btnSearch->click();
  QSet<QString> seen;
  const int firsts[] = {1, 11, 21};
  for (int page = 0; page < 3; ++page) {
    if (page > 0) window.mnuNextPage->trigger();
    QCOMPARE(window.ResultPage.Total, 25);
    QCOMPARE(window.ResultPage.First, firsts[page]);
    QCOMPARE(window.edtResult->HitCount(), page < 2 ? 10 : 5);
    QVERIFY2(FirstLine(window).startsWith(QStringLiteral("%1. doc").arg(firsts[page])),
             qPrintable(FirstLine(window)));
    for (const SearchHit& hit : window.edtResult->Hits()) {
      const QString uri = window.edtResult->TextOf(hit.UriStart, hit.UriEnd);
      QVERIFY2(uri.contains(QStringLiteral("文書 フォルダ")), qPrintable(uri));
      seen.insert(uri);
    }
  }
  QCOMPARE(seen.size(), 25);  // every hit once, none twice
  QVERIFY(!window.mnuNextPage->isEnabled());
  window.close();
}

QTEST_MAIN(TestPaging)
#include "test_paging.moc"
