#include "ui/process/doswin.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QVBoxLayout>

#include "ui/widgets/bigview.h"

namespace tavirel {

void SetUpConsoleView(TBigView* view, QWidget* owner, QWidget* shortcutScope, QMenu*& menu,
                      QAction*& copy) {
  QFont font(QStringLiteral("ＭＳ ゴシック"));
  font.setPixelSize(12);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  view->setFont(font);
  view->setContextMenuPolicy(Qt::CustomContextMenu);

  menu = new QMenu(owner);
  menu->setObjectName(QStringLiteral("pmnu"));
  copy = new QAction(QStringLiteral("コピー(&C)"), owner);
  copy->setObjectName(QStringLiteral("mnuCopy"));
  copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  copy->setEnabled(false);
  menu->addAction(copy);
  shortcutScope->addAction(copy);
  QObject::connect(view, &QWidget::customContextMenuRequested, menu,
                   [view, menu](const QPoint& pos) { menu->popup(view->viewport()->mapToGlobal(pos)); });
}

TfrmWindow::TfrmWindow(QWidget* parent) : QWidget(parent, Qt::Window) { FormCreate(); }

void TfrmWindow::FormCreate() {
  setObjectName(QStringLiteral("frmWindow"));
  setWindowTitle(QStringLiteral("DOS画面"));
  // System menu and minimize only: no maximize button.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::CustomizeWindowHint);
  resize(540, 240);

  edt = new TBigView(this);
  edt->setObjectName(QStringLiteral("edt"));
  edt->setAccessibleName(windowTitle());
  SetUpConsoleView(edt, this, this, pmnu, mnuCopy);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(edt);

  connect(mnuCopy, &QAction::triggered, this, &TfrmWindow::mnuCopyClick);
  connect(pmnu, &QMenu::aboutToShow, this, &TfrmWindow::pmnuPopup);
  connect(edt, &TBigView::selectionChanged, this, &TfrmWindow::pmnuPopup);

  setFocusProxy(edt);
  edt->setFocus();
}

bool TfrmWindow::FormCloseQuery() { return edt->Tag() == 1; }

void TfrmWindow::FormClose() {
  if (edt->Tag() == 1) deleteLater();
}

void TfrmWindow::pmnuPopup() { mnuCopy->setEnabled(edt->HasSelection()); }

void TfrmWindow::mnuCopyClick() {
  if (edt->HasSelection()) edt->CopySelection();
}

void TfrmWindow::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  event->accept();
  FormClose();
}

void TfrmWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  edt->setFocus();
}

bool OpenOptionHelpWindow(QPointer<TfrmWindow>& window, QWidget* owner) {
  if (window) {
    window->show();
    window->raise();
    window->activateWindow();
    return false;
  }
  window = new TfrmWindow(owner);
  window->setWindowTitle(QStringLiteral("コマンドライン・オプション"));
  return true;
}

}  // namespace tavirel
