#include "core/search/indexstatus.h"

#include <array>
#include <cstdio>

#include "core/process/ucommon.h"
#include "platform/platform.h"

namespace tavirel {
namespace {

// The files namazu cannot search without (it reports the index as not
// opened, or fails, when one is missing).
constexpr std::array<std::string_view, 5> kRequiredFiles = {"NMZ.i", "NMZ.ii", "NMZ.w",
                                                            "NMZ.wi", "NMZ.t"};
// NMZ.log grows by a few hundred bytes with every update; its last
// sections are enough.
constexpr size_t kLogTail = 4096;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number at the start of `text` after blanks; thousands separators
// allowed. -1 when there is none.
int64_t LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  int64_t value = -1;
  for (; i < text.size(); ++i) {
    if (IsDigit(text[i])) {
      if (value > (INT64_MAX - 9) / 10) return -1;
      value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
    } else if (text[i] != ',' || value < 0) {
      break;
    }
  }
  return value;
}

// The rest of the last line of `text` that begins with `key`.
bool LastLineValue(std::string_view text, std::string_view key, std::string_view& value) {
  size_t end = text.size();
  while (end > 0) {
    size_t start = text.rfind('\n', end - 1);
    start = start == std::string_view::npos ? 0 : start + 1;
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.substr(0, key.size()) == key) {
      value = line.substr(key.size());
      return true;
    }
    if (start == 0) break;
    end = start - 1;
  }
  return false;
}

std::string Join(std::string_view folder, std::string_view name) {
  std::string path = AddTrailingBackslash(folder, NativePathStyle);
  path += name;
  return path;
}

}  // namespace

int64_t DocumentsFromStatusFile(std::string_view statusFile) {
  std::string_view value;
  if (!LastLineValue(statusFile, "files ", value)) return -1;
  return LeadingNumber(value);
}

TIndexDate ParseLogDate(std::string_view text) {
  static constexpr std::array<std::string_view, 12> kMonths = {
      "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::string trimmed(TrimBlanks(text));
  char weekday[8] = {}, month[8] = {};
  TIndexDate d;
  if (std::sscanf(trimmed.c_str(), "%7s %7s %d %d:%d:%d %d", weekday, month, &d.Day, &d.Hour,
                  &d.Minute, &d.Second, &d.Year) != 7)
    return {};
  for (size_t m = 0; m < kMonths.size(); ++m)
    if (kMonths[m] == month) d.Month = static_cast<int>(m) + 1;
  if (d.Month == 0 || d.Day < 1 || d.Day > 31 || d.Hour < 0 || d.Hour > 23 || d.Minute < 0 ||
      d.Minute > 59 || d.Second < 0 || d.Second > 60 || d.Year < 1970 || d.Year > 9999)
    return {};
  return d;
}

TIndexDate LastDateFromLog(std::string_view logTail) {
  std::string_view value;
  return LastLineValue(logTail, "Date:", value) ? ParseLogDate(value) : TIndexDate{};
}

int64_t LastTotalFromLog(std::string_view logTail) {
  std::string_view value;
  return LastLineValue(logTail, "Total Documents:", value) ? LeadingNumber(value) : -1;
}

TIndexStatus ReadIndexStatus(std::string_view directory) {
  TIndexStatus status;
  const std::string folder(TrimBlanks(directory));
  if (folder.empty() || !platform::DirectoryExists(folder)) return status;
  status.State = TIndexState::NotIndex;
  for (std::string_view name : kRequiredFiles)
    if (!platform::FileExists(Join(folder, name))) return status;
  status.State = TIndexState::Index;

  std::string text;
  if (platform::ReadFileTail(Join(folder, "NMZ.status"), kLogTail, text))
    status.Documents = DocumentsFromStatusFile(text);
  if (platform::ReadFileTail(Join(folder, "NMZ.log"), kLogTail, text)) {
    status.LastUpdate = LastDateFromLog(text);
    if (status.Documents < 0) status.Documents = LastTotalFromLog(text);
  }
  status.Updating = platform::FileExists(Join(folder, "NMZ.lock2"));
  return status;
}

std::string IndexDateText(const TIndexDate& d) {
  char date[48];
  std::snprintf(date, sizeof date, "%04d/%02d/%02d %02d:%02d", d.Year, d.Month, d.Day, d.Hour,
                d.Minute);
  return date;
}

std::string IndexStatusText(const TIndexStatus& status) {
  std::string text;
  if (status.Documents >= 0)
    text = "\x95\xb6\x8f\x91 " + std::to_string(status.Documents) + " \x8c\x8f";  // 文書 N 件
  else
    text = "\x95\xb6\x8f\x91\x90\x94\x95\x73\x96\xbe";  // 文書数不明
  if (status.LastUpdate.Valid()) {
    text += "\x81\x41\x8d\x58\x90\x56 ";  // 、更新
    text += IndexDateText(status.LastUpdate);
  }
  if (status.Updating) text += IndexUpdatingNote;
  return text;
}

std::string IndexProblemText(std::string_view directory, const TIndexStatus& status) {
  std::string text;
  switch (status.State) {
    case TIndexState::Index: return text;
    case TIndexState::Missing:
      // インデックスのフォルダがありません:
      text = "\x83\x43\x83\x93\x83\x66\x83\x62\x83\x4e\x83\x58\x82\xcc\x83\x74\x83\x48\x83\x8b"
             "\x83\x5f\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1: ";
      break;
    case TIndexState::NotIndex:
      // このフォルダはインデックスではありません:
      text = "\x82\xb1\x82\xcc\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xcd\x83\x43\x83\x93\x83\x66"
             "\x83\x62\x83\x4e\x83\x58\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1: ";
      break;
  }
  text += directory;
  return text;
}

}  // namespace tavirel
