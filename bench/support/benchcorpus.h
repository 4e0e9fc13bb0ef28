// A generated corpus for the indexer and search benchmarks: many small text
// files, half of them Japanese in EUC-JP, half English, with a few words that
// every file of its kind shares so that a search has as many hits as wanted.
// BenchCorpus writes one into a private temporary folder, and BuildIndex
// indexes it with the real mknmz, the same way for every benchmark.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "core/process/cmdline.h"
#include "core/settings/settings.h"
#include "platform/platform.h"
#include "support/benchsupport.h"

namespace tavirel::bench {

// Found in every English file.
inline constexpr std::string_view SharedEnglishWord = "lantern";
// 検索 in EUC-JP; found in every Japanese file.
inline constexpr std::string_view SharedJapaneseWordEuc = "\xB8\xA1\xBA\xF7";
// The same word in Shift-JIS, as a formula is written.
inline constexpr std::string_view SharedJapaneseWordSjis = "\x8C\x9F\x8D\xF5";

struct CorpusSize {
  int files = 0;
  uint64_t bytes = 0;
};

namespace detail {

// One JIS X 0208 character in EUC-JP.
inline void AppendEuc(std::string& out, int row, int cell) {
  out += static_cast<char>(0x80 | row);
  out += static_cast<char>(0x80 | cell);
}

inline std::string JapaneseText(std::mt19937& rng, int sentences) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::string text;
  for (int s = 0; s < sentences; ++s) {
    const int chars = pick(12, 40);
    for (int i = 0; i < chars; ++i) {
      const int kind = pick(0, 9);
      if (kind < 4) {
        AppendEuc(text, pick(0x30, 0x4E), pick(0x21, 0x7E));  // level-1 kanji
      } else if (kind < 8) {
        AppendEuc(text, 0x24, pick(0x22, 0x73));  // hiragana
      } else {
        AppendEuc(text, 0x25, pick(0x22, 0x76));  // katakana
      }
    }
    if (s == 0) {
      AppendEuc(text, 0x21, 0x22);  // 、
      text += SharedJapaneseWordEuc;
    }
    AppendEuc(text, 0x21, 0x23);  // 。
    if (pick(0, 2) == 0) text += '\n';
  }
  text += '\n';
  return text;
}

inline std::string EnglishText(std::mt19937& rng, int sentences) {
  static constexpr std::string_view words[] = {
      "the", "index", "search", "file", "folder", "quick", "notes", "garden", "river",
      "museum", "tide", "walk", "morning", "letter", "window", "paper", "winter", "road",
      "station", "coffee", "market", "bridge", "library", "music", "cloud", "stone"};
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::string text;
  for (int s = 0; s < sentences; ++s) {
    const int count = pick(6, 16);
    for (int i = 0; i < count; ++i) {
      if (i > 0) text += ' ';
      text += words[pick(0, static_cast<int>(std::size(words)) - 1)];
    }
    if (s == 0) {
      text += ' ';
      text += SharedEnglishWord;
    }
    text += ".\n";
  }
  return text;
}

}  // namespace detail

// Writes `count` files into `folder` (created when missing), in sub-folders of
// 200 files each; even-numbered files are Japanese (EUC-JP), odd ones English.
// The same seed gives the same files.
inline CorpusSize WriteMixedCorpus(const std::filesystem::path& folder, int count,
                                   uint32_t seed = 20240601) {
  std::mt19937 rng(seed);
  CorpusSize size;
  for (int i = 0; i < count; ++i) {
    const std::filesystem::path sub = folder / ("part" + std::to_string(i / 200));
    std::filesystem::create_directories(sub);
    char name[32];
    std::snprintf(name, sizeof name, "doc%05d.txt", i);
    const int sentences = std::uniform_int_distribution<int>(3, 10)(rng);
    std::string text = (i % 2 == 0) ? detail::JapaneseText(rng, sentences)
                                     : detail::EnglishText(rng, sentences);
    std::ofstream out(sub / name, std::ios::binary);
    out << text;
    if (!out) return size;
    ++size.files;
    size.bytes += text.size();
  }
  return size;
}

// A benchmark's own temporary folder (see MakeBenchFolder) with `files`
// corpus files in its sub-folder "corpus", for a benchmark that runs perl and
// mknmz, and namazu when `withNamazu`: `settings` gets every key at its
// default, and so names the programs. The folder and all in it go with the
// object.
class BenchCorpus {
 public:
  BenchCorpus(const std::string& benchName, int files, TSettings& settings,
              bool withNamazu = false) {
    LoadSettings(settings, "");
    settings.IniFileName.clear();
    for (const std::string* program : {&settings.PerlPath, &settings.mknmzPath, &settings.namazuPath}) {
      if (program == &settings.namazuPath && !withNamazu) continue;
      if (!platform::FileExists(*program)) {
        std::printf("%s is not installed; nothing to measure.\n", program->c_str());
        exitCode_ = 0;
        return;
      }
    }
    root = MakeBenchFolder(benchName);
    if (root.empty()) return;
    corpus = root + "/corpus";
    size = WriteMixedCorpus(corpus, files);
    if (size.files != files) {
      std::fprintf(stderr, "cannot write the corpus to %s\n", corpus.c_str());
      return;
    }
    ready_ = true;
  }
  ~BenchCorpus() {
    std::error_code ec;
    if (!root.empty()) std::filesystem::remove_all(root, ec);
  }
  BenchCorpus(const BenchCorpus&) = delete;
  BenchCorpus& operator=(const BenchCorpus&) = delete;

  // Whether all is there. When not, the reason has been printed, and
  // ExitCode() is what the benchmark ends with: 0 when a program is missing
  // (there is nothing to measure), 1 when the folder or a file could not be
  // written or the index could not be built.
  bool Ready() const { return ready_; }
  int ExitCode() const { return exitCode_; }

  std::string root;
  std::string corpus;
  CorpusSize size;

 protected:
  bool ready_ = false;
  int exitCode_ = 1;
};

// The command line that indexes `corpus` into `index` with mknmz.
inline std::string MknmzCommandLine(const TSettings& settings, const std::string& index,
                                    const std::string& corpus) {
  auto quoted = [](const std::string& text) { return "\"" + text + "\""; };
  return quoted(settings.PerlPath) + " " + quoted(settings.mknmzPath) + " -O " + quoted(index) +
         " " + quoted(corpus);
}

// Indexes `corpus` into `index` (made when missing) with mknmz, its output
// sent to /dev/null, from `workDir`. False, with the reason printed, when
// mknmz fails or leaves no index.
inline bool BuildIndex(const TSettings& settings, const std::string& index,
                       const std::string& corpus, const std::string& workDir) {
  std::error_code ec;
  std::filesystem::create_directories(index, ec);
  if (RunHidden(SplitCommandLine(MknmzCommandLine(settings, index, corpus)), workDir) != 0 ||
      !platform::FileExists(index + "/NMZ.i")) {
    std::fprintf(stderr, "mknmz wrote no index into %s\n", index.c_str());
    return false;
  }
  return true;
}

// A BenchCorpus indexed with mknmz into the sub-folder "index" of its
// folder, for the benchmarks that run namazu.
class IndexedCorpus : public BenchCorpus {
 public:
  IndexedCorpus(const std::string& benchName, int files, TSettings& settings)
      : BenchCorpus(benchName, files, settings, true), index(root + "/index") {
    ready_ = ready_ && BuildIndex(settings, index, corpus, root);
  }

  std::string index;
};

}  // namespace tavirel::bench
