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

namespace {

// Walks a text byte by byte, giving each byte as AsciiLowerSjis folds it:
// ASCII letters in lower case, except the trail bytes of double-byte characters.
class FoldedBytes {
 public:
  explicit FoldedBytes(std::string_view text) : text_(text) {}
  char At(size_t i) {
    char c = text_[i];
    if (i == nextChar_) {
      nextChar_ += SjisCharLength(text_, i);
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return c;
  }

 private:
  std::string_view text_;
  size_t nextChar_ = 0;
};

uint32_t HashFolded(std::string_view text) {
  uint32_t hash = 2166136261u;
  FoldedBytes folded(text);
  for (size_t i = 0; i < text.size(); ++i) {
    hash = (hash ^ static_cast<unsigned char>(folded.At(i))) * 16777619u;
  }
  return hash;
}

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  FoldedBytes foldedA(a);
  FoldedBytes foldedB(b);
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldedA.At(i) != foldedB.At(i)) return false;
  }
  return true;
}

// Lines that begin (after blanks) with "[": at least as many as the sections.
size_t CountBracketLines(std::string_view text) {
  size_t count = 0;
  bool lineStart = true;
  for (const char c : text) {
    if (c == '\r' || c == '\n') {
      lineStart = true;
    } else if (lineStart && static_cast<unsigned char>(c) > ' ') {
      count += c == '[';
      lineStart = false;
    }
  }
  return count;
}

// Calls `visit(raw)` for every line of `text` (breaks CR LF, LF or a lone CR).
template <class Visit>
void ForEachLine(std::string_view text, Visit visit) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    visit(text.substr(pos, end - pos));
    pos = end;
    if (pos < text.size()) pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
  }
}

}  // namespace

void TIniFile::NameIndex::Reserve(size_t count) {
  // Room for `count` names, given to an empty index (one in use grows by itself).
  if (count_ != 0) return;
  size_t capacity = 8;
  while (capacity * 3 < count * 4 + 4) capacity *= 2;
  if (capacity > slots_.size()) slots_.assign(capacity, 0);
}

template <class NameOf>
uint32_t TIniFile::NameIndex::Find(std::string_view name, NameOf nameOf) const {
  if (slots_.empty()) return NotAKey;
  const size_t mask = slots_.size() - 1;
  for (size_t i = HashFolded(name) & mask;; i = (i + 1) & mask) {
    const uint32_t slot = slots_[i];
    if (slot == 0) return NotAKey;
    if (EqualFolded(nameOf(slot - 1), name)) return slot - 1;
  }
}

template <class NameOf>
uint32_t TIniFile::NameIndex::Insert(std::string_view name, uint32_t id, NameOf nameOf) {
  if ((count_ + 1) * 4 > slots_.size() * 3) {
    // Grows: every stored id goes to its place in the larger table.
    std::vector<uint32_t> old = std::move(slots_);
    slots_.assign(std::max<size_t>(8, old.size() * 2), 0);
    const size_t mask = slots_.size() - 1;
    for (const uint32_t slot : old) {
      if (slot == 0) continue;
      size_t i = HashFolded(nameOf(slot - 1)) & mask;
      while (slots_[i] != 0) i = (i + 1) & mask;
      slots_[i] = slot;
    }
  }
  const size_t mask = slots_.size() - 1;
  size_t i = HashFolded(name) & mask;
  for (; slots_[i] != 0; i = (i + 1) & mask) {
    if (EqualFolded(nameOf(slots_[i] - 1), name)) return slots_[i] - 1;
  }
  slots_[i] = id + 1;
  ++count_;
  return id;
}

void TIniFile::Clear() {
  text_.clear();
  sections_.clear();
  bodies_.clear();
  sectionIndex_.Clear();
}

TIniFile::Piece TIniFile::Append(std::string_view text) {
  const Piece piece{static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(text.size())};
  text_.append(text);
  return piece;
}

void TIniFile::LoadFromText(std::string_view text) { LoadOwnedText(std::string(text)); }

void TIniFile::LoadOwnedText(std::string text) {
  Clear();
  text_ = std::move(text);
  // Pieces are 32-bit: a text beyond that (never a settings file) is cut.
  if (text_.size() > UINT32_MAX / 2) text_.resize(UINT32_MAX / 2);
  const size_t sections = CountBracketLines(text_);
  sections_.reserve(sections);
  sectionIndex_.Reserve(sections);
  std::vector<uint32_t> counts;
  counts.reserve(sections);
  Parse(true, counts);
  size_t withLines = 0;
  for (const uint32_t count : counts) withLines += count > 0;
  bodies_.reserve(withLines);
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (counts[i] == 0) continue;
    sections_[i].BodyId = static_cast<uint32_t>(bodies_.size());
    Body& body = bodies_.emplace_back();
    body.lines.reserve(counts[i]);
    body.keyIndex.Reserve(counts[i]);
  }
  Parse(false, counts);
}

