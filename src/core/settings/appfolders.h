// Where the program keeps its files. A copy run from a folder of its own (a
// USB stick, a build folder) keeps everything beside its executable; an
// installed program keeps the user's files in the user's folders and reads
// its help pages from the installed data folder. The mode is chosen once at
// start from facts that the user-interface layer gathers (it alone asks the
// desktop for its standard folders); nothing here reads the environment.
#pragma once

#include <string>
#include <vector>

namespace tavirel {

enum class TRunMode { Portable, Installed };

// What the start of the program found out. Every path is a Shift-JIS byte
// string without a trailing separator.
struct AppFolderFacts {
  std::string ProgramPath;             // the running executable
  bool SettingsFileBeside = false;     // its settings file exists beside it
  bool ProgramFolderWritable = false;  // the user may create files in its folder
  // The data folder of an installation, as seen from the executable
  // (<prefix>/bin/tavirel -> <prefix>/share/tavirel), and whether it holds
  // the help pages, that is whether the executable sits in an installed tree.
  std::string InstalledDataFolder;
  bool InstalledDataPresent = false;
  // Other data folders of the desktop (each "<XDG data folder>/tavirel")
  // that hold the help pages, in the desktop's order.
  std::vector<std::string> DataFolders;
  std::string ConfigFolder;            // "$XDG_CONFIG_HOME/tavirel"
  std::string CacheFolder;             // "$XDG_CACHE_HOME/tavirel"
};

// The chosen folders and files; one mode, never mixed.
struct AppFolders {
  TRunMode Mode = TRunMode::Portable;
  std::string ProgramFolder;   // the executable's folder: base of program-relative paths
  std::string SettingsFile;    // the settings INI file
  std::string AliasesFile;     // aliases.ini
  std::string WorkFolder;      // the result file when it is not made in the temporary folder;
                               // made when that file is first written
  std::string HelpRoot;        // the folder that holds help/ (start.html, index.html)
  // Folders the program creates at start, before it writes anything there.
  std::vector<std::string> FoldersToCreate;
};

// The one decision:
// - the settings file beside the executable: portable (a user who wants a
//   portable copy inside an installed tree puts a settings file beside it);
// - otherwise an executable inside an installed tree (its data folder holds
//   the help pages): installed, even when its folder is writable (root
//   running /usr/bin/tavirel, or a prefix in the user's home), so that no
//   file is ever added to an installed tree;
// - otherwise a writable folder: portable;
// - otherwise: installed.
AppFolders ChooseAppFolders(const AppFolderFacts& facts);

// Portable folders for the executable at `programPath`: how the program ran
// before there was an installed mode, and what CurrentAppFolders() gives
// until the program's start sets them.
AppFolders PortableAppFolders(const std::string& programPath);

// The folders of this run, set once by the program's start.
const AppFolders& CurrentAppFolders();
void SetAppFolders(AppFolders folders);

}  // namespace tavirel
