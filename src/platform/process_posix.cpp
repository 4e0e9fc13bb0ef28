// POSIX implementation of the console program primitives: fork and execve
// with a close-on-exec error pipe, so that a program that cannot be started
// is reported with the errno of the real failure.
#include "platform/process.h"

#include <fcntl.h>
#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <optional>

#include "platform/platform.h"

extern char** environ;

namespace tavirel::platform {
namespace {

constexpr const char* kTerminalEmulator = "x-terminal-emulator";

void CloseFd(int& fd) {
  if (fd >= 0) {
    ::close(fd);
    fd = -1;
  }
}

// Keeps descriptors away from 0, 1 and 2 so that setting up the child's
// standard handles never overwrites one of them.
int MoveAboveStandard(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  ::close(fd);
  return moved;
}

std::string CurrentFolderUtf8() {
  std::string buffer(4096, '\0');
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

std::vector<std::string> SearchPathFolders() {
  const char* path = ::getenv("PATH");
  std::string_view list = (path != nullptr) ? path : "/usr/local/bin:/usr/bin:/bin";
  std::vector<std::string> folders;
  while (!list.empty()) {
    size_t colon = list.find(':');
    std::string_view entry = list.substr(0, colon);
    // An empty entry would mean the current folder; it is not searched.
    if (!entry.empty()) folders.emplace_back(entry);
    if (colon == std::string_view::npos) break;
    list.remove_prefix(colon + 1);
  }
  return folders;
}

// The paths an exec of `program` (UTF-8) tries, in order.
std::vector<std::string> ProgramCandidates(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    if (program.front() == '/') return {program};
    // The child changes into the working folder before exec; a relative
    // program path means the caller's current folder.
    std::string current = CurrentFolderUtf8();
    if (current.empty()) return {program};
    return {current + "/" + program};
  }
  std::vector<std::string> candidates;
  for (const std::string& folder : SearchPathFolders()) {
    candidates.push_back(folder + (folder.back() == '/' ? "" : "/") + program);
  }
  return candidates;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Finds the file an exec would run without running it; the error is the
// one an exec would report.
std::optional<std::string> ResolveProgram(const std::vector<std::string>& candidates, int& error) {
  error = ENOENT;
  for (const std::string& candidate : candidates) {
    if (IsExecutableFile(candidate)) return candidate;
    struct stat st{};
    if (::stat(candidate.c_str(), &st) == 0) error = EACCES;
  }
  return std::nullopt;
}

bool DisplayPresent() {
  const char* x11 = ::getenv("DISPLAY");
  const char* wayland = ::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

std::optional<std::string> FindTerminalEmulator() {
  if (!DisplayPresent()) return std::nullopt;
  int error = 0;
  return ResolveProgram(ProgramCandidates(kTerminalEmulator), error);
}

std::vector<char*> PointerList(std::vector<std::string>& strings) {
  std::vector<char*> list;
  list.reserve(strings.size() + 1);
  for (std::string& s : strings) list.push_back(s.data());
  list.push_back(nullptr);
  return list;
}

// Everything below runs in the forked child: only async-signal-safe calls.
[[noreturn]] void ChildFail(int errorFd, int error) {
  ssize_t ignored = ::write(errorFd, &error, sizeof error);
  (void)ignored;
  ::_exit(127);
}

void SetStandardHandle(int fd, int target) {
  if (fd == target) {
    ::fcntl(fd, F_SETFD, 0);
  } else {
    ::dup2(fd, target);
  }
}

[[noreturn]] void RunChild(int inputFd, int outputFd, const char* folder,
                           const std::vector<char*>& candidates, char* const* argv,
                           char* const* envp, int errorFd) {
  // A new session: the program has no controlling terminal of ours, as a
  // console program started from a window has a console of its own.
  ::setsid();

  struct sigaction dfl{};
  dfl.sa_handler = SIG_DFL;
  ::sigemptyset(&dfl.sa_mask);
  for (int sig = 1; sig < NSIG; ++sig) {
    if (sig != SIGKILL && sig != SIGSTOP) ::sigaction(sig, &dfl, nullptr);
  }
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);

  SetStandardHandle(inputFd, 0);
  SetStandardHandle(outputFd, 1);
  SetStandardHandle(outputFd, 2);

  if (folder != nullptr && ::chdir(folder) != 0) ChildFail(errorFd, errno);

#if defined(__linux__) && defined(CLOSE_RANGE_CLOEXEC)
  // No other descriptor of ours reaches the program.
  ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif

  bool sawAccessError = false;
  int lastError = ENOENT;
  for (char* candidate : candidates) {
    if (candidate == nullptr) break;
    ::execve(candidate, argv, envp);
    int error = errno;
    switch (error) {
      case EACCES:
        sawAccessError = true;
        [[fallthrough]];
      case ENOENT:
      case ENOTDIR:
      case ESTALE:
      case ENODEV:
      case ETIMEDOUT:
        lastError = error;
        continue;
      default:
        ChildFail(errorFd, error);
    }
  }
  ChildFail(errorFd, sawAccessError ? EACCES : lastError);
}

constexpr const char* kConsoleLocale = "ja_JP.SJIS";

std::string& ConsoleLocaleName() {
  static std::string name = kConsoleLocale;
  return name;
}

}  // namespace

const std::string& ConsoleLocale() { return ConsoleLocaleName(); }

void SetConsoleLocale(const std::string& name) {
  ConsoleLocaleName() = name.empty() ? std::string(kConsoleLocale) : name;
}

bool LocaleAvailable(const std::string& name) {
  // newlocale looks the name up as setlocale does in a started program, but
  // leaves this program's own locale alone.
  locale_t locale = ::newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return false;
  ::freelocale(locale);
  return true;
}

std::vector<std::string> ConsoleEnvironment(const char* const* base) {
  static constexpr std::string_view kDropped[] = {"LC_ALL", "LC_CTYPE", "LC_MESSAGES",
                                                  "LANGUAGE", "LANG", "PERL_BADLANG"};
  std::vector<std::string> environment;
  for (const char* const* entry = base; entry != nullptr && *entry != nullptr; ++entry) {
    std::string_view text(*entry);
    std::string_view name = text.substr(0, text.find('='));
    bool dropped = false;
    for (std::string_view d : kDropped) dropped = dropped || name == d;
    if (!dropped) environment.emplace_back(text);
  }
  environment.emplace_back("LANG=" + ConsoleLocale());
  environment.emplace_back("PERL_BADLANG=0");
  return environment;
}

ChildProcess::~ChildProcess() {
  CloseOutput();
  Wait();
}

StartResult ChildProcess::Start(const ProcessStartInfo& info) {
  StartResult result;
  if (pid_ >= 0) {
    result.error = EBUSY;
    return result;
  }
  if (info.arguments.empty() || info.arguments.front().empty()) {
    result.error = ENOENT;
    return result;
  }

  // Everything the child needs is prepared here: after fork it may only
  // make system calls.
  std::optional<std::string> program = NativePath(info.arguments.front());
  if (!program) {
    result.error = EILSEQ;
    return result;
  }
  std::optional<std::string> folder;
  if (!info.workingFolder.empty()) {
    folder = NativePath(info.workingFolder);
    if (!folder) {
      result.error = EILSEQ;
      return result;
    }
  }

  std::vector<std::string> arguments = info.arguments;
  arguments.front() = *program;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const ArgumentCode code = i - 1 < info.argumentCodes.size() ? info.argumentCodes[i - 1]
                                                                 : ArgumentCode::Text;
    if (code == ArgumentCode::Text) continue;
    size_t keep = 0;
    if (code == ArgumentCode::OptionFileName) {
      const size_t equals = arguments[i].find('=');
      keep = equals != std::string::npos ? equals + 1 : std::min<size_t>(2, arguments[i].size());
    }
    std::optional<std::string> name = NativePath(std::string_view(arguments[i]).substr(keep));
    if (!name) {
      result.error = EILSEQ;
      return result;
    }
    arguments[i] = arguments[i].substr(0, keep) + *name;
  }
  std::vector<std::string> candidates = ProgramCandidates(*program);
  if (!info.captureOutput && info.show != ConsoleShow::Hidden) {
    if (std::optional<std::string> terminal = FindTerminalEmulator()) {
      int error = 0;
      std::optional<std::string> resolved = ResolveProgram(candidates, error);
      if (!resolved) {
        result.error = error;
        return result;
      }
      arguments.erase(arguments.begin());
      arguments.insert(arguments.begin(), {*terminal, "-e", *resolved});
      candidates = {*terminal};
    }
  }
  std::vector<std::string> environment = ConsoleEnvironment(environ);
  if (folder) {
    // PWD names the folder the program starts in, or nothing.
    std::erase_if(environment, [](const std::string& e) { return e.rfind("PWD=", 0) == 0; });
    if (!folder->empty() && folder->front() == '/') environment.push_back("PWD=" + *folder);
  }
  std::vector<char*> argv = PointerList(arguments);
  std::vector<char*> envp = PointerList(environment);
  std::vector<char*> candidateList = PointerList(candidates);

