#include "ui/settings/namazurc.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/process/ucommon.h"
#include "core/search/drivelist.h"
#include "core/settings/dialogs.h"
#include "core/settings/settings.h"
#include "ui/process/browser.h"
#include "ui/settings/browse.h"
#include "ui/widgets/buttonrow.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
TfrmSetNamazurc::TfrmSetNamazurc(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSetNamazurc"));
  setWindowTitle(QStringLiteral("namazurc の設定"));
  setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));

  lblNamazurcPath = new QLabel(QStringLiteral("namazurc のパス(&P):"), this);
  lblNamazurcPath->setObjectName(QStringLiteral("lblNamazurcPath"));
  edtNamazurcPath = new QLineEdit(this);
  edtNamazurcPath->setObjectName(QStringLiteral("edtNamazurcPath"));
  lblNamazurcPath->setBuddy(edtNamazurcPath);
  edtNamazurcPathButton = AddBrowseButton(edtNamazurcPath, "edtNamazurcPathButton");
  btnEditNamazurc = new QPushButton(QStringLiteral("編集(&E)..."), this);
  btnEditNamazurc->setObjectName(QStringLiteral("btnEditNamazurc"));
  btnEditNamazurc->setToolTip(QStringLiteral("メモ帳で開きます"));
  btnEditNamazurc->setAutoDefault(false);
  chkSetIndex = new QCheckBox(QStringLiteral("インデックスのパスは namazurc で指定する(&I)"), this);
  chkSetIndex->setObjectName(QStringLiteral("chkSetIndex"));
  chkUseNamazurc = new QCheckBox(QStringLiteral("namazurc を指定しない(&D)"), this);
  chkUseNamazurc->setObjectName(QStringLiteral("chkUseNamazurc"));
  chkUseNamazurc->setToolTip(QStringLiteral("コマンドラインで namazurc を指定しません"));
  btnOK = NewOkButton(this);
  btnCancel = NewCancelButton(this);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblNamazurcPath);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(edtNamazurcPath, 1);
  pathRow->addWidget(btnEditNamazurc);
  layout->addLayout(pathRow);
  layout->addSpacing(6);
  layout->addWidget(chkSetIndex);
  layout->addWidget(chkUseNamazurc);
  layout->addStretch(1);
  layout->addLayout(NewButtonRow({}, {btnOK, btnCancel}));

  connect(chkUseNamazurc, &QCheckBox::clicked, this, [this] { chkUseNamazurcClick(); });
  connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
  connect(btnEditNamazurc, &QPushButton::clicked, this, [this] { btnEditNamazurcClick(); });
  connect(edtNamazurcPathButton, &QAction::triggered, this,
          [this] { edtNamazurcPathButtonClick(); });

  FormCreate();
  setFixedSize(sizeHint().expandedTo(QSize(313, 169)));
}

void TfrmSetNamazurc::FormCreate() {
  chkSetIndex->setChecked(Settings.SetIndexInNamazurc == "1");
  chkUseNamazurc->setChecked(Settings.UseNamazurc != "1");
  edtNamazurcPath->setText(SjisToQString(Settings.NamazurcPath));
  chkUseNamazurcClick();
}

void TfrmSetNamazurc::chkUseNamazurcClick() {
  const bool enabled = !chkUseNamazurc->isChecked();
  edtNamazurcPath->setEnabled(enabled);
  btnEditNamazurc->setEnabled(enabled);
}

void TfrmSetNamazurc::btnOKClick() {
  const std::optional<std::string> path = FieldText(edtNamazurcPath);
  if (!path) return;
  Settings.SetIndexInNamazurc = chkSetIndex->isChecked() ? "1" : "0";
  Settings.UseNamazurc = chkUseNamazurc->isChecked() ? "0" : "1";
  Settings.NamazurcPath = *path;
  accept();
}

void TfrmSetNamazurc::btnEditNamazurcClick() {
  const std::optional<std::string> text = FieldText(edtNamazurcPath);
  if (!text) return;
  OpenInDesktopEditor(NamazurcEditPath(*text, DriveConstantList));
}

void TfrmSetNamazurc::edtNamazurcPathButtonClick() {
  const std::optional<std::string> text = FieldText(edtNamazurcPath);
  if (!text) return;
  // The field's folder, or the stored path's when the field is empty.
  const std::string& base = text->empty() ? Settings.NamazurcPath : *text;
  const TBrowseStart start = BrowseStartFor(base, ProgramFolder(), NativePathStyle);
  std::string proposed = start.FileName;
  if (const std::optional<QString> chosen = BrowseForFile(
          this, QStringLiteral("namazurc を選択してください"),
          QStringLiteral("すべてのﾌｧｲﾙ (*.*)|*.*|namazu設定ファイル(namazurc)|namazurc;.namazurc"),
          start.Folder, proposed)) {
    edtNamazurcPath->setText(*chosen);
  }
}

}  // namespace tavirel
