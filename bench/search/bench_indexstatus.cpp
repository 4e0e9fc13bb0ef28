// The index check before a search (ReadIndexStatus: the files namazu needs,
// NMZ.status, the tail of NMZ.log, the lock file) against the search itself
// (namazu started for the same index and waited for), in the same run.
//
// Builds an index of a generated corpus with mknmz, then gives its NMZ.log
// the length of years of daily updates, which the check must not feel.
// Prints the best and median time of the check, of the search, and of both
// one after the other. The aim: the check adds under 1 ms.
//
// Usage: bench_indexstatus [runs [files]]   (defaults: 30 runs, 200 files)

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/search/indexstatus.h"
#include "core/settings/settings.h"
#include "support/benchcorpus.h"
#include "support/benchsupport.h"

namespace {

using namespace tavirel;
using namespace tavirel::bench;
namespace fs = std::filesystem;

}  // namespace

int main(int argc, char** argv) {
  const int runs = CountArgument(argc, argv, 1, 30, 3);
  const int files = CountArgument(argc, argv, 2, 200, 40);
  TSettings settings;
  const IndexedCorpus corpus("bench_indexstatus", files, settings);
  if (!corpus.Ready()) return corpus.ExitCode();
  const std::string &root = corpus.root, &index = corpus.index;
  {
    // About three years of daily updates.
    std::ofstream log(index + "/NMZ.log", std::ios::app | std::ios::binary);
    for (int day = 0; day < 1000; ++day)
      log << "[Append]\nDate:                Tue Dec  8 05:39:21 2026\nAdded Documents:     1\n"
             "Deleted Documents:   1\nSize (bytes):        14\nTotal Documents:     "
          << files << "\nAdded Keywords:      3\nTotal Keywords:      435\n"
             "Wakati:              module_kakasi -ieuc -oeuc -w\nSystem:              linux\n"
             "Perl:                5.036000\nNamazu:              2.0.21\n\n";
  }
  std::error_code ec;
  std::printf("index of %d files, NMZ.log %.0f KB; %d runs, times in ms\n", files,
              static_cast<double>(fs::file_size(index + "/NMZ.log", ec)) / 1024, runs);

  const std::vector<std::string> search = {settings.namazuPath, "--max=20", "--output=" + root + "/r.txt",
                                           std::string(bench::SharedEnglishWord), index};
  std::vector<double> check, road, both;
  TIndexStatus status;
  for (int i = 0; i <= runs; ++i) {  // the first round warms the caches
    auto t0 = Clock::now();
    status = ReadIndexStatus(index);
    auto t1 = Clock::now();
    RunHidden(search, root);
    auto t2 = Clock::now();
    status = ReadIndexStatus(index);
    RunHidden(search, root);
    auto t3 = Clock::now();
    if (i == 0) continue;
    check.push_back(Ms(t1 - t0));
    road.push_back(Ms(t2 - t1));
    both.push_back(Ms(t3 - t2));
  }
  const Stats c = Summarise(check), r = Summarise(road), b = Summarise(both);
  std::printf("%-30s %8s %8s\n", "", "best", "median");
  std::printf("%-30s %8.3f %8.3f   (%s)\n", "index check", c.best, c.median,
              status.State == TIndexState::Index ? "an index" : "NOT an index");
  std::printf("%-30s %8.3f %8.3f\n", "namazu search", r.best, r.median);
  std::printf("%-30s %8.3f %8.3f\n", "check, then search", b.best, b.median);
  std::printf("documents %lld, last update %04d/%02d/%02d; aim: the check under 1 ms\n",
              static_cast<long long>(status.Documents), status.LastUpdate.Year,
              status.LastUpdate.Month, status.LastUpdate.Day);
  return 0;
}
