// Shared by the fuzz targets: a property that does not hold stops the run
// with a message (libFuzzer then saves the input as a crash file).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace tavirel::fuzz {

inline std::string Hex(std::string_view s) {
  static const char* digits = "0123456789abcdef";
  std::string r;
  for (unsigned char c : s) {
    r += digits[c >> 4];
    r += digits[c & 15];
    r += ' ';
  }
  return r;
}

[[noreturn]] inline void Fail(const char* what, std::string_view a = {}, std::string_view b = {}) {
  std::fprintf(stderr, "property failed: %s\n  %s\n  %s\n", what, Hex(a).c_str(), Hex(b).c_str());
  std::abort();
}

inline void Check(bool ok, const char* what, std::string_view a = {}, std::string_view b = {}) {
  if (!ok) Fail(what, a, b);
}

}  // namespace tavirel::fuzz
