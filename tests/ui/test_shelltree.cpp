#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include <string>

#include "support/testsupport.h"
#include "ui/widgets/shelltree.h"

using namespace tavirel;
using tavirel::testsupport::TempDir;

namespace {

// Selects the folder, waits until its node is laid out on screen and returns
// it (an invalid index when it never is).
QModelIndex ShownNode(TShellTreeViewS& tree, const QString& path) {
  QModelIndex node;
  QDeadlineTimer deadline(20000);
  while (!deadline.hasExpired()) {
    node = tree.NodeOfFolder(path);
    if (node.isValid() && tree.SetSelectedFolder(path) && !tree.visualRect(node).isEmpty())
      return node;
    QTest::qWait(20);
  }
  return {};
}

}  // namespace

class TestShellTree : public QObject {
  Q_OBJECT

 private slots:
  void userActionsToggleAndReport_data();
  void userActionsToggleAndReport();
  void foldersOnlyNoRenamingNoSpreading();
  void followsTheFileSystem();
  void folderWith10000SubfoldersOpens();
};

enum Action { ClickText, ClickBox, DoubleClickBox, Space, OtherKey, RightClickText };

void TestShellTree::userActionsToggleAndReport_data() {
  QTest::addColumn<bool>("checkboxes");
  QTest::addColumn<int>("action");
  QTest::addColumn<int>("emitted");
  QTest::addColumn<bool>("checked");
  QTest::addColumn<bool>("targetSelected");
  QTest::newRow("click on the text") << true << int(ClickText) << 0 << false << true;
  QTest::newRow("right click on the text") << true << int(RightClickText) << 0 << false << true;
  QTest::newRow("click on the box") << true << int(ClickBox) << 1 << true << true;
  QTest::newRow("double click on the box") << true << int(DoubleClickBox) << 2 << false << true;
  QTest::newRow("space") << true << int(Space) << 1 << true << true;
  QTest::newRow("another key") << true << int(OtherKey) << 0 << false << true;
  QTest::newRow("no boxes: click where a box would be") << false << int(ClickBox) << 0 << false
                                                        << true;
  QTest::newRow("no boxes: space") << false << int(Space) << 0 << false << true;
}

void TestShellTree::userActionsToggleAndReport() {
  QFETCH(bool, checkboxes);
  QFETCH(int, action);
  QFETCH(int, emitted);
  QFETCH(bool, checked);
  QFETCH(bool, targetSelected);

  TempDir dir;
  QDir(QString::fromStdString(dir.path())).mkpath(QStringLiteral("alpha"));
  QDir(QString::fromStdString(dir.path())).mkpath(QStringLiteral("beta"));
  const QString alpha = QString::fromStdString(dir.File("alpha"));
  const QString beta = QString::fromStdString(dir.File("beta"));

  TShellTreeViewS tree;
  tree.SetCheckboxes(checkboxes);
  tree.resize(500, 400);
  tree.show();
  QVERIFY(QTest::qWaitForWindowExposed(&tree));
  const QModelIndex target = ShownNode(tree, alpha);
  QVERIFY(target.isValid());
  ShownNode(tree, beta);  // beta is selected; the action is on alpha
  QVERIFY(tree.SelectedFolder() == beta);

  const QRect row = tree.visualRect(target);
  const QRect box = tree.CheckBoxRect(target);
  QCOMPARE(box.isEmpty(), !checkboxes);
  // Without boxes the click goes to where the box would stand: the row's start.
  const QPoint boxPoint = checkboxes ? box.center() : QPoint(row.left() + 4, row.center().y());
  const QPoint textPoint(row.right() - 4, row.center().y());

  QSignalSpy spy(&tree, &TShellTreeViewS::OnCheck);
  switch (action) {
    case ClickText: QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, textPoint); break;
    case RightClickText: QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, textPoint); break;
    case ClickBox: QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, boxPoint); break;
    case DoubleClickBox:
      QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, boxPoint);
      QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, boxPoint);
      break;
    case Space:
    case OtherKey:
      tree.setCurrentIndex(target);
      QTest::keyClick(&tree, action == Space ? Qt::Key_Space : Qt::Key_A);
      break;
  }
  QCOMPARE(spy.count(), emitted);
  if (!spy.isEmpty()) QCOMPARE(spy.first().at(0).value<QObject*>(), &tree);
  QCOMPARE(tree.IsNodeChecked(target), checked);
  QCOMPARE(tree.SelectedFolder() == alpha, targetSelected);
  QCOMPARE(tree.model()->data(target, Qt::CheckStateRole).isValid(), checkboxes);
}

