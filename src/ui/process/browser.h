// Handing a page to a web browser outside the program: the Navigator
// launcher (NavigatorPath started with the URL), the system's web browser
// with one instance reused, and the shell's "open". Addresses are the
// program's Shift-JIS strings: a local path (optionally with a "#" fragment),
// "file://" followed by a local path, or a web address.
#pragma once

#include <QString>
#include <QUrl>
#include <QtGlobal>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace tavirel {

// The address as a QUrl; local paths become file URLs (a fragment kept), a
// percent-encoded path is decoded when only its decoded form exists.
QUrl AddressToUrl(std::string_view address);
// The local file a file URL names, its percent-encoding read as UTF-8 or,
// failing that, as Shift-JIS.
QString LocalFileOfUrl(const QUrl& url);

// Starts NavigatorPath with the URL as its argument and returns at once.
// False when the program could not be started; nothing is shown.
bool OpenURLByNetscape(std::string_view url, std::string_view navigatorPath);
// Shows the URL in the system's web browser (x-www-browser, else xdg-open).
// The browser started first is kept: while it runs, later pages go to it;
// when the user has closed it, a new one is started. A start that fails is
// tried once more; when that fails too, an error message is shown.
bool OpenURLByInternetExplorer(std::string_view url);
// Hands a local file or an address to the desktop's opener (xdg-open) and
// returns at once; false when the opener could not be started. When it
// started and then reports that it could not open the file (no application
// for it), `failedLater` is called on the user-interface thread.
bool OpenWithDesktop(const QUrl& url, std::function<void()> failedLater);

// A file handed to the desktop's editor (its opener): an opener that cannot
// be started, or that reports it could not open the file, is told to the
// user in a message box over `owner`'s window.
void OpenInDesktopEditor(const QString& file, QWidget* owner);
// The same for a path of the program (Shift-JIS), over the active window,
// through EditorLauncher when one is set (tests set one, so that no editor
// starts).
void OpenInDesktopEditor(const std::string& path);
using TEditorLauncher = std::function<void(const std::string& path)>;
TEditorLauncher& EditorLauncher();
void ResetEditorLauncher();

// The shell's "open" on the address; false when it failed. Shows nothing.
bool OpenURLByShell(std::string_view url);
bool OpenURLByShell(const QUrl& url);

// What the launchers use to start programs and open URLs; tests replace
// them so that no real browser starts. Arguments are in the file system's
// code (UTF-8). Empty members use the defaults.
struct TBrowserHooks {
  // Starts a program without waiting for it (the Navigator launcher).
  std::function<bool(const std::vector<std::string>& arguments)> StartProgram;
  // Starts the system browser without waiting, reporting its process id.
  std::function<bool(const std::vector<std::string>& arguments, qint64& pid)> StartBrowser;
  std::function<bool(qint64 pid)> IsRunning;
  // The system browser's program ("x-www-browser" when installed, else "xdg-open").
  std::function<std::string()> SystemBrowser;
  std::function<bool(const QUrl& url)> OpenUrl;
};
TBrowserHooks& BrowserHooks();
// Back to the defaults, and the kept browser instance forgotten.
void ResetBrowserHooks();

}  // namespace tavirel
