// The browse button of a path field and its file dialog, shared by the
// settings dialogs.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string_view>

class QAction;
class QLineEdit;
class QWidget;

namespace tavirel {

// Shows the open dialog for one existing file and returns the chosen path,
// empty when the user cancelled. Tests replace it.
using TFileDialogHook =
    std::function<QString(QWidget* parent, const QString& title, const QString& folder,
                          const QString& fileName, const QStringList& filters)>;
TFileDialogHook& FileDialogHook();
void ResetFileDialogHook();

// Puts a browse button at the end of the field (object name `name`); Alt+Down
// in the field presses it as well.
QAction* AddBrowseButton(QLineEdit* edit, const char* name);

// The browse dialog: starts in `folder` with `fileName` proposed, offers the
// `filter` ("caption|patterns|...") and returns the chosen path as
// it goes into the field (in double quotes when it holds a blank). nullopt
// when the user cancelled, or chose a path that Shift-JIS cannot write
// (which has been reported).
std::optional<QString> BrowseForFile(QWidget* parent, const QString& title,
                                     const QString& filter, std::string_view folder,
                                     std::string_view fileName);

// The field's text in Shift-JIS. When it holds a character Shift-JIS cannot
// write, shows a message, puts the focus into the field and gives nullopt.
std::optional<std::string> FieldText(QLineEdit* edit);

}  // namespace tavirel
