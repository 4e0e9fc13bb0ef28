// The index directory list: what a parse gives, joined and parsed again, is
// the same list (names with quotes, blanks and double-byte characters alike),
// except that of two tokens written differently but naming the same folder
// ("/idx" and /idx, which the first parse keeps apart as written) the joined
// text holds the same quoted name twice and keeps it once. From there on the
// list is stable.
#include <cstddef>
#include <cstdint>

#include "core/process/ucommon.h"
#include "fuzzsupport.h"

namespace {

std::string Show(const std::vector<std::string>& list) {
  std::string shown;
  for (const auto& entry : list) shown += entry + '\x01';
  return shown;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavirel;
  using tavirel::fuzz::Check;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> first = ParseIndexDirectoryList(input);
  std::vector<std::string> expected;
  for (const std::string& entry : first) {
    bool repeat = false;
    for (const std::string& kept : expected) repeat = repeat || SameTextSjis(kept, entry);
    if (!repeat) expected.push_back(entry);
  }
  const std::string joined = JoinQuotedDirectories(first);
  const std::vector<std::string> second = ParseIndexDirectoryList(joined);
  Check(second == expected, "parse -> join -> parse", Show(expected), Show(second));
  const std::vector<std::string> third = ParseIndexDirectoryList(JoinQuotedDirectories(second));
  Check(third == second, "stable from the second parse on", Show(second), Show(third));
  return 0;
}
