#include "ui/settings/selalias.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "core/settings/appfolders.h"
#include "core/process/ucommon.h"
#include "core/settings/dialogs.h"
#include "core/settings/settings.h"
#include "ui/widgets/buttonrow.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {

std::vector<std::string> TickedQueries;
bool UseOrJoin = false;
int LastAliasPage = 0;

namespace {

std::string& AliasFileOverride() {
  static std::string path;
  return path;
}

// A read-only text box on the window's grey.
void MakeGrey(QWidget* box) {
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  box->setPalette(palette);
}

}  // namespace

void TfrmSelectAlias::SetAliasFileOverride(const std::string& path) { AliasFileOverride() = path; }

TfrmSelectAlias::TfrmSelectAlias(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmSelectAlias"));
  setWindowTitle(QStringLiteral("エイリアス選択"));
  setSizeGripEnabled(true);
  setMinimumSize(300, 300);
  resize(376, 347);

  pge = new QTabWidget(this);
  pge->setObjectName(QStringLiteral("pge"));

  tab1 = new QWidget;
  tab1->setObjectName(QStringLiteral("tab1"));
  lstDirAlias = new QListWidget(tab1);
  lstDirAlias->setObjectName(QStringLiteral("lstDirAlias"));
  lstDirAlias->setSelectionMode(QAbstractItemView::ExtendedSelection);
  edtDirList = new QPlainTextEdit(tab1);
  edtDirList->setObjectName(QStringLiteral("edtDirList"));
  edtDirList->setReadOnly(true);
  edtDirList->setLineWrapMode(QPlainTextEdit::NoWrap);
  edtDirList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MakeGrey(edtDirList);
  auto* page1 = new QVBoxLayout(tab1);
  page1->addWidget(lstDirAlias, 3);
  page1->addWidget(edtDirList, 2);
  pge->addTab(tab1, QStringLiteral("検索場所"));

  tab2 = new QWidget;
  tab2->setObjectName(QStringLiteral("tab2"));
  lblQueryGroup = new QLabel(QStringLiteral("グループ(&G):"), tab2);
  lblQueryGroup->setObjectName(QStringLiteral("lblQueryGroup"));
  lstQueryGroup = new QListWidget(tab2);
  lstQueryGroup->setObjectName(QStringLiteral("lstQueryGroup"));
  lblQueryGroup->setBuddy(lstQueryGroup);
  lblQuery = new QLabel(QStringLiteral("検索語(&W):"), tab2);
  lblQuery->setObjectName(QStringLiteral("lblQuery"));
  lstQuery = new QListWidget(tab2);
  lstQuery->setObjectName(QStringLiteral("lstQuery"));
  lblQuery->setBuddy(lstQuery);
  lblSelectedQueries = new QLabel(QStringLiteral("選択された検索語(&A):"), tab2);
  lblSelectedQueries->setObjectName(QStringLiteral("lblSelectedQueries"));
  edtSelectedQueries = new QLineEdit(tab2);
  edtSelectedQueries->setObjectName(QStringLiteral("edtSelectedQueries"));
  edtSelectedQueries->setReadOnly(true);
  MakeGrey(edtSelectedQueries);
  lblSelectedQueries->setBuddy(edtSelectedQueries);
  chkOR = new QCheckBox(QStringLiteral("&OR"), tab2);
  chkOR->setObjectName(QStringLiteral("chkOR"));
  auto* page2 = new QGridLayout(tab2);
  page2->addWidget(lblQueryGroup, 0, 0);
  page2->addWidget(lblQuery, 0, 1);
  page2->addWidget(lstQueryGroup, 1, 0);
  page2->addWidget(lstQuery, 1, 1);
  page2->setColumnStretch(0, 2);
  page2->setColumnStretch(1, 3);
  page2->addWidget(lblSelectedQueries, 2, 0, 1, 2);
  auto* selectedRow = new QHBoxLayout;
  selectedRow->addWidget(edtSelectedQueries, 1);
  selectedRow->addWidget(chkOR);
  page2->addLayout(selectedRow, 3, 0, 1, 2);
  pge->addTab(tab2, QStringLiteral("検索語"));

  btnReset = new QPushButton(QStringLiteral("リセット(&R)"), this);
  btnReset->setObjectName(QStringLiteral("btnReset"));
  btnReset->setAutoDefault(false);
  btnOK = NewOkButton(this);
  btnCancel = NewCancelButton(this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pge, 1);
  layout->addLayout(NewButtonRow({btnReset}, {btnOK, btnCancel}));

  connect(lstDirAlias, &QListWidget::currentRowChanged, this, [this] { lstDirAliasClick(); });
  connect(lstDirAlias, &QListWidget::itemClicked, this, [this] { lstDirAliasClick(); });
  connect(lstQueryGroup, &QListWidget::currentRowChanged, this, [this] { lstQueryGroupClick(); });
  connect(lstQuery, &QListWidget::itemChanged, this,
          [this](QListWidgetItem* item) { lstQueryClickCheck(lstQuery->row(item)); });
  connect(chkOR, &QCheckBox::clicked, this, [this] { chkORClick(); });
  connect(btnReset, &QPushButton::clicked, this, [this] { btnResetClick(); });
  connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
  connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
  // The keyboard starts in the list of the page shown.
  connect(pge, &QTabWidget::currentChanged, this, [this] {
    if (!pge->currentWidget()->isAncestorOf(focusWidget())) FocusPageList();
  });

  FormCreate();
  FocusPageList();
}

