// Time of DecodeMimeHeader on one header line holding N encoded words, for N
// from 12,500 to 100,000 (and more when asked), side by side in the same run
// with the plain rescanning decoder (every word erased and replaced in the
// whole line, the search started again from the front), which is quadratic;
// that one runs only up to 50,000 words and once, so that the run stays
// short. A second shape has N prefixes that are never closed. Best of three
// runs for ours.
//
// Usage: bench_mimeheader [largest-word-count]

#include "core/jconv/jconvert.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace tavirel;
using Clock = std::chrono::steady_clock;

double BestSeconds(const std::function<size_t()>& run, size_t& sink) {
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    const auto start = Clock::now();
    sink += run();
    best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
  }
  return best;
}

std::string Rescanning(std::string_view line) {
  const std::string prefix = "=?ISO-2022-JP?B?";
  std::string result(line);
  std::string search(line);
  for (char& ch : search)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  size_t from = 0;
  for (size_t p; (p = search.find(prefix, from)) != std::string::npos;) {
    result.erase(p, prefix.size());
    search.erase(p, prefix.size());
    const size_t q = result.find("?=", p);
    if (q != std::string::npos) {
      const std::string decoded = DecodeBase64(std::string_view(result).substr(p, q - p));
      result.replace(p, q + 2 - p, decoded);
      search.replace(p, q + 2 - p, decoded);
    }
    from = p >= 15 ? p - 15 : 0;
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const long largest = argc > 1 ? std::max(1L, std::atol(argv[1])) : 100000;
  constexpr long kReferenceLimit = 50000;
  // "てすと" in JIS, encoded; a blank between the words as mailers write them.
  const std::string word = "=?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?= ";
  const std::string unclosed = "=?iso-2022-jp?b?GyRC ";
  size_t sink = 0;

  std::printf("%-10s %9s %10s %12s %14s %8s\n", "shape", "words", "MB", "ours (s)",
              "rescanning (s)", "ratio");
  for (const auto& [name, piece] : {std::pair{"words", word}, std::pair{"unclosed", unclosed}}) {
    for (long n = 12500; n <= largest; n *= 2) {
      std::string line;
      line.reserve(piece.size() * static_cast<size_t>(n));
      for (long i = 0; i < n; ++i) line += piece;
      const double ours = BestSeconds([&] { return DecodeMimeHeader(line).size(); }, sink);
      if (n <= kReferenceLimit) {
        // One run: the quadratic decoder takes seconds here.
        std::string expected;
        const auto start = Clock::now();
        expected = Rescanning(line);
        const double reference = std::chrono::duration<double>(Clock::now() - start).count();
        if (DecodeMimeHeader(line) != expected) {
          std::fprintf(stderr, "results differ for %s, %ld words\n", name, n);
          return 1;
        }
        std::printf("%-10s %9ld %10.2f %12.4f %14.4f %8.1f\n", name, n, line.size() / 1e6, ours,
                    reference, reference / ours);
      } else {
        std::printf("%-10s %9ld %10.2f %12.4f %14s %8s\n", name, n, line.size() / 1e6, ours,
                    "-", "-");
      }
    }
  }
  // A 45 MB header line of words.
  std::string big;
  while (big.size() < 45'000'000) big += word;
  const double bigSeconds = BestSeconds([&] { return DecodeMimeHeader(big).size(); }, sink);
  std::printf("%-10s %9zu %10.2f %12.4f\n", "45MB", big.size() / word.size(), big.size() / 1e6,
              bigSeconds);
  return sink == 0 ? 1 : 0;
}
