#pragma once
// OperationProgress: the status bar's progress of the running device
// operation: its step as text ("Reading master orders 37 / 150") and a bar.
// Shown only while an operation runs. A notice (the held close) takes the
// text's place, in full, until the widget goes; the bar goes on.

#include <QWidget>

class QLabel;
class QProgressBar;

class OperationProgress : public QWidget {
  Q_OBJECT

 public:
  explicit OperationProgress(QWidget* parent = nullptr);

  // The step and how far it has got; total 0 leaves the bar empty.
  void setStep(const QString& step, int done = 0, int total = 0);
  void setNotice(const QString& notice);
  QString stepText() const;
  int value() const;
  int maximum() const;

 private:
  QLabel* m_step = nullptr;
  QProgressBar* m_bar = nullptr;
  QString m_stepText;
  bool m_notice = false;
};
