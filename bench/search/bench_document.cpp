// Opening a 10 MB EUC-JP text document in the text view (read, convert to
// Shift-JIS, show up to the first painted screen), against the same bytes
// shown without conversion, with the peak memory of the process above the
// idle window (VmHWM) after the rounds. The reference in the same run is the
// converted text shown by a QPlainTextEdit (decoded to QString, laid out by
// Qt), measured after the text view so that its memory does not count in the
// text view's peak. Shapes: "lines" (30-80 byte lines) and "line" (the whole
// document one line without a break).
// Run: bench_document [megabytes [lines|line [rounds [noreference]]]]
// (offscreen unless a platform is set)
// The cases the text view is measured by: bench_document 10, bench_document
// 64, bench_document 10 line.
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include <malloc.h>

#include "core/process/ucommon.h"
#include "core/search/document.h"
#include "support/benchsupport.h"
#include "ui/search/textview.h"
#include "ui/widgets/qtcodec.h"
#include "platform/platform.h"

using namespace tavirel;

namespace {

// Mixed Japanese text in EUC-JP: kanji, kana, ASCII, 30-80 byte lines, or
// one line of it all.
std::string MakeEucText(size_t bytes, bool oneLine) {
  const std::string pieces[] = {
      "\xc6\xfc\xcb\xdc\xb8\xec\xa4\xce\xcb\xdc\xca\xb8",          // 日本語の本文
      "\xc1\xb4\xca\xb8\xb8\xa1\xba\xf7",                          // 全文検索
      "\xa5\xa4\xa5\xf3\xa5\xc7\xa5\xc3\xa5\xaf\xa5\xb9",          // インデックス
      " Namazu 2.0.21 ", "\xa4\xc7\xa4\xb9\xa1\xa3",                 // です。
      "\xb2\xf1\xb5\xc4\xa4\xce\xc6\xfc\xc4\xf8",                  // 会議の日程
  };
  std::string text;
  text.reserve(bytes + 128);
  unsigned seed = 12345;
  size_t line = 0;
  while (text.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    text += pieces[(seed >> 16) % 6];
    if (!oneLine && text.size() - line > 30 + (seed >> 8) % 50) {
      text += "\n";
      line = text.size();
    }
  }
  return text;
}

// The resident memory of this process now, in kilobytes (VmRSS), once the
// allocator has handed back what it keeps of freed memory.
long ResidentKb() {
  malloc_trim(0);
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

struct Timing {
  double read = 0, prepare = 0, show = 0;
  double showCpu = 0;  // the processor time of the show, which a busy machine does not stretch
  double total() const { return read + prepare + show; }
};

// Reads and prepares the document; `show` puts it on screen and paints the
// first screen.
template <class Show>
Timing Open(const std::string& path, bool convert, Show show) {
  Timing t;
  QElapsedTimer timer;
  timer.start();
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes, nullptr, MaxDocumentFileBytes)) {
    std::fprintf(stderr, "the document cannot be read (over the text view's limit?)\n");
    std::exit(1);
  }
  t.read = timer.nsecsElapsed() / 1e6;
  timer.restart();
  // As the program does: a text that needs no change is the bytes read.
  TPreparedText prepared = PrepareOwnedDocumentText(std::move(bytes), {false, convert, false});
  t.prepare = timer.nsecsElapsed() / 1e6;
  timer.restart();
  const std::clock_t cpu = std::clock();
  show(prepared);
  t.show = timer.nsecsElapsed() / 1e6;
  t.showCpu = static_cast<double>(std::clock() - cpu) * 1000 / CLOCKS_PER_SEC;
  return t;
}

void Print(const char* name, const Timing& t) {
  std::printf("  %-28s read %7.1f  prepare %7.1f  first screen %7.1f (processor %7.1f)  "
              "total %7.1f ms\n",
              name, t.read, t.prepare, t.show, t.showCpu, t.total());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 10.0;
  const bool oneLine = argc > 2 && std::string(argv[2]) == "line";
  const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;

  QTemporaryDir dir;
  const std::string path = dir.filePath(QStringLiteral("big-euc.txt")).toStdString();
  // Megabytes of 10^6 bytes: 64 of them stay below the text view's limit.
  const std::string text = MakeEucText(static_cast<size_t>(megabytes * 1e6), oneLine);
  platform::WriteFileAtomic(path, text);

  const bool reference = !(argc > 4 && std::string(argv[4]) == "noreference");
  std::printf("document: %.1f MB EUC-JP, %zu bytes, %s\n", megabytes, text.size(),
              oneLine ? "one line" : "lines of 30-80 bytes");
  long idleKb = 0;
  {
    TTextView view;
    view.resize(800, 600);
    view.show();
    QCoreApplication::processEvents();
    idleKb = bench::PeakKb();
    auto show = [&view](TPreparedText& prepared) {
      view.ShowText(std::move(prepared.Text), prepared.Encoding, prepared.BodyLine);
      view.viewport()->repaint();
    };
    for (int round = 0; round < rounds; ++round) {
      // As the main window does, the view is emptied before a document loads.
      std::printf("round %d\n", round + 1);
      view.Clear();
      Print("text view, no conversion:", Open(path, false, show));
      view.Clear();
      Print("text view, converted:", Open(path, true, show));
    }
    const double fileMb = static_cast<double>(text.size()) / (1024 * 1024);
    const double peakMb = static_cast<double>(bench::PeakKb() - idleKb) / 1024;
    std::printf("text view: peak memory above the idle window %.0f MB, %.1f x the file "
                "(reading and converting included)\n",
                peakMb, peakMb / fileMb);
    // What the view itself keeps: the resident memory it adds to an empty view.
    view.Clear();
    const long emptyKb = ResidentKb();
    Open(path, true, show);
    const long shownKb = ResidentKb();
    const double heldMb = static_cast<double>(shownKb - emptyKb) / 1024;
    std::printf("text view: holds %.0f MB with the document shown, %.1f x the file\n", heldMb,
                heldMb / fileMb);
  }
  if (!reference) return 0;
  // The reference: the whole text decoded and laid out by a QPlainTextEdit.
  QPlainTextEdit plain;
  plain.setReadOnly(true);
  plain.setLineWrapMode(QPlainTextEdit::WidgetWidth);
  plain.resize(800, 600);
  plain.show();
  QCoreApplication::processEvents();
  Print("reference QPlainTextEdit:", Open(path, true, [&plain](TPreparedText& prepared) {
          plain.setPlainText(SjisToQString(prepared.Text));
          plain.viewport()->repaint();
        }));
  const double peakMb = static_cast<double>(bench::PeakKb() - idleKb) / 1024;
  std::printf("with the reference: peak memory above the idle window %.0f MB, %.1f x the file\n",
              peakMb, peakMb / (static_cast<double>(text.size()) / (1024 * 1024)));
  return 0;
}
