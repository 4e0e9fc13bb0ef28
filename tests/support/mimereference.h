// The mail header decoding rules written the plain way: after each encoded
// word the search starts again at the start of the line. Slow (quadratic),
// and obviously the rules: the tests and the fuzz target compare the
// one-pass decoder with it.
#pragma once

#include <string>
#include <string_view>

#include "core/jconv/jconvert.h"

namespace tavirel::testsupport {

inline std::string ReferenceDecodeMimeHeader(std::string_view line) {
  const std::string prefix = "=?ISO-2022-JP?B?";
  std::string result(line);
  std::string search(line);
  for (char& ch : search)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  for (size_t p; (p = search.find(prefix)) != std::string::npos;) {
    result.erase(p, prefix.size());
    search.erase(p, prefix.size());
    const size_t q = result.find("?=", p);
    if (q == std::string::npos) continue;
    const std::string decoded = DecodeBase64(std::string_view(result).substr(p, q - p));
    result.replace(p, q + 2 - p, decoded);
    search.replace(p, q + 2 - p, decoded);
  }
  return result;
}

}  // namespace tavirel::testsupport
