#include "core/process/cmdline.h"

#include "core/process/ucommon.h"

namespace tavirel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Copies the character at `pos` (both bytes of a double-byte character) and
// moves past it. A lead byte not followed by a trail byte stands alone, so
// that a quote or blank after it (a text ending in half a character) keeps
// its meaning.
void CopyCharacter(std::string_view text, size_t& pos, std::string& out) {
  unsigned char c = static_cast<unsigned char>(text[pos]);
  out.push_back(text[pos++]);
  if (IsSjisLeadByte(c) && pos < text.size() &&
      IsTrailByte(static_cast<unsigned char>(text[pos]))) {
    out.push_back(text[pos++]);
  }
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  const size_t size = commandLine.size();
  size_t pos = 0;
  while (pos < size && IsBlank(commandLine[pos])) ++pos;
  if (pos >= size) return arguments;

  // The program name: quotes group, nothing is escaped.
  {
    std::string program;
    bool quoted = false;
    while (pos < size) {
      char c = commandLine[pos];
      if (c == '"') {
        quoted = !quoted;
        ++pos;
        continue;
      }
      if (!quoted && IsBlank(c)) break;
      CopyCharacter(commandLine, pos, program);
    }
    arguments.push_back(std::move(program));
  }

  for (;;) {
    while (pos < size && IsBlank(commandLine[pos])) ++pos;
    if (pos >= size) break;

    std::string argument;
    bool quoted = false;
    while (pos < size) {
      size_t backslashes = 0;
      while (pos < size && commandLine[pos] == '\\') {
        ++backslashes;
        ++pos;
      }
      if (pos < size && commandLine[pos] == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument.push_back('"');
          ++pos;
        } else if (quoted && pos + 1 < size && commandLine[pos + 1] == '"') {
          argument.push_back('"');
          pos += 2;
        } else {
          quoted = !quoted;
          ++pos;
        }
        continue;
      }
      argument.append(backslashes, '\\');
      if (pos >= size || (!quoted && IsBlank(commandLine[pos]))) break;
      CopyCharacter(commandLine, pos, argument);
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace tavirel
