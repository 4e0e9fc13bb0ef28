// TIndexUpdater: brings indexes up to date in the background with
// `mknmz --update=INDEX`, one index after the other, while the window stays
// usable. What mknmz writes is read as the index window reads it (mixed
// EUC-JP and UTF-8 lines into Shift-JIS, progress from its file lines) and
// kept for the report of a failure. An index is never updated twice at once,
// and one whose lock file NMZ.lock2 is there (another mknmz is at it) is
// left alone and reported.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/indexer/mknmzprogress.h"
#include "platform/process.h"

namespace tavirel {

class TIndexUpdater : public QObject {
  Q_OBJECT

 public:
  // `perl` and `mknmz` are the program paths of the settings.
  TIndexUpdater(QObject* parent, std::string perl, std::string mknmz);
  ~TIndexUpdater() override;  // aborts what runs

  // Queues the index (a program path) unless it is waiting or being updated.
  void Enqueue(const std::string& index);
  bool Busy() const { return child_ != nullptr || !queue_.empty(); }
  // The index being updated now; empty when none is.
  const std::string& Current() const { return current_; }
  void SetPrograms(std::string perl, std::string mknmz);
  // Stops the update that runs and forgets the ones waiting: mknmz is
  // interrupted, removes its work files and lock and leaves the index as it
  // was before the update; after `graceMs` it is ended outright. No
  // Finished is sent for them. Returns the index that was being updated
  // (empty when none was).
  std::string Abort(int graceMs = 10000);

 signals:
  // The progress of the current update, for the status bar.
  void Progress(const QString& text);
  // One update has ended: `ok` when mknmz succeeded; otherwise `message`
  // says why, with the last lines mknmz wrote.
  void Finished(const QString& index, bool ok, const QString& message);

 private:
  void StartNext();
  void Poll();
  void Finish(bool ok, const QString& message);

  class Lines;
  std::string perl_, mknmz_;
  std::deque<std::string> queue_;
  std::string current_;
  std::unique_ptr<platform::ChildProcess> child_;
  std::unique_ptr<Lines> lines_;
  std::unique_ptr<TMknmzProgressWatcher> watcher_;
  std::unique_ptr<ConsoleOutputWriter> writer_;
  QTimer poll_;
};

}  // namespace tavirel
