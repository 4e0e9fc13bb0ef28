#include "core/process/urltext.h"

#include <cstdint>
#include <cstring>

#include "core/process/ucommon.h"
#include "platform/platform.h"

namespace tavirel {
namespace {

using uchar = unsigned char;

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes, bool* hasMultiByte) {
  const uchar* s = reinterpret_cast<const uchar*>(bytes.data());
  const size_t n = bytes.size();
  bool multi = false;
  size_t i = 0;
  while (i < n) {
    // Plain ASCII a word at a time.
    while (i + 8 <= n) {
      uint64_t w;
      std::memcpy(&w, s + i, sizeof w);
      if (w & 0x8080808080808080ULL) break;
      i += 8;
    }
    if (i >= n) break;
    const uchar c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t length;
    uint32_t min;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2; min = 0x80; cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3; min = 0x800; cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4; min = 0x10000; cp = c & 0x07;
    } else {
      if (hasMultiByte) *hasMultiByte = multi;
      return false;
    }
    if (i + length > n) {
      if (hasMultiByte) *hasMultiByte = multi;
      return false;
    }
    for (size_t k = 1; k < length; ++k) {
      const uchar d = s[i + k];
      if ((d & 0xC0) != 0x80) {
        if (hasMultiByte) *hasMultiByte = multi;
        return false;
      }
      cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      if (hasMultiByte) *hasMultiByte = multi;
      return false;
    }
    multi = true;
    i += length;
  }
  if (hasMultiByte) *hasMultiByte = multi;
  return true;
}


std::string DecodePercentPath(std::string_view text) {
  if (text.find('%') == std::string_view::npos) return std::string(text);
  std::string decoded;
  decoded.reserve(text.size());
  bool eightBit = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      char byte = static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      if (static_cast<uchar>(byte) >= 0x80) eightBit = true;
      decoded.push_back(byte);
      i += 2;
    } else {
      decoded.push_back(text[i]);
    }
  }
  if (!eightBit) return decoded;
  bool multi = false;
  if (IsValidUtf8(decoded, &multi)) {
    // Characters Shift-JIS cannot write stay as escapes of their bytes,
    // which the platform reads back (platform::NativePath).
    return platform::ProgramPathFromNative(decoded);
  }
  // Not UTF-8: the bytes were written in Shift-JIS already.
  return decoded;
}


bool IsWebAddress(std::string_view address) {
  size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;  // "C:" is a drive
  for (size_t i = 0; i < colon; ++i) {
    char c = LowerAscii(address[i]);
    bool schemeChar = (c >= 'a' && c <= 'z') || (i > 0 && ((c >= '0' && c <= '9') || c == '+' ||
                                                           c == '-' || c == '.'));
    if (!schemeChar) return false;
  }
  return !SameTextSjis(address.substr(0, colon), "file");
}


}  // namespace tavirel
