#include "ui/process/browser.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

#include "core/process/urltext.h"
#include "core/search/document.h"
#include "core/search/searchcmd.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "core/process/ucommon.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

TBrowserHooks g_hooks;
// The system browser this program started (the reused instance); 0 = none.
qint64 g_browserPid = 0;

// Arguments in the file system's code; the program starts in a session of
// its own and outlives this one.
bool DefaultStartProgram(const std::vector<std::string>& arguments) {
  return platform::StartDetached(arguments) != 0;
}

bool DefaultStartBrowser(const std::vector<std::string>& arguments, qint64& pid) {
  pid = platform::StartDetached(arguments);
  return pid != 0;
}

bool DefaultIsRunning(qint64 pid) { return platform::IsProcessRunning(static_cast<long>(pid)); }

std::string DefaultSystemBrowser() {
  std::string browser = platform::FindProgram("x-www-browser");
  return browser.empty() ? std::string("xdg-open") : browser;
}

// How long the opener is listened to: an opener that gives up does so at
// once; one that is still running after this has handed the file on.
constexpr int kOpenerReportMs = 20000;

}  // namespace

bool OpenWithDesktop(const QUrl& url, std::function<void()> failedLater) {
  if (!url.isValid() || url.isEmpty()) return false;
  const QByteArray argument =
      url.isLocalFile() ? url.toLocalFile().toUtf8() : url.toEncoded(QUrl::FullyEncoded);
  int report = -1;
  if (platform::StartDetached({"xdg-open", argument.toStdString()}, nullptr,
                              failedLater ? &report : nullptr) == 0)
    return false;
  if (report < 0) return true;
  // The opener's report arrives on the pipe; the pipe and its listener go
  // when it came, or when the opener has run long enough to have succeeded.
  auto* listener = new QSocketNotifier(report, QSocketNotifier::Read, qApp);
  auto done = std::make_shared<bool>(false);
  auto finish = [listener, report, done] {
    if (*done) return;
    *done = true;
    listener->setEnabled(false);
    listener->deleteLater();
    platform::CloseExitReport(report);
  };
  QObject::connect(listener, &QSocketNotifier::activated, listener,
                   [report, finish, done, failedLater = std::move(failedLater)] {
                     if (*done) return;
                     int code = 0;
                     const platform::ExitReport got = platform::ReadExitReport(report, code);
                     if (got == platform::ExitReport::Pending) return;
                     finish();
                     if (got == platform::ExitReport::Ended && code != 0) failedLater();
                   });
  QTimer::singleShot(kOpenerReportMs, listener, finish);
  return true;
}

TEditorLauncher& EditorLauncher() {
  static TEditorLauncher launcher;
  return launcher;
}

void ResetEditorLauncher() { EditorLauncher() = nullptr; }

void OpenInDesktopEditor(const std::string& path) {
  if (EditorLauncher()) {
    EditorLauncher()(path);
    return;
  }
  OpenInDesktopEditor(SjisToQString(path), QApplication::activeWindow());
}

void OpenInDesktopEditor(const QString& file, QWidget* owner) {
  QPointer<QWidget> parent(owner);
  auto report = [parent, file] {
    ShowMessageBox(parent ? parent->window() : nullptr, SjisToQString(ErrorCaption),
                   SjisToQString(ShellOpenFailedText) + QChar(u'\n') + file,
                   QMessageBox::Warning);
  };
  if (!OpenWithDesktop(QUrl::fromLocalFile(file), report)) report();
}

namespace {

bool DefaultOpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

// The address as the text a browser takes on its command line.
std::string BrowserArgument(std::string_view address) {
  QUrl url = AddressToUrl(address);
  if (!url.isValid() || url.isEmpty()) return {};
  return url.toString(QUrl::FullyEncoded).toStdString();
}

}  // namespace

TBrowserHooks& BrowserHooks() { return g_hooks; }

void ResetBrowserHooks() {
  g_hooks = TBrowserHooks();
  g_browserPid = 0;
}

QString LocalFileOfUrl(const QUrl& url) {
  QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  std::string_view view(bytes.constData(), static_cast<size_t>(bytes.size()));
  if (IsValidUtf8(view)) return QString::fromUtf8(bytes);
  return SjisToQString(view);
}

