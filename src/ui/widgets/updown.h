// TUpDown: a pair of arrow buttons tied to a number field. The arrows, and
// the Up and Down keys in the field, step the field's number within a range;
// the field itself takes any text the user types.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace tavirel {

class TUpDown : public QWidget {
  Q_OBJECT

 public:
  explicit TUpDown(QWidget* parent = nullptr);

  void SetRange(int min, int max);
  int Min() const { return min_; }
  int Max() const { return max_; }
  // The field the arrows step; its Up and Down keys step it as well.
  void SetAssociate(QLineEdit* edit);
  // The position, held to the range; the field shows it.
  int Position() const { return position_; }
  void SetPosition(int position);
  // One step up (+1) or down (-1) from the number in the field, or from the
  // position when the field holds no number.
  void Step(int delta);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QToolButton* up_ = nullptr;
  QToolButton* down_ = nullptr;
  QLineEdit* edit_ = nullptr;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

}  // namespace tavirel
