// The folder private to the user and to this run of the program that holds
// the temporary result file (ResultUseTempDir "1"). The searcher is told to
// write a file of a fixed name there; in a shared temporary folder anyone
// could plant a link of that name first and have the searcher overwrite
// another file. Inside a folder that only this user may enter, nobody can.
//
// The program's start names the parent folder (the user's runtime folder when
// there is one); the folder itself is made there on first use and removed
// with its content by ReleaseRunFolder and at the latest when the process
// exits normally.
#pragma once

#include <string>

namespace tavirel {

// Sets the folder under which the private folder is made. Empty (the default)
// means the system's temporary folder. Takes effect for a folder not yet made.
void SetRunFolderParent(const std::string& parent);

// The private folder, made on the first call; empty when it cannot be made
// (then there is no safe place, and the caller must not write a fixed name in
// a shared folder instead).
const std::string& RunFolder();

// Removes the private folder and the files in it; the next RunFolder() makes
// a new one.
void ReleaseRunFolder();

}  // namespace tavirel
