#include "core/search/searchwords.h"

#include <algorithm>
#include <array>
#include <regex>
#include <unordered_map>

#include "core/jconv/jconvert.h"
#include "core/process/ucommon.h"

namespace tavirel {
namespace {

using uchar = unsigned char;
constexpr size_t npos = static_cast<size_t>(-1);

// ---------------------------------------------------------------------------
// Formula

bool IsBlankAt(std::string_view s, size_t i) {
  const uchar c = static_cast<uchar>(s[i]);
  if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return true;
  return c == 0x81 && i + 1 < s.size() && static_cast<uchar>(s[i + 1]) == 0x40;  // "　"
}
size_t BlankLength(std::string_view s, size_t i) {
  return static_cast<uchar>(s[i]) == 0x81 ? 2 : 1;
}

struct Token {
  enum Kind { Word, Phrase, Open, Close, And, Or, Not } kind = Word;
  std::string text;
  std::vector<std::string> parts;
};

// The position of `close` at or after `i`, double-byte characters skipped;
// npos when absent.
size_t FindSjis(std::string_view s, size_t i, char close) {
  while (i < s.size()) {
    if (s[i] == close) return i;
    i += SjisCharLength(s, i);
  }
  return npos;
}

std::vector<std::string> SplitBlanks(std::string_view s) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlankAt(s, i)) i += BlankLength(s, i);
    const size_t start = i;
    while (i < s.size() && !IsBlankAt(s, i)) i += SjisCharLength(s, i);
    if (i > start) parts.emplace_back(s.substr(start, i - start));
  }
  return parts;
}

// A phrase starting with the quote at `i`; npos when it is not closed.
size_t ReadPhrase(std::string_view s, size_t i, std::vector<Token>& tokens) {
  const char close = s[i] == '{' ? '}' : '"';
  const size_t end = FindSjis(s, i + 1, close);
  if (end == npos) return npos;
  Token t;
  t.kind = Token::Phrase;
  t.parts = SplitBlanks(s.substr(i + 1, end - i - 1));
  if (!t.parts.empty()) tokens.push_back(std::move(t));
  return end + 1;
}

bool IsFieldNameChar(uchar c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '_' || c == '.';
}

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < s.size()) {
    if (IsBlankAt(s, i)) {
      i += BlankLength(s, i);
      continue;
    }
    const char c = s[i];
    if (c == '(' || c == ')') {
      tokens.push_back({c == '(' ? Token::Open : Token::Close, {}, {}});
      ++i;
      continue;
    }
    // "+name:" before a word or phrase.
    if (c == '+') {
      size_t j = i + 1;
      while (j < s.size() && IsFieldNameChar(static_cast<uchar>(s[j]))) ++j;
      if (j > i + 1 && j < s.size() && s[j] == ':') i = j + 1;
      if (i >= s.size() || IsBlankAt(s, i)) continue;
    }
    if (s[i] == '"' || s[i] == '{') {
      const size_t next = ReadPhrase(s, i, tokens);
      if (next != npos) {
        i = next;
        continue;
      }
      ++i;  // an unclosed quote: the rest is read as words
      continue;
    }
    // A regular expression runs to the "/" that ends it before a blank.
    size_t end = i;
    if (s[i] == '/') {
      size_t j = i + 1;
      while (j < s.size()) {
        if (s[j] == '/' && (j + 1 == s.size() || IsBlankAt(s, j + 1))) break;
        j += SjisCharLength(s, j);
      }
      if (j < s.size()) end = j + 1;
    }
    if (end == i) {
      while (end < s.size() && !IsBlankAt(s, end) && s[end] != '(' && s[end] != ')')
        end += SjisCharLength(s, end);
    }
    std::string word(s.substr(i, end - i));
    i = end;
    Token t;
    const std::string lower = AsciiLowerSjis(word);
    if (lower == "and" || lower == "&")
      t.kind = Token::And;
    else if (lower == "or" || lower == "|")
      t.kind = Token::Or;
    else if (lower == "not" || lower == "!")
      t.kind = Token::Not;
    t.text = std::move(word);
    tokens.push_back(std::move(t));
  }
  return tokens;
}

void AddWord(std::vector<TSearchWord>& words, TSearchWord w) {
  if (std::find(words.begin(), words.end(), w) == words.end()) words.push_back(std::move(w));
}