void TIniFile::Parse(bool counting, std::vector<uint32_t>& counts) {
  const std::string_view all = text_;
  auto pieceOf = [&all](std::string_view part) {
    return Piece{static_cast<uint32_t>(part.data() - all.data()), static_cast<uint32_t>(part.size())};
  };
  uint32_t current = NotAKey;
  bool runOpen = false;  // the section's last line is a run that the next plain line extends
  ForEachLine(all, [&](std::string_view raw) {
    const std::string_view line = TrimBlanks(raw);
    if (line.empty() || line.front() == ';') return;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']' &&
        LastByteIsCharStart(line)) {
      const std::string_view name = TrimBlanks(line.substr(1, line.size() - 2));
      current = FindSectionIndex(name);
      if (current == NotAKey) {
        current = static_cast<uint32_t>(sections_.size());
        AddSection(pieceOf(name));
        counts.push_back(0);
      }
      runOpen = false;
      return;
    }
    if (current == NotAKey) return;  // before the first section
    const size_t eq = FindSjis(line, '=');
    const bool extendsRun = eq == std::string_view::npos && runOpen;
    runOpen = eq == std::string_view::npos;
    if (counting) {
      counts[current] += extendsRun ? 0 : 1;
      return;
    }
    Body& body = bodies_[sections_[current].BodyId];
    if (extendsRun) {
      Piece& run = body.lines.back().Text;
      run.Length = static_cast<uint32_t>(line.data() + line.size() - all.data()) - run.Offset;
    } else if (eq == std::string_view::npos) {
      AddLine(body, Line{Piece{0, NotAKey}, pieceOf(line)});
    } else {
      AddLine(body, Line{pieceOf(TrimBlanks(line.substr(0, eq))),
                         pieceOf(TrimBlanks(line.substr(eq + 1)))});
    }
  });
}

bool TIniFile::LoadFromFile(const std::string& path, std::string* error, uint64_t maxBytes,
                            platform::ReadFailure* failure) {
  Clear();
  std::string contents;
  if (!platform::ReadWholeFile(path, contents, error, maxBytes, failure)) return false;
  LoadOwnedText(std::move(contents));
  return true;
}

uint32_t TIniFile::FindSectionIndex(std::string_view section) const {
  return sectionIndex_.Find(section, [this](uint32_t id) { return Text(sections_[id].Name); });
}

const TIniFile::Body* TIniFile::FindBody(std::string_view section) const {
  const uint32_t index = FindSectionIndex(section);
  if (index == NotAKey || sections_[index].BodyId == NotAKey) return nullptr;
  return &bodies_[sections_[index].BodyId];
}

void TIniFile::AddSection(Piece name) {
  const uint32_t id = static_cast<uint32_t>(sections_.size());
  sections_.push_back(Section{name, NotAKey});
  sectionIndex_.Insert(Text(name), id, [this](uint32_t other) { return Text(sections_[other].Name); });
}

TIniFile::Body& TIniFile::BodyFor(std::string_view section) {
  uint32_t index = FindSectionIndex(section);
  if (index == NotAKey) {
    index = static_cast<uint32_t>(sections_.size());
    AddSection(Append(section));
  }
  Section& found = sections_[index];
  if (found.BodyId == NotAKey) {
    found.BodyId = static_cast<uint32_t>(bodies_.size());
    bodies_.emplace_back();
  }
  return bodies_[found.BodyId];
}

uint32_t TIniFile::FindKey(const Body& body, std::string_view key) const {
  return body.keyIndex.Find(key, [this, &body](uint32_t id) { return Text(body.lines[id].Key); });
}

void TIniFile::AddLine(Body& body, Line line) {
  const uint32_t id = static_cast<uint32_t>(body.lines.size());
  body.lines.push_back(line);
  // Insert keeps the first occurrence of a repeated key.
  if (line.Key.Length != NotAKey) {
    body.keyIndex.Insert(Text(line.Key), id, [this, &body](uint32_t other) { return Text(body.lines[other].Key); });
  }
}

