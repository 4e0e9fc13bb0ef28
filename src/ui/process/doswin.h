// TfrmWindow: a small window that shows the captured output of console runs
// (the help texts of the outside programs) in a TBigView.
#pragma once

#include <QWidget>

class QAction;
class QCloseEvent;
class QMenu;
class QShowEvent;

namespace tavirel {

class TBigView;

class TfrmWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmWindow(QWidget* parent = nullptr);

  TBigView* edt = nullptr;
  QMenu* pmnu = nullptr;
  QAction* mnuCopy = nullptr;

  void FormCreate();
  // Closing is refused while a run writes into edt (its tag is not 1).
  bool FormCloseQuery();
  // After the runs the window frees itself when it is closed.
  void FormClose();
  void pmnuPopup();
  void mnuCopyClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
};

}  // namespace tavirel
