// The program's start decides where its files live: it gathers the facts
// (the executable, its folder, the desktop's standard folders) and hands
// them to ChooseAppFolders. This is the only place that asks the desktop for
// its folders (QStandardPaths, which follows XDG_CONFIG_HOME, XDG_CACHE_HOME
// and XDG_DATA_DIRS).
#pragma once

#include <string>

#include "core/settings/appfolders.h"

namespace tavirel {

// The facts for the executable at `programPath` (Shift-JIS). A standard
// folder that has no Shift-JIS form is left empty.
AppFolderFacts GatherAppFolderFacts(const std::string& programPath);

// Chooses the folders of this run, creates the user's folders of the
// installed mode and makes them CurrentAppFolders(). False, after an error
// message, when the installed mode has no usable configuration folder; the
// program then ends without touching any file.
bool PrepareAppFolders(const std::string& programPath);

}  // namespace tavirel
