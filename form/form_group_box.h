#pragma once
// FormGroupBox: a group frame of the form drawn as the template means it:
// the top line runs through the middle of the title, so that the controls
// placed just below the group's top edge lie inside the frame, not across it.

#include <QGroupBox>

class FormGroupBox : public QGroupBox {
 public:
  FormGroupBox(const QString& title, QWidget* parent = nullptr);

  // The frame's outline and the title's area, in the group's coordinates.
  QRect outlineRect() const;
  QRect titleRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};
