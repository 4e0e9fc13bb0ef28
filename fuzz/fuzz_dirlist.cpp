// The index directory list: what a parse gives, joined and parsed again, is
// the same list (names with quotes, blanks and double-byte characters alike).
#include <cstddef>
#include <cstdint>

#include "core/process/ucommon.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavirel;
  using tavirel::fuzz::Check;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> first = ParseIndexDirectoryList(input);
  const std::string joined = JoinQuotedDirectories(first);
  const std::vector<std::string> second = ParseIndexDirectoryList(joined);
  if (second != first) {
    std::string a, b;
    for (const auto& entry : first) a += entry + '\x01';
    for (const auto& entry : second) b += entry + '\x01';
    tavirel::fuzz::Fail("parse -> join -> parse", a, b);
  }
  Check(JoinQuotedDirectories(second) == joined, "join is stable", joined);
  return 0;
}
