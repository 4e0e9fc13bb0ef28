// Message boxes: every message of the program is a modal QMessageBox, so
// that a user (or a test) answers it as the active modal window.
#pragma once

#include <QMessageBox>
#include <QString>

#include <string_view>

namespace tavirel {

// Shows a modal message box and returns the button the user pressed.
QMessageBox::StandardButton ShowMessageBox(
    QWidget* parent, const QString& caption, const QString& text, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// The same with a Shift-JIS caption and text.
QMessageBox::StandardButton ShowMessageBox(
    QWidget* parent, std::string_view caption, std::string_view text, QMessageBox::Icon icon,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// Loads Qt's own Japanese texts (the buttons of message boxes, the font
// dialog, the context menus of the text views), so that every text a user
// sees is Japanese. False when they are not installed (package
// qt6-translations-l10n); Qt's English texts then remain.
bool InstallJapaneseQtTexts();

// The application's title, the caption of information messages: the main
// window's caption once it has one, else the application name.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

}  // namespace tavirel
