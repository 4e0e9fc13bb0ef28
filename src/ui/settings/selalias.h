// TfrmSelectAlias: directory aliases and query groups from aliases.ini. The
// selected aliases' directories become the directories to search; the ticked
// formulas are joined into one formula for the main window's query box.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "core/settings/alias.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace tavirel {

// Left by the dialog for the main window, and kept for the run.
extern std::vector<std::string> TickedQueries;  // rebuilt on OK
extern bool UseOrJoin;                          // cleared by the main window before opening
extern int LastAliasPage;                       // 0 never closed, 1 "検索場所", 2 "検索語"

class TfrmSelectAlias : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSelectAlias(QWidget* parent = nullptr);

  // Test hook: the aliases.ini to read instead of the one beside the program.
  static void SetAliasFileOverride(const std::string& path);

  QTabWidget* pge = nullptr;
  QWidget* tab1 = nullptr;
  QListWidget* lstDirAlias = nullptr;
  QPlainTextEdit* edtDirList = nullptr;
  QWidget* tab2 = nullptr;
  QLabel* lblQueryGroup = nullptr;
  QListWidget* lstQueryGroup = nullptr;
  QLabel* lblQuery = nullptr;
  QListWidget* lstQuery = nullptr;
  QLabel* lblSelectedQueries = nullptr;
  QLineEdit* edtSelectedQueries = nullptr;
  QCheckBox* chkOR = nullptr;
  QPushButton* btnReset = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

  // What was read from aliases.ini, ticks included.
  TAliasFile Aliases;

  void FormCreate();
  void lstDirAliasClick();
  void lstQueryGroupClick();
  void lstQueryClickCheck(int row);
  void chkORClick();
  void btnResetClick();
  void btnOKClick();
  void FormCloseQuery();

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void RefreshSelectedQueries();
  void FocusPageList();
  bool filling_ = false;
  bool errorShown_ = false;
};

}  // namespace tavirel
