// Finding a formula's words in a 10 MB Shift-JIS document (what the text
// view marks when a hit opens) against a plain byte search (memmem) for the
// same words over the same text, in the same run.
//
// The document mixes Japanese (kanji, kana with trail bytes that look like
// ASCII letters, half-width katakana, full-width letters) and English. The
// formulas: one word, four words with a phrase and a wildcard, and sixteen
// words, and two regular expressions (slower, as they are in namazu).
// Then the summaries of a real 9,699-hit result list. Prints the best and median of the runs.
//
// Usage: bench_highlight [runs [megabytes]]   (defaults: 15 runs, 10 MB)

#include <string.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/search/resultlist.h"
#include "core/search/searchwords.h"
#include "platform/platform.h"
#include "support/benchsupport.h"

namespace {

using namespace tavirel;
using namespace tavirel::bench;

std::string Sjis(const char* utf8) { return platform::Utf8ToCp932(utf8).value_or(""); }

std::string MakeDocument(size_t bytes) {
  const char* pieces[] = {
      "検索エンジンのインデックスを更新しました。", "温泉旅館の予約について", "会議室",
      "ﾃﾞｰﾀﾍﾞｰｽ", "データベース", "ＬＩＮＵＸ", "Linux kernel", "quick indexing",
      "namazu", "the internet and intranet", "東京都庁", "ソフトウェア", "インターフェイス",
      "お知らせ", "は", "を", "、", "。", "\n", "mail", "2026年12月8日", "ｶﾚﾝﾀﾞｰ",
  };
  std::vector<std::string> sjis;
  for (const char* p : pieces) sjis.push_back(Sjis(p));
  std::string doc;
  doc.reserve(bytes + 64);
  unsigned seed = 12345;
  while (doc.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    doc += sjis[(seed >> 16) % sjis.size()];
    if ((seed >> 8) % 7 == 0) doc += ' ';
  }
  return doc;
}


// The reference: every word's bytes looked for with memmem, no case, no
// forms, no character boundaries.
size_t PlainSearch(const std::string& doc, const std::vector<std::string>& needles) {
  size_t hits = 0;
  for (const std::string& n : needles) {
    if (n.empty()) continue;
    const char* p = doc.data();
    const char* end = doc.data() + doc.size();
    while (const void* f = memmem(p, static_cast<size_t>(end - p), n.data(), n.size())) {
      ++hits;
      p = static_cast<const char*>(f) + 1;
    }
  }
  return hits;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const size_t megabytes = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
  const std::string doc = MakeDocument(megabytes * 1000 * 1000);
  std::printf("document: %zu bytes, %d runs\n", doc.size(), runs);

  struct Formula {
    const char* name;
    const char* formula;
  };
  const Formula formulas[] = {
      {"1 word", "linux"},
      {"4 words", "データベース and \"quick indexing\" inter* 会議"},
      {"16 words",
       "linux or namazu or 温泉 or 旅館 or 会議 or 東京 or 都庁 or ソフト* or *net or "
       "カレンダー or お知らせ or 予約 or 検索 or mail or インターフェイス or 更新"},
      {"regex", "/インター?フェ[イー]ス/ or /^int.*net$/"},
  };
  std::printf("%-9s %8s %12s %12s %12s %12s\n", "formula", "marks", "find best", "find median",
              "memmem best", "memmem med.");
  for (const Formula& f : formulas) {
    const std::vector<TSearchWord> words = ExtractSearchWords(Sjis(f.formula));
    std::vector<std::string> needles;
    for (const TSearchWord& w : words) needles.push_back(w.Parts.empty() ? w.Text : w.Parts[0]);
    std::vector<double> findMs, plainMs;
    size_t marks = 0, plain = 0;
    for (int r = 0; r < runs; ++r) {
      auto t0 = Clock::now();
      TWordFinder finder(words);
      marks = finder.Find(doc).size();
      auto t1 = Clock::now();
      plain = PlainSearch(doc, needles);
      auto t2 = Clock::now();
      findMs.push_back(Ms(t1 - t0));
      plainMs.push_back(Ms(t2 - t1));
    }
    const Stats a = Summarise(findMs), b = Summarise(plainMs);
    std::printf("%-9s %8zu %9.1f ms %9.1f ms %9.1f ms %9.1f ms   (memmem hits %zu)\n", f.name,
                marks, a.best, a.median, b.best, b.median, plain);
  }
  std::printf("aim: find under 100 ms for the 10 MB document\n");

#ifdef TAVIREL_SHARED_DATA
  // The summaries of a real 9,699-hit result list with its 16-word formula.
  std::string result;
  if (platform::ReadWholeFile(TAVIREL_SHARED_DATA "/result-10k.txt", result)) {
    const ResultListParse parse = ParseResultText(result, 1, 2);
    const std::string formula =
        "\x82\xcc the example \x82\xc9 \x82\xf0 \x82\xcd a to of \x82\xb7\x82\xe9 "
        "\x82\xc6 is \x82\xc5 \x82\xaa in you";  // の the example に を は a to of する と is で が in you
    const std::vector<TSearchWord> words = ExtractSearchWords(formula);
    std::vector<std::string> needles;
    for (const TSearchWord& w : words) needles.push_back(w.Text);
    std::vector<double> findMs, plainMs;
    size_t marks = 0, plain = 0;
    for (int r = 0; r < runs; ++r) {
      auto t0 = Clock::now();
      marks = FindWordsInSummaries(parse.Text, parse.Hits, TWordFinder(words)).size();
      auto t1 = Clock::now();
      plain = PlainSearch(parse.Text, needles);
      auto t2 = Clock::now();
      findMs.push_back(Ms(t1 - t0));
      plainMs.push_back(Ms(t2 - t1));
    }
    const Stats a = Summarise(findMs), b = Summarise(plainMs);
    std::printf("summaries of %zu hits (%zu words): %zu marks, %.1f / %.1f ms; "
                "memmem over the whole list %.1f / %.1f ms (best / median, %zu hits)\n",
                parse.Hits.size(), words.size(), marks, a.best, a.median, b.best, b.median,
                plain);
  }
#endif
  return 0;
}
