#include "ui/widgets/shelltree.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSet>
#include <QStyledItemDelegate>

namespace tavirel {

// The file-system model seen through one more role: the check state of each
// node, kept by folder path. The nodes are not user-checkable as far as the
// item delegate knows, so that only the tree itself toggles them.
class TShellTreeViewS::CheckModel : public QIdentityProxyModel {
 public:
  explicit CheckModel(QObject* parent) : QIdentityProxyModel(parent) {}

  void Attach(QFileSystemModel* files) {
    files_ = files;
    setSourceModel(files);
    // A folder that goes away takes its sub-folders' states with it, so that
    // a folder of the same name made later starts cleared.
    connect(files, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
              for (int row = first; row <= last; ++row)
                Forget(files_->filePath(files_->index(row, 0, parent)));
            });
    connect(files, &QFileSystemModel::fileRenamed, this,
            [this](const QString& folder, const QString& oldName, const QString&) {
              Forget(QDir(folder).filePath(oldName));
            });
    connect(files, &QAbstractItemModel::modelAboutToBeReset, this, [this] { checked_.clear(); });
  }

  bool enabled = false;

  QString PathOf(const QModelIndex& proxyIndex) const {
    if (!proxyIndex.isValid() || proxyIndex.model() != this) return {};
    return files_->filePath(mapToSource(proxyIndex));
  }
  bool IsChecked(const QModelIndex& proxyIndex) const {
    const QString path = PathOf(proxyIndex);
    return !path.isEmpty() && checked_.contains(path);
  }
  void Toggle(const QModelIndex& proxyIndex) {
    const QString path = PathOf(proxyIndex);
    if (path.isEmpty()) return;
    if (!checked_.remove(path)) checked_.insert(path);
    const QModelIndex first = proxyIndex.siblingAtColumn(0);
    emit dataChanged(first, first, {Qt::CheckStateRole});
  }
  void ClearAll() {
    checked_.clear();
    emit layoutChanged();
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::CheckStateRole) {
      if (!enabled || index.column() != 0) return {};
      return IsChecked(index) ? Qt::Checked : Qt::Unchecked;
    }
    return QIdentityProxyModel::data(index, role);
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role == Qt::CheckStateRole || role == Qt::EditRole) return false;  // no renaming
    return QIdentityProxyModel::setData(index, value, role);
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return QIdentityProxyModel::flags(index) & ~(Qt::ItemIsEditable | Qt::ItemIsUserCheckable |
                                                 Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled);
  }

 private:
  void Forget(const QString& path) {
    if (path.isEmpty() || checked_.isEmpty()) return;
    const QString below = path.endsWith(u'/') ? path : path + u'/';
    for (auto it = checked_.begin(); it != checked_.end();) {
      if (*it == path || it->startsWith(below))
        it = checked_.erase(it);
      else
        ++it;
    }
  }

  QFileSystemModel* files_ = nullptr;
  QSet<QString> checked_;
};

namespace {

// Lays out a node as the delegate paints it, to find its check box.
class TreeDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  using QStyledItemDelegate::initStyleOption;
};

}  // namespace

TShellTreeViewS::TShellTreeViewS(QWidget* parent) : QTreeView(parent) {
  fileModel_ = new QFileSystemModel(this);
  fileModel_->setObjectName(QStringLiteral("ShellModel"));
  fileModel_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
  fileModel_->setReadOnly(true);
  fileModel_->setResolveSymlinks(false);
  // Watching starts at the root; folders are read when they are opened.
  fileModel_->setRootPath(QStringLiteral("/"));
  checkModel_ = new CheckModel(this);
  checkModel_->Attach(fileModel_);
  setModel(checkModel_);
  setItemDelegate(new TreeDelegate(this));

  for (int column = 1; column < checkModel_->columnCount(); ++column) hideColumn(column);
  setHeaderHidden(true);
  setIndentation(19);
  setRootIsDecorated(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(false);
  setUniformRowHeights(true);
  setContextMenuPolicy(Qt::NoContextMenu);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);

  // The root "/" is the one top node, shown opened.
  const QModelIndex root = NodeOfFolder(QStringLiteral("/"));
  if (root.isValid()) expand(root);
}

TShellTreeViewS::~TShellTreeViewS() = default;

void TShellTreeViewS::SetCheckboxes(bool on) {
  if (on == checkboxes_) return;
  checkboxes_ = on;
  checkModel_->enabled = on;
  checkModel_->ClearAll();
  viewport()->update();
}

bool TShellTreeViewS::IsNodeChecked(const QModelIndex& node) const {
  if (!node.isValid() || node.model() != checkModel_) return false;
  return checkModel_->IsChecked(node);
}

QString TShellTreeViewS::SelectedFolder() const { return FolderOfNode(currentIndex()); }

QString TShellTreeViewS::FolderOfNode(const QModelIndex& node) const {
  return checkModel_->PathOf(node);
}

QModelIndex TShellTreeViewS::NodeOfFolder(const QString& path) const {
  if (path.isEmpty()) return {};
  const QModelIndex source = fileModel_->index(QDir::cleanPath(path));
  return source.isValid() ? checkModel_->mapFromSource(source) : QModelIndex();
}

bool TShellTreeViewS::SetSelectedFolder(const QString& path) {
  const QModelIndex node = NodeOfFolder(path);
  if (!node.isValid()) return false;
  for (QModelIndex up = node.parent(); up.isValid(); up = up.parent()) expand(up);
  setCurrentIndex(node);
  scrollTo(node);
  return true;
}

QRect TShellTreeViewS::CheckBoxRect(const QModelIndex& node) const {
  if (!checkboxes_ || !node.isValid() || node.model() != checkModel_) return {};
  const QModelIndex first = node.siblingAtColumn(0);
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(first);
  if (option.rect.isEmpty()) return {};
  auto* delegate = static_cast<TreeDelegate*>(itemDelegate());
  delegate->initStyleOption(&option, first);
  if (!(option.features & QStyleOptionViewItem::HasCheckIndicator)) return {};
  return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

QModelIndex TShellTreeViewS::CheckBoxAt(const QPoint& point) const {
  if (!checkboxes_) return {};
  const QModelIndex node = indexAt(point);
  if (!node.isValid()) return {};
  return CheckBoxRect(node).contains(point) ? node.siblingAtColumn(0) : QModelIndex();
}

void TShellTreeViewS::ToggleByUser(const QModelIndex& node) {
  setCurrentIndex(node);
  checkModel_->Toggle(node);
  emit OnCheck(this);
}

void TShellTreeViewS::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    const QModelIndex node = CheckBoxAt(event->position().toPoint());
    if (node.isValid()) {
      ToggleByUser(node);
      event->accept();
      return;
    }
  }
  QTreeView::mousePressEvent(event);
}

void TShellTreeViewS::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second click of a double click on a box toggles it again, as two
  // single clicks would; elsewhere a double click opens or closes the node.
  if (event->button() == Qt::LeftButton) {
    const QModelIndex node = CheckBoxAt(event->position().toPoint());
    if (node.isValid()) {
      ToggleByUser(node);
      event->accept();
      return;
    }
  }
  QTreeView::mouseDoubleClickEvent(event);
}

void TShellTreeViewS::keyPressEvent(QKeyEvent* event) {
  if (checkboxes_ && event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
    const QModelIndex node = currentIndex();
    if (node.isValid()) ToggleByUser(node.siblingAtColumn(0));
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

}  // namespace tavirel