  int nullInput = MoveAboveStandard(::open("/dev/null", O_RDONLY | O_CLOEXEC));
  if (nullInput < 0) {
    result.error = errno;
    return result;
  }
  int readEnd = -1;
  int writeEnd = -1;
  if (info.captureOutput) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
      result.error = errno;
      result.pipeFailed = true;
      CloseFd(nullInput);
      return result;
    }
    readEnd = MoveAboveStandard(fds[0]);
    writeEnd = MoveAboveStandard(fds[1]);
    if (readEnd < 0 || writeEnd < 0) {
      result.error = errno;
      result.pipeFailed = true;
      CloseFd(readEnd);
      CloseFd(writeEnd);
      CloseFd(nullInput);
      return result;
    }
  } else {
    writeEnd = MoveAboveStandard(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (writeEnd < 0) {
      result.error = errno;
      CloseFd(nullInput);
      return result;
    }
  }

  int errorPipe[2];
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
    result.error = errno;
    CloseFd(readEnd);
    CloseFd(writeEnd);
    CloseFd(nullInput);
    return result;
  }
  errorPipe[0] = MoveAboveStandard(errorPipe[0]);
  errorPipe[1] = MoveAboveStandard(errorPipe[1]);

  pid_t pid = ::fork();
  if (pid == 0) {
    RunChild(nullInput, writeEnd, folder ? folder->c_str() : nullptr, candidateList,
             argv.data(), envp.data(), errorPipe[1]);
  }
  int forkError = errno;
  CloseFd(errorPipe[1]);
  CloseFd(writeEnd);
  CloseFd(nullInput);
  if (pid < 0) {
    CloseFd(errorPipe[0]);
    CloseFd(readEnd);
    result.error = forkError;
    return result;
  }

  int childError = 0;
  ssize_t got = 0;
  do {
    got = ::read(errorPipe[0], &childError, sizeof childError);
  } while (got < 0 && errno == EINTR);
  CloseFd(errorPipe[0]);

  pid_ = pid;
  reaped_ = false;
  if (got == static_cast<ssize_t>(sizeof childError)) {
    // The child could not run the program and has ended.
    CloseFd(readEnd);
    Wait();
    pid_ = -1;
    result.error = childError != 0 ? childError : ENOENT;
    return result;
  }

  if (readEnd >= 0) {
    int flags = ::fcntl(readEnd, F_GETFL);
    ::fcntl(readEnd, F_SETFL, flags | O_NONBLOCK);
  }
  outputFd_ = readEnd;
  outputEnded_ = readEnd < 0;
  result.started = true;
  return result;
}

