// The choice between a portable copy and an installed program, and the files
// each one uses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settings/appfolders.h"

namespace tavirel {
namespace {

struct Row {
  const char* name;
  AppFolderFacts facts;
  TRunMode mode;
  std::string settings, aliases, work, help;
  std::vector<std::string> create;
};

AppFolderFacts Facts(std::string program, bool ini, bool writable, bool data,
                     std::vector<std::string> dataFolders = {}) {
  AppFolderFacts f;
  f.ProgramPath = std::move(program);
  f.SettingsFileBeside = ini;
  f.ProgramFolderWritable = writable;
  f.InstalledDataFolder = "/usr/share/tavirel";
  f.InstalledDataPresent = data;
  f.DataFolders = std::move(dataFolders);
  f.ConfigFolder = "/home/u/.config/tavirel";
  f.CacheFolder = "/home/u/.cache/tavirel";
  return f;
}

// Made at start: the settings folder. The cache folder is made only when a
// result file goes there.
const std::vector<std::string> UserFolders = {"/home/u/.config/tavirel"};

TEST(AppFolders, ModeAndFiles) {
  const std::string stick = "/media/u/STICK/tavirel";
  const std::vector<Row> rows = {
      // A folder of its own, writable: everything beside the executable.
      {"portable writable", Facts(stick + "/tavirel", false, true, false), TRunMode::Portable,
       stick + "/tavirel.ini", stick + "/aliases.ini", stick, stick, {}},
      // A settings file beside it wins even in a read-only folder or an installed tree.
      {"portable read-only with ini", Facts(stick + "/tavirel", true, false, false),
       TRunMode::Portable, stick + "/tavirel.ini", stick + "/aliases.ini", stick, stick, {}},
      {"installed tree with ini", Facts("/usr/bin/tavirel", true, true, true), TRunMode::Portable,
       "/usr/bin/tavirel.ini", "/usr/bin/aliases.ini", "/usr/bin", "/usr/bin", {}},
      // The settings file keeps the executable's own name, lower-cased.
      {"renamed executable", Facts("/opt/Apps/Search", false, true, false), TRunMode::Portable,
       "/opt/Apps/search.ini", "/opt/Apps/aliases.ini", "/opt/Apps", "/opt/Apps", {}},
      // Installed: a folder the user cannot write, or an installed tree
      // that root (or the owner of a home prefix) could write.
      {"installed read-only", Facts("/usr/bin/tavirel", false, false, true), TRunMode::Installed,
       "/home/u/.config/tavirel/tavirel.ini", "/home/u/.config/tavirel/aliases.ini",
       "/home/u/.cache/tavirel", "/usr/share/tavirel", UserFolders},
      {"installed tree writable", Facts("/usr/bin/tavirel", false, true, true),
       TRunMode::Installed, "/home/u/.config/tavirel/tavirel.ini",
       "/home/u/.config/tavirel/aliases.ini", "/home/u/.cache/tavirel", "/usr/share/tavirel",
       UserFolders},
      // Help pages found through the desktop's data folders when the
      // executable's own tree has none; the executable's tree comes first.
      {"help from data folders", Facts("/usr/bin/tavirel", false, false, false,
                                       {"/usr/local/share/tavirel", "/usr/share/tavirel"}),
       TRunMode::Installed, "/home/u/.config/tavirel/tavirel.ini",
       "/home/u/.config/tavirel/aliases.ini", "/home/u/.cache/tavirel",
       "/usr/local/share/tavirel", UserFolders},
      {"own tree before data folders", Facts("/usr/bin/tavirel", false, false, true,
                                             {"/usr/local/share/tavirel"}),
       TRunMode::Installed, "/home/u/.config/tavirel/tavirel.ini",
       "/home/u/.config/tavirel/aliases.ini", "/home/u/.cache/tavirel", "/usr/share/tavirel",
       UserFolders},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const AppFolders f = ChooseAppFolders(row.facts);
    EXPECT_EQ(f.Mode, row.mode);
    EXPECT_EQ(f.SettingsFile, row.settings);
    EXPECT_EQ(f.AliasesFile, row.aliases);
    EXPECT_EQ(f.WorkFolder, row.work);
    EXPECT_EQ(f.HelpRoot, row.help);
    EXPECT_EQ(f.FoldersToCreate, row.create);
    // Program-relative paths stay relative to the executable in both modes.
    EXPECT_EQ(f.ProgramFolder, row.facts.ProgramPath.substr(0, row.facts.ProgramPath.rfind('/')));
  }
}

// Until the start sets them, the folders are the portable ones of the
// running executable (the test program here).
TEST(AppFolders, CurrentDefaultsToPortableThenKeepsWhatWasSet) {
  EXPECT_EQ(CurrentAppFolders().Mode, TRunMode::Portable);
  EXPECT_EQ(CurrentAppFolders().SettingsFile.substr(CurrentAppFolders().SettingsFile.rfind('/')),
            "/test_settings.ini");
  SetAppFolders(ChooseAppFolders(Facts("/usr/bin/tavirel", false, false, true)));
  EXPECT_EQ(CurrentAppFolders().SettingsFile, "/home/u/.config/tavirel/tavirel.ini");
}

}  // namespace
}  // namespace tavirel
