#include "core/process/runner.h"

#include <algorithm>
#include <chrono>

#include "platform/process.h"
#include "core/jconv/mixedline.h"
#include "core/process/cmdline.h"

namespace tavirel {
namespace {

using Clock = std::chrono::steady_clock;

// How long one wait for output lasts; the user interface handles its events
// at least this often during a captured run, silent program or not.
constexpr int kPollMilliseconds = 25;
// Complete lines go to the view at most this often, or sooner when this
// much output has piled up, so that painting never slows the program down.
constexpr auto kFlushInterval = std::chrono::milliseconds(50);
constexpr size_t kFlushBytes = 1 << 20;
constexpr auto kEventsInterval = std::chrono::milliseconds(kPollMilliseconds);
// Lines shown before the run's code is known are kept for converting them
// later up to this many bytes; beyond it they stay as they were shown.
constexpr size_t kUndecidedLimit = 8u << 20;

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }

bool NeedsConversion(std::string_view line) {
  return std::any_of(line.begin(), line.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x80 || c == '\x1B';
  });
}

platform::ConsoleShow ShowFor(TProcessShowMode mode) {
  switch (mode) {
    case psmNormal: return platform::ConsoleShow::Normal;
    case psmMinimized: return platform::ConsoleShow::Minimized;
    default: return platform::ConsoleShow::Hidden;
  }
}

void ShowMessage(const ConsoleRunCallbacks& callbacks, std::string_view text) {
  if (callbacks.showMessage) callbacks.showMessage(text);
}

// Puts the view's tag back to 1 however the run ends.
class TagGuard {
 public:
  explicit TagGuard(IConsoleView& view) : view_(view) { view_.SetTag(0); }
  ~TagGuard() { view_.SetTag(1); }
  TagGuard(const TagGuard&) = delete;
  TagGuard& operator=(const TagGuard&) = delete;

 private:
  IConsoleView& view_;
};

intptr_t RunCaptured(std::string_view commandLine, std::string_view workDir,
                     IConsoleView& view, const ConsoleRunCallbacks& callbacks,
                     TArgumentCoding coding, int& exitCode) {
  TagGuard busy(view);
  if (view.LineCount() > 0) {
    view.AppendLine("");
    view.AppendLine("");
  }
  view.AppendLine(std::string("WorkDir: ").append(workDir));
  view.AppendLine("CommandLine: ");
  view.AppendLine(commandLine);
  view.AppendLine("");
  view.AppendLine("");
  view.ShowLastLine();

  platform::ProcessStartInfo info;
  info.arguments = SplitCommandLine(commandLine);
  info.argumentCodes = ArgumentCodes(coding, info.arguments);
  info.workingFolder = std::string(workDir);
  info.captureOutput = true;
  platform::ChildProcess child;
  platform::StartResult started = child.Start(info);
  if (!started.started) {
    ShowMessage(callbacks, started.pipeFailed
                               ? std::string(PipeFailureMessage)
                               : StartFailureMessage(workDir, commandLine, started.error));
    return 0;
  }

  ConsoleOutputWriter writer(view);
  std::string data;
  Clock::time_point lastFlush = Clock::now();
  Clock::time_point lastEvents = lastFlush;
  for (;;) {
    data.clear();
    platform::ReadStatus status = child.ReadOutput(data, kPollMilliseconds);
    if (!data.empty()) writer.Add(data);
    if (status == platform::ReadStatus::EndOfOutput || status == platform::ReadStatus::Error) {
      break;
    }
    Clock::time_point now = Clock::now();
    if (writer.PendingBytes() >= kFlushBytes ||
        (writer.PendingBytes() > 0 && now - lastFlush >= kFlushInterval)) {
      writer.Flush();
      lastFlush = now;
    }
    if (status == platform::ReadStatus::Timeout || now - lastEvents >= kEventsInterval) {
      if (callbacks.processEvents) callbacks.processEvents();
      lastEvents = Clock::now();
    }
  }
  writer.Finish();
  child.CloseOutput();
  exitCode = child.Wait();
  view.AppendLine("");
  return child.Pid();
}

}  // namespace

std::string StartFailureMessage(std::string_view workDir, std::string_view commandLine,
                                int error) {
  std::string text =
      // コマンドの実行に失敗しました。
      "\x83\x52\x83\x7D\x83\x93\x83\x68\x82\xCC\x8E\xC0\x8D\x73\x82\xC9\x8E\xB8\x94\x73"
      "\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42"
      "\n\n"
      // 作業ディレクトリ: 
      "\x8D\xEC\x8B\xC6\x83\x66\x83\x42\x83\x8C\x83\x4E\x83\x67\x83\x8A\x3A\x20";
  text.append(workDir);
  // コマンド: 
  text.append("\n\x83\x52\x83\x7D\x83\x93\x83\x68\x3A\x20");
  text.append(commandLine);
  // エラーコード： 
  text.append("\n\x83\x47\x83\x89\x81\x5B\x83\x52\x81\x5B\x83\x68\x81\x46\x20");
  text.append(std::to_string(error));
  return text;
}

