// A generated corpus for the indexer and search benchmarks: many small text
// files, half of them Japanese in EUC-JP, half English, with a few words that
// every file of its kind shares so that a search has as many hits as wanted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

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

}  // namespace tavirel::bench
