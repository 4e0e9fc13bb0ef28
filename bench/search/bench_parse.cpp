// Throughput of ParseResultText on a large result file (10,000 hits written by
// namazu), side by side with a floor: one pass that only finds the line breaks
// and copies the bytes, the least any parser of the file has to do.
//
// Prints the best and the median of N runs in MB/s (1 MB = 10^6 input bytes);
// the aim for ParseResultText is at least 200 MB/s. The page faults per run
// count the first touches of fresh memory, which some virtual machines make
// expensive: ParseResultText writes two outputs the size of the file, the
// floor one. The file is shared test
// data that other machines may not have: then the program says so and exits 0.
//
// A second table measures the result list of a search with Japanese file
// names: the same file with every file name percent-encoded as namazu
// --no-decode-uri writes a Japanese name and every title made from that name,
// made readable (ReadableResultText) and parsed, beside parsing alone.
//
// Usage: bench_parse [runs] [file]   (defaults: 20 runs, result-10k.txt)

#include "core/search/hitnames.h"
#include "core/search/resultlist.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace tavirel;
using Clock = std::chrono::steady_clock;

struct Timing {
  double best = 0;
  double median = 0;
  double faults = 0;  // page faults per run: first touches of fresh memory
};

long MinorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

Timing Time(int runs, const std::function<void()>& work) {
  std::vector<double> seconds;
  const long faultsBefore = MinorFaults();
  for (int i = 0; i < runs; ++i) {
    const Clock::time_point start = Clock::now();
    work();
    seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  const double faults = static_cast<double>(MinorFaults() - faultsBefore) / runs;
  std::sort(seconds.begin(), seconds.end());
  return {seconds.front(), seconds[seconds.size() / 2], faults};
}

volatile size_t sink;  // keeps the results of the timed work alive

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const std::string path =
      argc > 2 ? std::string(argv[2]) : std::string(TAVIREL_SHARED_DATA) + "/result-10k.txt";

  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::printf("%s is not on this machine; nothing to measure.\n", path.c_str());
    return 0;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  const std::string bytes = buffer.str();
  const double megabytes = bytes.size() / 1e6;

  const ResultListParse check = ParseResultText(bytes, 2, 2);
  std::printf("%s: %.2f MB, %zu hits recognised; best and median of %d runs\n\n", path.c_str(),
              megabytes, check.Hits.size(), runs);
  if (!check.Found || check.Hits.empty()) {
    std::fprintf(stderr, "no hits recognised: not a result file?\n");
    return 1;
  }

  const Timing parse = Time(runs, [&] {
    const ResultListParse result = ParseResultText(bytes, 2, 2);
    sink = result.Hits.size() + result.Text.size();
  });
  const Timing hits = Time(runs, [&] {
    const ResultHitList result = FindResultHits(bytes, 2, 2);
    sink = result.Hits.size();
  });
  const Timing floor = Time(runs, [&] {
    // Find every line break and copy the lines, as the rejoined text needs.
    std::string copy;
    copy.reserve(bytes.size() + bytes.size() / 16);
    size_t lines = 0;
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p < end) {
      const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      const char* stop = lf != nullptr ? lf : end;
      copy.append(p, static_cast<size_t>(stop - p));
      copy.append("\r\n", 2);
      ++lines;
      p = stop + 1;
    }
    sink = copy.size() + lines;
  });

  std::printf("%-36s %10s %10s %12s\n", "", "best MB/s", "median", "faults/run");
  std::printf("%-36s %10.1f %10.1f %12.0f\n", "ParseResultText", megabytes / parse.best,
              megabytes / parse.median, parse.faults);
  std::printf("%-36s %10.1f %10.1f %12.0f\n", "FindResultHits (the hit list's parse)",
              megabytes / hits.best, megabytes / hits.median, hits.faults);
  std::printf("%-36s %10.1f %10.1f %12.0f\n", "floor: split lines and copy",
              megabytes / floor.best, megabytes / floor.median, floor.faults);
  std::printf("\nParseResultText takes %.2f times as long as the floor (best); aim: at least "
              "200 MB/s -> %s\n",
              parse.best / floor.best, megabytes / parse.best >= 200 ? "met" : "NOT met");

  // The same hits with Japanese file names, as namazu --no-decode-uri writes
  // them: the file-name line percent-encoded, the title made from the name.
  const std::string name = "\xE6\x97\x85\xE8\xA1\x8C\xE3\x81\xAE\xE8\xA6\x9A\xE3\x81\x88.txt";
  std::string encodedName;
  for (unsigned char c : name) {
    char hex[4];
    std::snprintf(hex, sizeof hex, c >= 0x80 ? "%%%02X" : "%c", c);
    encodedName += hex;
  }
  std::string japanese;
  japanese.reserve(bytes.size() * 2);
  for (size_t i = 0; i < check.Hits.size(); ++i) {
    japanese += std::to_string(i + 1) + ". " + NamazuTitleForFileName(name) +
                " (score: 1)\nsummary line\n/home/user/docs/%E8%B3%87%E6%96%99/" +
                std::to_string(i) + encodedName + " (1,234 bytes)\n\n\n\n\n";
  }
  japanese = "header\n\n" + japanese + "footer\n";
  const double japaneseMegabytes = japanese.size() / 1e6;
  const ResultListParse readable =
      ParseResultText(ReadableResultText(japanese, 2, 2), 2, 2);
  std::printf("\nJapanese file names: %.2f MB, %zu hits\n", japaneseMegabytes,
              readable.Hits.size());
  const Timing decoded = Time(runs, [&] {
    const ResultListParse result = ParseResultText(ReadableResultText(japanese, 2, 2), 2, 2);
    sink = result.Hits.size();
  });
  const Timing plain = Time(runs, [&] {
    const ResultListParse result = ParseResultText(japanese, 2, 2);
    sink = result.Hits.size();
  });
  std::printf("%-36s %10s %10s\n", "", "best MB/s", "median");
  std::printf("%-36s %10.1f %10.1f\n", "ReadableResultText + parse",
              japaneseMegabytes / decoded.best, japaneseMegabytes / decoded.median);
  std::printf("%-36s %10.1f %10.1f\n", "parse alone", japaneseMegabytes / plain.best,
              japaneseMegabytes / plain.median);
  return 0;
}