void TIniFile::RebuildKeyIndex(Body& body) {
  body.keyIndex.Clear();
  body.keyIndex.Reserve(body.lines.size());
  for (uint32_t i = 0; i < body.lines.size(); ++i) {
    if (body.lines[i].Key.Length == NotAKey) continue;
    body.keyIndex.Insert(Text(body.lines[i].Key), i, [this, &body](uint32_t other) { return Text(body.lines[other].Key); });
  }
}

void TIniFile::RebuildSectionIndex() {
  sectionIndex_.Clear();
  sectionIndex_.Reserve(sections_.size());
  for (uint32_t i = 0; i < sections_.size(); ++i) {
    sectionIndex_.Insert(Text(sections_[i].Name), i, [this](uint32_t other) { return Text(sections_[other].Name); });
  }
}

bool TIniFile::SectionExists(std::string_view section) const {
  return FindSectionIndex(section) != NotAKey;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  const Body* body = FindBody(section);
  return body != nullptr && FindKey(*body, key) != NotAKey;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  const Body* body = FindBody(section);
  const uint32_t line = body == nullptr ? NotAKey : FindKey(*body, key);
  if (line == NotAKey) return std::string(def);
  return std::string(Text(body->lines[line].Text));
}

void TIniFile::WriteString(std::string_view section, std::string_view key,
                           std::string_view rawValue) {
  // A value is one line of the file: a line break inside it (a pasted formula)
  // would split it and could plant other keys, so it is written as a blank.
  std::string value(rawValue);
  std::replace_if(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  // The arguments may not point into text_, which the appends below move.
  const std::string keyText(key);
  Body& body = BodyFor(section);
  const uint32_t found = FindKey(body, keyText);
  if (found != NotAKey) {
    // The key takes the writer's spelling; its index entry stays valid, as
    // the spellings match without regard to case.
    body.lines[found] = Line{Append(keyText), Append(value)};
    return;
  }
  const Piece keyPiece = Append(keyText);
  AddLine(body, Line{keyPiece, Append(value)});
}

void TIniFile::EraseSection(std::string_view section) {
  const uint32_t index = FindSectionIndex(section);
  if (index == NotAKey) return;
  if (sections_[index].BodyId != NotAKey) bodies_[sections_[index].BodyId] = Body{};
  sections_.erase(sections_.begin() + index);
  RebuildSectionIndex();
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  const uint32_t index = FindSectionIndex(section);
  if (index == NotAKey || sections_[index].BodyId == NotAKey) return;
  Body& body = bodies_[sections_[index].BodyId];
  if (FindKey(body, key) == NotAKey) return;
  std::erase_if(body.lines, [&](const Line& line) {
    return line.Key.Length != NotAKey && EqualFolded(Text(line.Key), key);
  });
  RebuildKeyIndex(body);
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  const Body* body = FindBody(section);
  if (body == nullptr) return keys;
  for (uint32_t i = 0; i < body->lines.size(); ++i) {
    const Line& line = body->lines[i];
    if (line.Key.Length != NotAKey && FindKey(*body, Text(line.Key)) == i) {
      keys.emplace_back(Text(line.Key));
    }
  }
  return keys;
}

std::vector<std::string> TIniFile::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.emplace_back(Text(s.Name));
  return names;
}

template <class Put>
void TIniFile::WriteText(Put put) const {
  for (const Section& s : sections_) {
    const std::string_view name = Text(s.Name);
    put("[");
    put(name);
    if (EndsInLoneLeadByte(name)) put(" ");
    put("]\r\n");
    if (s.BodyId != NotAKey) {
      for (const Line& line : bodies_[s.BodyId].lines) {
        if (line.Key.Length == NotAKey) {
          // A run: its lines trimmed, without the comments and empty lines
          // that stood between them.
          ForEachLine(Text(line.Text), [&put](std::string_view raw) {
            const std::string_view plain = TrimBlanks(raw);
            if (plain.empty() || plain.front() == ';') return;
            put(plain);
            put("\r\n");
          });
          continue;
        }
        const std::string_view key = Text(line.Key);
        put(key);
        if (EndsInLoneLeadByte(key)) put(" ");
        put("=");
        put(Text(line.Text));
        put("\r\n");
      }
    }
    put("\r\n");
  }
}

std::string TIniFile::ToText() const {
  // Measured first, so that the text is made in one piece of memory.
  size_t size = 0;
  WriteText([&size](std::string_view part) { size += part.size(); });
  std::string out;
  out.reserve(size);
  WriteText([&out](std::string_view part) { out += part; });
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
