#include "ui/indexer/makeidx.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>

#include <chrono>
#include <optional>

#include "core/process/arguments.h"
#include "core/indexer/cmdlist.h"
#include "core/indexer/mknmzprogress.h"
#include "core/search/mainview.h"
#include "core/settings/inifile.h"
#include "core/settings/settings.h"
#include "platform/platform.h"
#include "ui/process/browser.h"
#include "ui/process/consolerun.h"
#include "ui/process/doswin.h"
#include "ui/search/placement.h"
#include "ui/widgets/bigview.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"
#include "ui/widgets/shelltree.h"

namespace tavirel {
namespace {

const QString ErrorCaption = QStringLiteral("エラー");
const QString ConfirmCaption = QStringLiteral("確認");
const QString UnrepresentableMessage =
    QStringLiteral("Shift-JIS で表せない文字が含まれているため使えません。");
const QString FileFilter = QStringLiteral("すべてのﾌｧｲﾙ (*)");

// The Shift-JIS bytes of a reserved line kept by a list item, so that a line
// read from a file goes back to the file byte for byte.
constexpr int LineRole = Qt::UserRole + 1;

QListWidgetItem* NewLineItem(const std::string& line) {
  auto* item = new QListWidgetItem(SjisToQString(line));
  item->setData(LineRole, QByteArray(line.data(), static_cast<qsizetype>(line.size())));
  return item;
}

std::string LineOfItem(const QListWidgetItem* item) {
  const QByteArray bytes = item->data(LineRole).toByteArray();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The Shift-JIS form of a field's text; sets *ok to false when it cannot be
// written so.
std::string FieldText(const QString& text, bool* ok) {
  std::optional<std::string> sjis = QStringToSjis(text);
  if (!sjis) {
    if (ok) *ok = false;
    return QStringToSjisLossy(text);
  }
  return *sjis;
}

}  // namespace

TfrmMakeIndex::TfrmMakeIndex(QWidget* parent) : QDialog(parent) { FormCreate(); }

TfrmMakeIndex::~TfrmMakeIndex() = default;

// ---- Building the window ------------------------------------------------------------

void TfrmMakeIndex::BuildPages() {
  // The form lays out the pages; what it cannot say is set up here.
  setupUi(this);

  tvFolder->SetCheckboxes(true);

  grpMakeDirChoices = new QButtonGroup(grpMakeDir);
  grpMakeDirChoices->setObjectName(QStringLiteral("grpMakeDirChoices"));
  int id = 0;
  for (QRadioButton* choice : {grpMakeDir0, grpMakeDir1, grpMakeDir2})
    grpMakeDirChoices->addButton(choice, id++);

  for (std::string_view caption : CriteriaCaptions) {
    auto* item = new QListWidgetItem(SjisToQString(caption), lstCriteria);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }

  // mknmz's own progress (the files of the running line and, for the
  // reserved list, its commands) and how the last run ended show only
  // during and after a run. The progress label is wide enough for long
  // counts, so that the bar keeps its length.
  prgMknmz->hide();
  lblMknmzProgress->setMinimumWidth(lblMknmzProgress->fontMetrics().horizontalAdvance(
      QStringLiteral("コマンド 99 / 99　文書 99999 / 99999・残り約 999 分")));
  lblRunStatus->hide();

  SetUpConsoleView(edtProcess, this, edtProcess, pmnu, mnuCopy);

  FormPlacement = new TFormPlacement(this);
  FormPlacement->setObjectName(QStringLiteral("FormPlacement"));
}

void TfrmMakeIndex::ConnectEvents() {
  connect(tvFolder, &TShellTreeViewS::OnCheck, this, [this] { tvFolderCheck(); });
  connect(btnClearTargetDir, &QPushButton::clicked, this, [this] { btnClearTargetDirClick(); });
  for (QAbstractButton* button :
       {static_cast<QAbstractButton*>(optIndexSameDir), static_cast<QAbstractButton*>(optIndexOtherDir),
        static_cast<QAbstractButton*>(optTargetDefault), static_cast<QAbstractButton*>(optTargetAll),
        static_cast<QAbstractButton*>(optTargetRegex), static_cast<QAbstractButton*>(chkTargetFileList),
        static_cast<QAbstractButton*>(chkMediaType), static_cast<QAbstractButton*>(chkReplace),
        static_cast<QAbstractButton*>(chkMknmzrc)}) {
    connect(button, &QAbstractButton::toggled, this, [this] { UpdateControlStates(); });
  }
  connect(lstCriteria, &QListWidget::itemChanged, this, [this] { UpdateControlStates(); });
  connect(btnBrowseOutputDir, &QToolButton::clicked, this, [this] { BrowseInto(edtOutputDir, true); });
  connect(btnBrowseFileList, &QToolButton::clicked, this,
          [this] { BrowseInto(edtTargetFileListFileName, false); });
  connect(btnBrowseMknmzrc, &QToolButton::clicked, this,
          [this] { BrowseInto(edtMknmzrcFileName, false); });
  connect(btnEditFileList, &QPushButton::clicked, this, [this] { btnEditFileListClick(); });
  connect(btnSetDefaultFile, &QPushButton::clicked, this, [this] { btnSetDefaultDirClick(); });
  connect(btnSetDefaultEtc, &QPushButton::clicked, this, [this] { btnSetDefaultDirClick(); });
  connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
  connect(btnMakeCmdline, &QPushButton::clicked, this, [this] { btnMakeCmdlineClick(); });
  connect(btnExit, &QPushButton::clicked, this, [this] { reject(); });

  connect(btnCmdlineAdd, &QPushButton::clicked, this, [this] { btnCmdlineAddClick(); });
  connect(btnCmdlineModify, &QPushButton::clicked, this, [this] { btnCmdlineModifyClick(); });
  connect(btnCmdlineUp, &QPushButton::clicked, this, [this] { btnCmdlineUpClick(); });
  connect(btnCmdlineDown, &QPushButton::clicked, this, [this] { btnCmdlineDownClick(); });
  connect(btnCmdlineDelete, &QPushButton::clicked, this, [this] { btnCmdlineDeleteClick(); });
  connect(btnCmdlineClear, &QPushButton::clicked, this, [this] { btnCmdlineClearClick(); });
  connect(lstCmdlineList, &QListWidget::itemSelectionChanged, this, [this] { lstCmdlineListClick(); });
  connect(lstCmdlineList, &QListWidget::itemDoubleClicked, this, [this] { lstCmdlineListDblClick(); });
  connect(btnLoadCmdList, &QPushButton::clicked, this, [this] { btnLoadCmdListClick(); });
  connect(btnSaveCmdList, &QPushButton::clicked, this, [this] { btnSaveCmdListClick(); });
  connect(btnMakeIndex, &QPushButton::clicked, this, [this] { btnMakeIndexClick(); });
  connect(btnRunMknmz, &QPushButton::clicked, this, [this] { btnRunMknmzClick(); });
  connect(mnuCopy, &QAction::triggered, this, [this] { mnuCopyClick(); });
  connect(pmnu, &QMenu::aboutToShow, this, [this] { pmnuPopup(); });
  connect(edtProcess, &TBigView::selectionChanged, this, [this] { pmnuPopup(); });

  for (QObject* watched : {static_cast<QObject*>(edtCmdlineEdit),
                           static_cast<QObject*>(edtCommandLine),
                           static_cast<QObject*>(lstCmdlineList), static_cast<QObject*>(grpMakeDir)}) {
    watched->installEventFilter(this);
  }
}

void TfrmMakeIndex::FormCreate() {
  BuildPages();
  ConnectEvents();

  // 1. Placement in section "Mknmz"; without one the window opens centred
  //    on its owner.
  FormPlacement->IniFileName = Settings.IniFileName;
  FormPlacement->IniSection = "Mknmz";
  FormPlacement->Active = true;
  if (!FormPlacement->Restore(this)) {
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect area = owner ? owner->frameGeometry()
                             : (screen() ? screen()->availableGeometry() : QRect());
    if (area.isValid()) move(area.center() - rect().center());
  }
  // 2. The tree opens at the root of the file system, selected.
  tvFolder->SetSelectedFolder(QStringLiteral("/"));
  // 3. Progress, defaults, enabled states, the first page.
  lblProgress->clear();
  LoadIndexDefaults();
  UpdateControlStates();
  lstCmdlineListClick();
  pgeMknmz->setCurrentWidget(tabTargetDir);
  tvFolder->setFocus();
  helpWindow_ = nullptr;
}

// ---- The option pages ----------------------------------------------------------------

TIndexChoices TfrmMakeIndex::Choices(bool* ok) const {
  if (ok) *ok = true;
  TIndexChoices c;
  c.targetDirectories = FieldText(edtTargetDirectories->toPlainText(), ok);
  c.excludeDirPattern = FieldText(edtExcludeDirPattern->text(), ok);
  c.indexOtherDir = optIndexOtherDir->isChecked();
  c.outputDir = FieldText(edtOutputDir->text(), ok);
  c.makeDirChoice = std::max(0, grpMakeDirChoices->checkedId());
  c.targetFile = optTargetAll->isChecked()     ? TargetFileChoice::All
                 : optTargetRegex->isChecked() ? TargetFileChoice::RegEx
                                               : TargetFileChoice::Default;
  c.targetFilePattern = FieldText(edtTargetFilePattern->text(), ok);
  c.useTargetFileList = chkTargetFileList->isChecked();
  c.targetFileListFileName = FieldText(edtTargetFileListFileName->text(), ok);
  c.denyFilePattern = FieldText(edtDenyFilePattern->text(), ok);
  for (int i = 0; i < CriteriaCount; ++i)
    c.criteria[static_cast<size_t>(i)] = lstCriteria->item(i)->checkState() == Qt::Checked;
  c.useMediaType = chkMediaType->isChecked();
  c.mediaType = FieldText(edtMediaType->text(), ok);
  c.useReplace = chkReplace->isChecked();
  c.replace = FieldText(edtReplace->text(), ok);
  c.useMknmzrc = chkMknmzrc->isChecked();
  c.mknmzrcFileName = FieldText(edtMknmzrcFileName->text(), ok);
  c.otherParameters = FieldText(edtOtherParameters->text(), ok);
  return c;
}

void TfrmMakeIndex::ApplyChoices(const TIndexChoices& c) {
  edtTargetDirectories->setPlainText(SjisToQString(c.targetDirectories));
  edtExcludeDirPattern->setText(SjisToQString(c.excludeDirPattern));
  (c.indexOtherDir ? optIndexOtherDir : optIndexSameDir)->setChecked(true);
  edtOutputDir->setText(SjisToQString(c.outputDir));
  if (QAbstractButton* choice = grpMakeDirChoices->button(c.makeDirChoice)) choice->setChecked(true);
  (c.targetFile == TargetFileChoice::All     ? optTargetAll
   : c.targetFile == TargetFileChoice::RegEx ? optTargetRegex
                                             : optTargetDefault)
      ->setChecked(true);
  edtTargetFilePattern->setText(SjisToQString(c.targetFilePattern));
  chkTargetFileList->setChecked(c.useTargetFileList);
  edtTargetFileListFileName->setText(SjisToQString(c.targetFileListFileName));
  edtDenyFilePattern->setText(SjisToQString(c.denyFilePattern));
  for (int i = 0; i < CriteriaCount; ++i) {
    lstCriteria->item(i)->setCheckState(c.criteria[static_cast<size_t>(i)] ? Qt::Checked
                                                                          : Qt::Unchecked);
  }
  chkMediaType->setChecked(c.useMediaType);
  edtMediaType->setText(SjisToQString(c.mediaType));
  chkReplace->setChecked(c.useReplace);
  edtReplace->setText(SjisToQString(c.replace));
  chkMknmzrc->setChecked(c.useMknmzrc);
  edtMknmzrcFileName->setText(SjisToQString(c.mknmzrcFileName));
  edtOtherParameters->setText(SjisToQString(c.otherParameters));
  UpdateControlStates();
}

void TfrmMakeIndex::UpdateControlStates() {
  const bool other = optIndexOtherDir->isChecked();
  edtOutputDir->setEnabled(other);
  btnBrowseOutputDir->setEnabled(other);
  grpMakeDir->setEnabled(other);
  edtTargetFilePattern->setEnabled(optTargetRegex->isChecked());
  const bool list = chkTargetFileList->isChecked();
  edtTargetFileListFileName->setEnabled(list);
  btnBrowseFileList->setEnabled(list);
  btnEditFileList->setEnabled(list);
  edtMediaType->setEnabled(chkMediaType->isChecked());
  edtReplace->setEnabled(chkReplace->isChecked());
  edtMknmzrcFileName->setEnabled(chkMknmzrc->isChecked());
  btnBrowseMknmzrc->setEnabled(chkMknmzrc->isChecked());
  // An update takes its options from the index: no exclusion then.
  edtExcludeDirPattern->setEnabled(lstCriteria->item(critUpdate)->checkState() != Qt::Checked);
}

void TfrmMakeIndex::LoadIndexDefaults() {
  TIndexChoices choices = Choices();
  tavirel::LoadIndexDefaults(Settings.IniFileName, choices);
  ApplyChoices(choices);
}

void TfrmMakeIndex::SaveIndexDefaults(IndexDefaultsPage page) {
  bool ok = true;
  const TIndexChoices choices = Choices(&ok);
  if (!ok) {
    ShowMessageBox(this, ErrorCaption, UnrepresentableMessage, QMessageBox::Warning);
    return;
  }
  tavirel::SaveIndexDefaults(Settings.IniFileName, choices, page);
}

void TfrmMakeIndex::tvFolderCheck() {
  const QString folder = tvFolder->SelectedFolder();
  if (folder.isEmpty()) return;
  const std::optional<std::string> path = QStringToSjis(folder);
  if (!path) {
    ShowMessageBox(this, ErrorCaption, UnrepresentableMessage, QMessageBox::Warning);
    return;
  }
  const bool checked = tvFolder->IsNodeChecked(tvFolder->SelectedNode());
  QStringList lines = edtTargetDirectories->toPlainText().split(QLatin1Char('\n'));
  if (lines.size() == 1 && lines.front().isEmpty()) lines.clear();
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  qsizetype at = -1;
  for (qsizetype i = 0; i < lines.size() && at < 0; ++i) {
    if (SameTextSjis(QStringToSjisLossy(lines[i]), *path)) at = i;
  }
  if (checked && at < 0) {
    lines.append(folder);
  } else if (!checked && at >= 0) {
    lines.removeAt(at);
  } else {
    return;
  }
  edtTargetDirectories->setPlainText(lines.join(QLatin1Char('\n')));
  edtTargetDirectories->moveCursor(QTextCursor::End);
}

void TfrmMakeIndex::btnClearTargetDirClick() { edtTargetDirectories->clear(); }

void TfrmMakeIndex::BrowseInto(QLineEdit* field, bool folder) {
  QFileDialog dialog(this);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(folder ? QFileDialog::Directory : QFileDialog::ExistingFile);
  if (folder) dialog.setOption(QFileDialog::ShowDirsOnly);
  else dialog.setNameFilter(FileFilter);
  if (!field->text().isEmpty()) dialog.selectFile(field->text());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  field->setText(dialog.selectedFiles().front());
}

void TfrmMakeIndex::btnEditFileListClick() {
  const QString name = edtTargetFileListFileName->text();
  if (name.trimmed().isEmpty()) return;
  const std::optional<std::string> path = QStringToSjis(name);
  if (!path) {
    ShowMessageBox(this, ErrorCaption, UnrepresentableMessage, QMessageBox::Warning);
    return;
  }
  // The desktop's editor for the file; a failure is told to the user.
  OpenInDesktopEditor(*path);
}

void TfrmMakeIndex::btnSetDefaultDirClick() {
  const QMessageBox::StandardButton answer =
      ShowMessageBox(this, QStringLiteral("tavirel for Namazu"),
                     QStringLiteral("現在のページの状態を既定値として保存します。"),
                     QMessageBox::Information, QMessageBox::Ok | QMessageBox::Cancel);
  if (answer != QMessageBox::Ok) return;
  if (pgeMknmz->currentWidget() == tabTargetFile) SaveIndexDefaults(IndexDefaultsPage::File);
  else if (pgeMknmz->currentWidget() == tabEtc) SaveIndexDefaults(IndexDefaultsPage::Other);
}

void TfrmMakeIndex::btnHelpClick() {
  if (!OpenOptionHelpWindow(helpWindow_, this)) return;
  // Room for about 80 columns and 30 lines of the help, within the screen.
  const QFontMetrics metrics(helpWindow_->edt->font());
  QSize size(metrics.horizontalAdvance(QString(80, QLatin1Char('M'))) +
                 helpWindow_->edt->verticalScrollBar()->sizeHint().width() + 8,
             30 * helpWindow_->edt->LineHeight() + 8);
  if (const QScreen* screen = this->screen())
    size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
  helpWindow_->resize(size);
  helpWindow_->show();
  const std::string command =
      QuoteProgram(Settings.PerlPath) + " " + QuoteArgument(Settings.mknmzPath) + " --help";
  helpRunning_ = true;
  RunConsoleProcess(command, ParentFolder(Settings.mknmzPath, NativePathStyle), psmCaptured,
                    helpWindow_->edt, acMknmz);
  helpRunning_ = false;
  if (!helpWindow_) return;
  helpWindow_->edt->SetTag(1);
  // The help is read from its beginning.
  helpWindow_->edt->ScrollToLine(0);
  helpWindow_->edt->verticalScrollBar()->setValue(0);
}

bool TfrmMakeIndex::ValidateIndexOptions() {
  bool ok = true;
  const TIndexChoices choices = Choices(&ok);
  if (!ok) {
    ShowMessageBox(this, ErrorCaption, UnrepresentableMessage, QMessageBox::Warning);
    return false;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    const TIndexCheck check = CheckIndexOptions(choices, NativePathStyle);
    switch (check.kind) {
      case TIndexCheck::Valid:
        return true;
      case TIndexCheck::Refused:
        ShowMessageBox(this, ErrorCaption, SjisToQString(check.message),
                       check.warning ? QMessageBox::Warning : QMessageBox::Critical);
        return false;
      case TIndexCheck::AskCreateOutput: {
        if (ShowMessageBox(this, ConfirmCaption, SjisToQString(CreateOutputQuestion),
                           QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) !=
            QMessageBox::Yes)
          return false;
        const std::string folder(TrimBlanks(choices.outputDir));
        if (!platform::CreateFolders(folder) || !platform::DirectoryExists(folder)) {
          ShowMessageBox(this, ErrorCaption, SjisToQString(CreateFolderFailedMessage),
                         QMessageBox::Critical);
          return false;
        }
        break;  // check again, now with the folder
      }
    }
  }
  return false;
}

int TfrmMakeIndex::BuildCommandList() {
  const TCommandLines result = BuildCommandLines(Choices(), NativePathStyle);
  if (!result.ok) {
    ShowMessageBox(this, ErrorCaption, SjisToQString(result.message), QMessageBox::Critical);
    return -1;
  }
  // Shift held down appends to the list.
  if (!(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier)) lstCmdlineList->clear();
  for (const std::string& line : result.lines) lstCmdlineList->addItem(NewLineItem(line));
  lstCmdlineListClick();
  return lstCmdlineList->count();
}

void TfrmMakeIndex::btnMakeCmdlineClick() {
  if (!ValidateIndexOptions()) return;
  if (BuildCommandList() <= 0) return;
  pgeMknmz->setCurrentWidget(tabCmdlineList);
  edtCmdlineEdit->setFocus();
}

// ---- The reserved list ---------------------------------------------------------------

std::vector<std::string> TfrmMakeIndex::CommandLines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < lstCmdlineList->count(); ++i) lines.push_back(LineOfItem(lstCmdlineList->item(i)));
  return lines;
}

