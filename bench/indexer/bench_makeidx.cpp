// The index creation window's run against mknmz started by hand, and how
// well the window answers events meanwhile.
//
// Writes a corpus of small text files (half EUC-JP Japanese, half English),
// then alternately (a) builds the reserved lines for it in TfrmMakeIndex and
// runs them with "インデックス作成" (mkdir, then mknmz captured into the run
// page), and (b) starts the same mknmz command directly with its output sent
// to /dev/null, each on a fresh index. Prints every time, the best and mean
// of each way and their ratio (window / by hand; the aim is 1.10 or less).
// During (a) a 10 ms timer on the window's thread records how late it fires:
// the longest gap and the 99th percentile show how long the window can keep
// an event waiting (the aim is under 100 ms).
//
// Then opens a folder with 10,000 sub-folders in the folder tree and reports
// the longest event-loop gap while the nodes arrive.
//
// Usage: bench_makeidx [files [runs]]   (defaults: 2000 files, 3 runs each)

#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/indexer/mknmzcmd.h"
#include "core/settings/settings.h"
#include "support/benchcorpus.h"
#include "support/benchsupport.h"
#include "ui/indexer/makeidx.h"
#include "ui/widgets/bigview.h"
#include "ui/widgets/shelltree.h"

namespace {

using namespace tavirel;
using namespace tavirel::bench;
namespace fs = std::filesystem;

// Records how late a 10 ms timer fires while `active` says so.
class GapMeter {
 public:
  explicit GapMeter(std::function<bool()> active) : active_(std::move(active)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.elapsed();
      if (active_() && last_ >= 0) gaps_.push_back(now - last_);
      last_ = now;
    });
  }
  void Start() {
    clock_.start();
    last_ = -1;
    timer_.start(10);
  }
  void Stop() { timer_.stop(); }
  qint64 Longest() const { return gaps_.empty() ? 0 : *std::max_element(gaps_.begin(), gaps_.end()); }
  qint64 Percentile99() const {
    if (gaps_.empty()) return 0;
    std::vector<qint64> sorted = gaps_;
    std::sort(sorted.begin(), sorted.end());
    return sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
  }
  size_t Count() const { return gaps_.size(); }

 private:
  std::function<bool()> active_;
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = -1;
  std::vector<qint64> gaps_;
};

void Summary(const char* what, const std::vector<double>& times) {
  double sum = 0;
  for (double t : times) sum += t;
  std::printf("%-10s best %.3f s, mean %.3f s\n", what, *std::min_element(times.begin(), times.end()),
              sum / times.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int files = CountArgument(argc, argv, 1, 2000);
  const int runs = CountArgument(argc, argv, 2, 3);

  // The window reads the global settings.
  const BenchCorpus corpus("bench_makeidx", files, Settings);
  if (!corpus.Ready()) return corpus.ExitCode();
  const fs::path root = corpus.root;
  std::printf("Corpus: %d files, %.2f MB in %s\n", corpus.size.files, corpus.size.bytes / 1e6,
              corpus.corpus.c_str());
  std::printf("The window's run (mkdir + mknmz captured into the run page) against the same\n"
              "mknmz started by hand with its output to /dev/null; %d run(s) each, alternating.\n\n",
              runs);

  TfrmMakeIndex window;
  window.show();
  QApplication::processEvents();
  GapMeter meter([&window] { return window.Running(); });

  std::vector<double> windowTimes, handTimes;
  bool failed = false;
  for (int run = 0; run < runs && !failed; ++run) {
    for (const bool throughWindow : {true, false}) {
      const fs::path index = root / ((throughWindow ? "idx-window-" : "idx-hand-") + std::to_string(run));
      const Clock::time_point start = Clock::now();
      if (throughWindow) {
        TIndexChoices choices;
        choices.targetDirectories = corpus.corpus;
        choices.indexOtherDir = true;
        choices.outputDir = index.string();
        const TCommandLines lines = BuildCommandLines(choices, NativePathStyle);
        window.SetCommandLines(lines.lines);
        meter.Start();
        window.btnMakeIndex->click();
        meter.Stop();
      } else {
        // From mknmz's folder, as the window runs it.
        if (!BuildIndex(Settings, index.string(), corpus.corpus,
                        fs::path(Settings.mknmzPath).parent_path().string()))
          failed = true;
      }
      const double seconds = Seconds(Clock::now() - start);
      if (throughWindow && !fs::exists(index / "NMZ.i")) {
        std::fprintf(stderr, "no index in %s\n", index.c_str());
        failed = true;
      }
      (throughWindow ? windowTimes : handTimes).push_back(seconds);
      std::printf("run %d  %-22s %7.3f s%s\n", run + 1, throughWindow ? "through the window" : "by hand",
                  seconds,
                  throughWindow ? (", " + std::to_string(window.edtProcess->LineCount()) + " output lines").c_str() : "");
      std::fflush(stdout);
    }
  }
  if (!failed) {
    std::printf("\n");
    Summary("window", windowTimes);
    Summary("by hand", handTimes);
    std::printf("ratio of the best: %.3f, of the means: %.3f (aim: at most 1.10)\n",
                *std::min_element(windowTimes.begin(), windowTimes.end()) /
                    *std::min_element(handTimes.begin(), handTimes.end()),
                [&] {
                  double w = 0, h = 0;
                  for (double t : windowTimes) w += t;
                  for (double t : handTimes) h += t;
                  return w / h;
                }());
    std::printf("event loop during the window's runs: %zu timer ticks, longest gap %lld ms, "
                "99th percentile %lld ms (timer interval 10 ms; aim: under 100 ms)\n",
                meter.Count(), static_cast<long long>(meter.Longest()),
                static_cast<long long>(meter.Percentile99()));
  }

  // The folder tree opening a folder with 10,000 sub-folders.
  const fs::path many = root / "many";
  fs::create_directories(many);
  for (int i = 0; i < 10000; ++i) fs::create_directory(many / ("d" + std::to_string(i)));
  {
    TShellTreeViewS tree;
    tree.SetCheckboxes(true);
    tree.resize(500, 600);
    tree.show();
    bool opening = true;
    GapMeter treeMeter([&opening] { return opening; });
    treeMeter.Start();
    QElapsedTimer clock;
    clock.start();
    QModelIndex node;
    while (!(node = tree.NodeOfFolder(QString::fromStdString(many.string()))).isValid() &&
           clock.elapsed() < 30000)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    tree.SetSelectedFolder(QString::fromStdString(many.string()));
    tree.expand(node);
    while (tree.model()->rowCount(node) < 10000 && clock.elapsed() < 60000)
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    const qint64 loaded = clock.elapsed();
    opening = false;
    treeMeter.Stop();
    std::printf("\nfolder tree: 10,000 sub-folders shown after %lld ms; longest event-loop gap "
                "%lld ms, 99th percentile %lld ms\n",
                static_cast<long long>(loaded), static_cast<long long>(treeMeter.Longest()),
                static_cast<long long>(treeMeter.Percentile99()));
  }
  std::printf("(removing the temporary folders may take a while)\n");
  return failed ? 1 : 0;
}
