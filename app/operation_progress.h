#pragma once
// OperationProgress: the status bar's progress of the running device
// operation: its step as text ("Reading master orders 37 / 150") and a bar.
// Shown only while an operation runs.

#include <QWidget>

class QLabel;
class QProgressBar;

class OperationProgress : public QWidget {
  Q_OBJECT

 public:
  explicit OperationProgress(QWidget* parent = nullptr);

  // The step and how far it has got; total 0 leaves the bar empty.
  void setStep(const QString& step, int done = 0, int total = 0);
  QString stepText() const;
  int value() const;
  int maximum() const;

 private:
  QLabel* m_step = nullptr;
  QProgressBar* m_bar = nullptr;
};
