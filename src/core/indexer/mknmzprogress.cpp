#include "core/indexer/mknmzprogress.h"

#include <cmath>
#include <utility>

#include "core/jconv/jconvert.h"
#include "core/process/ucommon.h"
#include "core/search/hitnames.h"

namespace tavirel {
namespace {

// mknmz's messages in Shift-JIS, and in English (LANG=C).
// "検索対象のファイルを調べています..."
constexpr std::string_view kScanningJa =
    "\x8c\x9f\x8d\xf5\x91\xce\x8f\xdb\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xf0\x92\xb2"
    "\x82\xd7\x82\xc4\x82\xa2\x82\xdc\x82\xb7";
constexpr std::string_view kScanningEn = "Looking for indexing files";
// "個のファイルがインデックス作成の対象として見つかりました"
constexpr std::string_view kFoundJa =
    "\x8c\xc2\x82\xcc\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x83\x43\x83\x93\x83\x66\x83\x62"
    "\x83\x4e\x83\x58\x8d\xec\x90\xac\x82\xcc\x91\xce\x8f\xdb\x82\xc6\x82\xb5\x82\xc4\x8c\xa9"
    "\x82\xc2\x82\xa9\x82\xe8\x82\xdc\x82\xb5\x82\xbd";
constexpr std::string_view kFoundEn = " files are found to be indexed.";
// "インデックスを書き出しています..."
constexpr std::string_view kWritingJa =
    "\x83\x43\x83\x93\x83\x66\x83\x62\x83\x4e\x83\x58\x82\xf0\x8f\x91\x82\xab\x8f\x6f\x82\xb5"
    "\x82\xc4\x82\xa2\x82\xdc\x82\xb7";
constexpr std::string_view kWritingEn = "Writing index files";
// "インデックスすべきファイルはありません"
constexpr std::string_view kNothingJa =
    "\x83\x43\x83\x93\x83\x66\x83\x62\x83\x4e\x83\x58\x82\xb7\x82\xd7\x82\xab\x83\x74\x83\x40"
    "\x83\x43\x83\x8b\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
constexpr std::string_view kNothingEn = "No files to index.";
// The summary's first line: "[基本]", "[追加]", "[Base]", "[Append]".
constexpr std::string_view kSummaryBaseJa = "[\x8a\xee\x96\x7b]";
constexpr std::string_view kSummaryAppendJa = "[\x92\xc7\x89\xc1]";

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// The Japanese messages also in EUC-JP, as mknmz writes them: a line the
// runner has not yet converted is still recognised.
struct Messages {
  std::string scanning, found, writing, nothing, base, append;
};
const Messages& EucMessages() {
  static const Messages m{SjisToEuc(kScanningJa),     SjisToEuc(kFoundJa),
                          SjisToEuc(kWritingJa),      SjisToEuc(kNothingJa),
                          SjisToEuc(kSummaryBaseJa),  SjisToEuc(kSummaryAppendJa)};
  return m;
}

// Digits at `i`; moves `i` past them. False when there is none or too many.
bool ReadNumber(std::string_view s, size_t& i, int64_t& value) {
  const size_t start = i;
  value = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 15)
    value = value * 10 + (s[i++] - '0');
  return i > start && (i == s.size() || s[i] < '0' || s[i] > '9');
}

std::string Number(int64_t n) { return std::to_string(n); }

}  // namespace

TMknmzProgressWatcher::TMknmzProgressWatcher(
    IConsoleView& inner, std::function<double()> clock,
    std::function<void(const TMknmzProgress&)> changed)
    : inner_(inner), clock_(std::move(clock)), changed_(std::move(changed)) {
  parser_.Reset(clock_());
}

void TMknmzProgressWatcher::AppendLine(std::string_view line) {
  inner_.AppendLine(ReadableMknmzFileLine(line));
  Read(line);
}

void TMknmzProgressWatcher::InsertLine(int index, std::string_view line) {
  inner_.InsertLine(index, ReadableMknmzFileLine(line));
  Read(line);
}

void TMknmzProgressWatcher::ReplaceLine(int index, std::string_view line) {
  inner_.ReplaceLine(index, ReadableMknmzFileLine(line));
}

std::string ReadableMknmzFileLine(std::string_view line) {
  int64_t current = 0, total = 0;
  if (line.find('%') == std::string_view::npos || !ParseMknmzFileLine(line, current, total))
    return std::string(line);
  const size_t begin = line.find(" - ") + 3;
  // The address ends before the media type (" [text/plain]") when there is one.
  size_t end = line.size();
  while (end > begin && line[end - 1] == ' ') --end;
  if (end > begin && line[end - 1] == ']') {
    const size_t open = line.rfind(" [", end);
    if (open != std::string_view::npos && open >= begin) end = open;
  }
  std::string out(line.substr(0, begin));
  out += DecodeHitAddress(line.substr(begin, end - begin));
  out += line.substr(end);
  return out;
}

void TMknmzProgressWatcher::Read(std::string_view line) {
  if (parser_.FeedLine(line, clock_()) && changed_) changed_(parser_.Progress());
}

