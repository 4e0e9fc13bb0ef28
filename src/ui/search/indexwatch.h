// TIndexWatch: keeps watch over the document folders of the searched indexes
// and counts the changes not yet in each index. The folders come from each
// index's NMZ.status; an index whose folders are not known, or lie on a
// network file system, is not watched. Reports arrive through the event loop
// as soon as the system gives them.
#pragma once

#include <QObject>
#include <QString>

#include <cstddef>
#include <string>
#include <vector>

#include "core/indexer/indexfolders.h"
#include "platform/folderwatch.h"

class QSocketNotifier;

namespace tavirel {

class TIndexWatch : public QObject {
  Q_OBJECT

 public:
  explicit TIndexWatch(QObject* parent = nullptr, size_t maxWatches = 50000);

  // Watches the folders of these indexes (program paths). The same list as
  // before keeps its watches and counts.
  void WatchIndexes(const std::vector<std::string>& indexes);
  const std::vector<std::string>& Indexes() const { return indexes_; }
  // The folders watched for index `i`; empty when it is not watched.
  const std::vector<std::string>& FoldersOf(size_t i) const { return folders_[i]; }
  const TIndexChanges& Changes() const { return changes_; }
  // Index `i` has been brought up to date: its changes are forgotten.
  void Updated(size_t i) { changes_.Updated(i); }
  // Index `i` still lacks changes (its update failed); not a change seen.
  void Changed(size_t i) { changes_.Changed(i); }
  // Why some changes cannot be seen (a watch limit, no watcher), naming the
  // setting to raise; empty when every folder is watched.
  QString LimitMessage() const;
  size_t WatchCount() const { return watcher_.WatchCount(); }

 signals:
  void ChangesSeen();

 private:
  void ReadChanges();

  platform::TFolderWatcher watcher_;
  size_t maxWatches_;
  QSocketNotifier* notifier_ = nullptr;
  std::vector<std::string> indexes_;
  std::vector<std::vector<std::string>> folders_;
  TIndexChanges changes_;
};

}  // namespace tavirel
