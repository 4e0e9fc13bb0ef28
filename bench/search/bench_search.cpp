// What a search costs beyond namazu itself: the whole search road without the
// window (BuildSearchCommand, RunSearchCommand with RunConsoleProcess hidden,
// reading the result file, ParseResultText) against starting the same namazu
// command by hand with the platform's process API and waiting for it,
// alternately in the same run.
//
// Writes a corpus of small text files (Japanese in EUC-JP and English) and
// indexes it with mknmz, then searches for a Japanese and an English word that
// give 20 hits each. Prints the best and median times of both ways and the
// difference (the aim is at most 10 ms more).
//
// Usage: bench_search [runs [files]]   (defaults: 50 runs, 400 files)

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/search/resultlist.h"
#include "core/search/searchcmd.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "core/process/cmdline.h"
#include "core/process/runner.h"
#include "support/benchcorpus.h"
#include "support/benchsupport.h"
#include "core/settings/settings.h"

namespace {

using namespace tavirel;
using namespace tavirel::bench;

}  // namespace

int main(int argc, char** argv) {
  const int runs = CountArgument(argc, argv, 1, 50), files = CountArgument(argc, argv, 2, 400, 40);

  TSettings settings;
  const IndexedCorpus corpus("bench_search", files, settings);
  if (!corpus.Ready()) return corpus.ExitCode();
  std::printf("Indexed %d files (%.2f MB)\n", corpus.size.files, corpus.size.bytes / 1e6);
  const std::string& root = corpus.root;

  settings.DirectoryCount = "1";
  settings.IndexDirectories = {corpus.index};
  settings.ListCount = "20";
  const SearchViewState view;  // score order, summaries, --max from ListCount
  const std::string resultFolder = ResultFolder(settings, root, root);
  const SearchRunner runner = [](const std::string& commandLine, const std::string& folder) {
    return RunConsoleProcess(commandLine, folder, psmHidden, nullptr, {}) != 0 ? 1 : 0;
  };

  struct Query {
    const char* name;
    std::string formula;
  };
  const Query queries[] = {
      {"Japanese word", std::string(bench::SharedJapaneseWordSjis)},
      {"English word", std::string(bench::SharedEnglishWord)},
  };
  std::printf("%d runs of each way, alternating; times in ms\n\n", runs);
  std::printf("%-15s %-34s %8s %8s\n", "query", "way", "best", "median");
  bool failed = false;
  for (const Query& query : queries) {
    std::vector<double> road, byHand;
    size_t hits = 0;
    // The command line as the search road builds it, split as the runner
    // splits it, for the run by hand.
    const std::vector<std::string> arguments = SplitCommandLine(
        BuildSearchCommand(settings, view, query.formula, resultFolder, root, {}, false)
            .CommandLine);
    for (int i = 0; i < runs + 1; ++i) {  // the first round warms the caches
      Clock::time_point start = Clock::now();
      const SearchCommand command =
          BuildSearchCommand(settings, view, query.formula, resultFolder, root, {}, false);
      const SearchRunOutcome outcome = RunSearchCommand(settings, command, root, {}, runner);
      std::string bytes;
      if (outcome.Result != TSearchRunResult::srrResultReady ||
          !platform::ReadWholeFile(command.ResultFilePath, bytes)) {
        failed = true;
        break;
      }
      const ResultListParse parse = ParseResultText(bytes, settings);
      const double roadMs = Ms(Clock::now() - start);
      hits = parse.Hits.size();

      start = Clock::now();
      if (RunHidden(arguments, root) != 0) {
        failed = true;
        break;
      }
      const double handMs = Ms(Clock::now() - start);
      if (i > 0) {
        road.push_back(roadMs);
        byHand.push_back(handMs);
      }
    }
    if (failed) {
      std::fprintf(stderr, "the search for the %s failed\n", query.name);
      break;
    }
    const Stats r = Summarise(road);
    const Stats h = Summarise(byHand);
    std::printf("%-15s %-34s %8.2f %8.2f   (%zu hits)\n", query.name,
                "search road (build, run, read, parse)", r.best, r.median, hits);
    std::printf("%-15s %-34s %8.2f %8.2f\n", "", "namazu started by hand", h.best, h.median);
    std::printf("%-15s %-34s %8.2f %8.2f   (aim: at most 10 ms)\n\n", "", "difference",
                r.best - h.best, r.median - h.median);
    if (hits != 20) std::printf("note: %zu hits instead of 20\n\n", hits);
  }
  return failed ? 1 : 0;
}
