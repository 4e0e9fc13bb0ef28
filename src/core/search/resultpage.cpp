#include "core/search/resultpage.h"

#include <algorithm>
#include <climits>

namespace tavirel {
namespace {

constexpr std::string_view HitComment = "<!-- HIT -->";  // around the count in an HTML page

// Skips blanks and tags at `pos` and reads the number there; -1 when none.
int NumberAt(std::string_view text, size_t& pos) {
  for (;;) {
    while (pos < text.size() && text[pos] == ' ') ++pos;
    if (text.substr(pos, HitComment.size()) == HitComment) {
      pos += HitComment.size();
      continue;
    }
    if (pos < text.size() && text[pos] == '<') {
      const size_t close = text.find('>', pos);
      if (close == std::string_view::npos) return -1;
      pos = close + 1;
      continue;
    }
    break;
  }
  long long value = -1;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = (value < 0 ? 0 : value) * 10 + (text[pos] - '0');
    if (value > INT_MAX) return -1;
    ++pos;
  }
  return static_cast<int>(value);
}

// The number after the first `marker` of the text that has one; -1 when none.
int NumberAfter(std::string_view text, std::string_view marker, size_t* end = nullptr) {
  const size_t at = text.find(marker);
  if (at == std::string_view::npos) return -1;
  size_t pos = at + marker.size();
  const int value = NumberAt(text, pos);
  if (end) *end = pos;
  return value;
}

}  // namespace

int TResultPage::PreviousWhence(int perPage) const {
  return std::max(0, First - 1 - std::max(1, perPage));
}

TResultPage ReadResultPage(std::string_view resultBytes) {
  TResultPage page;
  const bool english = resultBytes.find(CurrentListMarker) == std::string_view::npos;
  int total = NumberAfter(resultBytes, english ? MatchedCountMarkerEn : MatchedCountMarker);
  size_t pos = 0;
  const int first =
      NumberAfter(resultBytes, english ? CurrentListMarkerEn : CurrentListMarker, &pos);
  if (first < 1 || total < 1) return page;
  while (pos < resultBytes.size() && resultBytes[pos] == ' ') ++pos;
  if (pos >= resultBytes.size() || resultBytes[pos] != '-') return page;
  ++pos;
  const int last = NumberAt(resultBytes, pos);
  if (last < first) return page;
  page.Total = std::max(total, last);
  page.First = first;
  page.Last = last;
  return page;
}

std::string ResultPageStatusText(const TResultPage& page) {
  std::string text = std::to_string(page.Total);
  text += " \x8c\x8f\x92\x86 ";  // 件中
  text += std::to_string(page.First) + " - " + std::to_string(page.Last);
  // 件目を表示しています
  text += " \x8c\x8f\x96\xda\x82\xf0\x95\x5c\x8e\xa6\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb7";
  if (page.HasNext()) {
    // （次のページ: Space または N）
    text += " \x81\x69\x8e\x9f\x82\xcc\x83\x79\x81\x5b\x83\x57: Space "
            "\x82\xdc\x82\xbd\x82\xcd N\x81\x6a";
  }
  return text;
}

}  // namespace tavirel
