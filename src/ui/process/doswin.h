// TfrmWindow: a small window that shows the captured output of console runs
// (the help texts of the outside programs) in a TBigView.
#pragma once

#include <QPointer>
#include <QWidget>

class QAction;
class QCloseEvent;
class QMenu;
class QShowEvent;

namespace tavirel {

class TBigView;

// Readies a view for console output: the console font, and a context menu
// (`menu`, "pmnu") with "コピー(&C)" (`copy`, "mnuCopy"; Ctrl+C while the
// focus is in `shortcutScope`) that opens where the view is right-clicked.
// Both belong to `owner`; the window connects what the copy does.
void SetUpConsoleView(TBigView* view, QWidget* owner, QWidget* shortcutScope, QMenu*& menu,
                      QAction*& copy);

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

// The window "コマンドライン・オプション" that shows the help texts of the
// outside programs, one per `owner`: when `window` is open it comes to the
// front and the result is false; otherwise `window` becomes a new one, not
// shown yet, and the result is true.
bool OpenOptionHelpWindow(QPointer<TfrmWindow>& window, QWidget* owner);

}  // namespace tavirel
