// What the benchmarks share besides the corpus: timing summaries, a quiet
// child process, the peak memory of this process and a private folder.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <stdlib.h>

#include "platform/platform.h"
#include "platform/process.h"

namespace tavirel::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Stats {
  double best = 0;
  double median = 0;
};

// Best and median of the runs (at least one).
inline Stats Summarise(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return {ms.front(), ms[ms.size() / 2]};
}

// The whole number in argv[index], at least `least`; `fallback` when the
// command line has none.
inline int CountArgument(int argc, char** argv, int index, int fallback, int least = 1) {
  return argc > index ? std::max(least, std::atoi(argv[index])) : fallback;
}

// Runs a program without a window and waits for it: its exit code, -1 when
// it could not start.
inline int RunHidden(const std::vector<std::string>& arguments, const std::string& workDir) {
  platform::ProcessStartInfo info;
  info.arguments = arguments;
  info.workingFolder = workDir;
  platform::ChildProcess child;
  if (!child.Start(info).started) return -1;
  return child.Wait();
}

// The peak resident memory of this process so far, in kilobytes (VmHWM).
inline long PeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return 0;
}

// A new folder of this user's in the temporary folder, named after the
// benchmark; empty (and the reason printed) when it cannot be made. Its
// ASCII path is the same bytes in Shift-JIS.
inline std::string MakeBenchFolder(const std::string& name) {
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / (name + ".XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    return {};
  }
  return pattern;
}

}  // namespace tavirel::bench