void TfrmMakeIndex::SetCommandLines(const std::vector<std::string>& lines) {
  lstCmdlineList->clear();
  for (const std::string& line : lines) lstCmdlineList->addItem(NewLineItem(line));
  lstCmdlineListClick();
}

void TfrmMakeIndex::lstCmdlineListClick() {
  const bool selected = lstCmdlineList->currentRow() >= 0 &&
                        !lstCmdlineList->selectedItems().isEmpty();
  btnCmdlineClear->setEnabled(lstCmdlineList->count() > 0);
  for (QPushButton* button : {btnCmdlineModify, btnCmdlineUp, btnCmdlineDown, btnCmdlineDelete})
    button->setEnabled(selected);
}

void TfrmMakeIndex::btnCmdlineAddClick() {
  bool ok = true;
  const std::string line(TrimBlanks(FieldText(edtCmdlineEdit->text(), &ok)));
  if (!ok) {
    ShowMessageBox(this, ErrorCaption, UnrepresentableMessage, QMessageBox::Warning);
    return;
  }
  if (line.empty()) return;
  for (const std::string& existing : CommandLines()) {
    if (!SameTextSjis(existing, line)) continue;
    if (ShowMessageBox(this, ConfirmCaption,
                       QStringLiteral("同じコマンドラインが存在します。\n追加してもよろしいですか？"),
                       QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) !=
        QMessageBox::Yes)
      return;
    break;
  }
  lstCmdlineList->addItem(NewLineItem(line));
  lstCmdlineListClick();
}

