// The program's own INI reader/writer and the
// profile-string rules layered on it (the "SearchMRU" section, the window
// placement keys, aliases.ini).
//
// Text is Shift-JIS bytes. Reading accepts lines ending in CR LF, LF or a lone
// CR; writing always ends lines in CR LF. Scans for "[", "]", "=", ";" and
// quotes, and the ASCII case folding of names, skip the trail byte of a
// Shift-JIS double-byte character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/process/ucommon.h"
#include "platform/platform.h"

namespace tavirel {

// The whole INI file in memory.
//
// Parsing: every line is trimmed of blanks (bytes 0x00-0x20); empty lines and
// lines beginning with ";" are skipped (comments do not survive a rewrite); a
// line that begins with "[" and ends with "]" opens a section named by the
// trimmed text between the brackets; lines before the first section are
// ignored (and so dropped by a rewrite); a line containing "=" is a key, its
// name the trimmed part before the first "=", its value the trimmed rest; any
// other line stays in its section as it is.
//
// Names: section and key names match without regard to ASCII letter case.
// A section that occurs again later in the text is merged into the first one:
// its lines are appended to the first occurrence's lines, and the file is
// written with one header at the first occurrence's place. Of a key that
// occurs more than once in a section only the first occurrence is read and
// written; later ones are kept as they are.
//
// Writing: each section as "[name]" on a line of its own, then its lines in
// order (keys as name=value, an empty value as "name="), then one empty line.
// Writing a key that is present replaces that line in place (the key name then
// takes the writer's spelling, the section keeps the file's); a new key is
// appended to the end of its section, a new section to the end of the file.
class TIniFile {
 public:
  TIniFile() = default;
  explicit TIniFile(std::string_view text) { LoadFromText(text); }

  // Replaces the content by the parse of `text`.
  void LoadFromText(std::string_view text);
  // Replaces the content by the parse of the file. When the file cannot be
  // read (missing, a folder, unreadable) or is refused (not a regular file,
  // larger than `maxBytes`) the content is left empty and the result is false.
  bool LoadFromFile(const std::string& path, std::string* error = nullptr,
                    uint64_t maxBytes = MaxSettingsFileBytes,
                    platform::ReadFailure* failure = nullptr);
  void Clear();

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  // The value as stored (trimmed when it came from text), or `def` when the
  // section or key is absent.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Removes the section with all its lines; nothing when it is absent.
  void EraseSection(std::string_view section);
  // Removes every line of the key in the section.
  void DeleteKey(std::string_view section, std::string_view key);
  // Key names of the section in file order, each name once (first spelling).
  std::vector<std::string> ReadSection(std::string_view section) const;
  // Section names in file order.
  std::vector<std::string> SectionNames() const;

  // The whole file as text, lines ending in CR LF.
  std::string ToText() const;
  // Writes ToText() through platform::WriteFileAtomic: the file is afterwards
  // either the old one or the new one; a read-only target is refused, and so
  // is a text longer than `maxBytes`, which the next read would refuse.
  bool SaveToFile(const std::string& path, std::string* error = nullptr,
                  uint64_t maxBytes = MaxSettingsFileBytes) const;

 private:
  // The text is kept as read; names, keys, values and lines are pieces of it
  // (what later writes bring is appended to it). So a file of a million
  // tiny lines takes a few times its size, not a hundred.
  struct Piece {
    uint32_t Offset = 0;
    uint32_t Length = 0;
  };
  static constexpr uint32_t NotAKey = UINT32_MAX;
  // A key line (Key, and its value as Text), or, when Key.Length is NotAKey,
  // a run of lines without "=" (Text spans them as read, comments and empty
  // lines between them included; a rewrite trims them and drops those).
  struct Line {
    Piece Key;
    Piece Text;
  };
  // Names that match without regard to ASCII letter case, as ids into a
  // list the owner keeps, in an open-addressed table.
  class NameIndex {
   public:
    void Clear() { slots_.clear(); count_ = 0; }
    void Reserve(size_t count);
    // The id stored under the name, or NotAKey; `nameOf(id)` gives an id's name.
    template <class NameOf>
    uint32_t Find(std::string_view name, NameOf nameOf) const;
    // Stores `id` unless the name is there already; returns the id stored.
    template <class NameOf>
    uint32_t Insert(std::string_view name, uint32_t id, NameOf nameOf);

