// TfrmSelectDir: the index directories to search, ticked in a folder tree or
// typed one per line.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tavirel {

class TShellTreeViewS;

class TfrmSelectDir : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSelectDir(QWidget* parent = nullptr);

  QLabel* lblMessage = nullptr;
  TShellTreeViewS* tvFolder = nullptr;
  QPushButton* btnClear = nullptr;
  QLabel* lblTargetDirectories = nullptr;
  QPlainTextEdit* edtTargetDirectories = nullptr;
  QCheckBox* chkRelativePath = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;

  void FormCreate();
  void tvFolderCheck();
  void btnClearClick();
  void btnOKClick();

 private:
  // The list field's lines in Shift-JIS; false (after a message) when the
  // field holds characters that Shift-JIS cannot write.
  bool FieldLines(std::vector<std::string>& lines);
  void SetFieldLines(const std::vector<std::string>& lines);
};

}  // namespace tavirel
