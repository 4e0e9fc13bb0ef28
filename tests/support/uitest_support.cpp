#include "support/uitest_support.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

namespace tavirel::uitest {

void AnswerNextBox(BoxSeen* seen, QMessageBox::StandardButton button, int attempts) {
  QTimer::singleShot(20, &seen->waiting, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      if (attempts > 0) AnswerNextBox(seen, button, attempts - 1);
      return;
    }
    seen->seen = true;
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    box->button(button)->click();
  });
}

void ClickText(QTextEdit* view, const QString& text) {
  QTextCursor cursor = view->document()->find(text);
  QVERIFY2(!cursor.isNull(), qPrintable(text));
  cursor.setPosition(cursor.selectionStart() + 1);
  view->setTextCursor(cursor);
  view->ensureCursorVisible();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                    view->cursorRect(cursor).center());
}

void AnswerNextFileDialog(const QString& path, int attempts) {
  QTimer::singleShot(20, [=] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog != nullptr) {
      // The name field, which selectFile leaves alone while it has the focus.
      if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(path);
      else
        dialog->selectFile(path);
      QMetaObject::invokeMethod(dialog, "accept");
    }
    if (attempts > 0 && (dialog == nullptr || dialog->isVisible()))
      AnswerNextFileDialog(path, attempts - 1);
  });
}

}  // namespace tavirel::uitest
