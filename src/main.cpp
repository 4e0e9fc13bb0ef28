// The program: the application object, the main window and the event loop.
#include <QApplication>
#include <QStandardPaths>

#include "core/search/runfolder.h"
#include "ui/search/mainwindow.h"
#include "ui/widgets/qtcodec.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tavirel for Namazu"));
  QApplication::setApplicationDisplayName(QStringLiteral("tavirel for Namazu"));
  // Working files of this run (the temporary result file) go to a private
  // folder under the user's runtime folder when the desktop has one, else
  // under the temporary folder.
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (const auto parent = tavirel::QStringToSjis(runtime); parent && !parent->empty())
    tavirel::SetRunFolderParent(*parent);
  int result = 0;
  {
    // Creating the window loads the settings and lays the window out.
    tavirel::TfrmMain window;
    window.show();
    result = app.exec();
  }
  tavirel::ReleaseRunFolder();
  return result;
}
