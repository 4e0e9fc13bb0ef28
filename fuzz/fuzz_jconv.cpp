// Kanji code detection and conversion: no input makes them misbehave, and
// valid Shift-JIS text survives Shift-JIS -> JIS -> Shift-JIS and
// Shift-JIS -> EUC-JP -> Shift-JIS unchanged.
#include <cstddef>
#include <cstdint>

#include "core/jconv/jconvert.h"
#include "fuzzsupport.h"

namespace {

using namespace tavirel;

constexpr bool IsTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// The Shift-JIS text the input holds, keeping only what every code can write
// and read back: ASCII without the escape and shift bytes that JIS gives a
// meaning, and double-byte characters of the 94 JIS X 0208 rows. Half-width
// katakana are left out: the conversion to JIS makes them full-width, as
// that code has no other form for them.
std::string ValidSjis(std::string_view in) {
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c < 0x80) {
      if (c != 0x1B && c != 0x0E && c != 0x0F) out += static_cast<char>(c);
    } else if (((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)) && i + 1 < in.size() &&
               IsTrail(static_cast<unsigned char>(in[i + 1]))) {
      out += in.substr(i, 2);
      ++i;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tavirel::fuzz::Check;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const TKanjiCode code = DetectKanjiCode(input);
  Check(code >= kcAscii && code <= kcEucOrSjis, "DetectKanjiCode in range", input);
  for (TKanjiCode target : {kcSjis, kcEuc, kcJisNew, kcJisOld, kcAscii}) {
    (void)ConvertKanjiCode(input, target);
  }
  (void)JisToEuc(input);
  (void)EucToJis(input);
  (void)JisToSjis(input);
  (void)EucToSjis(input);

  const std::string sjis = ValidSjis(input);
  const std::string viaJis = JisToSjis(SjisToJis(sjis));
  Check(viaJis == sjis, "Shift-JIS -> JIS -> Shift-JIS", sjis, viaJis);
  const std::string viaEuc = EucToSjis(SjisToEuc(sjis));
  Check(viaEuc == sjis, "Shift-JIS -> EUC-JP -> Shift-JIS", sjis, viaEuc);
  return 0;
}
