// TfrmMakeIndex: the index creation window. Four pages describe an index
// build (document folders, where the index goes, which files, further
// options); "コマンドリスト作成" turns them into reserved lines on the fifth
// page, where they can be edited, saved and loaded; the sixth page runs them
// one after the other and shows mknmz's output as it comes. The window stays
// usable during a run, but refuses to close until the run has ended.
#pragma once

#include <QDialog>
#include <QPointer>

#include <string>
#include <vector>

#include "core/indexer/cmdlist.h"
#include "core/indexer/mknmzcmd.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

namespace tavirel {

class TBigView;
class TFormPlacement;
class TShellTreeViewS;
class TfrmWindow;

class TfrmMakeIndex : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmMakeIndex(QWidget* parent = nullptr);
  ~TfrmMakeIndex() override;

  // The page control and its pages.
  QTabWidget* pgeMknmz = nullptr;
  QWidget* tabTargetDir = nullptr;
  QWidget* tabIndexDir = nullptr;
  QWidget* tabTargetFile = nullptr;
  QWidget* tabEtc = nullptr;
  QWidget* tabCmdlineList = nullptr;
  QWidget* tabProcess = nullptr;

  // Page "文書ディレクトリ".
  TShellTreeViewS* tvFolder = nullptr;
  QPlainTextEdit* edtTargetDirectories = nullptr;
  QPushButton* btnClearTargetDir = nullptr;
  QLineEdit* edtExcludeDirPattern = nullptr;
  // Page "索引ディレクトリ".
  QRadioButton* optIndexSameDir = nullptr;
  QRadioButton* optIndexOtherDir = nullptr;
  QLineEdit* edtOutputDir = nullptr;
  QToolButton* btnBrowseOutputDir = nullptr;
  QGroupBox* grpMakeDir = nullptr;
  QButtonGroup* grpMakeDirChoices = nullptr;  // ids 0, 1, 2
  // Page "ファイル".
  QRadioButton* optTargetDefault = nullptr;
  QRadioButton* optTargetAll = nullptr;
  QRadioButton* optTargetRegex = nullptr;
  QLineEdit* edtTargetFilePattern = nullptr;
  QCheckBox* chkTargetFileList = nullptr;
  QLineEdit* edtTargetFileListFileName = nullptr;
  QToolButton* btnBrowseFileList = nullptr;
  QPushButton* btnEditFileList = nullptr;
  QLineEdit* edtDenyFilePattern = nullptr;
  QPushButton* btnSetDefaultFile = nullptr;
  // Page "その他".
  QListWidget* lstCriteria = nullptr;
  QCheckBox* chkMediaType = nullptr;
  QLineEdit* edtMediaType = nullptr;
  QCheckBox* chkReplace = nullptr;
  QLineEdit* edtReplace = nullptr;
  QCheckBox* chkMknmzrc = nullptr;
  QLineEdit* edtMknmzrcFileName = nullptr;
  QToolButton* btnBrowseMknmzrc = nullptr;
  QLineEdit* edtOtherParameters = nullptr;
  QPushButton* btnSetDefaultEtc = nullptr;
  QPushButton* btnHelp = nullptr;
  // Page "実行予約".
  QLineEdit* edtCmdlineEdit = nullptr;
  QPushButton* btnCmdlineAdd = nullptr;
  QPushButton* btnCmdlineModify = nullptr;
  QListWidget* lstCmdlineList = nullptr;
  QPushButton* btnCmdlineUp = nullptr;
  QPushButton* btnCmdlineDown = nullptr;
  QPushButton* btnCmdlineDelete = nullptr;
  QPushButton* btnCmdlineClear = nullptr;
  QPushButton* btnLoadCmdList = nullptr;
  QPushButton* btnSaveCmdList = nullptr;
  QPushButton* btnMakeIndex = nullptr;
  // Page "実行画面".
  QLineEdit* edtCommandLine = nullptr;
  QPushButton* btnRunMknmz = nullptr;
  QLabel* lblProgress = nullptr;
  // mknmz's own progress during a run: the files of the running line and,
  // for the reserved list, its commands.
  QProgressBar* prgMknmz = nullptr;
  QLabel* lblMknmzProgress = nullptr;
  // How the last run ended (and why the window stays open during a run).
  QLabel* lblRunStatus = nullptr;
  TBigView* edtProcess = nullptr;
  QMenu* pmnu = nullptr;
  QAction* mnuCopy = nullptr;
  // Below the pages.
  QLabel* lblShiftNote = nullptr;
  QPushButton* btnMakeCmdline = nullptr;
  QPushButton* btnExit = nullptr;
  TFormPlacement* FormPlacement = nullptr;

  // The choices of the first four pages, and setting them (the defaults).
  // `ok` is false when a field holds a character that Shift-JIS cannot
  // write.
  TIndexChoices Choices(bool* ok = nullptr) const;
  void ApplyChoices(const TIndexChoices& choices);

  // The reserved lines as the list holds them (Shift-JIS).
  std::vector<std::string> CommandLines() const;
  void SetCommandLines(const std::vector<std::string>& lines);

  bool Running() const { return running_; }

  void FormCreate();
  bool FormCloseQuery();
  bool ValidateIndexOptions();
  int BuildCommandList();
  void LoadIndexDefaults();
  void SaveIndexDefaults(IndexDefaultsPage page);
  void UpdateControlStates();

  // Event handlers, one per control event.
  void tvFolderCheck();
  void btnClearTargetDirClick();
  void btnEditFileListClick();
  void btnSetDefaultDirClick();
  void btnHelpClick();
  void btnMakeCmdlineClick();
  void btnCmdlineAddClick();
  void btnCmdlineModifyClick();
  void btnCmdlineUpClick();
  void btnCmdlineDownClick();
  void btnCmdlineDeleteClick();
  void btnCmdlineClearClick();
  void lstCmdlineListClick();
  void lstCmdlineListDblClick();
  void btnLoadCmdListClick();
  void btnSaveCmdListClick();
  void btnRunMknmzClick();
  void btnMakeIndexClick();
  void pmnuPopup();
  void mnuCopyClick();
  void edtCmdlineEditEnter();
  void edtCmdlineEditExit();
  void edtCommandLineEnter();
  void edtCommandLineExit();

  enum class RunSource { CommandField, List };
  void RunCommands(RunSource source);
  void ShowRunEnd(const TCommandRunSummary& summary);

 public slots:
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildPages();
  void ConnectEvents();
  void StorePlacement();
  // A file name chosen in a file dialog (Shift-JIS), or "" when cancelled.
  std::string AskFileName(bool save, const QString& title);
  void BrowseInto(QLineEdit* field, bool folder);

  bool running_ = false;
  bool helpRunning_ = false;
  QPointer<TfrmWindow> helpWindow_;
};

}  // namespace tavirel