QUrl AddressToUrl(std::string_view address) {
  if (address.empty()) return {};
  if (IsWebAddress(address)) return QUrl(SjisToQString(address), QUrl::TolerantMode);
  std::string_view path = address;
  if (path.size() >= 5 && QByteArrayView(path.data(), 5).compare("file:", Qt::CaseInsensitive) == 0) {
    path.remove_prefix(5);
    if (path.substr(0, 2) == "//") path.remove_prefix(2);
  }
  // A "#" after the file name is a fragment unless the whole text names the file.
  std::string file = StripFragment(path, NativePathStyle);
  std::string fragment;
  if (file.size() < path.size()) {
    if (!platform::FileExists(file) && platform::FileExists(path)) {
      file = std::string(path);
    } else {
      fragment = std::string(path.substr(file.size() + 1));
    }
  }
  if (!platform::FileExists(file) && !platform::DirectoryExists(file)) {
    std::string decoded = DecodePercentPath(file);
    if (decoded != file && (platform::FileExists(decoded) || platform::DirectoryExists(decoded)))
      file = decoded;
  }
  // The file system's own name, so that characters Shift-JIS cannot write
  // (kept as escapes inside the program) name the real file.
  QString local = SjisToQString(file);
  if (auto native = platform::NativePath(file); native && IsValidUtf8(*native)) {
    local = QString::fromUtf8(native->data(), static_cast<qsizetype>(native->size()));
  }
  if (!local.startsWith(QLatin1Char('/'))) local = QFileInfo(local).absoluteFilePath();
  QUrl url = QUrl::fromLocalFile(local);
  if (!fragment.empty()) url.setFragment(SjisToQString(fragment));
  return url;
}

bool OpenURLByNetscape(std::string_view url, std::string_view navigatorPath) {
  if (navigatorPath.empty()) return false;
  auto program = platform::Cp932ToUtf8(navigatorPath);
  if (!program) return false;
  // The hook may be replaced; the real start needs an existing program.
  if (!g_hooks.StartProgram && platform::FindProgram(*program).empty()) return false;
  std::vector<std::string> arguments = {*program};
  std::string argument = BrowserArgument(url);
  if (!argument.empty()) arguments.push_back(argument);
  return g_hooks.StartProgram ? g_hooks.StartProgram(arguments) : DefaultStartProgram(arguments);
}

bool OpenURLByInternetExplorer(std::string_view url) {
  const std::string browser = g_hooks.SystemBrowser ? g_hooks.SystemBrowser() : DefaultSystemBrowser();
  std::vector<std::string> arguments = {browser};
  std::string argument = BrowserArgument(url);
  if (!argument.empty()) arguments.push_back(argument);
  auto start = [&](qint64& pid) {
    return g_hooks.StartBrowser ? g_hooks.StartBrowser(arguments, pid)
                                : DefaultStartBrowser(arguments, pid);
  };
  auto running = [&](qint64 pid) {
    return g_hooks.IsRunning ? g_hooks.IsRunning(pid) : DefaultIsRunning(pid);
  };

  if (g_browserPid != 0 && running(g_browserPid)) {
    // The kept browser is open: the page goes to it (Mozilla- and
    // Chromium-family browsers hand a second start to the running window).
    qint64 helper = 0;
    if (start(helper)) return true;
  }
  // None kept, or closed by the user, or it did not take the page: a new
  // instance, tried once more when the start fails.
  for (int attempt = 0; attempt < 2; ++attempt) {
    qint64 pid = 0;
    if (start(pid)) {
      g_browserPid = pid;
      return true;
    }
  }
  g_browserPid = 0;
  ShowMessageBox(nullptr, QStringLiteral("エラー"),
                 QStringLiteral("ブラウザを起動できませんでした。\n%1")
                     .arg(QString::fromStdString(browser)),
                 QMessageBox::Critical);
  return false;
}

bool OpenURLByShell(const QUrl& url) {
  if (!url.isValid() || url.isEmpty()) return false;
  return g_hooks.OpenUrl ? g_hooks.OpenUrl(url) : DefaultOpenUrl(url);
}

bool OpenURLByShell(std::string_view url) { return OpenURLByShell(AddressToUrl(url)); }

}  // namespace tavirel
