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

// Asked to end (the session logs out, kill, Ctrl+C): an open message box or
// dialog is answered as with Escape, and the main window, once there is
// one, closes as the user would close it, so that the settings are saved as
// at every close. A request that comes while start still shows a warning
// ends the program as soon as that box is gone.
class TEndRequests {
 public:
  TEndRequests(QApplication& app, int pipe) {
    if (pipe < 0) return;
    auto* notifier = new QSocketNotifier(pipe, QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [this, pipe] {
      char bytes[16];
      while (::read(pipe, bytes, sizeof bytes) > 0) {
      }
      requested_ = true;
      for (int i = 0; i < 16 && QApplication::activeModalWidget(); ++i) {
        QApplication::activeModalWidget()->close();
      }
      if (window_) window_->EndRequested();
    });
  }
  bool Requested() const { return requested_; }
  void SetWindow(tavirel::TfrmMain* window) { window_ = window; }

 private:
  bool requested_ = false;
  tavirel::TfrmMain* window_ = nullptr;
};

// Shows the main window and runs the event loop until it closes.
int RunMainWindow(QApplication& app, TEndRequests& ends) {
  // Creating the window loads the settings and lays the window out.
  tavirel::TfrmMain window;
  ends.SetWindow(&window);
  struct Forget {
    TEndRequests& ends;
    ~Forget() { ends.SetWindow(nullptr); }
  } forget{ends};
  // Ended while a message box of the window's creation was open.
  if (ends.Requested()) {
    window.EndRequested();
    return 0;
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
  // Watched from here on, so that a warning at start cannot hold the end.
  TEndRequests ends(app, tavirel::platform::WatchEndRequests());
  // Portable (beside the executable) or installed (the user's folders):
  // decided once, before anything is read or written.
  if (!tavirel::PrepareAppFolders(tavirel::platform::ProgramPath())) return 1;
  if (ends.Requested()) return 0;  // nothing read or written yet
  // Working files of this run (the temporary result file) go to a private
  // folder under the user's runtime folder when the desktop has one, else
  // under the temporary folder.
  const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (const auto parent = tavirel::QStringToSjis(runtime); parent && !parent->empty())
    tavirel::SetRunFolderParent(*parent);
  const int result = RunMainWindow(app, ends);
  tavirel::ReleaseRunFolder();
  return result;
}
