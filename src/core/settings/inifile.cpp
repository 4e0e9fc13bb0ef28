#include "core/settings/inifile.h"

#include <algorithm>

#include <charconv>
#include <climits>
#include <unordered_set>

#include "platform/platform.h"
#include "core/process/ucommon.h"

namespace tavirel {

namespace {

// True when the last byte of `text` begins a character (it is not the trail
// byte of a double-byte character).
bool LastByteIsCharStart(std::string_view text) {
  if (text.empty()) return false;
  size_t i = 0;
  size_t lastStart = 0;
  while (i < text.size()) {
    lastStart = i;
    i += (IsSjisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
  }
  return lastStart == text.size() - 1;
}

// True when `text` ends in a lead byte with nothing after it to pair with.
// Written as it is, such a name would take the "=" or "]" behind it as its
// trail byte; a blank after it is paired instead and trimmed again by a read.
bool EndsInLoneLeadByte(std::string_view text) {
  return LastByteIsCharStart(text) && IsSjisLeadByte(static_cast<unsigned char>(text.back()));
}

// Position of the first `ch` that is not the trail byte of a double-byte
// character, or npos.
size_t FindSjis(std::string_view text, char ch) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ch) return i;
    if (IsSjisLeadByte(static_cast<unsigned char>(text[i]))) ++i;
  }
  return std::string_view::npos;
}

// At most `maxBytes` bytes of `text`, never ending inside a double-byte
// character.
std::string_view CutSjis(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t i = 0;
  while (i < maxBytes) {
    size_t step = IsSjisLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + step > maxBytes) break;
    i += step;
  }
  return text.substr(0, i);
}

}  // namespace

// ---- Text helpers ---------------------------------------------------------


int ParseDecimalInt(std::string_view text, int fallback) {
  if (text.empty()) return fallback;
  std::string_view digits = text;
  bool negative = false;
  if (digits.front() == '+' || digits.front() == '-') {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty()) return fallback;
  for (char c : digits) {
    if (c < '0' || c > '9') return fallback;
  }
  // Accumulate in a wider type, bailing out as soon as the range of int is left.
  long long value = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > limit) return fallback;
  }
  return static_cast<int>(negative ? -value : value);
}

// ---- TIniFile ---------------------------------------------------------------

void TIniFile::Clear() {
  sections_.clear();
  sectionIndex_.clear();
}

void TIniFile::LoadFromText(std::string_view text) {
  Clear();
  Section* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    // Step over the line break: CR LF, LF or a lone CR.
    pos = end;
    if (pos < text.size()) {
      if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') pos += 2;
      else pos += 1;
    }

    std::string_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']' &&
        LastByteIsCharStart(line)) {
      std::string_view name = TrimBlanks(line.substr(1, line.size() - 2));
      current = FindSection(name);
      if (current == nullptr) current = &AddSection(name);
      continue;
    }
    if (current == nullptr) continue;  // before the first section
    Line entry;
    size_t eq = FindSjis(line, '=');
    if (eq != std::string_view::npos) {
      entry.isKey = true;
      entry.key = std::string(TrimBlanks(line.substr(0, eq)));
      entry.text = std::string(TrimBlanks(line.substr(eq + 1)));
    } else {
      entry.text = std::string(line);
    }
    AddLine(*current, std::move(entry));
  }
}

bool TIniFile::LoadFromFile(const std::string& path, std::string* error, uint64_t maxBytes,
                            platform::ReadFailure* failure) {
  Clear();
  std::string contents;
  if (!platform::ReadWholeFile(path, contents, error, maxBytes, failure)) return false;
  LoadFromText(contents);
  return true;
}

