// Throughput of the kanji code conversions and of detection, side by side
// with nkf and iconv run on the same files in the same run.
//
// Writes about 21 MB of generated Japanese text in Shift-JIS, EUC-JP and JIS
// to a temporary folder, times our conversions (in memory, and from reading
// the file to writing /dev/null) and the outside programs (as child processes
// reading the file on standard input and writing to /dev/null), best of three
// runs each, and prints MB/s (1 MB = 10^6 input bytes) and the ratios.
//
// Usage: bench_jconv [megabytes]

#include "core/jconv/jconvert.h"
#include "support/benchsupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

using namespace tavirel;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kRuns = 3;

// ---------------------------------------------------------------------------
// Test text

std::string JisChar(int j1, int j2) {
  const TBytePair p = JisToSjisPair(static_cast<uint8_t>(j1), static_cast<uint8_t>(j2));
  return {static_cast<char>(p.first), static_cast<char>(p.second)};
}

// Shift-JIS text with kanji, hiragana, katakana, punctuation, half-width
// katakana (with voiced marks), ASCII words and line breaks. Only assigned
// JIS X 0208 characters, and no backslash or tilde, so that every program
// converts all of it.
std::string MakeSjisText(size_t minBytes) {
  std::mt19937 rng(20240601);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* words[] = {"Namazu", "index", "search", "mknmz", "2024", "HTML", "the",
                         "file", "text", "42", "query", "and", "or", "not", "URL"};
  const int punct[][2] = {{0x21, 0x22}, {0x21, 0x23}, {0x21, 0x56}, {0x21, 0x57},
                          {0x21, 0x3C}, {0x21, 0x26}};
  std::string text;
  text.reserve(minBytes + 256);
  while (text.size() < minBytes) {
    const int lineChars = pick(10, 70);
    for (int i = 0; i < lineChars; ++i) {
      const int kind = pick(0, 99);
      if (kind < 35) {  // level-1 kanji
        text += JisChar(pick(0x30, 0x4E), pick(0x21, 0x7E));
      } else if (kind < 60) {  // hiragana
        text += JisChar(0x24, pick(0x21, 0x73));
      } else if (kind < 70) {  // katakana
        text += JisChar(0x25, pick(0x21, 0x76));
      } else if (kind < 75) {
        const auto& p = punct[pick(0, 5)];
        text += JisChar(p[0], p[1]);
      } else if (kind < 80) {  // half-width katakana, sometimes with a mark
        const int k = pick(0xA6, 0xDD);
        text += static_cast<char>(k);
        const int mark = pick(0, 5);
        if (mark == 0) text += '\xDE';
        if (mark == 1) text += '\xDF';
      } else if (kind < 97) {
        text += words[pick(0, 14)];
        text += ' ';
      } else {
        text += static_cast<char>(pick('!', '/'));
      }
    }
    text += '\n';
  }
  return text;
}

std::string MakeAsciiText(size_t minBytes) {
  std::string line = "The quick brown fox jumps over the lazy dog. 0123456789 <html> [a=b]\n";
  std::string text;
  text.reserve(minBytes + line.size());
  while (text.size() < minBytes) text += line;
  return text;
}

// ---------------------------------------------------------------------------
// Timing

template <class F>
double BestSeconds(F&& f) {
  double best = 1e100;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = Clock::now();
    f();
    const std::chrono::duration<double> d = Clock::now() - start;
    best = std::min(best, d.count());
  }
  return best;
}

bool WriteFile(const fs::path& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

std::string ReadFile(const fs::path& path) {
  std::string data;
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return data;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    data.append(buffer, static_cast<size_t>(got));
  }
  close(fd);
  return data;
}

void WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
}

