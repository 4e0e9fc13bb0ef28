// The mail header decoding rules written the plain way: after each encoded
// word the search starts again at the start of the line. Slow (quadratic),
// and obviously the rules: the tests and the fuzz target compare the
// one-pass decoder with it. Also an encoder to build encoded words.
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

// Base64 with "=" padding, to build encoded words and for round trips.
inline std::string EncodeBase64(std::string_view bytes) {
  static const char* alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string r;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    for (int shift : {18, 12, 6, 0}) r += alphabet[(v >> shift) & 63];
  }
  const size_t left = bytes.size() - i;
  if (left > 0) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (left == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    r += alphabet[(v >> 18) & 63];
    r += alphabet[(v >> 12) & 63];
    r += left == 2 ? alphabet[(v >> 6) & 63] : '=';
    r += '=';
  }
  return r;
}

}  // namespace tavirel::testsupport
