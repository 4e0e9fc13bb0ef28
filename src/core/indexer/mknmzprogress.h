// Progress of one mknmz run, read from the lines it prints (as the captured
// runner shows them: Shift-JIS, possibly with a blank appended). mknmz says
// how many files it found ("N個のファイルがインデックス作成の対象として見つ
// かりました", "N files are found to be indexed.") and then prints
// "n/N - path [type]" for each file; N can drop during the run when a file
// gives no document. Nothing is reported beyond what those lines say: before
// the count there is no total, a run that finds nothing to do says so, and a
// quiet run (-q) never leaves the starting phase.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavirel {

enum class TMknmzPhase {
  Starting,        // nothing recognised yet
  Scanning,        // looking for the files to index
  Indexing,        // the total is known; documents are being read
  Writing,         // writing the index files
  Finished,        // the closing summary has been printed
  NothingToIndex,  // mknmz found no file to index
};

struct TMknmzProgress {
  TMknmzPhase Phase = TMknmzPhase::Starting;
  int64_t Total = -1;           // files to index, -1 until mknmz has said
  int64_t Current = 0;          // the last file number printed
  int64_t RemainingSeconds = -1;  // estimate, -1 when there is none yet
};

class TMknmzProgressParser {
 public:
  // `now` is any steady clock in seconds; it only has to increase.
  void Reset(double now);
  // True when the line changed the progress.
  bool FeedLine(std::string_view line, double now);
  const TMknmzProgress& Progress() const { return progress_; }

 private:
  void Estimate(double now);

  TMknmzProgress progress_;
  double totalSeenAt_ = 0;  // when the count line came
};

// Parses "n/N - ..." at the start of `line`; false when it is not one.
bool ParseMknmzFileLine(std::string_view line, int64_t& current, int64_t& total);

// "文書 n / N・残り約 m 分" (or "残り 1 分未満", or without the estimate);
// empty before mknmz has given a total. A run that finds nothing says
// "インデックスすべきファイルはありません".
std::string MknmzProgressText(const TMknmzProgress& progress);
// The bar's value in per mille, -1 when there is no total.
int MknmzProgressPerMille(const TMknmzProgress& progress);
// "コマンド k / K" for the reserved list.
std::string CommandProgressText(int current, int total);

}  // namespace tavirel