void AddPlainWord(std::vector<TSearchWord>& words, const std::string& text) {
  TSearchWord w;
  const size_t n = text.size();
  if (n >= 3 && text.front() == '/' && text.back() == '/') {
    w.Match = TWordMatch::Regex;
    w.Text = text.substr(1, n - 2);
  } else {
    // "*" (0x2A) is never the trail byte of a double-byte character.
    const bool head = n >= 1 && text.front() == '*';
    const bool tail = n >= 1 && text.back() == '*';
    const size_t from = head ? 1 : 0;
    const size_t to = tail && n > from ? n - 1 : n;
    w.Text = text.substr(from, to - from);
    w.Match = head && tail ? TWordMatch::Inside
              : head      ? TWordMatch::Suffix
              : tail      ? TWordMatch::Prefix
                          : TWordMatch::Word;
  }
  if (w.Text.empty() || w.Text.find_first_not_of('*') == std::string::npos) return;
  AddWord(words, std::move(w));
}

}  // namespace

std::vector<TSearchWord> ExtractSearchWords(std::string_view formula) {
  std::vector<TSearchWord> words;
  int depth = 0;
  int negatedDepth = -1;  // the depth of the group a "not" excludes
  bool pendingNot = false;
  for (const Token& t : Tokenize(formula)) {
    switch (t.kind) {
      case Token::Not: pendingNot = true; break;
      case Token::And:
      case Token::Or: break;
      case Token::Open:
        ++depth;
        if (pendingNot && negatedDepth < 0) negatedDepth = depth;
        pendingNot = false;
        break;
      case Token::Close:
        if (depth == negatedDepth) negatedDepth = -1;
        if (depth > 0) --depth;
        pendingNot = false;
        break;
      case Token::Word:
      case Token::Phrase: {
        const bool skip = pendingNot || negatedDepth >= 0;
        pendingNot = false;
        if (skip) break;
        if (t.kind == Token::Word) {
          AddPlainWord(words, t.text);
        } else if (t.parts.size() == 1) {
          AddPlainWord(words, t.parts[0]);
        } else {
          TSearchWord w;
          w.Match = TWordMatch::Phrase;
          w.Parts = t.parts;
          for (const std::string& p : t.parts) w.Text += (w.Text.empty() ? "" : " ") + p;
          AddWord(words, std::move(w));
        }
        break;
      }
    }
  }
  return words;
}

// ---------------------------------------------------------------------------
// Text units: one per character, compared instead of bytes. ASCII is
// lower-cased, full-width ASCII becomes ASCII, half-width katakana becomes
// the full-width character (lead << 8 | trail), other double-byte characters
// keep their code, and any other byte b is 0x100 | b.

