// The text view with a 200,000-line Shift-JIS document: marking the words of
// a 16-word formula (about a million marks), and scrolling through the
// document with the marks against the same scrolling without them, in the
// same run. Each scroll step moves the view and paints it at once.
//
// Usage: bench_textmarks [steps]   (default 300 steps)
// Runs without a display (QT_QPA_PLATFORM=offscreen is set when unset).

#include <QApplication>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/search/searchwords.h"
#include "ui/search/textview.h"
#include "ui/widgets/qtcodec.h"

namespace {

using namespace tavirel;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Scrolls from top to bottom in `steps` steps, painting each; ms per step.
std::vector<double> Scroll(TTextView& view, int steps) {
  std::vector<double> ms;
  QScrollBar* bar = view.verticalScrollBar();
  for (int i = 0; i < steps; ++i) {
    const auto t0 = Clock::now();
    bar->setValue(static_cast<int>(static_cast<int64_t>(bar->maximum()) * i / steps));
    QApplication::processEvents();
    view.viewport()->repaint();
    ms.push_back(Ms(Clock::now() - t0));
  }
  std::sort(ms.begin(), ms.end());
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int steps = argc > 1 ? std::max(10, std::atoi(argv[1])) : 300;

  std::string text;
  const std::string lines[] = {
      *QStringToSjis(QStringLiteral("温泉旅館の予約について、linux 勉強会の資料をお送りします。\n")),
      *QStringToSjis(QStringLiteral("会議室の予定は namazu のインデックスに入っています。\n")),
      *QStringToSjis(QStringLiteral("特に何もない行です。ｶﾚﾝﾀﾞｰを見てください。\n")),
  };
  for (int i = 0; i < 200000; ++i) text += lines[i % 3];
  const auto words = ExtractSearchWords(*QStringToSjis(QStringLiteral(
      "温泉 旅館 予約 linux 勉強会 資料 会議 予定 namazu インデックス カレンダー 行 "
      "お送り 入って 見て 特に")));

  TTextView view;
  view.resize(800, 600);
  view.show();
  view.ShowText(text, TTextEncoding::ShiftJis);
  QApplication::processEvents();

  const std::vector<double> plain = Scroll(view, steps);
  const auto t0 = Clock::now();
  const int marks = view.HighlightWords(words);
  const double markMs = Ms(Clock::now() - t0);
  QApplication::processEvents();
  const std::vector<double> marked = Scroll(view, steps);

  std::printf("200,000 lines (%.1f MB), %zu words, %d marks; marking took %.1f ms\n",
              text.size() / 1e6, words.size(), marks, markMs);
  std::printf("%-22s %10s %10s %10s\n", "scroll step (ms)", "best", "median", "worst");
  std::printf("%-22s %10.2f %10.2f %10.2f\n", "without marks", plain.front(),
              plain[plain.size() / 2], plain.back());
  std::printf("%-22s %10.2f %10.2f %10.2f\n", "with marks", marked.front(),
              marked[marked.size() / 2], marked.back());
  return 0;
}
