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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tavirel::fuzz::Check;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string decoded = DecodeMimeHeader(input);
  Check(decoded.size() <= input.size(), "decoded line no longer than the input", input, decoded);
  const std::string expected = testsupport::ReferenceDecodeMimeHeader(input);
  Check(decoded == expected, "one pass equals the rescanning rules", expected, decoded);
  (void)DecodeBase64(input);
  const std::string back = DecodeBase64(testsupport::EncodeBase64(input));
  Check(back == input, "base64 round trip", input, back);
  return 0;
}
