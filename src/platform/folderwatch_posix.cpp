#include "platform/folderwatch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace tavirel::platform {
namespace {

constexpr uint32_t kWatchedEvents = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE |
                                    IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ATTRIB;

bool IsNetworkType(long type) {
  switch (static_cast<unsigned long>(type)) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x564C:      // NCP
    case 0x73757245:  // Coda
    case 0x5346414F:  // AFS
    case 0x47504653:  // GPFS
    case 0x65735546:  // FUSE (sshfs and the like)
    case 0x01021997:  // 9P
      return true;
    default:
      return false;
  }
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

}  // namespace

bool IsNetworkFolder(std::string_view folder) {
  const auto native = NativePath(folder);
  struct statfs info {};
  return native && ::statfs(native->c_str(), &info) == 0 && IsNetworkType(info.f_type);
}

TFolderWatcher::TFolderWatcher(size_t maxWatches) : maxWatches_(maxWatches) {
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
}

TFolderWatcher::~TFolderWatcher() {
  if (fd_ >= 0) ::close(fd_);
}

void TFolderWatcher::Clear() {
  for (const auto& [wd, path] : paths_) ::inotify_rm_watch(fd_, wd);
  paths_.clear();
  groups_.clear();
  excludes_.clear();
  limitSeen_ = TWatchResult::wrWatching;
}

TWatchResult TFolderWatcher::Watch(int group, std::string_view folder, std::string_view exclude) {
  if (fd_ < 0) return limitSeen_ = TWatchResult::wrNoInstance;
  const auto native = NativePath(folder);
  if (!native || !DirectoryExists(folder)) return TWatchResult::wrFailed;
  if (IsNetworkFolder(folder)) return TWatchResult::wrNotLocal;
  std::string excluded;
  if (!exclude.empty()) {
    if (const auto nativeExclude = NativePath(exclude)) excluded = *nativeExclude;
  }
  while (excluded.size() > 1 && excluded.back() == '/') excluded.pop_back();
  excludes_[group] = excluded;
  std::string root = *native;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  const TWatchResult result = AddTree(group, root, excluded);
  if (result == TWatchResult::wrOwnLimit || result == TWatchResult::wrSystemLimit) {
    limitSeen_ = result;
  }
  return result;
}

TWatchResult TFolderWatcher::AddTree(int group, const std::string& native,
                                     const std::string& exclude) {
  if (StartsWithFolder(native, exclude)) return TWatchResult::wrWatching;
  // Folders are walked without recursion, so that depth costs no stack.
  std::vector<std::string> pending{native};
  while (!pending.empty()) {
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    if (paths_.size() >= maxWatches_) return TWatchResult::wrOwnLimit;
    const int wd = ::inotify_add_watch(fd_, folder.c_str(), kWatchedEvents | IN_ONLYDIR);
    if (wd < 0) {
      if (errno == ENOSPC) return TWatchResult::wrSystemLimit;
      if (folder == native) return TWatchResult::wrFailed;
      continue;  // a subfolder that cannot be read or went away
    }
    paths_[wd] = folder;
    groups_[wd].insert(group);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) continue;
    while (const dirent* entry = ::readdir(dir)) {
      const char* name = entry->d_name;
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
      std::string child = folder == "/" ? "/" + std::string(name) : folder + "/" + name;
      bool isDir = entry->d_type == DT_DIR;
      if (entry->d_type == DT_UNKNOWN) {
        struct stat st {};
        isDir = ::lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      }
      if (isDir && !StartsWithFolder(child, exclude)) pending.push_back(std::move(child));
    }
    ::closedir(dir);
  }
  return TWatchResult::wrWatching;
}

std::set<int> TFolderWatcher::ReadChanges() {
  std::set<int> changed;
  if (fd_ < 0) return changed;
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t size = ::read(fd_, buffer, sizeof buffer);
    if (size <= 0) break;
    for (ssize_t at = 0; at < size;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_IGNORED) {
        paths_.erase(event->wd);
        groups_.erase(event->wd);
        continue;
      }
      if (event->mask & IN_Q_OVERFLOW) {  // changes were lost: any group may have some
        for (const auto& [wd, owners] : groups_) changed.insert(owners.begin(), owners.end());
        continue;
      }
      const auto groups = groups_.find(event->wd);
      if (groups == groups_.end()) continue;
      changed.insert(groups->second.begin(), groups->second.end());
      if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)) && event->len) {
        const std::string child = paths_[event->wd] + "/" + event->name;
        for (const int group : std::set<int>(groups->second)) {
          const TWatchResult result = AddTree(group, child, excludes_[group]);
          if (result == TWatchResult::wrOwnLimit || result == TWatchResult::wrSystemLimit)
            limitSeen_ = result;
        }
      }
    }
  }
  return changed;
}

}  // namespace tavirel::platform
