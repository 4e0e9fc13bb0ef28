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

#include "platform/platform.h"
#include "platform/process.h"
#include "core/process/cmdline.h"
#include "support/benchcorpus.h"
#include "support/benchsupport.h"
#include "core/settings/settings.h"
#include "ui/widgets/bigview.h"
#include "ui/process/consolerun.h"

namespace {

using namespace tavirel;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// User plus system CPU seconds of this process or of its waited-for children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Starts the command line with the platform's process API, output to
// /dev/null, in the same environment as every console program, and waits.
int RunToDevNull(const std::string& commandLine, const std::string& workDir) {
  platform::ProcessStartInfo info;
  info.arguments = SplitCommandLine(commandLine);
  info.workingFolder = workDir;
  info.show = platform::ConsoleShow::Hidden;
  info.captureOutput = false;  // standard output and error go to /dev/null
  platform::ChildProcess child;
  if (!child.Start(info).started) return -1;
  return child.Wait();
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;

  TSettings defaults;
  LoadSettings(defaults, "");  // every key at its default
  if (!platform::FileExists(defaults.PerlPath) || !platform::FileExists(defaults.mknmzPath)) {
    std::printf("mknmz (%s) or perl (%s) is not installed; nothing to measure.\n",
                defaults.mknmzPath.c_str(), defaults.PerlPath.c_str());
    return 0;
  }

  std::error_code ec;
  const std::string folder = bench::MakeBenchFolder("bench_mknmz");
  if (folder.empty()) return 1;
  const fs::path root = folder;
  const fs::path corpus = root / "corpus";
  const bench::CorpusSize size = bench::WriteMixedCorpus(corpus, files);
  if (size.files != files) {
    std::fprintf(stderr, "cannot write the corpus to %s\n", corpus.c_str());
    fs::remove_all(root, ec);
    return 1;
  }
  std::printf("Corpus: %d files, %.2f MB (half EUC-JP Japanese, half English) in %s\n",
              size.files, size.bytes / 1e6, corpus.c_str());
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
      const std::string commandLine = Quoted(defaults.PerlPath) + " " +
                                      Quoted(defaults.mknmzPath) + " -O " +
                                      Quoted(index.string()) + " " + Quoted(corpus.string());
      const double selfBefore = CpuSeconds(RUSAGE_SELF);
      const double childrenBefore = CpuSeconds(RUSAGE_CHILDREN);
      const Clock::time_point start = Clock::now();
      if (capture) {
        view.Clear();
        if (RunConsoleProcess(commandLine, root.string(), psmCaptured, &view) == 0) failed = true;
        viewLines = static_cast<size_t>(view.LineCount());
      } else {
        if (RunToDevNull(commandLine, root.string()) != 0) failed = true;
      }
      const double seconds = Seconds(Clock::now() - start);
      const double selfCpu = CpuSeconds(RUSAGE_SELF) - selfBefore;
      const double childCpu = CpuSeconds(RUSAGE_CHILDREN) - childrenBefore;
      if (!fs::exists(index / "NMZ.i")) {
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
  fs::remove_all(root, ec);
  return failed ? 1 : 0;
}