const TIniFile::Section* TIniFile::FindSection(std::string_view section) const {
  auto it = sectionIndex_.find(AsciiLowerSjis(section));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

TIniFile::Section* TIniFile::FindSection(std::string_view section) {
  auto it = sectionIndex_.find(AsciiLowerSjis(section));
  return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

TIniFile::Section& TIniFile::AddSection(std::string_view section) {
  sections_.push_back(Section{std::string(section), {}, {}});
  sectionIndex_.emplace(AsciiLowerSjis(section), sections_.size() - 1);
  return sections_.back();
}

void TIniFile::AddLine(Section& section, Line line) {
  if (line.isKey) {
    // emplace keeps the first occurrence of a repeated key.
    section.keyIndex.emplace(AsciiLowerSjis(line.key), section.lines.size());
  }
  section.lines.push_back(std::move(line));
}

void TIniFile::RebuildKeyIndex(Section& section) {
  section.keyIndex.clear();
  for (size_t i = 0; i < section.lines.size(); ++i) {
    if (section.lines[i].isKey) section.keyIndex.emplace(AsciiLowerSjis(section.lines[i].key), i);
  }
}

void TIniFile::RebuildSectionIndex() {
  sectionIndex_.clear();
  for (size_t i = 0; i < sections_.size(); ++i) {
    sectionIndex_.emplace(AsciiLowerSjis(sections_[i].name), i);
  }
}

bool TIniFile::SectionExists(std::string_view section) const {
  return FindSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  return s != nullptr && s->keyIndex.count(AsciiLowerSjis(key)) != 0;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::string(def);
  auto it = s->keyIndex.find(AsciiLowerSjis(key));
  if (it == s->keyIndex.end()) return std::string(def);
  return s->lines[it->second].text;
}

void TIniFile::WriteString(std::string_view section, std::string_view key,
                           std::string_view rawValue) {
  // A value is one line of the file: a line break inside it (a pasted formula)
  // would split it and could plant other keys, so it is written as a blank.
  std::string value(rawValue);
  std::replace_if(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  Section* s = FindSection(section);
  if (s == nullptr) s = &AddSection(section);
  auto it = s->keyIndex.find(AsciiLowerSjis(key));
  if (it != s->keyIndex.end()) {
    Line& line = s->lines[it->second];
    line.key = std::string(key);
    line.text = std::move(value);
    return;
  }
  AddLine(*s, Line{true, std::string(key), std::move(value)});
}

void TIniFile::EraseSection(std::string_view section) {
  auto it = sectionIndex_.find(AsciiLowerSjis(section));
  if (it == sectionIndex_.end()) return;
  sections_.erase(sections_.begin() + static_cast<std::ptrdiff_t>(it->second));
  RebuildSectionIndex();
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (s == nullptr) return;
  std::string folded = AsciiLowerSjis(key);
  if (s->keyIndex.count(folded) == 0) return;
  std::vector<Line> kept;
  kept.reserve(s->lines.size());
  for (Line& line : s->lines) {
    if (line.isKey && AsciiLowerSjis(line.key) == folded) continue;
    kept.push_back(std::move(line));
  }
  s->lines = std::move(kept);
  RebuildKeyIndex(*s);
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  const Section* s = FindSection(section);
  if (s == nullptr) return keys;
  for (size_t i = 0; i < s->lines.size(); ++i) {
    const Line& line = s->lines[i];
    if (!line.isKey) continue;
    auto it = s->keyIndex.find(AsciiLowerSjis(line.key));
    if (it != s->keyIndex.end() && it->second == i) keys.push_back(line.key);
  }
  return keys;
}

std::vector<std::string> TIniFile::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::string TIniFile::ToText() const {
  std::string out;
  for (const Section& s : sections_) {
    out += '[';
    out += s.name;
    if (EndsInLoneLeadByte(s.name)) out += ' ';
    out += "]\r\n";
    for (const Line& line : s.lines) {
      if (line.isKey) {
        out += line.key;
        if (EndsInLoneLeadByte(line.key)) out += ' ';
        out += '=';
      }
      out += line.text;
      out += "\r\n";
    }
    out += "\r\n";
  }
  return out;
}

bool TIniFile::SaveToFile(const std::string& path, std::string* error, uint64_t maxBytes) const {
  const std::string text = ToText();
  if (text.size() > maxBytes) {
    if (error) *error = "The file would be too large.";
    return false;
  }
  return platform::WriteFileAtomic(path, text, error);
}

// ---- Profile strings ----------------------------------------------------------

std::string ReadProfileString(const TIniFile& ini, std::string_view section,
                              std::string_view key, std::string_view def) {
  if (!ini.ValueExists(section, key)) return std::string(def);
  std::string stored = ini.ReadString(section, key, def);
  std::string_view value = TrimBlanks(stored);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(CutSjis(value, ProfileStringMaxBytes));
}

void WriteProfileString(TIniFile& ini, std::string_view section, std::string_view key,
                        std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    ini.WriteString(section, key, quoted);
  } else {
    ini.WriteString(section, key, value);
  }
}

int ReadProfileInt(const TIniFile& ini, std::string_view section, std::string_view key,
                   int def) {
  if (!ini.ValueExists(section, key)) return def;
  return ParseDecimalInt(ReadProfileString(ini, section, key, ""), def);
}

void WriteProfileInt(TIniFile& ini, std::string_view section, std::string_view key,
                     int value) {
  ini.WriteString(section, key, std::to_string(value));
}

// ---- Recent-entry list ----------------------------------------------------------

std::vector<std::string> ReadMruItems(const TIniFile& ini, std::string_view section,
                                      int capacity) {
  std::vector<std::string> items;
  std::unordered_set<std::string> seen;
  for (int i = 0; i < capacity; ++i) {
    std::string value = ReadProfileString(ini, section, "Item_" + std::to_string(i), "");
    if (value.empty()) continue;
    if (!seen.insert(AsciiLowerSjis(value)).second) continue;
    items.push_back(std::move(value));
  }
  return items;
}

void WriteMruItems(TIniFile& ini, std::string_view section,
                   const std::vector<std::string>& items, int capacity) {
  ini.EraseSection(section);
  int count = 0;
  for (const std::string& item : items) {
    if (count >= capacity) break;
    WriteProfileString(ini, section, "Item_" + std::to_string(count), item);
    ++count;
  }
}

std::vector<std::string> ReadMruItemsFromFile(const std::string& path, std::string_view section,
                                              int capacity) {
  TIniFile ini;
  if (!ini.LoadFromFile(path)) return {};
  return ReadMruItems(ini, section, capacity);
}

bool WriteMruItemsToFile(const std::string& path, std::string_view section,
                         const std::vector<std::string>& items, int capacity) {
  TIniFile ini;
  platform::FileAttributes attributes = platform::GetFileAttributes(path);
  if (attributes.exists) {
    if (attributes.readOnly) return false;
    if (!ini.LoadFromFile(path)) return false;
  }
  WriteMruItems(ini, section, items, capacity);
  return ini.SaveToFile(path);
}

}  // namespace tavirel
