// Time to show a large result file in the result list, side by side with
// loading the same text into a plain QPlainTextEdit without colours.
//
// Each measurement runs until the view has been laid out and painted once
// (a forced repaint of the viewport plus the events that follow), best of 5:
//   plain text        setPlainText of the decoded file, no colours (reference)
//   ShowResultFile    read, recognise, load and colour (the result list)
//   ... uncoloured    the same with colours off
// and then how quickly the list answers N, P and Space on that text.
//
// Usage: bench_resultview [result file]   (default: the shared result-10k.txt)

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "core/search/resultlist.h"
#include "ui/search/resultview.h"
#include "platform/platform.h"
#include "ui/widgets/qtcodec.h"

#ifndef TAVIREL_SHARED_DATA
#define TAVIREL_SHARED_DATA "../shared/data"
#endif

namespace {

using namespace tavirel;

constexpr int kRuns = 5;

void Settle(QAbstractScrollArea& view) {
  view.viewport()->repaint();
  QApplication::processEvents();
  view.viewport()->repaint();
}

// Best of kRuns, in milliseconds; `reset` runs untimed before each run.
double BestOf(const std::function<void()>& reset, const std::function<void()>& run) {
  double best = std::numeric_limits<double>::max();
  for (int i = 0; i < kRuns; ++i) {
    reset();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    run();
    best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  return best;
}

void SendKey(QWidget* widget, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

// Average milliseconds per key press, each followed by a repaint.
double PerKey(TResultView& view, int key, const QString& text, int presses) {
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < presses; ++i) {
    SendKey(&view, key, text);
    view.viewport()->repaint();
  }
  QApplication::processEvents();
  return static_cast<double>(timer.nsecsElapsed()) / 1e6 / presses;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string path =
      argc > 1 ? std::string(argv[1]) : std::string(TAVIREL_SHARED_DATA "/result-10k.txt");

  std::string bytes;
  std::string error;
  if (!platform::ReadWholeFile(path, bytes, &error)) {
    std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  const QString decoded = SjisToQString(bytes);

  TResultView view;
  view.resize(900, 700);
  view.show();
  QPlainTextEdit plain;
  plain.setUndoRedoEnabled(false);
  plain.setReadOnly(true);
  plain.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  plain.resize(900, 700);
  plain.show();
  QApplication::processEvents();

  const double plainMs = BestOf([&] { plain.clear(); }, [&] {
    plain.setPlainText(decoded);
    Settle(plain);
  });
  bool found = false;
  const double coloredMs = BestOf([&] { view.ClearResults(); }, [&] {
    found = view.ShowResultFile(path, 2, 2, true);
    Settle(view);
  });
  const int hits = view.HitCount();
  const double uncoloredMs = BestOf([&] { view.ClearResults(); }, [&] {
    view.ShowResultFile(path, 2, 2, false);
    Settle(view);
  });
  // The words of the formula that wrote the file (16 words, common ones),
  // marked in every summary.
  view.SetSearchWords(ExtractSearchWords(
      "\x82\xcc or the or example or \x82\xc9 or \x82\xf0 or \x82\xcd or a or to or of or "
      "\x82\xb7\x82\xe9 or \x82\xc6 or is or \x82\xc5 or \x82\xaa or in or you"));
  const double markedMs = BestOf([&] { view.ClearResults(); }, [&] {
    view.ShowResultFile(path, 2, 2, true);
    Settle(view);
  });
  const size_t marks = view.WordMarks().size();
  view.SetSearchWords({});

  std::printf("result file            %s\n", path.c_str());
  std::printf("size                   %zu bytes, %d hits%s\n", bytes.size(), hits,
              found ? "" : " (no hit list found)");
  std::printf("plain text (reference) %8.1f ms\n", plainMs);
  std::printf("ShowResultFile         %8.1f ms   ratio %.2f\n", coloredMs, coloredMs / plainMs);
  std::printf("... uncoloured         %8.1f ms   ratio %.2f\n", uncoloredMs, uncoloredMs / plainMs);
  std::printf("... with 16 words     %8.1f ms   ratio %.2f (%zu marks)\n", markedMs,
              markedMs / plainMs, marks);

  // Responsiveness on the loaded list.
  view.ShowResultFile(path, 2, 2, true);
  Settle(view);
  view.setFocus();
  const double nMs = PerKey(view, Qt::Key_N, QStringLiteral("n"), 500);
  const double pMs = PerKey(view, Qt::Key_P, QStringLiteral("p"), 500);
  view.SetCaretOffset(0);
  const double spaceMs = PerKey(view, Qt::Key_Space, QStringLiteral(" "), 500);
  QElapsedTimer timer;
  timer.start();
  view.SetCaretOffset(view.Hits().back().UriStart);
  view.viewport()->repaint();
  const double endMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
  std::printf("N, per press           %8.2f ms\n", nMs);
  std::printf("P, per press           %8.2f ms\n", pMs);
  std::printf("Space, per press       %8.2f ms\n", spaceMs);
  std::printf("jump to the last hit   %8.2f ms\n", endMs);
  return 0;
}