namespace {

using Unit = uint16_t;

constexpr bool IsTrail(uchar c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Full-width marks of row 0x81 that are ASCII marks.
constexpr std::array<std::pair<uchar, char>, 34> kFullMarks = {{
    {0x40, ' '}, {0x43, ','}, {0x44, '.'}, {0x46, ':'}, {0x47, ';'}, {0x48, '?'},
    {0x49, '!'}, {0x4D, '`'}, {0x4F, '^'}, {0x51, '_'}, {0x5E, '/'}, {0x5F, '\\'},
    {0x62, '|'}, {0x65, '\''}, {0x66, '\''}, {0x67, '"'}, {0x68, '"'}, {0x69, '('},
    {0x6A, ')'}, {0x6D, '['}, {0x6E, ']'}, {0x6F, '{'}, {0x70, '}'}, {0x7B, '+'},
    {0x7C, '-'}, {0x81, '='}, {0x83, '<'}, {0x84, '>'}, {0x90, '$'}, {0x93, '%'},
    {0x94, '#'}, {0x95, '&'}, {0x96, '*'}, {0x97, '@'},
}};

struct UnitTables {
  std::array<Unit, 256> row81{};   // trail -> ASCII, 0 when none
  std::array<Unit, 128> lower{};
  std::array<bool, 128> alnum{};
  constexpr UnitTables() {
    for (const auto& [trail, ascii] : kFullMarks) row81[trail] = static_cast<Unit>(ascii);
    for (int c = 0; c < 128; ++c) {
      lower[c] = static_cast<Unit>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      alnum[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    }
  }
};
constexpr UnitTables kTables;
constexpr const UnitTables& Tables() { return kTables; }

inline Unit FoldDouble(uchar lead, uchar trail) {
  if (lead == 0x82) {
    if (trail >= 0x4F && trail <= 0x58) return static_cast<Unit>('0' + trail - 0x4F);
    if (trail >= 0x60 && trail <= 0x79) return static_cast<Unit>('a' + trail - 0x60);
    if (trail >= 0x81 && trail <= 0x9A) return static_cast<Unit>('a' + trail - 0x81);
  } else if (lead == 0x81) {
    if (Unit u = Tables().row81[trail]) return u;
  }
  return static_cast<Unit>(lead << 8 | trail);
}

// The unit of the character at `pos`, which moves past it. `fold` false
// keeps ASCII case (for regular expressions, whose escapes depend on it).
inline Unit NextUnit(std::string_view text, size_t& pos, bool fold = true) {
  const uchar c = static_cast<uchar>(text[pos]);
  if (c < 0x80) {
    ++pos;
    return fold ? Tables().lower[c] : c;
  }
  if (IsSjisLeadByte(c)) {
    if (pos + 1 < text.size() && IsTrail(static_cast<uchar>(text[pos + 1]))) {
      const uchar trail = static_cast<uchar>(text[pos + 1]);
      pos += 2;
      return FoldDouble(c, trail);
    }
    ++pos;
    return static_cast<Unit>(0x100 | c);
  }
  if (c >= 0xA1 && c <= 0xDF) {
    const TBytePair jis = SjisHalfKanaToJis(text, pos);
    const TBytePair sjis = JisToSjisPair(jis.first, jis.second);
    return static_cast<Unit>(sjis.first << 8 | sjis.second);
  }
  ++pos;
  return static_cast<Unit>(0x100 | c);
}

inline bool IsAlnumUnit(Unit u) { return u < 128 && Tables().alnum[u]; }
inline bool IsSpaceUnit(Unit u) {
  return u == ' ' || u == '\t' || u == '\r' || u == '\n' || u == '\f' || u == '\v';
}

std::vector<Unit> UnitsOf(std::string_view text, bool fold = true) {
  std::vector<Unit> units;
  size_t pos = 0;
  while (pos < text.size()) units.push_back(NextUnit(text, pos, fold));
  return units;
}

// Whether the character at `pos` is a letter or digit (after folding).
inline bool AlnumAt(std::string_view text, size_t pos) {
  if (pos >= text.size()) return false;
  return IsAlnumUnit(NextUnit(text, pos));
}

struct Pattern {
  TWordMatch match = TWordMatch::Word;
  std::vector<std::vector<Unit>> parts;
  bool firstAlnum = false;
  bool lastAlnum = false;
};

struct RegexWord {
  std::wregex regex;
  // A character every match begins with (0 when the pattern does not say):
  // runs without it are not tried.
  wchar_t first = 0;
};

wchar_t LeadingLiteral(const std::vector<Unit>& pattern) {
  static constexpr std::wstring_view kRegexMarks = L"^$\\.*+?()[]{}|";
  size_t i = pattern.empty() || pattern[0] != '^' ? 0 : 1;
  if (i >= pattern.size()) return 0;
  for (const Unit u : pattern)
    if (u == '|') return 0;
  const Unit u = pattern[i];
  if (u < 128 && kRegexMarks.find(static_cast<wchar_t>(u)) != std::wstring_view::npos) return 0;
  if (i + 1 < pattern.size()) {
    const Unit next = pattern[i + 1];
    if (next == '?' || next == '*' || next == '{') return 0;
  }
  return static_cast<wchar_t>(u < 128 ? Tables().lower[u] : u);
}

}  // namespace

struct TWordFinder::Impl {
  std::vector<Pattern> patterns;
  // The patterns by the unit they begin with.
  std::vector<std::pair<Unit, uint16_t>> byFirst;
  // One bit per pair of bytes that can start a pattern's first character.
  std::array<uint64_t, 1024> candidate{};
  std::vector<RegexWord> regexes;

  void IndexStarts();
  void MatchAt(std::string_view text, size_t i, Unit first, bool prevAlnum, size_t runStart,
               std::vector<TByteRange>& out) const;
  void FindRegexes(std::string_view text, std::vector<TByteRange>& out) const;
};

// The unit of the character that starts with every pair of bytes (the first
// byte seen with the one after it; a text's last byte is seen with 0, which
// gives the same unit).
const std::vector<Unit>& PairUnits() {
  static const std::vector<Unit> units = [] {
    std::vector<Unit> v(65536);
    for (int k = 0; k < 65536; ++k) {
      const char pair[2] = {static_cast<char>(k >> 8), static_cast<char>(k & 0xFF)};
      size_t pos = 0;
      v[static_cast<size_t>(k)] = NextUnit(std::string_view(pair, 2), pos);
    }
    return v;
  }();
  return units;
}

void TWordFinder::Impl::IndexStarts() {
  for (size_t p = 0; p < patterns.size(); ++p)
    byFirst.emplace_back(patterns[p].parts.front().front(), static_cast<uint16_t>(p));
  std::sort(byFirst.begin(), byFirst.end());
  const std::vector<Unit>& units = PairUnits();
  for (size_t k = 0; k < units.size(); ++k) {
    const auto it = std::lower_bound(byFirst.begin(), byFirst.end(),
                                     std::pair<Unit, uint16_t>(units[k], 0));
    if (it != byFirst.end() && it->first == units[k])
      candidate[k >> 6] |= uint64_t{1} << (k & 63);
  }
}

TWordFinder::TWordFinder(const std::vector<TSearchWord>& words) : impl_(new Impl) {
  for (const TSearchWord& w : words) {
    if (w.Match == TWordMatch::Regex) {
      try {
        // The text is searched lower-cased: so are the pattern's letters,
        // except the letter of an escape (\W is not \w), which spares the
        // engine a case-blind comparison of every character.
        std::vector<Unit> units = UnitsOf(w.Text, false);
        bool escaped = false;
        for (Unit& u : units) {
          if (!escaped && u < 128) u = Tables().lower[u];
          escaped = !escaped && u == '\\';
        }
        std::wstring pattern(units.begin(), units.end());
        impl_->regexes.push_back(
            {std::wregex(pattern, std::regex::ECMAScript | std::regex::optimize),
             LeadingLiteral(units)});
      } catch (const std::regex_error&) {
        // A pattern the engine cannot read marks nothing.
      }
      continue;
    }
    Pattern p;
    p.match = w.Match;
    if (w.Match == TWordMatch::Phrase) {
      for (const std::string& part : w.Parts) {
        std::vector<Unit> units = UnitsOf(part);
        if (!units.empty()) p.parts.push_back(std::move(units));
      }
    } else {
      p.parts.push_back(UnitsOf(w.Text));
    }
    if (p.parts.empty() || p.parts.front().empty()) continue;
    p.firstAlnum = IsAlnumUnit(p.parts.front().front());
    p.lastAlnum = IsAlnumUnit(p.parts.back().back());
    impl_->patterns.push_back(std::move(p));
  }
  impl_->IndexStarts();
}

TWordFinder::~TWordFinder() = default;
TWordFinder::TWordFinder(TWordFinder&&) noexcept = default;
TWordFinder& TWordFinder::operator=(TWordFinder&&) noexcept = default;

bool TWordFinder::Empty() const { return impl_->patterns.empty() && impl_->regexes.empty(); }

void TWordFinder::Impl::MatchAt(std::string_view text, size_t i, Unit first, bool prevAlnum,
                                size_t runStart, std::vector<TByteRange>& out) const {
  const size_t n = text.size();
  for (auto it = std::lower_bound(byFirst.begin(), byFirst.end(),
                                  std::pair<Unit, uint16_t>(first, 0));
       it != byFirst.end() && it->first == first; ++it) {
    const Pattern& p = patterns[it->second];
    const bool wholeStart = p.match == TWordMatch::Word || p.match == TWordMatch::Prefix ||
                            p.match == TWordMatch::Phrase;
    const bool wholeEnd = p.match == TWordMatch::Word || p.match == TWordMatch::Suffix ||
                          p.match == TWordMatch::Phrase;
    if (wholeStart && p.firstAlnum && prevAlnum) continue;
    size_t j = i;
    bool ok = true;
    for (size_t k = 0; ok && k < p.parts.size(); ++k) {
      if (k > 0) {
        const size_t before = j;
        while (j < n) {
          size_t t = j;
          if (!IsSpaceUnit(NextUnit(text, t))) break;
          j = t;
        }
        if (j == before && IsAlnumUnit(p.parts[k - 1].back()) &&
            IsAlnumUnit(p.parts[k].front()))
          ok = false;
      }
      for (size_t u = 0; ok && u < p.parts[k].size(); ++u)
        ok = j < n && NextUnit(text, j) == p.parts[k][u];
    }
    if (!ok) continue;
    if (p.lastAlnum && AlnumAt(text, j)) {
      if (wholeEnd) continue;
      // Prefix and inside words are marked to the end of the run.
      while (AlnumAt(text, j)) NextUnit(text, j);
    }
    size_t start = i;
    if (!wholeStart && p.firstAlnum && prevAlnum) start = runStart;
    out.push_back({start, j});
  }
}

void TWordFinder::Impl::FindRegexes(std::string_view text, std::vector<TByteRange>& out) const {
  // Regular expressions are tried on words as namazu keeps them: runs of
  // ASCII letters and digits (marked whole when they match), and runs of
  // double-byte characters (the matched part marked).
  std::unordered_map<std::wstring, bool> asciiCache;
  std::wstring run;
  size_t runStart = 0, runEnd = 0;  // bytes of the run
  bool runAscii = false;
  constexpr size_t kMaxRun = 4096;
  // The byte offset of each unit of the run and of its end, worked out only
  // for a run that holds a match.
  std::vector<size_t> offsets;
  auto byteOffsets = [&] {
    offsets.clear();
    for (size_t p = runStart; p < runEnd;) {
      offsets.push_back(p);
      NextUnit(text, p);
    }
    offsets.push_back(runEnd);
  };
  auto search = [&] {
    if (runAscii) {
      auto [it, inserted] = asciiCache.try_emplace(run, false);
      if (inserted) {
        for (const RegexWord& r : regexes)
          if ((!r.first || run.find(r.first) != std::wstring::npos) &&
              std::regex_search(run, r.regex))
            it->second = true;
      }
      if (it->second) out.push_back({runStart, runEnd});
      return;
    }
    offsets.clear();
    auto mark = [&](size_t from, size_t length) {
      if (offsets.empty()) byteOffsets();
      out.push_back({offsets[from], offsets[from + length]});
    };
    for (const RegexWord& r : regexes) {
      if (!r.first) {
        for (auto m = std::wsregex_iterator(run.begin(), run.end(), r.regex);
             m != std::wsregex_iterator(); ++m) {
          if (m->length(0) > 0)
            mark(static_cast<size_t>(m->position(0)), static_cast<size_t>(m->length(0)));
        }
        continue;
      }
      // Every match begins with the pattern's first character: the engine
      // is started only where that stands, and asked for a match that begins
      // there (seeing the character before it, for "^" and word edges).
      size_t at = run.find(r.first);
      while (at != std::wstring::npos) {
        std::wsmatch m;
        auto flags = std::regex_constants::match_continuous;
        if (at > 0) flags |= std::regex_constants::match_prev_avail;
        const auto from = run.cbegin() + static_cast<std::ptrdiff_t>(at);
        if (std::regex_search(from, run.cend(), m, r.regex, flags) && m.length(0) > 0) {
          const auto length = static_cast<size_t>(m.length(0));
          mark(at, length);
          at = run.find(r.first, at + length);
        } else {
          at = run.find(r.first, at + 1);
        }
      }
    }
  };
  auto flush = [&] {
    if (run.empty()) return;
    try {
      search();
    } catch (const std::regex_error&) {
      // The engine gave up on this run (too complex): it stays unmarked.
    }
    run.clear();
  };
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t start = pos;
    const Unit u = NextUnit(text, pos);
    const bool ascii = IsAlnumUnit(u);
    const bool wide = u >= 0x8100 && !IsSpaceUnit(u);
    if ((!ascii && !wide) || (!run.empty() && ascii != runAscii) || run.size() >= kMaxRun) {
      runEnd = start;
      flush();
    }
    if (ascii || wide) {
      if (run.empty()) runStart = start;
      runAscii = ascii;
      run.push_back(static_cast<wchar_t>(u));
    }
  }
  runEnd = text.size();
  flush();
}

std::vector<TByteRange> TWordFinder::Find(std::string_view text) const {
  std::vector<TByteRange> found;
  // Room for one occurrence in every eight bytes, which common words in a
  // long text come near: growing the list would copy it into fresh memory
  // time after time, while room never used is never touched.
  found.reserve(text.size() / 8 + 4);
  const Impl& d = *impl_;
  if (!d.patterns.empty()) {
    const auto* s = reinterpret_cast<const uchar*>(text.data());
    const size_t n = text.size();
    const auto& alnum = Tables().alnum;
    const std::vector<Unit>& units = PairUnits();
    bool prevAlnum = false;
    size_t runStart = 0;
    size_t i = 0;
    while (i < n) {
      const uchar c = s[i];
      size_t length = 1;
      bool isAlnum = false;
      if (c < 0x80) {
        isAlnum = alnum[c];
      } else if (IsSjisLeadByte(c) && i + 1 < n && IsTrail(s[i + 1])) {
        length = 2;
        const uchar t = s[i + 1];
        isAlnum = c == 0x82 && ((t >= 0x4F && t <= 0x58) || (t >= 0x60 && t <= 0x79) ||
                                (t >= 0x81 && t <= 0x9A));
      }
      if (isAlnum && !prevAlnum) runStart = i;
      const size_t key = size_t{c} << 8 | (i + 1 < n ? s[i + 1] : 0);
      if ((d.candidate[key >> 6] >> (key & 63)) & 1)
        d.MatchAt(text, i, units[key], prevAlnum, runStart, found);
      prevAlnum = isAlnum;
      i += length;
    }
  }
  if (!d.regexes.empty()) d.FindRegexes(text, found);
  if (found.empty()) return found;
  if (!std::is_sorted(found.begin(), found.end(), [](const TByteRange& a, const TByteRange& b) {
        return a.Start < b.Start;
      }))
    std::sort(found.begin(), found.end(), [](const TByteRange& a, const TByteRange& b) {
    return a.Start != b.Start ? a.Start < b.Start : a.End > b.End;
  });
  // Merged in place: a second list as long as the first would be as much
  // fresh memory again.
  size_t kept = 0;
  for (const TByteRange& r : found) {
    if (r.End <= r.Start) continue;
    if (kept > 0 && r.Start < found[kept - 1].End)
      found[kept - 1].End = std::max(found[kept - 1].End, r.End);
    else
      found[kept++] = r;
  }
  found.resize(kept);
  return found;
}

std::vector<TByteRange> FindSearchWords(std::string_view text,
                                        const std::vector<TSearchWord>& words) {
  return TWordFinder(words).Find(text);
}

namespace {

// ToCharRanges and ToLineOffsets: with `breaksTwo` a line break (CR LF, CR
// or LF) counts two characters, else each of its bytes one.
std::vector<TCharRange> CountRanges(std::string_view text, const std::vector<TByteRange>& ranges,
                                    bool breaksTwo) {
  std::vector<TCharRange> out;
  out.reserve(ranges.size());
  const auto* s = reinterpret_cast<const uchar*>(text.data());
  const size_t n = text.size();
  size_t pos = 0;
  int64_t chars = 0;
  // Advances to byte `target` (a character start), counting characters.
  auto advance = [&](size_t target) {
    target = std::min(target, n);
    while (pos < target) {
      if (breaksTwo && (s[pos] == '\r' || s[pos] == '\n')) {
        pos += (s[pos] == '\r' && pos + 1 < n && s[pos + 1] == '\n') ? 2 : 1;
        chars += 2;
        continue;
      }
      pos += (IsSjisLeadByte(s[pos]) && pos + 1 < n && IsTrail(s[pos + 1])) ? 2 : 1;
      ++chars;
    }
  };
  for (const TByteRange& r : ranges) {
    if (r.Start < pos) continue;  // not sorted: skipped rather than miscounted
    advance(r.Start);
    const int64_t start = chars;
    advance(r.End);
    out.push_back({start, chars});
  }
  return out;
}

}  // namespace

std::vector<TCharRange> ToCharRanges(std::string_view text,
                                     const std::vector<TByteRange>& ranges) {
  return CountRanges(text, ranges, false);
}

std::vector<TCharRange> ToLineOffsets(std::string_view text,
                                      const std::vector<TByteRange>& ranges) {
  return CountRanges(text, ranges, true);
}

std::vector<TCharRange> FindWordsInSummaries(std::string_view text,
                                             const std::vector<SearchHit>& hits,
                                             const TWordFinder& finder) {
  std::vector<TCharRange> out;
  if (finder.Empty() || hits.empty()) return out;
  size_t hit = 0;
  ResultLine previous;  // the line above
  bool hasPrevious = false;
  ResultLine line;
  while (hit < hits.size() && NextResultLine(text, line)) {
    // Hits whose file-name line is this line.
    while (hit < hits.size() && hits[hit].UriStart < line.NextOffset) {
      const SearchHit& h = hits[hit++];
      if (h.UriEnd <= h.UriStart || h.UriStart < line.Offset || !hasPrevious ||
          previous.Offset <= h.TitleStart)
        continue;  // no file-name line, or the line above is the title line
      const std::string_view summary = text.substr(previous.Begin, previous.Length);
      for (const TCharRange& r : ToCharRanges(summary, finder.Find(summary)))
        out.push_back({r.Start + previous.Offset, r.End + previous.Offset});
    }
    previous = line;
    hasPrevious = true;
  }
  return out;
}

}  // namespace tavirel
