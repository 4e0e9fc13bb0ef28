#include "ui/process/consolerun.h"

#include <QApplication>

#include "ui/widgets/bigview.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {

TGuardedConsoleView::TGuardedConsoleView(TBigView* view) : view_(view) {}
int TGuardedConsoleView::LineCount() const { return view_ ? view_->LineCount() : 0; }
void TGuardedConsoleView::AppendLine(std::string_view line) {
  if (view_) view_->AppendLine(line);
}
void TGuardedConsoleView::InsertLine(int index, std::string_view line) {
  if (view_) view_->InsertLine(index, line);
}
void TGuardedConsoleView::ReplaceLine(int index, std::string_view line) {
  if (view_) view_->ReplaceLine(index, line);
}
void TGuardedConsoleView::ShowLastLine() {
  if (view_) view_->ShowLastLine();
}
int TGuardedConsoleView::Tag() const { return view_ ? view_->Tag() : 1; }
void TGuardedConsoleView::SetTag(int tag) {
  if (view_) view_->SetTag(tag);
}

intptr_t RunConsoleProcessInto(std::string_view commandLine, std::string_view workDir,
                               TProcessShowMode mode, IConsoleView* output, QWidget* owner,
                               TArgumentCoding coding, int* exitCode) {
  ConsoleRunCallbacks callbacks;
  callbacks.processEvents = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
  QPointer<QWidget> parent(owner);
  callbacks.showMessage = [parent](std::string_view text) {
    ShowMessageBox(parent ? parent->window() : nullptr, ApplicationTitle(), SjisToQString(text),
                   QMessageBox::NoIcon, QMessageBox::Ok);
  };
  return RunConsoleProcess(commandLine, workDir, mode, output, callbacks, coding, exitCode);
}

intptr_t RunConsoleProcess(std::string_view commandLine, std::string_view workDir,
                           TProcessShowMode mode, TBigView* view, TArgumentCoding coding) {
  if (view == nullptr)
    return RunConsoleProcessInto(commandLine, workDir, mode, nullptr, nullptr, coding);
  TGuardedConsoleView guarded(view);
  return RunConsoleProcessInto(commandLine, workDir, mode, &guarded, view, coding);
}

}  // namespace tavirel