void TfrmMakeIndex::btnCmdlineModifyClick() {
  QListWidgetItem* item = lstCmdlineList->currentItem();
  bool ok = true;
  const std::string line(TrimBlanks(FieldText(edtCmdlineEdit->text(), &ok)));
  if (!ok) {
    ShowMessageBox(this, ErrorCaption, UnrepresentableMessage, QMessageBox::Warning);
    return;
  }
  if (item == nullptr || !item->isSelected() || line.empty()) return;
  item->setText(SjisToQString(line));
  item->setData(LineRole, QByteArray(line.data(), static_cast<qsizetype>(line.size())));
  lstCmdlineListClick();
}

void TfrmMakeIndex::btnCmdlineUpClick() {
  const int row = lstCmdlineList->currentRow();
  if (row <= 0) return;
  lstCmdlineList->insertItem(row - 1, lstCmdlineList->takeItem(row));
  lstCmdlineList->setCurrentRow(row - 1);
  lstCmdlineListClick();
}

void TfrmMakeIndex::btnCmdlineDownClick() {
  const int row = lstCmdlineList->currentRow();
  if (row < 0 || row >= lstCmdlineList->count() - 1) return;
  lstCmdlineList->insertItem(row + 1, lstCmdlineList->takeItem(row));
  lstCmdlineList->setCurrentRow(row + 1);
  lstCmdlineListClick();
}

