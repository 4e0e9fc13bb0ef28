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
#include <functional>
#include <string>
#include <string_view>

#include "core/process/runner.h"

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

// A console view for the captured runner that hands every line on to the
// view that shows it (file lines made readable) and reads mknmz's progress from the lines as they
// arrive. `clock` gives steady seconds; `changed` is called after each line
// that changed the progress. Reset before each mknmz command.
class TMknmzProgressWatcher : public IConsoleView {
 public:
  TMknmzProgressWatcher(IConsoleView& inner, std::function<double()> clock,
                        std::function<void(const TMknmzProgress&)> changed);
  void Reset() { parser_.Reset(clock_()); }
  const TMknmzProgress& Progress() const { return parser_.Progress(); }

  int LineCount() const override { return inner_.LineCount(); }
  void AppendLine(std::string_view line) override;
  void InsertLine(int index, std::string_view line) override;
  // A line shown again in another code (the runner's late conversion) is
  // not read again.
  void ReplaceLine(int index, std::string_view line) override;
  void ShowLastLine() override { inner_.ShowLastLine(); }
  int Tag() const override { return inner_.Tag(); }
  void SetTag(int tag) override { inner_.SetTag(tag); }

 private:
  void Read(std::string_view line);

  IConsoleView& inner_;
  std::function<double()> clock_;
  std::function<void(const TMknmzProgress&)> changed_;
  TMknmzProgressParser parser_;
};

// Parses "n/N - ..." at the start of `line`; false when it is not one.
bool ParseMknmzFileLine(std::string_view line, int64_t& current, int64_t& total);

// A file line "n/N - address [type]" with its percent-encoded address shown
// as the hit list shows addresses (decoded into the program's code); every
// other line as it is. The watcher hands this form to the view.
std::string ReadableMknmzFileLine(std::string_view line);

// "文書 n / N・残り約 m 分" (or "残り 1 分未満", or without the estimate);
// empty before mknmz has given a total. A run that finds nothing says
// "インデックスすべきファイルはありません".
std::string MknmzProgressText(const TMknmzProgress& progress);
// The bar's value in per mille, -1 when there is no total.
int MknmzProgressPerMille(const TMknmzProgress& progress);
// "コマンド k / K" for the reserved list.
std::string CommandProgressText(int current, int total);

}  // namespace tavirel