intptr_t RunConsoleProcess(std::string_view commandLine, std::string_view workDir,
                           TProcessShowMode mode, IConsoleView* view,
                           const ConsoleRunCallbacks& callbacks, TArgumentCoding coding,
                           int* exitCode) {
  int ignored = -1;
  int& code = exitCode != nullptr ? *exitCode : ignored;
  code = -1;
  switch (mode) {
    case psmCaptured:
      if (view == nullptr) return 0;
      return RunCaptured(commandLine, workDir, *view, callbacks, coding, code);
    case psmHidden:
    case psmNormal:
    case psmMinimized: {
      platform::ProcessStartInfo info;
      info.arguments = SplitCommandLine(commandLine);
      info.argumentCodes = ArgumentCodes(coding, info.arguments);
      info.workingFolder = std::string(workDir);
      info.show = ShowFor(mode);
      platform::ChildProcess child;
      platform::StartResult started = child.Start(info);
      if (!started.started) {
        ShowMessage(callbacks, StartFailureMessage(workDir, commandLine, started.error));
        return 0;
      }
      code = child.Wait();
      return child.Pid();
    }
  }
  return 0;
}

// ---------------------------------------------------------------------------

void ConsoleOutputWriter::Add(std::string_view bytes) {
  size_t start = pending_.size();
  pending_.append(bytes);
  pending_.erase(std::remove(pending_.begin() + static_cast<std::ptrdiff_t>(start),
                             pending_.end(), '\0'),
                 pending_.end());
}

void ConsoleOutputWriter::Flush() {
  if (pending_.empty()) return;
  size_t lastLineFeed = pending_.rfind('\n');
  if (lastLineFeed == std::string::npos) {
    carry_ += pending_;
    pending_.clear();
    return;
  }
  std::string complete = std::move(carry_);
  complete.append(pending_, 0, lastLineFeed + 1);
  carry_.assign(pending_, lastLineFeed + 1);
  pending_.clear();
  ShowCompleteText(complete);
}

void ConsoleOutputWriter::Finish() {
  Flush();
  if (carry_.empty()) return;
  // A last line without a line end is shown as well.
  std::string rest = std::move(carry_);
  carry_.clear();
  ShowCompleteText(rest);
}

void ConsoleOutputWriter::ShowCompleteText(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsTrimmed(text[end - 1])) --end;
  text = text.substr(0, end);
  if (text.empty()) return;
  try {
    size_t start = 0;
    for (size_t pos = 0; pos < text.size(); ++pos) {
      char c = text[pos];
      if (c != '\r' && c != '\n') continue;
      ShowLine(text.substr(start, pos - start));
      if (c == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ++pos;
      start = pos + 1;
    }
    ShowLine(text.substr(start));
  } catch (...) {
    view_.ShowLastLine();
    throw;
  }
  view_.ShowLastLine();
}

void ConsoleOutputWriter::ShowLine(std::string_view line) {
  bool undecided = false;
  if (code_ == kcAscii && NeedsConversion(line)) {
    switch (TKanjiCode detected = DetectMixedLineCode(line)) {
      case kcJisNew:
      case kcJisOld:
      case kcEuc:
        code_ = detected;
        ConvertUndecidedLines();
        break;
      case kcSjis:
        code_ = kcSjis;
        undecided_.clear();
        break;
      case kcEucOrSjis:
        undecided = true;
        break;
      default:
        break;
    }
  }
  std::string shown = ConvertLine(line);
  shown.push_back(' ');
  int index = std::max(view_.LineCount() - 1, 0);
  if (undecided && undecidedBytes_ + line.size() <= kUndecidedLimit) {
    undecided_.push_back({index, std::string(line)});
    undecidedBytes_ += line.size();
  }
  view_.InsertLine(index, shown);
}

std::string ConsoleOutputWriter::ConvertLine(std::string_view line) const {
  if (!NeedsConversion(line)) return std::string(line);
  // File and folder names come in the file system's UTF-8 within the
  // program's own text; until the run's code is known that text is shown as
  // Shift-JIS.
  return MixedLineToSjis(line, code_);
}

void ConsoleOutputWriter::ConvertUndecidedLines() {
  for (const UndecidedLine& line : undecided_) {
    if (line.index >= view_.LineCount()) continue;
    std::string shown = ConvertLine(line.text);
    shown.push_back(' ');
    view_.ReplaceLine(line.index, shown);
  }
  undecided_.clear();
  undecided_.shrink_to_fit();
  undecidedBytes_ = 0;
}

}  // namespace tavirel
