// TfrmSetNamazurc: whether and which namazurc file the searcher is given,
// and whether the index directories are left to it; the file opens in the
// desktop's editor.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

#include "ui/process/browser.h"  // EditorLauncher

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tavirel {

class TfrmSetNamazurc : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSetNamazurc(QWidget* parent = nullptr);

  QLabel* lblNamazurcPath = nullptr;
  QLineEdit* edtNamazurcPath = nullptr;
  QAction* edtNamazurcPathButton = nullptr;
  QPushButton* btnEditNamazurc = nullptr;
  QCheckBox* chkSetIndex = nullptr;
  QCheckBox* chkUseNamazurc = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

  void FormCreate();
  void chkUseNamazurcClick();
  void btnOKClick();
  void btnEditNamazurcClick();
  void edtNamazurcPathButtonClick();
};

}  // namespace tavirel
