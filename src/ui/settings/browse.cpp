#include "ui/settings/browse.h"

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QStyle>

#include "core/settings/dialogs.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

QString DefaultFileDialog(QWidget* parent, const QString& title, const QString& folder,
                          const QString& fileName, const QStringList& filters) {
  QFileDialog dialog(parent, title, folder);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters(filters);
  if (!fileName.isEmpty()) dialog.selectFile(fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

const QString UnwritableMessage =
    QStringLiteral("Shift-JIS で表せない文字を含むパスは指定できません。");

}  // namespace

TFileDialogHook& FileDialogHook() {
  static TFileDialogHook hook = DefaultFileDialog;
  return hook;
}

void ResetFileDialogHook() { FileDialogHook() = DefaultFileDialog; }

QAction* AddBrowseButton(QLineEdit* edit, const char* name) {
  QAction* action = edit->addAction(edit->style()->standardIcon(QStyle::SP_DirOpenIcon),
                                    QLineEdit::TrailingPosition);
  action->setObjectName(QString::fromLatin1(name));
  action->setToolTip(QStringLiteral("参照 (Alt+↓)"));
  action->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
  action->setShortcutContext(Qt::WidgetShortcut);
  return action;
}

std::optional<QString> BrowseForFile(QWidget* parent, const QString& title,
                                     const QString& filter, std::string_view folder,
                                     std::string_view fileName) {
  QStringList filters;
  for (const std::string& entry : FileDialogFilters(QStringToSjisLossy(filter), NativePathStyle)) {
    filters << SjisToQString(entry);
  }
  const QString chosen =
      FileDialogHook()(parent, title, SjisToQString(folder), SjisToQString(fileName), filters);
  if (chosen.isEmpty()) return std::nullopt;
  const std::optional<std::string> path = QStringToSjis(chosen);
  if (!path) {
    ShowMessageBox(parent, QStringLiteral("エラー"), UnwritableMessage, QMessageBox::Critical);
    return std::nullopt;
  }
  return SjisToQString(QuotePathWithBlanks(*path));
}

std::optional<std::string> FieldText(QLineEdit* edit) {
  std::optional<std::string> text = QStringToSjis(edit->text());
  if (!text) {
    ShowMessageBox(edit->window(), QStringLiteral("エラー"),
                   QStringLiteral("Shift-JIS で表せない文字が含まれています。"),
                   QMessageBox::Critical);
    edit->setFocus();
    edit->selectAll();
  }
  return text;
}

}  // namespace tavirel
