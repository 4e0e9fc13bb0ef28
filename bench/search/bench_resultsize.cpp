// Time and memory to show a large result file in the result list, by the
// shape of the file, side by side with the floor of the same run: reading the
// file and decoding it to a QString, and the parse of the hit list alone. Each
// measurement runs in a child process of its own so that its peak memory
// (VmHWM) is its own; a child that takes longer than the time limit is
// stopped and reported as such.
//
// Shapes (SIZE megabytes of each):
//   real   the searcher's format: header, numbered hits with title, summary
//          and file-name line, footer (what --all on a big index gives)
//   hits   as many hits as fit: one-letter titles and file names, no summaries
//   lf     empty lines ending in LF only
//   cr     empty lines ending in CR only
//   tiny   one-character lines
//   long   one line without a break
//
// Usage: bench_resultsize [SIZE-MB [LIMIT-S [shape...]]]   (default 50 MB, 60 s, every shape)
//        bench_resultsize --one floor|parse|list FILE      (one child run)

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/search/resultlist.h"
#include "platform/platform.h"
#include "ui/search/resultview.h"
#include "ui/widgets/qtcodec.h"
#include "support/benchsupport.h"

namespace {

using namespace tavirel;
using bench::PeakKb;

std::string MakeShape(const std::string& shape, size_t bytes) {
  std::string text;
  text.reserve(bytes + 4096);
  if (shape == "real") {
    // 検索結果 header, hits of about 350 bytes as namazu writes them.
    text += "\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca\n\n";  // 検索結果
    text += "Total 145485 documents matching your query.\n\n";
    for (int n = 1; text.size() < bytes; ++n) {
      text += std::to_string(n) + ". \x93\xfa\x96\x7b\x8c\xea\x82\xcc\x95\xb6\x8f\x91 " +
              std::to_string(n) + " (\x83\x58\x83\x52\x83\x41: " + std::to_string(1 + n % 97) +
              ")\n";
      text += "\x8d\xec\x90\xac\x8e\xd2: a@example.jp\n";
      text += "\x93\xfa\x95\x74: Tue, 08 Dec 2026 05:00:00\n";
      text += "\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x96\x7b\x95\xb6 summary text of the document, "
              "\x82\xa0\x82\xa2\x82\xa4\x82\xa6\x82\xa8 with some words ...\n";
      text += "/home/user/documents/mail/inbox/" + std::to_string(n) + " (12,345 bytes)\n\n\n";
    }
    text += "\x8c\x9f\x8d\xf5\x8e\x9e\x8a\xd4: 1.23 \x95\x62\n\n";
  } else if (shape == "hits") {
    // As many hits as fit: one-letter titles and file names, no summaries.
    text += "\x8c\x9f\x8d\xf5\x8c\x8b\x89\xca\n\n";  // 検索結果
    for (int n = 1; text.size() < bytes; ++n) {
      text += std::to_string(n) + ". t (score: 1)\n/p (1 bytes)\n\n\n";
    }
    text += "end\n";
  } else if (shape == "lf" || shape == "cr") {
    text.assign(bytes, shape == "lf" ? '\n' : '\r');
  } else if (shape == "tiny") {
    while (text.size() < bytes) text += "a\n";
  } else if (shape == "long") {
    while (text.size() < bytes) text += "\x93\xfa\x96\x7b\x8c\xea abc ";
  } else {
    std::fprintf(stderr, "unknown shape %s\n", shape.c_str());
    std::exit(2);
  }
  return text;
}

// One measurement in this process: "floor" (the file read and decoded to a
// QString), "parse" (read and ParseResultText) or "list" (the result list,
// until it has been painted once). Prints milliseconds and the peak memory
// above the idle window.
int RunOne(int argc, char** argv, const std::string& what, const std::string& path) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TResultView view;
  view.resize(900, 700);
  view.show();
  // As in the program, the list shows "検索中....." while the searcher runs:
  // the fonts are loaded before the file is.
  view.SetMessageText(QStringLiteral("検索中....."));
  view.viewport()->repaint();
  QApplication::processEvents();
  const long baseKb = PeakKb();

