// The program: the application object, the main window and the event loop.
#include <QApplication>

#include "ui/search/mainwindow.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tavirel for Namazu"));
  QApplication::setApplicationDisplayName(QStringLiteral("tavirel for Namazu"));
  // Creating the window loads the settings and lays the window out.
  tavirel::TfrmMain window;
  window.show();
  return app.exec();
}
