#include "ui/search/indexupdate.h"

#include <QElapsedTimer>

#include <algorithm>

#include "core/process/arguments.h"
#include "platform/platform.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {

// The lines mknmz wrote, the last ones kept for a failure's report.
class TIndexUpdater::Lines : public IConsoleView {
 public:
  int LineCount() const override { return static_cast<int>(lines_.size()); }
  void AppendLine(std::string_view line) override { lines_.emplace_back(line); }
  void InsertLine(int index, std::string_view line) override {
    lines_.insert(lines_.begin() + std::clamp(index, 0, LineCount()), std::string(line));
  }
  void ReplaceLine(int index, std::string_view line) override {
    if (index >= 0 && index < LineCount()) lines_[static_cast<size_t>(index)] = line;
  }
  void ShowLastLine() override {}
  int Tag() const override { return tag_; }
  void SetTag(int tag) override { tag_ = tag; }
  // The last `count` lines that hold more than blanks, one a line.
  QString Last(int count) const {
    QStringList last;
    for (auto it = lines_.rbegin(); it != lines_.rend() && last.size() < count; ++it) {
      const QString line = SjisToQString(*it).trimmed();
      if (!line.isEmpty()) last.prepend(line);
    }
    return last.join(QLatin1Char('\n'));
  }

 private:
  std::vector<std::string> lines_;
  int tag_ = 0;
};

TIndexUpdater::TIndexUpdater(QObject* parent, std::string perl, std::string mknmz)
    : QObject(parent), perl_(std::move(perl)), mknmz_(std::move(mknmz)) {
  poll_.setInterval(100);
  connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
}

TIndexUpdater::~TIndexUpdater() { Abort(); }

std::string TIndexUpdater::Abort(int graceMs) {
  queue_.clear();
  if (!child_) return {};
  poll_.stop();
  child_->Interrupt();
  // mknmz reports the interrupt and cleans up; its output is read so that
  // no write of its blocks on a full pipe meanwhile.
  QElapsedTimer waited;
  waited.start();
  std::string bytes;
  platform::ReadStatus status = platform::ReadStatus::Data;
  while (status == platform::ReadStatus::Data || status == platform::ReadStatus::Timeout) {
    if (waited.elapsed() >= graceMs) {
      child_->Kill();
      break;
    }
    bytes.clear();
    status = child_->ReadOutput(bytes, 100);
  }
  child_->Wait();
  child_.reset();
  writer_.reset();
  watcher_.reset();
  lines_.reset();
  std::string index;
  index.swap(current_);
  return index;
}

void TIndexUpdater::SetPrograms(std::string perl, std::string mknmz) {
  perl_ = std::move(perl);
  mknmz_ = std::move(mknmz);
}

void TIndexUpdater::Enqueue(const std::string& index) {
  if (index == current_ || std::find(queue_.begin(), queue_.end(), index) != queue_.end()) return;
  queue_.push_back(index);
  if (!child_) StartNext();
}

void TIndexUpdater::StartNext() {
  while (!child_ && !queue_.empty()) {
    current_ = queue_.front();
    queue_.pop_front();
    std::string index = current_;
    while (index.size() > 1 && (index.back() == '/' || index.back() == '\\')) index.pop_back();
    if (platform::FileExists(index + "/NMZ.lock2")) {
      Finish(false, QStringLiteral("インデックス %1 はほかの mknmz が作成中 (NMZ.lock2 あり) の"
                                   "ため、更新しませんでした。")
                        .arg(SjisToQString(current_)));
      continue;
    }
    platform::ProcessStartInfo info;
    info.arguments = {perl_, mknmz_, "--update=" + index};
    info.argumentCodes = {platform::ArgumentCode::FileName,
                          platform::ArgumentCode::OptionFileName};
    info.captureOutput = true;
    child_ = std::make_unique<platform::ChildProcess>();
    const platform::StartResult started = child_->Start(info);
    if (!started.started) {
      child_.reset();
      Finish(false, SjisToQString(StartFailureMessage(
                        "", QuoteProgram(perl_) + " " + QuoteArgument(mknmz_) + " --update=" +
                                QuoteArgument(index),
                        started.error)));
      continue;
    }
    lines_ = std::make_unique<Lines>();
    auto clock = [] {
      static QElapsedTimer timer;
      if (!timer.isValid()) timer.start();
      return timer.elapsed() / 1000.0;
    };
    watcher_ = std::make_unique<TMknmzProgressWatcher>(
        *lines_, clock, [this](const TMknmzProgress& progress) {
          const std::string text = MknmzProgressText(progress);
          emit Progress(QStringLiteral("インデックスを更新中: %1 %2")
                            .arg(SjisToQString(current_), SjisToQString(text)));
        });
    watcher_->Reset();
    writer_ = std::make_unique<ConsoleOutputWriter>(*watcher_);
    emit Progress(QStringLiteral("インデックスを更新中: %1").arg(SjisToQString(current_)));
    poll_.start();
  }
}

void TIndexUpdater::Poll() {
  if (!child_) return;
  std::string bytes;
  platform::ReadStatus status = platform::ReadStatus::Data;
  while ((status = child_->ReadOutput(bytes, 0)) == platform::ReadStatus::Data) {
    writer_->Add(bytes);
    bytes.clear();
  }
  writer_->Flush();
  if (status == platform::ReadStatus::Timeout) return;
  writer_->Finish();
  poll_.stop();
  const int exitCode = child_->Wait();
  child_.reset();
  if (exitCode == 0) {
    Finish(true, {});
  } else {
    Finish(false, QStringLiteral("インデックス %1 の更新に失敗しました (終了コード %2)。\n%3")
                      .arg(SjisToQString(current_))
                      .arg(exitCode)
                      .arg(lines_->Last(5)));
  }
  StartNext();
}

void TIndexUpdater::Finish(bool ok, const QString& message) {
  const QString index = SjisToQString(current_);
  current_.clear();
  emit Finished(index, ok, message);
}

}  // namespace tavirel
