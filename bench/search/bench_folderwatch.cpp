// Watching the document folders of an index: setting up watches over 10,000
// folders (time, memory), the CPU used while nothing changes, and the search
// road (BuildSearchCommand, RunSearchCommand, ParseResultText) with the
// watches in place against the same road without them, alternately in the
// same run. The aim: the road costs at most 1 ms more with watching on.
//
// Usage: bench_folderwatch [folders [runs]]   (defaults: 10000 folders, 30 runs)

#include <poll.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/process/runner.h"
#include "core/search/resultlist.h"
#include "core/search/searchcmd.h"
#include "core/settings/settings.h"
#include "platform/folderwatch.h"
#include "platform/platform.h"
#include "support/benchsupport.h"

namespace {

using namespace tavirel;
using namespace tavirel::bench;
namespace fs = std::filesystem;

double CpuMs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

}  // namespace

int main(int argc, char** argv) {
  const int folders = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;
  const std::string root = MakeBenchFolder("bench_folderwatch");
  if (root.empty()) return 1;
  std::error_code ec;
  // 100 folders of 100 (or as many as asked), one small file in each.
  const std::string docs = root + "/docs";
  for (int i = 0; i < folders; ++i) {
    const std::string folder = docs + "/" + std::to_string(i / 100) + "/" + std::to_string(i % 100);
    fs::create_directories(folder, ec);
    if (i % 100 == 0) std::ofstream(folder + "/apple.txt") << "apple " << i << "\n";
  }

  const long memoryBefore = PeakKb();
  Clock::time_point start = Clock::now();
  platform::TFolderWatcher watcher(folders + 1000);
  const platform::TWatchResult result = watcher.Watch(0, docs);
  const double setupMs = Ms(Clock::now() - start);
  std::printf("Watching %zu folders: %s, set up in %.1f ms, memory +%ld kB (this process; the "
              "kernel keeps about 1 kB a watch besides)\n",
              watcher.WatchCount(),
              result == platform::TWatchResult::wrWatching ? "all watched" : "a limit was reached",
              setupMs, PeakKb() - memoryBefore);

  // Idle: waiting for changes as the event loop waits, for two seconds.
  const double cpuBefore = CpuMs();
  pollfd fd{watcher.Handle(), POLLIN, 0};
  ::poll(&fd, 1, 2000);
  std::printf("CPU while idle for 2 s: %.2f ms\n", CpuMs() - cpuBefore);

  TSettings settings;
  LoadSettings(settings, "");
  if (!platform::FileExists(settings.namazuPath) || !platform::FileExists(settings.mknmzPath)) {
    std::printf("namazu or mknmz is not installed; the search road is not measured.\n");
    fs::remove_all(root, ec);
    return 0;
  }
  const std::string index = root + "/index";
  fs::create_directories(index, ec);
  if (RunHidden({settings.PerlPath, settings.mknmzPath, "-q", "-O", index, docs}, root) != 0) {
    std::fprintf(stderr, "could not build the index in %s\n", index.c_str());
    fs::remove_all(root, ec);
    return 1;
  }
  watcher.ReadChanges();  // mknmz read the folders; nothing of that counts
  settings.DirectoryCount = "1";
  settings.IndexDirectories = {index};
  const std::string results = root + "/results";
  fs::create_directories(results, ec);
  const SearchRunner runner = [](const std::string& commandLine, const std::string& folder) {
    return RunConsoleProcess(commandLine, folder, psmHidden, nullptr, {}) != 0 ? 1 : 0;
  };
  auto road = [&](bool watching) {
    const Clock::time_point begin = Clock::now();
    const SearchCommand command =
        BuildSearchCommand(settings, {}, "apple", results, root, {}, false);
    RunSearchCommand(settings, command, root, {}, runner);
    std::string bytes;
    platform::ReadWholeFile(command.ResultFilePath, bytes);
    ParseResultText(bytes, settings);
    if (watching) watcher.ReadChanges();  // what the event loop does when woken
    return Ms(Clock::now() - begin);
  };
  std::vector<double> on, off;
  for (int i = 0; i < runs + 1; ++i) {  // the first round warms the caches
    const double withWatch = road(true);
    const double without = road(false);
    if (i > 0) {
      on.push_back(withWatch);
      off.push_back(without);
    }
  }
  const Stats a = Summarise(on), b = Summarise(off);
  std::printf("\nsearch road, %d runs each, ms   best   median\n", runs);
  std::printf("  watching on                %6.2f %8.2f\n", a.best, a.median);
  std::printf("  watching off               %6.2f %8.2f\n", b.best, b.median);
  std::printf("  difference (median)        %+.2f (aim: at most +1 ms)\n", a.median - b.median);
  fs::remove_all(root, ec);
  return 0;
}
