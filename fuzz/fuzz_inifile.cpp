// The INI reader and writer: whatever a read understood (every section, every
// key and its value) is read back the same from the rewrite, and a second
// rewrite is the first byte for byte.
#include <cstddef>
#include <cstdint>

#include "core/settings/inifile.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavirel;
  using tavirel::fuzz::Check;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const TIniFile first(input);
  const std::string text = first.ToText();
  const TIniFile second(text);
  const std::string again = second.ToText();
  Check(again == text, "rewrite is stable", text, again);
  Check(second.SectionNames() == first.SectionNames(), "same sections", text);
  for (const std::string& section : first.SectionNames()) {
    const auto keys = first.ReadSection(section);
    Check(second.ReadSection(section) == keys, "same keys", section, text);
    for (const std::string& key : keys) {
      const std::string a = first.ReadString(section, key, "\x01missing");
      const std::string b = second.ReadString(section, key, "\x01missing");
      Check(a == b, "same value", a, b);
      Check(ReadProfileString(first, section, key, "") == ReadProfileString(second, section, key, ""),
            "same profile string", a, b);
    }
  }
  return 0;
}
