#include "ui/widgets/msgbox.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "ui/widgets/qtcodec.h"

namespace tavirel {

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, const QString& caption,
                                           const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
  if (parent == nullptr) parent = QApplication::activeWindow();
  QMessageBox box(icon, caption, text, buttons, parent);
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
  int result = box.exec();
  return static_cast<QMessageBox::StandardButton>(result);
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, std::string_view caption,
                                           std::string_view text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
  return ShowMessageBox(parent, SjisToQString(caption), SjisToQString(text), icon, buttons,
                        defaultButton);
}

bool InstallJapaneseQtTexts() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

namespace {
QString& StoredApplicationTitle() {
  static QString title;
  return title;
}
}  // namespace

// Kept apart from Qt's application display name: Qt appends that name to the
// title of every window, which would double the main window's caption.
void SetApplicationTitle(const QString& title) { StoredApplicationTitle() = title; }

QString ApplicationTitle() {
  const QString& title = StoredApplicationTitle();
  return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

}  // namespace tavirel
