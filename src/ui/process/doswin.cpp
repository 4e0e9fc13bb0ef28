#include "ui/process/doswin.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QVBoxLayout>

#include "ui/widgets/bigview.h"

namespace tavirel {

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
  QFont font(QStringLiteral("ＭＳ ゴシック"));
  font.setPixelSize(12);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  edt->setFont(font);
  edt->setContextMenuPolicy(Qt::CustomContextMenu);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(edt);

  pmnu = new QMenu(this);
  pmnu->setObjectName(QStringLiteral("pmnu"));
  mnuCopy = new QAction(QStringLiteral("コピー(&C)"), this);
  mnuCopy->setObjectName(QStringLiteral("mnuCopy"));
  mnuCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  mnuCopy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  mnuCopy->setEnabled(false);
  pmnu->addAction(mnuCopy);
  addAction(mnuCopy);

  connect(mnuCopy, &QAction::triggered, this, &TfrmWindow::mnuCopyClick);
  connect(pmnu, &QMenu::aboutToShow, this, &TfrmWindow::pmnuPopup);
  connect(edt, &TBigView::selectionChanged, this, &TfrmWindow::pmnuPopup);
  connect(edt, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { pmnu->popup(edt->viewport()->mapToGlobal(pos)); });

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

}  // namespace tavirel