void TfrmMakeIndex::btnCmdlineDeleteClick() {
  const int row = lstCmdlineList->currentRow();
  if (row < 0) return;
  delete lstCmdlineList->takeItem(row);
  if (lstCmdlineList->count() > 0)
    lstCmdlineList->setCurrentRow(std::min(row, lstCmdlineList->count() - 1));
  lstCmdlineListClick();
}

void TfrmMakeIndex::btnCmdlineClearClick() {
  if (ShowMessageBox(this, ConfirmCaption,
                     QStringLiteral("予約されているコマンドをすべて削除します。\nよろしいですか？"),
                     QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                     QMessageBox::No) != QMessageBox::Yes)
    return;
  lstCmdlineList->clear();
  lstCmdlineListClick();
  edtCmdlineEdit->setFocus();
}

void TfrmMakeIndex::lstCmdlineListDblClick() {
  if (!btnCmdlineDelete->isEnabled() || lstCmdlineList->currentItem() == nullptr) return;
  edtCmdlineEdit->setText(lstCmdlineList->currentItem()->text());
}

std::string TfrmMakeIndex::AskFileName(bool save, const QString& title) {
  // Both dialogs start where a list was last saved or loaded.
  static QString lastFolder;
  QFileDialog dialog(this, title);
  if (!lastFolder.isEmpty()) dialog.setDirectory(lastFolder);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setNameFilter(FileFilter);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  lastFolder = QFileInfo(dialog.selectedFiles().front()).absolutePath();
  const std::optional<std::string> path = QStringToSjis(dialog.selectedFiles().front());
  if (!path) {
    ShowMessageBox(this, ErrorCaption, UnrepresentableMessage, QMessageBox::Warning);
    return {};
  }
  return *path;
}

