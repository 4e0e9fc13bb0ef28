// Running console programs from the windows: RunConsoleProcess with a
// TBigView as the output view, the window's events handled during a captured
// run, and failures shown in a message box captioned with the application
// title.
#pragma once

#include <QPointer>

#include <cstdint>
#include <string_view>

#include "core/process/runner.h"

class QWidget;

namespace tavirel {

class TBigView;

intptr_t RunConsoleProcess(std::string_view commandLine, std::string_view workDir,
                           TProcessShowMode mode, TBigView* view,
                           TArgumentCoding coding = acAsWritten);

// The same with the output going through `output` (a view that reads the
// lines on their way, such as a progress watcher, in front of a
// TGuardedConsoleView). Messages are shown over `owner`'s window. `exitCode`
// as for the core's RunConsoleProcess.
intptr_t RunConsoleProcessInto(std::string_view commandLine, std::string_view workDir,
                               TProcessShowMode mode, IConsoleView* output, QWidget* owner,
                               TArgumentCoding coding = acAsWritten, int* exitCode = nullptr);

// Passes the runner's calls on to a TBigView while it exists: the events
// handled during a run could otherwise free it under the runner's feet.
class TGuardedConsoleView : public IConsoleView {
 public:
  explicit TGuardedConsoleView(TBigView* view);
  int LineCount() const override;
  void AppendLine(std::string_view line) override;
  void InsertLine(int index, std::string_view line) override;
  void ReplaceLine(int index, std::string_view line) override;
  void ShowLastLine() override;
  int Tag() const override;
  void SetTag(int tag) override;

 private:
  QPointer<TBigView> view_;
};

}  // namespace tavirel
