// The reserved-line reader (its side-effect-free part): a folder action always
// names a folder, "*delete" always a mask, none of them keeps the quotes of
// its argument form, and a "*delete" line written back from what was read is
// read the same way.
#include <cstddef>
#include <cstdint>

#include "core/indexer/cmdlist.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavirel;
  using tavirel::fuzz::Check;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const TReservedLine read = ParseReservedLine(line);
  switch (read.Kind) {
    case TReservedKind::None:
      Check(read.Text.empty() && read.Folder.empty() && read.Mask.empty(), "None carries nothing",
            line);
      break;
    case TReservedKind::Command:
      Check(line.front() == '!' && read.Text == line.substr(1), "a ! line is its command", line);
      break;
    case TReservedKind::Mknmz:
      Check(!read.Text.empty() && line.substr(0, 7) == "*mknmz ", "mknmz arguments", line);
      break;
    case TReservedKind::Mkdir:
    case TReservedKind::Chdir:
      Check(!read.Folder.empty(), "a folder action names a folder", line);
      break;
    case TReservedKind::Delete: {
      Check(!read.Folder.empty() && !read.Mask.empty(), "delete names a folder and a mask", line);
      const std::string written = "*delete \"" + read.Folder + "\", \"" + read.Mask + "\"";
      const TReservedLine again = ParseReservedLine(written);
      Check(again.Kind == TReservedKind::Delete && again.Folder == read.Folder &&
                again.Mask == read.Mask,
            "delete reads back", written, line);
      break;
    }
  }
  return 0;
}