void TfrmMakeIndex::btnSaveCmdListClick() {
  // The list itself is tidied, even when the save is then cancelled.
  SetCommandLines(TidyCommandList(CommandLines()));
  if (lstCmdlineList->count() == 0) return;
  const std::string path = AskFileName(true, QStringLiteral("保存"));
  if (path.empty()) return;
  std::string message;
  if (!SaveCommandListFile(path, CommandLines(), message))
    ShowMessageBox(this, ErrorCaption, SjisToQString(message), QMessageBox::Critical);
}

void TfrmMakeIndex::btnLoadCmdListClick() {
  const std::string path = AskFileName(false, QStringLiteral("読み込み"));
  if (path.empty()) return;
  std::vector<std::string> lines;
  std::string message;
  if (!LoadCommandListFile(path, lines, message)) {
    ShowMessageBox(this, ErrorCaption, SjisToQString(message), QMessageBox::Critical);
    return;
  }
  SetCommandLines(lines);
}

// ---- Running ------------------------------------------------------------------------

void TfrmMakeIndex::RunCommands(RunSource source) {
  std::vector<std::string> lines;
  if (source == RunSource::List) {
    lines = CommandLines();  // later edits of the list do not change the run
  } else {
    std::string line = FirstCommandLine(QStringToSjisLossy(edtCommandLine->text()));
    if (!line.empty()) lines.push_back(std::move(line));
  }

  running_ = true;
  for (QWidget* button : {static_cast<QWidget*>(btnMakeIndex), static_cast<QWidget*>(btnExit),
                          static_cast<QWidget*>(btnRunMknmz)})
    button->setEnabled(false);
  edtCommandLine->setReadOnly(true);
  edtProcess->Clear();
  edtProcess->ClearSelection();
  prgMknmz->hide();
  lblMknmzProgress->clear();
  lblRunStatus->clear();
  lblRunStatus->hide();

  QPointer<TfrmMakeIndex> self(this);
  // mknmz's lines pass a watcher on their way to the view, which reads its
  // progress from them; the output itself is shown as it comes.
  QString commandText;  // "コマンド k / K" while the list runs
  auto showProgress = [this, self, &commandText](const TMknmzProgress& progress) {
    if (!self) return;
    const int perMille = MknmzProgressPerMille(progress);
    prgMknmz->setVisible(perMille >= 0);
    if (perMille >= 0) prgMknmz->setValue(perMille);
    QString text = commandText;
    const QString files = SjisToQString(MknmzProgressText(progress));
    if (!text.isEmpty() && !files.isEmpty()) text += QStringLiteral("\u3000");
    lblMknmzProgress->setText(text + files);
  };
  TGuardedConsoleView guarded(edtProcess);
  TMknmzProgressWatcher watcher(
      guarded,
      [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
      },
      showProgress);
  CommandRunHooks hooks;
  hooks.beforeLine = [&, this](int number, int count, const std::string& line) {
    lblProgress->setText(QStringLiteral("%1 / %2").arg(number).arg(count));
    lblProgress->repaint();
    edtCommandLine->setText(SjisToQString(line));
    edtCommandLine->repaint();
    if (source == RunSource::List) commandText = SjisToQString(CommandProgressText(number, count));
    watcher.Reset();
    showProgress(watcher.Progress());
    return line;
  };
  hooks.start = [&, this](std::string_view command, std::string_view folder, TProcessShowMode mode,
                          TArgumentCoding coding) {
    int exitCode = -1;
    RunConsoleProcessInto(command, folder, mode, mode == psmCaptured ? &watcher : nullptr, this,
                          coding, &exitCode);
    return exitCode;
  };
  hooks.afterLine = [&guarded](int number, int count, const TCommandResult& result) {
    // A failed line says so below its output, where the user reads it.
    const std::string text = CommandFailureText(number, count, result);
    if (text.empty()) return;
    guarded.AppendLine(text);
    guarded.AppendLine("");
    guarded.ShowLastLine();
  };
  TCommandRunSummary summary;
  summary.lines = static_cast<int>(lines.size());
  try {
    summary = RunCommandList(lines, Settings, hooks);
  } catch (...) {
    // The run ends; the window goes on.
  }
  if (!self) return;
  edtCommandLine->setReadOnly(false);
  for (QWidget* button : {static_cast<QWidget*>(btnMakeIndex), static_cast<QWidget*>(btnExit),
                          static_cast<QWidget*>(btnRunMknmz)})
    button->setEnabled(true);
  running_ = false;
  ShowRunEnd(summary);
}

