#include "ui/search/recentdirs.h"

#include <QAction>
#include <QMenu>

#include "core/search/mainview.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {

TMRUManager::TMRUManager(QObject* parent) : QObject(parent) {}

void TMRUManager::SetMenu(QMenu* menu) {
  menu_ = menu;
  RebuildMenu();
}

void TMRUManager::SetItems(std::vector<std::string> items) {
  items_.clear();
  // Oldest first, each to the top, so that the order survives.
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    if (!it->empty()) AddRecentDirectory(items_, *it, RecentDirectoryCapacity);
  }
  RebuildMenu();
}

void TMRUManager::Add(const std::string& entry) {
  AddRecentDirectory(items_, entry, RecentDirectoryCapacity);
  RebuildMenu();
}

bool TMRUManager::Contains(const std::string& entry) const {
  return ContainsDirectoryList(items_, entry);
}

void TMRUManager::RebuildMenu() {
  if (menu_ == nullptr) return;
  menu_->clear();
  for (size_t i = 0; i < items_.size(); ++i) {
    const std::string entry = items_[i];
    QAction* item = menu_->addAction(SjisToQString(RecentMenuCaption(static_cast<int>(i), entry)));
    connect(item, &QAction::triggered, this, [this, entry] { emit Click(entry); });
  }
  menu_->menuAction()->setEnabled(!items_.empty());
}

}  // namespace tavirel
