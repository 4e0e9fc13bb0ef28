#include "ui/widgets/buttonrow.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace tavirel {

QPushButton* NewOkButton(QWidget* dialog, const QString& caption) {
  auto* button = new QPushButton(caption, dialog);
  button->setObjectName(QStringLiteral("btnOK"));
  button->setDefault(true);
  return button;
}

QPushButton* NewCancelButton(QWidget* dialog, const QString& caption) {
  auto* button = new QPushButton(caption, dialog);
  button->setObjectName(QStringLiteral("btnCancel"));
  button->setAutoDefault(false);
  return button;
}

QHBoxLayout* NewButtonRow(std::initializer_list<QWidget*> left,
                          std::initializer_list<QWidget*> right) {
  auto* row = new QHBoxLayout;
  for (QWidget* widget : left) row->addWidget(widget);
  row->addStretch(1);
  for (QWidget* widget : right) row->addWidget(widget);
  return row;
}

}  // namespace tavirel
