// The aliases.ini reader: lists stay in step with their names, every value
// keeps within the profile-string length, counts stay within their caps, and
// building a query text from all formulas of every group never fails.
#include <cstddef>
#include <cstdint>

#include "core/settings/alias.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tavirel;
  using tavirel::fuzz::Check;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const TAliasFile file = ParseAliasText(input);
  Check(file.DirAliasDirectories.size() == file.AliasNames.size(), "one directory list per alias",
        input);
  Check(file.QueryGroups.size() == file.GroupNames.size(), "one query group per name", input);
  Check(file.AliasNames.size() <= static_cast<size_t>(MaxAliasEntries), "aliases capped", input);
  Check(file.GroupNames.size() <= static_cast<size_t>(MaxAliasEntries), "groups capped", input);
  std::vector<std::string> formulas;
  for (const TQueryGroup& group : file.QueryGroups) {
    Check(group.Captions.size() == group.Queries.size() && group.Ticked.size() == group.Queries.size(),
          "captions, formulas and ticks in step", input);
    for (const std::string& query : group.Queries) {
      Check(query.size() <= 2047, "a value keeps within 2047 bytes", query);
      formulas.push_back(query);
    }
  }
  for (const std::string& name : file.AliasNames) Check(name.size() <= 2047, "alias name length", name);
  Check(formulas.size() <= static_cast<size_t>(MaxAliasTotalEntries), "formulas capped", input);
  (void)BuildQueryText(formulas, false);
  (void)BuildQueryText(formulas, true);
  return 0;
}
