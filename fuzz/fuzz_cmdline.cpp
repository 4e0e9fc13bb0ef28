// Splitting a command line: an argument list written with the quoting rules
// the splitter follows (the program name in quotes, every other argument in
// quotes with its backslashes and quotes escaped, double-byte characters
// copied as they are) splits back into the same list.
//
// The arguments are the input's pieces between NUL bytes; the first one is the
// program name, which cannot hold a quote.
//
// Left out: an argument that ends in a lead byte with nothing after it. The
// splitter pairs a lead byte with whatever byte follows, so such an argument
// takes the closing quote (or the blank after it) as its trail byte and
// cannot be written inside quotes at all; that belongs to the quoting of the
// search command line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/process/cmdline.h"
#include "core/process/ucommon.h"
#include "fuzzsupport.h"

namespace {

using namespace tavirel;

bool EndsInLoneLeadByte(std::string_view text) {
  size_t i = 0;
  size_t last = std::string_view::npos;
  while (i < text.size()) {
    last = i;
    i += SjisCharLength(text, i);
  }
  return last != std::string_view::npos && last == text.size() - 1 &&
         IsSjisLeadByte(static_cast<unsigned char>(text.back()));
}

std::string QuoteArgument(std::string_view argument) {
  std::string out = "\"";
  size_t backslashes = 0;
  for (size_t i = 0; i < argument.size();) {
    const size_t length = SjisCharLength(argument, i);
    if (length == 2) {
      out.append(argument.substr(i, 2));
      backslashes = 0;
    } else if (argument[i] == '\\') {
      out += '\\';
      ++backslashes;
    } else if (argument[i] == '"') {
      out.append(backslashes + 1, '\\');
      out += '"';
      backslashes = 0;
    } else {
      out += argument[i];
      backslashes = 0;
    }
    i += length;
  }
  out.append(backslashes, '\\');
  out += '"';
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments;
  size_t start = 0;
  for (size_t i = 0; i <= input.size(); ++i) {
    if (i == input.size() || input[i] == '\0') {
      std::string piece(input.substr(start, i - start));
      start = i + 1;
      if (arguments.empty()) {
        std::erase(piece, '"');
      } else if (EndsInLoneLeadByte(piece)) {
        continue;
      }
      arguments.push_back(std::move(piece));
    }
  }
  if (EndsInLoneLeadByte(arguments.front())) return 0;

  std::string line = "\"" + arguments.front() + "\"";
  for (size_t i = 1; i < arguments.size(); ++i) line += " " + QuoteArgument(arguments[i]);
  const std::vector<std::string> split = SplitCommandLine(line);
  if (split != arguments) {
    std::string a, b;
    for (const auto& argument : arguments) a += argument + '\x01';
    for (const auto& argument : split) b += argument + '\x01';
    tavirel::fuzz::Fail("quote -> split gives the arguments back", a, b);
  }
  return 0;
}
