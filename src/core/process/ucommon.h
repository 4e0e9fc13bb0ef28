// Small text and path routines shared by the windows. Every string is a
// Shift-JIS byte string; scans for blanks, quotes and separators skip the trail
// byte of a double-byte character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace tavirel {

enum class PathStyle { Windows, Posix };

// The style of the platform the program runs on.
inline constexpr PathStyle NativePathStyle = PathStyle::Posix;

// True for a Shift-JIS lead byte (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsSjisLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Byte length of the character at byte `i`: 2 for a Shift-JIS lead byte that
// has a byte after it, else 1.
inline size_t SjisCharLength(std::string_view text, size_t i) {
  return (IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
}
// True for a byte that may follow a lead byte (0x40-0x7E, 0x80-0xFC).
constexpr bool IsSjisTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}
// Byte length of the character at byte `i` when only a valid pair counts as
// a double-byte character: 2 for a lead byte followed by a trail byte, else 1.
inline size_t SjisPairLength(std::string_view text, size_t i) {
  return (IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
          IsSjisTrailByte(static_cast<unsigned char>(text[i + 1])))
             ? 2
             : 1;
}
// ASCII letters A-Z mapped to a-z; double-byte characters are left alone.
std::string AsciiLowerSjis(std::string_view text);
// Equality without regard to ASCII letter case (Shift-JIS aware).
bool SameTextSjis(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// The text without the bytes 0x00-0x20 at both ends (such a byte is never the
// trail byte of a double-byte character).
std::string_view TrimBlanks(std::string_view text);

std::vector<std::string> ParseIndexDirectoryList(std::string_view text); // the entries, in order
std::string JoinQuotedDirectories(const std::vector<std::string>& directories);
std::string StripQuotes(std::string_view text);
std::string UrlToLocalPath(std::string_view uri, PathStyle style);
std::string LocalPathToUrl(std::string_view path, PathStyle style);
std::string ExpandProgramRelativePath(std::string_view path, std::string_view programFolder,
                                      PathStyle style);
std::string ExpandDriveConstant(std::string_view path,
                                const std::vector<std::string>& driveConstantList);
std::string AddTrailingBackslash(std::string_view path, PathStyle style);
std::string StripTrailingBackslash(std::string_view path, PathStyle style);
std::string StripFragment(std::string_view path, PathStyle style);
int LastPos(std::string_view text, std::string_view part);     // 1-based, 0 when absent
std::string URLDecode(std::string_view text);                  // the PzConv1 operation

// The folder holding `path` (everything before its last separator, which is
// dropped); the root stays the root; "" when `path` has no separator.
std::string ParentFolder(std::string_view path, PathStyle style);
// The running program's folder, without a trailing separator.
std::string ProgramFolder();

// File-system conveniences (through the platform layer).
bool IsReadOnlyFile(const std::string& path);
// Appends folder + name for every ordinary file in `folder` (which ends in the
// separator) matching the Windows-style `mask`; returns the list.
std::vector<std::string> FindFiles(const std::string& folder, const std::string& mask,
                                   std::vector<std::string> list);
void DeleteFiles(const std::string& folder, const std::string& mask);

// The most the program reads of each kind of file. A file above its limit is
// refused with a message and never read or written; the limits are far above
// what the program itself or Namazu ever writes.
inline constexpr uint64_t MaxSettingsFileBytes = 1ull << 20;     // settings, aliases.ini
inline constexpr uint64_t MaxCommandListFileBytes = 4ull << 20;  // command list files
inline constexpr uint64_t MaxResultFileBytes = 64ull << 20;      // result.txt
inline constexpr uint64_t MaxDocumentFileBytes = 64ull << 20;    // documents in the text view

// The message for a file that ReadWholeFile refused as not a regular file or
// as larger than `maxBytes`, followed by a line break and the path; empty for
// the other failures, which the callers report in their own words.
std::string FileRefusedMessage(platform::ReadFailure failure, uint64_t maxBytes,
                               std::string_view path);

}  // namespace tavirel
