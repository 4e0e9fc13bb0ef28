// The words of a search formula, and where they occur in a Shift-JIS text.
//
// The formula is read the way namazu reads it: blanks (also the full-width
// blank) separate words; "and", "or", "not" (any case) and "&", "|", "!"
// are operators; "(" and ")" group; "..." and {...} hold a phrase;
// "+name:" in front of a word or phrase names a field; a "*" at the end,
// at the start or at both ends asks for words beginning with, ending with
// or holding the text; /.../ is a regular expression. The words after "not"
// (a word, a phrase or a whole group) did not find the document and are
// left out.
//
// Occurrences are found the way namazu compares words: ASCII letters without
// regard to case, full-width letters, digits and ASCII marks as their ASCII
// forms, half-width katakana as full-width katakana (a voiced mark merged).
// A double-byte character is never split: a trail byte is never the start of
// an occurrence. A word that begins or ends with a letter or digit only
// matches at the edge of an alphanumeric run, as namazu only finds whole
// words; a wildcard word is marked over the whole run it matched in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/search/resultlist.h"

namespace tavirel {

enum class TWordMatch {
  Word,     // the word as a whole word
  Prefix,   // word*
  Suffix,   // *word
  Inside,   // *word*
  Phrase,   // "a b" or {a b}: the parts in order, blanks allowed between
  Regex,    // /pattern/
};

struct TSearchWord {
  TWordMatch Match = TWordMatch::Word;
  // The word without wildcards, quotes, slashes and field name (Shift-JIS).
  // For a phrase, its parts joined by one blank.
  std::string Text;
  std::vector<std::string> Parts;  // Phrase only: its words
  bool operator==(const TSearchWord&) const = default;
};

// The words of `formula` in the order they appear, each once.
std::vector<TSearchWord> ExtractSearchWords(std::string_view formula);

// A byte range [Start, End) of the text searched.
struct TByteRange {
  size_t Start = 0;
  size_t End = 0;
  bool operator==(const TByteRange&) const = default;
};

// A range in characters, a double-byte character counting one.
struct TCharRange {
  int64_t Start = 0;
  int64_t End = 0;
  bool operator==(const TCharRange&) const = default;
};

// Finds the words of one formula in texts. Built once per formula, used for
// every text (a document, each summary of a hit list).
class TWordFinder {
 public:
  explicit TWordFinder(const std::vector<TSearchWord>& words);
  ~TWordFinder();
  TWordFinder(TWordFinder&&) noexcept;
  TWordFinder& operator=(TWordFinder&&) noexcept;

  bool Empty() const;
  // The occurrences in `text`, sorted, overlapping ones merged.
  std::vector<TByteRange> Find(std::string_view text) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// One call for one text.
std::vector<TByteRange> FindSearchWords(std::string_view text,
                                        const std::vector<TSearchWord>& words);

// The byte ranges of `text` (sorted, as Find gives them) in characters: a
// lead byte followed by a valid trail byte is one character, every other byte
// one character.
std::vector<TCharRange> ToCharRanges(std::string_view text,
                                     const std::vector<TByteRange>& ranges);
// The same in offsets of a text shown line by line (TResultText): a line
// break (CR LF, CR or LF) counts two characters.
std::vector<TCharRange> ToLineOffsets(std::string_view text,
                                      const std::vector<TByteRange>& ranges);

// The occurrences in the summaries of a result list: in each hit, the line
// just above its file-name line when that is not the title line (a list
// without summaries has none). Offsets as the result list counts them.
// `text` is the result file (any line breaks) or the rejoined text, `hits`
// what FindResultHits or ParseResultText found in it.
std::vector<TCharRange> FindWordsInSummaries(std::string_view text,
                                             const std::vector<SearchHit>& hits,
                                             const TWordFinder& finder);

}  // namespace tavirel