ReadStatus ChildProcess::ReadOutput(std::string& out, int timeoutMs, size_t maxBytes) {
  if (outputFd_ < 0 || outputEnded_) return ReadStatus::EndOfOutput;

  pollfd entry{outputFd_, POLLIN, 0};
  int ready = ::poll(&entry, 1, timeoutMs);
  if (ready < 0) return errno == EINTR ? ReadStatus::Timeout : ReadStatus::Error;
  if (ready == 0) return ReadStatus::Timeout;

  constexpr size_t kBlock = 64 * 1024;
  size_t total = 0;
  bool failed = false;
  while (total < maxBytes) {
    size_t before = out.size();
    out.resize(before + kBlock);
    ssize_t n = ::read(outputFd_, out.data() + before, kBlock);
    out.resize(before + (n > 0 ? static_cast<size_t>(n) : 0));
    if (n > 0) {
      total += static_cast<size_t>(n);
      continue;
    }
    if (n == 0) {
      outputEnded_ = true;
      break;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) failed = true;
    break;
  }
  if (total > 0) {
    // An end or an error after data is reported by the next call.
    if (failed) outputEnded_ = true;
    return ReadStatus::Data;
  }
  if (failed) {
    outputEnded_ = true;
    return ReadStatus::Error;
  }
  return outputEnded_ ? ReadStatus::EndOfOutput : ReadStatus::Timeout;
}

