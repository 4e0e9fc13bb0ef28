// The result list parse: every offset lies inside the text, every title and
// file name is exactly the text at its offsets and is marked so in the
// character kinds, and nothing else is marked; the result list's index of the
// same file (TResultText) holds its properties. The first input byte chooses
// the two parsing settings, the rest is the result file.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/search/resultlist.h"
#include "core/search/resulttext.h"
#include "fuzzsupport.h"
#include "support/resultpieces.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavirel;
  using tavirel::fuzz::Check;
  if (size == 0) return 0;
  const int blankLines = (data[0] & 3);          // 0 counts as 1
  const int spaceFromEnd = (data[0] >> 2) & 7;   // 0 counts as 2
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const ResultListParse parse = ParseResultText(input, blankLines, spaceFromEnd);

  // Byte position of every character of the rejoined text.
  std::vector<size_t> bytes;
  for (size_t i = 0; i < parse.Text.size(); i += ResultCharLength(parse.Text, i)) bytes.push_back(i);
  bytes.push_back(parse.Text.size());
  const size_t chars = bytes.size() - 1;
  Check(parse.ResultCharKinds.size() == chars, "one kind per character", parse.Text);
  Check(parse.Found || parse.Hits.empty(), "hits only in a found list", parse.Text);

  std::vector<uint8_t> expected(chars, 0);
  int32_t previousEnd = -1;
  for (const SearchHit& hit : parse.Hits) {
    Check(hit.TitleStart > previousEnd && hit.TitleStart <= hit.TitleEnd + 1 &&
              static_cast<size_t>(hit.TitleEnd + 1) <= chars,
          "title offsets inside the text and in order", hit.Title, parse.Text);
    const size_t from = bytes[hit.TitleStart], to = bytes[hit.TitleEnd + 1];
    Check(parse.Text.compare(from, to - from, hit.Title) == 0, "title is the text at its offsets",
          hit.Title, parse.Text.substr(from, to - from));
    std::fill(expected.begin() + hit.TitleStart, expected.begin() + hit.TitleEnd + 1, 'T');
    previousEnd = hit.TitleEnd;
    if (hit.UriStart == 0 && hit.UriEnd == 0) continue;
    Check(hit.UriStart > hit.TitleEnd && hit.UriStart <= hit.UriEnd &&
              static_cast<size_t>(hit.UriEnd) < chars,
          "file name offsets inside the text, after the title", hit.Uri, parse.Text);
    const size_t uriFrom = bytes[hit.UriStart], uriTo = bytes[hit.UriEnd + 1];
    Check(parse.Text.compare(uriFrom, uriTo - uriFrom, hit.Uri) == 0,
          "file name is the text at its offsets", hit.Uri, parse.Text.substr(uriFrom, uriTo - uriFrom));
    std::fill(expected.begin() + hit.UriStart, expected.begin() + hit.UriEnd + 1, 'U');
    previousEnd = hit.UriEnd;
  }
  Check(expected == parse.ResultCharKinds, "kinds mark exactly the titles and file names",
        parse.Text);
  const std::string pieces =
      testsupport::CheckResultPieces(TResultText(std::string(input)), parse);
  Check(pieces.empty(), "result text pieces", pieces, parse.Text);
  return 0;
}
