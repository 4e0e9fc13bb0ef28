#include "ui/widgets/updown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tavirel {

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  up_ = new QToolButton(this);
  up_->setArrowType(Qt::UpArrow);
  down_ = new QToolButton(this);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* button : {up_, down_}) {
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
    button->setFixedSize(16, 11);
    layout->addWidget(button);
  }
  connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TUpDown::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  SetPosition(position_);
}

void TUpDown::SetAssociate(QLineEdit* edit) {
  if (edit_) edit_->removeEventFilter(this);
  edit_ = edit;
  if (edit_) {
    edit_->installEventFilter(this);
    edit_->setText(QString::number(position_));
  }
}

void TUpDown::SetPosition(int position) {
  position_ = std::clamp(position, min_, max_);
  if (edit_) edit_->setText(QString::number(position_));
}

void TUpDown::Step(int delta) {
  int current = position_;
  if (edit_) {
    bool ok = false;
    const int typed = edit_->text().toInt(&ok);
    if (ok) current = typed;
  }
  SetPosition(current + delta);
  if (edit_) edit_->selectAll();
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      Step(key->key() == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tavirel
