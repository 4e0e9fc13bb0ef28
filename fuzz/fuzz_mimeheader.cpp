// Header decoding: the one-pass decoder gives what the rules written the plain
// way give (search from the start again after every word), the line never
// grows, and base64 gives back what was encoded.
#include <cstddef>
#include <cstdint>

#include "core/jconv/jconvert.h"
#include "fuzzsupport.h"
#include "support/mimereference.h"

namespace {

using namespace tavirel;

std::string EncodeBase64(std::string_view bytes) {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tavirel::fuzz::Check;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string decoded = DecodeMimeHeader(input);
  Check(decoded.size() <= input.size(), "decoded line no longer than the input", input, decoded);
  const std::string expected = testsupport::ReferenceDecodeMimeHeader(input);
  Check(decoded == expected, "one pass equals the rescanning rules", expected, decoded);
  (void)DecodeBase64(input);
  const std::string back = DecodeBase64(EncodeBase64(input));
  Check(back == input, "base64 round trip", input, back);
  return 0;
}