void TfrmMakeIndex::ShowRunEnd(const TCommandRunSummary& summary) {
  // The end stays visible for a user who looked away: the progress label
  // and the status line say that the run ended and how many lines failed.
  if (summary.lines == 0) return;
  lblProgress->setText(SjisToQString(RunEndProgressText(summary)));
  const bool failed = !summary.failedLines.empty();
  lblRunStatus->setText(SjisToQString(RunEndStatusText(summary)));
  lblRunStatus->setStyleSheet(failed ? QStringLiteral("color: #C00000; font-weight: bold;")
                                     : QString());
  lblRunStatus->show();
}

void TfrmMakeIndex::btnRunMknmzClick() {
  if (!QStringToSjis(edtCommandLine->text())) {
    ShowMessageBox(this, ErrorCaption, UnrepresentableMessage, QMessageBox::Warning);
    return;
  }
  if (FirstCommandLine(QStringToSjisLossy(edtCommandLine->text())).empty()) {
    ShowMessageBox(this, ErrorCaption, SjisToQString(EnterCommandMessage), QMessageBox::Warning);
    return;
  }
  edtProcess->Clear();
  edtProcess->setFocus();
  RunCommands(RunSource::CommandField);
}

void TfrmMakeIndex::btnMakeIndexClick() {
  if (lstCmdlineList->count() == 0) {
    ShowMessageBox(this, ErrorCaption, SjisToQString(NoReservedCommandsMessage),
                   QMessageBox::Warning);
    return;
  }
  pgeMknmz->setCurrentWidget(tabProcess);
  QCoreApplication::processEvents();
  RunCommands(RunSource::List);
}

