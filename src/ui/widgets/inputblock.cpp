#include "ui/widgets/inputblock.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

namespace tavirel {

TInputBlock::TInputBlock(QWidget* window) : window_(window ? window->window() : nullptr) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  qApp->installEventFilter(this);
}

TInputBlock::~TInputBlock() {
  qApp->removeEventFilter(this);
  QApplication::restoreOverrideCursor();
}

bool TInputBlock::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
      break;
    default:
      return false;
  }
  if (!window_) return false;
  // A shortcut goes to its action, which belongs to a widget of the window
  // (its menu) or to the window itself.
  for (QObject* object = watched; object != nullptr; object = object->parent()) {
    if (auto* widget = qobject_cast<QWidget*>(object)) return widget->window() == window_;
    if (auto* window = qobject_cast<QWindow*>(object)) {
      return window_->windowHandle() == window;
    }
  }
  return false;
}

}  // namespace tavirel
