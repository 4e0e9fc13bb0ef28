// The program: the application object, where its files live, the main window
// and the event loop.
#include <QApplication>
#include <QSocketNotifier>

#include <unistd.h>

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
  // Asked to end (the session logs out, kill): close the window as the user
  // would, so that the settings are saved as at every close.
  const int endRequests = tavirel::platform::WatchEndRequests();
  if (endRequests >= 0) {
    auto* notifier = new QSocketNotifier(endRequests, QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [endRequests, &window] {
      char bytes[16];
      while (::read(endRequests, bytes, sizeof bytes) > 0) {
      }
      window.close();
    });
  }
  return app.exec();
}
