// Running console programs: the one way the program starts an outside
// program and waits for it, optionally showing what it writes in a view.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/jconv/jconvert.h"
#include "core/process/arguments.h"

namespace tavirel {

enum TProcessShowMode : int { psmHidden = 0, psmCaptured = 1, psmNormal = 2, psmMinimized = 3 };

// The lines of a read-only text view, as the captured runner drives it. Line
// texts are Shift-JIS byte strings. The tag is 0 while a captured run writes
// into the view and 1 otherwise.
class IConsoleView {
 public:
  virtual ~IConsoleView() = default;
  virtual int LineCount() const = 0;
  virtual void AppendLine(std::string_view line) = 0;
  // Inserts before the line at `index` (0 <= index <= LineCount()).
  virtual void InsertLine(int index, std::string_view line) = 0;
  virtual void ReplaceLine(int index, std::string_view line) = 0;
  // Scrolls so that the last line is at the bottom and repaints.
  virtual void ShowLastLine() = 0;
  virtual int Tag() const = 0;
  virtual void SetTag(int tag) = 0;
};

struct ConsoleRunCallbacks {
  // Lets the user interface handle its pending events; called regularly for
  // the whole of a captured run.
  std::function<void()> processEvents;
  // Shows a failure to the user (a message box with the application title
  // and an OK button); the text is Shift-JIS.
  std::function<void(std::string_view text)> showMessage;
};

// Starts `commandLine` (program first, split by the Windows rules) in
// `workDir` and returns after the program has ended. In psmCaptured mode its
// standard output and standard error are shown in `view`. Returns non-zero
// when the program was started, zero when it could not be started (the
// failure has been shown) or `mode` is none of the four. `coding` names the
// program the line runs, so that its file and folder arguments reach it in
// the file system's code (core/process/arguments.h); with acAsWritten every
// argument but the program keeps the command line's bytes. `exitCode`, when
// given, receives the program's exit code (128 + the signal's number for a
// program ended by a signal), or -1 when it was not started.
intptr_t RunConsoleProcess(std::string_view commandLine, std::string_view workDir,
                           TProcessShowMode mode, IConsoleView* view,
                           const ConsoleRunCallbacks& callbacks,
                           TArgumentCoding coding = acAsWritten, int* exitCode = nullptr);

// The message shown when a program cannot be started.
std::string StartFailureMessage(std::string_view workDir, std::string_view commandLine,
                                int error);
// "パイプの作成に失敗しました。"
inline constexpr std::string_view PipeFailureMessage =
    "\x83\x70\x83\x43\x83\x76\x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94\x73\x82\xB5"
    "\x82\xDC\x82\xB5\x82\xBD\x81\x42";

// Turns the captured output of one run into view lines. Bytes are added as
// they arrive; Flush handles everything added since the last flush as one
// chunk: the text up to its last line feed, together with the text carried
// over from before, loses its trailing blanks and control characters, is
// split at CR, LF or CR LF, and each line is inserted with one blank appended
// before the view's last line. What follows the last line feed is carried
// over. Finish shows the carried-over rest as a last line.
//
// The run's Japanese code is decided from its own output: once a line is
// decisively EUC-JP or JIS, that line and every later one are converted to
// Shift-JIS, and the lines shown earlier in the same run that could have
// been either EUC-JP or Shift-JIS are converted in the view as well.
// Shift-JIS and plain ASCII output is shown as it is. File and folder names
// that the program copies into its lines in the file system's UTF-8 are
// converted on their own, whatever the code of the text around them
// (core/jconv/mixedline.h).
class ConsoleOutputWriter {
 public:
  explicit ConsoleOutputWriter(IConsoleView& view) : view_(view) {}

  void Add(std::string_view bytes);  // NUL bytes are dropped
  void Flush();
  void Finish();
  size_t PendingBytes() const { return pending_.size(); }
  TKanjiCode Code() const { return code_; }

 private:
  struct UndecidedLine {
    int index;
    std::string text;  // as shown, blank included
  };

  void ShowCompleteText(std::string_view text);
  void ShowLine(std::string_view line);
  std::string ConvertLine(std::string_view line) const;
  void ConvertUndecidedLines();

  IConsoleView& view_;
  std::string pending_;
  std::string carry_;
  TKanjiCode code_ = kcAscii;  // kcAscii until the output decides it
  std::vector<UndecidedLine> undecided_;
  size_t undecidedBytes_ = 0;
};

}  // namespace tavirel
