// The program: the application object, where its files live, the main window
// and the event loop.
#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <unistd.h>

#include "core/search/runfolder.h"
#include "platform/platform.h"
#include "ui/search/mainwindow.h"
#include "ui/search/startfolders.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace {

// Shows the main window and runs the event loop until it closes.
// `endRequests` (when not -1) becomes readable when the session asks the
// program to end.
int RunMainWindow(QApplication& app, int endRequests) {
  // Creating the window loads the settings and lays the window out.
  tavirel::TfrmMain window;
  if (endRequests >= 0) {
    auto* notifier = new QSocketNotifier(endRequests, QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [endRequests, &window] {
      char bytes[16];
      while (::read(endRequests, bytes, sizeof bytes) > 0) {
      }
      // An open message box or dialog is answered as with Escape first, so
      // that the window is not left waiting for it.
      for (int i = 0; i < 16 && QApplication::activeModalWidget(); ++i) {
        QApplication::activeModalWidget()->close();
      }
      window.close();
    });
  }
  window.show();
  // Ended while its first show still waited for a message box: the window
  // is closed and saved already, and there is no loop left to run.
  if (window.isHidden()) return 0;
  return app.exec();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tavirel for Namazu"));
  // No application display name: Qt would append it to every window title.
  tavirel::InstallJapaneseQtTexts();
  QApplication::setDesktopFileName(QStringLiteral("tavirel"));
  // The installed icon (hicolor theme), where the desktop can find it.
  const QIcon icon = QIcon::fromTheme(QStringLiteral("tavirel"));
  if (!icon.isNull()) QApplication::setWindowIcon(icon);
  // Asked to end (the session logs out, kill): the window closes as the user
  // would close it, so that the settings are saved as at every close. A
  // request that comes before the window is up waits for it.
  const int endRequests = tavirel::platform::WatchEndRequests();
  // Portable (beside the executable) or installed (the user's folders):
  // decided once, before anything is read or written.
  if (!tavirel::PrepareAppFolders(tavirel::platform::ProgramPath())) return 1;
  // Working files of this run (the temporary result file) go to a private
  // folder under the user's runtime folder when the desktop has one, else
  // under the temporary folder.
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (const auto parent = tavirel::QStringToSjis(runtime); parent && !parent->empty())
    tavirel::SetRunFolderParent(*parent);
  const int result = RunMainWindow(app, endRequests);
  tavirel::ReleaseRunFolder();
  return result;
}
