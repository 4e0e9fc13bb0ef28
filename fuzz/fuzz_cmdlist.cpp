// Command list files: whatever the reader takes, saved tidy and read back,
// gives the tidy list again; a saved non-empty list is always a file the
// reader takes.
#include <cstddef>
#include <cstdint>

#include "core/indexer/cmdlist.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavirel;
  using tavirel::fuzz::Check;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  if (!ParseCommandList(input, lines)) return 0;
  const std::vector<std::string> tidy = TidyCommandList(lines);
  // A list with no line left is never saved (the window refuses it): a file
  // of the header alone is not a command list.
  if (tidy.empty()) return 0;
  const std::string saved = FormatCommandList(tidy);
  std::vector<std::string> again;
  Check(ParseCommandList(saved, again), "a saved list is a command list file", saved);
  Check(again == tidy, "the saved list reads back as it was saved", saved);
  Check(TidyCommandList(again) == tidy, "tidying twice changes nothing", saved);
  return 0;
}
