#include "ui/settings/seldir.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "core/settings/dialogs.h"
#include "core/settings/settings.h"
#include "ui/widgets/buttonrow.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"
#include "ui/widgets/shelltree.h"

namespace tavirel {

TfrmSelectDir::TfrmSelectDir(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSelectDir"));
  setWindowTitle(QStringLiteral("ディレクトリを選択"));

  lblMessage = new QLabel(QStringLiteral("インデックスの存在するディレクトリを指定してください。"), this);
  lblMessage->setObjectName(QStringLiteral("lblMessage"));
  tvFolder = new TShellTreeViewS(this);
  tvFolder->setObjectName(QStringLiteral("tvFolder"));
  tvFolder->setAccessibleName(QStringLiteral("インデックスの存在するディレクトリ"));
  tvFolder->SetCheckboxes(true);
  tvFolder->setMinimumSize(380, 220);
  btnClear = new QPushButton(QStringLiteral("クリア(&L)"), this);
  btnClear->setObjectName(QStringLiteral("btnClear"));
  btnClear->setAutoDefault(false);
  lblTargetDirectories = new QLabel(QStringLiteral("検索ディレクトリ一覧(&S):"), this);
  lblTargetDirectories->setObjectName(QStringLiteral("lblTargetDirectories"));
  edtTargetDirectories = new QPlainTextEdit(this);
  edtTargetDirectories->setObjectName(QStringLiteral("edtTargetDirectories"));
  edtTargetDirectories->setLineWrapMode(QPlainTextEdit::NoWrap);
  edtTargetDirectories->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edtTargetDirectories->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edtTargetDirectories->setTabChangesFocus(true);
  edtTargetDirectories->setFixedHeight(96);
  lblTargetDirectories->setBuddy(edtTargetDirectories);
  chkRelativePath = new QCheckBox(QStringLiteral("相対ディレクトリで指定する(&R)"), this);
  chkRelativePath->setObjectName(QStringLiteral("chkRelativePath"));
  btnOK = NewOkButton(this, QStringLiteral("&OK"));
  btnCancel = NewCancelButton(this, QStringLiteral("キャンセル(&C)"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblMessage);
  layout->addWidget(tvFolder, 1);
  auto* listRow = new QHBoxLayout;
  listRow->addWidget(lblTargetDirectories);
  listRow->addStretch(1);
  listRow->addWidget(btnClear);
  layout->addLayout(listRow);
  layout->addWidget(edtTargetDirectories);
  layout->addLayout(NewButtonRow({chkRelativePath}, {btnOK, btnCancel}));

  // Tab order: the list, its buttons, then the tree.
  setTabOrder(edtTargetDirectories, btnClear);
  setTabOrder(btnClear, chkRelativePath);
  setTabOrder(chkRelativePath, btnOK);
  setTabOrder(btnOK, btnCancel);
  setTabOrder(btnCancel, tvFolder);

  connect(tvFolder, &TShellTreeViewS::OnCheck, this, [this] { tvFolderCheck(); });
  connect(btnClear, &QPushButton::clicked, this, [this] { btnClearClick(); });
  connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });

  FormCreate();
  setFixedSize(sizeHint());
}

void TfrmSelectDir::FormCreate() {
  chkRelativePath->setChecked(Settings.RelativePath == "1");
  // The root of the system's drive.
  tvFolder->SetSelectedFolder(QStringLiteral("/"));
  SetFieldLines(DirectoriesForList(Settings));
  edtTargetDirectories->setFocus();
}

bool TfrmSelectDir::FieldLines(std::vector<std::string>& lines) {
  const std::optional<std::string> text = QStringToSjis(edtTargetDirectories->toPlainText());
  if (!text) {
    ShowMessageBox(this, QStringLiteral("エラー"),
                   QStringLiteral("検索ディレクトリ一覧に Shift-JIS で表せない文字が含まれています。"),
                   QMessageBox::Critical);
    return false;
  }
  lines = SplitLines(*text);
  return true;
}

void TfrmSelectDir::SetFieldLines(const std::vector<std::string>& lines) {
  QStringList text;
  for (const std::string& line : lines) text << SjisToQString(line);
  edtTargetDirectories->setPlainText(text.join(QLatin1Char('\n')));
  edtTargetDirectories->moveCursor(QTextCursor::Start);
}

void TfrmSelectDir::tvFolderCheck() {
  const QString folder = tvFolder->SelectedFolder();
  if (folder.isEmpty()) return;
  const std::optional<std::string> path = QStringToSjis(folder);
  if (!path) {
    ShowMessageBox(this, QStringLiteral("エラー"),
                   QStringLiteral("Shift-JIS で表せない文字を含むパスは指定できません。"),
                   QMessageBox::Critical);
    return;
  }
  std::vector<std::string> lines;
  if (!FieldLines(lines)) return;
  const bool checked = tvFolder->IsNodeChecked(tvFolder->SelectedNode());
  if (ApplyFolderTick(lines, *path, checked)) SetFieldLines(lines);
}

void TfrmSelectDir::btnClearClick() { edtTargetDirectories->clear(); }

void TfrmSelectDir::btnOKClick() {
  std::vector<std::string> lines;
  if (!FieldLines(lines)) {
    edtTargetDirectories->setFocus();
    return;
  }
  Settings.RelativePath = std::string(chkRelativePath->isChecked() ? "1" : "0");
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    if (!TrimBlanks(line).empty()) kept.push_back(line);
  }
  SetFieldLines(kept);
  SetIndexDirectoriesFromText(Settings, JoinDirectoryLines(kept));
  accept();
}

}  // namespace tavirel
