// Operating-system primitives. Every path that crosses this interface is a
// Shift-JIS (CP932) byte string, as everywhere in the program; the POSIX
// implementation converts to and from the file system's UTF-8 here and
// nowhere else. A path that cannot be written in the other code is refused
// (the call fails with a message in `error`), never replaced by other
// characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavirel::platform {

// Code-page conversion. Both fail (nullopt) on bytes that have no counterpart.
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);
std::optional<std::string> Utf8ToCp932(std::string_view utf8);

// File names that Shift-JIS cannot write. The file system's names are UTF-8
// and may hold characters CP932 has no code for (𠮷, emoji) or bytes that are
// no UTF-8 at all. Inside the program such a character is written as the
// percent escapes of its file-system bytes ("%F0%A0%AE%B7"); every other
// character stays itself. A run of escapes is read back as file-system bytes
// only when those bytes are not CP932-writable text, so a real name that
// contains "%E6%97%85" (旅, writable) keeps its percent signs. A real name
// that literally holds an escape of an unwritable character cannot be named.
//
// The file system's form of a program path or file-name argument: CP932
// converted to UTF-8 with the escapes above decoded. nullopt for bytes that
// are not valid CP932.
std::optional<std::string> NativePath(std::string_view path);
// The program's form of a file-system name: CP932, with the characters (and
// stray bytes) CP932 cannot write as percent escapes. Never fails.
std::string ProgramPathFromNative(std::string_view native);

struct FileAttributes {
  bool exists = false;      // the attributes could be read
  bool directory = false;
  bool regular = false;
  bool readOnly = false;    // the owner has no write permission
  bool hidden = false;      // the name begins with "."
  uint64_t size = 0;
};

FileAttributes GetFileAttributes(std::string_view path);
bool FileExists(std::string_view path);       // an existing non-folder
bool DirectoryExists(std::string_view path);
// True when the owner may not write the file, and also when its attributes
// cannot be read at all (a missing file counts as read-only).
bool IsReadOnly(std::string_view path);
// Sets or clears the owner's write permission.
bool SetReadOnly(std::string_view path, bool readOnly, std::string* error = nullptr);

// Why a read was refused.
enum class ReadFailure {
  None,
  Unreadable,   // missing, a folder, no permission, an I/O error, a path not in CP932
  NotRegular,   // a FIFO, a device, a socket
  TooLarge,     // more than the caller's limit
};

// Reads at most this many bytes unless the caller names its own limit.
inline constexpr uint64_t DefaultMaxReadBytes = 64ull << 20;

// Reads the whole file. Only a regular file of at most `maxBytes` bytes is
// read: anything else (a folder, a FIFO, a device such as /dev/zero, also
// behind a symbolic link) is refused without reading from it or waiting for
// a writer, and so is a file larger than the limit or one that grows past it
// while it is read. `failure` (when given) tells which refusal it was.
bool ReadWholeFile(std::string_view path, std::string& contents, std::string* error = nullptr,
                   uint64_t maxBytes = DefaultMaxReadBytes, ReadFailure* failure = nullptr);
// Reads the last `maxBytes` bytes of the file (the whole of a smaller one),
// for logs that only grow.
bool ReadFileTail(std::string_view path, size_t maxBytes, std::string& contents,
                  std::string* error = nullptr);
// Replaces the file with `contents` so that the file is always either the old
// or the new one: the text goes to a temporary file in the same folder, is
// flushed to disk and renamed over the old one. The new file keeps the old
// one's permission bits. A read-only target is refused and left untouched.
bool WriteFileAtomic(std::string_view path, std::string_view contents,
                     std::string* error = nullptr);
bool DeleteFile(std::string_view path, std::string* error = nullptr);
// True when this user may create files in the existing folder `path` (the
// kernel's own answer, so a read-only mount says no even to root).
bool CanCreateFilesIn(std::string_view path);
// Removes the temporary files that WriteFileAtomic leaves beside `path` when
// the process is killed during a write: regular files owned by this user
// whose name is "." + the file name + ".tmp" + digits, last changed at least
// `minAgeSeconds` ago (a younger one may belong to a save that is still
// running in another copy of the program). Nothing else is touched. Returns
// how many were removed.
int RemoveStaleTempFiles(std::string_view path, int minAgeSeconds);
// Creates the folder and any missing parents; true when it exists afterwards.
bool CreateFolders(std::string_view path, std::string* error = nullptr);

// Names (not paths) of the ordinary files in `folder` whose name matches the
// Windows-style `mask` ("*" any run, "?" one character), compared as the file
// system stores them. Folders, hidden files and other non-regular entries are
// left out. Sorted by name. Names that cannot be written in CP932 are skipped.
std::vector<std::string> ListFiles(std::string_view folder, std::string_view mask);
// True when `name` matches the Windows-style `mask`; a Shift-JIS double-byte
// character counts as one character for "?".
bool MatchesMask(std::string_view name, std::string_view mask);

std::string CurrentFolder();                    // empty when unrepresentable
bool SetCurrentFolder(std::string_view path, std::string* error = nullptr);
std::string TempFolder();                       // without a trailing separator
// A new folder only this user may enter (mode 0700), created with mkdtemp
// under `parent` with a name starting with `prefix`; empty when it cannot be
// made. Nobody else can create, replace or link anything inside it.
std::string CreatePrivateFolder(std::string_view parent, std::string_view prefix,
                                std::string* error = nullptr);
// Removes a folder made by CreatePrivateFolder with the files directly in it
// (no subfolders are followed). True when it is gone afterwards.
bool RemovePrivateFolder(std::string_view path);
std::string ProgramPath();                      // the running executable
std::string CanonicalPath(std::string_view path); // empty for a missing file

// A descriptor that becomes readable (one byte per signal) when the process
// is asked to end with SIGTERM, SIGHUP or SIGINT, as a desktop session does
// at logout, so that the program can close its window as the user would;
// -1 when it cannot be set up. Set up once; later calls give the same one.
int WatchEndRequests();

}  // namespace tavirel::platform
