// Watching folders for changes to the files below them (inotify). Each
// watched folder belongs to a group (an index) and is watched with all its
// subfolders; folders made later are taken in as they appear. The number of
// watches is bounded by the caller, and the system's own limit is told apart
// so that the user can be told which setting to raise. Paths are program
// paths (Shift-JIS, platform::NativePath).
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavirel::platform {

enum class TWatchResult {
  wrWatching,        // the folder and all its subfolders are watched
  wrOwnLimit,        // the caller's bound on watches was reached first
  wrSystemLimit,     // the system allows no more watches (max_user_watches)
  wrNoInstance,      // no watcher could be made (max_user_instances)
  wrNotLocal,        // the folder lies on a network file system
  wrFailed,          // the folder cannot be read
};

// The system setting that bounds the watches of one user.
inline constexpr std::string_view SystemWatchLimitName = "fs.inotify.max_user_watches";
// The system setting that bounds the watchers of one user.
inline constexpr std::string_view SystemInstanceLimitName = "fs.inotify.max_user_instances";

// True when `folder` lies on a network file system (NFS, SMB/CIFS, ...),
// where changes made by other machines are never reported.
bool IsNetworkFolder(std::string_view folder);

class TFolderWatcher {
 public:
  explicit TFolderWatcher(size_t maxWatches = 50000);
  ~TFolderWatcher();
  TFolderWatcher(const TFolderWatcher&) = delete;
  TFolderWatcher& operator=(const TFolderWatcher&) = delete;

  // The descriptor that becomes readable when changes wait to be read;
  // -1 when no watcher could be made.
  int Handle() const { return fd_; }
  size_t WatchCount() const { return paths_.size(); }

  // Watches `folder` and its subfolders for `group`, passing over the
  // subtree `exclude` (the index itself, which its own update rewrites).
  // On a limit the watches made so far stay.
  TWatchResult Watch(int group, std::string_view folder, std::string_view exclude = {});
  // Drops every watch.
  void Clear();
  // Reads the waiting changes without blocking: the groups whose files
  // changed, each once. New subfolders are watched as they come.
  std::set<int> ReadChanges();
  // The result of the last watch that hit a limit, wrWatching when none did.
  TWatchResult LimitSeen() const { return limitSeen_; }

 private:
  TWatchResult AddTree(int group, const std::string& native, const std::string& exclude);

  int fd_ = -1;
  size_t maxWatches_;
  std::map<int, std::string> paths_;          // watch descriptor -> native folder
  std::map<int, std::set<int>> groups_;       // watch descriptor -> groups
  std::map<int, std::string> excludes_;       // group -> native folder passed over
  TWatchResult limitSeen_ = TWatchResult::wrWatching;
};

}  // namespace tavirel::platform
