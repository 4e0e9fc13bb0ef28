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
#include "ui_makeidx.h"

class QAction;
class QButtonGroup;
class QMenu;

namespace tavirel {

class TFormPlacement;
class TfrmWindow;

class TfrmMakeIndex : public QDialog, public Ui::TfrmMakeIndex {
  Q_OBJECT

 public:
  explicit TfrmMakeIndex(QWidget* parent = nullptr);
  ~TfrmMakeIndex() override;

  // The pages and their controls come from the form (makeidx.ui), under
  // the names they have there: pgeMknmz with tabTargetDir, tabIndexDir,
  // tabTargetFile, tabEtc, tabCmdlineList and tabProcess; the controls below
  // the pages, lblShiftNote, btnMakeCmdline and btnExit.

  // The three choices of grpMakeDir, with the ids 0, 1 and 2.
  QButtonGroup* grpMakeDirChoices = nullptr;
  // The run page's context menu.
  QMenu* pmnu = nullptr;
  QAction* mnuCopy = nullptr;
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
