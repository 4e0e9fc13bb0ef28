// TShellTreeViewS: the folder tree of the file system (folders only, from the
// root "/" down, with the system's icons, loaded as folders are opened and
// refreshed when folders change) with a check box in front of every node.
//
// The tree only shows and toggles the boxes: it keeps no list of checked
// folders for its owner, a check never spreads to sub-folders or parents, and
// every node starts cleared, also a node that appears later. After the user
// has toggled a box (a click on the box, which also selects that node, or
// Space on the selected node) the tree emits OnCheck once; the owner then
// reads the selected folder and IsNodeChecked of the selected node.
#pragma once

#include <QPersistentModelIndex>
#include <QTreeView>

class QFileSystemModel;
class QIdentityProxyModel;

namespace tavirel {

class TShellTreeViewS : public QTreeView {
  Q_OBJECT
  Q_PROPERTY(bool Checkboxes READ Checkboxes WRITE SetCheckboxes)

 public:
  explicit TShellTreeViewS(QWidget* parent = nullptr);
  ~TShellTreeViewS() override;

  // Whether the nodes show check boxes (off at first). Switching them off
  // clears every box.
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool on);

  // True when `node` (an index of this view) is a node whose box is checked;
  // false for no node.
  bool IsNodeChecked(const QModelIndex& node) const;

  // The selected node, and its folder's path ("" when nothing is selected).
  QModelIndex SelectedNode() const { return currentIndex(); }
  QString SelectedFolder() const;
  // The folder of a node, and the node of a folder (an invalid index when
  // the folder is not in the tree). Asking for a folder's node starts
  // loading its parents.
  QString FolderOfNode(const QModelIndex& node) const;
  QModelIndex NodeOfFolder(const QString& path) const;
  // Selects the folder's node, opening its parents and scrolling it into
  // view; false when there is no such folder.
  bool SetSelectedFolder(const QString& path);

  QFileSystemModel* FileSystemModel() const { return fileModel_; }

  // The rectangle of a node's check box, in viewport coordinates (empty
  // without check boxes).
  QRect CheckBoxRect(const QModelIndex& node) const;

 signals:
  // The user has toggled a check box; `Sender` is this tree.
  void OnCheck(QObject* Sender);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class CheckModel;

  // The node whose box lies under `point`, or an invalid index.
  QModelIndex CheckBoxAt(const QPoint& point) const;
  void ToggleByUser(const QModelIndex& node);

  QFileSystemModel* fileModel_ = nullptr;
  CheckModel* checkModel_ = nullptr;
  bool checkboxes_ = false;
};

}  // namespace tavirel
