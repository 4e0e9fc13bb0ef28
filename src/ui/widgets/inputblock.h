// TInputBlock: while it lives, the user's keys, clicks and shortcuts do not
// reach a window, which keeps its look and its keyboard focus. For the time
// a window waits for a program's answer: disabling the window instead moves
// the focus away and back again, and a screen reader announces both moves.
// Message boxes and other windows opened meanwhile take input as usual.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace tavirel {

class TInputBlock : public QObject {
 public:
  explicit TInputBlock(QWidget* window);
  ~TInputBlock() override;
  TInputBlock(const TInputBlock&) = delete;
  TInputBlock& operator=(const TInputBlock&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
};

}  // namespace tavirel