void TfrmSelectAlias::FormCreate() {
  const std::string& override = AliasFileOverride();
  Aliases = LoadAliasFile(override.empty() ? CurrentAppFolders().AliasesFile : override);
  TickedQueries.clear();
  lstDirAlias->clear();
  for (const std::string& name : Aliases.AliasNames) lstDirAlias->addItem(SjisToQString(name));
  lstQueryGroup->clear();
  for (const std::string& name : Aliases.GroupNames) lstQueryGroup->addItem(SjisToQString(name));
  pge->setCurrentWidget(LastAliasPage == 2 ? tab2 : tab1);
}

void TfrmSelectAlias::FocusPageList() {
  (pge->currentWidget() == tab2 ? lstQueryGroup : lstDirAlias)->setFocus();
}

void TfrmSelectAlias::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!Aliases.Error.empty() && !errorShown_) {
    errorShown_ = true;
    // Shown over the dialog once it is on the screen.
    QTimer::singleShot(0, this, [this] {
      ShowMessageBox(this, QStringLiteral("エラー"), SjisToQString(Aliases.Error),
                     QMessageBox::Warning);
    });
  }
}

void TfrmSelectAlias::lstDirAliasClick() {
  const int row = lstDirAlias->currentRow();
  if (row < 0 || row >= static_cast<int>(Aliases.DirAliasDirectories.size())) return;
  edtDirList->setPlainText(SjisToQString(Aliases.DirAliasDirectories[static_cast<size_t>(row)]));
}

void TfrmSelectAlias::lstQueryGroupClick() {
  const int row = lstQueryGroup->currentRow();
  if (row < 0 || row >= static_cast<int>(Aliases.QueryGroups.size())) return;
  const TQueryGroup& group = Aliases.QueryGroups[static_cast<size_t>(row)];
  filling_ = true;
  lstQuery->clear();
  for (size_t i = 0; i < group.Captions.size(); ++i) {
    auto* item = new QListWidgetItem(SjisToQString(group.Captions[i]), lstQuery);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(group.Ticked[i] ? Qt::Checked : Qt::Unchecked);
  }
  filling_ = false;
}

void TfrmSelectAlias::lstQueryClickCheck(int row) {
  if (filling_) return;
  const int groupRow = lstQueryGroup->currentRow();
  if (groupRow < 0 || groupRow >= static_cast<int>(Aliases.QueryGroups.size())) return;
  TQueryGroup& group = Aliases.QueryGroups[static_cast<size_t>(groupRow)];
  if (row < 0 || row >= static_cast<int>(group.Ticked.size())) return;
  group.Ticked[static_cast<size_t>(row)] = lstQuery->item(row)->checkState() == Qt::Checked;
  RefreshSelectedQueries();
}

void TfrmSelectAlias::chkORClick() {
  UseOrJoin = chkOR->isChecked();
  RefreshSelectedQueries();
}

void TfrmSelectAlias::RefreshSelectedQueries() {
  TickedQueries = CollectTickedQueries(Aliases.QueryGroups);
  edtSelectedQueries->setText(SjisToQString(BuildQueryText(TickedQueries, chkOR->isChecked())));
  edtSelectedQueries->setCursorPosition(0);
}

void TfrmSelectAlias::btnResetClick() {
  if (lstDirAlias->count() > 0) lstDirAlias->setCurrentRow(0, QItemSelectionModel::NoUpdate);
  lstDirAlias->clearSelection();
  edtDirList->clear();
  for (TQueryGroup& group : Aliases.QueryGroups) {
    std::fill(group.Ticked.begin(), group.Ticked.end(), false);
  }
  lstQueryGroupClick();
  RefreshSelectedQueries();
}

void TfrmSelectAlias::btnOKClick() {
  std::vector<int> selected;
  for (int i = 0; i < lstDirAlias->count(); ++i) {
    if (lstDirAlias->item(i)->isSelected()) selected.push_back(i);
  }
  if (!selected.empty()) {
    const std::string text = SelectedAliasDirectories(Aliases, selected);
    Settings.IndexDirectoriesText = text;
    SetIndexDirectoriesFromText(Settings, text);
  }
  TickedQueries = CollectTickedQueries(Aliases.QueryGroups);
  accept();
}

void TfrmSelectAlias::FormCloseQuery() {
  LastAliasPage = pge->currentWidget() == tab2 ? 2 : 1;
}

void TfrmSelectAlias::done(int result) {
  FormCloseQuery();
  QDialog::done(result);
}

}  // namespace tavirel