void TestShellTree::foldersOnlyNoRenamingNoSpreading() {
  TempDir dir;
  QDir root(QString::fromStdString(dir.path()));
  root.mkpath(QStringLiteral("top/sub"));
  dir.Write("top/file.txt", "x");
  const QString top = root.filePath(QStringLiteral("top"));

  TShellTreeViewS tree;
  tree.SetCheckboxes(true);
  tree.resize(500, 400);
  tree.show();
  QVERIFY(QTest::qWaitForWindowExposed(&tree));
  const QModelIndex topNode = ShownNode(tree, top);
  const QModelIndex subNode = ShownNode(tree, top + QStringLiteral("/sub"));
  tree.SetSelectedFolder(top);
  QTest::keyClick(&tree, Qt::Key_Space);

  QVERIFY(tree.IsNodeChecked(topNode));
  QVERIFY(!tree.IsNodeChecked(subNode));
  QVERIFY(!tree.IsNodeChecked(topNode.parent()));
  QVERIFY(!tree.IsNodeChecked(QModelIndex()));
  QTest::qWait(200);
  QCOMPARE(tree.model()->rowCount(topNode), 1);  // the file is not a node
  QVERIFY(!(tree.model()->flags(topNode) & Qt::ItemIsEditable));
  QTest::keyClick(&tree, Qt::Key_F2);
  QVERIFY(tree.findChildren<QLineEdit*>().isEmpty());
  QCOMPARE(tree.FolderOfNode(topNode), top);
  // The root of the file system is the top node.
  QCOMPARE(tree.FolderOfNode(tree.model()->index(0, 0)), QStringLiteral("/"));

  tree.SetCheckboxes(false);  // switching the boxes off clears them
  tree.SetCheckboxes(true);
  QVERIFY(!tree.IsNodeChecked(topNode));
}

void TestShellTree::followsTheFileSystem() {
  TempDir dir;
  QDir root(QString::fromStdString(dir.path()));
  root.mkpath(QStringLiteral("keep"));
  root.mkpath(QStringLiteral("gone"));
  const QString gone = root.filePath(QStringLiteral("gone"));

  TShellTreeViewS tree;
  tree.SetCheckboxes(true);
  tree.resize(500, 400);
  tree.show();
  QVERIFY(QTest::qWaitForWindowExposed(&tree));
  ShownNode(tree, gone);
  QTest::keyClick(&tree, Qt::Key_Space);
  QVERIFY(tree.IsNodeChecked(tree.NodeOfFolder(gone)));
  const QModelIndex parent = tree.NodeOfFolder(root.path());

  root.mkpath(QStringLiteral("fresh"));
  QTRY_COMPARE_WITH_TIMEOUT(tree.model()->rowCount(parent), 3, 10000);
  QVERIFY(root.rmdir(QStringLiteral("gone")));
  QTRY_COMPARE_WITH_TIMEOUT(tree.model()->rowCount(parent), 2, 10000);
  // A folder made again under the old name is a new node and starts cleared.
  root.mkpath(QStringLiteral("gone"));
  QTRY_COMPARE_WITH_TIMEOUT(tree.model()->rowCount(parent), 3, 10000);
  QVERIFY(!tree.IsNodeChecked(ShownNode(tree, gone)));
}

// Slow to clean up on some file systems (removing the folders), not to run.
void TestShellTree::folderWith10000SubfoldersOpens() {
  TempDir dir;
  QDir root(QString::fromStdString(dir.path()));
  for (int i = 0; i < 10000; ++i) QVERIFY(root.mkdir(QStringLiteral("d%1").arg(i, 5, 10, QChar('0'))));

  TShellTreeViewS tree;
  tree.SetCheckboxes(true);
  tree.resize(500, 400);
  tree.show();
  QVERIFY(QTest::qWaitForWindowExposed(&tree));
  const QModelIndex parent = ShownNode(tree, root.path());
  tree.expand(parent);
  QTRY_COMPARE_WITH_TIMEOUT(tree.model()->rowCount(parent), 10000, 60000);
  const QString last = root.filePath(QStringLiteral("d09999"));
  const QModelIndex lastNode = ShownNode(tree, last);
  QTest::keyClick(&tree, Qt::Key_Space);
  QVERIFY(tree.IsNodeChecked(lastNode));
}

QTEST_MAIN(TestShellTree)
#include "test_shelltree.moc"