// Runs `argv` with standard input from `input` and standard output to
// `output`; the exit status, or nothing when it could not be started.
std::optional<int> RunChild(const std::vector<std::string>& argv, const fs::path& input,
                            const fs::path& output) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return std::nullopt;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return std::nullopt;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool ProgramExists(const char* name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = std::min(dirs.find(':', start), dirs.size());
    const fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
    if (access(candidate.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

// Closing escapes written differently by different programs: ESC ( B and
// ESC ( J both end a two-byte run, and a run may or may not be closed at the
// end of the text.
std::string NormaliseJis(std::string s) {
  size_t pos = 0;
  while ((pos = s.find("\x1b(B", pos)) != std::string::npos) s[pos + 2] = 'J';
  if (s.size() >= 3 && s.compare(s.size() - 3, 3, "\x1b(J") == 0) s.resize(s.size() - 3);
  return s;
}

struct ExternalResult {
  std::string mbps = "-";
  std::string ratio = "-";
  std::string check = "";
};

struct Row {
  const char* name;
  std::string input;        // file contents
  fs::path file;
  TKanjiCode target;
  std::vector<std::string> nkf;
  std::vector<std::string> iconv;
  bool jisOutput;
};

std::string Format(const char* fmt, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, fmt, v);
  return buf;
}

// Times one outside program; compares its output once with ours.
ExternalResult TimeExternal(const std::vector<std::string>& argv, const Row& row,
                            const std::string& ours, double oursE2eSeconds, bool available,
                            const fs::path& scratch) {
  ExternalResult r;
  if (!available) {
    r.check = "not installed";
    return r;
  }
  std::optional<int> status;
  const double seconds = BestSeconds([&] { status = RunChild(argv, row.file, "/dev/null"); });
  if (!status) {
    r.check = "could not start";
    return r;
  }
  const double mb = static_cast<double>(row.input.size()) / 1e6;
  r.mbps = Format("%.0f", mb / seconds);
  r.ratio = Format("%.2fx", seconds / oursE2eSeconds);
  const auto again = RunChild(argv, row.file, scratch);
  std::string theirs = ReadFile(scratch);
  if (*status != 0 || !again || *again != 0) {
    r.check = "exit status " + std::to_string(*status);
  } else if (row.jisOutput ? NormaliseJis(theirs) == NormaliseJis(ours) : theirs == ours) {
    r.check = "same output";
  } else {
    r.check = "output differs";
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const double megabytes = argc > 1 ? std::atof(argv[1]) : 21.0;
  const size_t size = static_cast<size_t>(std::max(1.0, megabytes) * 1e6);

  std::error_code ec;
  const std::string folder = bench::MakeBenchFolder("bench_jconv");
  if (folder.empty()) return 1;
  const fs::path dir = folder;

  std::printf("Generating test texts in %s ...\n", dir.c_str());
  const std::string sjis = MakeSjisText(size);
  const std::string euc = SjisToEuc(sjis);
  const std::string jis = SjisToJis(sjis);  // half-width kana become full-width
  const std::string ascii = MakeAsciiText(size);
  if (EucToSjis(euc) != sjis || DetectKanjiCode(sjis) != kcSjis ||
      DetectKanjiCode(euc) != kcEuc || DetectKanjiCode(jis) != kcJisNew) {
    std::fprintf(stderr, "generated texts are not what they should be\n");
    fs::remove_all(dir, ec);
    return 1;
  }
  const fs::path sjisFile = dir / "sjis.txt", eucFile = dir / "euc.txt",
                 jisFile = dir / "jis.txt", asciiFile = dir / "ascii.txt",
                 scratch = dir / "out.txt";
  if (!WriteFile(sjisFile, sjis) || !WriteFile(eucFile, euc) || !WriteFile(jisFile, jis) ||
      !WriteFile(asciiFile, ascii)) {
    std::fprintf(stderr, "cannot write the test files to %s\n", dir.c_str());
    fs::remove_all(dir, ec);
    return 1;
  }
  std::printf("Shift-JIS %.1f MB, EUC-JP %.1f MB, JIS %.1f MB, ASCII %.1f MB; best of %d runs\n\n",
              sjis.size() / 1e6, euc.size() / 1e6, jis.size() / 1e6, ascii.size() / 1e6, kRuns);

  const bool haveNkf = ProgramExists("nkf");
  const bool haveIconv = ProgramExists("iconv");
  if (!haveNkf) std::printf("nkf is not installed: its columns stay empty.\n");
  if (!haveIconv) std::printf("iconv is not installed: its columns stay empty.\n");

  // nkf: -x keeps half-width kana where we keep them (to Shift-JIS and EUC);
  // to JIS both we and nkf without -x turn them into full-width kana.
  // iconv: plain ISO-2022-JP has no half-width kana, so Shift-JIS -> JIS uses
  // ISO-2022-JP-3, which writes them as JIS X 0201 kana (ESC ( I).
  const std::vector<Row> rows = {
      {"EUC -> Shift-JIS", euc, eucFile, kcSjis, {"nkf", "-E", "-s", "-x"},
       {"iconv", "-f", "EUC-JP", "-t", "SHIFT_JIS"}, false},
      {"JIS -> Shift-JIS", jis, jisFile, kcSjis, {"nkf", "-J", "-s", "-x"},
       {"iconv", "-f", "ISO-2022-JP", "-t", "SHIFT_JIS"}, false},
      {"Shift-JIS -> JIS", sjis, sjisFile, kcJisNew, {"nkf", "-S", "-j"},
       {"iconv", "-f", "SHIFT_JIS", "-t", "ISO-2022-JP-3"}, true},
      {"Shift-JIS -> EUC", sjis, sjisFile, kcEuc, {"nkf", "-S", "-e", "-x"},
       {"iconv", "-f", "SHIFT_JIS", "-t", "EUC-JP"}, false},
  };

  std::printf("%-18s %9s %9s | %9s %8s  %-15s | %9s %8s  %s\n", "conversion", "ours mem",
              "ours e2e", "nkf", "vs nkf", "nkf check", "iconv", "vs iconv", "iconv check");
  std::printf("%-18s %9s %9s | %9s %8s  %-15s | %9s %8s\n", "", "MB/s", "MB/s", "MB/s",
              "", "", "MB/s", "");
  const int devNull = open("/dev/null", O_WRONLY);
  for (const Row& row : rows) {
    const double mb = row.input.size() / 1e6;
    std::string ours;
    const double memSeconds = BestSeconds([&] { ours = ConvertKanjiCode(row.input, row.target); });
    // From the file to /dev/null, as the outside programs do it.
    const double e2eSeconds = BestSeconds([&] {
      const std::string in = ReadFile(row.file);
      WriteAll(devNull, ConvertKanjiCode(in, row.target));
    });
    const ExternalResult nkf = TimeExternal(row.nkf, row, ours, e2eSeconds, haveNkf, scratch);
    const ExternalResult iconv =
        TimeExternal(row.iconv, row, ours, e2eSeconds, haveIconv, scratch);
    std::printf("%-18s %9.0f %9.0f | %9s %8s  %-15s | %9s %8s  %s\n", row.name, mb / memSeconds,
                mb / e2eSeconds, nkf.mbps.c_str(), nkf.ratio.c_str(), nkf.check.c_str(),
                iconv.mbps.c_str(), iconv.ratio.c_str(), iconv.check.c_str());
  }
  if (devNull >= 0) close(devNull);
  std::printf("(\"vs\" = our file-to-/dev/null speed over theirs; JIS output compared "
              "with ESC ( B read as ESC ( J)\n\n");

  // Detection.
  {
    volatile int sink = 0;
    const int calls = 200000;
    const double early = BestSeconds([&] {
      for (int i = 0; i < calls; ++i) sink = sink + DetectKanjiCode(sjis);
    });
    std::printf("DetectKanjiCode, %.1f MB Shift-JIS text decided early: %.0f ns per call\n",
                sjis.size() / 1e6, early / calls * 1e9);
    const double all = BestSeconds([&] { sink = sink + DetectKanjiCode(ascii); });
    std::printf("DetectKanjiCode, %.1f MB all-ASCII text (scanned to the end): %.0f MB/s\n",
                ascii.size() / 1e6, ascii.size() / 1e6 / all);
    if (haveNkf) {
      std::optional<int> status;
      const double g =
          BestSeconds([&] { status = RunChild({"nkf", "-g"}, asciiFile, "/dev/null"); });
      if (status)
        std::printf("  for reference, nkf -g on the same ASCII file: %.0f MB/s\n",
                    ascii.size() / 1e6 / g);
      const double gs =
          BestSeconds([&] { status = RunChild({"nkf", "-g"}, sjisFile, "/dev/null"); });
      if (status)
        std::printf("  for reference, nkf -g on the Shift-JIS file: %.1f ms per call\n",
                    gs * 1e3);
    }
  }

  fs::remove_all(dir, ec);
  return 0;
}
