#include "ui/process/consolerun.h"

#include <QApplication>
#include <QPointer>

#include "ui/widgets/bigview.h"
#include "ui/widgets/msgbox.h"
#include "ui/widgets/qtcodec.h"

namespace tavirel {
namespace {

// Passes the runner's calls on to the view while it exists: the events
// handled during a run could otherwise free it under the runner's feet.
class GuardedView : public IConsoleView {
 public:
  explicit GuardedView(TBigView* view) : view_(view) {}
  int LineCount() const override { return view_ ? view_->LineCount() : 0; }
  void AppendLine(std::string_view line) override {
    if (view_) view_->AppendLine(line);
  }
  void InsertLine(int index, std::string_view line) override {
    if (view_) view_->InsertLine(index, line);
  }
  void ReplaceLine(int index, std::string_view line) override {
    if (view_) view_->ReplaceLine(index, line);
  }
  void ShowLastLine() override {
    if (view_) view_->ShowLastLine();
  }
  int Tag() const override { return view_ ? view_->Tag() : 1; }
  void SetTag(int tag) override {
    if (view_) view_->SetTag(tag);
  }

 private:
  QPointer<TBigView> view_;
};

}  // namespace

intptr_t RunConsoleProcess(std::string_view commandLine, std::string_view workDir,
                           TProcessShowMode mode, TBigView* view, TArgumentCoding coding) {
  ConsoleRunCallbacks callbacks;
  callbacks.processEvents = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
  QPointer<TBigView> owner(view);
  callbacks.showMessage = [owner](std::string_view text) {
    QWidget* parent = owner ? owner->window() : nullptr;
    ShowMessageBox(parent, ApplicationTitle(), SjisToQString(text), QMessageBox::NoIcon,
                   QMessageBox::Ok);
  };
  if (view == nullptr) {
    return RunConsoleProcess(commandLine, workDir, mode, nullptr, callbacks, coding);
  }
  GuardedView guarded(view);
  return RunConsoleProcess(commandLine, workDir, mode, &guarded, callbacks, coding);
}

}  // namespace tavirel
