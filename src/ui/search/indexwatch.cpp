#include "ui/search/indexwatch.h"

#include <QSocketNotifier>

#include "platform/platform.h"

namespace tavirel {

TIndexWatch::TIndexWatch(QObject* parent, size_t maxWatches)
    : QObject(parent), watcher_(maxWatches), maxWatches_(maxWatches) {
  if (watcher_.Handle() >= 0) {
    notifier_ = new QSocketNotifier(watcher_.Handle(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadChanges(); });
  }
}

void TIndexWatch::WatchIndexes(const std::vector<std::string>& indexes) {
  if (indexes == indexes_) return;
  watcher_.Clear();
  indexes_ = indexes;
  folders_.assign(indexes.size(), {});
  changes_.Reset(indexes.size());
  for (size_t i = 0; i < indexes.size(); ++i) {
    std::string index = indexes[i];
    while (index.size() > 1 && (index.back() == '/' || index.back() == '\\')) index.pop_back();
    std::string status;
    if (!platform::ReadWholeFile(index + "/NMZ.status", status)) continue;
    for (const std::string& native : IndexedFoldersFromStatus(status)) {
      const std::string folder = platform::ProgramPathFromNative(native);
      const platform::TWatchResult result = watcher_.Watch(static_cast<int>(i), folder, index);
      if (result == platform::TWatchResult::wrWatching ||
          result == platform::TWatchResult::wrOwnLimit ||
          result == platform::TWatchResult::wrSystemLimit) {
        folders_[i].push_back(folder);
      }
    }
  }
}

void TIndexWatch::ReadChanges() {
  const std::set<int> changed = watcher_.ReadChanges();
  for (const int group : changed) changes_.Changed(static_cast<size_t>(group));
  if (!changed.empty()) emit ChangesSeen();
}

QString TIndexWatch::LimitMessage() const {
  if (watcher_.Handle() < 0) {
    return QStringLiteral("フォルダの変更を見張る仕組みを作れないため、インデックスの未反映の変更は"
                          "表示されません。システムの設定 %1 を大きくしてください。")
        .arg(QString::fromLatin1(platform::SystemInstanceLimitName.data(),
                                 static_cast<qsizetype>(platform::SystemInstanceLimitName.size())));
  }
  switch (watcher_.LimitSeen()) {
    case platform::TWatchResult::wrSystemLimit:
      return QStringLiteral("フォルダの変更を見張れる数がシステムの上限に達したため、一部のフォルダ"
                            "の変更は表示されません。システムの設定 %1 を大きくしてください"
                            " (例: sudo sysctl %1=524288)。")
          .arg(QString::fromLatin1(platform::SystemWatchLimitName.data(),
                                   static_cast<qsizetype>(platform::SystemWatchLimitName.size())));
    case platform::TWatchResult::wrOwnLimit:
      return QStringLiteral("見張るフォルダが %1 個を超えたため、一部のフォルダの変更は表示されません。")
          .arg(maxWatches_);
    default:
      return {};
  }
}

}  // namespace tavirel
