// The buttons that close a small dialog, and the row at its foot that holds
// them: every dialog names, captions and lays them out the same way.
#pragma once

#include <QString>

#include <initializer_list>

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace tavirel {

// The dialog's "btnOK": its default button, which Enter presses wherever the
// focus is.
QPushButton* NewOkButton(QWidget* dialog, const QString& caption = QStringLiteral("OK"));

// The dialog's "btnCancel": Enter never presses it.
QPushButton* NewCancelButton(QWidget* dialog,
                             const QString& caption = QStringLiteral("キャンセル"));

// The row at a dialog's foot: `left` at its left, the closing buttons
// `right` at its right, room between them.
QHBoxLayout* NewButtonRow(std::initializer_list<QWidget*> left,
                          std::initializer_list<QWidget*> right);

}  // namespace tavirel
