// The program: the application object, the main window and the event loop.
#include <QApplication>

#include "ui/search/mainwindow.h"
#include "ui/widgets/msgbox.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tavirel for Namazu"));
  // No application display name: Qt would append it to every window title.
  tavirel::InstallJapaneseQtTexts();
  // Creating the window loads the settings and lays the window out.
  tavirel::TfrmMain window;
  window.show();
  return app.exec();
}
