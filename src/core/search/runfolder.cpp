#include "core/search/runfolder.h"

#include <cstdlib>

#include "platform/platform.h"

namespace tavirel {
namespace {

std::string& Parent() {
  static std::string parent;
  return parent;
}

std::string& Folder() {
  static std::string folder;
  return folder;
}

}  // namespace

void SetRunFolderParent(const std::string& parent) { Parent() = parent; }

const std::string& RunFolder() {
  std::string& folder = Folder();
  if (folder.empty()) {
    const std::string parent = Parent().empty() ? platform::TempFolder() : Parent();
    folder = platform::CreatePrivateFolder(parent, "tavirel-");
    static const bool registered = [] { return std::atexit(ReleaseRunFolder) == 0; }();
    (void)registered;
  }
  return folder;
}

void ReleaseRunFolder() {
  std::string& folder = Folder();
  if (folder.empty()) return;
  platform::RemovePrivateFolder(folder);
  folder.clear();
}

}  // namespace tavirel
