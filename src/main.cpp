// The program: the application object, where its files live, the main window
// and the event loop.
#include <QApplication>

#include "platform/platform.h"
#include "ui/search/mainwindow.h"
#include "ui/search/startfolders.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tavirel for Namazu"));
  QApplication::setApplicationDisplayName(QStringLiteral("tavirel for Namazu"));
  QApplication::setDesktopFileName(QStringLiteral("tavirel"));
  // Portable (beside the executable) or installed (the user's folders):
  // decided once, before anything is read or written.
  if (!tavirel::PrepareAppFolders(tavirel::platform::ProgramPath())) return 1;
  // Creating the window loads the settings and lays the window out.
  tavirel::TfrmMain window;
  window.show();
  return app.exec();
}
