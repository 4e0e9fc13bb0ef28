// Starting console programs and reading what they write. Arguments and
// folders are Shift-JIS (CP932) byte strings like every other string of the
// program. The program path and the working folder are converted to the file
// system's UTF-8 to find them; every other argument reaches the child as its
// ArgumentCode says: text (a search formula, an option) unchanged, so that
// the program reads it in Shift-JIS, and a file or folder name in the file
// system's code, so that the program finds it (see NativePath).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavirel::platform {

// How the console of a started program is shown. Normal and Minimized run the
// program inside the desktop's terminal emulator when there is one and a
// display to show it on; otherwise, and always for Hidden, the program runs
// without a terminal.
enum class ConsoleShow { Hidden, Normal, Minimized };

// How one argument reaches the started program.
enum class ArgumentCode {
  Text,            // bytes unchanged (Shift-JIS)
  FileName,        // a file or folder name: in the file system's code
  OptionFileName,  // "--name=VALUE" or "-xVALUE": the prefix unchanged, VALUE a
                   // file name; the prefix is everything up to and including
                   // the first "=", or the first two bytes when there is none
};

struct ProcessStartInfo {
  std::vector<std::string> arguments;  // the program first; never run through a shell
  // One code per argument after the program; missing ones are Text. The
  // program itself is always a file name.
  std::vector<ArgumentCode> argumentCodes;
  std::string workingFolder;           // empty: the caller's current folder
  ConsoleShow show = ConsoleShow::Hidden;
  // Standard output and standard error go together into one pipe that
  // ReadOutput reads; standard input is /dev/null. Capturing never uses a
  // terminal.
  bool captureOutput = false;
};

struct StartResult {
  bool started = false;
  bool pipeFailed = false;  // the output pipe could not be created
  int error = 0;            // errno of the failure (ENOENT for a missing program)
};

enum class ReadStatus {
  Data,         // bytes were appended to the caller's string
  Timeout,      // nothing arrived in time (or a signal interrupted the wait)
  EndOfOutput,  // every writer has closed the pipe, or nothing is captured
  Error,        // reading failed; the pipe is not read any further
};

// The locale console programs run under: "ja_JP.SJIS", in which the Namazu
// programs read and write Shift-JIS and give their messages in Japanese.
const std::string& ConsoleLocale();
// Test hook: another locale name for the console programs (a name no system
// has shows how the program behaves where the locale is missing). Set it
// before any program is started; an empty name restores "ja_JP.SJIS".
void SetConsoleLocale(const std::string& name);
// Whether the C library finds the locale `name` as a program started with
// LANG=`name` would (compiled locales, LOCPATH). Without ConsoleLocale() the
// Namazu programs fall back to English messages.
bool LocaleAvailable(const std::string& name);

// The environment of a started console program: `base` (an environ-style
// list of "NAME=value") without LC_ALL, LC_CTYPE, LC_MESSAGES and LANGUAGE, and
// with LANG=ConsoleLocale() and PERL_BADLANG=0.
std::vector<std::string> ConsoleEnvironment(const char* const* base);

// One started program. The object closes its pipe and waits for a child
// that is still running when it is destroyed, so a child is always reaped.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the program. A failure of the program itself to start (missing,
  // not executable, bad working folder) is reported here with its errno.
  StartResult Start(const ProcessStartInfo& info);

  // Waits up to `timeoutMs` for output, then appends what is available
  // (at most about `maxBytes`) to `out`.
  ReadStatus ReadOutput(std::string& out, int timeoutMs, size_t maxBytes = 1 << 20);
  void CloseOutput();

  // Blocks until the child has ended; returns its exit code, 128 + the
  // signal number when a signal ended it, -1 when nothing was started.
  int Wait();

  // Asks the program, and the programs it started, to stop as Ctrl+C in a
  // console would (SIGINT to its session): a program that cleans up on an
  // interrupt, as mknmz does, gets to do so. Kill ends them outright.
  // Both do nothing once the child has been waited for.
  void Interrupt();
  void Kill();

  int Pid() const { return pid_; }

 private:
  int pid_ = -1;
  bool reaped_ = true;
  int exitCode_ = -1;
  int outputFd_ = -1;
  bool outputEnded_ = false;
};

// Starts a program that outlives this one and is never waited for: in a
// session of its own, with the caller's environment, standard input and
// output on /dev/null. `arguments` are in the file system's code (UTF-8), the
// program first (searched on PATH when it has no "/"). Returns the program's
// process id, or 0 with `error` set when it could not be started.
//
// With `exitReport`, a watching process outside this one waits for the
// program and writes its exit code to a pipe whose non-blocking read end is
// put there (-1 when the program was not started): the caller learns how a
// program ended that it never waits for. Read it with ReadExitReport and
// close it when done; closing it early ends nothing.
long StartDetached(const std::vector<std::string>& arguments, int* error = nullptr,
                   int* exitReport = nullptr);

enum class ExitReport { Pending, Ended, Lost };
// Pending while the program runs; Ended with its exit code (128 + the
// signal's number when a signal ended it); Lost when no report will come.
ExitReport ReadExitReport(int fd, int& exitCode);
void CloseExitReport(int fd);
// Whether the process `pid` is still running (a process that has ended and
// not yet been collected counts as ended).
bool IsProcessRunning(long pid);
// The full path (UTF-8) of the executable `name` as PATH finds it, or `name`
// itself when it contains "/" and is executable; empty when there is none.
std::string FindProgram(const std::string& name);

}  // namespace tavirel::platform