void TfrmMakeIndex::pmnuPopup() { mnuCopy->setEnabled(edtProcess->HasSelection()); }

void TfrmMakeIndex::mnuCopyClick() {
  if (edtProcess->HasSelection()) edtProcess->CopySelection();
}

void TfrmMakeIndex::edtCmdlineEditEnter() { btnCmdlineAdd->setDefault(true); }
void TfrmMakeIndex::edtCmdlineEditExit() { btnCmdlineAdd->setDefault(false); }
void TfrmMakeIndex::edtCommandLineEnter() { btnRunMknmz->setDefault(true); }
void TfrmMakeIndex::edtCommandLineExit() { btnRunMknmz->setDefault(false); }

bool TfrmMakeIndex::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
    const bool in = event->type() == QEvent::FocusIn;
    if (watched == edtCmdlineEdit) in ? edtCmdlineEditEnter() : edtCmdlineEditExit();
    if (watched == edtCommandLine) in ? edtCommandLineEnter() : edtCommandLineExit();
  } else if (watched == grpMakeDir && event->type() == QEvent::Shortcut) {
    // The group's mnemonic moves to its chosen item.
    if (QAbstractButton* chosen = grpMakeDirChoices->checkedButton())
      chosen->setFocus(Qt::ShortcutFocusReason);
    return true;
  } else if (watched == lstCmdlineList && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      lstCmdlineListDblClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

// ---- Closing --------------------------------------------------------------------------

bool TfrmMakeIndex::FormCloseQuery() {
  // A run (the exit button is off) or a help text still coming keeps the
  // window open, and the run page says why.
  if (!btnExit->isEnabled() || helpRunning_) {
    pgeMknmz->setCurrentWidget(tabProcess);
    lblRunStatus->setStyleSheet(QString());
    lblRunStatus->setText(helpRunning_
                              ? QStringLiteral("オプションの説明を読み込み中のため、閉じられません。"
                                               "読み込みが終わるまでお待ちください。")
                              : QStringLiteral("実行中のため、閉じられません。"
                                               "実行が終わってから閉じてください。"));
    lblRunStatus->show();
    return false;
  }
  if (helpWindow_) {
    helpWindow_->edt->SetTag(1);
    helpWindow_->deleteLater();
    helpWindow_ = nullptr;
  }
  return true;
}

void TfrmMakeIndex::StorePlacement() {
  const std::string& path = FormPlacement->IniFileName;
  if (!FormPlacement->Active || path.empty() || IsReadOnlyFile(path)) return;
  TIniFile ini;
  if (!ini.LoadFromFile(path)) return;
  WriteWindowPlacement(ini, FormPlacement->IniSection, TFormPlacement::PlacementOf(this));
  ini.SaveToFile(path);
}

void TfrmMakeIndex::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);  // goes on to reject()
}

void TfrmMakeIndex::reject() {
  // Escape and the exit button close the window the same way.
  if (!FormCloseQuery()) return;
  StorePlacement();
  QDialog::reject();
}

}  // namespace tavirel
