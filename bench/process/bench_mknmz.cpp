// The cost of watching mknmz: the same mknmz command run through the window's
// captured runner into a TBigView, and with its output sent to /dev/null,
// alternately in the same run, each on a fresh index of the same corpus.
//
// Writes a corpus of small text files (Japanese in EUC-JP and English) into a
// temporary folder, then times each way `runs` times. Prints every time, the
// best of each way and their ratio (captured / dev-null; the aim is 1.10 or
// less). Runs without a display: QT_QPA_PLATFORM defaults to offscreen.
//
// Usage: bench_mknmz [files [runs]]   (defaults: 2000 files, 2 runs each)

#include <stdlib.h>
#include <sys/resource.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/benchcorpus.h"
#include "support/benchsupport.h"
#include "core/settings/settings.h"
#include "ui/widgets/bigview.h"
#include "ui/process/consolerun.h"

namespace {

using namespace tavirel;
using namespace tavirel::bench;
namespace fs = std::filesystem;

// User plus system CPU seconds of this process or of its waited-for children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  const int files = CountArgument(argc, argv, 1, 2000), runs = CountArgument(argc, argv, 2, 2);

  TSettings defaults;
  const BenchCorpus corpus("bench_mknmz", files, defaults);
  if (!corpus.Ready()) return corpus.ExitCode();
  const fs::path root = corpus.root;
  std::printf("Corpus: %d files, %.2f MB (half EUC-JP Japanese, half English) in %s\n",
              corpus.size.files, corpus.size.bytes / 1e6, corpus.corpus.c_str());
  std::printf("mknmz through the captured runner into an offscreen TBigView, against the same\n"
              "command with its output sent to /dev/null; %d run(s) each, alternating.\n\n",
              runs);

  TBigView view;
  view.resize(900, 600);
  view.show();
  QApplication::processEvents();

  std::vector<double> captured, devNull;
  size_t viewLines = 0;
  bool failed = false;
  for (int run = 0; run < runs && !failed; ++run) {
    for (const bool capture : {true, false}) {
      const fs::path index =
          root / ((capture ? "index-captured-" : "index-devnull-") + std::to_string(run));
      fs::create_directories(index);
      const std::string commandLine = MknmzCommandLine(defaults, index.string(), corpus.corpus);
      const double selfBefore = CpuSeconds(RUSAGE_SELF);
      const double childrenBefore = CpuSeconds(RUSAGE_CHILDREN);
      const Clock::time_point start = Clock::now();
      if (capture) {
        view.Clear();
        if (RunConsoleProcess(commandLine, root.string(), psmCaptured, &view) == 0) failed = true;
        viewLines = static_cast<size_t>(view.LineCount());
      } else {
        if (!BuildIndex(defaults, index.string(), corpus.corpus, root.string())) failed = true;
      }
      const double seconds = Seconds(Clock::now() - start);
      const double selfCpu = CpuSeconds(RUSAGE_SELF) - selfBefore;
      const double childCpu = CpuSeconds(RUSAGE_CHILDREN) - childrenBefore;
      if (capture && !fs::exists(index / "NMZ.i")) {
        std::fprintf(stderr, "mknmz wrote no index into %s\n", index.c_str());
        failed = true;
      }
      (capture ? captured : devNull).push_back(seconds);
      std::printf("run %d  %-24s %7.3f s   CPU: mknmz %6.3f s, this process %6.3f s%s\n",
                  run + 1, capture ? "captured into TBigView" : "output to /dev/null", seconds,
                  childCpu, selfCpu,
                  capture ? (", " + std::to_string(viewLines) + " view lines").c_str() : "");
      std::fflush(stdout);
    }
  }

  if (!failed) {
    const double bestCaptured = *std::min_element(captured.begin(), captured.end());
    const double bestNull = *std::min_element(devNull.begin(), devNull.end());
    double sumCaptured = 0, sumNull = 0;
    for (double s : captured) sumCaptured += s;
    for (double s : devNull) sumNull += s;
    std::printf("\nbest: captured %.3f s, /dev/null %.3f s, ratio %.3f (aim: at most 1.10)\n",
                bestCaptured, bestNull, bestCaptured / bestNull);
    std::printf("mean: captured %.3f s, /dev/null %.3f s, ratio %.3f\n",
                sumCaptured / captured.size(), sumNull / devNull.size(),
                sumCaptured / sumNull);
  }
  return failed ? 1 : 0;
}