void ChildProcess::CloseOutput() {
  CloseFd(outputFd_);
  outputEnded_ = true;
}

void ChildProcess::Interrupt() {
  // The child leads a session of its own, so its id is its group's.
  if (pid_ >= 0 && !reaped_) ::kill(-pid_, SIGINT);
}

void ChildProcess::Kill() {
  if (pid_ >= 0 && !reaped_) ::kill(-pid_, SIGKILL);
}

int ChildProcess::Wait() {
  if (pid_ < 0) return -1;
  if (reaped_) return exitCode_;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_, &status, 0);
  } while (r < 0 && errno == EINTR);
  reaped_ = true;
  if (r < 0) {
    exitCode_ = -1;
  } else if (WIFEXITED(status)) {
    exitCode_ = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    exitCode_ = 128 + WTERMSIG(status);
  } else {
    exitCode_ = -1;
  }
  return exitCode_;
}

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  int error = 0;
  return ResolveProgram(ProgramCandidates(name), error).value_or(std::string());
}

long StartDetached(const std::vector<std::string>& arguments, int* error, int* exitReport) {
  if (exitReport) *exitReport = -1;
  auto fail = [error](int e) {
    if (error) *error = e;
    return 0L;
  };
  if (arguments.empty() || arguments.front().empty()) return fail(ENOENT);
  int resolveError = 0;
  std::optional<std::string> program =
      ResolveProgram(ProgramCandidates(arguments.front()), resolveError);
  if (!program) return fail(resolveError);

  // Prepared before fork: the children may only make system calls.
  std::vector<std::string> argvStrings = arguments;
  std::vector<char*> argv = PointerList(argvStrings);
  std::vector<std::string> candidateStrings = {*program};
  std::vector<char*> candidates = PointerList(candidateStrings);

  int pidPipe[2];
  int errorPipe[2];
  if (::pipe2(pidPipe, O_CLOEXEC) != 0) return fail(errno);
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
    int e = errno;
    ::close(pidPipe[0]);
    ::close(pidPipe[1]);
    return fail(e);
  }
  int reportPipe[2] = {-1, -1};
  if (exitReport != nullptr && ::pipe2(reportPipe, O_CLOEXEC) != 0) {
    int e = errno;
    for (int fd : {pidPipe[0], pidPipe[1], errorPipe[0], errorPipe[1]}) ::close(fd);
    return fail(e);
  }
  int nullFd = MoveAboveStandard(::open("/dev/null", O_RDWR | O_CLOEXEC));
  pidPipe[1] = MoveAboveStandard(pidPipe[1]);
  errorPipe[1] = MoveAboveStandard(errorPipe[1]);
  if (reportPipe[1] >= 0) reportPipe[1] = MoveAboveStandard(reportPipe[1]);

  // Two forks: the middle process ends at once, so the program is adopted by
  // the system and never left as a zombie of ours. With a report, a watcher
  // between them waits for the program and writes its exit code.
  pid_t middle = ::fork();
  if (middle == 0) {
    ::setsid();
    if (reportPipe[1] >= 0 && ::fork() != 0) ::_exit(0);  // the watcher goes on
    pid_t grandchild = ::fork();
    if (grandchild == 0) {
      RunChild(nullFd, nullFd, nullptr, candidates, argv.data(), environ, errorPipe[1]);
    }
    long reported = grandchild > 0 ? static_cast<long>(grandchild) : 0;
    ssize_t ignored = ::write(pidPipe[1], &reported, sizeof reported);
    (void)ignored;
    if (reportPipe[1] >= 0 && grandchild > 0) {
      // The watcher keeps nothing of this program open but its report.
      const int keep = reportPipe[1];
      ::syscall(SYS_close_range, 3u, static_cast<unsigned>(keep - 1), 0u);
      ::syscall(SYS_close_range, static_cast<unsigned>(keep + 1), ~0u, 0u);
      int status = 0;
      while (::waitpid(grandchild, &status, 0) < 0 && errno == EINTR) {
      }
      const int code = WIFEXITED(status) ? WEXITSTATUS(status)
                       : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                             : -1;
      ignored = ::write(keep, &code, sizeof code);
    }
    ::_exit(0);
  }
  int forkError = errno;
  ::close(pidPipe[1]);
  ::close(errorPipe[1]);
  if (reportPipe[1] >= 0) ::close(reportPipe[1]);
  if (nullFd >= 0) ::close(nullFd);
  auto closeReport = [&] {
    if (reportPipe[0] >= 0) ::close(reportPipe[0]);
    reportPipe[0] = -1;
  };
  if (middle < 0) {
    ::close(pidPipe[0]);
    ::close(errorPipe[0]);
    closeReport();
    return fail(forkError);
  }
  while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
  }
  long pid = 0;
  ssize_t got;
  do {
    got = ::read(pidPipe[0], &pid, sizeof pid);
  } while (got < 0 && errno == EINTR);
  ::close(pidPipe[0]);
  // The error pipe closes when the program starts (close-on-exec) or after
  // the child has written why it could not.
  int childError = 0;
  ssize_t errGot;
  do {
    errGot = ::read(errorPipe[0], &childError, sizeof childError);
  } while (errGot < 0 && errno == EINTR);
  ::close(errorPipe[0]);
  if (got != static_cast<ssize_t>(sizeof pid) || pid <= 0 ||
      errGot == static_cast<ssize_t>(sizeof childError)) {
    closeReport();
    if (got != static_cast<ssize_t>(sizeof pid) || pid <= 0) return fail(EAGAIN);
    return fail(childError ? childError : ENOENT);
  }
  if (exitReport != nullptr) {
    ::fcntl(reportPipe[0], F_SETFL, ::fcntl(reportPipe[0], F_GETFL) | O_NONBLOCK);
    *exitReport = reportPipe[0];
  }
  if (error) *error = 0;
  return pid;
}

ExitReport ReadExitReport(int fd, int& exitCode) {
  if (fd < 0) return ExitReport::Lost;
  int code = 0;
  ssize_t got;
  do {
    got = ::read(fd, &code, sizeof code);
  } while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof code)) {
    exitCode = code;
    return ExitReport::Ended;
  }
  if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return ExitReport::Pending;
  return ExitReport::Lost;
}

void CloseExitReport(int fd) {
  if (fd >= 0) ::close(fd);
}

bool IsProcessRunning(long pid) {
  if (pid <= 0) return false;
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return false;
  // An ended process not yet collected by its parent is still listed.
  const std::string path = "/proc/" + std::to_string(pid) + "/stat";
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return true;
  char buffer[512];
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  std::string_view stat(buffer, n > 0 ? static_cast<size_t>(n) : 0);
  size_t close = stat.rfind(')');
  return !(close != std::string_view::npos && close + 2 < stat.size() && stat[close + 2] == 'Z');
}

}  // namespace tavirel::platform
