#pragma once
// FormComboBox: a pick-only drop-down of the form that changes only by the
// user's choice in it. The mouse wheel never changes it, focused or not: the
// wheel goes on to the form, which scrolls. A user turning the wheel to move
// through the form would otherwise change whatever drop-down passes under
// the pointer, and the next Write would send that value to the module.

#include <QComboBox>

class FormComboBox : public QComboBox {
 public:
  explicit FormComboBox(QWidget* parent = nullptr);

 protected:
  void wheelEvent(QWheelEvent* event) override;
};
