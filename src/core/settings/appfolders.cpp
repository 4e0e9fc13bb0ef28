#include "core/settings/appfolders.h"

#include <optional>
#include <utility>

#include "core/process/ucommon.h"
#include "core/settings/settings.h"
#include "platform/platform.h"

namespace tavirel {
namespace {

std::string Join(std::string_view folder, std::string_view name) {
  return AddTrailingBackslash(folder, NativePathStyle) + std::string(name);
}

std::optional<AppFolders>& Chosen() {
  static std::optional<AppFolders> folders;
  return folders;
}

}  // namespace

AppFolders PortableAppFolders(const std::string& programPath) {
  AppFolders folders;
  folders.Mode = TRunMode::Portable;
  folders.ProgramFolder = ParentFolder(programPath, NativePathStyle);
  folders.SettingsFile = SettingsFileNameFor(programPath);
  folders.AliasesFile = Join(folders.ProgramFolder, "aliases.ini");
  folders.WorkFolder = folders.ProgramFolder;
  folders.HelpRoot = folders.ProgramFolder;
  return folders;
}

AppFolders ChooseAppFolders(const AppFolderFacts& facts) {
  const bool portable = facts.SettingsFileBeside ||
                        (!facts.InstalledDataPresent && facts.ProgramFolderWritable);
  if (portable) return PortableAppFolders(facts.ProgramPath);

  AppFolders folders;
  folders.Mode = TRunMode::Installed;
  folders.ProgramFolder = ParentFolder(facts.ProgramPath, NativePathStyle);
  folders.SettingsFile = Join(facts.ConfigFolder, "tavirel.ini");
  folders.AliasesFile = Join(facts.ConfigFolder, "aliases.ini");
  folders.WorkFolder = facts.CacheFolder;
  if (facts.InstalledDataPresent || facts.DataFolders.empty()) {
    folders.HelpRoot = facts.InstalledDataFolder;
  } else {
    folders.HelpRoot = facts.DataFolders.front();
  }
  // The work folder is made when a result file is first written there: with
  // the default settings that file goes to the temporary folder instead.
  folders.FoldersToCreate = {facts.ConfigFolder};
  return folders;
}

const AppFolders& CurrentAppFolders() {
  std::optional<AppFolders>& folders = Chosen();
  if (!folders) {
    folders = PortableAppFolders(platform::ProgramPath());
    // An executable whose path cannot be read works from the current folder.
    if (folders->ProgramFolder.empty()) {
      const std::string current = ProgramFolder();
      folders->ProgramFolder = folders->WorkFolder = folders->HelpRoot = current;
      folders->AliasesFile = Join(current, "aliases.ini");
    }
  }
  return *folders;
}

void SetAppFolders(AppFolders folders) { Chosen() = std::move(folders); }

}  // namespace tavirel