  QElapsedTimer timer;
  timer.start();
  if (what == "floor") {
    std::string bytesRead;
    platform::ReadWholeFile(path, bytesRead, nullptr, 1ull << 31);
    const QString decoded = SjisToQString(bytesRead);
    if (decoded.isEmpty()) return 1;
  } else if (what == "parse") {
    std::string bytesRead;
    platform::ReadWholeFile(path, bytesRead, nullptr, 1ull << 31);
    const ResultListParse parse = ParseResultText(bytesRead, 2, 2);
    if (parse.Text.empty()) return 1;
  } else {
    view.ShowResultFile(path, 2, 2, true);
    view.viewport()->repaint();
    QApplication::processEvents();
  }
  const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  const long kb = PeakKb() - baseKb;
  // How the list answers once shown: the caret to the end (Ctrl+End), the
  // scroll bar dragged to the middle, a page down there; each with a paint.
  double endMs = 0;
  double middleMs = 0;
  double pageMs = 0;
  if (what == "list") {
    timer.restart();
    view.SetCaretOffset(view.ResultCharCount());
    view.viewport()->repaint();
    endMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    view.viewport()->repaint();
    middleMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    timer.restart();
    view.PageDown();
    view.viewport()->repaint();
    pageMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    // Reading on: 500 pages more, for the memory the laid-out pages take.
    for (int i = 0; i < 500; ++i) {
      view.PageDown();
      view.viewport()->repaint();
    }
  }
  const long readKb = PeakKb() - baseKb;
  std::printf("%.1f %ld %d %.2f %.2f %.2f %ld\n", ms, kb, view.HitCount(), endMs, middleMs, pageMs,
              readKb);
  return 0;
}

struct Measure {
  bool done = false;
  double ms = 0;
  long kb = 0;
  int hits = 0;
  double endMs = 0;
  double middleMs = 0;
  double pageMs = 0;
  long readKb = 0;
};

// Runs one measurement in a child process, stopped after `limit` seconds.
Measure RunChild(const char* self, const std::string& what, const std::string& path, int limit) {
  Measure measure;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return measure;
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(pipeFds[1], 1);
    ::close(pipeFds[0]);
    ::alarm(static_cast<unsigned>(limit));
    ::execl("/proc/self/exe", self, "--one", what.c_str(), path.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  char buffer[256] = {};
  size_t used = 0;
  ssize_t got = 0;
  while (used + 1 < sizeof buffer &&
         (got = ::read(pipeFds[0], buffer + used, sizeof buffer - 1 - used)) > 0) {
    used += static_cast<size_t>(got);
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  measure.done = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                 std::sscanf(buffer, "%lf %ld %d %lf %lf %lf %ld", &measure.ms, &measure.kb,
                             &measure.hits, &measure.endMs, &measure.middleMs, &measure.pageMs,
                             &measure.readKb) == 7;
  return measure;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "--one") == 0) {
    return RunOne(argc, argv, argv[2], argv[3]);
  }
  const std::string megabytes = argc > 1 ? argv[1] : "50";
  const int limit = argc > 2 ? std::atoi(argv[2]) : 60;
  std::vector<std::string> shapes;
  for (int i = 3; i < argc; ++i) shapes.push_back(argv[i]);
  if (shapes.empty()) shapes = {"real", "hits", "lf", "cr", "tiny", "long"};
  std::printf("aim: shown within 2 s, peak memory (above the idle window) under 5 x the size\n");
  std::printf("%-6s %10s %7s | %-18s | %-18s | %-18s\n", "shape", "size", "hits",
              "floor (decode)", "ParseResultText", "result list");
  for (const std::string& shape : shapes) {
    // The file is written here, so that making it counts for no child.
    const std::string folder = platform::CreatePrivateFolder(platform::TempFolder(), "bench-");
    const std::string path = folder + "/result.txt";
    const std::string text =
        MakeShape(shape, static_cast<size_t>(std::atof(megabytes.c_str()) * 1e6));
    platform::WriteFileAtomic(path, text);
    const double size = static_cast<double>(text.size());
    std::printf("%-6s %7.1f MB", shape.c_str(), size / 1e6);
    Measure list;
    std::string columns;
    for (const char* what : {"floor", "parse", "list"}) {
      const Measure m = RunChild(argv[0], what, path, limit);
      char cell[64];
      if (m.done) {
        std::snprintf(cell, sizeof cell, " | %6.0f ms %6.0f MB", m.ms, m.kb / 1e3);
      } else {
        std::snprintf(cell, sizeof cell, " | %-18s", "stopped");
      }
      columns += cell;
      if (std::strcmp(what, "list") == 0) list = m;
    }
    std::printf(" %7d%s", list.hits, columns.c_str());
    if (list.done) {
      std::printf("  = %.2f s, %.1f x size%s | end %.1f ms, middle %.1f ms, page %.1f ms, "
                  "%.1f x size after 500 pages",
                  list.ms / 1e3, list.kb * 1e3 / size,
                  list.ms <= 2000 && list.kb * 1e3 < 5 * size ? "" : "  MISSED", list.endMs,
                  list.middleMs, list.pageMs, list.readKb * 1e3 / size);
    }
    std::printf("\n");
    platform::RemovePrivateFolder(folder);
  }
  return 0;
}