bool ParseMknmzFileLine(std::string_view line, int64_t& current, int64_t& total) {
  size_t i = 0;
  int64_t n = 0, t = 0;
  if (!ReadNumber(line, i, n) || i >= line.size() || line[i] != '/') return false;
  ++i;
  if (!ReadNumber(line, i, t) || line.substr(i, 3) != " - ") return false;
  if (n < 1 || t < 1) return false;
  current = n;
  total = t;
  return true;
}

void TMknmzProgressParser::Reset(double now) {
  progress_ = TMknmzProgress{};
  totalSeenAt_ = now;
}

bool TMknmzProgressParser::FeedLine(std::string_view line, double now) {
  line = TrimBlanks(line);
  const TMknmzProgress before = progress_;
  const Messages& euc = EucMessages();
  int64_t current = 0, total = 0;
  if (ParseMknmzFileLine(line, current, total)) {
    if (progress_.Total < 0) totalSeenAt_ = now;  // a run that printed no count (-s restart)
    progress_.Phase = TMknmzPhase::Indexing;
    progress_.Current = current;
    progress_.Total = total;
    Estimate(now);
  } else if (StartsWith(line, kScanningJa) || StartsWith(line, kScanningEn) ||
             StartsWith(line, euc.scanning)) {
    progress_.Phase = TMknmzPhase::Scanning;
  } else if (line.find(kFoundJa) != std::string_view::npos ||
             line.find(kFoundEn) != std::string_view::npos ||
             line.find(euc.found) != std::string_view::npos) {
    size_t i = 0;
    int64_t found = 0;
    // Printed once a run; seen again (a line shown again after conversion)
    // it changes nothing.
    if (ReadNumber(line, i, found) && progress_.Total < 0) {
      progress_.Phase = TMknmzPhase::Indexing;
      progress_.Total = found;
      progress_.Current = 0;
      progress_.RemainingSeconds = -1;
      totalSeenAt_ = now;
    }
  } else if (StartsWith(line, kWritingJa) || StartsWith(line, kWritingEn) ||
             StartsWith(line, euc.writing)) {
    // Also printed in the middle of a large run; the file lines go on after it.
    progress_.Phase = TMknmzPhase::Writing;
  } else if (StartsWith(line, kNothingJa) || StartsWith(line, kNothingEn) ||
             StartsWith(line, euc.nothing)) {
    progress_.Phase = TMknmzPhase::NothingToIndex;
    progress_.RemainingSeconds = -1;
  } else if (line == kSummaryBaseJa || line == kSummaryAppendJa || line == "[Base]" ||
             line == "[Append]" || line == euc.base || line == euc.append) {
    progress_.Phase = TMknmzPhase::Finished;
    progress_.RemainingSeconds = 0;
  }
  return progress_.Phase != before.Phase || progress_.Total != before.Total ||
         progress_.Current != before.Current ||
         progress_.RemainingSeconds != before.RemainingSeconds;
}

void TMknmzProgressParser::Estimate(double now) {
  // The files done so far against the time since the count: the rest at
  // the same pace. Nothing before a second has passed.
  const double elapsed = now - totalSeenAt_;
  if (progress_.Current < 1 || elapsed < 1.0 || progress_.Current > progress_.Total) {
    progress_.RemainingSeconds = progress_.Current >= progress_.Total ? 0 : -1;
    return;
  }
  const double perFile = elapsed / static_cast<double>(progress_.Current);
  progress_.RemainingSeconds = static_cast<int64_t>(
      std::ceil(perFile * static_cast<double>(progress_.Total - progress_.Current)));
}

std::string MknmzProgressText(const TMknmzProgress& p) {
  if (p.Phase == TMknmzPhase::NothingToIndex) return std::string(kNothingJa);
  if (p.Total < 0) return {};
  std::string text = "\x95\xb6\x8f\x91 " + Number(p.Current) + " / " + Number(p.Total);  // 文書
  if (p.RemainingSeconds > 0 && p.Phase == TMknmzPhase::Indexing) {
    text += "\x81\x45";  // ・
    if (p.RemainingSeconds < 60)
      text += "\x8e\x63\x82\xe8 1 \x95\xaa\x96\xa2\x96\x9e";  // 残り 1 分未満
    else
      text += "\x8e\x63\x82\xe8\x96\xf1 " + Number((p.RemainingSeconds + 30) / 60) +
              " \x95\xaa";  // 残り約 m 分
  }
  return text;
}

int MknmzProgressPerMille(const TMknmzProgress& p) {
  if (p.Phase == TMknmzPhase::Finished) return 1000;
  if (p.Total <= 0) return -1;
  const int64_t current = p.Current > p.Total ? p.Total : p.Current;
  return static_cast<int>(current * 1000 / p.Total);
}

std::string CommandProgressText(int current, int total) {
  return "\x83\x52\x83\x7d\x83\x93\x83\x68 " + Number(current) + " / " + Number(total);  // コマンド
}

}  // namespace tavirel