   private:
    std::vector<uint32_t> slots_;  // id + 1; 0 for a free slot
    size_t count_ = 0;
  };
  struct Body {
    std::vector<Line> lines;
    NameIndex keyIndex;  // key name -> its first line
  };
  struct Section {
    Piece Name;
    uint32_t BodyId = NotAKey;  // into bodies_; NotAKey while it has no lines
  };

  std::string_view Text(Piece piece) const {
    return std::string_view(text_).substr(piece.Offset, piece.Length);
  }
  Piece Append(std::string_view text);
  void LoadOwnedText(std::string text);
  uint32_t FindSectionIndex(std::string_view section) const;  // NotAKey when absent
  const Body* FindBody(std::string_view section) const;       // null: absent or no lines
  void AddSection(Piece name);
  Body& BodyFor(std::string_view section);                    // made when missing
  uint32_t FindKey(const Body& body, std::string_view key) const;
  void AddLine(Body& body, Line line);
  void RebuildKeyIndex(Body& body);
  void RebuildSectionIndex();
  // Reads text_ into sections and lines; with `counting` only the sections
  // are made and their lines counted (into `counts`), so that the second
  // reading can give every list its room at once.
  void Parse(bool counting, std::vector<uint32_t>& counts);
  // Hands the text of the file to `put` piece by piece.
  template <class Put>
  void WriteText(Put put) const;

  std::string text_;
  std::vector<Section> sections_;
  std::vector<Body> bodies_;
  NameIndex sectionIndex_;  // section name -> index in sections_
};

// A decimal integer (optional sign, digits, nothing else) in the range of int,
// or `fallback`.
int ParseDecimalInt(std::string_view text, int fallback);

// ---- Profile-string rules ------------------------------------------------

// Values read through the profile-string reader are cut to this many bytes
// (a buffer of 2048 bytes with its terminating zero).
inline constexpr size_t ProfileStringMaxBytes = 2047;

// The value trimmed, one enclosing pair of double quotes or of single quotes
// removed, and cut at ProfileStringMaxBytes (never inside a double-byte
// character); `def` unchanged when the key is absent.
std::string ReadProfileString(const TIniFile& ini, std::string_view section,
                              std::string_view key, std::string_view def);
// Writes the value; one that begins and ends with a double quote, or begins
// and ends with a single quote, is enclosed in one more pair of double quotes
// so that ReadProfileString gives it back unchanged.
void WriteProfileString(TIniFile& ini, std::string_view section, std::string_view key,
                        std::string_view value);
// The profile string parsed as a decimal integer, `def` when absent or not a
// number.
int ReadProfileInt(const TIniFile& ini, std::string_view section, std::string_view key,
                   int def);
void WriteProfileInt(TIniFile& ini, std::string_view section, std::string_view key,
                     int value);

// ---- Recent-entry list ("SearchMRU") ---------------------------------------

inline constexpr int MruCapacity = 10;

// The keys "Item_0" .. "Item_<capacity-1>" of the section, newest first:
// empty entries are skipped, and of entries that are the same without regard
// to ASCII case only the first (newest) is kept, as the recent-entry list
// itself would keep them.
std::vector<std::string> ReadMruItems(const TIniFile& ini, std::string_view section,
                                      int capacity = MruCapacity);
// Erases the section and writes "Item_0".. for at most `capacity` entries (the
// first ones), through WriteProfileString. No "User_%d" keys are written.
void WriteMruItems(TIniFile& ini, std::string_view section,
                   const std::vector<std::string>& items, int capacity = MruCapacity);
// File-level forms. Reading a missing or unreadable file gives no entries.
// Writing reads the file (a missing file starts empty; an existing file that
// cannot be read is left alone and the result is false), rewrites the section
// and saves atomically; a read-only file is never written.
std::vector<std::string> ReadMruItemsFromFile(const std::string& path, std::string_view section,
                                              int capacity = MruCapacity);
bool WriteMruItemsToFile(const std::string& path, std::string_view section,
                         const std::vector<std::string>& items, int capacity = MruCapacity);

}  // namespace tavirel
