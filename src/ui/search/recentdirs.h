// TMRUManager: the recent index directories of the main window.
#pragma once

#include <QObject>

#include <string>
#include <vector>

class QMenu;

namespace tavirel {

// The recent index directories: at most RecentDirectoryCapacity entries, newest first,
// shown as the numbered items of a submenu that is disabled while empty.
class TMRUManager : public QObject {
  Q_OBJECT

 public:
  explicit TMRUManager(QObject* parent = nullptr);

  // The submenu the entries are listed in.
  void SetMenu(QMenu* menu);
  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(std::vector<std::string> items);
  // Adds the entry as the newest; an entry that names the same folders
  // (quoted or not, letter case ignored) gives way to it, and the oldest
  // beyond the capacity drops out. One entry for one list of folders.
  void Add(const std::string& entry);
  bool Contains(const std::string& entry) const;

  // Whether the entries are written to the settings file at close.
  bool AutoSave = true;

 signals:
  void Click(const std::string& entry);

 private:
  void RebuildMenu();

  std::vector<std::string> items_;
  QMenu* menu_ = nullptr;
};

}  // namespace tavirel
